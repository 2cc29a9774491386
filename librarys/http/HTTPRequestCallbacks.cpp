// HTTPRequest: progress, callbacks on the main thread, and the one path by which a request fails.

#include "librarys/http/HTTPRequest.h"
#include "librarys/http/HTTPRequestClassState.h"
#include "platform/runloop/RunLoop.h"

namespace {

float fraction(std::uint64_t progress, std::uint64_t total) {
  if (total == 0) return 0.0f;
  return static_cast<float>(static_cast<double>(progress) / static_cast<double>(total));
}

}  // namespace

void HTTPRequest::performBlockOnMainThread(std::function<void()> fn) {
  if (!fn) return;
  auto self = shared();
  std::function<void()> call = [self, fn = std::move(fn)] { fn(); };
  if (rl::RunLoop::isMainThread() && runsSynchronouslyOnMain_) {
    std::lock_guard lock(mainThreadCallsLock_);
    mainThreadCalls_.push_back(std::move(call));
    return;
  }
  rl::RunLoop::main().post(std::move(call), rl::kCommonModes);
}

void HTTPRequest::flushMainThreadCalls() {
  for (;;) {
    std::vector<std::function<void()>> calls;
    {
      std::lock_guard lock(mainThreadCallsLock_);
      calls.swap(mainThreadCalls_);
    }
    if (calls.empty()) return;
    for (auto& call : calls) call();
  }
}

// ---------------------------------------------------------------------------------------------------
// Progress

void HTTPRequest::updateProgressIndicators() {
  if (!mainRequest_.expired()) return;
  if (!showAccurateProgress_ && !(complete_ && !updatedProgress_)) return;
  updateUploadProgress();
  updateDownloadProgress();
}

void HTTPRequest::updateDownloadProgress() {
  if (!responseHeaders_.isDictionary() || needsRedirect_) return;
  if (contentLength_ == 0 && !complete_) return;
  std::uint64_t bytesReadSoFar = totalBytesRead_ + partialDownloadSize_;
  std::int64_t value;
  if (showAccurateProgress_ && contentLength_ > 0) {
    value = static_cast<std::int64_t>(bytesReadSoFar) - static_cast<std::int64_t>(lastBytesRead_);
  } else {
    value = 1;
    updatedProgress_ = true;
  }
  if (value == 0) return;
  std::uint64_t progress = totalBytesRead_ + partialDownloadSize_;
  std::uint64_t total = contentLength_ + partialDownloadSize_;
  std::lock_guard progressLock(classState().progressLock);
  auto self = shared();
  performBlockOnMainThread([self, value, progress, total] {
    if (auto q = self->lockedQueue()) q->requestDidReceiveBytes(self, value);
    if (auto d = self->downloadProgressDelegate().lock()) {
      d->requestDidReceiveBytes(self, value);
      d->setProgress(fraction(progress, total));
    }
    ProgressBlock block;
    {
      std::lock_guard lock(self->cancelledLock_);
      block = self->blocks_->bytesReceived;
    }
    if (block) block(static_cast<std::uint64_t>(value), total);
  });
  lastBytesRead_ = bytesReadSoFar;
}

void HTTPRequest::updateUploadProgress() {
  if (isCancelled() || totalBytesSent_ == 0) return;
  if (uploadBufferSize_ == 0 && totalBytesSent_ != postLength_) {
    // The first chunk goes into the connection's buffer at once; it is left out of the measured progress.
    uploadBufferSize_ = totalBytesSent_;
    incrementUploadSizeBy(-static_cast<std::int64_t>(uploadBufferSize_));
  }
  std::int64_t value;
  if (showAccurateProgress_) {
    if (totalBytesSent_ == postLength_ || lastBytesSent_ > 0) {
      value = static_cast<std::int64_t>(totalBytesSent_) - static_cast<std::int64_t>(lastBytesSent_);
    } else {
      return;
    }
  } else {
    value = 1;
    updatedProgress_ = true;
  }
  if (value == 0) return;
  std::uint64_t progress = totalBytesSent_ - uploadBufferSize_;
  std::uint64_t total = postLength_ > uploadBufferSize_ ? postLength_ - uploadBufferSize_ : 0;
  std::uint64_t postLength = postLength_;
  std::lock_guard progressLock(classState().progressLock);
  auto self = shared();
  performBlockOnMainThread([self, value, progress, total, postLength] {
    if (auto q = self->lockedQueue()) q->requestDidSendBytes(self, value);
    if (auto d = self->uploadProgressDelegate().lock()) {
      d->requestDidSendBytes(self, value);
      d->setProgress(fraction(progress, total));
    }
    ProgressBlock block;
    {
      std::lock_guard lock(self->cancelledLock_);
      block = self->blocks_->bytesSent;
    }
    if (block && value > 0) block(static_cast<std::uint64_t>(value), postLength);
  });
}

