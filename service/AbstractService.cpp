#include "service/AbstractService.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <mutex>
#include <utility>
#include <vector>

#include "librarys/http/HTTPCookie.h"
#include "librarys/http/HTTPRequest.h"
#include "librarys/json/JsonParser.h"
#include "platform/core/Bundle.h"
#include "platform/core/Date.h"
#include "platform/core/URL.h"
#include "platform/runloop/RunLoop.h"
#include "service/ServiceShell.h"

// ---------------------------------------------------------------------------------------------------
// The shell's hooks

namespace {

std::mutex& shellLock() {
  static std::mutex lock;
  return lock;
}

ServiceShell& installedShell() {
  static ServiceShell shell;
  return shell;
}

// The forced-logout alert while it is up (main thread only).
std::shared_ptr<ShellAlert>& forcedLogoutAlert() {
  static std::shared_ptr<ShellAlert> alert;
  return alert;
}

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

void countTraffic(std::uint64_t bytes) {
  if (bytes == 0 || bytes > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return;
  auto count = serviceShell().countTraffic;
  if (count) count(static_cast<std::int64_t>(bytes));
}

std::optional<core::URL> parseURL(const std::string& text) { return core::URL::parse(text); }

}  // namespace

void setServiceShell(ServiceShell shell) {
  std::lock_guard guard(shellLock());
  installedShell() = std::move(shell);
}

ServiceShell serviceShell() {
  std::lock_guard guard(shellLock());
  return installedShell();
}

// ---------------------------------------------------------------------------------------------------
// Life

AbstractService::AbstractService() = default;

AbstractService::~AbstractService() {
  // A service dropped while its overlay shows (a cancelled request) takes the overlay with it.
  if (hudView_ && rl::RunLoop::isMainThread()) hudView_->close();
}

// ---------------------------------------------------------------------------------------------------
// URL texts

std::string AbstractService::escapeURLOnce(std::string_view url) {
  std::string out;
  out.reserve(url.size());
  std::size_t runStart = 0;
  for (std::size_t i = 0; i < url.size(); ++i) {
    if (url[i] == '%' && i + 2 < url.size() && isHexDigit(url[i + 1]) && isHexDigit(url[i + 2])) {
      out += core::addingPercentEscapes(url.substr(runStart, i - runStart));
      out.append(url.substr(i, 3));
      i += 2;
      runStart = i + 1;
    }
  }
  out += core::addingPercentEscapes(url.substr(runStart));
  return out;
}

std::string AbstractService::escapePathSegment(std::string_view segment) {
  std::string out;
  out.reserve(segment.size());
  for (char c : segment) {
    switch (c) {
      case '%':
        out += "%25";
        break;
      case '/':
        out += "%2F";
        break;
      case '?':
        out += "%3F";
        break;
      case '#':
        out += "%23";
        break;
      case '&':
        out += "%26";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// ---------------------------------------------------------------------------------------------------
// Replies

core::Value AbstractService::parseReply(const std::optional<std::string>& text) {
  if (!text || text->empty()) return core::Value();
  core::Value reply = JSONValue(*text);
  if (!reply.isDictionary() && !reply.isArray()) return core::Value();
  return reply;
}

// ---------------------------------------------------------------------------------------------------
// Asynchronous requests

namespace {
std::atomic<double> gDeadlineSeconds{AbstractService::kDeadlineSeconds};
}  // namespace

double AbstractService::deadlineSeconds() { return gDeadlineSeconds.load(); }

void AbstractService::setDeadlineSeconds(double seconds) {
  gDeadlineSeconds = std::isfinite(seconds) && seconds > 0 ? seconds : kDeadlineSeconds;
}

void AbstractService::doGetRequest(const std::string& url, bool showHud) {
  auto request = HTTPRequest::requestWithURL(parseURL(escapeURLOnce(url)));
  httpRequest_ = request;
  request->addRequestHeader("User-Agent", kUserAgent);
  request->addRequestHeader("Client-Type", kClientType);
  auto loggedIn = serviceShell().isLoggedIn;
  if (loggedIn && loggedIn()) {
    // The session cookie that goes with this URL; none at all means no header.
    if (auto target = request->url()) {
      for (const HTTPCookie& cookie : HTTPRequest::sessionCookies()) {
        if (cookie.isExpired(core::Date::now().secondsSince1970)) continue;
        if (!cookie.matchesURL(*target)) continue;
        request->addRequestHeader("cookie", cookie.name + "=" + cookie.value);
        break;
      }
    }
  }
  request->setTimeOutSeconds(kTimeOutSeconds);
  request->setDeadlineSeconds(deadlineSeconds());
  request->setMaxResponseDataSize(kMaxReplyBytes);
  startAsync(request, showHud);
}

void AbstractService::doPostRequest(const std::string& url, const std::string& json, bool showHud) {
  auto request = HTTPRequest::requestWithURL(parseURL(url));
  httpRequest_ = request;
  request->addRequestHeader("User-Agent", kUserAgent);
  request->addRequestHeader("Content-Type", "application/json");
  request->addRequestHeader("Client-Type", clientType_ ? *clientType_ : std::string(kClientType));
  request->appendPostData(json);
  request->setTimeOutSeconds(kTimeOutSeconds);
  request->setDeadlineSeconds(deadlineSeconds());
  request->setMaxResponseDataSize(kMaxReplyBytes);
  startAsync(request, showHud);
}

void AbstractService::startAsync(const std::shared_ptr<HTTPRequest>& request, bool showHud) {
  auto self = weak_from_this().lock();
  if (!self) {
    // Only a service owned by a std::shared_ptr can stay alive until its reply: nothing is sent.
    httpRequest_.reset();
    if (finishedBlock_) finishedBlock_(nullptr, core::Value());
    return;
  }
  // The blocks hold the service until the request has reported its end; the request lets its blocks
  // go then, and the service lets the request go, so nothing is kept after the reply.
  request->setStartedBlock([self, showHud] {
    if (showHud) self->showHudView();
  });
  std::weak_ptr<HTTPRequest> weakRequest = request;
  request->setCompletionBlock([self, weakRequest] {
    if (auto r = weakRequest.lock()) self->asyncCompleted(r);
  });
  request->setFailedBlock([self] { self->asyncFailed(); });
  request->setBytesSentBlock([](std::uint64_t size, std::uint64_t) { countTraffic(size); });
  request->setBytesReceivedBlock([](std::uint64_t size, std::uint64_t) { countTraffic(size); });
  request->startAsynchronous();
}

void AbstractService::asyncCompleted(const std::shared_ptr<HTTPRequest>& request) {
  auto self = shared_from_this();  // the finished block may drop the last other owner
  std::optional<std::string> text = request->responseString();
  core::Value reply;
  if (text && !text->empty()) {
    reply = parseReply(text);
    Remotelogin(reply);
  }
  if (finishedBlock_) {
    FinishedBlock block = finishedBlock_;
    block(self, reply);
  }
  if (httpRequest_ == request) httpRequest_.reset();
  closeHudView();
}

void AbstractService::asyncFailed() {
  auto self = shared_from_this();
  if (finishedBlock_) {
    FinishedBlock block = finishedBlock_;
    block(self, core::Value());
  }
  httpRequest_.reset();
  closeHudView();
}

// ---------------------------------------------------------------------------------------------------
// Synchronous requests

core::Value AbstractService::doGetSynchronousRequest(const std::string& url) {
  auto request = HTTPRequest::requestWithURL(parseURL(url));
  httpRequest_ = request;
  request->addRequestHeader("User-Agent", kUserAgent);
  request->addRequestHeader("Client-Type", kClientType);
  request->setTimeOutSeconds(kTimeOutSeconds);
  request->setDeadlineSeconds(deadlineSeconds());
  request->setMaxResponseDataSize(kMaxReplyBytes);
  return runSynchronous(request);
}

core::Value AbstractService::doPostSynchronousRequest(const std::string& url, const std::string& json,
                                                      double timeoutSeconds) {
  auto request = HTTPRequest::requestWithURL(parseURL(url));
  httpRequest_ = request;
  request->addRequestHeader("User-Agent", kUserAgent);
  request->addRequestHeader("Client-Type", kClientType);
  request->addRequestHeader("Content-Type", "application/json");
  request->appendPostData(json);
  request->setTimeOutSeconds(timeoutSeconds);
  request->setDeadlineSeconds(deadlineSeconds());
  request->setMaxResponseDataSize(kMaxReplyBytes);
  return runSynchronous(request);
}

core::Value AbstractService::runSynchronous(const std::shared_ptr<HTTPRequest>& request) {
  request->startSynchronous();
  if (request->error()) return core::Value();
  return parseReply(request->responseString());
}

// ---------------------------------------------------------------------------------------------------
// Forced logout

bool AbstractService::isForcedLogoutAlertOpen() {
  const auto& alert = forcedLogoutAlert();
  return alert && alert->isOpen();
}

void AbstractService::Remotelogin(const std::string& replyText) { Remotelogin(JSONValue(replyText)); }

void AbstractService::Remotelogin(const core::Value& reply) {
  if (!reply.isDictionary()) return;
  if (reply["LoginState"].toInt(0) != 2) return;

  ServiceShell shell = serviceShell();
  if (shell.removeUserInfo) shell.removeUserInfo();
  // One alert at a time: replies of other requests in flight that say the same add nothing.
  if (isForcedLogoutAlertOpen()) return;
  if (!shell.showAlert) return;
  forcedLogoutAlert() = shell.showAlert(kForcedLogoutTitle, kForcedLogoutMessage, kForcedLogoutButton, [] {
    auto confirmed = serviceShell().forcedLogoutConfirmed;
    if (confirmed) confirmed();
  });
}

// ---------------------------------------------------------------------------------------------------
// Overlay

void AbstractService::showHudView() {
  auto show = serviceShell().showBusyOverlay;
  if (!show) return;
  closeHudView();
  hudView_ = show(core::Bundle::main().localizedString("alertMessage"));
}

void AbstractService::closeHudView() {
  if (!hudView_) return;
  auto overlay = std::move(hudView_);
  hudView_.reset();
  overlay->close();
}

// ---------------------------------------------------------------------------------------------------
// Cancelling and the request-delegate handlers

void AbstractService::cancelRequest() {
  if (!httpRequest_) return;
  auto request = std::move(httpRequest_);
  httpRequest_.reset();
  request->clearDelegatesAndCancel();
  // The blocks that would have closed the overlay are gone with the cancel.
  closeHudView();
}

void AbstractService::requestStarted(HTTPRequest& request) { showHudView(); }

void AbstractService::requestFinished(HTTPRequest& request) {
  auto self = weak_from_this().lock();
  closeHudView();
  core::Value reply = parseReply(request.responseString());
  if (finishedBlock_) {
    FinishedBlock block = finishedBlock_;
    block(self, reply);
  }
}

void AbstractService::requestFailed(HTTPRequest& request) {
  auto self = weak_from_this().lock();
  if (finishedBlock_) {
    FinishedBlock block = finishedBlock_;
    block(self, core::Value());
  }
  closeHudView();
}
