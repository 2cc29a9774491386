#include "platform/net/HTTPAuthentication.h"

#include <nettle/des.h>
#include <nettle/md4.h>
#include <nettle/md5.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <random>

namespace net {
namespace {

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return std::string(s.substr(b, e - b));
}

bool isTokenChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) ||
         std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

// Splits at commas outside double quotes.
std::vector<std::string> splitItems(std::string_view s) {
  std::vector<std::string> out;
  std::string cur;
  bool quoted = false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (quoted && c == '\\' && i + 1 < s.size()) {
      cur += c;
      cur += s[++i];
      continue;
    }
    if (c == '"') quoted = !quoted;
    if (c == ',' && !quoted) {
      out.push_back(trim(cur));
      cur.clear();
    } else {
      cur += c;
    }
  }
  out.push_back(trim(cur));
  return out;
}

// "name=value" (value possibly quoted) → true with the parts.
bool parseParam(const std::string& item, std::string& name, std::string& value) {
  std::size_t i = 0;
  while (i < item.size() && isTokenChar(item[i]) && item[i] != '=') ++i;
  if (i == 0) return false;
  std::size_t j = i;
  while (j < item.size() && (item[j] == ' ' || item[j] == '\t')) ++j;
  if (j >= item.size() || item[j] != '=') return false;
  std::string rest = trim(std::string_view(item).substr(j + 1));
  if (rest.empty() || rest[0] == '=') return false;  // a Base64 token's padding, not a parameter
  name = lower(item.substr(0, i));
  if (rest[0] == '"') {
    value.clear();
    for (std::size_t k = 1; k < rest.size() && rest[k] != '"'; ++k) {
      if (rest[k] == '\\' && k + 1 < rest.size()) ++k;
      value += rest[k];
    }
  } else {
    value = rest;
  }
  return true;
}

std::string hex(const std::uint8_t* p, std::size_t n) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (std::size_t i = 0; i < n; ++i) {
    s += digits[p[i] >> 4];
    s += digits[p[i] & 15];
  }
  return s;
}

std::string md5hex(std::string_view text) {
  md5_ctx ctx;
  md5_init(&ctx);
  md5_update(&ctx, text.size(), reinterpret_cast<const std::uint8_t*>(text.data()));
  std::uint8_t d[MD5_DIGEST_SIZE];
  md5_digest(&ctx, sizeof d, d);
  return hex(d, sizeof d);
}

// UTF-8 to UTF-16LE (invalid bytes are taken as Latin-1).
std::string utf16le(std::string_view s) {
  std::string out;
  auto put = [&out](std::uint32_t u) {
    out += static_cast<char>(u & 0xff);
    out += static_cast<char>((u >> 8) & 0xff);
  };
  for (std::size_t i = 0; i < s.size();) {
    auto c = static_cast<unsigned char>(s[i]);
    std::uint32_t cp = c;
    std::size_t n = 1;
    if (c >= 0xf0 && i + 3 < s.size()) {
      cp = ((c & 7u) << 18) | ((static_cast<unsigned char>(s[i + 1]) & 63u) << 12) |
           ((static_cast<unsigned char>(s[i + 2]) & 63u) << 6) | (static_cast<unsigned char>(s[i + 3]) & 63u);
      n = 4;
    } else if (c >= 0xe0 && i + 2 < s.size()) {
      cp = ((c & 15u) << 12) | ((static_cast<unsigned char>(s[i + 1]) & 63u) << 6) |
           (static_cast<unsigned char>(s[i + 2]) & 63u);
      n = 3;
    } else if (c >= 0xc0 && i + 1 < s.size()) {
      cp = ((c & 31u) << 6) | (static_cast<unsigned char>(s[i + 1]) & 63u);
      n = 2;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      put(0xd800 + (cp >> 10));
      put(0xdc00 + (cp & 0x3ff));
    } else {
      put(cp);
    }
    i += n;
  }
  return out;
}

void putLE16(std::string& s, std::size_t at, std::uint32_t v) {
  s[at] = static_cast<char>(v & 0xff);
  s[at + 1] = static_cast<char>((v >> 8) & 0xff);
}
void putLE32(std::string& s, std::size_t at, std::uint32_t v) {
  putLE16(s, at, v & 0xffff);
  putLE16(s, at + 2, v >> 16);
}
std::uint32_t getLE32(std::string_view s, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[at + static_cast<std::size_t>(i)]);
  return v;
}

constexpr std::string_view kNTLMSignature{"NTLMSSP\0", 8};

