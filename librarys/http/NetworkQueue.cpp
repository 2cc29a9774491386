// NetworkQueue: a batch of HTTPRequests with one delegate and aggregate progress.

#include "librarys/http/NetworkQueue.h"

#include <utility>

#include "platform/runloop/RunLoop.h"

std::shared_ptr<NetworkQueue> NetworkQueue::queue() { return std::make_shared<NetworkQueue>(); }

NetworkQueue::NetworkQueue() {
  setMaxConcurrentOperationCount(kMaxConcurrentRequests);
  setSuspended(true);
}

NetworkQueue::~NetworkQueue() {
  for (const auto& operation : operations()) {
    if (auto request = std::dynamic_pointer_cast<HTTPRequest>(operation)) request->setQueue({});
  }
}

// ---------------------------------------------------------------------------------------------------
// Running

void NetworkQueue::go() { setSuspended(false); }

void NetworkQueue::reset() {
  cancelAllOperations();
  {
    std::lock_guard lock(lock_);
    callbacks_.delegate.reset();
    callbacks_.uploadProgressDelegate.reset();
    callbacks_.downloadProgressDelegate.reset();
    callbacks_.didStart = nullptr;
    callbacks_.didReceiveResponseHeaders = nullptr;
    callbacks_.didFail = nullptr;
    callbacks_.didFinish = nullptr;
    callbacks_.queueDidFinish = nullptr;
  }
  setSuspended(true);
}

void NetworkQueue::cancelAllOperations() {
  bytesUploadedSoFar_ = 0;
  totalBytesToUpload_ = 0;
  bytesDownloadedSoFar_ = 0;
  totalBytesToDownload_ = 0;
  rl::OperationQueue::cancelAllOperations();
}

void NetworkQueue::refuse(const char* reason) {
  std::lock_guard lock(lock_);
  lastError_ = core::Error(kInvalidRequestName, 1, reason,
                           core::Value(core::Dictionary{{"name", kInvalidRequestName}, {"reason", reason}}));
}

std::optional<core::Error> NetworkQueue::lastError() const {
  std::lock_guard lock(lock_);
  return lastError_;
}

bool NetworkQueue::addOperation(const std::shared_ptr<rl::Operation>& operation) {
  auto request = std::dynamic_pointer_cast<HTTPRequest>(operation);
  if (!request) {
    refuse(kInvalidRequestReason);
    return false;
  }
  if (request->isFinished() || request->isExecuting()) {
    refuse("Attempted to add a request that has already started to an NetworkQueue");
    return false;
  }
  ++requestsCount_;

  if (showAccurateProgress()) {
    // The body is built now, so that its length is known before anything is sent.
    request->buildPostBody();
    // A GET added before the queue starts learns its size from a HEAD pre-request that runs first. (A
    // request added later would only move the overall progress backwards: it reports its size when its
    // own response arrives.)
    if (request->requestMethod() == "GET" && isSuspended()) {
      auto head = request->HEADRequest();
      addHEADOperation(head);
      request->addDependency(head);
      if (request->shouldResetDownloadProgress()) {
        // The pre-request counts the size (with the flags it was made with); the request's own
        // response must not count it a second time.
        resetProgressDelegate(downloadProgressDelegate());
        request->setShouldResetDownloadProgress(false);
      }
    }
    addTo(totalBytesToUpload_, static_cast<std::int64_t>(request->postLength()));
  } else {
    addTo(totalBytesToDownload_, 1);
    addTo(totalBytesToUpload_, 1);
  }

  if (request->shouldResetUploadProgress()) {
    resetProgressDelegate(uploadProgressDelegate());
    request->setShouldResetUploadProgress(false);
  }

  request->setShowAccurateProgress(showAccurateProgress());
  request->setQueue(weak_from_this());
  if (!rl::OperationQueue::addOperation(request)) {
    --requestsCount_;
    refuse("The request could not be queued");
    return false;
  }
  return true;
}

bool NetworkQueue::addHEADOperation(const std::shared_ptr<rl::Operation>& operation) {
  auto request = std::dynamic_pointer_cast<HTTPRequest>(operation);
  if (!request) {
    refuse(kInvalidRequestReason);
    return false;
  }
  request->setRequestMethod("HEAD");
  request->setQueuePriority(kHEADRequestPriority);
  request->setShowAccurateProgress(true);
  request->setQueue(weak_from_this());
  if (!rl::OperationQueue::addOperation(request)) {
    refuse("The request could not be queued");
    return false;
  }
  return true;
}

std::shared_ptr<NetworkQueue> NetworkQueue::copy() const {
  auto q = queue();
  Callbacks cb = callbacks();
  {
    std::lock_guard lock(q->lock_);
    q->callbacks_ = cb;
    std::lock_guard ownLock(lock_);
    q->userInfo_ = userInfo_.deepCopy();
  }
  q->setShouldCancelAllRequestsOnFailure(shouldCancelAllRequestsOnFailure());
  q->setShowAccurateProgress(showAccurateProgress());
  return q;
}

