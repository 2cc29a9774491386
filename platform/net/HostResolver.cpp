#include "platform/net/HostResolver.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

#include "platform/runloop/DispatchQueue.h"

namespace net {

HostResolver::Lookup::Lookup() : eventFd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

HostResolver::Lookup::~Lookup() {
  if (eventFd_ >= 0) ::close(eventFd_);
}

bool HostResolver::Lookup::done() const {
  std::lock_guard lock(mutex_);
  return done_;
}

std::vector<ResolvedAddress> HostResolver::Lookup::addresses() const {
  std::lock_guard lock(mutex_);
  return addrs_;
}

std::optional<StreamError> HostResolver::Lookup::failure() const {
  std::lock_guard lock(mutex_);
  return failure_;
}

void HostResolver::Lookup::complete(std::vector<ResolvedAddress> addrs, std::optional<StreamError> failure) {
  {
    std::lock_guard lock(mutex_);
    addrs_ = std::move(addrs);
    failure_ = std::move(failure);
    done_ = true;
  }
  std::uint64_t one = 1;
  ssize_t r = ::write(eventFd_, &one, sizeof one);
  (void)r;
}

std::optional<ResolvedAddress> HostResolver::numeric(const std::string& host, int port) {
  ResolvedAddress out;
  auto* v4 = reinterpret_cast<sockaddr_in*>(&out.addr);
  if (::inet_pton(AF_INET, host.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    v4->sin_port = htons(static_cast<std::uint16_t>(port));
    out.length = sizeof(sockaddr_in);
    out.family = AF_INET;
    return out;
  }
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&out.addr);
  if (::inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(static_cast<std::uint16_t>(port));
    out.length = sizeof(sockaddr_in6);
    out.family = AF_INET6;
    return out;
  }
  return std::nullopt;
}

HostResolver::HostResolver(LookupFunction fn) : lookup_(std::move(fn)) {}

std::shared_ptr<const HostResolver> HostResolver::system() {
  static const auto shared = std::make_shared<const HostResolver>();
  return shared;
}

std::vector<ResolvedAddress> HostResolver::lookupNow(const std::string& host, int port,
                                                     std::optional<StreamError>& failure) const {
  if (lookup_) return lookup_(host, port, failure);
  return systemLookup(host, port, failure);
}

std::vector<ResolvedAddress> HostResolver::systemLookup(const std::string& host, int port,
                                                        std::optional<StreamError>& failure) {
  std::vector<ResolvedAddress> out;
  if (auto n = numeric(host, port)) {
    out.push_back(*n);
    return out;
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_ADDRCONFIG;
  addrinfo* res = nullptr;
  std::string service = std::to_string(port);
  int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &res);
  if (rc != 0) {
    failure = StreamError::network(
        kNetworkCannotFindHost, "A server with the specified hostname could not be found. (" + host + ": " +
                                    ::gai_strerror(rc) + ")");
    return out;
  }
  for (addrinfo* ai = res; ai; ai = ai->ai_next) {
    if ((ai->ai_family != AF_INET && ai->ai_family != AF_INET6) || ai->ai_addrlen > sizeof(sockaddr_storage))
      continue;
    ResolvedAddress a;
    std::memcpy(&a.addr, ai->ai_addr, ai->ai_addrlen);
    a.length = ai->ai_addrlen;
    a.family = ai->ai_family;
    out.push_back(a);
  }
  ::freeaddrinfo(res);
  if (out.empty()) {
    failure = StreamError::network(kNetworkCannotFindHost,
                                   "A server with the specified hostname could not be found. (" + host + ")");
  }
  return out;
}

std::shared_ptr<HostResolver::Lookup> HostResolver::resolve(const std::string& host, int port) const {
  auto lookup = std::make_shared<Lookup>();
  if (!lookup_) {
    if (auto n = numeric(host, port)) {
      lookup->complete({*n}, std::nullopt);
      return lookup;
    }
  }
  rl::DispatchQueue::global().async([lookup, fn = lookup_, host, port] {
    std::optional<StreamError> failure;
    auto addrs = fn ? fn(host, port, failure) : systemLookup(host, port, failure);
    lookup->complete(std::move(addrs), std::move(failure));
  });
  return lookup;
}

}  // namespace net
