#include "platform/net/Transport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <mutex>

namespace net {

namespace {

// One client context per set of extra trust anchors; contexts are thread-safe once set up.
SSL_CTX* contextFor(const std::string& extraTrustFile, std::string& failure) {
  static std::mutex mutex;
  // Kept for the life of the process (never destroyed, so still reachable at exit).
  static auto& contexts = *new std::map<std::string, SSL_CTX*>;
  std::lock_guard lock(mutex);
  auto it = contexts.find(extraTrustFile);
  if (it != contexts.end()) return it->second;
  SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
  if (!ctx) {
    failure = "cannot make a TLS context";
    return nullptr;
  }
  SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
  SSL_CTX_set_default_verify_paths(ctx);
  if (!extraTrustFile.empty() && SSL_CTX_load_verify_locations(ctx, extraTrustFile.c_str(), nullptr) != 1) {
    ERR_clear_error();
    SSL_CTX_free(ctx);
    failure = "cannot read trusted certificates from " + extraTrustFile;
    return nullptr;
  }
  contexts[extraTrustFile] = ctx;
  return ctx;
}

int settingsIndex() {
  static int idx = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
  return idx;
}

bool isRootProblem(int err) {
  switch (err) {
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_CERT_UNTRUSTED:
      return true;
    default:
      return false;
  }
}

int verifyCallback(int ok, X509_STORE_CTX* store) {
  if (ok) return 1;
  auto* ssl = static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
  auto* settings = ssl ? static_cast<const SSLSettings*>(SSL_get_ex_data(ssl, settingsIndex())) : nullptr;
  if (!settings) return 0;
  int err = X509_STORE_CTX_get_error(store);
  if (settings->allowsExpiredCertificates &&
      (err == X509_V_ERR_CERT_HAS_EXPIRED || err == X509_V_ERR_CERT_NOT_YET_VALID)) {
    return 1;
  }
  if (settings->allowsAnyRoot && isRootProblem(err)) return 1;
  return 0;
}

StreamError verifyError(long result) {
  std::string detail = X509_verify_cert_error_string(result);
  switch (result) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
      return StreamError::ssl(kSSLCertExpired, detail);
    case X509_V_ERR_CERT_NOT_YET_VALID:
      return StreamError::ssl(kSSLCertNotYetValid, detail);
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
      return StreamError::ssl(kSSLNoRootCert, detail);
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_CERT_UNTRUSTED:
      return StreamError::ssl(kSSLUnknownRootCert, detail);
    default:
      return StreamError::ssl(kSSLXCertChainInvalid, detail);
  }
}

StreamError protocolError() {
  unsigned long e = ERR_peek_last_error();
  std::string detail;
  if (e) {
    char buf[256];
    ERR_error_string_n(e, buf, sizeof buf);
    detail = buf;
  }
  int reason = e ? ERR_GET_REASON(e) : 0;
  ERR_clear_error();
  if (reason >= SSL_AD_REASON_OFFSET) return StreamError::ssl(kSSLFatalAlert, detail);
  switch (reason) {
    case SSL_R_NO_SHARED_CIPHER:
    case SSL_R_UNSUPPORTED_PROTOCOL:
    case SSL_R_NO_PROTOCOLS_AVAILABLE:
    case SSL_R_VERSION_TOO_LOW:
    case SSL_R_VERSION_TOO_HIGH:
      return StreamError::ssl(kSSLNegotiation, detail);
    default:
      return StreamError::ssl(kSSLProtocol, detail);
  }
}

bool isIPLiteral(const std::string& host) {
  in6_addr a6;
  in_addr a4;
  return ::inet_pton(AF_INET, host.c_str(), &a4) == 1 || ::inet_pton(AF_INET6, host.c_str(), &a6) == 1;
}

}  // namespace

void Transport::initializeLibrary() { OPENSSL_init_ssl(0, nullptr); }

struct Transport::TLS {
  SSL* ssl = nullptr;
  BIO* rbio = nullptr;  // ciphertext from the socket (owned by ssl)
  BIO* wbio = nullptr;  // ciphertext for the socket (owned by ssl)
  std::string out;      // ciphertext taken from wbio, not yet sent
  SSLSettings settings;
  bool handshakeDone = false;
  bool peerClosed = false;

  ~TLS() {
    if (ssl) SSL_free(ssl);
  }
};

Transport::Transport() = default;

Transport::~Transport() { close(); }

void Transport::close() {
  tls_.reset();
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  connecting_ = false;
}

bool Transport::isTLS() const { return tls_ != nullptr; }

Transport::Result Transport::failWith(StreamError e) {
  if (!error_) error_ = std::move(e);
  return Result::Failed;
}

