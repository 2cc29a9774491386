#pragma once
// HTTPRequest: the application's HTTP client, one object per HTTP exchange.
//
// A request is made for a URL, given headers, a body (in memory or streamed from a file) and callbacks,
// and started asynchronously (on the shared operation queue, at most 4 at a time; its stream runs on the
// one network thread) or synchronously (on the caller's thread, whose run loop runs in
// "HTTPRequestRunLoopMode" until the request is over). Every callback (delegate, queue, progress
// delegates and blocks) runs on the main thread: posted there in order, or inline when the request already
// runs on the main thread. A request fails at most once, always through failWithError(), with an error of
// the domain "HTTPRequestErrorDomain" (codes below).
//
// What it does besides sending: gzip request bodies and responses, cookies (stored and sent back),
// redirects (at most 5), persistent connections shared through a class-wide pool of connection ids,
// downloads to a file through a temporary file with resume by "Range", a time-out with retries, one
// retry of a kept-alive connection that the server dropped before the first byte of its answer, and
// bandwidth measurement and throttling of all requests together (BandwidthThrottle); answers to
// authentication challenges of servers (401) and proxies (407) with Basic, Digest or NTLM, from the
// session stores, the request's own or kept (keychain) credentials, the delegate or the authentication
// dialog (HTTPRequestAuthentication.cpp); and the choice of a proxy: one set on the request, else the
// environment ("http_proxy", "no_proxy", ...), else a PAC script (HTTPRequestProxy.cpp).
//
// Limits: a body kept in memory holds at most maxResponseDataSize() bytes, as it arrives and once
// inflated; a compressed download inflates to at most maxInflatedDownloadSize() bytes on disk. Past a limit
// the request fails and lets go of what it read: with code 1 (underlying error -1103 of the network domain)
// for a body that arrives larger, with code 11 for one that inflates larger. The defaults lie far above
// any answer of the system's servers; set a limit per request before starting it.
//
// Ownership: requests are std::shared_ptr (make them with requestWithURL). The delegate, the queue and the
// progress delegates are held weakly. The blocks are held until the request has reported its end, then
// released on the main thread (so a block may capture the request itself).
//
// Threads: set a request up on one thread before starting it; afterwards the request's own thread (the
// network thread, or a synchronous caller's thread) owns its stream and state, and the accessors that
// other threads use (url, requestMethod, delegate, queue, progress delegates, cancel) take the request's
// lock. Read the response (responseString, error, ...) in a callback or after the request is over.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "librarys/http/HTTPCookie.h"
#include "librarys/http/HTTPDownloadCache.h"
#include "librarys/http/HTTPProgressDelegate.h"
#include "librarys/http/HTTPRequestDelegate.h"
#include "librarys/http/HTTPRequestQueue.h"
#include "platform/core/Error.h"
#include "platform/core/URL.h"
#include "platform/core/Value.h"
#include "platform/net/HTTPReadStream.h"
#include "platform/runloop/Operation.h"

namespace rl {
class Clock;
class OperationQueue;
class RunLoop;
class Timer;
}  // namespace rl
class DataDecompressor;
class HTTPInputStream;

inline constexpr const char* kHTTPRequestErrorDomain = "HTTPRequestErrorDomain";

// Codes of the domain "HTTPRequestErrorDomain".
enum HTTPRequestErrorType : int {
  ConnectionFailureErrorType = 1,
  RequestTimedOutErrorType = 2,
  AuthenticationErrorType = 3,
  RequestCancelledErrorType = 4,
  UnableToCreateRequestErrorType = 5,
  InternalErrorWhileBuildingRequestType = 6,
  InternalErrorWhileApplyingCredentialsType = 7,
  FileManagementError = 8,
  TooMuchRedirectionErrorType = 9,
  UnhandledExceptionError = 10,
  CompressionError = 11,
};

// Keys of an error's userInfo.
inline constexpr const char* kHTTPLocalizedDescriptionKey = "NSLocalizedDescription";
inline constexpr const char* kHTTPLocalizedFailureReasonKey = "NSLocalizedFailureReason";
// The underlying error, as a dictionary {"domain", "code", "description"}.
inline constexpr const char* kHTTPUnderlyingErrorKey = "NSUnderlyingError";

// Bits of a cache policy.
enum HTTPCachePolicy : int {
  UseDefaultCachePolicy = 0,
  DoNotReadFromCacheCachePolicy = 1,
  DoNotWriteToCacheCachePolicy = 2,
  AskServerIfModifiedWhenStaleCachePolicy = 4,
  AskServerIfModifiedCachePolicy = 8,
  OnlyLoadIfNotCachedCachePolicy = 16,
  DontLoadCachePolicy = 32,
  FallbackToCacheIfLoadFailsCachePolicy = 64,
};

enum class HTTPAuthenticationState {
  NoAuthenticationNeeded = 0,
  HTTPAuthenticationNeeded = 1,
  ProxyAuthenticationNeeded = 2
};

class HTTPRequest : public rl::Operation {
 public:
  // --- callback types ---
  using BasicBlock = std::function<void()>;
  using HeadersBlock = std::function<void(const core::Value& responseHeaders)>;
  using ProgressBlock = std::function<void(std::uint64_t size, std::uint64_t total)>;
  using SizeBlock = std::function<void(std::int64_t size)>;
  using DataBlock = std::function<void(const std::string& data)>;

  // The delegate methods a request calls; a null selector means no call.
  using RequestSelector = std::function<void(HTTPRequestDelegate&, const std::shared_ptr<HTTPRequest>&)>;
  using HeadersSelector =
      std::function<void(HTTPRequestDelegate&, const std::shared_ptr<HTTPRequest>&, const core::Value&)>;
  using RedirectSelector =
      std::function<void(HTTPRequestDelegate&, const std::shared_ptr<HTTPRequest>&, const core::URL&)>;
  using DataSelector =
      std::function<void(HTTPRequestDelegate&, const std::shared_ptr<HTTPRequest>&, const std::string&)>;

