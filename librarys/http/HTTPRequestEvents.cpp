// HTTPRequest: stream events, the response body (memory, file, or a data callback), the end of a
// response, stream errors with the one retry of a dropped connection, scheduling, and finishing.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "librarys/http/DataDecompressor.h"
#include "librarys/http/HTTPInputStream.h"
#include "librarys/http/HTTPRequest.h"
#include "librarys/http/HTTPRequestClassState.h"
#include "platform/core/Paths.h"
#include "platform/core/Text.h"
#include "platform/net/HTTPMessage.h"
#include "platform/runloop/RunLoop.h"

namespace {

constexpr unsigned kStreamEvents =
    net::kEventHasBytesAvailable | net::kEventErrorOccurred | net::kEventEndEncountered;
constexpr const char* kSSLText =
    ": SSL problem (Possible causes may include a bad/expired/self-signed certificate, clock set to wrong "
    "date)";

core::Value underlyingValue(const core::Error& e) {
  return core::Value(
      core::Dictionary{{"domain", e.domain}, {"code", e.code}, {"description", e.description}});
}

// Moves `from` over `to` in one step, so `to` is never missing or half written: a rename, or, across
// file systems, a copy next to `to` that is then renamed over it.
bool replaceFile(const std::string& from, const std::string& to, int* err) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  if (errno != EXDEV) {
    *err = errno;
    return false;
  }
  auto bytes = core::Paths::readFile(from);
  if (!bytes || !core::Paths::atomicWrite(to, *bytes)) {
    *err = EIO;
    return false;
  }
  std::remove(from.c_str());
  return true;
}

}  // namespace

void HTTPRequest::handleNetworkEvent(net::ReadStreamEvent type) {
  std::unique_lock lock(cancelledLock_);
  if (complete_ || isCancelled()) return;
  auto self = shared();  // alive until the event has been handled
  switch (type) {
    case net::kEventHasBytesAvailable:
      handleBytesAvailable();
      break;
    case net::kEventEndEncountered:
      handleStreamComplete();
      break;
    case net::kEventErrorOccurred:
      handleStreamError();
      break;
    default:
      break;
  }
  performThrottling();
  lock.unlock();
  if (downloadComplete_ && needsRedirect_) {
    if (!willAskDelegateToConfirmRedirect()) performRedirect();
  } else if (downloadComplete_ && authenticationNeeded_ != HTTPAuthenticationState::NoAuthenticationNeeded) {
    attemptToApplyCredentialsAndResume();
  }
}

