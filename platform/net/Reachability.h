#pragma once
// Reachability: whether the network can be reached now, over which kind of link, and notices when that
// changes. One object watches one target: a host name, an IPv4 address, the internet as a whole (the
// zero address) or the link-local Wi-Fi network.
//
// On Linux the flags of a target come from the kernel's interface and route tables (read over netlink),
// and changes are heard on a netlink socket subscribed to link and IPv4/IPv6 route changes, watched by
// the run loop of the thread that started the notifier. A wired or a wireless link counts as Wi-Fi; a
// link whose device type is "wwan" counts as the mobile network; the loopback device never carries the
// internet connection.
//
// Tests give an object a ReachabilityRef of their own (flags from a function, change events from any
// readable descriptor), so the flag table and the notifier are exercised without touching the network.

#include <netinet/in.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace rl {
class RunLoop;
}

namespace net {

// The status of a target: 0 not reachable, 1 through the mobile network (WWAN), 2 through Wi-Fi.
enum NetworkStatus : int { NotReachable = 0, ReachableViaWWAN = 1, ReachableViaWiFi = 2 };

// The reachability flags of a target.
enum ReachabilityFlag : std::uint32_t {
  kReachabilityFlagTransientConnection = 1u << 0,
  kReachabilityFlagReachable = 1u << 1,
  kReachabilityFlagConnectionRequired = 1u << 2,
  kReachabilityFlagConnectionOnTraffic = 1u << 3,
  kReachabilityFlagInterventionRequired = 1u << 4,
  kReachabilityFlagConnectionOnDemand = 1u << 5,
  kReachabilityFlagIsLocalAddress = 1u << 16,
  kReachabilityFlagIsDirect = 1u << 17,
  kReachabilityFlagIsWWAN = 1u << 18,
};

inline constexpr const char* kReachabilityChangedNotification = "NetworkReachabilityChangedNotification";

// What the kernel says about links and routes, as far as reachability needs it.
struct NetworkSnapshot {
  enum class LinkKind { Loopback, Wired, Wireless, WWAN };
  struct Link {
    int index = 0;
    std::string name;
    bool up = false;       // administratively up
    bool running = false;  // operationally up (carrier)
    LinkKind kind = LinkKind::Wired;
  };
  struct Route {
    int family = AF_INET;        // AF_INET or AF_INET6
    int table = 254;             // RT_TABLE_MAIN; 255 is the local table
    int type = 1;                // RTN_UNICAST, RTN_LOCAL (2), RTN_UNREACHABLE (7), ...
    std::uint8_t dstLength = 0;  // prefix length; 0 is a default route
    std::uint8_t dst[16] = {};   // destination prefix (network order; 4 bytes for IPv4)
    bool hasGateway = false;
    int outputLink = 0;          // link index, 0 when unknown
    std::uint32_t priority = 0;  // metric: lower wins among equal prefixes
  };
  std::vector<Link> links;
  std::vector<Route> routes;

  // Reads the live tables over netlink (links, IPv4 and IPv6 routes; link kinds from sysfs).
  // nullopt when netlink cannot be read.
  static std::optional<NetworkSnapshot> read();

  const Link* link(int index) const;
  // Flags of the internet connection: a default route (IPv4 first, then IPv6) leaving through a link
  // that is up and running and not the loopback device; is-WWAN when that link is a mobile one.
  std::uint32_t internetFlags() const;
  // Flags of one IPv4 address (network order): the route the kernel's tables pick for it (local table
  // first, then the others, longest prefix, lowest metric). The zero address is the internet connection;
  // link-local addresses (169.254/16) are on the link of any running wired or wireless device.
  std::uint32_t addressFlags(const in_addr& address) const;
};

// The platform reference of one target: reads the target's current flags, and tells when they changed.
// Thread-safe: flags may be read from any thread; the change callback runs on the thread whose run loop
// the reference is scheduled on, and only when the flags differ from the last ones it saw.
class ReachabilityRef {
 public:
  using FlagReader = std::function<std::optional<std::uint32_t>()>;
  // Opens a non-owned descriptor that becomes readable whenever the flags may have changed (-1 on
  // failure). The reference owns what it returns: it reads it empty on each event and closes it.
  using EventSourceOpener = std::function<int()>;

