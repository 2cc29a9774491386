#include "platform/net/Reachability.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string_view>

#include "platform/core/NotificationCenter.h"
#include "platform/runloop/RunLoop.h"

namespace net {

namespace {

constexpr const char* kInternetConnectionKey = "InternetConnection";
constexpr const char* kLocalWiFiConnectionKey = "LocalWiFiConnection";

// ---------------------------------------------------------------------------------------------------
// Netlink dumps

class Socket {
 public:
  explicit Socket(int fd) : fd_(fd) {}
  ~Socket() {
    if (fd_ >= 0) ::close(fd_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

int openRouteSocket() {
  int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
  if (fd < 0) return -1;
  // The kernel always answers a dump; the time-out only guards against a socket that never does.
  timeval tv{2, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  return fd;
}

// Sends one dump request (`type` for `family`) and calls `each` for every answer message. False when the
// request could not be sent or the kernel answered with an error.
template <class Header, class Each>
bool dump(int fd, std::uint16_t type, std::uint8_t family, Each each) {
  static std::atomic<std::uint32_t> nextSeq{1};
  const std::uint32_t seq = nextSeq++;
  struct {
    nlmsghdr h;
    Header body;
  } req{};
  req.h.nlmsg_len = NLMSG_LENGTH(sizeof(Header));
  req.h.nlmsg_type = type;
  req.h.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
  req.h.nlmsg_seq = seq;
  // Both ifinfomsg and rtmsg begin with the family byte.
  *reinterpret_cast<unsigned char*>(&req.body) = family;
  sockaddr_nl kernel{};
  kernel.nl_family = AF_NETLINK;
  if (::sendto(fd, &req, req.h.nlmsg_len, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel) < 0) {
    return false;
  }
  std::vector<char> buf(65536);
  for (;;) {
    ssize_t n = ::recv(fd, buf.data(), buf.size(), 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    int len = static_cast<int>(n);
    for (auto* h = reinterpret_cast<nlmsghdr*>(buf.data()); NLMSG_OK(h, len); h = NLMSG_NEXT(h, len)) {
      if (h->nlmsg_seq != seq) continue;
      if (h->nlmsg_type == NLMSG_DONE) return true;
      if (h->nlmsg_type == NLMSG_ERROR) {
        const auto* err = static_cast<const nlmsgerr*>(NLMSG_DATA(h));
        if (err->error != 0) return false;
        continue;
      }
      each(h);
    }
  }
}

bool fileExists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

// A network device's kind, from its sysfs entry: "DEVTYPE=wlan" or a wireless directory make a wireless
// link, "DEVTYPE=wwan" a mobile one, anything else counts as wired.
NetworkSnapshot::LinkKind kindFromSysfs(const std::string& name) {
  const std::string dir = "/sys/class/net/" + name;
  std::ifstream uevent(dir + "/uevent");
  std::string line;
  while (std::getline(uevent, line)) {
    if (line == "DEVTYPE=wwan") return NetworkSnapshot::LinkKind::WWAN;
    if (line == "DEVTYPE=wlan") return NetworkSnapshot::LinkKind::Wireless;
  }
  if (fileExists(dir + "/wireless") || fileExists(dir + "/phy80211"))
    return NetworkSnapshot::LinkKind::Wireless;
  return NetworkSnapshot::LinkKind::Wired;
}

void parseLink(const nlmsghdr* h, std::vector<NetworkSnapshot::Link>& links) {
  if (h->nlmsg_type != RTM_NEWLINK || h->nlmsg_len < NLMSG_LENGTH(sizeof(ifinfomsg))) return;
  const auto* ifi = static_cast<const ifinfomsg*>(NLMSG_DATA(h));
  NetworkSnapshot::Link link;
  link.index = ifi->ifi_index;
  link.up = (ifi->ifi_flags & IFF_UP) != 0;
  link.running = (ifi->ifi_flags & IFF_RUNNING) != 0;
  int len = static_cast<int>(IFLA_PAYLOAD(h));
  for (auto* a = IFLA_RTA(ifi); RTA_OK(a, len); a = RTA_NEXT(a, len)) {
    if (a->rta_type == IFLA_IFNAME) {
      const char* p = static_cast<const char*>(RTA_DATA(a));
      link.name.assign(p, strnlen(p, RTA_PAYLOAD(a)));
    }
  }
  const bool loopback = (ifi->ifi_flags & IFF_LOOPBACK) != 0 || ifi->ifi_type == ARPHRD_LOOPBACK;
  link.kind = loopback ? NetworkSnapshot::LinkKind::Loopback : kindFromSysfs(link.name);
  links.push_back(std::move(link));
}

void copyAddress(const rtattr* a, std::uint8_t* out, std::size_t size) {
  std::memcpy(out, RTA_DATA(a), std::min<std::size_t>(size, RTA_PAYLOAD(a)));
}

void parseRoute(const nlmsghdr* h, std::vector<NetworkSnapshot::Route>& routes) {
  if (h->nlmsg_type != RTM_NEWROUTE || h->nlmsg_len < NLMSG_LENGTH(sizeof(rtmsg))) return;
  const auto* r = static_cast<const rtmsg*>(NLMSG_DATA(h));
  if (r->rtm_family != AF_INET && r->rtm_family != AF_INET6) return;
  const std::size_t addrSize = r->rtm_family == AF_INET ? 4 : 16;
  NetworkSnapshot::Route route;
  route.family = r->rtm_family;
  route.table = r->rtm_table;
  route.type = r->rtm_type;
  route.dstLength = r->rtm_dst_len;
  std::vector<std::pair<int, bool>> nexthops;  // (link, has gateway) of a multipath route
  int len = static_cast<int>(RTM_PAYLOAD(h));
  for (auto* a = RTM_RTA(r); RTA_OK(a, len); a = RTA_NEXT(a, len)) {
    switch (a->rta_type) {
      case RTA_TABLE:
        if (RTA_PAYLOAD(a) >= sizeof(std::uint32_t))
          route.table = static_cast<int>(*static_cast<std::uint32_t*>(RTA_DATA(a)));
        break;
      case RTA_DST:
        copyAddress(a, route.dst, addrSize);
        break;
      case RTA_GATEWAY:
      case RTA_VIA:
        route.hasGateway = true;
        break;
      case RTA_OIF:
        if (RTA_PAYLOAD(a) >= sizeof(int)) route.outputLink = *static_cast<int*>(RTA_DATA(a));
        break;
      case RTA_PRIORITY:
        if (RTA_PAYLOAD(a) >= sizeof(std::uint32_t))
          route.priority = *static_cast<std::uint32_t*>(RTA_DATA(a));
        break;
      case RTA_MULTIPATH: {
        auto* nh = static_cast<rtnexthop*>(RTA_DATA(a));
        int rest = static_cast<int>(RTA_PAYLOAD(a));
        while (rest >= static_cast<int>(sizeof(rtnexthop)) && nh->rtnh_len >= sizeof(rtnexthop) &&
               nh->rtnh_len <= rest) {
          bool gateway = false;
          int alen = nh->rtnh_len - static_cast<int>(RTNH_LENGTH(0));
          for (auto* na = RTNH_DATA(nh); RTA_OK(na, alen); na = RTA_NEXT(na, alen)) {
            if (na->rta_type == RTA_GATEWAY || na->rta_type == RTA_VIA) gateway = true;
          }
          nexthops.emplace_back(nh->rtnh_ifindex, gateway);
          rest -= RTNH_ALIGN(nh->rtnh_len);
          nh = RTNH_NEXT(nh);
        }
        break;
      }
      default:
        break;
    }
  }
  if (nexthops.empty()) {
    routes.push_back(route);
    return;
  }
  for (auto [link, gateway] : nexthops) {
    NetworkSnapshot::Route one = route;
    one.outputLink = link;
    one.hasGateway = gateway;
    routes.push_back(one);
  }
}

bool prefixMatches(const NetworkSnapshot::Route& r, const std::uint8_t* address) {
  const int bits = r.dstLength;
  const int whole = bits / 8;
  if (std::memcmp(r.dst, address, static_cast<std::size_t>(whole)) != 0) return false;
  const int restBits = bits % 8;
  if (restBits == 0) return true;
  const auto mask = static_cast<std::uint8_t>(0xFF << (8 - restBits));
  return (r.dst[whole] & mask) == (address[whole] & mask);
}

bool carriesTraffic(const NetworkSnapshot::Link* link) { return link && link->up && link->running; }

std::uint32_t linkFlags(const NetworkSnapshot::Link& link) {
  return link.kind == NetworkSnapshot::LinkKind::WWAN ? kReachabilityFlagIsWWAN : 0u;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

bool isLocalhostName(std::string_view name) {
  if (!name.empty() && name.back() == '.') name.remove_suffix(1);
  constexpr std::string_view kLocalhost = "localhost";
  if (equalsIgnoringCase(name, kLocalhost)) return true;
  return name.size() > kLocalhost.size() + 1 && name[name.size() - kLocalhost.size() - 1] == '.' &&
         equalsIgnoringCase(name.substr(name.size() - kLocalhost.size()), kLocalhost);
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// NetworkSnapshot

std::optional<NetworkSnapshot> NetworkSnapshot::read() {
  Socket s(openRouteSocket());
  if (s.get() < 0) return std::nullopt;
  NetworkSnapshot snap;
  if (!dump<ifinfomsg>(s.get(), RTM_GETLINK, AF_UNSPEC,
                       [&](const nlmsghdr* h) { parseLink(h, snap.links); })) {
    return std::nullopt;
  }
  for (std::uint8_t family : {std::uint8_t{AF_INET}, std::uint8_t{AF_INET6}}) {
    // A host without IPv6 answers the IPv6 dump with an error: its IPv4 routes still count.
    if (!dump<rtmsg>(s.get(), RTM_GETROUTE, family, [&](const nlmsghdr* h) { parseRoute(h, snap.routes); }) &&
        family == AF_INET) {
      return std::nullopt;
    }
  }
  return snap;
}

const NetworkSnapshot::Link* NetworkSnapshot::link(int index) const {
  for (const auto& l : links) {
    if (l.index == index) return &l;
  }
  return nullptr;
}

std::uint32_t NetworkSnapshot::internetFlags() const {
  for (int family : {AF_INET, AF_INET6}) {
    const Route* best = nullptr;
    for (const auto& r : routes) {
      if (r.family != family || r.dstLength != 0 || r.type != RTN_UNICAST || r.table == RT_TABLE_LOCAL)
        continue;
      const Link* l = link(r.outputLink);
      if (!carriesTraffic(l) || l->kind == LinkKind::Loopback) continue;
      if (!best || r.priority < best->priority) best = &r;
    }
    if (best) return kReachabilityFlagReachable | linkFlags(*link(best->outputLink));
  }
  return 0;
}

std::uint32_t NetworkSnapshot::addressFlags(const in_addr& address) const {
  if (address.s_addr == INADDR_ANY) return internetFlags();
  std::uint8_t bytes[4];
  std::memcpy(bytes, &address.s_addr, 4);

  if (bytes[0] == 169 && bytes[1] == 254) {
    // The link-local network lies on every running wired or wireless link, whatever the routes say.
    for (const auto& l : links) {
      if (carriesTraffic(&l) && (l.kind == LinkKind::Wired || l.kind == LinkKind::Wireless)) {
        return kReachabilityFlagReachable | kReachabilityFlagIsDirect;
      }
    }
    return 0;
  }

  // The kernel's default rules: the local table, then the main one, then the default one.
  for (int table : {RT_TABLE_LOCAL, RT_TABLE_MAIN, RT_TABLE_DEFAULT}) {
    const Route* best = nullptr;
    for (const auto& r : routes) {
      if (r.family != AF_INET || r.table != table || !prefixMatches(r, bytes)) continue;
      if (r.type == RTN_UNICAST) {
        const Link* l = link(r.outputLink);
        if (!carriesTraffic(l)) continue;
      }
      if (!best || r.dstLength > best->dstLength ||
          (r.dstLength == best->dstLength && r.priority < best->priority)) {
        best = &r;
      }
    }
    if (!best || best->type == RTN_THROW) continue;
    switch (best->type) {
      case RTN_LOCAL:
        return kReachabilityFlagReachable | kReachabilityFlagIsLocalAddress | kReachabilityFlagIsDirect;
      case RTN_UNICAST:
      case RTN_BROADCAST:
      case RTN_MULTICAST: {
        std::uint32_t flags = kReachabilityFlagReachable;
        if (!best->hasGateway) flags |= kReachabilityFlagIsDirect;
        if (const Link* l = link(best->outputLink)) flags |= linkFlags(*l);
        return flags;
      }
      default:  // unreachable, blackhole, prohibit
        return 0;
    }
  }
  return 0;
}

// ---------------------------------------------------------------------------------------------------
// ReachabilityRef

// What the run loop's watch shares with the reference: it may outlive the reference by one pass of the
// loop, so it owns the descriptor and closes it last.
struct ReachabilityRef::Watch {
  FlagReader reader;
  std::mutex mutex;
  std::function<void()> callback;
  std::optional<std::uint32_t> lastFlags;
  int fd = -1;
  int watchId = 0;
  rl::RunLoop* loop = nullptr;
  std::string mode;

  ~Watch() {
    if (fd >= 0) ::close(fd);
  }

  // Reads every pending event; false when the source has ended or failed for good.
  bool drain() {
    char buf[8192];
    for (;;) {
      ssize_t n = ::read(fd, buf, sizeof buf);
      if (n > 0) continue;
      if (n == 0) return false;
      if (errno == EINTR) continue;
      // ENOBUFS: the kernel dropped events; the flags are read again below anyway.
      return errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS;
    }
  }

  void onEvent(short revents) {
    const bool alive = drain() && !(revents & (POLLHUP | POLLNVAL));
    if (!alive) loop->unwatchFd(watchId);
    auto flags = reader();
    std::function<void()> cb;
    {
      std::lock_guard lock(mutex);
      if (flags == lastFlags) return;
      lastFlags = flags;
      cb = callback;
    }
    if (cb) cb();
  }
};

ReachabilityRef::ReachabilityRef(FlagReader reader, EventSourceOpener opener)
    : reader_(std::move(reader)), opener_(std::move(opener)) {}

ReachabilityRef::~ReachabilityRef() {
  std::shared_ptr<Watch> w;
  {
    std::lock_guard lock(mutex_);
    w = std::move(watch_);
  }
  if (w && w->loop) w->loop->unwatchFd(w->watchId);
}

std::unique_ptr<ReachabilityRef> ReachabilityRef::createWithAddress(const sockaddr_in& address) {
  if (address.sin_family != AF_INET) return nullptr;
  const in_addr target = address.sin_addr;
  return std::make_unique<ReachabilityRef>([target]() -> std::optional<std::uint32_t> {
    auto snap = NetworkSnapshot::read();
    if (!snap) return std::nullopt;
    return snap->addressFlags(target);
  });
}

std::unique_ptr<ReachabilityRef> ReachabilityRef::createWithName(const std::string& hostName) {
  if (hostName.empty() || hostName.find('\0') != std::string::npos) return nullptr;
  sockaddr_in numeric{};
  numeric.sin_family = AF_INET;
  if (::inet_pton(AF_INET, hostName.c_str(), &numeric.sin_addr) == 1) return createWithAddress(numeric);
  in_addr target{};
  if (isLocalhostName(hostName)) {
    target.s_addr = htonl(INADDR_LOOPBACK);
  }
  // Any other name is reached the way the outside is: its lookup needs that way out too. The name is not
  // looked up here, so that reading the flags never waits on a name server.
  return std::make_unique<ReachabilityRef>([target]() -> std::optional<std::uint32_t> {
    auto snap = NetworkSnapshot::read();
    if (!snap) return std::nullopt;
    return snap->addressFlags(target);
  });
}

int ReachabilityRef::openNetlinkEventSource() {
  int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
  if (fd < 0) return -1;
  sockaddr_nl local{};
  local.nl_family = AF_NETLINK;
  local.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

std::optional<std::uint32_t> ReachabilityRef::getFlags() const {
  if (!reader_) return std::nullopt;
  return reader_();
}

void ReachabilityRef::setCallback(std::function<void()> callback) {
  std::lock_guard lock(mutex_);
  if (watch_) {
    std::lock_guard wl(watch_->mutex);
    watch_->callback = callback;
  }
  callback_ = std::move(callback);
}

bool ReachabilityRef::scheduleWithRunLoop(rl::RunLoop& loop, const std::string& mode) {
  std::lock_guard lock(mutex_);
  if (watch_ || !opener_) return false;
  int fd = opener_();
  if (fd < 0) return false;
  int fl = ::fcntl(fd, F_GETFL);
  if (fl >= 0) ::fcntl(fd, F_SETFL, fl | O_NONBLOCK);
  auto w = std::make_shared<Watch>();
  w->fd = fd;
  w->reader = reader_;
  w->callback = callback_;
  w->lastFlags = getFlags();  // the state changes are measured against
  w->loop = &loop;
  w->mode = mode;
  w->watchId = loop.watchFd(
      fd, POLLIN, [w](short revents) { w->onEvent(revents); }, mode);
  watch_ = std::move(w);
  return true;
}

bool ReachabilityRef::unscheduleFromRunLoop(rl::RunLoop& loop, const std::string& mode) {
  std::shared_ptr<Watch> w;
  {
    std::lock_guard lock(mutex_);
    if (!watch_ || watch_->loop != &loop || watch_->mode != mode) return false;
    w = std::move(watch_);
  }
  loop.unwatchFd(w->watchId);
  return true;
}

// ---------------------------------------------------------------------------------------------------
// Reachability

Reachability::Reachability(std::unique_ptr<ReachabilityRef> ref) : ref_(std::move(ref)) {}

Reachability::~Reachability() {
  stopNotifier();
  ref_.reset();
  setKey({});
}

std::shared_ptr<Reachability> Reachability::reachabilityWithHostName(const std::string& hostName) {
  auto ref = ReachabilityRef::createWithName(hostName);
  if (!ref) return nullptr;
  auto r = std::make_shared<Reachability>(std::move(ref));
  r->setKey(hostName);
  return r;
}

std::shared_ptr<Reachability> Reachability::reachabilityWithAddress(const sockaddr_in& hostAddress) {
  auto ref = ReachabilityRef::createWithAddress(hostAddress);
  if (!ref) return nullptr;
  auto r = std::make_shared<Reachability>(std::move(ref));
  r->setKey(makeAddressKey(hostAddress));
  return r;
}

std::shared_ptr<Reachability> Reachability::reachabilityForInternetConnection() {
  sockaddr_in zero{};
  zero.sin_family = AF_INET;
  auto r = reachabilityWithAddress(zero);
  if (r) r->setKey(kInternetConnectionKey);
  return r;
}

std::shared_ptr<Reachability> Reachability::reachabilityForLocalWiFi() {
  sockaddr_in linkLocal{};
  linkLocal.sin_family = AF_INET;
  linkLocal.sin_addr.s_addr = htonl(0xA9FE0000);  // 169.254.0.0
  auto r = reachabilityWithAddress(linkLocal);
  if (r) r->setKey(kLocalWiFiConnectionKey);
  return r;
}

std::string Reachability::makeAddressKey(const sockaddr_in& address) {
  unsigned char b[4];
  std::memcpy(b, &address.sin_addr.s_addr, 4);
  char text[16];
  std::snprintf(text, sizeof text, "%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
  return text;
}

std::string Reachability::key() const {
  std::lock_guard lock(keyMutex_);
  return key_;
}

void Reachability::setKey(std::string key) {
  std::lock_guard lock(keyMutex_);
  key_ = std::move(key);
}

bool Reachability::startNotifier() {
  if (!ref_) return false;
  std::lock_guard lock(notifierMutex_);
  rl::RunLoop& loop = rl::RunLoop::current();
  if (scheduledLoop_) return scheduledLoop_ == &loop;
  // The callback's context is this object: held weakly when it is shared, so that a change heard while
  // the object goes away posts nothing.
  std::function<void()> callback;
  std::weak_ptr<Reachability> weak = weak_from_this();
  if (!weak.expired()) {
    callback = [weak] {
      if (auto self = weak.lock()) {
        core::NotificationCenter::defaultCenter().post(kReachabilityChangedNotification,
                                                       std::static_pointer_cast<void>(self));
      }
    };
  } else {
    callback = [this] {
      core::NotificationCenter::defaultCenter().post(kReachabilityChangedNotification,
                                                     std::shared_ptr<void>(std::shared_ptr<void>(), this));
    };
  }
  ref_->setCallback(std::move(callback));
  if (!ref_->scheduleWithRunLoop(loop, rl::kDefaultMode)) {
    ref_->setCallback(nullptr);
    return false;
  }
  scheduledLoop_ = &loop;
  return true;
}

void Reachability::stopNotifier() {
  std::lock_guard lock(notifierMutex_);
  if (!scheduledLoop_ || !ref_) return;
  ref_->unscheduleFromRunLoop(*scheduledLoop_, rl::kDefaultMode);
  ref_->setCallback(nullptr);
  scheduledLoop_ = nullptr;
}

std::optional<std::uint32_t> Reachability::readFlags() const {
  if (!ref_) return std::nullopt;
  return ref_->getFlags();
}

NetworkStatus Reachability::currentReachabilityStatus() const {
  auto flags = readFlags();
  return flags ? networkStatusForFlags(*flags) : NotReachable;
}

bool Reachability::isConnectionRequired() const {
  return (reachabilityFlags() & kReachabilityFlagConnectionRequired) != 0;
}

bool Reachability::isConnectionOnDemand() const {
  const std::uint32_t f = reachabilityFlags();
  return (f & kReachabilityFlagConnectionRequired) &&
         (f & (kReachabilityFlagConnectionOnTraffic | kReachabilityFlagConnectionOnDemand));
}

bool Reachability::isInterventionRequired() const {
  const std::uint32_t f = reachabilityFlags();
  return (f & kReachabilityFlagConnectionRequired) && (f & kReachabilityFlagInterventionRequired);
}

std::uint32_t Reachability::reachabilityFlags() const { return readFlags().value_or(0); }

NetworkStatus Reachability::networkStatusForFlags(std::uint32_t flags) const {
  if (!(flags & kReachabilityFlagReachable)) return NotReachable;
  if (key() == kLocalWiFiConnectionKey)
    return (flags & kReachabilityFlagIsDirect) ? ReachableViaWiFi : NotReachable;
  if (flags & kReachabilityFlagIsWWAN) return ReachableViaWWAN;
  const std::uint32_t rest =
      flags & ~(kReachabilityFlagReachable | kReachabilityFlagIsDirect | kReachabilityFlagIsLocalAddress);
  if (rest == (kReachabilityFlagConnectionRequired | kReachabilityFlagTransientConnection))
    return NotReachable;
  if (rest & kReachabilityFlagTransientConnection) return ReachableViaWiFi;
  if (rest == 0) return ReachableViaWiFi;
  if (rest & kReachabilityFlagConnectionRequired) return ReachableViaWiFi;
  return NotReachable;
}

}  // namespace net