void HTTPRequest::handleBytesAvailable() {
  if (!responseHeaders_.isDictionary()) readResponseHeaders();
  if (complete_ || !readStream_) return;
  // A body announced larger than may be kept in memory is refused before any of it is read.
  if (contentLength_ > maxResponseDataSize_ && keepsBodyInMemory()) {
    failWithTooLargeResponse(tooLargeBodyError());
    return;
  }
  if (!readStream_->hasBytesAvailable()) {
    // The head alone arrived: acknowledged, so the stream tells again when body bytes come.
    std::uint8_t none = 0;
    readStream_->read(&none, 0);
    return;
  }

  std::size_t bufferSize = 16384;
  if (contentLength_ > 262144) {
    bufferSize = 262144;
  } else if (contentLength_ > 65536) {
    bufferSize = 65536;
  }
  bufferSize = classState().bandwidth.responseReadLength(bufferSize);

  thread_local std::vector<std::uint8_t> buffer;
  if (buffer.size() < bufferSize) buffer.resize(bufferSize);
  std::int64_t bytesRead = readStream_->read(buffer.data(), bufferSize);
  if (bytesRead < 0) {
    handleStreamError();
    return;
  }
  if (bytesRead == 0) return;
  std::string_view raw(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(bytesRead));

  std::optional<std::string> inflated;
  if (isResponseCompressed() && !shouldWaitToInflateCompressedResponses_) {
    if (!dataDecompressor_) {
      dataDecompressor_ = DataDecompressor::decompressor();
      if (!downloadDestinationPath_.empty()) {
        dataDecompressor_->setMaxOutputLength(maxInflatedDownloadSize_);
      } else if (keepsBodyInMemory()) {
        dataDecompressor_->setMaxOutputLength(maxResponseDataSize_);
      }
    }
    core::Error err;
    inflated = dataDecompressor_->uncompressBytes(raw, &err);
    if (!inflated) {
      if (dataDecompressor_->outputLimitExceeded()) {
        failWithTooLargeResponse(err);
      } else {
        failWithError(err);
      }
      return;
    }
  }

  totalBytesRead_ += static_cast<std::uint64_t>(bytesRead);
  lastActivityTime_ = clock()->now();
  incrementBandwidthUsedInLastSecond(static_cast<unsigned long>(bytesRead));

  // The body of a redirect answer to a download that resumes is not kept.
  if (needsRedirect_ && shouldRedirect_ && allowResumeForFileDownloads_) return;

  if (delegateRespondsToDidReceiveData()) {
    std::string data = inflated ? std::move(*inflated) : std::string(raw);
    auto self = shared();
    performBlockOnMainThread([self, data = std::move(data)] { self->passOnReceivedData(data); });
    return;
  }

  if (!downloadDestinationPath_.empty()) {
    if (fileDownloadOutputFd_ < 0) {
      bool pathWasSet = !temporaryFileDownloadPath_.empty();
      bool sentRange = false;
      for (const std::string& key : requestHeaders_.dict().keys())
        if (core::equalsIgnoringCase(key, "Range")) sentRange = true;
      if (request_ && request_->headerFieldValue("Range")) sentRange = true;
      bool gotContentRange =
          responseMessage_ && responseMessage_->headerFieldValue("Content-Range").has_value();
      bool append = allowResumeForFileDownloads_ && pathWasSet && sentRange && gotContentRange;
      if (sentRange && !gotContentRange && partialDownloadSize_ > 0) {
        // The server sent the whole body again: start the file afresh.
        incrementDownloadSizeBy(-static_cast<std::int64_t>(partialDownloadSize_));
        partialDownloadSize_ = 0;
      }
      if (!openFileOutput(fileDownloadOutputFd_, temporaryFileDownloadPath_, append)) {
        fileError("Failed to write to file at path '" + temporaryFileDownloadPath_ + "'");
        return;
      }
      if (inflated && inflatedFileDownloadOutputFd_ < 0 &&
          !openFileOutput(inflatedFileDownloadOutputFd_, temporaryUncompressedDataDownloadPath_, append)) {
        fileError("Failed to write to file at path '" + temporaryUncompressedDataDownloadPath_ + "'");
        return;
      }
    }
    if (!writeToFile(fileDownloadOutputFd_, temporaryFileDownloadPath_, raw)) {
      // A body that cannot be written (a full disk) ends the request; what was written stays for a resume.
      fileError("Failed to write to file at path '" + temporaryFileDownloadPath_ + "'");
      return;
    }
    if (inflated) {
      if (inflatedFileDownloadOutputFd_ < 0 &&
          !openFileOutput(inflatedFileDownloadOutputFd_, temporaryUncompressedDataDownloadPath_, false)) {
        fileError("Failed to write to file at path '" + temporaryUncompressedDataDownloadPath_ + "'");
        return;
      }
      if (!writeToFile(inflatedFileDownloadOutputFd_, temporaryUncompressedDataDownloadPath_, *inflated)) {
        fileError("Failed to write to file at path '" + temporaryUncompressedDataDownloadPath_ + "'");
        return;
      }
    }
    return;
  }

  keepInMemory(inflated ? std::string_view(*inflated) : raw);
}

bool HTTPRequest::keepsBodyInMemory() const {
  return downloadDestinationPath_.empty() && requestMethod_ != "HEAD" && !delegateRespondsToDidReceiveData();
}

bool HTTPRequest::keepInMemory(std::string_view bytes) {
  if (rawResponseData_.size() + bytes.size() > maxResponseDataSize_) {
    failWithTooLargeResponse(tooLargeBodyError());
    return false;
  }
  rawResponseData_.append(bytes);
  return true;
}

core::Error HTTPRequest::tooLargeBodyError() const {
  core::Error e = makeError(ConnectionFailureErrorType, "A connection failure occurred");
  e.userInfo.set(kHTTPUnderlyingErrorKey,
                 underlyingValue(core::Error(
                     net::kNetworkErrorDomain, net::kNetworkDataLengthExceedsMaximum,
                     "The response body is larger than " + std::to_string(maxResponseDataSize_) + " bytes")));
  return e;
}

void HTTPRequest::failWithTooLargeResponse(const core::Error& error) {
  connectionCanBeReused_ = false;
  std::string().swap(rawResponseData_);  // the memory itself goes, not only the bytes
  inflatedResponseData_.reset();
  dataDecompressor_.reset();
  cancelLoad();
  if (!downloadDestinationPath_.empty()) {
    // Nothing of an answer this large is worth resuming.
    closeFileOutputs();
    removeFileAtPath(temporaryFileDownloadPath_, nullptr);
    removeFileAtPath(temporaryUncompressedDataDownloadPath_, nullptr);
  }
  failWithError(error);
}

