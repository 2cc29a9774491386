#include "platform/net/StreamError.h"

#include <cerrno>
#include <cstring>

namespace net {

bool StreamError::isDroppedConnection() const {
  if (domain == kPOSIXErrorDomain) return code == kPOSIXNotConnected || code == kPOSIXBrokenPipe;
  if (domain == kNetworkErrorDomain) return code == kNetworkConnectionLost;
  return false;
}

bool StreamError::isSSLError() const {
  return domain == kOSStatusErrorDomain && code >= kSSLFirst && code <= kSSLLast;
}

StreamError StreamError::posix(std::int64_t bsdCode, std::string description) {
  return StreamError{kPOSIXErrorDomain, bsdCode, std::move(description)};
}

StreamError StreamError::network(std::int64_t code, std::string description) {
  return StreamError{kNetworkErrorDomain, code, std::move(description)};
}

StreamError StreamError::ssl(std::int64_t code, std::string detail) {
  std::string text = sslErrorText(code);
  if (!detail.empty()) text += " (" + detail + ")";
  return StreamError{kOSStatusErrorDomain, code, std::move(text)};
}

StreamError StreamError::fromErrno(int err) {
  std::string text = std::strerror(err);
  switch (err) {
    case EPIPE:
      return posix(kPOSIXBrokenPipe, text);
    case ENOTCONN:
      return posix(kPOSIXNotConnected, text);
    case ECONNRESET:
    case ECONNABORTED:
      return network(kNetworkConnectionLost, "The network connection was lost. (" + text + ")");
    case ECONNREFUSED:
    case EHOSTUNREACH:
    case EHOSTDOWN:
    case ETIMEDOUT:
      return network(kNetworkCannotConnectToHost, "Could not connect to the server. (" + text + ")");
    case ENETUNREACH:
    case ENETDOWN:
      return network(kNetworkNotConnectedToInternet,
                     "The Internet connection appears to be offline. (" + text + ")");
    // The remaining errors keep their BSD numbers where those differ from Linux.
    case EADDRINUSE:
      return posix(48, text);
    case EADDRNOTAVAIL:
      return posix(49, text);
    case EAFNOSUPPORT:
      return posix(47, text);
    case EINPROGRESS:
      return posix(36, text);
    case EALREADY:
      return posix(37, text);
    default:
      return posix(err, text);
  }
}

std::string sslErrorText(std::int64_t code) {
  switch (code) {
    case -9800:
      return "SSL protocol error";
    case -9801:
      return "Cipher suite negotiation failure";
    case -9802:
      return "Fatal alert";
    case -9803:
      return "I/O would block (not fatal)";
    case -9804:
      return "Attempt to restore an unknown session";
    case -9805:
      return "Connection closed gracefully";
    case -9806:
      return "Connection closed via error";
    case -9807:
      return "Invalid certificate chain";
    case -9808:
      return "Bad certificate format";
    case -9809:
      return "Underlying cryptographic error";
    case -9810:
      return "Internal error";
    case -9811:
      return "Module attach failure";
    case -9812:
      return "Valid certificate chain, untrusted root";
    case -9813:
      return "Certificate chain not verified by root";
    case -9814:
      return "Certificate chain had an expired certificate";
    case -9815:
      return "Certificate chain had a certificate not yet valid";
    case -9816:
      return "Server closed session with no notification";
    case -9817:
      return "Insufficient buffer provided";
    case -9818:
      return "Bad SSL cipher suite";
    default:
      return "";
  }
}

}  // namespace net
