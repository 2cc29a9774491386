// HTTPRequest: opening the read stream (body, TLS, proxy, pooled connection), the status timer with its
// time-out and retries, unloading, and the redirect restart.

#include "librarys/http/HTTPInputStream.h"
#include "librarys/http/HTTPRequest.h"
#include "librarys/http/HTTPRequestClassState.h"
#include "platform/core/Paths.h"
#include "platform/core/Text.h"
#include "platform/net/HTTPMessage.h"
#include "platform/runloop/RunLoop.h"
#include "platform/runloop/Timer.h"

namespace {

constexpr unsigned kStreamEvents =
    net::kEventHasBytesAvailable | net::kEventErrorOccurred | net::kEventEndEncountered;

int poolPort(const core::URL& url) { return url.port < 0 ? 0 : url.port; }

}  // namespace

void HTTPRequest::setProgressIndicator(bool upload, std::uint64_t progress, std::uint64_t total) {
  std::lock_guard progressLock(classState().progressLock);
  auto self = shared();
  float fraction =
      total == 0 ? 0.0f : static_cast<float>(static_cast<double>(progress) / static_cast<double>(total));
  performBlockOnMainThread([self, upload, fraction] {
    auto d = upload ? self->uploadProgressDelegate().lock() : self->downloadProgressDelegate().lock();
    if (d) d->setProgress(fraction);
  });
}

std::optional<std::int64_t> HTTPRequest::connectionID() const {
  std::lock_guard lock(classState().connectionsLock);
  if (!connectionInfo_) return std::nullopt;
  return connectionInfo_->id;
}

void HTTPRequest::expirePersistentConnections() {
  std::vector<std::shared_ptr<net::HTTPReadStream>> toClose;
  {
    std::lock_guard lock(classState().connectionsLock);
    double now = httpdetail::now();
    auto& pool = classState().persistentConnectionsPool;
    for (std::size_t i = 0; i < pool.size();) {
      const auto& entry = pool[i];
      if (!entry->request && entry->expires && *entry->expires <= now) {
        if (entry->stream) toClose.push_back(entry->stream);
        entry->stream.reset();
        pool.erase(pool.begin() + static_cast<std::ptrdiff_t>(i));
      } else {
        ++i;
      }
    }
  }
  for (auto& stream : toClose) stream->close();
}