bool HTTPRequest::responseHasBegun() const {
  return totalBytesRead_ > 0 || responseMessage_ != nullptr ||
         (readStream_ && readStream_->responseBytesReceived() > 0);
}

bool HTTPRequest::isBodyShorterThanContentLength() const {
  if (!responseMessage_ || requestMethod_ == "HEAD") return false;
  int code = responseStatusCode_;
  if ((code >= 100 && code < 200) || code == 204 || code == 304) return false;
  if (auto te = responseMessage_->headerFieldValue("Transfer-Encoding");
      te && core::contains(core::toLower(*te), "chunked"))
    return false;
  auto cl = responseMessage_->headerFieldValue("Content-Length");
  if (!cl) return false;
  std::string text = core::trim(*cl);
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 19)
    return false;
  std::uint64_t expected = std::stoull(text);
  return totalBytesRead_ < expected;
}

void HTTPRequest::handleStreamComplete() {
  setStatusTimer(nullptr);
  downloadComplete_ = true;
  if (!responseHeaders_.isDictionary()) readResponseHeaders();
  if (complete_) return;  // answered from the cache while the headers were read

  if (isBodyShorterThanContentLength()) {
    // The body ended before its announced length: a broken connection, not a finished download. What
    // arrived stays in the temporary file when the download may resume.
    connectionCanBeReused_ = false;
    cancelLoad();
    failWithCode(ConnectionFailureErrorType, "A connection failure occurred",
                 core::Error(net::kNetworkErrorDomain, net::kNetworkConnectionLost,
                             "The body ended before its Content-Length"));
    return;
  }

  std::optional<core::Error> fileErr;
  {
    std::lock_guard progressLock(classState().progressLock);
    lastBytesSent_ = totalBytesSent_;
    if (readStream_) totalBytesSent_ = readStream_->requestBytesWritten();
    complete_ = true;
    if (contentLength_ == 0) contentLength_ = totalBytesRead_;
    updateProgressIndicators();
    if (postBodyReadStream_) {
      postBodyReadStream_->close();
      postBodyReadStream_.reset();
    }
    dataDecompressor_.reset();
    if (didCreateTemporaryPostDataFile_ &&
        authenticationNeeded_ == HTTPAuthenticationState::NoAuthenticationNeeded) {
      removeTemporaryUploadFile();
      removeTemporaryCompressedUploadFile();
    }

    if (!temporaryFileDownloadPath_.empty()) {
      closeFileOutputs();
      if (!(shouldRedirect_ && needsRedirect_ && allowResumeForFileDownloads_)) {
        if (isResponseCompressed() && shouldWaitToInflateCompressedResponses_) {
          // Inflated next to the destination, then put in its place in one step.
          std::string inflating = downloadDestinationPath_ + "." + httpdetail::uniqueString() + ".inflating";
          core::Error err;
          bool tooLarge = false;
          if (!DataDecompressor::uncompressDataFromFile(temporaryFileDownloadPath_, inflating, &err,
                                                        maxInflatedDownloadSize_, &tooLarge)) {
            fileErr = err;
            std::remove(inflating.c_str());
            if (tooLarge) removeFileAtPath(temporaryFileDownloadPath_, nullptr);  // nothing worth resuming
          } else {
            int code = 0;
            if (!replaceFile(inflating, downloadDestinationPath_, &code)) {
              fileErr = makeError(FileManagementError, "Failed to move file from '" + inflating + "' to '" +
                                                           downloadDestinationPath_ + "'");
              fileErr->userInfo.set(
                  kHTTPUnderlyingErrorKey,
                  underlyingValue(core::Error("NSPOSIXErrorDomain", code, std::strerror(code))));
              std::remove(inflating.c_str());
            }
          }
          if (!fileErr) removeTemporaryDownloadFile();
        } else if (isResponseCompressed()) {
          int code = 0;
          if (!replaceFile(temporaryUncompressedDataDownloadPath_, downloadDestinationPath_, &code)) {
            fileErr = makeError(FileManagementError, "Failed to move file from '" +
                                                         temporaryUncompressedDataDownloadPath_ + "' to '" +
                                                         downloadDestinationPath_ + "'");
            fileErr->userInfo.set(
                kHTTPUnderlyingErrorKey,
                underlyingValue(core::Error("NSPOSIXErrorDomain", code, std::strerror(code))));
          } else {
            temporaryUncompressedDataDownloadPath_.clear();
            removeTemporaryDownloadFile();
          }
        } else {
          // The finished file replaces the destination in one step (the destination never goes missing).
          int code = 0;
          if (!replaceFile(temporaryFileDownloadPath_, downloadDestinationPath_, &code)) {
            fileErr =
                makeError(FileManagementError, "Failed to move file from '" + temporaryFileDownloadPath_ +
                                                   "' to '" + downloadDestinationPath_ + "'");
            fileErr->userInfo.set(
                kHTTPUnderlyingErrorKey,
                underlyingValue(core::Error("NSPOSIXErrorDomain", code, std::strerror(code))));
          } else {
            temporaryFileDownloadPath_.clear();
          }
        }
      }
    }
    if (downloadCache_ && !didUseCachedResponse_)
      downloadCache_->storeResponseForRequest(*this, secondsToCache_);
  }

  {
    std::lock_guard poolLock(classState().connectionsLock);
    if (!connectionCanBeReused_) unscheduleReadStream();
    if (connectionInfo_) {
      connectionInfo_->request.reset();
      connectionInfo_->expires = httpdetail::now() + persistentConnectionTimeoutSeconds_;
    }
  }
  if (authenticationNeeded_ == HTTPAuthenticationState::NoAuthenticationNeeded) destroyReadStream();

  if (!needsRedirect_ && authenticationNeeded_ == HTTPAuthenticationState::NoAuthenticationNeeded &&
      !didUseCachedResponse_ && !error_) {
    if (fileErr) {
      failWithError(*fileErr);
    } else if (isResponseCompressed() && shouldWaitToInflateCompressedResponses_ && keepsBodyInMemory() &&
               !rawResponseData_.empty()) {
      // A compressed body kept in memory is inflated once, here, within the limit: a body that inflates
      // past it fails the request rather than reaching the caller.
      core::Error err;
      bool tooLarge = false;
      inflatedResponseData_ =
          DataDecompressor::uncompressData(rawResponseData_, &err, maxResponseDataSize_, &tooLarge);
      if (tooLarge) {
        failWithTooLargeResponse(err);
      } else {
        requestFinished();
      }
    } else {
      requestFinished();
    }
    markAsFinished();
  }
}

