#pragma once
// net::HostResolver: name lookup off the caller's thread.
//
// resolve() runs the lookup (getaddrinfo) on a worker of rl::DispatchQueue::global() and makes the
// returned Lookup's fd() readable when the answer is in; the caller watches that fd on its own run loop
// (so no task is ever posted to a loop that may be gone) and then reads result(). The system's resolver
// answers numeric addresses ("127.0.0.1", "::1") at once without a worker.
//
// A resolver is an object: system() asks the system's name service; one made with a lookup function
// answers through that function instead (mapping names to loopback addresses, or failing a lookup without
// asking any name server). Whoever looks names up is given the resolver to use (HTTPReadStream::
// setHostResolver), the system's by default.

#include <sys/socket.h>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/net/StreamError.h"

namespace net {

struct ResolvedAddress {
  sockaddr_storage addr{};
  socklen_t length = 0;
  int family = 0;  // AF_INET or AF_INET6
};

class HostResolver {
 public:
  class Lookup {
   public:
    ~Lookup();
    int fd() const { return eventFd_; }  // readable once done() (an eventfd)
    bool done() const;
    // The addresses (IPv6 and IPv4 as the system orders them), or the failure (kNetworkCannotFindHost).
    // Valid once done().
    std::vector<ResolvedAddress> addresses() const;
    std::optional<StreamError> failure() const;

    Lookup();
    void complete(std::vector<ResolvedAddress> addrs, std::optional<StreamError> failure);

   private:
    int eventFd_ = -1;
    mutable std::mutex mutex_;
    bool done_ = false;
    std::vector<ResolvedAddress> addrs_;
    std::optional<StreamError> failure_;
  };

  // Returns the addresses of a host, or sets `failure`. Called on a worker thread.
  using LookupFunction = std::function<std::vector<ResolvedAddress>(const std::string& host, int port,
                                                                    std::optional<StreamError>& failure)>;

  // The system's resolver: numeric hosts at once, names through getaddrinfo.
  HostResolver() = default;
  // A resolver that answers every host, numeric ones included, through `fn` (null: the system's way).
  explicit HostResolver(LookupFunction fn);
  // The system's resolver, shared.
  static std::shared_ptr<const HostResolver> system();

  // Starts a lookup of `host` for TCP `port`. The worker keeps what it needs: the resolver may go first.
  std::shared_ptr<Lookup> resolve(const std::string& host, int port) const;
  // The blocking lookup itself (what the worker runs).
  std::vector<ResolvedAddress> lookupNow(const std::string& host, int port,
                                         std::optional<StreamError>& failure) const;

  // An address of a numeric host text, or nullopt.
  static std::optional<ResolvedAddress> numeric(const std::string& host, int port);

 private:
  // The system's blocking lookup.
  static std::vector<ResolvedAddress> systemLookup(const std::string& host, int port,
                                                   std::optional<StreamError>& failure);

  LookupFunction lookup_;
};

}  // namespace net