  // One entry of the class-wide persistent-connection pool.
  struct ConnectionInfo {
    std::int64_t id = 0;
    std::string host;
    int port = 0;
    std::string scheme;
    std::optional<std::int64_t> request;          // requestID of the request using it; none while idle
    std::shared_ptr<net::HTTPReadStream> stream;  // the stream last opened on it
    std::optional<double> expires;                // (class clock) after which the idle connection is closed
  };

  // Server and proxy credentials that succeeded, kept for the session.
  struct SessionCredentials {
    core::Value credentials;  // dictionary: "username", "password" (and "domain")
    std::optional<core::URL> url;
    std::string host;
    int port = 0;
    std::string authenticationScheme;
    std::string authenticationRealm;  // "" when unknown
    std::shared_ptr<void> authentication;
  };

  // ======== creation (use the factories: a request is always a std::shared_ptr) ========
  explicit HTTPRequest(std::optional<core::URL> url);
  ~HTTPRequest() override;
  static std::shared_ptr<HTTPRequest> requestWithURL(std::optional<core::URL> url);
  static std::shared_ptr<HTTPRequest> requestWithURL(std::optional<core::URL> url,
                                                     std::shared_ptr<HTTPDownloadCache> cache);
  static std::shared_ptr<HTTPRequest> requestWithURL(std::optional<core::URL> url,
                                                     std::shared_ptr<HTTPDownloadCache> cache,
                                                     int cachePolicy);

  // ======== starting and stopping ========
  void startAsynchronous();
  // Runs the request on the calling thread and returns when it is over; read error() and the response
  // afterwards. Returns at once for a request that is already cancelled or complete.
  void startSynchronous();
  // Fails the request with code 4 (once) and stops its loading, on the request's own thread.
  void cancel() override;
  // Clears the delegate, the queue, both progress delegates and the blocks, then cancels.
  void clearDelegatesAndCancel();
  bool isCancelled() const;
  bool isAsynchronous() const override { return true; }
  // Prepares and starts the exchange (run on the request's thread; a request started by a queue moves
  // there first).
  void main() override;

  // ======== request set-up ========
  std::optional<core::URL> url() const;
  void setURL(std::optional<core::URL> url);
  std::optional<core::URL> originalURL() const { return originalURL_; }
  std::optional<core::URL> redirectURL() const { return redirectURL_; }
  std::string requestMethod() const;
  void setRequestMethod(std::string method);
  void addRequestHeader(const std::string& header, const std::string& value);
  core::Value requestHeaders() const { return requestHeaders_; }
  void setRequestHeaders(core::Value headers) { requestHeaders_ = std::move(headers); }
  // Appends body bytes (an empty call only sets up the body store).
  void appendPostData(std::string_view data);
  void appendPostDataFromFile(const std::string& path);
  void setupPostBody();
  virtual void buildPostBody();
  void buildRequestHeaders();
  void updatePartialDownloadSize();
  // A HEAD request standing for this one (used to learn the download size before the download).
  std::shared_ptr<HTTPRequest> HEADRequest();
  // A new request with this one's set-up (nothing of its response, blocks, queue or progress).
  virtual std::shared_ptr<HTTPRequest> copy() const;
  void applyCookieHeader();
  void applyAuthorizationHeader();
  void addBasicAuthenticationHeaderWithUsername(const std::string& username, const std::string& password);

  // ======== response ========
  // The body; inflated here when it arrived gzip-compressed and was kept as it came. Empty when the
  // inflation fails.
  std::string responseData() const;
  // The body decoded with responseEncoding(); nullopt when there is no body or it does not decode.
  std::optional<std::string> responseString() const;
  bool isResponseCompressed() const;
  core::Value responseHeaders() const { return responseHeaders_; }
  int responseStatusCode() const { return responseStatusCode_; }
  std::string responseStatusMessage() const { return responseStatusMessage_; }
  std::vector<HTTPCookie> responseCookies() const { return responseCookies_; }
  std::optional<core::Error> error() const;
  // The raw body as received (before any inflation).
  const std::string& rawResponseData() const { return rawResponseData_; }

  // ======== limits (see the header comment) ========
  static constexpr std::uint64_t kDefaultMaxResponseDataSize = std::uint64_t{64} << 20;     // 64 MiB
  static constexpr std::uint64_t kDefaultMaxInflatedDownloadSize = std::uint64_t{4} << 30;  // 4 GiB
  std::uint64_t maxResponseDataSize() const { return maxResponseDataSize_; }
  void setMaxResponseDataSize(std::uint64_t bytes) { maxResponseDataSize_ = bytes; }
  std::uint64_t maxInflatedDownloadSize() const { return maxInflatedDownloadSize_; }
  void setMaxInflatedDownloadSize(std::uint64_t bytes) { maxInflatedDownloadSize_ = bytes; }

  // ======== stream, connections, time-outs (request thread) ========
  void startRequest();
  void checkRequestStatus();
  bool shouldTimeOut();
  void cancelLoad();
  void performRedirect();
  // Confirms a pending redirect (the delegate's answer to requestWillRedirectToURL).
  void redirectToURL(const core::URL& newURL);
  bool willRedirect();
  void readResponseHeaders();
  void parseStringEncodingFromHeaders();
  // The "id" of the pooled connection this request uses; nullopt without one.
  std::optional<std::int64_t> connectionID() const;
  static void expirePersistentConnections();
  bool configureProxies();

