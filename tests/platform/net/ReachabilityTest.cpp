// Reachability: the flag-to-status table, the Linux tables behind the flags, and change notices.

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/net/Reachability.h"
#include "platform/core/NotificationCenter.h"
#include "platform/runloop/RunLoop.h"

namespace {

using namespace net;

constexpr std::uint32_t R = kReachabilityFlagReachable;
constexpr std::uint32_t T = kReachabilityFlagTransientConnection;
constexpr std::uint32_t C = kReachabilityFlagConnectionRequired;
constexpr std::uint32_t TRAFFIC = kReachabilityFlagConnectionOnTraffic;
constexpr std::uint32_t I = kReachabilityFlagInterventionRequired;
constexpr std::uint32_t DEMAND = kReachabilityFlagConnectionOnDemand;
constexpr std::uint32_t L = kReachabilityFlagIsLocalAddress;
constexpr std::uint32_t D = kReachabilityFlagIsDirect;
constexpr std::uint32_t W = kReachabilityFlagIsWWAN;

// A flag source the test controls: flags set by hand (nullopt: the read fails) and change events
// written into a socket, as the kernel would write into the netlink socket.
class FakeNetwork {
 public:
  ~FakeNetwork() {
    std::lock_guard lock(state_->mutex);
    if (state_->writeEnd >= 0) ::close(state_->writeEnd);
  }

  std::unique_ptr<ReachabilityRef> ref(bool eventSourceWorks = true) {
    auto st = state_;
    return std::make_unique<ReachabilityRef>(
        [st]() {
          std::lock_guard lock(st->mutex);
          ++st->reads;
          return st->flags;
        },
        [st, eventSourceWorks]() -> int {
          if (!eventSourceWorks) return -1;
          int fds[2];
          if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return -1;
          std::lock_guard lock(st->mutex);
          if (st->writeEnd >= 0) ::close(st->writeEnd);
          st->writeEnd = fds[1];
          return fds[0];
        });
  }
  std::shared_ptr<Reachability> reachability(const std::string& key = "test") {
    auto r = std::make_shared<Reachability>(ref());
    r->setKey(key);
    return r;
  }

  void setFlags(std::optional<std::uint32_t> flags) {
    std::lock_guard lock(state_->mutex);
    state_->flags = flags;
  }
  // One netlink message arrives (unheard when nobody listens any more).
  void event() {
    std::lock_guard lock(state_->mutex);
    if (state_->writeEnd >= 0) (void)::send(state_->writeEnd, "e", 1, MSG_NOSIGNAL);
  }
  int reads() const {
    std::lock_guard lock(state_->mutex);
    return state_->reads;
  }

 private:
  struct State {
    std::mutex mutex;
    std::optional<std::uint32_t> flags = 0;
    int writeEnd = -1;
    int reads = 0;
  };
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

// Counts the change notices of one object.
class ChangeObserver {
 public:
  explicit ChangeObserver(const Reachability* watched) {
    token_ = core::NotificationCenter::defaultCenter().addObserver(
        kReachabilityChangedNotification, [this, watched](const core::Notification& n) {
          if (n.sender.get() != watched) return;
          std::lock_guard lock(mutex_);
          ++count_;
          thread_ = std::this_thread::get_id();
        });
  }
  ~ChangeObserver() { core::NotificationCenter::defaultCenter().removeObserver(token_); }
  int count() const {
    std::lock_guard lock(mutex_);
    return count_;
  }
  std::thread::id thread() const {
    std::lock_guard lock(mutex_);
    return thread_;
  }