// ---------------------------------------------------------------------------------------------------
// Accessors

NetworkQueue::Callbacks NetworkQueue::callbacks() const {
  std::lock_guard lock(lock_);
  return callbacks_;
}

std::weak_ptr<HTTPRequestDelegate> NetworkQueue::delegate() const {
  std::lock_guard lock(lock_);
  return callbacks_.delegate;
}

void NetworkQueue::setDelegate(std::weak_ptr<HTTPRequestDelegate> delegate) {
  std::lock_guard lock(lock_);
  callbacks_.delegate = std::move(delegate);
}

void NetworkQueue::setRequestDidStartSelector(RequestSelector s) {
  std::lock_guard lock(lock_);
  callbacks_.didStart = std::move(s);
}

void NetworkQueue::setRequestDidReceiveResponseHeadersSelector(HeadersSelector s) {
  std::lock_guard lock(lock_);
  callbacks_.didReceiveResponseHeaders = std::move(s);
}

void NetworkQueue::setRequestWillRedirectSelector(RedirectSelector s) {
  std::lock_guard lock(lock_);
  callbacks_.willRedirect = std::move(s);
}

void NetworkQueue::setRequestDidFinishSelector(RequestSelector s) {
  std::lock_guard lock(lock_);
  callbacks_.didFinish = std::move(s);
}

void NetworkQueue::setRequestDidFailSelector(RequestSelector s) {
  std::lock_guard lock(lock_);
  callbacks_.didFail = std::move(s);
}

void NetworkQueue::setQueueDidFinishSelector(QueueSelector s) {
  std::lock_guard lock(lock_);
  callbacks_.queueDidFinish = std::move(s);
}

bool NetworkQueue::hasRequestDidStartSelector() const { return callbacks().didStart != nullptr; }
bool NetworkQueue::hasRequestDidReceiveResponseHeadersSelector() const {
  return callbacks().didReceiveResponseHeaders != nullptr;
}
bool NetworkQueue::hasRequestWillRedirectSelector() const { return callbacks().willRedirect != nullptr; }
bool NetworkQueue::hasRequestDidFinishSelector() const { return callbacks().didFinish != nullptr; }
bool NetworkQueue::hasRequestDidFailSelector() const { return callbacks().didFail != nullptr; }
bool NetworkQueue::hasQueueDidFinishSelector() const { return callbacks().queueDidFinish != nullptr; }

std::weak_ptr<HTTPProgressDelegate> NetworkQueue::uploadProgressDelegate() const {
  std::lock_guard lock(lock_);
  return callbacks_.uploadProgressDelegate;
}

void NetworkQueue::setUploadProgressDelegate(std::weak_ptr<HTTPProgressDelegate> delegate) {
  {
    std::lock_guard lock(lock_);
    callbacks_.uploadProgressDelegate = delegate;
  }
  resetProgressDelegate(delegate);
}

std::weak_ptr<HTTPProgressDelegate> NetworkQueue::downloadProgressDelegate() const {
  std::lock_guard lock(lock_);
  return callbacks_.downloadProgressDelegate;
}

void NetworkQueue::setDownloadProgressDelegate(std::weak_ptr<HTTPProgressDelegate> delegate) {
  {
    std::lock_guard lock(lock_);
    callbacks_.downloadProgressDelegate = delegate;
  }
  resetProgressDelegate(delegate);
}

core::Value NetworkQueue::userInfo() const {
  std::lock_guard lock(lock_);
  return userInfo_;
}

void NetworkQueue::setUserInfo(core::Value info) {
  std::lock_guard lock(lock_);
  userInfo_ = std::move(info);
}

// ---------------------------------------------------------------------------------------------------
// Progress

void NetworkQueue::resetProgressDelegate(const std::weak_ptr<HTTPProgressDelegate>& delegate) {
  if (delegate.expired()) return;
  rl::performOnMainThread(
      [delegate] {
        if (auto d = delegate.lock()) d->setProgress(0.0f);
      },
      false);
}

void NetworkQueue::addTo(std::atomic<std::uint64_t>& counter, std::int64_t amount) {
  // Amounts may be negative (a retried upload takes back what it had sent); a counter never drops
  // below 0.
  std::uint64_t current = counter.load();
  for (;;) {
    std::uint64_t next;
    if (amount >= 0) {
      next = current + static_cast<std::uint64_t>(amount);
    } else {
      const std::uint64_t taken = static_cast<std::uint64_t>(-(amount + 1)) + 1;
      next = taken > current ? 0 : current - taken;
    }
    if (counter.compare_exchange_weak(current, next)) return;
  }
}

float NetworkQueue::fraction(std::uint64_t progress, std::uint64_t total) {
  if (total == 0) return 0.0f;
  return static_cast<float>(static_cast<double>(progress) / static_cast<double>(total));
}

