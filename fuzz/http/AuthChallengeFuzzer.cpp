// Arbitrary authentication challenges: the input's lines (those the response parser would let through)
// are the challenge headers of a 401 (or, when the
// first byte is odd, a proxy's 407), up to an empty line; the lines after it are the challenge of the
// next answer (an NTLM server challenge, a stale Digest nonce). The exchange is answered as the HTTP client
// answers it, with credentials whose user name is taken from the first byte's choice.
//
// Every answer header set holds no CR, LF or NUL, starts with its scheme, and, for Digest, reads back
// (through the same challenge parser) to exactly the parameters written: no quote or comma in a realm,
// nonce, opaque or algorithm given by the server can add or change a parameter.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Text.h"
#include "platform/net/HTTPAuthentication.h"
#include "platform/net/HTTPMessage.h"

namespace {

void fail(const char* what, std::string_view value) {
  std::fprintf(stderr, "auth_challenge_fuzzer: %s: %.*s\n", what, static_cast<int>(value.size()),
               value.data());
  std::abort();
}

std::shared_ptr<net::HTTPMessage> challenge(bool proxy, const std::vector<std::string>& values) {
  auto response = net::HTTPMessage::createResponse(proxy ? 407 : 401);
  for (const std::string& v : values)
    response->addResponseHeaderLine(proxy ? "Proxy-Authenticate" : "WWW-Authenticate", v);
  response->setHeaderComplete();
  return response;
}

std::string lower(std::string s) { return core::toLower(s); }

// The Digest challenge the client answers: the first one of the header with a nonce and MD5 (the client
// takes the strongest scheme offered, and of one scheme the first).
const net::AuthChallenge* digestChallengeOf(const std::vector<net::AuthChallenge>& challenges) {
  for (const auto& c : challenges) {
    if (lower(c.scheme) != "digest" || !c.params.count("nonce")) continue;
    if (c.params.count("algorithm") && lower(c.params.at("algorithm")) != "md5") continue;
    return &c;
  }
  return nullptr;
}

void checkAnswer(const net::HTTPAuthentication& auth, const net::HTTPMessage& request,
                 const net::AuthCredentials& credentials, const net::AuthChallenge* digest) {
  auto value = request.headerFieldValue(auth.isProxy() ? "Proxy-Authorization" : "Authorization");
  if (!value) fail("applied without a header", auth.scheme());
  for (char c : *value)
    if (c == '\r' || c == '\n' || c == '\0') fail("a line break or NUL in the answer", *value);
  if (!core::hasPrefix(*value, auth.scheme() + " "))
    fail("the answer does not start with its scheme", *value);
  if (auth.scheme() != "Digest" || !digest) return;
  auto parsed = net::parseAuthChallenges({*value});
  if (parsed.size() != 1) fail("the Digest answer does not read as one set of parameters", *value);
  const auto& p = parsed[0].params;
  const auto& c = digest->params;
  auto at = [](const std::map<std::string, std::string>& m, const char* name) {
    return m.count(name) ? m.at(name) : std::string("<none>");
  };
  if (at(p, "username") != credentials.username) fail("the user name does not read back", *value);
  if (at(p, "realm") != at(c, "realm") && !(at(p, "realm").empty() && !c.count("realm")))
    fail("the realm does not read back", *value);
  if (at(p, "nonce") != at(c, "nonce")) fail("the nonce does not read back", *value);
  if (at(p, "opaque") != at(c, "opaque")) fail("the opaque value does not read back", *value);
  if (at(p, "algorithm") != at(c, "algorithm")) fail("the algorithm does not read back", *value);
  if (at(p, "uri") != "/a/b?c=d") fail("the uri does not read back", *value);
  const std::size_t expected = 5 + c.count("opaque") + c.count("algorithm") + (c.count("qop") ? 3 : 0);
  if (p.size() != expected) fail("parameters were added or lost", *value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool proxy = data[0] & 1;
  static const net::AuthCredentials kCredentials[] = {
      {"user", "secret", ""}, {"DOMAIN\\user", "pass word", ""}, {"us\"er", "p\\w", "dom"}, {"", "", ""}};
  const net::AuthCredentials& credentials = kCredentials[(data[0] >> 1) % 4];
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

  std::vector<std::string> first, second;
  bool inSecond = false;
  for (const std::string& line : core::split(text, "\n")) {
    // A header value from the wire holds no control byte but tab (the response parser refuses them).
    bool fromTheWire = true;
    for (char c : line)
      if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7f) fromTheWire = false;
    if (!fromTheWire) continue;
    if (line.empty() && !inSecond) {
      inSecond = true;
      continue;
    }
    (inSecond ? second : first).push_back(line);
  }
  (void)net::parseAuthChallenges(first);

  auto auth = net::HTTPAuthentication::fromResponse(*challenge(proxy, first));
  if (!auth) return 0;
  if (auth->scheme() != "Basic" && auth->scheme() != "Digest" && auth->scheme() != "NTLM")
    fail("an unknown scheme was taken", auth->scheme());
  const auto firstChallenges = net::parseAuthChallenges(first);
  const auto secondChallenges = net::parseAuthChallenges(second);
  const net::AuthChallenge* digest = digestChallengeOf(firstChallenges);
  auto url = core::URL::parse("http://127.0.0.1/a/b?c=d");
  for (int round = 0; round < 2; ++round) {
    auto request = net::HTTPMessage::createRequest("GET", *url);
    const bool applied = auth->apply(*request, credentials);
    if (applied) checkAnswer(*auth, *request, credentials, digest);
    if (round == 1) break;
    // After an answer, a Digest challenge marked stale brings a fresh nonce: the last Digest challenge
    // of the next answer, taken when the client could have started with it.
    const auto validity = auth->validity(*challenge(proxy, second));
    if (applied && validity == net::HTTPAuthentication::Validity::Valid && auth->scheme() == "Digest") {
      for (const auto& c : secondChallenges)
        if (lower(c.scheme) == "digest") digest = &c;
      if (!digest || digestChallengeOf({*digest}) == nullptr)
        fail("a stale challenge it cannot answer was taken", "");
    }
  }
  return 0;
}