 private:
  mutable std::mutex mutex_;
  int count_ = 0;
  std::thread::id thread_;
  core::ObserverToken token_;
};

sockaddr_in address(const char* dotted) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  ::inet_pton(AF_INET, dotted, &a.sin_addr);
  return a;
}

class ReachabilityNotices : public ::testing::Test {
 protected:
  void SetUp() override {
    rl::RunLoop::setMainThread();
    loop().clear();
  }
  void TearDown() override { loop().clear(); }
  rl::RunLoop& loop() { return rl::RunLoop::main(); }
  // Runs what is ready now (a written event is ready at once), without waiting.
  void runReady() {
    for (int i = 0; i < 4; ++i) loop().runOnce(rl::kDefaultMode, 0);
  }
};

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Flags to status

TEST(Reachability, StatusForFlags) {
  struct Case {
    std::uint32_t flags;
    NetworkStatus status;
  };
  const Case cases[] = {
      {0, NotReachable},
      {T | C | TRAFFIC | I | DEMAND | L | D | W, NotReachable},  // everything but reachable
      {R, ReachableViaWiFi},
      {R | W, ReachableViaWWAN},
      {R | W | C | T, ReachableViaWWAN},  // the mobile network wins before the other rules
      {R | C | T, NotReachable},          // the link is down
      {R | C | T | D | L, NotReachable},
      {R | T, ReachableViaWiFi},  // e.g. through a VPN
      {R | T | TRAFFIC, ReachableViaWiFi},
      {R | D, ReachableViaWiFi},
      {R | L | D, ReachableViaWiFi},
      {R | C, ReachableViaWiFi},
      {R | C | TRAFFIC, ReachableViaWiFi},
      {R | C | I, ReachableViaWiFi},
      {R | TRAFFIC, NotReachable},  // connection on traffic alone counts as offline
      {R | DEMAND, NotReachable},
      {R | I, NotReachable},
  };
  FakeNetwork net;
  auto r = net.reachability("InternetConnection");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flags);
    EXPECT_EQ(r->networkStatusForFlags(c.flags), c.status);
    net.setFlags(c.flags);
    EXPECT_EQ(r->currentReachabilityStatus(), c.status);
    EXPECT_EQ(r->reachabilityFlags(), c.flags);
    EXPECT_EQ(r->isReachable(), c.status != NotReachable);
    EXPECT_EQ(r->isReachableViaWWAN(), c.status == ReachableViaWWAN);
    EXPECT_EQ(r->isReachableViaWiFi(), c.status == ReachableViaWiFi);
  }
}

TEST(Reachability, LocalWiFiNeedsADirectRoute) {
  FakeNetwork net;
  auto r = net.reachability("LocalWiFiConnection");
  EXPECT_EQ(r->networkStatusForFlags(R | D), ReachableViaWiFi);
  EXPECT_EQ(r->networkStatusForFlags(R | D | W), ReachableViaWiFi);
  EXPECT_EQ(r->networkStatusForFlags(R | W), NotReachable);
  EXPECT_EQ(r->networkStatusForFlags(R), NotReachable);
  EXPECT_EQ(r->networkStatusForFlags(D), NotReachable);
  // The same flags on another target follow the general rules.
  r->setKey("InternetConnection");
  EXPECT_EQ(r->networkStatusForFlags(R | W), ReachableViaWWAN);
  EXPECT_EQ(r->networkStatusForFlags(R), ReachableViaWiFi);
}

TEST(Reachability, ConnectionQueries) {
  struct Case {
    std::uint32_t flags;
    bool required, onDemand, intervention;
  };
  const Case cases[] = {
      {R, false, false, false},
      {R | C, true, false, false},
      {R | C | TRAFFIC, true, true, false},
      {R | C | DEMAND, true, true, false},
      {R | TRAFFIC | DEMAND | I, false, false, false},  // nothing without connection required
      {R | C | I, true, false, true},
      {C | DEMAND | I, true, true, true},
  };
  FakeNetwork net;
  auto r = net.reachability();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flags);
    net.setFlags(c.flags);
    EXPECT_EQ(r->isConnectionRequired(), c.required);
    EXPECT_EQ(r->connectionRequired(), c.required);
    EXPECT_EQ(r->isConnectionOnDemand(), c.onDemand);
    EXPECT_EQ(r->isInterventionRequired(), c.intervention);
  }
}

