#include "tools/testserver/httpserver/LoopbackServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "tools/testserver/common/ChildServer.h"

namespace testserver {

std::string LoopbackServer::scriptPath() { return VD_HTTPSERVER_SCRIPT; }

LoopbackServer::~LoopbackServer() { stop(); }

bool LoopbackServer::start(const Options& options) {
  stop();
  failure_.clear();
  std::vector<std::string> args = {VD_HTTPSERVER_PYTHON,
                                   "-B",
                                   scriptPath(),
                                   "--idle-timeout",
                                   numberArgument(options.idleTimeoutSeconds),
                                   "--parent-pid",
                                   std::to_string(::getpid())};
  if (!options.tlsCertFile.empty()) {
    args.insert(args.end(), {"--tls-cert", options.tlsCertFile, "--tls-key", options.tlsKeyFile});
  }
  if (options.ignoreRange) args.push_back("--ignore-range");
  if (options.verbose) args.push_back("--verbose");
  std::string line;
  pid_ = spawnChildServer(std::move(args), line, failure_);
  if (pid_ <= 0) return false;
  tls_ = !options.tlsCertFile.empty();

  // Wait for "PORT <n>\n".
  if (line.rfind("PORT ", 0) != 0) {
    failure_ = "the server did not report its port (output: \"" + line + "\")";
    stop();
    return false;
  }
  port_ = reportedPort(line);
  if (port_ <= 0) {
    failure_ = "bad port line: " + line;
    stop();
    return false;
  }
  return true;
}

void LoopbackServer::stop() {
  if (pid_ <= 0) return;
  stopChildServer(pid_);
  port_ = 0;
}

std::string LoopbackServer::url(const std::string& path) const {
  return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) + path;
}

std::optional<std::string> LoopbackServer::rawGet(const std::string& path) const {
  if (port_ <= 0 || tls_) return std::nullopt;
  const int fd = connectLoopback(port_, 20);
  if (fd < 0) return std::nullopt;
  std::string req = "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
  if (::send(fd, req.data(), req.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(req.size())) {
    ::close(fd);
    return std::nullopt;
  }
  std::string out;
  char buf[4096];
  ssize_t n;
  while ((n = ::recv(fd, buf, sizeof buf, 0)) > 0) out.append(buf, static_cast<std::size_t>(n));
  ::close(fd);
  return out;
}

int LoopbackServer::stat(const char* name) const {
  auto r = rawGet("/stats");
  if (!r) return -1;
  std::string key = std::string("\"") + name + "\": ";
  auto p = r->find(key);
  if (p == std::string::npos) return -1;
  return std::atoi(r->c_str() + p + key.size());
}

int LoopbackServer::connectionCount() const { return stat("connections"); }
int LoopbackServer::requestCount() const { return stat("requests"); }

bool makeSelfSignedCertificate(const std::string& certFile, const std::string& keyFile,
                               const std::vector<std::string>& names, long notBeforeOffset,
                               long notAfterOffset) {
  if (names.empty()) return false;
  std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(EVP_EC_gen("P-256"), EVP_PKEY_free);
  if (!key) return false;
  std::unique_ptr<X509, decltype(&X509_free)> cert(X509_new(), X509_free);
  if (!cert) return false;
  X509_set_version(cert.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()),
                   static_cast<long>(::getpid()) * 1000 + (std::rand() % 1000));
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), notBeforeOffset);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), notAfterOffset);
  X509_set_pubkey(cert.get(), key.get());
  X509_NAME* subject = X509_get_subject_name(cert.get());
  X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>(names[0].c_str()), -1, -1, 0);
  X509_set_issuer_name(cert.get(), subject);
  std::string san;
  for (const auto& n : names) {
    in_addr a4;
    in6_addr a6;
    bool ip = ::inet_pton(AF_INET, n.c_str(), &a4) == 1 || ::inet_pton(AF_INET6, n.c_str(), &a6) == 1;
    if (!san.empty()) san += ",";
    san += (ip ? "IP:" : "DNS:") + n;
  }
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, cert.get(), cert.get(), nullptr, nullptr, 0);
  for (auto [nid, value] : {std::pair<int, std::string>{NID_subject_alt_name, san},
                            {NID_basic_constraints, "critical,CA:TRUE"},
                            {NID_key_usage, "critical,digitalSignature,keyCertSign"}}) {
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str());
    if (!ext) return false;
    X509_add_ext(cert.get(), ext, -1);
    X509_EXTENSION_free(ext);
  }
  if (X509_sign(cert.get(), key.get(), EVP_sha256()) == 0) return false;
  FILE* kf = std::fopen(keyFile.c_str(), "w");
  if (!kf) return false;
  bool ok = PEM_write_PrivateKey(kf, key.get(), nullptr, nullptr, 0, nullptr, nullptr) == 1;
  ok = std::fclose(kf) == 0 && ok;
  FILE* cf = std::fopen(certFile.c_str(), "w");
  if (!cf) return false;
  ok = PEM_write_X509(cf, cert.get()) == 1 && ok;
  ok = std::fclose(cf) == 0 && ok;
  return ok;
}

}  // namespace testserver