void NetworkQueue::requestDidReceiveBytes(const std::shared_ptr<HTTPRequest>& request, std::int64_t bytes) {
  addTo(bytesDownloadedSoFar_, bytes);
  if (auto d = downloadProgressDelegate().lock()) {
    const float value = fraction(bytesDownloadedSoFar(), totalBytesToDownload());
    rl::performOnMainThread([d, value] { d->setProgress(value); }, false);
  }
}

void NetworkQueue::requestDidSendBytes(const std::shared_ptr<HTTPRequest>& request, std::int64_t bytes) {
  addTo(bytesUploadedSoFar_, bytes);
  if (auto d = uploadProgressDelegate().lock()) {
    const float value = fraction(bytesUploadedSoFar(), totalBytesToUpload());
    rl::performOnMainThread([d, value] { d->setProgress(value); }, false);
  }
}

void NetworkQueue::requestIncrementDownloadSizeBy(const std::shared_ptr<HTTPRequest>& request,
                                                  std::int64_t amount) {
  addTo(totalBytesToDownload_, amount);
}

void NetworkQueue::requestIncrementUploadSizeBy(const std::shared_ptr<HTTPRequest>& request,
                                                std::int64_t amount) {
  addTo(totalBytesToUpload_, amount);
}

// ---------------------------------------------------------------------------------------------------
// Notices. The delegate and the selectors are read at each call: a delegate may reset the queue from
// inside one of them.

void NetworkQueue::requestStarted(const std::shared_ptr<HTTPRequest>& request) {
  Callbacks cb = callbacks();
  if (auto d = cb.delegate.lock(); d && cb.didStart) cb.didStart(*d, request);
}

void NetworkQueue::requestDidReceiveResponseHeaders(const std::shared_ptr<HTTPRequest>& request,
                                                    const core::Value& headers) {
  Callbacks cb = callbacks();
  if (auto d = cb.delegate.lock(); d && cb.didReceiveResponseHeaders)
    cb.didReceiveResponseHeaders(*d, request, headers);
}

void NetworkQueue::requestWillRedirectToURL(const std::shared_ptr<HTTPRequest>& request,
                                            const core::URL& url) {
  Callbacks cb = callbacks();
  if (auto d = cb.delegate.lock(); d && cb.willRedirect) cb.willRedirect(*d, request, url);
}

void NetworkQueue::requestFinished(const std::shared_ptr<HTTPRequest>& request) {
  auto self = weak_from_this().lock();
  int left = requestsCount_.load();
  while (left > 0 && !requestsCount_.compare_exchange_weak(left, left - 1)) {
  }
  left = left > 0 ? left - 1 : 0;
  {
    Callbacks cb = callbacks();
    if (auto d = cb.delegate.lock(); d && cb.didFinish) cb.didFinish(*d, request);
  }
  if (left == 0 && self) {
    Callbacks cb = callbacks();
    if (auto d = cb.delegate.lock(); d && cb.queueDidFinish) cb.queueDidFinish(*d, self);
  }
}

void NetworkQueue::requestFailed(const std::shared_ptr<HTTPRequest>& request) {
  auto self = weak_from_this().lock();
  int left = requestsCount_.load();
  while (left > 0 && !requestsCount_.compare_exchange_weak(left, left - 1)) {
  }
  left = left > 0 ? left - 1 : 0;
  {
    Callbacks cb = callbacks();
    if (auto d = cb.delegate.lock(); d && cb.didFail) cb.didFail(*d, request);
  }
  if (left == 0 && self) {
    Callbacks cb = callbacks();
    if (auto d = cb.delegate.lock(); d && cb.queueDidFinish) cb.queueDidFinish(*d, self);
  }
  if (shouldCancelAllRequestsOnFailure() && requestsCount_.load() > 0) cancelAllOperations();
}

void NetworkQueue::authenticationNeededForRequest(const std::shared_ptr<HTTPRequest>& request) {
  if (auto d = delegate().lock(); d && d->respondsToAuthenticationNeededForRequest())
    d->authenticationNeededForRequest(request);
}

void NetworkQueue::proxyAuthenticationNeededForRequest(const std::shared_ptr<HTTPRequest>& request) {
  if (auto d = delegate().lock(); d && d->respondsToProxyAuthenticationNeededForRequest())
    d->proxyAuthenticationNeededForRequest(request);
}

bool NetworkQueue::respondsToRequestWillRedirectToURL() const {
  Callbacks cb = callbacks();
  return cb.willRedirect && !cb.delegate.expired();
}

bool NetworkQueue::respondsToAuthenticationNeededForRequest() const {
  auto d = delegate().lock();
  return d && d->respondsToAuthenticationNeededForRequest();
}

bool NetworkQueue::respondsToProxyAuthenticationNeededForRequest() const {
  auto d = delegate().lock();
  return d && d->respondsToProxyAuthenticationNeededForRequest();
}