TEST(Reachability, AFailedReadCountsAsNo) {
  FakeNetwork net;
  auto r = net.reachability();
  net.setFlags(std::nullopt);
  EXPECT_EQ(r->reachabilityFlags(), 0u);
  EXPECT_EQ(r->currentReachabilityStatus(), NotReachable);
  EXPECT_FALSE(r->isReachable());
  EXPECT_FALSE(r->isConnectionRequired());

  Reachability noRef(nullptr);
  EXPECT_EQ(noRef.currentReachabilityStatus(), NotReachable);
  EXPECT_FALSE(noRef.startNotifier());
}

TEST(Reachability, KeysAndFactories) {
  EXPECT_EQ(Reachability::makeAddressKey(address("192.168.1.20")), "192.168.1.20");
  EXPECT_EQ(Reachability::makeAddressKey(address("10.0.255.3")), "10.0.255.3");
  EXPECT_EQ(Reachability::makeAddressKey(address("0.0.0.0")), "0.0.0.0");

  auto internet = Reachability::reachabilityForInternetConnection();
  ASSERT_NE(internet, nullptr);
  EXPECT_EQ(internet->key(), "InternetConnection");
  auto wifi = Reachability::reachabilityForLocalWiFi();
  ASSERT_NE(wifi, nullptr);
  EXPECT_EQ(wifi->key(), "LocalWiFiConnection");
  auto byAddress = Reachability::reachabilityWithAddress(address("127.0.0.1"));
  ASSERT_NE(byAddress, nullptr);
  EXPECT_EQ(byAddress->key(), "127.0.0.1");
  auto byName = Reachability::reachabilityWithHostName("api.example.com");
  ASSERT_NE(byName, nullptr);
  EXPECT_EQ(byName->key(), "api.example.com");

  EXPECT_EQ(Reachability::reachabilityWithHostName(""), nullptr);
  sockaddr_in notIPv4 = address("1.2.3.4");
  notIPv4.sin_family = AF_INET6;
  EXPECT_EQ(Reachability::reachabilityWithAddress(notIPv4), nullptr);

  EXPECT_TRUE(internet->isEqual(*Reachability::reachabilityForInternetConnection()));
  EXPECT_FALSE(internet->isEqual(*wifi));
}

// ---------------------------------------------------------------------------------------------------
// The Linux tables behind the flags

namespace {

using Kind = NetworkSnapshot::LinkKind;

NetworkSnapshot::Link link(int index, Kind kind, bool running = true) {
  NetworkSnapshot::Link l;
  l.index = index;
  l.name = "if" + std::to_string(index);
  l.up = true;
  l.running = running;
  l.kind = kind;
  return l;
}

NetworkSnapshot::Route route(const char* prefix, int outputLink, bool gateway, int type = 1, int table = 254,
                             std::uint32_t metric = 0, int family = AF_INET) {
  NetworkSnapshot::Route r;
  r.family = family;
  r.table = table;
  r.type = type;
  std::string p = prefix;
  auto slash = p.find('/');
  r.dstLength = static_cast<std::uint8_t>(std::stoi(p.substr(slash + 1)));
  ::inet_pton(family, p.substr(0, slash).c_str(), r.dst);
  r.hasGateway = gateway;
  r.outputLink = outputLink;
  r.priority = metric;
  return r;
}

constexpr int kLocal = 2;  // route types
constexpr int kUnreachable = 7;
constexpr int kLocalTable = 255;

// A host with a loopback device (1) and one other link (2) of the given kind.
NetworkSnapshot host(Kind kind, bool running = true) {
  NetworkSnapshot s;
  s.links = {link(1, Kind::Loopback), link(2, kind, running)};
  s.routes = {route("127.0.0.0/8", 1, false, kLocal, kLocalTable),
              route("127.0.0.1/32", 1, false, kLocal, kLocalTable),
              route("192.0.2.2/32", 2, false, kLocal, kLocalTable), route("192.0.2.0/24", 2, false),
              route("0.0.0.0/0", 2, true)};
  return s;
}

in_addr ip(const char* dotted) { return address(dotted).sin_addr; }

}  // namespace