void HTTPRequest::startRequest() {
  if (isCancelled()) return;
  std::lock_guard lock(cancelledLock_);
  auto self = shared();
  requestRunLoop_ = &rl::RunLoop::current();
  requestStarted();

  downloadComplete_ = false;
  complete_ = false;
  totalBytesRead_ = 0;
  lastBytesRead_ = 0;
  if (redirectCount_ == 0) originalURL_ = url_;
  if (lastBytesSent_ > 0) removeUploadProgressSoFar();
  lastBytesSent_ = 0;
  contentLength_ = 0;
  responseHeaders_ = core::Value();
  responseMessage_.reset();
  if (downloadDestinationPath_.empty()) rawResponseData_.clear();
  inflatedResponseData_.reset();
  readStreamIsScheduled_ = false;

  // The body source.
  std::shared_ptr<HTTPInputStream> body;
  if (shouldStreamPostDataFromDisk_ && !postBodyFilePath_.empty() &&
      core::Paths::fileExists(postBodyFilePath_)) {
    bool compressed =
        !compressedPostBodyFilePath_.empty() && core::Paths::fileExists(compressedPostBodyFilePath_);
    body = HTTPInputStream::inputStreamWithFileAtPath(
        compressed ? compressedPostBodyFilePath_ : postBodyFilePath_, self);
  } else if (!postBody_.empty()) {
    bool compressed = shouldCompressRequestBody_ && !compressedPostBody_.empty();
    body = HTTPInputStream::inputStreamWithData(compressed ? compressedPostBody_ : postBody_, self);
  }
  postBodyReadStream_ = body;
  if (body) {
    readStream_ = net::HTTPReadStream::createForStreamedRequest(
        request_,
        net::BodySource::reader([body](std::uint8_t* buf, std::size_t max) { return body->read(buf, max); }));
  } else {
    readStream_ = request_ ? net::HTTPReadStream::create(request_) : nullptr;
  }
  if (!readStream_) {
    failWithError(makeError(InternalErrorWhileBuildingRequestType, "Unable to create read stream"));
    return;
  }

  // TLS.
  if (core::toLower(url_->scheme) == "https") {
    net::SSLSettings ssl;
    if (!validatesSecureCertificate_) {
      ssl.validatesCertificateChain = false;
      ssl.allowsExpiredCertificates = true;
      ssl.allowsAnyRoot = true;
      ssl.peerName = std::string();
    }
    ssl.additionalTrustedCertificatesFile = additionalTrustedCertificatesFile_;
    readStream_->setSSLSettings(ssl);
  }

  // Proxy.
  if (!proxyHost_.empty() && proxyPort_ > 0) {
    if (proxyType_.empty()) proxyType_ = "HTTP";
    net::ProxySettings proxy;
    proxy.type = core::equalsIgnoringCase(proxyType_, "SOCKS") ? net::ProxySettings::Type::SOCKS
                                                               : net::ProxySettings::Type::HTTP;
    proxy.host = proxyHost_;
    proxy.port = proxyPort_;
    readStream_->setProxy(proxy);
    // Through an HTTP proxy an https request's proxy credentials go on the CONNECT of its tunnel.
    if (proxy.type == net::ProxySettings::Type::HTTP && core::toLower(url_->scheme) == "https" && request_)
      if (auto value = request_->headerFieldValue("Proxy-Authorization"))
        readStream_->setTunnelProxyAuthorization(*value);
  }

  // A connection from the pool.
  expirePersistentConnections();
  std::shared_ptr<net::HTTPReadStream> previousStream;
  std::shared_ptr<net::HTTPReadStream> expiredStream;
  {
    std::lock_guard poolLock(classState().connectionsLock);
    auto& cs = classState();
    if (!url_ || url_->host.empty() || url_->scheme.empty()) {
      connectionInfo_.reset();
      shouldAttemptPersistentConnection_ = false;
    }
    if (shouldAttemptPersistentConnection_) {
      const std::string& host = url_->host;
      const std::string& scheme = url_->scheme;
      int port = poolPort(*url_);
      double now = httpdetail::now();
      if (connectionInfo_) {
        bool same = connectionInfo_->host == host && connectionInfo_->scheme == scheme &&
                    connectionInfo_->port == port;
        bool expired = connectionInfo_->expires && *connectionInfo_->expires <= now;
        bool busy = connectionInfo_->request.has_value();
        if (!same || expired || busy) {
          if (expired && !busy) {
            std::erase(cs.persistentConnectionsPool, connectionInfo_);
            expiredStream = connectionInfo_->stream;
            connectionInfo_->stream.reset();
          }
          connectionInfo_.reset();
        }
      }
      if (!connectionInfo_ && !forceNewConnection_) {
        for (const auto& entry : cs.persistentConnectionsPool) {
          if (!entry->request && entry->host == host && entry->scheme == scheme && entry->port == port)
            connectionInfo_ = entry;  // the last matching one in pool order
        }
      }
      forceNewConnection_ = false;
      if (!connectionInfo_) {
        connectionInfo_ = std::make_shared<ConnectionInfo>();
        connectionInfo_->id = ++cs.nextConnectionNumberToCreate;
        connectionInfo_->host = host;
        connectionInfo_->port = port;
        connectionInfo_->scheme = scheme;
        cs.persistentConnectionsPool.push_back(connectionInfo_);
      }
      if (!requestID_) requestID_ = ++cs.nextRequestID;
      connectionInfo_->request = requestID_;
      previousStream = connectionInfo_->stream;
      connectionInfo_->stream = readStream_;
      readStream_->setAttemptPersistentConnection(true);
      readStream_->setStreamID(connectionInfo_->id);
    }
  }
  if (expiredStream) expiredStream->close();

  if (!readStreamIsScheduled_ && !classState().bandwidth.isAsleep()) scheduleReadStream();

  std::weak_ptr<HTTPRequest> weak = self;
  readStream_->setClient(kStreamEvents, [weak](net::ReadStreamEvent event) {
    if (auto request = weak.lock()) request->handleNetworkEvent(event);
  });
  if (!readStream_->open()) {
    connectionCanBeReused_ = false;
    destroyReadStream();
    failWithError(makeError(InternalErrorWhileBuildingRequestType, "Unable to start HTTP connection"));
    return;
  }
  if (previousStream && previousStream != readStream_) {
    previousStream->setClient(0, nullptr);
    previousStream->close();
  }

  if (mainRequest_.expired()) {
    if (shouldResetUploadProgress_) {
      incrementUploadSizeBy(showAccurateProgress_ ? static_cast<std::int64_t>(postLength_) : 1);
      setProgressIndicator(true, 0, 1);
    }
    if (shouldResetDownloadProgress_ && partialDownloadSize_ == 0) setProgressIndicator(false, 0, 1);
  }

  lastActivityTime_ = clock()->now();
  auto timer = rl::Timer::make(0.25, true, [weak](rl::Timer& t) {
    auto request = weak.lock();
    if (!request) {
      t.invalidate();
      return;
    }
    request->updateStatus();
  });
  requestRunLoop_->addTimer(timer, runLoopMode_);
  setStatusTimer(timer);
}

void HTTPRequest::setStatusTimer(std::shared_ptr<rl::Timer> timer) {
  if (timer == statusTimer_) return;
  if (statusTimer_) statusTimer_->invalidate();
  statusTimer_ = std::move(timer);
}

void HTTPRequest::updateStatus() {
  auto self = shared();
  checkRequestStatus();
  if (!inProgress_) setStatusTimer(nullptr);
}