  // ======== stream events and completion ========
  void handleNetworkEvent(net::ReadStreamEvent type);
  void handleBytesAvailable();
  void handleStreamComplete();
  void handleStreamError();
  bool willAskDelegateToConfirmRedirect();
  void markAsFinished();
  void useDataFromCache();
  bool retryUsingNewConnection();
  void scheduleReadStream();
  void unscheduleReadStream();
  void destroyReadStream();
  bool removeTemporaryDownloadFile();
  bool removeTemporaryUncompressedDownloadFile();
  bool removeTemporaryUploadFile();
  bool removeTemporaryCompressedUploadFile();
  static bool removeFileAtPath(const std::string& path, core::Error* error);
  // ======== authentication challenges (server 401, proxy 407) ========
  // Answers the challenge of the response just read (the proxy's while a proxy challenge is pending): from
  // the session store, the request's own or stored credentials, the delegate (or queue) or the authentication
  // dialog; fails with code 3 when nobody can answer and with code 7 when credentials cannot be applied.
  void attemptToApplyCredentialsAndResume();
  // The credentials dictionary ({"username", "password"} and "domain" for NTLM) found for the challenge,
  // or Nil.
  core::Value findCredentials();
  core::Value findProxyCredentials();
  bool applyCredentials(const core::Value& credentials);
  bool applyProxyCredentials(const core::Value& credentials);
  bool willAskDelegateForCredentials();
  bool willAskDelegateForProxyCredentials();
  void askDelegateForCredentials();
  void askDelegateForProxyCredentials();
  bool showAuthenticationDialog();
  bool showProxyAuthenticationDialog();
  void saveCredentialsToKeychain(const core::Value& credentials);
  void saveProxyCredentialsToKeychain(const core::Value& credentials);
  // For whoever supplied credentials (the delegate, the dialog): sends the request again with them.
  void retryUsingSuppliedCredentials();
  // Fails the request with code 3 "Authentication needed" (on the request's thread).
  void cancelAuthentication();
  void failAuthentication();
  // The dialog that asks a person for credentials, called on the main thread; the client itself holds
  // no UI (the application installs widgets/AuthenticationDialog). canPresent, asked on the request's
  // thread, says whether a dialog can be shown now (empty: always). Null presenter: no dialog.
  using AuthenticationDialogPresenter = std::function<void(const std::shared_ptr<HTTPRequest>&)>;
  static void setAuthenticationDialogPresenter(AuthenticationDialogPresenter presenter,
                                               std::function<bool()> canPresent = {});
  core::Value proxyCredentials() const { return proxyCredentials_; }
  int proxyAuthenticationRetryCount() const { return proxyAuthenticationRetryCount_; }

  // ======== progress and callbacks ========
  void updateProgressIndicators();
  void updateDownloadProgress();
  void updateUploadProgress();
  void incrementDownloadSizeBy(std::int64_t length);
  void incrementUploadSizeBy(std::int64_t length);
  void removeUploadProgressSoFar();
  void failWithError(const core::Error& error);
  void requestStarted();
  void requestRedirected();
  void requestReceivedResponseHeaders(const core::Value& headers);
  void requestWillRedirectToURL(const core::URL& url);
  void requestFinished();
  void reportFinished();
  void reportFailure();
  void passOnReceivedData(const std::string& data);
  // Runs fn on the main thread, keeping the request alive until it has run. Never inline: the caller
  // may hold cancelledLock_, and fn calls delegates and blocks. On the main thread, while this request
  // runs synchronously there, fn waits for the end of the run loop pass (flushMainThreadCalls, no lock
  // held), so a synchronous request still reports before startSynchronous returns; otherwise it is
  // posted to the main run loop.
  void performBlockOnMainThread(std::function<void()> fn);
  // Runs the calls kept back for this synchronous run, oldest first (and those they add). No lock held.
  void flushMainThreadCalls();

  // ======== class side: network thread, defaults, throttling, indicator ========
  // The network thread's run loop (the thread is made and started on first use; it serves requests until
  // the process exits, which stops its loop and joins it: see HTTPRequestNetwork.cpp).
  static rl::RunLoop& threadForRequest(const std::shared_ptr<HTTPRequest>& request = nullptr);
  static bool isNetworkThread();
  static double defaultTimeOutSeconds();
  static void setDefaultTimeOutSeconds(double seconds);
  static rl::OperationQueue& sharedQueue();
  static std::shared_ptr<HTTPDownloadCache> defaultCache();
  static void setDefaultCache(std::shared_ptr<HTTPDownloadCache> cache);
  static bool isNetworkInUse();
  static void setShouldUpdateNetworkActivityIndicator(bool update);
  static void showNetworkActivityIndicator();
  static void hideNetworkActivityIndicator();
  static void hideNetworkActivityIndicatorAfterDelay();
  static void hideNetworkActivityIndicatorIfNeeeded();
  // The state of the status-bar indicator (this process's stand-in for it), and a hook told each change.
  static bool isNetworkActivityIndicatorVisible();
  static void setNetworkActivityIndicatorHook(std::function<void(bool visible)> hook);
  static bool isMultitaskingSupported();
  static unsigned long maxBandwidthPerSecond();
  static void setMaxBandwidthPerSecond(unsigned long bytes);
  static bool isBandwidthThrottled();
  static void incrementBandwidthUsedInLastSecond(unsigned long bytes);
  static void recordBandwidthUsage();
  static void measureBandwidthUsage();
  static unsigned long maxUploadReadLength();
  static unsigned long averageBandwidthUsedPerSecond();
  static void setShouldThrottleBandwidthForWWAN(bool throttle);
  static void throttleBandwidthForWWANUsingLimit(unsigned long limit);
  static void registerForNetworkReachabilityNotifications();
  static void unsubscribeFromNetworkReachabilityNotifications();
  static bool isNetworkReachableViaWWAN();
  static void reachabilityChanged();
  void performThrottling();
  // Bandwidth figures for tests and the download screen.
  static unsigned long bandwidthUsedInLastSecond();
  static std::optional<double> throttleWakeUpTime();
  static std::size_t bandwidthUsageSampleCount();
  // Replaces the internet connection's status (0 none, 1 mobile network, 2 Wi-Fi) that the throttling
  // reads from the reachability watcher (tests; null restores the watcher).
  static void setInternetConnectionStatusHook(std::function<int()> hook);