TEST(ReachabilityTables, InternetConnection) {
  struct Case {
    const char* name;
    NetworkSnapshot snap;
    std::uint32_t flags;
  };
  NetworkSnapshot loopbackOnly;
  loopbackOnly.links = {link(1, Kind::Loopback)};
  loopbackOnly.routes = {route("127.0.0.0/8", 1, false, kLocal, kLocalTable), route("0.0.0.0/0", 1, false)};
  NetworkSnapshot noDefault = host(Kind::Wired);
  noDefault.routes.pop_back();
  NetworkSnapshot adminDown = host(Kind::Wired);
  adminDown.links[1].up = false;
  NetworkSnapshot ipv6Only = noDefault;
  ipv6Only.routes.push_back(route("::/0", 2, true, 1, 254, 1024, AF_INET6));
  NetworkSnapshot unreachableDefault = noDefault;
  unreachableDefault.routes.push_back(route("0.0.0.0/0", 2, false, kUnreachable));
  NetworkSnapshot wiredAndMobile = host(Kind::Wired);
  wiredAndMobile.links.push_back(link(3, Kind::WWAN));
  wiredAndMobile.routes.back().priority = 100;
  wiredAndMobile.routes.push_back(route("0.0.0.0/0", 3, true, 1, 254, 700));
  NetworkSnapshot mobilePreferred = wiredAndMobile;
  mobilePreferred.routes.back().priority = 50;

  const Case cases[] = {
      {"wired", host(Kind::Wired), R},
      {"wireless", host(Kind::Wireless), R},
      {"mobile", host(Kind::WWAN), R | W},
      {"link without carrier", host(Kind::Wired, false), 0},
      {"link switched off", adminDown, 0},
      {"loopback only", loopbackOnly, 0},
      {"no default route", noDefault, 0},
      {"IPv6 default route", ipv6Only, R},
      {"unreachable default route", unreachableDefault, 0},
      {"lowest metric wins", wiredAndMobile, R},
      {"lowest metric wins (mobile)", mobilePreferred, R | W},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.snap.internetFlags(), c.flags);
    EXPECT_EQ(c.snap.addressFlags(ip("0.0.0.0")), c.flags);
  }

  // As statuses: a wired or wireless link is Wi-Fi, a mobile one WWAN.
  FakeNetwork net;
  auto internet = net.reachability("InternetConnection");
  EXPECT_EQ(internet->networkStatusForFlags(host(Kind::Wired).internetFlags()), ReachableViaWiFi);
  EXPECT_EQ(internet->networkStatusForFlags(host(Kind::Wireless).internetFlags()), ReachableViaWiFi);
  EXPECT_EQ(internet->networkStatusForFlags(host(Kind::WWAN).internetFlags()), ReachableViaWWAN);
  EXPECT_EQ(internet->networkStatusForFlags(loopbackOnly.internetFlags()), NotReachable);
}

TEST(ReachabilityTables, Addresses) {
  NetworkSnapshot wired = host(Kind::Wired);
  NetworkSnapshot blocked = wired;
  blocked.routes.push_back(route("198.51.100.0/24", 0, false, kUnreachable));
  NetworkSnapshot mobile = host(Kind::WWAN);
  NetworkSnapshot down = host(Kind::Wired, false);

  struct Case {
    const char* name;
    const NetworkSnapshot& snap;
    const char* address;
    std::uint32_t flags;
  };
  const Case cases[] = {
      {"own loopback address", wired, "127.0.0.1", R | L | D},
      {"loopback network", wired, "127.3.4.5", R | L | D},
      {"own address", wired, "192.0.2.2", R | L | D},
      {"neighbour on the link", wired, "192.0.2.77", R | D},
      {"through the gateway", wired, "203.0.113.9", R},
      {"through a mobile gateway", mobile, "203.0.113.9", R | W},
      {"unreachable route", blocked, "198.51.100.4", 0},
      {"link down", down, "203.0.113.9", 0},
      {"link down, loopback still up", down, "127.0.0.1", R | L | D},
      {"link-local on a wired link", wired, "169.254.0.0", R | D},
      {"link-local without a wired or wireless link", mobile, "169.254.0.0", 0},
      {"link-local with the link down", down, "169.254.0.0", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.snap.addressFlags(ip(c.address)), c.flags);
  }

  FakeNetwork net;
  auto localWiFi = net.reachability("LocalWiFiConnection");
  EXPECT_EQ(localWiFi->networkStatusForFlags(wired.addressFlags(ip("169.254.0.0"))), ReachableViaWiFi);
  EXPECT_EQ(localWiFi->networkStatusForFlags(mobile.addressFlags(ip("169.254.0.0"))), NotReachable);
}