  // The flags come from `reader`; events from `opener` (default: a netlink route socket).
  explicit ReachabilityRef(FlagReader reader, EventSourceOpener opener = openNetlinkEventSource);
  ~ReachabilityRef();
  ReachabilityRef(const ReachabilityRef&) = delete;
  ReachabilityRef& operator=(const ReachabilityRef&) = delete;

  // Linux references over the live tables; nullptr when refused (empty name, not an IPv4 address).
  static std::unique_ptr<ReachabilityRef> createWithName(const std::string& hostName);
  static std::unique_ptr<ReachabilityRef> createWithAddress(const sockaddr_in& address);

  // A netlink socket subscribed to link, IPv4 route and IPv6 route changes (-1 on failure).
  static int openNetlinkEventSource();

  std::optional<std::uint32_t> getFlags() const;  // nullopt when the flags cannot be read
  void setCallback(std::function<void()> callback);
  // Starts listening on `loop` in `mode`; false when the event source cannot be opened or the reference
  // is already scheduled.
  bool scheduleWithRunLoop(rl::RunLoop& loop, const std::string& mode);
  // Stops listening; false when not scheduled on that loop.
  bool unscheduleFromRunLoop(rl::RunLoop& loop, const std::string& mode);

 private:
  struct Watch;
  FlagReader reader_;
  EventSourceOpener opener_;
  mutable std::mutex mutex_;  // callback_ and watch_
  std::function<void()> callback_;
  std::shared_ptr<Watch> watch_;
};

class Reachability : public std::enable_shared_from_this<Reachability> {
 public:
  // Takes ownership of the reference (initWithReachabilityRef:); a null reference reads as unreachable.
  explicit Reachability(std::unique_ptr<ReachabilityRef> ref);
  ~Reachability();  // stops the notifier, releases the reference, clears the key
  Reachability(const Reachability&) = delete;
  Reachability& operator=(const Reachability&) = delete;

  // nullptr when the platform refuses the target.
  static std::shared_ptr<Reachability> reachabilityWithHostName(const std::string& hostName);
  static std::shared_ptr<Reachability> reachabilityWithAddress(const sockaddr_in& hostAddress);
  static std::shared_ptr<Reachability> reachabilityForInternetConnection();  // key "InternetConnection"
  static std::shared_ptr<Reachability> reachabilityForLocalWiFi();           // key "LocalWiFiConnection"
  // The four bytes of the address, first byte first, as "%d.%d.%d.%d".
  static std::string makeAddressKey(const sockaddr_in& address);

  std::string key() const;
  void setKey(std::string key);

  // Listens for changes on the current thread's run loop, in the default mode; each change posts
  // "NetworkReachabilityChangedNotification" on the default notification center, with this object as
  // the sender, on that thread. False when the callback or the scheduling fails.
  bool startNotifier();
  void stopNotifier();

  bool isEqual(const Reachability& other) const { return key() == other.key(); }

  NetworkStatus currentReachabilityStatus() const;  // NotReachable when the flags cannot be read
  bool isReachable() const { return currentReachabilityStatus() != NotReachable; }
  bool isReachableViaWWAN() const { return currentReachabilityStatus() == ReachableViaWWAN; }
  bool isReachableViaWiFi() const { return currentReachabilityStatus() == ReachableViaWiFi; }
  bool isConnectionRequired() const;
  bool connectionRequired() const { return isConnectionRequired(); }
  bool isConnectionOnDemand() const;
  bool isInterventionRequired() const;
  std::uint32_t reachabilityFlags() const;  // 0 when the flags cannot be read
  NetworkStatus networkStatusForFlags(std::uint32_t flags) const;

 private:
  std::optional<std::uint32_t> readFlags() const;

  std::unique_ptr<ReachabilityRef> ref_;
  std::mutex notifierMutex_;              // held through startNotifier() and stopNotifier()
  rl::RunLoop* scheduledLoop_ = nullptr;  // where the notifier runs, while it does
  mutable std::mutex keyMutex_;
  std::string key_;
};

}  // namespace net
