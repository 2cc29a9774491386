#pragma once
// AbstractService: sends one request of the server's JSON API and hands the parsed reply back.
//
// A service serves one call: its user (an API client) makes it with std::make_shared, gives it a
// finished block and starts one request. Asynchronous requests run on the HTTP client's network thread;
// every block (and so the finished block, the forced-logout check and the overlay) runs on the main
// thread. While a request runs, its blocks hold the service, so the service lives until the reply has
// been delivered even when its user has dropped it.
//
//   operation                 headers (besides the HTTP client's own)                  escaping  overlay
//   doGetRequest              User-Agent, Client-Type = iphone; cookie when logged in  once      optional
//   doPostRequest             User-Agent, Content-Type = application/json,             none      optional
//                             Client-Type = clientType() or iphone
//   doGetSynchronousRequest   User-Agent, Client-Type = iphone                          none      never
//   doPostSynchronousRequest  User-Agent, Client-Type = iphone, Content-Type            none      never
//
// Every request times out after 180 s without activity, and fails at its deadline (deadlineSeconds(),
// 300 s unless changed) after it began, however steadily its bytes arrive (a server trickling a byte a second cannot hold a call; the
// deadline lies past the idle time-out, also its 270 s for a request with a body, so a server that
// goes silent still times out as idle). Asynchronous requests count the bytes they move
// (ServiceShell::countTraffic) and apply the forced logout ("LoginState" 2, Remotelogin); synchronous ones
// do neither.
//
// Replies: the response text parsed as JSON (an object or an array). No reply is null (core::Value()):
// a failed request, an empty response, a response longer than kMaxReplyBytes (the request fails as the
// bytes arrive, so such a reply is neither kept nor parsed), or a response that is not JSON. The HTTP status is not looked
// at; the server puts its errors into the reply.
//
// URL texts: a request URL is a base followed directly by a path. Callers escape the text of each path
// segment that comes from the user or the server with escapePathSegment(); the asynchronous GET escapes
// the rest of the URL once (escapeURLOnce), the other three operations take the text as it is, so
// their callers pass it escaped already (escapeURLOnce gives the same text the GET would send).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/core/Value.h"

class BusyOverlay;
class HTTPRequest;

class AbstractService : public std::enable_shared_from_this<AbstractService> {
 public:
  // The service and the parsed reply (null when there is no usable reply).
  using FinishedBlock =
      std::function<void(const std::shared_ptr<AbstractService>& service, const core::Value& reply)>;
  // Stored for the caller; the service never runs them.
  using StartedBlock = std::function<void(const std::shared_ptr<AbstractService>& service)>;
  using FailedBlock = std::function<void(const std::shared_ptr<AbstractService>& service)>;

  static constexpr double kTimeOutSeconds = 180;
  static constexpr double kDeadlineSeconds = 300;
  static constexpr const char* kClientType = "iphone";
  static constexpr const char* kUserAgent = "iphone";
  static constexpr const char* kForcedLogoutTitle = "警告";
  // The longest reply accepted: the largest real replies (a page of 1,000 notes, a catalogue of
  // 10,000 entries) are a few MiB; replies are parsed on the main thread, so this bounds that work.
  static constexpr std::uint64_t kMaxReplyBytes = std::uint64_t{8} << 20;
  static constexpr const char* kForcedLogoutMessage = "您的帐号已被抢登！请重新登录";
  static constexpr const char* kForcedLogoutButton = "确定";

  // The deadline given to every request from now on: kDeadlineSeconds, or what setDeadlineSeconds set
  // (tests of the deadline set a short one; a value that is not a positive number restores the
  // default). Any thread.
  static double deadlineSeconds();
  static void setDeadlineSeconds(double seconds);

  AbstractService();
  virtual ~AbstractService();
  AbstractService(const AbstractService&) = delete;
  AbstractService& operator=(const AbstractService&) = delete;

