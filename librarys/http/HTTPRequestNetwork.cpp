// HTTPRequest, class side: the network thread, defaults, the network-activity indicator, and bandwidth
// measurement and throttling of all requests together.

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <thread>
#include <utility>

#include "librarys/http/HTTPRequest.h"
#include "librarys/http/HTTPRequestClassState.h"
#include "platform/core/NotificationCenter.h"
#include "platform/net/Transport.h"
#include "platform/runloop/RunLoop.h"

// ---------------------------------------------------------------------------------------------------
// Network thread

namespace {

// The network thread, owned for the life of the process: it runs its loop until the process ends, then
// this object (a function-level static, so it goes at exit before everything made before it, the class
// state included) stops the loop and joins the thread, so no request work runs while the process takes
// its statics apart. Joining is bounded: a thread held up longer than kExitWait (a blocking name lookup
// or connect that has not timed out yet) is left to the ending process rather than holding its exit.
// Nor is it joined by itself (exit called on the network thread) or in a forked child, which has no
// such thread: those cases leave it too.
class NetworkThread {
 public:
  static constexpr auto kExitWait = std::chrono::seconds(5);

  // `announce` runs first on the new thread, with its loop (the class state records both there).
  explicit NetworkThread(std::function<void(rl::RunLoop&)> announce)
      : owner_(::getpid()), shared_(std::make_shared<Shared>()) {
    std::promise<std::shared_ptr<rl::RunLoop>> started;
    auto loopReady = started.get_future();
    finished_ = shared_->finished.get_future();
    // The thread holds what it shares with this object, which a thread left at exit may outlive.
    thread_ = std::thread(
        [shared = shared_, announce = std::move(announce), started = std::move(started)]() mutable {
          rl::RunLoop& loop = rl::RunLoop::current();
          announce(loop);
          started.set_value(rl::RunLoop::currentShared());
          // runRequests: serve every asynchronous request's stream and timers until the process ends.
          while (!shared->stopping.load()) loop.run();
          shared->finished.set_value();
        });
    loop_ = loopReady.get();
  }

  ~NetworkThread() {
    if (!thread_.joinable()) return;
    if (::getpid() != owner_ || std::this_thread::get_id() == thread_.get_id()) {
      thread_.detach();
      return;
    }
    shared_->stopping.store(true);
    loop_->stop();
    if (finished_.wait_for(kExitWait) == std::future_status::ready) {
      thread_.join();
    } else {
      thread_.detach();
    }
  }

  NetworkThread(const NetworkThread&) = delete;
  NetworkThread& operator=(const NetworkThread&) = delete;

 private:
  struct Shared {
    std::atomic<bool> stopping{false};
    std::promise<void> finished;
  };

  const pid_t owner_;
  std::shared_ptr<Shared> shared_;
  std::future<void> finished_;
  std::shared_ptr<rl::RunLoop> loop_;
  std::thread thread_;
};

}  // namespace

rl::RunLoop& HTTPRequest::threadForRequest(const std::shared_ptr<HTTPRequest>&) {
  auto& cs = classState();
  if (rl::RunLoop* loop = cs.networkLoop.load()) return *loop;
  // One network thread for the process, made once (a caller that arrives while another makes it waits
  // for the same thread), after the TLS library it uses, so that at exit it is stopped before the library
  // tidies up.
  static const bool tlsReady = (net::Transport::initializeLibrary(), true);
  (void)tlsReady;
  static NetworkThread thread([&cs](rl::RunLoop& loop) {
    std::lock_guard lock(cs.classMonitor);
    cs.networkThreadId.store(std::this_thread::get_id());
    cs.networkLoop.store(&loop);
  });
  return *cs.networkLoop.load();
}

bool HTTPRequest::isNetworkThread() {
  return classState().networkThreadId.load() == std::this_thread::get_id();
}

// ---------------------------------------------------------------------------------------------------
// Defaults

double HTTPRequest::defaultTimeOutSeconds() { return classState().defaultTimeOutSeconds.load(); }
void HTTPRequest::setDefaultTimeOutSeconds(double seconds) {
  classState().defaultTimeOutSeconds.store(seconds);
}
rl::OperationQueue& HTTPRequest::sharedQueue() { return classState().sharedQueue; }

