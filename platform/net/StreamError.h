#pragma once
// net::StreamError: why an HTTP read stream (or the transport under it) stopped.
//
// The HTTP client above this layer was written against the phone platform's stream errors and decides
// what to do from the domain and the code alone, so the values below keep that platform's numbering:
//
//   kPOSIXErrorDomain     socket errors, numbered as on BSD: EPIPE 32 (the peer closed while we were still
//                         writing), ENOTCONN 57. A Linux errno with no BSD counterpart keeps its own
//                         number.
//   kNetworkErrorDomain   connection and protocol failures, numbered as the platform's URL errors:
//                         -1005 the connection was lost (the peer reset or closed it before the response
//                         was complete, including a kept-alive connection that was dropped before the first
//                         byte of its next response), -1003 the host name could not be resolved, -1004 no
//                         connection could be made, -1017 the response could not be parsed, -1011 a bad
//                         server answer (a refused proxy tunnel, an unexpected 101), -1002 unsupported URL,
//                         -1000 bad URL, -1021 the request body source failed or did not match its length,
//                         -1103 a response body larger than the client keeps (raised by the client).
//   kOSStatusErrorDomain  TLS failures, in the range -9800 ... -9818 (see sslErrorText()).
//
// Dropped connections (isDroppedConnection()): POSIX 57, POSIX 32 and network -1005. A client may retry
// those once on a fresh connection.

#include <cstdint>
#include <string>

#include "platform/core/Error.h"

namespace net {

inline constexpr const char* kPOSIXErrorDomain = "NSPOSIXErrorDomain";
inline constexpr const char* kNetworkErrorDomain = "kCFErrorDomainCFNetwork";
inline constexpr const char* kOSStatusErrorDomain = "NSOSStatusErrorDomain";

// Codes of kPOSIXErrorDomain (BSD numbering).
inline constexpr std::int64_t kPOSIXBrokenPipe = 32;       // EPIPE
inline constexpr std::int64_t kPOSIXNotConnected = 57;     // ENOTCONN
inline constexpr std::int64_t kPOSIXConnectionReset = 54;  // ECONNRESET (reported as -1005, see above)

// Codes of kNetworkErrorDomain.
inline constexpr std::int64_t kNetworkBadURL = -1000;
inline constexpr std::int64_t kNetworkUnsupportedURL = -1002;
inline constexpr std::int64_t kNetworkCannotFindHost = -1003;
inline constexpr std::int64_t kNetworkCannotConnectToHost = -1004;
inline constexpr std::int64_t kNetworkConnectionLost = -1005;
inline constexpr std::int64_t kNetworkNotConnectedToInternet = -1009;
inline constexpr std::int64_t kNetworkBadServerResponse = -1011;
inline constexpr std::int64_t kNetworkCannotParseResponse = -1017;
inline constexpr std::int64_t kNetworkRequestBodyStreamExhausted = -1021;
inline constexpr std::int64_t kNetworkDataLengthExceedsMaximum =
    -1103;  // a body larger than the client keeps

// Codes of kOSStatusErrorDomain (TLS).
inline constexpr std::int64_t kSSLProtocol = -9800;           // protocol error (bad record, bad handshake)
inline constexpr std::int64_t kSSLNegotiation = -9801;        // no common protocol version or cipher
inline constexpr std::int64_t kSSLFatalAlert = -9802;         // the peer sent a fatal alert
inline constexpr std::int64_t kSSLClosedAbort = -9806;        // the connection closed during the handshake
inline constexpr std::int64_t kSSLXCertChainInvalid = -9807;  // invalid chain, or the name does not match
inline constexpr std::int64_t kSSLBadCert = -9808;            // a certificate that cannot be read
inline constexpr std::int64_t kSSLCrypto = -9809;
inline constexpr std::int64_t kSSLInternal = -9810;
inline constexpr std::int64_t kSSLUnknownRootCert = -9812;  // a valid chain to a root nobody trusts
inline constexpr std::int64_t kSSLNoRootCert = -9813;       // the chain does not lead to a root (self-signed)
inline constexpr std::int64_t kSSLCertExpired = -9814;
inline constexpr std::int64_t kSSLCertNotYetValid = -9815;
inline constexpr std::int64_t kSSLClosedNoNotify = -9816;
inline constexpr std::int64_t kSSLFirst = -9818;  // the TLS range is kSSLFirst ... kSSLProtocol
inline constexpr std::int64_t kSSLLast = -9800;

struct StreamError {
  std::string domain;
  std::int64_t code = 0;
  std::string description;  // English, for logs and as the underlying error's text

  bool isDroppedConnection() const;  // POSIX 57 / 32, network -1005
  bool isSSLError() const;           // OSStatus domain, -9818 ... -9800
  core::Error toError() const { return core::Error(domain, code, description); }

  friend bool operator==(const StreamError& a, const StreamError& b) {
    return a.domain == b.domain && a.code == b.code;
  }

  static StreamError posix(std::int64_t bsdCode, std::string description);
  static StreamError network(std::int64_t code, std::string description);
  static StreamError ssl(std::int64_t code, std::string detail = {});  // description = sslErrorText(code)
  // Maps a Linux errno from a socket call (connect/send/recv) to the values above.
  static StreamError fromErrno(int err);
};

// The text of a TLS code of the range -9818 ... -9800 ("invalid certificate chain"); "" outside it.
std::string sslErrorText(std::int64_t code);

}  // namespace net
