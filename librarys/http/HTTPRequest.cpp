// HTTPRequest: the request's data model, start, cancel, body and request headers.

#include "librarys/http/HTTPRequest.h"
#include "platform/net/HTTPAuthentication.h"

#include <cxxabi.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <stdexcept>
#include <typeinfo>

#include "librarys/http/DataCompressor.h"
#include "librarys/http/DataDecompressor.h"
#include "librarys/http/HTTPInputStream.h"
#include "librarys/http/HTTPRequestClassState.h"
#include "platform/core/Paths.h"
#include "platform/core/Text.h"
#include "platform/net/HTTPMessage.h"
#include "platform/net/Transport.h"
#include "platform/runloop/BlockingCall.h"
#include "platform/runloop/RunLoop.h"
#include "platform/runloop/Timer.h"

HTTPRequest::ClassState::ClassState() {
  // The TLS library is set up here, with the first request made (on its maker's thread), not later on a
  // queue's worker: a worker still setting it up while the process exits would race the library's own
  // clean-up at exit.
  net::Transport::initializeLibrary();
  sharedQueue.setName("HTTPRequest shared queue");
  sharedQueue.setMaxConcurrentOperationCount(4);
}

HTTPRequest::ClassState& HTTPRequest::classState() {
  // Made once and never destroyed: the network thread may still use it while the process exits.
  static ClassState* state = new ClassState;
  return *state;
}

namespace httpdetail {

double now() { return rl::Clock::real()->now(); }

std::string uniqueString() {
  static std::mutex lock;
  static std::mt19937_64 engine{std::random_device{}()};
  std::lock_guard guard(lock);
  char text[40];
  std::snprintf(text, sizeof text, "%016llX%016llX", static_cast<unsigned long long>(engine()),
                static_cast<unsigned long long>(engine()));
  return text;
}

std::optional<std::uint64_t> fileSize(const std::string& path, core::Error* underlying) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (underlying) *underlying = core::Error("NSPOSIXErrorDomain", errno, std::strerror(errno));
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(st.st_size);
}

}  // namespace httpdetail