std::shared_ptr<HTTPDownloadCache> HTTPRequest::defaultCache() {
  std::lock_guard lock(classState().classMonitor);
  return classState().defaultCache;
}

void HTTPRequest::setDefaultCache(std::shared_ptr<HTTPDownloadCache> cache) {
  std::lock_guard lock(classState().classMonitor);
  classState().defaultCache = std::move(cache);
}

bool HTTPRequest::isMultitaskingSupported() { return false; }

// ---------------------------------------------------------------------------------------------------
// Network-activity indicator

bool HTTPRequest::isNetworkInUse() {
  std::lock_guard lock(classState().connectionsLock);
  return classState().runningRequestCount > 0;
}

void HTTPRequest::setShouldUpdateNetworkActivityIndicator(bool update) {
  std::lock_guard lock(classState().connectionsLock);
  classState().shouldUpdateNetworkActivityIndicator = update;
}

bool HTTPRequest::isNetworkActivityIndicatorVisible() {
  std::lock_guard lock(classState().connectionsLock);
  return classState().networkActivityIndicatorVisible;
}

void HTTPRequest::setNetworkActivityIndicatorHook(std::function<void(bool visible)> hook) {
  std::lock_guard lock(classState().connectionsLock);
  classState().networkActivityIndicatorHook = std::move(hook);
}

void HTTPRequest::showNetworkActivityIndicator() {
  std::function<void(bool)> hook;
  {
    std::lock_guard lock(classState().connectionsLock);
    classState().networkActivityIndicatorVisible = true;
    hook = classState().networkActivityIndicatorHook;
  }
  if (hook) rl::performOnMainThread([hook] { hook(true); }, false);
}

void HTTPRequest::hideNetworkActivityIndicator() {
  std::function<void(bool)> hook;
  {
    std::lock_guard lock(classState().connectionsLock);
    classState().networkActivityIndicatorVisible = false;
    hook = classState().networkActivityIndicatorHook;
  }
  if (hook) rl::performOnMainThread([hook] { hook(false); }, false);
}

void HTTPRequest::hideNetworkActivityIndicatorAfterDelay() {
  // One delayed hide at a time: while one waits on this thread's loop, a later stop moves it on rather
  // than adding a timer per finished request (the timers of synchronous requests on the main thread
  // would otherwise pile up while the loop runs in the requests' own mode).
  auto& cs = classState();
  rl::RunLoop& loop = rl::RunLoop::current();
  std::shared_ptr<rl::Timer> pending;
  {
    std::lock_guard lock(cs.connectionsLock);
    if (cs.hideIndicatorTimer && cs.hideIndicatorTimer->isValid() && cs.hideIndicatorLoop == &loop)
      pending = cs.hideIndicatorTimer;
  }
  if (pending) {
    pending->setFireDate(loop.now() + 0.5);
    return;
  }
  auto timer = rl::performAfterDelay(0.5, [] { hideNetworkActivityIndicatorIfNeeeded(); });
  std::shared_ptr<rl::Timer> replaced;
  {
    std::lock_guard lock(cs.connectionsLock);
    replaced = std::exchange(cs.hideIndicatorTimer, timer);
    cs.hideIndicatorLoop = &loop;
  }
  if (replaced && replaced != timer) replaced->invalidate();
}

void HTTPRequest::hideNetworkActivityIndicatorIfNeeeded() {
  std::lock_guard lock(classState().connectionsLock);
  if (classState().runningRequestCount == 0) hideNetworkActivityIndicator();
}

// ---------------------------------------------------------------------------------------------------
// Bandwidth

unsigned long HTTPRequest::maxBandwidthPerSecond() { return classState().bandwidth.maxBandwidthPerSecond(); }

void HTTPRequest::setMaxBandwidthPerSecond(unsigned long bytes) {
  classState().bandwidth.setMaxBandwidthPerSecond(bytes);
}

bool HTTPRequest::isBandwidthThrottled() { return classState().bandwidth.isBandwidthThrottled(); }

void HTTPRequest::incrementBandwidthUsedInLastSecond(unsigned long bytes) {
  classState().bandwidth.incrementBandwidthUsedInLastSecond(bytes);
}

