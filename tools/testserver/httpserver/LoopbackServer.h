#pragma once
// Test helper: starts tools/testserver/httpserver/httpserver.py (the loopback HTTP server) as a child
// process and stops it by its process id. Test infrastructure only; never linked into the application.
//
//   testserver::LoopbackServer server;            // plain HTTP
//   ASSERT_TRUE(server.start()) << server.failure();
//   auto url = server.url("/bytes?n=10");         // "http://127.0.0.1:<port>/bytes?n=10"
//   int n = server.connectionCount();             // TCP connections the server has accepted
//
// HTTPS: make a certificate with makeSelfSignedCertificate() into a temporary directory and pass it in
// Options. The server binds 127.0.0.1 only, exits when this process is gone, and after an idle time-out.

#include <sys/types.h>
#include <optional>
#include <string>
#include <vector>

namespace testserver {

struct Options {
  std::string tlsCertFile;  // with tlsKeyFile: serve HTTPS
  std::string tlsKeyFile;
  bool ignoreRange = false;
  double idleTimeoutSeconds = 120;
  bool verbose = false;  // the server's request log on stderr
};

class LoopbackServer {
 public:
  LoopbackServer() = default;
  ~LoopbackServer();  // stop()
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  // Starts the server and waits (at most 20 s) for its port. False with failure() on any problem.
  bool start(const Options& options = {});
  // SIGTERM to the child, then waits for it. Safe to call twice.
  void stop();

  int port() const { return port_; }
  pid_t pid() const { return pid_; }
  bool isTLS() const { return tls_; }
  // "http://127.0.0.1:<port>" + path (https for a TLS server).
  std::string url(const std::string& path) const;
  const std::string& failure() const { return failure_; }

  // The server's counters, read over a connection of its own (plain HTTP servers only; -1 on failure).
  int connectionCount() const;
  int requestCount() const;
  // A blocking GET on a fresh connection ("Connection: close"); the whole response, head and body.
  std::optional<std::string> rawGet(const std::string& path) const;

  static std::string scriptPath();

 private:
  int stat(const char* name) const;
  pid_t pid_ = -1;
  int port_ = 0;
  bool tls_ = false;
  std::string failure_;
};

// Writes a new self-signed certificate (EC P-256, SHA-256) and its key as PEM files. `names` become the
// subject alternative names (IP addresses as IP entries); the first is also the common name. The
// validity runs from now + notBeforeOffset to now + notAfterOffset seconds (negative values make an
// expired certificate). False on failure.
bool makeSelfSignedCertificate(const std::string& certFile, const std::string& keyFile,
                               const std::vector<std::string>& names = {"localhost", "127.0.0.1"},
                               long notBeforeOffset = -3600, long notAfterOffset = 86400);

}  // namespace testserver