  // ======== class side: sessions, user agent, helpers ========
  static std::vector<SessionCredentials>& sessionCredentialsStore();
  static std::vector<SessionCredentials>& sessionProxyCredentialsStore();
  static void storeAuthenticationCredentialsInSessionStore(const SessionCredentials& entry);
  static void storeProxyAuthenticationCredentialsInSessionStore(const SessionCredentials& entry);
  static void removeAuthenticationCredentialsFromSessionStore(const core::Value& credentials);
  static void removeProxyAuthenticationCredentialsFromSessionStore(const core::Value& credentials);
  std::optional<SessionCredentials> findSessionAuthenticationCredentials() const;
  std::optional<SessionCredentials> findSessionProxyAuthenticationCredentials() const;
  // Credentials kept for a protection space (host, port, protocol, realm) for the process's life.
  static void saveCredentials(const core::Value& credential, const std::string& host, int port,
                              const std::string& protocol, const std::string& realm);
  static core::Value savedCredentialsForHost(const std::string& host, int port, const std::string& protocol,
                                             const std::string& realm);
  static void removeCredentialsForHost(const std::string& host, int port, const std::string& protocol,
                                       const std::string& realm);
  static void saveCredentialsForProxy(const core::Value& credential, const std::string& host, int port,
                                      const std::string& realm);
  static core::Value savedCredentialsForProxy(const std::string& host, int port, const std::string& protocol,
                                              const std::string& realm);
  static void removeCredentialsForProxy(const std::string& host, int port, const std::string& realm);
  static std::vector<HTTPCookie> sessionCookies();
  static void setSessionCookies(std::optional<std::vector<HTTPCookie>> cookies);
  static void addSessionCookie(const HTTPCookie& cookie);
  static void clearSession();
  static std::optional<std::string> defaultUserAgentString();
  static void setDefaultUserAgentString(std::optional<std::string> agent);
  static std::optional<std::string> mimeTypeForFileAtPath(const std::string& path);
  // Reads a "Content-Type" value: *mimeType gets the type; *encoding gets a known charset (an IANA name,
  // upper case) and is left alone otherwise.
  static void parseMimeType(std::string* mimeType, std::string* encoding, const std::string& contentType);
  static std::string base64forData(std::string_view data);
  // The user agent's text from its parts (name, version, model, system, system version, locale).
  static std::optional<std::string> userAgentFromBundleInfo(const core::Value& info, const std::string& model,
                                                            const std::string& systemName,
                                                            const std::string& systemVersion,
                                                            const std::string& locale);

  // ======== plain accessors ========
  std::weak_ptr<HTTPRequestDelegate> delegate() const;
  void setDelegate(std::weak_ptr<HTTPRequestDelegate> delegate);
  std::weak_ptr<HTTPRequestQueue> queue() const;
  void setQueue(std::weak_ptr<HTTPRequestQueue> queue);
  std::weak_ptr<HTTPProgressDelegate> uploadProgressDelegate() const;
  void setUploadProgressDelegate(std::weak_ptr<HTTPProgressDelegate> delegate);
  std::weak_ptr<HTTPProgressDelegate> downloadProgressDelegate() const;
  void setDownloadProgressDelegate(std::weak_ptr<HTTPProgressDelegate> delegate);

  void setDidStartSelector(RequestSelector s) { didStartSelector_ = std::move(s); }
  void setDidReceiveResponseHeadersSelector(HeadersSelector s) {
    didReceiveResponseHeadersSelector_ = std::move(s);
  }
  void setWillRedirectSelector(RedirectSelector s) {
    willRedirectSelector_ = std::move(s);
    willRedirectSelectorIsDefault_ = false;
  }
  void setDidFinishSelector(RequestSelector s) { didFinishSelector_ = std::move(s); }
  void setDidFailSelector(RequestSelector s) { didFailSelector_ = std::move(s); }
  void setDidReceiveDataSelector(DataSelector s) {
    didReceiveDataSelector_ = std::move(s);
    didReceiveDataSelectorIsDefault_ = false;
  }

  void setStartedBlock(BasicBlock b);
  void setHeadersReceivedBlock(HeadersBlock b);
  void setCompletionBlock(BasicBlock b);
  void setFailedBlock(BasicBlock b);
  void setBytesReceivedBlock(ProgressBlock b);
  void setBytesSentBlock(ProgressBlock b);
  void setDownloadSizeIncrementedBlock(SizeBlock b);
  void setUploadSizeIncrementedBlock(SizeBlock b);
  void setDataReceivedBlock(DataBlock b);
  void setAuthenticationNeededBlock(BasicBlock b);
  void setProxyAuthenticationNeededBlock(BasicBlock b);
  void setRequestRedirectedBlock(BasicBlock b);

