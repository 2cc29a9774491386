#include "tools/testserver/apiserver/ApiServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <strings.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/testserver/common/ChildServer.h"

namespace testserver {

namespace {

bool sendAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

std::string ApiServer::scriptPath() { return VD_APISERVER_SCRIPT; }
std::string ApiServer::defaultSampleDir() { return VD_APISERVER_SAMPLE_DIR; }

std::string ApiServer::Response::header(const std::string& name) const {
  for (const auto& [k, v] : headers) {
    if (::strcasecmp(k.c_str(), name.c_str()) == 0) return v;
  }
  return "";
}

ApiServer::~ApiServer() { stop(); }

bool ApiServer::start(const ApiServerOptions& options) {
  stop();
  failure_.clear();
  std::vector<std::string> args = {VD_APISERVER_PYTHON,
                                   "-B",
                                   scriptPath(),
                                   "--sample",
                                   options.sampleDir.empty() ? defaultSampleDir() : options.sampleDir,
                                   "--quiet",
                                   "--idle-timeout",
                                   numberArgument(options.idleTimeoutSeconds),
                                   "--parent-pid",
                                   std::to_string(::getpid())};
  if (options.fixedCodes) args.push_back("--fixed-codes");
  if (options.verbose) args.push_back("--verbose");
  std::string line;
  pid_ = spawnChildServer(std::move(args), line, failure_);
  if (pid_ <= 0) return false;
  // The server's first output line is "PORT <n>" once it listens.
  if (reportedPort(line) <= 0) {
    failure_ = "the API server did not report its port (output: \"" + line +
               "\"; is the sample bank built? target vd_sample_bank)";
    stop();
    return false;
  }
  port_ = reportedPort(line);
  return true;
}

void ApiServer::stop() {
  if (pid_ <= 0) return;
  stopChildServer(pid_);
  port_ = 0;
}

std::string ApiServer::origin() const { return "http://127.0.0.1:" + std::to_string(port_); }
std::string ApiServer::mainBase() const { return origin() + "/api/"; }
std::string ApiServer::updateBase() const { return origin() + "/uc/api/"; }
std::string ApiServer::codeBase() const { return origin() + "/vc/"; }
std::string ApiServer::mobileBase() const { return origin() + "/m/"; }
std::string ApiServer::statisticsHost() const { return "127.0.0.1:" + std::to_string(port_); }

std::optional<ApiServer::Response> ApiServer::request(
    const std::string& method, const std::string& path, const std::string& body,
    const std::vector<std::pair<std::string, std::string>>& headers) const {
  if (port_ <= 0) return std::nullopt;
  const int fd = connectLoopback(port_, 30);
  if (fd < 0) return std::nullopt;
  std::string req = method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port_) +
                    "\r\nConnection: close\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
  for (const auto& [k, v] : headers) req += k + ": " + v + "\r\n";
  req += "\r\n" + body;
  if (!sendAll(fd, req)) {
    ::close(fd);
    return std::nullopt;
  }
  std::string raw;
  char buf[8192];
  for (;;) {
    ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    raw.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);

  auto headEnd = raw.find("\r\n\r\n");
  if (raw.rfind("HTTP/1.", 0) != 0 || headEnd == std::string::npos) return std::nullopt;
  Response out;
  out.status = std::atoi(raw.c_str() + raw.find(' ') + 1);
  std::size_t pos = raw.find("\r\n") + 2;
  while (pos < headEnd) {
    auto eol = raw.find("\r\n", pos);
    auto colon = raw.find(':', pos);
    if (colon != std::string::npos && colon < eol) {
      auto value = raw.substr(colon + 1, eol - colon - 1);
      value.erase(0, value.find_first_not_of(' '));
      out.headers.emplace_back(raw.substr(pos, colon - pos), value);
    }
    pos = eol + 2;
  }
  out.body = raw.substr(headEnd + 4);
  std::string length = out.header("Content-Length");
  if (method != "HEAD" && !length.empty() && out.body.size() != std::strtoul(length.c_str(), nullptr, 10)) {
    return std::nullopt;  // cut short (a fault that drops or truncates the reply)
  }
  return out;
}

bool ApiServer::hookOk(const std::string& method, const std::string& name, const std::string& body) const {
  auto r = request(method, "/__test/" + name, body, {{"Content-Type", "application/json"}});
  return r && r->status == 200;
}

bool ApiServer::reset() const { return hookOk("POST", "reset", ""); }
bool ApiServer::clearJournal() const { return hookOk("DELETE", "journal", ""); }
bool ApiServer::fault(const std::string& json) const { return hookOk("POST", "fault", json); }
bool ApiServer::scenario(const std::string& json) const { return hookOk("POST", "scenario", json); }

std::optional<std::string> ApiServer::journal(long since) const {
  auto r = request("GET", "/__test/journal?since=" + std::to_string(since));
  if (!r || r->status != 200) return std::nullopt;
  return r->body;
}

std::optional<std::string> ApiServer::codes() const {
  auto r = request("GET", "/__test/codes");
  if (!r || r->status != 200) return std::nullopt;
  return r->body;
}

}  // namespace testserver