TEST(ReachabilityTables, ThisMachine) {
  // Whatever the network here is, the tables can be read, the loopback device is among the links, and
  // the status agrees with the flags.
  auto snap = NetworkSnapshot::read();
  ASSERT_TRUE(snap.has_value());
  bool loopback = false;
  for (const auto& l : snap->links) loopback = loopback || l.kind == Kind::Loopback;
  EXPECT_TRUE(loopback);

  auto internet = Reachability::reachabilityForInternetConnection();
  ASSERT_NE(internet, nullptr);
  const NetworkStatus status = internet->currentReachabilityStatus();
  EXPECT_GE(status, NotReachable);
  EXPECT_LE(status, ReachableViaWiFi);
  EXPECT_EQ(internet->networkStatusForFlags(internet->reachabilityFlags()), status);
  EXPECT_EQ(internet->reachabilityFlags() & ~(R | W), 0u);

  auto loopbackTarget = Reachability::reachabilityWithHostName("localhost");
  ASSERT_NE(loopbackTarget, nullptr);
  EXPECT_EQ(loopbackTarget->reachabilityFlags() & (R | L), snap->addressFlags(ip("127.0.0.1")) & (R | L));

  rl::RunLoop::setMainThread();
  EXPECT_TRUE(internet->startNotifier());
  internet->stopNotifier();
  rl::RunLoop::main().clear();
}

// ---------------------------------------------------------------------------------------------------
// Change notices

TEST_F(ReachabilityNotices, AChangePostsOneNoticeWithTheObject) {
  FakeNetwork net;
  net.setFlags(R);
  auto r = net.reachability("InternetConnection");
  ChangeObserver seen(r.get());
  ASSERT_TRUE(r->startNotifier());

  // An event that changes nothing is not a change.
  net.event();
  runReady();
  EXPECT_EQ(seen.count(), 0);

  // The link goes down: several netlink messages, one change.
  net.setFlags(0);
  net.event();
  net.event();
  net.event();
  runReady();
  EXPECT_EQ(seen.count(), 1);
  EXPECT_EQ(r->currentReachabilityStatus(), NotReachable);

  net.setFlags(R | W);
  net.event();
  runReady();
  EXPECT_EQ(seen.count(), 2);
  EXPECT_EQ(seen.thread(), std::this_thread::get_id());

  // A failed read after a good one is a change too (to "no flags").
  net.setFlags(std::nullopt);
  net.event();
  runReady();
  EXPECT_EQ(seen.count(), 3);

  // Stopped: events go unheard.
  r->stopNotifier();
  net.setFlags(R);
  net.event();
  runReady();
  EXPECT_EQ(seen.count(), 3);

  // Started again, it measures changes from the state it finds.
  ASSERT_TRUE(r->startNotifier());
  net.event();
  runReady();
  EXPECT_EQ(seen.count(), 3);
  net.setFlags(0);
  net.event();
  runReady();
  EXPECT_EQ(seen.count(), 4);
}

TEST_F(ReachabilityNotices, StartingTwiceSchedulesOnce) {
  FakeNetwork net;
  auto r = net.reachability();
  ChangeObserver seen(r.get());
  ASSERT_TRUE(r->startNotifier());
  EXPECT_TRUE(r->startNotifier());
  net.setFlags(R);
  net.event();
  runReady();
  EXPECT_EQ(seen.count(), 1);
}

TEST_F(ReachabilityNotices, NoEventSourceMeansNoNotifier) {
  FakeNetwork net;
  Reachability r(net.ref(/*eventSourceWorks=*/false));
  EXPECT_FALSE(r.startNotifier());
}