  // Body
  const std::string& postBody() const { return postBody_; }
  void setPostBody(std::string body) { postBody_ = std::move(body); }
  const std::string& compressedPostBody() const { return compressedPostBody_; }
  std::uint64_t postLength() const { return postLength_; }
  void setPostLength(std::uint64_t n) { postLength_ = n; }
  bool haveBuiltPostBody() const { return haveBuiltPostBody_; }
  void setHaveBuiltPostBody(bool b) { haveBuiltPostBody_ = b; }
  bool haveBuiltRequestHeaders() const { return haveBuiltRequestHeaders_; }
  void setHaveBuiltRequestHeaders(bool b) { haveBuiltRequestHeaders_ = b; }
  bool shouldStreamPostDataFromDisk() const { return shouldStreamPostDataFromDisk_; }
  void setShouldStreamPostDataFromDisk(bool b) { shouldStreamPostDataFromDisk_ = b; }
  std::string postBodyFilePath() const { return postBodyFilePath_; }
  void setPostBodyFilePath(std::string p) { postBodyFilePath_ = std::move(p); }
  std::string compressedPostBodyFilePath() const { return compressedPostBodyFilePath_; }
  void setCompressedPostBodyFilePath(std::string p) { compressedPostBodyFilePath_ = std::move(p); }
  bool didCreateTemporaryPostDataFile() const { return didCreateTemporaryPostDataFile_; }
  void setDidCreateTemporaryPostDataFile(bool b) { didCreateTemporaryPostDataFile_ = b; }
  // Compression
  bool shouldCompressRequestBody() const { return shouldCompressRequestBody_; }
  void setShouldCompressRequestBody(bool b) { shouldCompressRequestBody_ = b; }
  bool allowCompressedResponse() const { return allowCompressedResponse_; }
  void setAllowCompressedResponse(bool b) { allowCompressedResponse_ = b; }
  bool shouldWaitToInflateCompressedResponses() const { return shouldWaitToInflateCompressedResponses_; }
  void setShouldWaitToInflateCompressedResponses(bool b) { shouldWaitToInflateCompressedResponses_ = b; }
  // Cookies
  std::vector<HTTPCookie> requestCookies() const { return requestCookies_; }
  void setRequestCookies(std::vector<HTTPCookie> c) { requestCookies_ = std::move(c); }
  bool useCookiePersistence() const { return useCookiePersistence_; }
  void setUseCookiePersistence(bool b) { useCookiePersistence_ = b; }
  // Credentials
  std::string username() const { return username_; }
  void setUsername(std::string s) { username_ = std::move(s); }
  std::string password() const { return password_; }
  void setPassword(std::string s) { password_ = std::move(s); }
  std::string domain() const { return domain_; }
  void setDomain(std::string s) { domain_ = std::move(s); }
  std::string authenticationScheme() const { return authenticationScheme_; }
  void setAuthenticationScheme(std::string s) { authenticationScheme_ = std::move(s); }
  std::string authenticationRealm() const { return authenticationRealm_; }
  void setAuthenticationRealm(std::string s) { authenticationRealm_ = std::move(s); }
  core::Value requestCredentials() const { return requestCredentials_; }
  void setRequestCredentials(core::Value v) { requestCredentials_ = std::move(v); }
  int authenticationRetryCount() const { return authenticationRetryCount_; }
  bool useKeychainPersistence() const { return useKeychainPersistence_; }
  void setUseKeychainPersistence(bool b) { useKeychainPersistence_ = b; }
  bool useSessionPersistence() const { return useSessionPersistence_; }
  void setUseSessionPersistence(bool b) { useSessionPersistence_ = b; }
  bool shouldPresentCredentialsBeforeChallenge() const { return shouldPresentCredentialsBeforeChallenge_; }
  void setShouldPresentCredentialsBeforeChallenge(bool b) { shouldPresentCredentialsBeforeChallenge_ = b; }
  bool shouldPresentAuthenticationDialog() const { return shouldPresentAuthenticationDialog_; }
  void setShouldPresentAuthenticationDialog(bool b) { shouldPresentAuthenticationDialog_ = b; }
  HTTPAuthenticationState authenticationNeeded() const { return authenticationNeeded_; }
  // Proxy
  std::string proxyHost() const { return proxyHost_; }
  void setProxyHost(std::string s) { proxyHost_ = std::move(s); }
  int proxyPort() const { return proxyPort_; }
  void setProxyPort(int p) { proxyPort_ = p; }
  // "HTTP" or "SOCKS"; empty means HTTP.
  std::string proxyType() const { return proxyType_; }
  void setProxyType(std::string s) { proxyType_ = std::move(s); }
  std::string proxyUsername() const { return proxyUsername_; }
  void setProxyUsername(std::string s) { proxyUsername_ = std::move(s); }
  std::string proxyPassword() const { return proxyPassword_; }
  void setProxyPassword(std::string s) { proxyPassword_ = std::move(s); }
  std::string proxyDomain() const { return proxyDomain_; }
  void setProxyDomain(std::string s) { proxyDomain_ = std::move(s); }
  std::string proxyAuthenticationScheme() const { return proxyAuthenticationScheme_; }
  std::string proxyAuthenticationRealm() const { return proxyAuthenticationRealm_; }
  bool shouldPresentProxyAuthenticationDialog() const { return shouldPresentProxyAuthenticationDialog_; }
  void setShouldPresentProxyAuthenticationDialog(bool b) { shouldPresentProxyAuthenticationDialog_ = b; }
  std::optional<core::URL> PACurl() const { return PACurl_; }
  void setPACurl(std::optional<core::URL> u) { PACurl_ = std::move(u); }
  // This request fetches a proxy auto-configuration script for another one.
  bool isPACFileRequest() const { return isPACFileRequest_; }
  void setIsPACFileRequest(bool b) { isPACFileRequest_ = b; }
  std::shared_ptr<HTTPRequest> PACFileRequest() const { return PACFileRequest_; }
  // Fetches the PAC script (file or http/https URL); the request is started once it has been read.
  void fetchPACFile();
  // Runs a PAC script for this request's URL; its first answer becomes the proxy (none on any failure).
  void runPACScript(const std::string& script);
  void finishedDownloadingPACFile(const std::shared_ptr<HTTPRequest>& PACRequest);
  // TLS
  bool validatesSecureCertificate() const { return validatesSecureCertificate_; }
  void setValidatesSecureCertificate(bool b) { validatesSecureCertificate_ = b; }
  // Extra trust anchors (a PEM file) for this request's certificate checks.
  std::string additionalTrustedCertificatesFile() const { return additionalTrustedCertificatesFile_; }
  void setAdditionalTrustedCertificatesFile(std::string p) {
    additionalTrustedCertificatesFile_ = std::move(p);
  }
  // Time
  double timeOutSeconds() const { return timeOutSeconds_; }
  void setTimeOutSeconds(double s) { timeOutSeconds_ = s; }
  // The overall deadline: the longest the request may run, from its start (its first attempt) to its
  // end, through redirects and retries, however steadily the bytes arrive. Past it the request fails
  // with RequestTimedOutErrorType ("The request did not end within its deadline") and is not retried.
  // Checked on the status timer's ticks (every 0.25 s), on the request's clock. kNoDeadline (0, the
  // default) sets none: a download then runs as long as it keeps arriving, bounded by the idle
  // time-out alone. The API calls set theirs (AbstractService::kDeadlineSeconds).
  static constexpr double kNoDeadline = 0;
  double deadlineSeconds() const { return deadlineSeconds_; }
  void setDeadlineSeconds(double s) { deadlineSeconds_ = s; }
  // The clock the time-out is measured on (set before starting; null: the real clock). Copies and the
  // HEAD and PAC requests made from this one use it too.
  std::shared_ptr<rl::Clock> clock() const;
  void setClock(std::shared_ptr<rl::Clock> clock);
  std::optional<double> lastActivityTime() const { return lastActivityTime_; }
  void setLastActivityTime(std::optional<double> t) { lastActivityTime_ = t; }
  std::shared_ptr<rl::Timer> statusTimer() const { return statusTimer_; }
  void setStatusTimer(std::shared_ptr<rl::Timer> timer);
  int numberOfTimesToRetryOnTimeout() const { return numberOfTimesToRetryOnTimeout_; }
  void setNumberOfTimesToRetryOnTimeout(int n) { numberOfTimesToRetryOnTimeout_ = n; }
  int retryCount() const { return retryCount_; }
  bool willRetryRequest() const { return willRetryRequest_; }
  // Redirects
  bool shouldRedirect() const { return shouldRedirect_; }
  void setShouldRedirect(bool b) { shouldRedirect_ = b; }
  bool needsRedirect() const { return needsRedirect_; }
  int redirectCount() const { return redirectCount_; }
  bool shouldUseRFC2616RedirectBehaviour() const { return shouldUseRFC2616RedirectBehaviour_; }
  void setShouldUseRFC2616RedirectBehaviour(bool b) { shouldUseRFC2616RedirectBehaviour_ = b; }
  // Persistent connections
  bool shouldAttemptPersistentConnection() const { return shouldAttemptPersistentConnection_; }
  void setShouldAttemptPersistentConnection(bool b) { shouldAttemptPersistentConnection_ = b; }
  double persistentConnectionTimeoutSeconds() const { return persistentConnectionTimeoutSeconds_; }
  void setPersistentConnectionTimeoutSeconds(double s) { persistentConnectionTimeoutSeconds_ = s; }
  bool connectionCanBeReused() const { return connectionCanBeReused_; }
  std::optional<std::int64_t> requestID() const { return requestID_; }
  bool useHTTPVersionOne() const { return useHTTPVersionOne_; }
  void setUseHTTPVersionOne(bool b) { useHTTPVersionOne_ = b; }
  // Response counters
  std::uint64_t contentLength() const { return contentLength_; }
  std::uint64_t partialDownloadSize() const { return partialDownloadSize_; }
  std::uint64_t totalBytesRead() const { return totalBytesRead_; }
  std::uint64_t totalBytesSent() const { return totalBytesSent_; }
  std::string defaultResponseEncoding() const { return defaultResponseEncoding_; }
  void setDefaultResponseEncoding(std::string e) { defaultResponseEncoding_ = std::move(e); }
  std::string responseEncoding() const { return responseEncoding_; }
  void setResponseEncoding(std::string e) { responseEncoding_ = std::move(e); }
  // Download to file
  std::string downloadDestinationPath() const { return downloadDestinationPath_; }
  void setDownloadDestinationPath(std::string p) { downloadDestinationPath_ = std::move(p); }
  std::string temporaryFileDownloadPath() const { return temporaryFileDownloadPath_; }
  void setTemporaryFileDownloadPath(std::string p) { temporaryFileDownloadPath_ = std::move(p); }
  std::string temporaryUncompressedDataDownloadPath() const { return temporaryUncompressedDataDownloadPath_; }
  bool allowResumeForFileDownloads() const { return allowResumeForFileDownloads_; }
  void setAllowResumeForFileDownloads(bool b) { allowResumeForFileDownloads_ = b; }
  bool downloadComplete() const { return downloadComplete_; }
  // Progress
  bool showAccurateProgress() const { return showAccurateProgress_; }
  void setShowAccurateProgress(bool b) { showAccurateProgress_ = b; }
  bool shouldResetUploadProgress() const { return shouldResetUploadProgress_; }
  void setShouldResetUploadProgress(bool b) { shouldResetUploadProgress_ = b; }
  bool shouldResetDownloadProgress() const { return shouldResetDownloadProgress_; }
  void setShouldResetDownloadProgress(bool b) { shouldResetDownloadProgress_ = b; }
  // State
  bool inProgress() const { return inProgress_.load(); }
  bool complete() const { return complete_.load(); }
  void setComplete(bool b) { complete_.store(b); }
  bool isSynchronous() const { return isSynchronous_; }
  void setSynchronous(bool b) { isSynchronous_ = b; }
  std::shared_ptr<HTTPRequest> mainRequest() const { return mainRequest_.lock(); }
  std::string runLoopMode() const { return runLoopMode_; }
  bool readStreamIsScheduled() const { return readStreamIsScheduled_; }
  std::shared_ptr<net::HTTPReadStream> readStream() const { return readStream_; }
  // Cache
  std::shared_ptr<HTTPDownloadCache> downloadCache() const { return downloadCache_; }
  void setDownloadCache(std::shared_ptr<HTTPDownloadCache> c) { downloadCache_ = std::move(c); }
  int cachePolicy() const { return cachePolicy_; }
  void setCachePolicy(int p) { cachePolicy_ = p; }
  int cacheStoragePolicy() const { return cacheStoragePolicy_; }
  void setCacheStoragePolicy(int p) { cacheStoragePolicy_ = p; }
  bool didUseCachedResponse() const { return didUseCachedResponse_; }
  double secondsToCache() const { return secondsToCache_; }
  void setSecondsToCache(double s) { secondsToCache_ = s; }
  // Background (this platform has no background tasks: kept for the caller only)
  bool shouldContinueWhenAppEntersBackground() const { return shouldContinueWhenAppEntersBackground_; }
  void setShouldContinueWhenAppEntersBackground(bool b) { shouldContinueWhenAppEntersBackground_ = b; }
  // Other
  core::Value userInfo() const { return userInfo_; }
  void setUserInfo(core::Value v) { userInfo_ = std::move(v); }
  int tag() const { return tag_; }
  void setTag(int t) { tag_ = t; }
  std::optional<std::string> userAgentString() const { return userAgentString_; }
  void setUserAgentString(std::optional<std::string> s) { userAgentString_ = std::move(s); }