  // ---- properties ----
  // The request of the call in progress: set when a request is built, cleared when an asynchronous
  // request has delivered its result.
  std::shared_ptr<HTTPRequest> httpRequest() const { return httpRequest_; }
  void setHttpRequest(std::shared_ptr<HTTPRequest> request) { httpRequest_ = std::move(request); }
  const StartedBlock& startedBlock() const { return startedBlock_; }
  void setStartedBlock(StartedBlock block) { startedBlock_ = std::move(block); }
  const FinishedBlock& finishedBlock() const { return finishedBlock_; }
  void setFinishedBlock(FinishedBlock block) { finishedBlock_ = std::move(block); }
  const FailedBlock& failedBlock() const { return failedBlock_; }
  void setFailedBlock(FailedBlock block) { failedBlock_ = std::move(block); }
  // When set, the "Client-Type" of an asynchronous POST (the error report sends "Entitled_Revised_Wrong").
  const std::optional<std::string>& clientType() const { return clientType_; }
  void setClientType(std::optional<std::string> type) { clientType_ = std::move(type); }
  // The busy overlay while one is shown (drawn by the shell: ServiceShell::showBusyOverlay).
  std::shared_ptr<BusyOverlay> hudView() const { return hudView_; }

  // ---- requests ----
  // Asynchronous GET: the URL escaped once; "cookie" with the first session cookie that goes with the
  // URL when a user is logged in. The overlay shows from the start when showHud is true.
  void doGetRequest(const std::string& url, bool showHud);
  // Asynchronous POST of the JSON text (UTF-8) to the URL as given. An empty text sends no body, and the
  // HTTP client then sends the request as a GET.
  void doPostRequest(const std::string& url, const std::string& json, bool showHud);
  // Synchronous GET / POST on the calling thread: the parsed reply, or null.
  core::Value doGetSynchronousRequest(const std::string& url);
  // timeoutSeconds: the crash report asks for a short one; everything else uses kTimeOutSeconds.
  core::Value doPostSynchronousRequest(const std::string& url, const std::string& json,
                                       double timeoutSeconds = kTimeOutSeconds);

  // The forced logout: a reply text whose "LoginState" is 2 removes "userInfo" from the session at once
  // and shows the alert "警告" / "您的帐号已被抢登！请重新登录" / "确定" (ServiceShell::showAlert); its
  // button hands over to the shell (ServiceShell::forcedLogoutConfirmed). While that alert is open,
  // further such replies only remove "userInfo" again. Main thread.
  void Remotelogin(const std::string& replyText);
  // The same for a reply already parsed (a reply is parsed once).
  void Remotelogin(const core::Value& reply);

  // The busy overlay (ServiceShell::showBusyOverlay) labelled with the localized "alertMessage".
  // Main thread.
  void showHudView();
  void closeHudView();

  // Clears the request's delegates and blocks, cancels it, closes the overlay and lets the request go;
  // the finished block is not called. Nothing happens without a request.
  void cancelRequest();

  // Handlers in the manner of a request delegate (the service never makes itself a request's delegate).
  void requestStarted(HTTPRequest& request);
  void requestFinished(HTTPRequest& request);
  void requestFailed(HTTPRequest& request);

  // ---- URL texts ----
  // The URL text percent-escaped as a whole (UTF-8, core::addingPercentEscapes), except that a "%"
  // followed by two hex digits is an escape already and stays as it is; escaping twice changes nothing.
  static std::string escapeURLOnce(std::string_view url);
  // One path segment's text: "%", "/", "?", "#" and "&" become %25, %2F, %3F, %23 and %26, so the text
  // stays one segment; everything else is left to escapeURLOnce.
  static std::string escapePathSegment(std::string_view segment);

  // Whether the forced-logout alert is showing (tests).
  static bool isForcedLogoutAlertOpen();

 private:
  // Parses a response text: null when it is empty or not JSON.
  static core::Value parseReply(const std::optional<std::string>& text);
  // Completion and failure of an asynchronous request.
  void asyncCompleted(const std::shared_ptr<HTTPRequest>& request);
  void asyncFailed();
  void startAsync(const std::shared_ptr<HTTPRequest>& request, bool showHud);
  core::Value runSynchronous(const std::shared_ptr<HTTPRequest>& request);

  std::shared_ptr<HTTPRequest> httpRequest_;
  StartedBlock startedBlock_;
  FinishedBlock finishedBlock_;
  FailedBlock failedBlock_;
  std::optional<std::string> clientType_;
  std::shared_ptr<BusyOverlay> hudView_;
};