// A 7-byte key spread over 8 DES key bytes.
void desEncrypt7(const std::uint8_t* key7, const std::uint8_t* data8, std::uint8_t* out8) {
  std::uint8_t k[8];
  k[0] = key7[0];
  k[1] = static_cast<std::uint8_t>((key7[0] << 7) | (key7[1] >> 1));
  k[2] = static_cast<std::uint8_t>((key7[1] << 6) | (key7[2] >> 2));
  k[3] = static_cast<std::uint8_t>((key7[2] << 5) | (key7[3] >> 3));
  k[4] = static_cast<std::uint8_t>((key7[3] << 4) | (key7[4] >> 4));
  k[5] = static_cast<std::uint8_t>((key7[4] << 3) | (key7[5] >> 5));
  k[6] = static_cast<std::uint8_t>((key7[5] << 2) | (key7[6] >> 6));
  k[7] = static_cast<std::uint8_t>(key7[6] << 1);
  des_fix_parity(8, k, k);
  des_ctx ctx;
  des_set_key(&ctx, k);  // a weak key still encrypts; NTLM does not reject them
  des_encrypt(&ctx, 8, out8, data8);
}

std::string randomHex(std::size_t bytes) {
  std::random_device rd;
  std::string s;
  for (std::size_t i = 0; i < bytes; ++i) {
    auto b = static_cast<std::uint8_t>(rd() & 0xff);
    s += hex(&b, 1);
  }
  return s;
}

// A Digest challenge this client can answer: it carries a nonce, and names no algorithm but MD5.
bool isAnswerableDigest(const AuthChallenge& c) {
  if (c.params.find("nonce") == c.params.end()) return false;
  auto algorithm = c.params.find("algorithm");
  return algorithm == c.params.end() || lower(algorithm->second) == "md5";
}

int schemeRank(const std::string& scheme) {
  std::string s = lower(scheme);
  if (s == "ntlm") return 3;
  if (s == "digest") return 2;
  if (s == "basic") return 1;
  return 0;
}

std::string canonicalScheme(const std::string& scheme) {
  switch (schemeRank(scheme)) {
    case 3:
      return "NTLM";
    case 2:
      return "Digest";
    case 1:
      return "Basic";
    default:
      return "";
  }
}

}  // namespace

std::vector<AuthChallenge> parseAuthChallenges(const std::vector<std::string>& headerValues) {
  std::vector<AuthChallenge> out;
  for (const std::string& value : headerValues) {
    for (const std::string& item : splitItems(value)) {
      if (item.empty()) continue;
      std::string name, v;
      // A new challenge starts with a scheme name followed by a space or nothing.
      std::size_t i = 0;
      while (i < item.size() && isTokenChar(item[i])) ++i;
      bool startsChallenge = i > 0 && (i == item.size() || item[i] == ' ' || item[i] == '\t');
      if (startsChallenge) {
        AuthChallenge c;
        c.scheme = item.substr(0, i);
        std::string rest = trim(std::string_view(item).substr(i));
        if (!rest.empty()) {
          if (parseParam(rest, name, v))
            c.params[name] = v;
          else
            c.token = rest;
        }
        out.push_back(std::move(c));
      } else if (!out.empty() && parseParam(item, name, v)) {
        out.back().params[name] = v;
      }
    }
  }
  return out;
}

std::vector<AuthChallenge> HTTPAuthentication::challengesOf(const HTTPMessage& response, bool& proxy) {
  proxy = response.statusCode() == 407;
  const char* header = proxy ? "Proxy-Authenticate" : "WWW-Authenticate";
  std::vector<std::string> values;
  const HeaderList& lines =
      response.headerLines().empty() ? response.allHeaderFields() : response.headerLines();
  for (const auto& [name, value] : lines)
    if (lower(name) == lower(header)) values.push_back(value);
  return parseAuthChallenges(values);
}

std::shared_ptr<HTTPAuthentication> HTTPAuthentication::fromResponse(const HTTPMessage& response) {
  if (response.statusCode() != 401 && response.statusCode() != 407) return nullptr;
  bool proxy = false;
  auto challenges = challengesOf(response, proxy);
  const AuthChallenge* best = nullptr;
  for (const auto& c : challenges) {
    int rank = schemeRank(c.scheme);
    if (rank == 2 && !isAnswerableDigest(c)) continue;
    if (rank > 0 && (!best || rank > schemeRank(best->scheme))) best = &c;
  }
  if (!best) return nullptr;
  auto auth = std::shared_ptr<HTTPAuthentication>(new HTTPAuthentication);
  auth->proxy_ = proxy;
  auth->scheme_ = canonicalScheme(best->scheme);
  auth->takeChallenge(*best);
  return auth;
}