 protected:
  std::shared_ptr<HTTPRequest> shared();
  std::shared_ptr<const HTTPRequest> shared() const;
  // Creates a request of the same kind as this one (subclasses make their own class).
  virtual std::shared_ptr<HTTPRequest> makeEmptyCopy(std::optional<core::URL> url) const;

 private:
  struct ClassState;
  static ClassState& classState();
  struct Blocks;

  void runMain();
  void cancelOnRequestThread();
  // Runs fn on the request's own thread: the synchronous caller's thread while a synchronous request
  // runs, else the network thread. Never waits.
  void performOnRequestThread(std::function<void()> fn);
  static void releaseBlocks(std::shared_ptr<Blocks> blocks);
  void releaseBlocksOnMainThread();
  void failWithCode(int code, const std::string& text,
                    const std::optional<core::Error>& underlying = std::nullopt);
  bool openFileOutput(int& fd, std::string& path, bool append);
  bool writeToFile(int fd, const std::string& path, std::string_view bytes);
  void closeFileOutputs();
  bool fileError(const std::string& text, const std::optional<core::Error>& underlying = std::nullopt);
  void dropConnectionFromPool();
  std::shared_ptr<HTTPRequestDelegate> lockedDelegate() const;
  std::shared_ptr<HTTPRequestQueue> lockedQueue() const;
  bool delegateRespondsToDidReceiveData() const;
  // Sets a progress delegate (upload or download) to progress of total, on the main thread.
  void setProgressIndicator(bool upload, std::uint64_t progress, std::uint64_t total);
  // Before the request is sent again: the download file is reopened and resumes from what it holds.
  void prepareForRetry();
  bool isBodyShorterThanContentLength() const;
  // True once any byte of the response (head or body) has arrived on the present stream.
  bool responseHasBegun() const;
  // Whether the body is kept in rawResponseData_ (no file, no data callback).
  bool keepsBodyInMemory() const;
  // Appends body bytes to rawResponseData_; past maxResponseDataSize_ fails the request instead (false).
  bool keepInMemory(std::string_view bytes);
  // Code 1 with the underlying -1103 error: the body is larger than maxResponseDataSize_.
  core::Error tooLargeBodyError() const;
  // Stops loading, lets go of the body read so far (memory and temporary files), and fails with `error`.
  void failWithTooLargeResponse(const core::Error& error);
  void updateStatus();
  static core::Error makeError(int code, const std::string& text);
  static std::optional<core::URL> urlWithoutAuthority(const std::optional<core::URL>& url);