TEST_F(ReachabilityNotices, AnObjectGoneWhileScheduledPostsNothing) {
  FakeNetwork net;
  auto r = net.reachability();
  const Reachability* raw = r.get();
  ChangeObserver seen(raw);
  ASSERT_TRUE(r->startNotifier());
  r.reset();  // destruction stops the notifier
  net.setFlags(R);
  net.event();
  runReady();
  EXPECT_EQ(seen.count(), 0);
}

TEST_F(ReachabilityNotices, AnObserverMayStopTheNotifier) {
  FakeNetwork net;
  auto r = net.reachability();
  int heard = 0;
  auto token = core::NotificationCenter::defaultCenter().addObserver(kReachabilityChangedNotification,
                                                                     [&](const core::Notification& n) {
                                                                       if (n.sender.get() != r.get()) return;
                                                                       ++heard;
                                                                       r->stopNotifier();
                                                                     });
  ASSERT_TRUE(r->startNotifier());
  net.setFlags(R);
  net.event();
  runReady();
  net.setFlags(0);
  net.event();
  runReady();
  EXPECT_EQ(heard, 1);
  core::NotificationCenter::defaultCenter().removeObserver(token);
}

TEST(ReachabilityNotifier, PostsOnTheThreadThatStartedIt) {
  FakeNetwork net;
  auto r = net.reachability();
  ChangeObserver seen(r.get());
  std::thread::id worker;
  std::thread t([&] {
    worker = std::this_thread::get_id();
    rl::RunLoop& loop = rl::RunLoop::current();
    ASSERT_TRUE(r->startNotifier());
    net.setFlags(R);
    net.event();
    for (int i = 0; i < 50 && seen.count() == 0; ++i) loop.runOnce(rl::kDefaultMode, 0.1);
    r->stopNotifier();
  });
  t.join();
  EXPECT_EQ(seen.count(), 1);
  EXPECT_EQ(seen.thread(), worker);
}

// In a network namespace of its own (when this process may make one), the real netlink socket hears the
// loopback device come up, and the address 127.0.0.1 becomes reachable.
TEST(ReachabilityNotifier, HearsTheKernelInAPrivateNetworkNamespace) {
  bool skipped = false;
  std::string failure;
  int posts = 0;
  std::uint32_t before = 0, after = 0;
  std::thread t([&] {
    if (::unshare(CLONE_NEWNET) != 0) {  // only this thread moves into the new namespace
      skipped = true;
      return;
    }
    rl::RunLoop& loop = rl::RunLoop::current();
    auto r = Reachability::reachabilityWithAddress(address("127.0.0.1"));
    if (!r) {
      failure = "no object";
      return;
    }
    ChangeObserver seen(r.get());
    before = r->reachabilityFlags();
    if (!r->startNotifier()) {
      failure = "startNotifier failed";
      return;
    }
    int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq ifr{};
    std::strncpy(ifr.ifr_name, "lo", IFNAMSIZ - 1);
    if (s < 0 || ::ioctl(s, SIOCGIFFLAGS, &ifr) != 0) {
      failure = std::string("SIOCGIFFLAGS: ") + std::strerror(errno);
    } else {
      ifr.ifr_flags = static_cast<short>(ifr.ifr_flags | IFF_UP);
      if (::ioctl(s, SIOCSIFFLAGS, &ifr) != 0) failure = std::string("SIOCSIFFLAGS: ") + std::strerror(errno);
    }
    if (s >= 0) ::close(s);
    for (int i = 0; failure.empty() && i < 100 && seen.count() == 0; ++i) loop.runOnce(rl::kDefaultMode, 0.1);
    posts = seen.count();
    after = r->reachabilityFlags();
    r->stopNotifier();
  });
  t.join();
  if (skipped) GTEST_SKIP() << "no permission for a private network namespace";
  ASSERT_EQ(failure, "");
  EXPECT_EQ(before, 0u);  // the loopback device of a new namespace starts down
  EXPECT_GE(posts, 1);
  EXPECT_EQ(after, R | L | D);
}