bool HTTPAuthentication::takeChallenge(const AuthChallenge& c) {
  challenge_ = c;
  if (scheme_ == "NTLM" && !c.token.empty()) {
    auto msg = base64Decode(c.token);
    if (!msg || msg->size() < 32 || msg->compare(0, 8, kNTLMSignature) != 0 || getLE32(*msg, 8) != 2)
      return false;
    ntlmChallenge_ = msg->substr(24, 8);
    step_ = 2;
  }
  if (scheme_ == "Digest") nonceCount_ = 0;
  return true;
}

std::string HTTPAuthentication::realm() const {
  auto it = challenge_.params.find("realm");
  return it == challenge_.params.end() ? std::string() : it->second;
}

HTTPAuthentication::Validity HTTPAuthentication::validity(const HTTPMessage& response) {
  std::lock_guard lock(mutex_);
  bool proxy = false;
  auto challenges = challengesOf(response, proxy);
  if (proxy != proxy_) return Validity::Other;
  const AuthChallenge* same = nullptr;
  for (const auto& c : challenges)
    if (canonicalScheme(c.scheme) == scheme_) same = &c;
  if (!same) return Validity::Other;
  if (scheme_ == "NTLM") {
    if (step_ == 1 && !same->token.empty()) return takeChallenge(*same) ? Validity::Valid : Validity::Other;
    if (step_ >= 3) return Validity::BadCredentials;
    if (step_ == 0) return Validity::Valid;
    return Validity::Other;  // negotiate sent, but no server challenge came back
  }
  if (step_ == 0) return Validity::Valid;
  if (scheme_ == "Digest") {
    // A fresh nonce is taken only from a challenge that could have started the exchange: a stale one
    // without a nonce, or with an algorithm other than MD5, is not answered.
    auto stale = same->params.find("stale");
    if (stale != same->params.end() && lower(stale->second) == "true" && isAnswerableDigest(*same)) {
      takeChallenge(*same);
      step_ = 0;
      return Validity::Valid;
    }
  }
  return Validity::BadCredentials;
}

bool HTTPAuthentication::apply(HTTPMessage& request, const AuthCredentials& credentials) {
  std::lock_guard lock(mutex_);
  const char* header = proxy_ ? "Proxy-Authorization" : "Authorization";
  // The exchange moves on only when the answer could be set (a value with a line break cannot).
  auto answer = [&](const std::string& value, int step) {
    if (!request.setHeaderFieldValue(header, value)) return false;
    step_ = step;
    return true;
  };
  if (scheme_ == "Basic") return answer(basicHeader(credentials.username, credentials.password), 1);
  if (scheme_ == "Digest") {
    const auto& p = challenge_.params;
    std::string nonce = p.count("nonce") ? p.at("nonce") : "";
    std::string r = realm();
    const core::URL& url = request.requestURL();
    std::string uri = url.path.empty() ? "/" : url.path;
    if (url.query) uri += "?" + *url.query;
    std::string qop;
    if (p.count("qop")) {
      for (const std::string& q : splitItems(p.at("qop")))
        if (lower(q) == "auth") qop = "auth";
      if (qop.empty()) return false;  // only "auth-int" offered
    }
    char nc[9];
    std::snprintf(nc, sizeof nc, "%08x", ++nonceCount_);
    std::string cnonce = randomHex(8);
    std::string response = digestResponse(credentials.username, r, credentials.password,
                                          request.requestMethod(), uri, nonce, nc, cnonce, qop);
    auto quote = [](const std::string& s) {
      std::string out = "\"";
      for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
      }
      return out + "\"";
    };
    std::string value = "Digest username=" + quote(credentials.username) + ", realm=" + quote(r) +
                        ", nonce=" + quote(nonce) + ", uri=" + quote(uri) + ", response=" + quote(response);
    if (p.count("algorithm")) value += ", algorithm=" + p.at("algorithm");
    if (p.count("opaque")) value += ", opaque=" + quote(p.at("opaque"));
    if (!qop.empty()) value += ", qop=auth, nc=" + std::string(nc) + ", cnonce=" + quote(cnonce);
    return answer(value, 1);
  }
  // NTLM
  if (step_ < 2) return answer("NTLM " + base64Encode(ntlmType1Message()), 1);
  if (credentials.username.empty()) return false;
  std::string nt = ntlmResponse(credentials.password, ntlmChallenge_);
  std::string domain = utf16le(credentials.domain);
  std::string user = utf16le(credentials.username);
  std::string host = utf16le("VARDO");
  std::string msg(64, '\0');
  msg.replace(0, 8, kNTLMSignature);
  putLE32(msg, 8, 3);
  std::size_t offset = 64;
  auto secbuf = [&](std::size_t at, const std::string& data) {
    putLE16(msg, at, static_cast<std::uint32_t>(data.size()));
    putLE16(msg, at + 2, static_cast<std::uint32_t>(data.size()));
    putLE32(msg, at + 4, static_cast<std::uint32_t>(offset));
    offset += data.size();
  };
  secbuf(12, nt);  // LM response: the NT response again
  secbuf(20, nt);
  secbuf(28, domain);
  secbuf(36, user);
  secbuf(44, host);
  secbuf(52, "");
  putLE32(msg, 60, 0x00008201);  // Unicode, NTLM, always sign
  msg += nt + nt + domain + user + host;
  return answer("NTLM " + base64Encode(msg), 3);
}