  // --- target ---
  std::optional<core::URL> url_;
  std::optional<core::URL> originalURL_;
  std::optional<core::URL> redirectURL_;
  std::string requestMethod_ = "GET";
  core::Value requestHeaders_;
  bool haveBuiltRequestHeaders_ = false;
  // --- body ---
  std::string postBody_;
  bool postBodySetUp_ = false;
  std::string compressedPostBody_;
  std::uint64_t postLength_ = 0;
  bool haveBuiltPostBody_ = false;
  bool shouldStreamPostDataFromDisk_ = false;
  std::string postBodyFilePath_;
  std::string compressedPostBodyFilePath_;
  bool didCreateTemporaryPostDataFile_ = false;
  int postBodyWriteFd_ = -1;
  std::shared_ptr<HTTPInputStream> postBodyReadStream_;
  // --- compression ---
  bool shouldCompressRequestBody_ = false;
  bool allowCompressedResponse_ = true;
  bool shouldWaitToInflateCompressedResponses_ = true;
  std::unique_ptr<DataDecompressor> dataDecompressor_;
  // --- cookies ---
  std::vector<HTTPCookie> requestCookies_;
  std::vector<HTTPCookie> responseCookies_;
  bool useCookiePersistence_ = true;
  // --- credentials ---
  std::string username_, password_, domain_, authenticationScheme_, authenticationRealm_;
  core::Value requestCredentials_;
  std::shared_ptr<void> requestAuthentication_;
  int authenticationRetryCount_ = 0;
  bool useKeychainPersistence_ = false;
  bool useSessionPersistence_ = true;
  bool shouldPresentCredentialsBeforeChallenge_ = true;
  bool shouldPresentAuthenticationDialog_ = false;
  HTTPAuthenticationState authenticationNeeded_ = HTTPAuthenticationState::NoAuthenticationNeeded;
  // --- proxy ---
  std::string proxyHost_, proxyType_, proxyUsername_, proxyPassword_, proxyDomain_,
      proxyAuthenticationScheme_, proxyAuthenticationRealm_;
  int proxyPort_ = 0;
  core::Value proxyCredentials_;
  std::shared_ptr<void> proxyAuthentication_;
  int proxyAuthenticationRetryCount_ = 0;
  bool shouldPresentProxyAuthenticationDialog_ = true;
  std::optional<core::URL> PACurl_;
  bool isPACFileRequest_ = false;
  std::shared_ptr<HTTPRequest> PACFileRequest_;
  // --- TLS ---
  bool validatesSecureCertificate_ = true;
  std::string additionalTrustedCertificatesFile_;
  // --- time ---
  double timeOutSeconds_;
  double deadlineSeconds_ = kNoDeadline;
  std::optional<double> startTime_;   // on the clock, when the first attempt began
  std::shared_ptr<rl::Clock> clock_;  // null: the real clock
  std::optional<double> lastActivityTime_;
  std::shared_ptr<rl::Timer> statusTimer_;
  int numberOfTimesToRetryOnTimeout_ = 0;
  int retryCount_ = 0;
  bool willRetryRequest_ = false;
  // --- redirects ---
  bool shouldRedirect_ = true;
  bool needsRedirect_ = false;
  int redirectCount_ = 0;
  bool shouldUseRFC2616RedirectBehaviour_ = false;
  // --- persistent connections ---
  bool shouldAttemptPersistentConnection_ = true;
  double persistentConnectionTimeoutSeconds_ = 60;
  bool connectionCanBeReused_ = false;
  std::shared_ptr<ConnectionInfo> connectionInfo_;
  std::optional<std::int64_t> requestID_;
  bool useHTTPVersionOne_ = false;
  // --- response ---
  core::Value responseHeaders_;
  std::shared_ptr<const net::HTTPMessage> responseMessage_;
  int responseStatusCode_ = 0;
  std::string responseStatusMessage_;
  std::string rawResponseData_;
  std::optional<std::string> inflatedResponseData_;  // a compressed body kept in memory, inflated at its end
  std::uint64_t maxResponseDataSize_ = kDefaultMaxResponseDataSize;
  std::uint64_t maxInflatedDownloadSize_ = kDefaultMaxInflatedDownloadSize;
  std::uint64_t contentLength_ = 0;
  std::uint64_t partialDownloadSize_ = 0;
  std::uint64_t totalBytesRead_ = 0;
  std::uint64_t lastBytesRead_ = 0;
  std::string defaultResponseEncoding_ = "ISO-8859-1";
  std::string responseEncoding_ = "ISO-8859-1";
  // --- upload counters ---
  std::uint64_t totalBytesSent_ = 0;
  std::uint64_t lastBytesSent_ = 0;
  std::uint64_t uploadBufferSize_ = 0;
  // --- download to file ---
  std::string downloadDestinationPath_;
  std::string temporaryFileDownloadPath_;
  std::string temporaryUncompressedDataDownloadPath_;
  int fileDownloadOutputFd_ = -1;
  int inflatedFileDownloadOutputFd_ = -1;
  bool allowResumeForFileDownloads_ = false;
  bool downloadComplete_ = false;
  std::optional<core::Error> fileError_;
  // --- progress ---
  bool showAccurateProgress_ = true;
  bool shouldResetUploadProgress_ = true;
  bool shouldResetDownloadProgress_ = true;
  bool updatedProgress_ = false;
  // --- callbacks ---
  std::weak_ptr<HTTPRequestDelegate> delegate_;
  std::weak_ptr<HTTPRequestQueue> queue_;
  std::weak_ptr<HTTPProgressDelegate> uploadProgressDelegate_;
  std::weak_ptr<HTTPProgressDelegate> downloadProgressDelegate_;
  RequestSelector didStartSelector_;
  HeadersSelector didReceiveResponseHeadersSelector_;
  RedirectSelector willRedirectSelector_;
  bool willRedirectSelectorIsDefault_ = true;
  RequestSelector didFinishSelector_;
  RequestSelector didFailSelector_;
  DataSelector didReceiveDataSelector_;
  bool didReceiveDataSelectorIsDefault_ = true;
  std::shared_ptr<Blocks> blocks_;
  // --- state ---
  std::atomic<bool> inProgress_{false};
  std::atomic<bool> complete_{false};
  std::atomic<bool> finished_{false};
  std::optional<core::Error> error_;
  bool isSynchronous_ = false;
  std::weak_ptr<HTTPRequest> mainRequest_;
  std::shared_ptr<net::HTTPReadStream> readStream_;
  bool readStreamIsScheduled_ = false;
  std::string runLoopMode_;
  rl::RunLoop* requestRunLoop_ = nullptr;  // the loop the stream runs on (set when the request runs)
  std::shared_ptr<rl::Timer> synchronousKeepAlive_;
  std::atomic<bool> redirectConfirmationPending_{false};
  bool forceNewConnection_ = false;  // the next stream opens a connection of its own (after a drop)  // a
                                     // delegate was asked to confirm a redirect
  mutable std::recursive_mutex cancelledLock_;
  // Main-thread calls of a synchronous run on the main thread (performBlockOnMainThread). The lock
  // guards the list only; it is never held while a call runs, nor taken before cancelledLock_.
  std::atomic<bool> runsSynchronouslyOnMain_{false};
  std::mutex mainThreadCallsLock_;
  std::vector<std::function<void()>> mainThreadCalls_;
  std::shared_ptr<net::HTTPMessage> request_;
  // --- cache ---
  std::shared_ptr<HTTPDownloadCache> downloadCache_;
  int cachePolicy_ = 0;
  int cacheStoragePolicy_ = 0;
  bool didUseCachedResponse_ = false;
  double secondsToCache_ = 0;
  // --- background ---
  bool shouldContinueWhenAppEntersBackground_ = false;
  // --- other ---
  core::Value userInfo_;
  int tag_ = 0;
  std::optional<std::string> userAgentString_;
};