void HTTPRequest::incrementDownloadSizeBy(std::int64_t length) {
  auto self = shared();
  performBlockOnMainThread([self, length] {
    if (auto q = self->lockedQueue()) q->requestIncrementDownloadSizeBy(self, length);
    if (auto d = self->downloadProgressDelegate().lock()) d->requestIncrementDownloadSizeBy(self, length);
    SizeBlock block;
    {
      std::lock_guard lock(self->cancelledLock_);
      block = self->blocks_->downloadSizeIncremented;
    }
    if (block) block(length);
  });
}

void HTTPRequest::incrementUploadSizeBy(std::int64_t length) {
  auto self = shared();
  performBlockOnMainThread([self, length] {
    if (auto q = self->lockedQueue()) q->requestIncrementUploadSizeBy(self, length);
    if (auto d = self->uploadProgressDelegate().lock()) d->requestIncrementUploadSizeBy(self, length);
    SizeBlock block;
    {
      std::lock_guard lock(self->cancelledLock_);
      block = self->blocks_->uploadSizeIncremented;
    }
    if (block) block(length);
  });
}

void HTTPRequest::removeUploadProgressSoFar() {
  std::int64_t value = -static_cast<std::int64_t>(totalBytesSent_);
  auto self = shared();
  performBlockOnMainThread([self, value] {
    if (auto q = self->lockedQueue()) q->requestDidSendBytes(self, value);
    if (auto d = self->uploadProgressDelegate().lock()) {
      d->requestDidSendBytes(self, value);
      d->setProgress(0.0f);
    }
    // The bytes-sent block counts bytes that went out (traffic): the bytes of the failed attempt did go
    // out, so nothing is taken back from it.
  });
}

// ---------------------------------------------------------------------------------------------------
// Notices

void HTTPRequest::requestStarted() {
  if (error_ || !mainRequest_.expired()) return;
  auto self = shared();
  performBlockOnMainThread([self] {
    RequestSelector selector;
    BasicBlock block;
    {
      std::lock_guard lock(self->cancelledLock_);
      selector = self->didStartSelector_;
      block = self->blocks_->started;
    }
    if (auto d = self->lockedDelegate(); d && selector) selector(*d, self);
    if (block) block();
    if (auto q = self->lockedQueue()) q->requestStarted(self);
  });
}

void HTTPRequest::requestRedirected() {
  if (error_ || !mainRequest_.expired()) return;
  auto self = shared();
  performBlockOnMainThread([self] {
    BasicBlock block;
    {
      std::lock_guard lock(self->cancelledLock_);
      block = self->blocks_->requestRedirected;
    }
    if (auto d = self->lockedDelegate()) d->requestRedirected(self);
    if (block) block();
  });
}

void HTTPRequest::requestReceivedResponseHeaders(const core::Value& headers) {
  if (error_ || !mainRequest_.expired()) return;
  auto self = shared();
  core::Value copy = headers.deepCopy();
  performBlockOnMainThread([self, copy] {
    HeadersSelector selector;
    HeadersBlock block;
    {
      std::lock_guard lock(self->cancelledLock_);
      selector = self->didReceiveResponseHeadersSelector_;
      block = self->blocks_->headersReceived;
    }
    if (auto d = self->lockedDelegate(); d && selector) selector(*d, self, copy);
    if (block) block(copy);
    if (auto q = self->lockedQueue()) q->requestDidReceiveResponseHeaders(self, copy);
  });
}

void HTTPRequest::requestWillRedirectToURL(const core::URL& newURL) {
  if (error_ || !mainRequest_.expired()) return;
  auto self = shared();
  performBlockOnMainThread([self, newURL] {
    RedirectSelector selector;
    bool selectorIsDefault;
    {
      std::lock_guard lock(self->cancelledLock_);
      selector = self->willRedirectSelector_;
      selectorIsDefault = self->willRedirectSelectorIsDefault_;
    }
    if (auto d = self->lockedDelegate();
        d && selector && (!selectorIsDefault || d->respondsToRequestWillRedirectToURL()))
      selector(*d, self, newURL);
    if (auto q = self->lockedQueue(); q && q->respondsToRequestWillRedirectToURL())
      q->requestWillRedirectToURL(self, newURL);
  });
}