void HTTPRequest::handleStreamError() {
  std::optional<net::StreamError> streamError = readStream_ ? readStream_->error() : std::nullopt;
  if (error_) {
    cancelLoad();
  } else {
    if (streamError && streamError->isDroppedConnection() && retryUsingNewConnection()) return;
    std::string text = "A connection failure occurred";
    if (streamError && streamError->isSSLError()) text += kSSLText;
    connectionCanBeReused_ = false;
    cancelLoad();
    std::optional<core::Error> underlying;
    if (streamError) underlying = streamError->toError();
    failWithCode(ConnectionFailureErrorType, text, underlying);
  }
  checkRequestStatus();
}

bool HTTPRequest::retryUsingNewConnection() {
  // Once part of the answer has come, sending the request again could act twice or mix two answers.
  if (retryCount_ != 0 || responseHasBegun()) return false;
  connectionCanBeReused_ = false;
  willRetryRequest_ = true;
  cancelLoad();
  willRetryRequest_ = false;
  {
    std::lock_guard poolLock(classState().connectionsLock);
    if (connectionInfo_) {
      connectionInfo_->request.reset();
      std::erase(classState().persistentConnectionsPool, connectionInfo_);
      connectionInfo_->stream.reset();
      connectionInfo_.reset();
    }
  }
  ++retryCount_;
  // The server dropped a kept-alive connection: its other idle ones are no better, so the retry opens a
  // fresh one.
  forceNewConnection_ = true;
  prepareForRetry();
  startRequest();
  return true;
}

bool HTTPRequest::willAskDelegateToConfirmRedirect() {
  std::unique_lock lock(cancelledLock_);
  bool ask = false;
  if (auto d = delegate_.lock();
      d && willRedirectSelector_ &&
      (!willRedirectSelectorIsDefault_ || d->respondsToRequestWillRedirectToURL())) {
    ask = true;
  } else if (auto q = queue_.lock(); q && q->respondsToRequestWillRedirectToURL()) {
    ask = true;
  }
  if (!ask) return false;
  std::optional<core::URL> target = redirectURL_;
  redirectURL_.reset();
  redirectConfirmationPending_ = true;
  if (target) requestWillRedirectToURL(*target);
  return true;
}

