#pragma once
// net::HTTPAuthentication: answers an HTTP authentication challenge (a server's 401 "WWW-Authenticate" or a
// proxy's 407 "Proxy-Authenticate") with the Basic, Digest (MD5, qop "auth") or NTLM (version 1, NT
// response) scheme. One object follows one exchange: it is made from the first challenge, applied to each
// request sent with credentials, and asked about each later challenge (validity()) so that the caller can
// tell an NTLM step or a stale Digest nonce from credentials the server refused.
//
//   auto auth = net::HTTPAuthentication::fromResponse(*response);      // null: no usable challenge
//   auth->apply(*request, {"user", "secret", ""});                      // sets (Proxy-)Authorization
//   ... next 401/407 ...
//   auth->validity(*nextResponse);                                     // Valid / BadCredentials / ...
//
// Where several schemes are offered the strongest known one is taken (NTLM, then Digest, then Basic).

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/net/HTTPMessage.h"

namespace net {

struct AuthCredentials {
  std::string username;
  std::string password;
  std::string domain;  // NTLM account domain; "" for none
};

// One challenge of a challenge header: "Digest realm="x", nonce="y"" or "NTLM <token>".
struct AuthChallenge {
  std::string scheme;                         // as written ("Basic", "digest", ...)
  std::map<std::string, std::string> params;  // names in lower case, values unquoted
  std::string token;                          // a bare token (NTLM's Base64 message)
};

// Every challenge of the header values (each value may hold several, comma-separated).
std::vector<AuthChallenge> parseAuthChallenges(const std::vector<std::string>& headerValues);

class HTTPAuthentication {
 public:
  enum class Validity { Valid, BadCredentials, Other };

  // From a 401 or 407 response; null when it carries no challenge of a known scheme.
  static std::shared_ptr<HTTPAuthentication> fromResponse(const HTTPMessage& response);

  const std::string& scheme() const { return scheme_; }  // "Basic", "Digest" or "NTLM"
  std::string realm() const;                             // "" when the challenge names none
  bool requiresAccountDomain() const { return scheme_ == "NTLM"; }
  bool requiresUsernameAndPassword() const { return true; }
  bool isProxy() const { return proxy_; }

  // Judges a later challenge of the same exchange and takes what it carries (NTLM's server challenge, a
  // fresh Digest nonce). BadCredentials: the server asked again after the credentials were sent.
  Validity validity(const HTTPMessage& response);

  // Sets "Authorization" (or "Proxy-Authorization") on the request. False when the credentials cannot be
  // used (no user name, an NTLM step without the server's challenge).
  bool apply(HTTPMessage& request, const AuthCredentials& credentials);

  // Exposed for tests of the schemes.
  static std::string basicHeader(std::string_view user, std::string_view password);
  static std::string digestResponse(const std::string& user, const std::string& realm,
                                    const std::string& password, const std::string& method,
                                    const std::string& uri, const std::string& nonce, const std::string& nc,
                                    const std::string& cnonce, const std::string& qop);
  static std::string ntlmType1Message();
  // The NT response (24 bytes) of NTLM version 1 for a password and the server's 8-byte challenge.
  static std::string ntlmResponse(const std::string& password, const std::string& challenge);
  static std::string base64Encode(std::string_view bytes);
  static std::optional<std::string> base64Decode(std::string_view text);

 private:
  static std::vector<AuthChallenge> challengesOf(const HTTPMessage& response, bool& proxy);
  bool takeChallenge(const AuthChallenge& c);

  bool proxy_ = false;
  std::string scheme_;
  AuthChallenge challenge_;
  // Basic/Digest: credentials went out with this challenge. NTLM: 0 nothing sent, 1 negotiate sent,
  // 2 server challenge received, 3 authenticate sent.
  int step_ = 0;
  std::string ntlmChallenge_;
  unsigned nonceCount_ = 0;
  std::mutex mutex_;  // one object may serve several requests (session store)
};

}  // namespace net