void HTTPRequest::requestFinished() {
  if (error_ || !mainRequest_.expired()) return;
  auto self = shared();
  performBlockOnMainThread([self] { self->reportFinished(); });
}

void HTTPRequest::reportFinished() {
  auto self = shared();
  RequestSelector selector;
  BasicBlock block;
  {
    std::lock_guard lock(cancelledLock_);
    selector = didFinishSelector_;
    block = blocks_->completion;
  }
  if (auto d = lockedDelegate(); d && selector) selector(*d, self);
  if (block) block();
  if (auto q = lockedQueue()) q->requestFinished(self);
  // The request has told its end: its blocks (which may hold the request) are let go.
  releaseBlocksOnMainThread();
}

void HTTPRequest::reportFailure() {
  auto self = shared();
  RequestSelector selector;
  BasicBlock block;
  {
    std::lock_guard lock(cancelledLock_);
    selector = didFailSelector_;
    block = blocks_->failure;
  }
  if (auto d = lockedDelegate(); d && selector) selector(*d, self);
  if (block) block();
  if (auto q = lockedQueue()) q->requestFailed(self);
  releaseBlocksOnMainThread();
}

void HTTPRequest::passOnReceivedData(const std::string& data) {
  auto self = shared();
  DataSelector selector;
  DataBlock block;
  bool selectorIsDefault;
  {
    std::lock_guard lock(cancelledLock_);
    selector = didReceiveDataSelector_;
    selectorIsDefault = didReceiveDataSelectorIsDefault_;
    block = blocks_->dataReceived;
  }
  if (auto d = lockedDelegate();
      d && selector && (!selectorIsDefault || d->respondsToRequestDidReceiveData()))
    selector(*d, self, data);
  if (block) block(data);
}

bool HTTPRequest::delegateRespondsToDidReceiveData() const {
  std::lock_guard lock(cancelledLock_);
  if (blocks_->dataReceived) return true;
  auto d = delegate_.lock();
  if (!d || !didReceiveDataSelector_) return false;
  return !didReceiveDataSelectorIsDefault_ || d->respondsToRequestDidReceiveData();
}

// ---------------------------------------------------------------------------------------------------
// Failing

void HTTPRequest::dropConnectionFromPool() {
  std::shared_ptr<net::HTTPReadStream> orphan;
  {
    std::lock_guard lock(classState().connectionsLock);
    if (connectionInfo_) {
      connectionInfo_->request.reset();
      auto& pool = classState().persistentConnectionsPool;
      std::erase(pool, connectionInfo_);
      if (connectionInfo_->stream && connectionInfo_->stream != readStream_) orphan = connectionInfo_->stream;
      connectionInfo_->stream.reset();
    }
  }
  // A connection taken out of the pool is closed: nobody will reuse it.
  connectionCanBeReused_ = false;
  if (orphan) {
    orphan->setClient(0, nullptr);
    orphan->close();
  }
}

void HTTPRequest::failWithError(const core::Error& theError) {
  std::lock_guard lock(cancelledLock_);
  complete_ = true;
  redirectConfirmationPending_ = false;
  if (theError.domain != kHTTPRequestErrorDomain ||
      (theError.code != AuthenticationErrorType && theError.code != TooMuchRedirectionErrorType)) {
    dropConnectionFromPool();
    destroyReadStream();
  }
  if (connectionCanBeReused_ && connectionInfo_) {
    std::lock_guard poolLock(classState().connectionsLock);
    connectionInfo_->expires = httpdetail::now() + persistentConnectionTimeoutSeconds_;
  }
  if (isCancelled() || error_) return;

  if (downloadCache_ && (cachePolicy_ & FallbackToCacheIfLoadFailsCachePolicy) &&
      downloadCache_->canUseCachedDataForRequest(*this)) {
    useDataFromCache();
    return;
  }

  error_ = theError;
  auto mainRequest = mainRequest_.lock();
  if (mainRequest) {
    std::lock_guard mainLock(mainRequest->cancelledLock_);
    mainRequest->error_ = theError;
  }
  // Reported once no lock is held (never inline here: this runs under cancelledLock_).
  std::shared_ptr<HTTPRequest> target = mainRequest ? mainRequest : shared();
  target->performBlockOnMainThread([target] { target->reportFailure(); });
  if (inProgress_) markAsFinished();
}