bool HTTPRequest::shouldTimeOut() {
  if (!readStream_ || !readStreamIsScheduled_ || !lastActivityTime_ || timeOutSeconds_ <= 0) return false;
  double idle = clock()->now() - *lastActivityTime_;
  if (idle <= timeOutSeconds_) return false;
  if (postLength_ == 0 || (uploadBufferSize_ > 0 && totalBytesSent_ > uploadBufferSize_)) return true;
  return idle > 1.5 * timeOutSeconds_;
}

void HTTPRequest::prepareForRetry() {
  // What the failed attempt wrote stays on disk only for a download that resumes: the file is reopened
  // when the answer comes and either continues ("Content-Range") or starts again.
  closeFileOutputs();
  dataDecompressor_.reset();
  if (request_ && allowResumeForFileDownloads_ && !downloadDestinationPath_.empty()) {
    partialDownloadSize_ = 0;
    updatePartialDownloadSize();
    if (partialDownloadSize_ > 0) {
      request_->setHeaderFieldValue("Range", "bytes=" + std::to_string(partialDownloadSize_) + "-");
    } else {
      request_->removeHeaderField("Range");
    }
  }
}

void HTTPRequest::checkRequestStatus() {
  std::unique_lock lock(cancelledLock_);
  if (isCancelled() || complete_) return;
  performThrottling();
  if (deadlineSeconds_ > 0 && startTime_ && clock()->now() - *startTime_ > deadlineSeconds_) {
    // However steadily the bytes come, the request ends at its deadline: no retry.
    failWithError(makeError(RequestTimedOutErrorType, "The request did not end within its deadline"));
    cancelLoad();
    complete_ = true;
    return;
  }
  if (shouldTimeOut()) {
    if (retryCount_ < numberOfTimesToRetryOnTimeout_) {
      ++retryCount_;
      // The stalled connection is given up: closed and out of the pool.
      connectionCanBeReused_ = false;
      dropConnectionFromPool();
      destroyReadStream();
      connectionInfo_.reset();
      prepareForRetry();
      if (error_) return;
      lock.unlock();
      startRequest();
      return;
    }
    failWithError(makeError(RequestTimedOutErrorType, "The request timed out"));
    cancelLoad();
    complete_ = true;
    return;
  }
  if (readStream_ && postLength_ > 0) {
    lastBytesSent_ = totalBytesSent_;
    totalBytesSent_ = readStream_->requestBytesWritten();
    if (totalBytesSent_ > lastBytesSent_) {
      lastActivityTime_ = clock()->now();
      incrementBandwidthUsedInLastSecond(static_cast<unsigned long>(totalBytesSent_ - lastBytesSent_));
    }
  }
  updateProgressIndicators();
}

void HTTPRequest::cancelLoad() {
  std::lock_guard lock(cancelledLock_);
  destroyReadStream();
  if (postBodyReadStream_) {
    postBodyReadStream_->close();
    postBodyReadStream_.reset();
  }
  if (!complete_ && downloadDestinationPath_.empty()) rawResponseData_.clear();
  if (!downloadDestinationPath_.empty()) {
    closeFileOutputs();
    if (!complete_) {
      if (!allowResumeForFileDownloads_) removeTemporaryDownloadFile();
      removeTemporaryUncompressedDownloadFile();
    }
  }
  if (authenticationNeeded_ == HTTPAuthenticationState::NoAuthenticationNeeded && !willRetryRequest_ &&
      didCreateTemporaryPostDataFile_) {
    if (!postBodyFilePath_.empty()) removeFileAtPath(postBodyFilePath_, nullptr);
    if (!compressedPostBodyFilePath_.empty()) removeFileAtPath(compressedPostBodyFilePath_, nullptr);
    postBodyFilePath_.clear();
    compressedPostBodyFilePath_.clear();
  }
}

void HTTPRequest::performRedirect() {
  std::lock_guard lock(cancelledLock_);
  auto self = shared();
  std::optional<core::URL> target = redirectURL_;
  redirectConfirmationPending_ = false;
  setURL(target);
  complete_ = true;
  needsRedirect_ = false;
  ++redirectCount_;
  if (redirectCount_ > 5) {
    failWithError(
        makeError(TooMuchRedirectionErrorType, "The request failed because it redirected too many times"));
    complete_ = true;
    return;
  }
  if (haveBuiltRequestHeaders_ && mainRequest_.expired()) {
    // Headers kept across the redirect: the cookies sent are those of the new address.
    core::Dictionary headers = requestHeaders_.dict();
    for (const std::string& key : headers.keys())
      if (core::equalsIgnoringCase(key, "Cookie")) headers.remove(key);
    applyCookieHeader();
  }
  main();
}

void HTTPRequest::redirectToURL(const core::URL& newURL) {
  {
    std::lock_guard lock(cancelledLock_);
    redirectURL_ = newURL;
  }
  auto self = shared();
  performOnRequestThread([self] { self->performRedirect(); });
}
