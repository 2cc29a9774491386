#pragma once
// Test helper: starts tools/testserver/apiserver/server.py (the loopback API server that answers every
// server call of the application) as a child process and stops it by its process id. Test
// infrastructure only; never linked into the application.
//
//   testserver::ApiServer server;
//   ASSERT_TRUE(server.start()) << server.failure();
//   config.mainBase = server.mainBase();            // "http://127.0.0.1:<port>/api/"
//   ... drive the app ...
//   auto journal = server.journal();                // every request received, as JSON text
//
// The server binds 127.0.0.1 only, exits when this process is gone, and after an idle time-out. Its
// hooks (reset, journal, fault, scenario) are described in tools/testserver/apiserver/README.md.

#include <sys/types.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testserver {

struct ApiServerOptions {
  std::string sampleDir;  // the generated sample bank; empty: the build's sample folder
  double idleTimeoutSeconds = 300;
  bool fixedCodes = false;  // image code "8888", SMS code "666666"
  bool verbose = false;     // the server's request log on stderr
};

class ApiServer {
 public:
  struct Response {
    int status = 0;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    std::string header(const std::string& name) const;  // first match, any case; "" when absent
  };

  ApiServer() = default;
  ~ApiServer();  // stop()
  ApiServer(const ApiServer&) = delete;
  ApiServer& operator=(const ApiServer&) = delete;

  // Starts the server and waits (at most 20 s) for its port. False with failure() on any problem.
  bool start(const ApiServerOptions& options = {});
  // SIGTERM to the child, then waits for it. Safe to call twice.
  void stop();

  int port() const { return port_; }
  pid_t pid() const { return pid_; }
  const std::string& failure() const { return failure_; }

  std::string origin() const;          // "http://127.0.0.1:<port>": resource root and server root
  std::string mainBase() const;        // origin + "/api/"
  std::string updateBase() const;      // origin + "/uc/api/"
  std::string codeBase() const;        // origin + "/vc/"
  std::string mobileBase() const;      // origin + "/m/"
  std::string statisticsHost() const;  // "127.0.0.1:<port>"

  // One blocking request on a fresh connection ("Connection: close"); nullopt when the transport fails.
  std::optional<Response> request(const std::string& method, const std::string& path,
                                  const std::string& body = "",
                                  const std::vector<std::pair<std::string, std::string>>& headers = {}) const;

  // Test hooks. The JSON arguments and results are texts; parse them with the project's JSON library.
  bool reset() const;                                        // fresh state, journal, faults, scenario
  std::optional<std::string> journal(long since = 0) const;  // {"requests":[...],"last":n}
  bool clearJournal() const;
  bool fault(const std::string& json) const;     // {"path":"/api/...","status":..,"body":..,...}
  bool scenario(const std::string& json) const;  // {"update":"type8","status":0,...}
  std::optional<std::string> codes() const;      // {"image":{guid:code},"sms":{phone:code}}

  static std::string scriptPath();
  static std::string defaultSampleDir();

 private:
  bool hookOk(const std::string& method, const std::string& name, const std::string& body) const;
  pid_t pid_ = -1;
  int port_ = 0;
  std::string failure_;
};

}  // namespace testserver
