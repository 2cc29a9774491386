#pragma once
// NetworkQueue: runs a batch of HTTPRequests with one delegate for the whole batch and aggregate byte
// progress over all of them. With showAccurateProgress, every GET added while the queue is still
// suspended gets a HEAD pre-request that runs first and learns the download's size, so that one progress
// bar can show the batch exactly; without it every request counts as one unit.
//
// A new queue runs at most 4 requests at a time and is suspended: nothing starts before go(). reset()
// cancels everything, forgets the delegate, the selectors and the progress delegates, and suspends the
// queue again. With shouldCancelAllRequestsOnFailure (the default) the first failure cancels the rest;
// each cancelled request still reports its own failure (code 4).
//
// The delegate is held weakly and receives only the calls whose selector is set (a selector is a
// function given the delegate). Every notice and progress call arrives on the main thread, as the
// requests deliver them; the counters are atomic and may be read anywhere.
//
// Make queues with NetworkQueue::queue(): requests hold their queue weakly, so a queue that is not
// owned by a std::shared_ptr cannot be reached by them. Adding anything but an HTTPRequest is a
// programming error: it is refused (false) and lastError() names it "AttemptToAddInvalidRequest".

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "librarys/http/HTTPRequest.h"
#include "librarys/http/HTTPRequestQueue.h"
#include "platform/core/Error.h"
#include "platform/core/Value.h"
#include "platform/runloop/OperationQueue.h"

