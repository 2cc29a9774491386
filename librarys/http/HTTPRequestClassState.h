#pragma once
// The class-wide state of HTTPRequest, shared by its source files.

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "librarys/http/BandwidthThrottle.h"
#include "librarys/http/DataCompressor.h"
#include "librarys/http/DataDecompressor.h"
#include "librarys/http/HTTPRequest.h"
#include "platform/core/NotificationCenter.h"
#include "platform/net/Reachability.h"
#include "platform/runloop/Clock.h"
#include "platform/runloop/OperationQueue.h"
#include "platform/runloop/RunLoop.h"

struct HTTPRequest::ClassState {
  ClassState();

  // Connections: the pool of persistent connections, the counters and the running-request count.
  std::recursive_mutex connectionsLock;
  std::vector<std::shared_ptr<ConnectionInfo>> persistentConnectionsPool;
  std::int64_t nextConnectionNumberToCreate = 0;
  std::int64_t nextRequestID = 0;
  int runningRequestCount = 0;
  bool shouldUpdateNetworkActivityIndicator = true;
  bool networkActivityIndicatorVisible = false;
  std::function<void(bool)> networkActivityIndicatorHook;
  // The one pending delayed hide of the indicator, and the loop it waits on.
  std::shared_ptr<rl::Timer> hideIndicatorTimer;
  rl::RunLoop* hideIndicatorLoop = nullptr;

  std::recursive_mutex progressLock;

  // The measure and throttle of all requests' bandwidth, on the real clock.
  BandwidthThrottle bandwidth;

  // Sessions.
  std::recursive_mutex sessionCookiesLock;
  std::recursive_mutex sessionCredentialsLock;
  std::recursive_mutex delegateAuthenticationLock;
  std::optional<std::vector<HTTPCookie>> sessionCookies;
  std::vector<SessionCredentials> sessionCredentials;
  std::vector<SessionCredentials> sessionProxyCredentials;
  std::mutex savedCredentialsLock;
  std::map<std::string, core::Value> savedCredentials;

  // The class's own monitor: user agent, default cache, network thread.
  std::mutex classMonitor;
  bool defaultUserAgentMade = false;
  std::optional<std::string> defaultUserAgent;
  std::shared_ptr<HTTPDownloadCache> defaultCache;
  std::atomic<double> defaultTimeOutSeconds{10.0};

  rl::OperationQueue sharedQueue;

  std::atomic<rl::RunLoop*> networkLoop{nullptr};
  std::atomic<std::thread::id> networkThreadId{};

  std::mutex reachabilityLock;
  std::function<int()> internetConnectionStatusHook;
  std::shared_ptr<net::Reachability> internetReachability;
  core::ObserverToken reachabilityObserver;
};

// Everything a request calls back with a block; released together on the main thread.
struct HTTPRequest::Blocks {
  BasicBlock started, completion, failure, authenticationNeeded, proxyAuthenticationNeeded, requestRedirected;
  HeadersBlock headersReceived;
  ProgressBlock bytesReceived, bytesSent;
  SizeBlock downloadSizeIncremented, uploadSizeIncremented;
  DataBlock dataReceived;
};

namespace httpdetail {
double now();  // the real clock (rl::Clock::real()): the connection pool's expiry times
std::string uniqueString();
std::optional<std::uint64_t> fileSize(const std::string& path, core::Error* underlying = nullptr);
}  // namespace httpdetail