std::string HTTPAuthentication::basicHeader(std::string_view user, std::string_view password) {
  std::string text(user);
  text += ':';
  text += password;
  return "Basic " + base64Encode(text);
}

std::string HTTPAuthentication::digestResponse(const std::string& user, const std::string& realm,
                                               const std::string& password, const std::string& method,
                                               const std::string& uri, const std::string& nonce,
                                               const std::string& nc, const std::string& cnonce,
                                               const std::string& qop) {
  std::string ha1 = md5hex(user + ":" + realm + ":" + password);
  std::string ha2 = md5hex(method + ":" + uri);
  if (qop.empty()) return md5hex(ha1 + ":" + nonce + ":" + ha2);
  return md5hex(ha1 + ":" + nonce + ":" + nc + ":" + cnonce + ":" + qop + ":" + ha2);
}

std::string HTTPAuthentication::ntlmType1Message() {
  std::string msg(32, '\0');
  msg.replace(0, 8, kNTLMSignature);
  putLE32(msg, 8, 1);
  putLE32(msg, 12, 0x00008207);  // Unicode, OEM, request target, NTLM, always sign
  putLE32(msg, 20, 32);          // empty domain and workstation, offsets past the header
  putLE32(msg, 28, 32);
  return msg;
}

std::string HTTPAuthentication::ntlmResponse(const std::string& password, const std::string& challenge) {
  std::string pw = utf16le(password);
  md4_ctx ctx;
  md4_init(&ctx);
  md4_update(&ctx, pw.size(), reinterpret_cast<const std::uint8_t*>(pw.data()));
  std::uint8_t key[21] = {};
  md4_digest(&ctx, MD4_DIGEST_SIZE, key);
  std::uint8_t data[8] = {};
  std::copy_n(challenge.begin(), std::min<std::size_t>(8, challenge.size()), data);
  std::string out(24, '\0');
  for (int i = 0; i < 3; ++i)
    desEncrypt7(key + 7 * i, data, reinterpret_cast<std::uint8_t*>(out.data()) + 8 * i);
  return out;
}

std::string HTTPAuthentication::base64Encode(std::string_view in) {
  static const char* t = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::size_t i = 0;
  for (; i + 2 < in.size(); i += 3) {
    std::uint32_t v = (static_cast<unsigned char>(in[i]) << 16) |
                      (static_cast<unsigned char>(in[i + 1]) << 8) | static_cast<unsigned char>(in[i + 2]);
    out += t[v >> 18];
    out += t[(v >> 12) & 63];
    out += t[(v >> 6) & 63];
    out += t[v & 63];
  }
  if (i + 1 == in.size()) {
    std::uint32_t v = static_cast<unsigned char>(in[i]) << 16;
    out += t[v >> 18];
    out += t[(v >> 12) & 63];
    out += "==";
  } else if (i + 2 == in.size()) {
    std::uint32_t v =
        (static_cast<unsigned char>(in[i]) << 16) | (static_cast<unsigned char>(in[i + 1]) << 8);
    out += t[v >> 18];
    out += t[(v >> 12) & 63];
    out += t[(v >> 6) & 63];
    out += '=';
  }
  return out;
}

std::optional<std::string> HTTPAuthentication::base64Decode(std::string_view in) {
  std::string out;
  std::uint32_t acc = 0;
  int bits = 0;
  for (char c : in) {
    int v;
    if (c >= 'A' && c <= 'Z')
      v = c - 'A';
    else if (c >= 'a' && c <= 'z')
      v = c - 'a' + 26;
    else if (c >= '0' && c <= '9')
      v = c - '0' + 52;
    else if (c == '+')
      v = 62;
    else if (c == '/')
      v = 63;
    else if (c == '=')
      break;
    else
      return std::nullopt;
    acc = (acc << 6) | static_cast<std::uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((acc >> bits) & 0xff);
    }
  }
  return out;
}

}  // namespace net