class NetworkQueue : public rl::OperationQueue,
                     public HTTPRequestQueue,
                     public std::enable_shared_from_this<NetworkQueue> {
 public:
  using RequestSelector = HTTPRequest::RequestSelector;
  using HeadersSelector = HTTPRequest::HeadersSelector;
  using RedirectSelector = HTTPRequest::RedirectSelector;
  using QueueSelector = std::function<void(HTTPRequestDelegate&, const std::shared_ptr<NetworkQueue>&)>;

  static constexpr const char* kInvalidRequestName = "AttemptToAddInvalidRequest";
  static constexpr const char* kInvalidRequestReason =
      "Attempted to add an object that was not an HTTPRequest to an NetworkQueue";
  static constexpr int kMaxConcurrentRequests = 4;
  static constexpr int kHEADRequestPriority = 10;

  // A new queue (suspended, at most 4 requests at a time).
  static std::shared_ptr<NetworkQueue> queue();
  NetworkQueue();
  // Requests still held forget this queue, so none calls back into it.
  ~NetworkQueue();

  // ---- running ----
  // Un-suspends the queue.
  void go();
  // Cancels every request, clears the delegate, both progress delegates and the start, headers, fail,
  // finish and queue-finished selectors, and suspends the queue again.
  void reset();
  // Sets the four byte counters to 0, then cancels every request.
  void cancelAllOperations();

  // Adds a request (see the header comment for what showAccurateProgress adds). False, with lastError(),
  // for anything that is not an HTTPRequest, and when the platform queue refuses it (already queued,
  // started or finished).
  bool addOperation(const std::shared_ptr<rl::Operation>& operation);
  // Adds a HEAD pre-request: method "HEAD", priority 10, accurate progress, this queue; not counted.
  bool addHEADOperation(const std::shared_ptr<rl::Operation>& operation);
  // Blocks are not requests: use addOperation with an HTTPRequest.
  void addOperationWithBlock(std::function<void()> fn) = delete;
  // The refusal of the last addOperation / addHEADOperation that refused; nullopt when none did.
  std::optional<core::Error> lastError() const;

  // A new queue with this one's delegate, selectors, progress delegates, shouldCancelAllRequestsOnFailure,
  // showAccurateProgress and a copy of userInfo (no requests, no counters).
  std::shared_ptr<NetworkQueue> copy() const;

  // ---- delegate and selectors ----
  std::weak_ptr<HTTPRequestDelegate> delegate() const;
  void setDelegate(std::weak_ptr<HTTPRequestDelegate> delegate);
  void setRequestDidStartSelector(RequestSelector s);
  void setRequestDidReceiveResponseHeadersSelector(HeadersSelector s);
  void setRequestWillRedirectSelector(RedirectSelector s);
  void setRequestDidFinishSelector(RequestSelector s);
  void setRequestDidFailSelector(RequestSelector s);
  void setQueueDidFinishSelector(QueueSelector s);
  bool hasRequestDidStartSelector() const;
  bool hasRequestDidReceiveResponseHeadersSelector() const;
  bool hasRequestWillRedirectSelector() const;
  bool hasRequestDidFinishSelector() const;
  bool hasRequestDidFailSelector() const;
  bool hasQueueDidFinishSelector() const;

  // ---- progress ----
  // Storing a progress delegate sets its progress to 0 (on the main thread).
  std::weak_ptr<HTTPProgressDelegate> uploadProgressDelegate() const;
  void setUploadProgressDelegate(std::weak_ptr<HTTPProgressDelegate> delegate);
  std::weak_ptr<HTTPProgressDelegate> downloadProgressDelegate() const;
  void setDownloadProgressDelegate(std::weak_ptr<HTTPProgressDelegate> delegate);

  std::uint64_t bytesUploadedSoFar() const { return bytesUploadedSoFar_.load(); }
  std::uint64_t totalBytesToUpload() const { return totalBytesToUpload_.load(); }
  std::uint64_t bytesDownloadedSoFar() const { return bytesDownloadedSoFar_.load(); }
  std::uint64_t totalBytesToDownload() const { return totalBytesToDownload_.load(); }
  void setBytesUploadedSoFar(std::uint64_t n) { bytesUploadedSoFar_ = n; }
  void setTotalBytesToUpload(std::uint64_t n) { totalBytesToUpload_ = n; }
  void setBytesDownloadedSoFar(std::uint64_t n) { bytesDownloadedSoFar_ = n; }
  void setTotalBytesToDownload(std::uint64_t n) { totalBytesToDownload_ = n; }

  // ---- flags ----
  bool shouldCancelAllRequestsOnFailure() const { return shouldCancelAllRequestsOnFailure_.load(); }
  void setShouldCancelAllRequestsOnFailure(bool b) { shouldCancelAllRequestsOnFailure_ = b; }
  bool showAccurateProgress() const { return showAccurateProgress_.load(); }
  void setShowAccurateProgress(bool b) { showAccurateProgress_ = b; }
  // Requests added and not yet finished or failed (HEAD pre-requests are not counted).
  int requestsCount() const { return requestsCount_.load(); }
  core::Value userInfo() const;
  void setUserInfo(core::Value info);

  // ---- what the requests report (main thread) ----
  void requestStarted(const std::shared_ptr<HTTPRequest>& request) override;
  void requestDidReceiveResponseHeaders(const std::shared_ptr<HTTPRequest>& request,
                                        const core::Value& headers) override;
  void requestWillRedirectToURL(const std::shared_ptr<HTTPRequest>& request, const core::URL& url) override;
  void requestFinished(const std::shared_ptr<HTTPRequest>& request) override;
  void requestFailed(const std::shared_ptr<HTTPRequest>& request) override;
  void authenticationNeededForRequest(const std::shared_ptr<HTTPRequest>& request) override;
  void proxyAuthenticationNeededForRequest(const std::shared_ptr<HTTPRequest>& request) override;
  void requestDidReceiveBytes(const std::shared_ptr<HTTPRequest>& request, std::int64_t bytes) override;
  void requestDidSendBytes(const std::shared_ptr<HTTPRequest>& request, std::int64_t bytes) override;
  void requestIncrementDownloadSizeBy(const std::shared_ptr<HTTPRequest>& request,
                                      std::int64_t amount) override;
  void requestIncrementUploadSizeBy(const std::shared_ptr<HTTPRequest>& request,
                                    std::int64_t amount) override;

  // A request waits for a redirect confirmation only when a will-redirect selector is set and the
  // delegate confirms redirects; the authentication questions go to the delegate when it answers them.
  bool respondsToRequestWillRedirectToURL() const override;
  bool respondsToAuthenticationNeededForRequest() const override;
  bool respondsToProxyAuthenticationNeededForRequest() const override;

 private:
  struct Callbacks {
    std::weak_ptr<HTTPRequestDelegate> delegate;
    RequestSelector didStart;
    HeadersSelector didReceiveResponseHeaders;
    RedirectSelector willRedirect;
    RequestSelector didFinish;
    RequestSelector didFail;
    QueueSelector queueDidFinish;
    std::weak_ptr<HTTPProgressDelegate> uploadProgressDelegate;
    std::weak_ptr<HTTPProgressDelegate> downloadProgressDelegate;
  };
  Callbacks callbacks() const;
  void refuse(const char* reason);
  // Sets the progress delegate's progress to 0 on the main thread.
  static void resetProgressDelegate(const std::weak_ptr<HTTPProgressDelegate>& delegate);
  static void addTo(std::atomic<std::uint64_t>& counter, std::int64_t amount);
  static float fraction(std::uint64_t progress, std::uint64_t total);

  mutable std::mutex lock_;  // guards callbacks_, userInfo_ and lastError_
  Callbacks callbacks_;
  core::Value userInfo_;
  std::optional<core::Error> lastError_;

  std::atomic<std::uint64_t> bytesUploadedSoFar_{0};
  std::atomic<std::uint64_t> totalBytesToUpload_{0};
  std::atomic<std::uint64_t> bytesDownloadedSoFar_{0};
  std::atomic<std::uint64_t> totalBytesToDownload_{0};
  std::atomic<bool> shouldCancelAllRequestsOnFailure_{true};
  std::atomic<bool> showAccurateProgress_{false};
  std::atomic<int> requestsCount_{0};
};