Transport::Result Transport::startConnect(const ResolvedAddress& addr) {
  close();
  error_.reset();
  fd_ = ::socket(addr.family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd_ < 0) return failWith(StreamError::fromErrno(errno));
  int one = 1;
  ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  int rc;
  do {
    rc = ::connect(fd_, reinterpret_cast<const sockaddr*>(&addr.addr), addr.length);
  } while (rc < 0 && errno == EINTR);
  if (rc == 0) return Result::Done;
  if (errno == EINPROGRESS) {
    connecting_ = true;
    return Result::WouldBlock;
  }
  int err = errno;
  close();
  return failWith(StreamError::fromErrno(err));
}

Transport::Result Transport::finishConnect() {
  if (!connecting_) return fd_ >= 0 ? Result::Done : Result::Failed;
  int err = 0;
  socklen_t len = sizeof err;
  if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &err, &len) < 0) err = errno;
  if (err == EINPROGRESS || err == EALREADY) return Result::WouldBlock;
  connecting_ = false;
  if (err != 0) {
    close();
    return failWith(StreamError::fromErrno(err));
  }
  return Result::Done;
}

bool Transport::startTLS(const SSLSettings& settings, const std::string& hostName) {
  std::string failure;
  SSL_CTX* ctx = contextFor(settings.additionalTrustedCertificatesFile, failure);
  if (!ctx) {
    failWith(StreamError::ssl(kSSLInternal, failure));
    return false;
  }
  auto tls = std::make_unique<TLS>();
  tls->settings = settings;
  tls->ssl = SSL_new(ctx);
  tls->rbio = BIO_new(BIO_s_mem());
  tls->wbio = BIO_new(BIO_s_mem());
  if (!tls->ssl || !tls->rbio || !tls->wbio) {
    if (tls->rbio) BIO_free(tls->rbio);
    if (tls->wbio) BIO_free(tls->wbio);
    failWith(StreamError::ssl(kSSLInternal, "cannot make a TLS session"));
    return false;
  }
  BIO_set_mem_eof_return(tls->rbio, -1);
  BIO_set_mem_eof_return(tls->wbio, -1);
  SSL_set_bio(tls->ssl, tls->rbio, tls->wbio);
  SSL_set_connect_state(tls->ssl);
  SSL_set_ex_data(tls->ssl, settingsIndex(), &tls->settings);
  if (!hostName.empty() && !isIPLiteral(hostName)) SSL_set_tlsext_host_name(tls->ssl, hostName.c_str());
  if (settings.validatesCertificateChain) {
    std::string name = settings.peerName ? *settings.peerName : hostName;
    if (!name.empty()) {
      X509_VERIFY_PARAM* param = SSL_get0_param(tls->ssl);
      if (isIPLiteral(name)) {
        X509_VERIFY_PARAM_set1_ip_asc(param, name.c_str());
      } else {
        X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        X509_VERIFY_PARAM_set1_host(param, name.c_str(), name.size());
      }
    }
    SSL_set_verify(tls->ssl, SSL_VERIFY_PEER, verifyCallback);
  } else {
    SSL_set_verify(tls->ssl, SSL_VERIFY_NONE, nullptr);
  }
  tls_ = std::move(tls);
  return true;
}

// Moves ciphertext from the TLS engine to the socket.
Transport::Result Transport::pumpTLSOut() {
  char buf[16384];
  int n;
  while ((n = BIO_read(tls_->wbio, buf, sizeof buf)) > 0) tls_->out.append(buf, static_cast<std::size_t>(n));
  while (!tls_->out.empty()) {
    ssize_t w = ::send(fd_, tls_->out.data(), tls_->out.size(), MSG_NOSIGNAL);
    if (w < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return Result::WouldBlock;
      return failWith(StreamError::fromErrno(errno));
    }
    tls_->out.erase(0, static_cast<std::size_t>(w));
  }
  return Result::Done;
}

// Moves ciphertext from the socket into the TLS engine. gotAny: some bytes came.
Transport::Result Transport::pumpTLSIn(bool& gotAny) {
  gotAny = false;
  char buf[16384];
  while (true) {
    ssize_t r = ::recv(fd_, buf, sizeof buf, 0);
    if (r > 0) {
      BIO_write(tls_->rbio, buf, static_cast<int>(r));
      gotAny = true;
      if (static_cast<std::size_t>(r) < sizeof buf) return Result::Done;
      continue;
    }
    if (r == 0) {
      tls_->peerClosed = true;
      return Result::Closed;
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return gotAny ? Result::Done : Result::WouldBlock;
    return failWith(StreamError::fromErrno(errno));
  }
}

Transport::Result Transport::handshake() {
  if (!tls_) return Result::Done;
  if (tls_->handshakeDone) return flush();
  while (true) {
    ERR_clear_error();
    int r = SSL_do_handshake(tls_->ssl);
    if (r == 1) {
      tls_->handshakeDone = true;
      Result out = pumpTLSOut();
      return out == Result::Failed ? out : Result::Done;
    }
    int e = SSL_get_error(tls_->ssl, r);
    if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE) {
      Result out = pumpTLSOut();
      if (out == Result::Failed) return out;
      bool got = false;
      Result in = pumpTLSIn(got);
      if (in == Result::Failed) return in;
      if (got) continue;
      if (in == Result::Closed) {
        return failWith(
            StreamError::ssl(kSSLClosedAbort, "the server closed the connection during the handshake"));
      }
      return Result::WouldBlock;
    }
    if (e == SSL_ERROR_SSL) {
      long verify = SSL_get_verify_result(tls_->ssl);
      if (verify != X509_V_OK) {
        ERR_clear_error();
        pumpTLSOut();  // the alert, when the socket takes it
        return failWith(verifyError(verify));
      }
      return failWith(protocolError());
    }
    if (e == SSL_ERROR_SYSCALL)
      return failWith(StreamError::ssl(kSSLClosedAbort, "I/O error during the handshake"));
    return failWith(StreamError::ssl(kSSLInternal, "handshake failed"));
  }
}