void HTTPRequest::markAsFinished() {
  auto self = shared();
  request_.reset();
  requestAuthentication_.reset();
  proxyAuthentication_.reset();
  inProgress_ = false;
  if (!finished_.exchange(true)) rl::Operation::finish();
}

void HTTPRequest::useDataFromCache() {
  auto mainRequest = mainRequest_.lock();
  HTTPRequest& target = mainRequest ? *mainRequest : *this;
  if (!downloadCache_ || !url_) return;
  core::Value headers = downloadCache_->cachedResponseHeadersForURL(*url_);
  auto dataPath = downloadCache_->pathToCachedResponseDataForURL(*url_);
  if (!headers.isDictionary() || !dataPath) return;

  responseStatusCode_ = static_cast<int>(headers["X-HTTPRequest-Response-Status-Code"].toInt());
  didUseCachedResponse_ = true;
  target.responseHeaders_ = headers;
  if (!target.downloadDestinationPath_.empty()) {
    target.downloadDestinationPath_ = *dataPath;
  } else {
    target.rawResponseData_ = downloadCache_->cachedResponseDataForURL(*url_).value_or(std::string());
  }
  std::uint64_t length = static_cast<std::uint64_t>(headers["Content-Length"].toInt());
  target.contentLength_ = length;
  target.totalBytesRead_ = length;
  // Encoding and cookies from the stored headers.
  std::string contentType = headers["Content-Type"].toString();
  std::string mime;
  std::string encoding;
  parseMimeType(&mime, &encoding, contentType);
  target.responseEncoding_ = encoding.empty() ? target.defaultResponseEncoding_ : encoding;
  net::HeaderList lines;
  for (const auto& [name, value] : headers.dict()) lines.emplace_back(name, value.toString());
  target.responseCookies_ = HTTPCookie::cookiesWithResponseHeaderLines(lines, *url_, 0);

  auto location = headers["Location"];
  int code = responseStatusCode_;
  if (shouldRedirect_ && location.isString() && (code == 301 || code == 302 || code == 303 || code == 307)) {
    if (auto next = url_->resolve(location.str())) {
      redirectURL_ = next;
      needsRedirect_ = true;
      if (!willAskDelegateToConfirmRedirect()) performRedirect();
      return;
    }
  }
  target.complete_ = true;
  target.downloadComplete_ = true;
  if (target.redirectCount_ == 0) target.originalURL_ = target.url_;
  target.updateProgressIndicators();
  target.requestFinished();
  target.markAsFinished();
  if (mainRequest) markAsFinished();
}

// ---------------------------------------------------------------------------------------------------
// Scheduling

void HTTPRequest::scheduleReadStream() {
  if (!readStream_ || readStreamIsScheduled_) return;
  {
    std::lock_guard poolLock(classState().connectionsLock);
    ++classState().runningRequestCount;
    if (classState().shouldUpdateNetworkActivityIndicator) showNetworkActivityIndicator();
  }
  lastActivityTime_ = clock()->now();
  std::weak_ptr<HTTPRequest> weak = shared();
  readStream_->setClient(kStreamEvents, [weak](net::ReadStreamEvent event) {
    if (auto request = weak.lock()) request->handleNetworkEvent(event);
  });
  if (!requestRunLoop_) requestRunLoop_ = &rl::RunLoop::current();
  readStream_->scheduleInRunLoop(*requestRunLoop_, runLoopMode_);
  readStreamIsScheduled_ = true;
}

void HTTPRequest::unscheduleReadStream() {
  if (!readStream_ || !readStreamIsScheduled_) return;
  {
    std::lock_guard poolLock(classState().connectionsLock);
    --classState().runningRequestCount;
    if (classState().shouldUpdateNetworkActivityIndicator && classState().runningRequestCount == 0)
      rl::performOnMainThread([] { hideNetworkActivityIndicatorAfterDelay(); }, false);
  }
  readStream_->setClient(0, nullptr);
  if (requestRunLoop_) readStream_->unscheduleFromRunLoop(*requestRunLoop_, runLoopMode_);
  readStreamIsScheduled_ = false;
}

void HTTPRequest::destroyReadStream() {
  if (!readStream_) return;
  unscheduleReadStream();
  if (!connectionCanBeReused_) {
    readStream_->setClient(0, nullptr);
    readStream_->close();
  }
  readStream_.reset();
}