namespace {

bool isHeaderNamed(const std::string& key, std::string_view name) {
  return core::equalsIgnoringCase(key, name);
}

core::Value underlyingValue(const core::Error& e) {
  return core::Value(
      core::Dictionary{{"domain", e.domain}, {"code", e.code}, {"description", e.description}});
}

std::string demangledName(const std::type_info& type) {
  int status = 0;
  char* name = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
  std::string out = status == 0 && name ? name : type.name();
  std::free(name);
  return out;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Creation

HTTPRequest::HTTPRequest(std::optional<core::URL> url)
    : url_(std::move(url)), timeOutSeconds_(defaultTimeOutSeconds()), runLoopMode_(rl::kDefaultMode) {
  requestHeaders_ = core::Value::newDictionary();
  blocks_ = std::make_shared<Blocks>();
  downloadCache_ = defaultCache();
  didStartSelector_ = [](HTTPRequestDelegate& d, const std::shared_ptr<HTTPRequest>& r) {
    d.requestStarted(r);
  };
  didReceiveResponseHeadersSelector_ = [](HTTPRequestDelegate& d, const std::shared_ptr<HTTPRequest>& r,
                                          const core::Value& h) { d.requestDidReceiveResponseHeaders(r, h); };
  willRedirectSelector_ = [](HTTPRequestDelegate& d, const std::shared_ptr<HTTPRequest>& r,
                             const core::URL& u) { d.requestWillRedirectToURL(r, u); };
  didFinishSelector_ = [](HTTPRequestDelegate& d, const std::shared_ptr<HTTPRequest>& r) {
    d.requestFinished(r);
  };
  didFailSelector_ = [](HTTPRequestDelegate& d, const std::shared_ptr<HTTPRequest>& r) {
    d.requestFailed(r);
  };
  didReceiveDataSelector_ = [](HTTPRequestDelegate& d, const std::shared_ptr<HTTPRequest>& r,
                               const std::string& data) { d.requestDidReceiveData(r, data); };
}

HTTPRequest::~HTTPRequest() {
  if (statusTimer_) statusTimer_->invalidate();
  if (synchronousKeepAlive_) synchronousKeepAlive_->invalidate();
  // A stream still held here is no longer scheduled anywhere; one kept open for a pooled connection
  // stays with the pool.
  if (readStream_ && !(connectionInfo_ && connectionInfo_->stream == readStream_)) {
    readStream_->setClient(0, nullptr);
    readStream_->close();
  }
  closeFileOutputs();
  if (postBodyWriteFd_ >= 0) ::close(postBodyWriteFd_);
  if (postBodyReadStream_) postBodyReadStream_->close();
  if (blocks_) releaseBlocks(std::move(blocks_));
}

std::shared_ptr<HTTPRequest> HTTPRequest::requestWithURL(std::optional<core::URL> url) {
  return std::make_shared<HTTPRequest>(std::move(url));
}

std::shared_ptr<HTTPRequest> HTTPRequest::requestWithURL(std::optional<core::URL> url,
                                                         std::shared_ptr<HTTPDownloadCache> cache) {
  return requestWithURL(std::move(url), std::move(cache), UseDefaultCachePolicy);
}

std::shared_ptr<HTTPRequest> HTTPRequest::requestWithURL(std::optional<core::URL> url,
                                                         std::shared_ptr<HTTPDownloadCache> cache,
                                                         int cachePolicy) {
  auto request = requestWithURL(std::move(url));
  request->setDownloadCache(std::move(cache));
  request->setCachePolicy(cachePolicy);
  return request;
}

std::shared_ptr<HTTPRequest> HTTPRequest::shared() {
  return std::static_pointer_cast<HTTPRequest>(shared_from_this());
}

std::shared_ptr<const HTTPRequest> HTTPRequest::shared() const {
  return std::static_pointer_cast<const HTTPRequest>(shared_from_this());
}

std::shared_ptr<HTTPRequest> HTTPRequest::makeEmptyCopy(std::optional<core::URL> url) const {
  return requestWithURL(std::move(url));
}

core::Error HTTPRequest::makeError(int code, const std::string& text) {
  return core::Error(kHTTPRequestErrorDomain, code, text,
                     core::Value(core::Dictionary{{kHTTPLocalizedDescriptionKey, text}}));
}

void HTTPRequest::failWithCode(int code, const std::string& text,
                               const std::optional<core::Error>& underlying) {
  core::Error e = makeError(code, text);
  if (underlying) e.userInfo.set(kHTTPUnderlyingErrorKey, underlyingValue(*underlying));
  failWithError(e);
}

// ---------------------------------------------------------------------------------------------------
// Starting and stopping

void HTTPRequest::startAsynchronous() { sharedQueue().addOperation(shared()); }

void HTTPRequest::startSynchronous() {
  rl::assertBlockingAllowed("a synchronous request (HTTPRequest::startSynchronous)");
  rl::RunLoop& loop = rl::RunLoop::current();
  {
    std::lock_guard lock(cancelledLock_);
    setSynchronous(true);
    runLoopMode_ = rl::kHTTPRequestMode;
    requestRunLoop_ = &loop;
    inProgress_ = true;
  }
  // Delegates and blocks of a run on the main thread are called between passes, never under a lock.
  const bool onMain = rl::RunLoop::isMainThread();
  if (onMain) runsSynchronouslyOnMain_ = true;
  if (!isCancelled() && !complete_) {
    auto self = shared();
    // Keeps the loop waiting for the request's work even while it has no stream or timer of its own.
    synchronousKeepAlive_ = rl::Timer::make(1e9, true, [](rl::Timer&) {});
    loop.addTimer(synchronousKeepAlive_, rl::kHTTPRequestMode);
    main();
    flushMainThreadCalls();
    // Over when complete, unless a redirect waits for its delegate's confirmation.
    while (!complete_ || redirectConfirmationPending_) {
      loop.runOnce(rl::kHTTPRequestMode, 1e9);
      flushMainThreadCalls();
    }
    synchronousKeepAlive_->invalidate();
    synchronousKeepAlive_.reset();
  }
  flushMainThreadCalls();
  if (onMain) runsSynchronouslyOnMain_ = false;
  std::lock_guard lock(cancelledLock_);
  inProgress_ = false;
}

void HTTPRequest::main() {
  if (!isSynchronous_ && !isNetworkThread()) {
    // Started by the queue on one of its workers: the exchange runs on the network thread.
    inProgress_ = true;
    auto self = shared();
    threadForRequest(self).post([self] { self->main(); }, rl::kDefaultMode);
    return;
  }
  runMain();
}

void HTTPRequest::runMain() {
  std::lock_guard lock(cancelledLock_);
  try {
    requestRunLoop_ = &rl::RunLoop::current();
    if (error_) {
      complete_ = true;
      markAsFinished();
      return;
    }
    complete_ = false;
    didUseCachedResponse_ = false;
    // The deadline counts from the first attempt: redirects and retries run on the same one.
    if (!startTime_) startTime_ = clock()->now();
    if (!url_ || url_->host.empty() || (url_->scheme != "http" && url_->scheme != "https")) {
      failWithError(makeError(UnableToCreateRequestErrorType, "Unable to create request (bad url?)"));
      return;
    }
    auto mainRequest = mainRequest_.lock();
    if (!mainRequest) {
      buildPostBody();
      if (error_) return;
    }
    if (requestMethod_ != "GET") downloadCache_.reset();

    request_ =
        net::HTTPMessage::createRequest(requestMethod_, *url_, useHTTPVersionOne_ ? "HTTP/1.0" : "HTTP/1.1");
    if (!request_) {
      failWithError(makeError(UnableToCreateRequestErrorType, "Unable to create request (bad url?)"));
      return;
    }
    if (mainRequest) mainRequest->buildRequestHeaders();
    buildRequestHeaders();
    if (error_) return;

    if (downloadCache_) {
      if (cachePolicy_ == UseDefaultCachePolicy) cachePolicy_ = downloadCache_->defaultCachePolicy();
      if (downloadCache_->canUseCachedDataForRequest(*this)) {
        useDataFromCache();
        return;
      }
      if (cachePolicy_ & (AskServerIfModifiedWhenStaleCachePolicy | AskServerIfModifiedCachePolicy)) {
        core::Value cached = downloadCache_->cachedResponseHeadersForURL(*url_);
        if (cached.isDictionary()) {
          if (cached.contains("Etag")) addRequestHeader("If-None-Match", cached["Etag"].toString());
          if (cached.contains("Last-Modified"))
            addRequestHeader("If-Modified-Since", cached["Last-Modified"].toString());
        }
      }
    }

    applyAuthorizationHeader();

    for (const auto& [name, value] : requestHeaders_.dict()) {
      // A header that could break the request apart (a line end in its value) is refused as a whole.
      if (!request_->setHeaderFieldValue(name, value.toString())) {
        failWithError(makeError(UnableToCreateRequestErrorType, "Unable to create request (bad url?)"));
        return;
      }
    }

    if (configureProxies()) startRequest();
  } catch (const std::exception& e) {
    core::Error underlying(kHTTPRequestErrorDomain, UnhandledExceptionError, e.what());
    core::Error err = makeError(UnhandledExceptionError, demangledName(typeid(e)));
    err.userInfo.set(kHTTPLocalizedFailureReasonKey, e.what());
    err.userInfo.set(kHTTPUnderlyingErrorKey, underlyingValue(underlying));
    failWithError(err);
  }
}

void HTTPRequest::performOnRequestThread(std::function<void()> fn) {
  std::unique_lock lock(cancelledLock_);
  if (isSynchronous_ && inProgress_ && requestRunLoop_) {
    requestRunLoop_->post(std::move(fn), runLoopMode_);
    return;
  }
  lock.unlock();
  threadForRequest(shared()).post(std::move(fn), rl::kDefaultMode);
}

void HTTPRequest::cancel() {
  auto self = shared();
  performOnRequestThread([self] { self->cancelOnRequestThread(); });
}

void HTTPRequest::cancelOnRequestThread() {
  std::lock_guard lock(cancelledLock_);
  if (complete_ || isCancelled()) return;
  if (isSynchronous_ && inProgress_ && requestRunLoop_ && &rl::RunLoop::current() != requestRunLoop_) {
    // The synchronous request has started on its caller's thread meanwhile: cancel it there.
    auto self = shared();
    requestRunLoop_->post([self] { self->cancelOnRequestThread(); }, runLoopMode_);
    return;
  }
  auto self = shared();  // alive across the cancel
  failWithError(makeError(RequestCancelledErrorType, "The request was cancelled"));
  complete_ = true;
  cancelLoad();
  rl::Operation::cancel();
}

void HTTPRequest::clearDelegatesAndCancel() {
  {
    std::lock_guard lock(cancelledLock_);
    delegate_.reset();
    queue_.reset();
    uploadProgressDelegate_.reset();
    downloadProgressDelegate_.reset();
  }
  releaseBlocksOnMainThread();
  cancel();
}

bool HTTPRequest::isCancelled() const {
  std::lock_guard lock(cancelledLock_);
  return rl::Operation::isCancelled();
}

std::optional<core::Error> HTTPRequest::error() const {
  std::lock_guard lock(cancelledLock_);
  return error_;
}

// ---------------------------------------------------------------------------------------------------
// Blocks

void HTTPRequest::releaseBlocks(std::shared_ptr<Blocks> blocks) {
  if (!blocks) return;
  // The closures (and what they hold) go away on the main thread.
  rl::performOnMainThread([blocks = std::move(blocks)]() mutable { blocks.reset(); }, false);
}

void HTTPRequest::releaseBlocksOnMainThread() {
  std::shared_ptr<Blocks> old;
  {
    std::lock_guard lock(cancelledLock_);
    old = std::move(blocks_);
    blocks_ = std::make_shared<Blocks>();
  }
  releaseBlocks(std::move(old));
}

#define HTTP_BLOCK_SETTER(Setter, Type, field) \
  void HTTPRequest::Setter(Type b) {           \
    std::lock_guard lock(cancelledLock_);      \
    blocks_->field = std::move(b);             \
  }
HTTP_BLOCK_SETTER(setStartedBlock, BasicBlock, started)
HTTP_BLOCK_SETTER(setHeadersReceivedBlock, HeadersBlock, headersReceived)
HTTP_BLOCK_SETTER(setCompletionBlock, BasicBlock, completion)
HTTP_BLOCK_SETTER(setFailedBlock, BasicBlock, failure)
HTTP_BLOCK_SETTER(setBytesReceivedBlock, ProgressBlock, bytesReceived)
HTTP_BLOCK_SETTER(setBytesSentBlock, ProgressBlock, bytesSent)
HTTP_BLOCK_SETTER(setDownloadSizeIncrementedBlock, SizeBlock, downloadSizeIncremented)
HTTP_BLOCK_SETTER(setUploadSizeIncrementedBlock, SizeBlock, uploadSizeIncremented)
HTTP_BLOCK_SETTER(setDataReceivedBlock, DataBlock, dataReceived)
HTTP_BLOCK_SETTER(setAuthenticationNeededBlock, BasicBlock, authenticationNeeded)
HTTP_BLOCK_SETTER(setProxyAuthenticationNeededBlock, BasicBlock, proxyAuthenticationNeeded)
HTTP_BLOCK_SETTER(setRequestRedirectedBlock, BasicBlock, requestRedirected)
#undef HTTP_BLOCK_SETTER

// ---------------------------------------------------------------------------------------------------
// Locked accessors

std::optional<core::URL> HTTPRequest::url() const {
  std::lock_guard lock(cancelledLock_);
  return url_;
}

void HTTPRequest::setURL(std::optional<core::URL> newURL) {
  std::lock_guard lock(cancelledLock_);
  if (url_ == newURL) return;
  url_ = std::move(newURL);
  requestAuthentication_.reset();
  proxyAuthentication_.reset();
  request_.reset();
  redirectURL_.reset();
}

std::string HTTPRequest::requestMethod() const {
  std::lock_guard lock(cancelledLock_);
  return requestMethod_;
}

void HTTPRequest::setRequestMethod(std::string method) {
  std::lock_guard lock(cancelledLock_);
  if (requestMethod_ == method) return;
  requestMethod_ = std::move(method);
  if (requestMethod_ == "POST" || requestMethod_ == "PUT" || !postBody_.empty() || !postBodyFilePath_.empty())
    shouldAttemptPersistentConnection_ = false;
}

std::weak_ptr<HTTPRequestDelegate> HTTPRequest::delegate() const {
  std::lock_guard lock(cancelledLock_);
  return delegate_;
}
void HTTPRequest::setDelegate(std::weak_ptr<HTTPRequestDelegate> d) {
  std::lock_guard lock(cancelledLock_);
  delegate_ = std::move(d);
}
std::weak_ptr<HTTPRequestQueue> HTTPRequest::queue() const {
  std::lock_guard lock(cancelledLock_);
  return queue_;
}
void HTTPRequest::setQueue(std::weak_ptr<HTTPRequestQueue> q) {
  std::lock_guard lock(cancelledLock_);
  queue_ = std::move(q);
}
std::weak_ptr<HTTPProgressDelegate> HTTPRequest::uploadProgressDelegate() const {
  std::lock_guard lock(cancelledLock_);
  return uploadProgressDelegate_;
}
void HTTPRequest::setUploadProgressDelegate(std::weak_ptr<HTTPProgressDelegate> d) {
  std::lock_guard lock(cancelledLock_);
  uploadProgressDelegate_ = std::move(d);
}
std::weak_ptr<HTTPProgressDelegate> HTTPRequest::downloadProgressDelegate() const {
  std::lock_guard lock(cancelledLock_);
  return downloadProgressDelegate_;
}
void HTTPRequest::setDownloadProgressDelegate(std::weak_ptr<HTTPProgressDelegate> d) {
  std::lock_guard lock(cancelledLock_);
  downloadProgressDelegate_ = std::move(d);
}

std::shared_ptr<HTTPRequestDelegate> HTTPRequest::lockedDelegate() const {
  std::lock_guard lock(cancelledLock_);
  return delegate_.lock();
}

std::shared_ptr<HTTPRequestQueue> HTTPRequest::lockedQueue() const {
  std::lock_guard lock(cancelledLock_);
  return queue_.lock();
}

// ---------------------------------------------------------------------------------------------------
// Body

void HTTPRequest::addRequestHeader(const std::string& header, const std::string& value) {
  if (!requestHeaders_.isDictionary()) requestHeaders_ = core::Value::newDictionary();
  core::Dictionary headers = requestHeaders_.dict();
  for (const std::string& key : headers.keys())
    if (key != header && isHeaderNamed(key, header)) headers.remove(key);
  headers.set(header, value);
}

void HTTPRequest::setupPostBody() {
  if (shouldStreamPostDataFromDisk_) {
    if (postBodyFilePath_.empty()) {
      postBodyFilePath_ = core::Paths::join(core::Paths::temporary(), httpdetail::uniqueString());
      didCreateTemporaryPostDataFile_ = true;
    }
    if (postBodyWriteFd_ < 0) {
      postBodyWriteFd_ = ::open(postBodyFilePath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    }
  } else {
    postBodySetUp_ = true;
  }
}

void HTTPRequest::appendPostData(std::string_view data) {
  setupPostBody();
  if (data.empty()) return;
  if (shouldStreamPostDataFromDisk_) {
    if (postBodyWriteFd_ < 0 || !writeToFile(postBodyWriteFd_, postBodyFilePath_, data)) {
      // Remembered, and reported when the request starts: a body that lost bytes is never sent.
      if (!fileError_)
        fileError_ =
            makeError(FileManagementError, "Failed to write to file at path '" + postBodyFilePath_ + "'");
    }
  } else {
    postBody_.append(data);
  }
}

void HTTPRequest::appendPostDataFromFile(const std::string& path) {
  setupPostBody();
  std::FILE* in = std::fopen(path.c_str(), "rb");
  if (!in) {
    if (!fileError_)
      fileError_ = makeError(InternalErrorWhileBuildingRequestType, "No file exists at " + path);
    return;
  }
  std::string chunk(262144, '\0');
  for (;;) {
    std::size_t n = std::fread(chunk.data(), 1, chunk.size(), in);
    if (n == 0) break;
    appendPostData(std::string_view(chunk.data(), n));
  }
  if (std::ferror(in) && !fileError_)
    fileError_ = makeError(InternalErrorWhileBuildingRequestType, "No file exists at " + path);
  std::fclose(in);
}

void HTTPRequest::buildPostBody() {
  if (haveBuiltPostBody_) return;
  if (fileError_) {
    failWithError(*fileError_);
    return;
  }
  if (!postBodyFilePath_.empty()) {
    if (postBodyWriteFd_ >= 0) {
      ::close(postBodyWriteFd_);
      postBodyWriteFd_ = -1;
    }
    std::string sent = postBodyFilePath_;
    if (shouldCompressRequestBody_) {
      if (compressedPostBodyFilePath_.empty()) {
        compressedPostBodyFilePath_ = core::Paths::join(core::Paths::temporary(), httpdetail::uniqueString());
        core::Error err;
        if (!DataCompressor::compressDataFromFile(postBodyFilePath_, compressedPostBodyFilePath_, &err)) {
          failWithError(err);
          return;
        }
      }
      sent = compressedPostBodyFilePath_;
    }
    core::Error underlying;
    auto size = httpdetail::fileSize(sent, &underlying);
    if (!size) {
      failWithCode(FileManagementError, "Failed to get attributes for file at path '" + sent + "'",
                   underlying);
      return;
    }
    postLength_ = *size;
  } else if (shouldCompressRequestBody_ && !postBody_.empty()) {
    core::Error err;
    auto compressed = DataCompressor::compressData(postBody_, &err);
    if (!compressed) {
      failWithError(err);
      return;
    }
    compressedPostBody_ = std::move(*compressed);
    postLength_ = compressedPostBody_.size();
  } else {
    postLength_ = postBody_.size();
  }
  if (postLength_ > 0) {
    if (requestMethod_ == "GET" || requestMethod_ == "DELETE" || requestMethod_ == "HEAD")
      setRequestMethod("POST");
    addRequestHeader("Content-Length", std::to_string(postLength_));
  }
  haveBuiltPostBody_ = true;
}

// ---------------------------------------------------------------------------------------------------
// Request headers

void HTTPRequest::buildRequestHeaders() {
  if (haveBuiltRequestHeaders_) return;
  haveBuiltRequestHeaders_ = true;
  if (auto mainRequest = mainRequest_.lock()) {
    for (const auto& [name, value] : mainRequest->requestHeaders_.dict())
      addRequestHeader(name, value.toString());
    return;
  }
  applyCookieHeader();
  bool hasAgent = false;
  for (const std::string& key : requestHeaders_.dict().keys())
    if (isHeaderNamed(key, "User-Agent")) hasAgent = true;
  if (!hasAgent) {
    std::optional<std::string> agent = userAgentString_ ? userAgentString_ : defaultUserAgentString();
    if (agent) addRequestHeader("User-Agent", *agent);
  }
  if (allowCompressedResponse_) addRequestHeader("Accept-Encoding", "gzip");
  if (shouldCompressRequestBody_) addRequestHeader("Content-Encoding", "gzip");
  updatePartialDownloadSize();
  if (partialDownloadSize_ > 0)
    addRequestHeader("Range", "bytes=" + std::to_string(partialDownloadSize_) + "-");
}

void HTTPRequest::updatePartialDownloadSize() {
  if (allowResumeForFileDownloads_ && !downloadDestinationPath_.empty() &&
      !temporaryFileDownloadPath_.empty() && core::Paths::fileExists(temporaryFileDownloadPath_)) {
    core::Error underlying;
    auto size = httpdetail::fileSize(temporaryFileDownloadPath_, &underlying);
    if (!size) {
      failWithCode(FileManagementError,
                   "Failed to get attributes for file at path '" + temporaryFileDownloadPath_ + "'",
                   underlying);
      return;
    }
    partialDownloadSize_ = *size;
  }
}

void HTTPRequest::addBasicAuthenticationHeaderWithUsername(const std::string& username,
                                                           const std::string& password) {
  addRequestHeader("Authorization", "Basic " + base64forData(username + ":" + password));
  authenticationScheme_ = "Basic";
}

void HTTPRequest::applyAuthorizationHeader() {
  // Credentials go with the first request, before any challenge: Basic ones given to the request, else
  // those the session store holds for this place (and for its proxy).
  if (!shouldPresentCredentialsBeforeChallenge_) return;
  bool hasAuthorization = false;
  for (const std::string& key : requestHeaders_.dict().keys())
    if (isHeaderNamed(key, "Authorization")) hasAuthorization = true;
  if (!hasAuthorization) {
    if (!username_.empty() && !password_.empty() && authenticationScheme_ == "Basic") {
      addBasicAuthenticationHeaderWithUsername(username_, password_);
    } else if (useSessionPersistence_) {
      if (auto entry = findSessionAuthenticationCredentials()) {
        // NTLM belongs to one connection: it is negotiated again when challenged.
        if (entry->authenticationScheme == "NTLM") {
        } else if (entry->authentication) {
          auto auth = std::static_pointer_cast<net::HTTPAuthentication>(entry->authentication);
          net::AuthCredentials c{entry->credentials["username"].toString(),
                                 entry->credentials["password"].toString(),
                                 entry->credentials["domain"].toString()};
          if (request_ && auth->apply(*request_, c)) {
            authenticationScheme_ = entry->authenticationScheme;
          } else {
            removeAuthenticationCredentialsFromSessionStore(entry->credentials);
          }
        } else {
          addBasicAuthenticationHeaderWithUsername(entry->credentials["username"].toString(),
                                                   entry->credentials["password"].toString());
        }
      }
    }
  }
  if (useSessionPersistence_) {
    bool tunnelled = url_ && core::toLower(url_->scheme) == "https";  // the proxy sees only the CONNECT
    if (auto entry = findSessionProxyAuthenticationCredentials();
        !tunnelled && entry && entry->authentication && entry->authenticationScheme != "NTLM") {
      auto auth = std::static_pointer_cast<net::HTTPAuthentication>(entry->authentication);
      net::AuthCredentials c{entry->credentials["username"].toString(),
                             entry->credentials["password"].toString(),
                             entry->credentials["domain"].toString()};
      if (!request_ || !auth->apply(*request_, c))
        removeProxyAuthenticationCredentialsFromSessionStore(entry->credentials);
    }
  }
}

// ---------------------------------------------------------------------------------------------------
// Response

bool HTTPRequest::isResponseCompressed() const {
  if (!responseHeaders_.isDictionary()) return false;
  for (const auto& [name, value] : responseHeaders_.dict())
    if (isHeaderNamed(name, "Content-Encoding")) return core::contains(value.toString(), "gzip");
  return false;
}

std::string HTTPRequest::responseData() const {
  if (isResponseCompressed() && shouldWaitToInflateCompressedResponses_) {
    if (inflatedResponseData_) return *inflatedResponseData_;
    auto inflated = DataDecompressor::uncompressData(rawResponseData_, nullptr, maxResponseDataSize_);
    return inflated ? *inflated : std::string();
  }
  return rawResponseData_;
}

// ---------------------------------------------------------------------------------------------------
// Copies

std::shared_ptr<HTTPRequest> HTTPRequest::HEADRequest() {
  auto head = makeEmptyCopy(url_);
  head->setRequestMethod("HEAD");
  head->mainRequest_ = shared();
  head->requestHeaders_ = requestHeaders_.deepCopy();
  head->requestCookies_ = requestCookies_;
  head->useCookiePersistence_ = useCookiePersistence_;
  head->useKeychainPersistence_ = useKeychainPersistence_;
  head->useSessionPersistence_ = useSessionPersistence_;
  head->allowCompressedResponse_ = allowCompressedResponse_;
  head->username_ = username_;
  head->password_ = password_;
  head->domain_ = domain_;
  head->proxyUsername_ = proxyUsername_;
  head->proxyPassword_ = proxyPassword_;
  head->proxyDomain_ = proxyDomain_;
  head->proxyHost_ = proxyHost_;
  head->proxyPort_ = proxyPort_;
  head->proxyType_ = proxyType_;
  head->shouldPresentAuthenticationDialog_ = shouldPresentAuthenticationDialog_;
  head->shouldPresentProxyAuthenticationDialog_ = shouldPresentProxyAuthenticationDialog_;
  head->timeOutSeconds_ = timeOutSeconds_;
  head->deadlineSeconds_ = deadlineSeconds_;
  head->clock_ = clock_;
  head->useHTTPVersionOne_ = useHTTPVersionOne_;
  head->validatesSecureCertificate_ = validatesSecureCertificate_;
  head->additionalTrustedCertificatesFile_ = additionalTrustedCertificatesFile_;
  head->PACurl_ = PACurl_;
  head->shouldPresentCredentialsBeforeChallenge_ = shouldPresentCredentialsBeforeChallenge_;
  head->numberOfTimesToRetryOnTimeout_ = numberOfTimesToRetryOnTimeout_;
  head->shouldUseRFC2616RedirectBehaviour_ = shouldUseRFC2616RedirectBehaviour_;
  head->shouldAttemptPersistentConnection_ = shouldAttemptPersistentConnection_;
  head->persistentConnectionTimeoutSeconds_ = persistentConnectionTimeoutSeconds_;
  return head;
}

std::shared_ptr<rl::Clock> HTTPRequest::clock() const { return clock_ ? clock_ : rl::Clock::real(); }

void HTTPRequest::setClock(std::shared_ptr<rl::Clock> clock) { clock_ = std::move(clock); }

std::shared_ptr<HTTPRequest> HTTPRequest::copy() const {
  std::lock_guard lock(cancelledLock_);
  auto r = makeEmptyCopy(url_);
  r->delegate_ = delegate_;
  r->requestMethod_ = requestMethod_;
  r->postBody_ = postBody_;
  r->postBodySetUp_ = postBodySetUp_;
  r->shouldStreamPostDataFromDisk_ = shouldStreamPostDataFromDisk_;
  r->postBodyFilePath_ = postBodyFilePath_;
  r->requestHeaders_ = requestHeaders_.deepCopy();
  r->requestCookies_ = requestCookies_;
  r->useCookiePersistence_ = useCookiePersistence_;
  r->useKeychainPersistence_ = useKeychainPersistence_;
  r->useSessionPersistence_ = useSessionPersistence_;
  r->allowCompressedResponse_ = allowCompressedResponse_;
  r->downloadDestinationPath_ = downloadDestinationPath_;
  r->temporaryFileDownloadPath_ = temporaryFileDownloadPath_;
  r->username_ = username_;
  r->password_ = password_;
  r->domain_ = domain_;
  r->proxyUsername_ = proxyUsername_;
  r->proxyPassword_ = proxyPassword_;
  r->proxyDomain_ = proxyDomain_;
  r->proxyHost_ = proxyHost_;
  r->proxyPort_ = proxyPort_;
  r->proxyType_ = proxyType_;
  r->uploadProgressDelegate_ = uploadProgressDelegate_;
  r->downloadProgressDelegate_ = downloadProgressDelegate_;
  r->shouldPresentAuthenticationDialog_ = shouldPresentAuthenticationDialog_;
  r->shouldPresentProxyAuthenticationDialog_ = shouldPresentProxyAuthenticationDialog_;
  r->postLength_ = postLength_;
  r->haveBuiltPostBody_ = haveBuiltPostBody_;
  r->didStartSelector_ = didStartSelector_;
  r->didFinishSelector_ = didFinishSelector_;
  r->didFailSelector_ = didFailSelector_;
  r->timeOutSeconds_ = timeOutSeconds_;
  r->deadlineSeconds_ = deadlineSeconds_;
  r->clock_ = clock_;
  r->shouldResetDownloadProgress_ = shouldResetDownloadProgress_;
  r->shouldResetUploadProgress_ = shouldResetUploadProgress_;
  r->showAccurateProgress_ = showAccurateProgress_;
  r->defaultResponseEncoding_ = defaultResponseEncoding_;
  r->allowResumeForFileDownloads_ = allowResumeForFileDownloads_;
  r->userInfo_ = userInfo_.deepCopy();
  r->tag_ = tag_;
  r->useHTTPVersionOne_ = useHTTPVersionOne_;
  r->shouldRedirect_ = shouldRedirect_;
  r->validatesSecureCertificate_ = validatesSecureCertificate_;
  r->additionalTrustedCertificatesFile_ = additionalTrustedCertificatesFile_;
  r->PACurl_ = PACurl_;
  r->shouldPresentCredentialsBeforeChallenge_ = shouldPresentCredentialsBeforeChallenge_;
  r->numberOfTimesToRetryOnTimeout_ = numberOfTimesToRetryOnTimeout_;
  r->shouldUseRFC2616RedirectBehaviour_ = shouldUseRFC2616RedirectBehaviour_;
  r->shouldAttemptPersistentConnection_ = shouldAttemptPersistentConnection_;
  r->persistentConnectionTimeoutSeconds_ = persistentConnectionTimeoutSeconds_;
  r->authenticationScheme_ = authenticationScheme_;
  r->maxResponseDataSize_ = maxResponseDataSize_;
  r->maxInflatedDownloadSize_ = maxInflatedDownloadSize_;
  return r;
}

// ---------------------------------------------------------------------------------------------------
// Files

bool HTTPRequest::writeToFile(int fd, const std::string& path, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool HTTPRequest::openFileOutput(int& fd, std::string& path, bool append) {
  if (path.empty()) path = core::Paths::join(core::Paths::temporary(), httpdetail::uniqueString());
  int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC);
  fd = ::open(path.c_str(), flags, 0644);
  return fd >= 0;
}

void HTTPRequest::closeFileOutputs() {
  if (fileDownloadOutputFd_ >= 0) ::close(fileDownloadOutputFd_);
  if (inflatedFileDownloadOutputFd_ >= 0) ::close(inflatedFileDownloadOutputFd_);
  fileDownloadOutputFd_ = -1;
  inflatedFileDownloadOutputFd_ = -1;
}

bool HTTPRequest::removeFileAtPath(const std::string& path, core::Error* error) {
  if (path.empty() || !core::Paths::fileExists(path)) return true;
  if (::unlink(path.c_str()) == 0) return true;
  if (error) {
    *error = makeError(FileManagementError, "Failed to delete file at path '" + path + "'");
    error->userInfo.set(kHTTPUnderlyingErrorKey,
                        underlyingValue(core::Error("NSPOSIXErrorDomain", errno, std::strerror(errno))));
  }
  return false;
}

bool HTTPRequest::fileError(const std::string& text, const std::optional<core::Error>& underlying) {
  failWithCode(FileManagementError, text, underlying);
  return false;
}

#define HTTP_REMOVE_TEMPORARY(Method, field) \
  bool HTTPRequest::Method() {               \
    if (field.empty()) return true;          \
    core::Error err;                         \
    bool ok = removeFileAtPath(field, &err); \
    field.clear();                           \
    if (!ok) failWithError(err);             \
    return ok;                               \
  }
HTTP_REMOVE_TEMPORARY(removeTemporaryDownloadFile, temporaryFileDownloadPath_)
HTTP_REMOVE_TEMPORARY(removeTemporaryUncompressedDownloadFile, temporaryUncompressedDataDownloadPath_)
HTTP_REMOVE_TEMPORARY(removeTemporaryUploadFile, postBodyFilePath_)
HTTP_REMOVE_TEMPORARY(removeTemporaryCompressedUploadFile, compressedPostBodyFilePath_)
#undef HTTP_REMOVE_TEMPORARY