Transport::Result Transport::flush() {
  if (fd_ < 0) return Result::Failed;
  if (!tls_) return Result::Done;
  return pumpTLSOut();
}

Transport::Result Transport::write(std::string_view data, std::size_t& written) {
  written = 0;
  if (fd_ < 0)
    return error_ ? Result::Failed : failWith(StreamError::posix(kPOSIXNotConnected, "not connected"));
  if (!tls_) {
    while (written < data.size()) {
      ssize_t w = ::send(fd_, data.data() + written, data.size() - written, MSG_NOSIGNAL);
      if (w < 0) {
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return Result::WouldBlock;
        return failWith(StreamError::fromErrno(errno));
      }
      written += static_cast<std::size_t>(w);
    }
    return Result::Done;
  }
  while (written < data.size()) {
    Result out = pumpTLSOut();
    if (out != Result::Done) return out;
    std::size_t chunk = std::min<std::size_t>(data.size() - written, 16384);
    ERR_clear_error();
    int w = SSL_write(tls_->ssl, data.data() + written, static_cast<int>(chunk));
    if (w <= 0) {
      int e = SSL_get_error(tls_->ssl, w);
      if (e == SSL_ERROR_WANT_WRITE || e == SSL_ERROR_WANT_READ) return Result::WouldBlock;
      return failWith(protocolError());
    }
    written += static_cast<std::size_t>(w);
  }
  Result out = pumpTLSOut();
  return out == Result::Failed ? out : Result::Done;
}

Transport::Result Transport::read(std::uint8_t* buf, std::size_t max, std::size_t& got) {
  got = 0;
  if (fd_ < 0)
    return error_ ? Result::Failed : failWith(StreamError::posix(kPOSIXNotConnected, "not connected"));
  if (max == 0) return Result::WouldBlock;
  if (!tls_) {
    while (true) {
      ssize_t r = ::recv(fd_, buf, max, 0);
      if (r > 0) {
        got = static_cast<std::size_t>(r);
        return Result::Done;
      }
      if (r == 0) return Result::Closed;
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return Result::WouldBlock;
      return failWith(StreamError::fromErrno(errno));
    }
  }
  while (true) {
    ERR_clear_error();
    int r = SSL_read(tls_->ssl, buf, static_cast<int>(std::min<std::size_t>(max, 1 << 30)));
    if (r > 0) {
      got = static_cast<std::size_t>(r);
      if (pumpTLSOut() == Result::Failed) return Result::Failed;
      return Result::Done;
    }
    int e = SSL_get_error(tls_->ssl, r);
    if (e == SSL_ERROR_ZERO_RETURN) return Result::Closed;
    if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE) {
      if (pumpTLSOut() == Result::Failed) return Result::Failed;
      if (tls_->peerClosed) return Result::Closed;
      bool any = false;
      Result in = pumpTLSIn(any);
      if (in == Result::Failed) return in;
      if (any) continue;
      if (in == Result::Closed) return Result::Closed;
      return Result::WouldBlock;
    }
    if (e == SSL_ERROR_SSL) return failWith(protocolError());
    return failWith(StreamError::ssl(kSSLClosedNoNotify, "TLS read failed"));
  }
}

short Transport::pollEvents() const {
  if (fd_ < 0) return 0;
  short ev = POLLIN;
  if (connecting_ || (tls_ && !tls_->out.empty())) ev |= POLLOUT;
  return ev;
}

bool Transport::isIdleAlive() {
  if (fd_ < 0 || error_) return false;
  if (tls_ && !tls_->out.empty()) return false;
  char c;
  ssize_t r = ::recv(fd_, &c, 1, MSG_PEEK | MSG_DONTWAIT);
  if (r == 0) return false;
  if (r < 0) return errno == EAGAIN || errno == EWOULDBLOCK;
  if (!tls_) return false;  // bytes nobody asked for
  // Over TLS the bytes may be protocol records (a late session ticket): let the engine take them and see
  // whether any application data comes out.
  std::uint8_t b;
  std::size_t got = 0;
  Result res = read(&b, 1, got);
  return res == Result::WouldBlock && got == 0;
}

}  // namespace net