unsigned long HTTPRequest::bandwidthUsedInLastSecond() {
  return classState().bandwidth.bandwidthUsedInLastSecond();
}

std::optional<double> HTTPRequest::throttleWakeUpTime() {
  return classState().bandwidth.throttleWakeUpTime();
}

std::size_t HTTPRequest::bandwidthUsageSampleCount() {
  return classState().bandwidth.bandwidthUsageSampleCount();
}

void HTTPRequest::recordBandwidthUsage() { classState().bandwidth.recordBandwidthUsage(); }

void HTTPRequest::measureBandwidthUsage() { classState().bandwidth.measureBandwidthUsage(); }

unsigned long HTTPRequest::maxUploadReadLength() { return classState().bandwidth.maxUploadReadLength(); }

unsigned long HTTPRequest::averageBandwidthUsedPerSecond() {
  return classState().bandwidth.averageBandwidthUsedPerSecond();
}

void HTTPRequest::performThrottling() {
  if (!readStream_) return;
  auto& bandwidth = classState().bandwidth;
  bandwidth.measureBandwidthUsage();
  if (!bandwidth.isBandwidthThrottled()) {
    if (!readStreamIsScheduled_) scheduleReadStream();
    return;
  }
  if (!bandwidth.throttleWakeUpTime()) return;
  if (bandwidth.isAsleep()) {
    if (readStreamIsScheduled_) unscheduleReadStream();
  } else if (!readStreamIsScheduled_) {
    scheduleReadStream();
  }
}

// ---------------------------------------------------------------------------------------------------
// Throttling on the mobile network only

void HTTPRequest::setShouldThrottleBandwidthForWWAN(bool throttle) {
  if (throttle) {
    throttleBandwidthForWWANUsingLimit(14800);
    return;
  }
  unsubscribeFromNetworkReachabilityNotifications();
  classState().bandwidth.stopThrottling();
}

void HTTPRequest::throttleBandwidthForWWANUsingLimit(unsigned long limit) {
  classState().bandwidth.throttleForWWANOnlyUsingLimit(limit);
  registerForNetworkReachabilityNotifications();
  reachabilityChanged();
}

void HTTPRequest::setInternetConnectionStatusHook(std::function<int()> hook) {
  std::lock_guard lock(classState().reachabilityLock);
  classState().internetConnectionStatusHook = std::move(hook);
}

void HTTPRequest::registerForNetworkReachabilityNotifications() {
  std::lock_guard lock(classState().reachabilityLock);
  if (classState().reachabilityObserver) return;
  // A watcher of the internet connection, on the caller's run loop, and its change notice.
  classState().internetReachability = net::Reachability::reachabilityForInternetConnection();
  if (classState().internetReachability) classState().internetReachability->startNotifier();
  classState().reachabilityObserver = core::NotificationCenter::defaultCenter().addObserver(
      net::kReachabilityChangedNotification, [](const core::Notification&) { reachabilityChanged(); });
}

void HTTPRequest::unsubscribeFromNetworkReachabilityNotifications() {
  std::lock_guard lock(classState().reachabilityLock);
  if (!classState().reachabilityObserver) return;
  core::NotificationCenter::defaultCenter().removeObserver(classState().reachabilityObserver);
  classState().reachabilityObserver = core::ObserverToken{};
  if (classState().internetReachability) classState().internetReachability->stopNotifier();
  classState().internetReachability.reset();
}

bool HTTPRequest::isNetworkReachableViaWWAN() {
  std::function<int()> hook;
  std::shared_ptr<net::Reachability> watcher;
  {
    std::lock_guard lock(classState().reachabilityLock);
    hook = classState().internetConnectionStatusHook;
    watcher = classState().internetReachability;
  }
  if (hook) return hook() == net::ReachableViaWWAN;
  if (!watcher) watcher = net::Reachability::reachabilityForInternetConnection();
  return watcher && watcher->currentReachabilityStatus() == net::ReachableViaWWAN;
}

void HTTPRequest::reachabilityChanged() {
  classState().bandwidth.setNetworkThrottled(isNetworkReachableViaWWAN());
}
