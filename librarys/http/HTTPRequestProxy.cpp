// HTTPRequest: which proxy a request goes through: one set on the request, else the environment's proxy
// variables, else a proxy auto-configuration (PAC) script, fetched from a file or over HTTP and evaluated
// with libpacparser.

#include <sys/stat.h>

#include <cstdarg>
#include <mutex>

#include "librarys/http/HTTPRequest.h"
#include "librarys/http/HTTPRequestClassState.h"
#include "platform/core/Paths.h"
#include "platform/core/Text.h"
#include "platform/net/ProxyConfig.h"
#include "platform/runloop/RunLoop.h"

#ifdef VD_HAVE_PACPARSER
#include <pacparser.h>
#endif

namespace {

// Valid UTF-8, else the bytes read as ISO Latin 1.
std::string decodePACText(const std::string& bytes) {
  if (core::isValidUtf8(bytes)) return bytes;
  std::string out;
  for (unsigned char c : bytes) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xc0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3f));
    }
  }
  return out;
}

void applyProxy(HTTPRequest& r, const net::ProxySettings& p) {
  if (p.type == net::ProxySettings::Type::None) return;
  r.setProxyHost(p.host);
  r.setProxyPort(p.port);
  r.setProxyType(p.type == net::ProxySettings::Type::SOCKS ? "SOCKS" : "HTTP");
}

}  // namespace

bool HTTPRequest::configureProxies() {
  if (isPACFileRequest_ || !proxyHost_.empty() || proxyPort_ != 0) return true;
  if (!PACurl_) {
    auto proxies = net::proxiesForURL(*url_);
    if (!proxies) {
      readStream_.reset();
      failWithError(makeError(InternalErrorWhileBuildingRequestType,
                              "Unable to obtain information on proxy servers needed for request"));
      return false;
    }
    if (!proxies->empty()) {
      applyProxy(*this, proxies->front());
      return true;
    }
    PACurl_ = net::autoConfigURLForURL(*url_);
    if (!PACurl_) return true;
  }
  fetchPACFile();
  return false;
}

void HTTPRequest::fetchPACFile() {
  std::string scheme = core::toLower(PACurl_->scheme);
  if (scheme == "file") {
    // A local script is read at once; anything but a regular file (a pipe that might never end) is
    // ignored, and the request goes on without a proxy.
    std::string path = core::removingPercentEscapes(PACurl_->path).value_or(PACurl_->path);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
      if (auto bytes = core::Paths::readFile(path))
        runPACScript(decodePACText(std::string(bytes->begin(), bytes->end())));
    }
    startRequest();
    return;
  }
  if (scheme != "http" && scheme != "https") {
    startRequest();
    return;
  }
  auto pac = requestWithURL(PACurl_);
  pac->setIsPACFileRequest(true);
  pac->setTimeOutSeconds(timeOutSeconds_);
  pac->setClock(clock_);
  pac->setUseCookiePersistence(false);
  if (isSynchronous_) {
    pac->startSynchronous();
    if (!pac->error()) {
      if (auto text = pac->responseString()) runPACScript(*text);
    }
    startRequest();
    return;
  }
  PACFileRequest_ = pac;
  pac->setQueuePriority(rl::Operation::High);
  std::weak_ptr<HTTPRequest> weak = shared();
  auto done = [weak, pacWeak = std::weak_ptr<HTTPRequest>(pac)] {
    auto owner = weak.lock();
    auto p = pacWeak.lock();
    if (!owner || !p) return;
    owner->performOnRequestThread([owner, p] { owner->finishedDownloadingPACFile(p); });
  };
  pac->setCompletionBlock(done);
  pac->setFailedBlock(done);
  {
    std::lock_guard lock(classState().connectionsLock);
    auto& q = sharedQueue();
    q.setMaxConcurrentOperationCount(q.maxConcurrentOperationCount() + 1);
  }
  pac->startAsynchronous();
}

void HTTPRequest::finishedDownloadingPACFile(const std::shared_ptr<HTTPRequest>& PACRequest) {
  if (!PACRequest->error()) {
    if (auto text = PACRequest->responseString()) runPACScript(*text);
  }
  {
    std::lock_guard lock(classState().connectionsLock);
    auto& q = sharedQueue();
    q.setMaxConcurrentOperationCount(q.maxConcurrentOperationCount() - 1);
  }
  PACFileRequest_.reset();
  if (!isCancelled() && !error_) startRequest();
}

void HTTPRequest::runPACScript(const std::string& script) {
  if (script.empty() || !url_) return;
#ifdef VD_HAVE_PACPARSER
  // The script engine is one per process: one evaluation at a time.
  static std::mutex pacLock;
  std::lock_guard lock(pacLock);
  std::string answer;
  // Script errors mean "no proxy"; the engine's own messages are not wanted on the process's stderr.
  pacparser_set_error_printer([](const char*, va_list) { return 0; });
  if (pacparser_init()) {
    if (pacparser_parse_pac_string(script.c_str())) {
      std::string url = url_->toString();
      // The answer belongs to the script engine (released by pacparser_cleanup). The engine itself leaks
      // a few bytes per call (its escaped copies of the URL and host); nothing to be done from here.
      if (const char* found = pacparser_find_proxy(url.c_str(), url_->host.c_str())) answer = found;
    }
    pacparser_cleanup();
  }
  if (answer.empty()) return;
  if (auto proxy = net::proxyFromPACAnswer(answer)) applyProxy(*this, *proxy);
#endif
}
