#pragma once
// net::HostResolver: name lookup off the caller's thread.
//
// resolve() runs getaddrinfo on a worker of rl::DispatchQueue::global() and makes the returned
// Lookup's fd() readable when the answer is in; the caller watches that fd on its own run loop (so no
// task is ever posted to a loop that may be gone) and then reads result(). Numeric addresses ("127.0.0.1",
// "::1") are answered at once without a worker.
//
// Tests may replace the lookup function (setLookupFunctionForTesting) to map names to loopback addresses
// or to fail a lookup without asking any name server.

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

  // Starts a lookup of `host` for TCP `port`.
  static std::shared_ptr<Lookup> resolve(const std::string& host, int port);
  // The blocking lookup itself (what the worker runs).
  static std::vector<ResolvedAddress> lookupNow(const std::string& host, int port,
                                                std::optional<StreamError>& failure);

  // Returns the addresses of a host, or sets `failure`. Null restores getaddrinfo.
  using LookupFunction = std::function<std::vector<ResolvedAddress>(const std::string& host, int port,
                                                                    std::optional<StreamError>& failure)>;
  static void setLookupFunctionForTesting(LookupFunction fn);

  // An address of a numeric host text, or nullopt.
  static std::optional<ResolvedAddress> numeric(const std::string& host, int port);
};

}  // namespace net
