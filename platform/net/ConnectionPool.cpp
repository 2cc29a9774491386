#include "platform/net/ConnectionPool.h"

#include <algorithm>
#include <deque>
#include <mutex>
#include <vector>

namespace net {

namespace {

constexpr std::size_t kMaxIdlePerKey = 6;
constexpr std::size_t kMaxIdle = 32;

using IdleConnection = ConnectionPool::IdleConnection;

struct Pool {
  std::mutex mutex;
  std::deque<IdleConnection> idle;  // oldest first
  double idleTimeout = 60.0;

  static Pool& get() {
    static Pool* pool = new Pool;  // never destroyed: streams may outlive static destruction order
    return *pool;
  }

  // Takes out expired entries (caller holds the mutex); they are closed by the caller outside the lock.
  void expireLocked(std::vector<std::unique_ptr<Transport>>& dead) {
    for (auto it = idle.begin(); it != idle.end();) {
      if (it->clock->now() >= it->expires) {
        dead.push_back(std::move(it->transport));
        it = idle.erase(it);
      } else {
        ++it;
      }
    }
  }
};

}  // namespace

std::string ConnectionPool::key(std::int64_t id, const core::URL& url, const ProxySettings& proxy,
                                const SSLSettings& ssl) {
  std::string k =
      std::to_string(id) + "|" + url.scheme + "|" + url.host + "|" + std::to_string(url.effectivePort());
  k += "|" + std::to_string(static_cast<int>(proxy.type)) + "|" + proxy.host + "|" +
       std::to_string(proxy.port);
  if (url.scheme == "https") {
    k += "|" + std::to_string(ssl.validatesCertificateChain) + std::to_string(ssl.allowsExpiredCertificates) +
         std::to_string(ssl.allowsAnyRoot) + "|" + (ssl.peerName ? "=" + *ssl.peerName : "-") + "|" +
         ssl.additionalTrustedCertificatesFile;
  }
  return k;
}

std::optional<IdleConnection> ConnectionPool::take(const std::string& key) {
  auto& pool = Pool::get();
  std::vector<std::unique_ptr<Transport>> dead;  // closed outside the lock
  std::optional<IdleConnection> found;
  {
    std::lock_guard lock(pool.mutex);
    pool.expireLocked(dead);
    // The most recently returned connection first.
    for (std::size_t i = pool.idle.size(); i-- > 0;) {
      if (pool.idle[i].key != key) continue;
      IdleConnection c = std::move(pool.idle[i]);
      pool.idle.erase(pool.idle.begin() + static_cast<std::ptrdiff_t>(i));
      if (c.transport->isIdleAlive()) {
        found = std::move(c);
        break;
      }
      dead.push_back(std::move(c.transport));
    }
  }
  return found;
}

void ConnectionPool::put(IdleConnection c) {
  auto& pool = Pool::get();
  std::vector<std::unique_ptr<Transport>> dead;  // closed after the lock is released
  std::lock_guard lock(pool.mutex);
  pool.expireLocked(dead);
  std::size_t sameKey = 0;
  for (const auto& e : pool.idle) sameKey += e.key == c.key;
  if (sameKey >= kMaxIdlePerKey) {
    auto it = std::find_if(pool.idle.begin(), pool.idle.end(),
                           [&](const IdleConnection& e) { return e.key == c.key; });
    dead.push_back(std::move(it->transport));
    pool.idle.erase(it);
  }
  if (pool.idle.size() >= kMaxIdle) {
    dead.push_back(std::move(pool.idle.front().transport));
    pool.idle.pop_front();
  }
  pool.idle.push_back(std::move(c));
}

void ConnectionPool::closeReleasedBy(std::uint64_t streamSerial) {
  auto& pool = Pool::get();
  std::unique_ptr<Transport> dead;  // closed after the lock is released
  std::lock_guard lock(pool.mutex);
  auto it = std::find_if(pool.idle.begin(), pool.idle.end(),
                         [&](const IdleConnection& e) { return e.releasedBy == streamSerial; });
  if (it == pool.idle.end()) return;
  dead = std::move(it->transport);
  pool.idle.erase(it);
}

void ConnectionPool::setIdleTimeout(double seconds) {
  auto& pool = Pool::get();
  std::lock_guard lock(pool.mutex);
  pool.idleTimeout = seconds > 0 ? seconds : 0;
}

double ConnectionPool::idleTimeout() {
  auto& pool = Pool::get();
  std::lock_guard lock(pool.mutex);
  return pool.idleTimeout;
}

void ConnectionPool::closeExpired() {
  std::vector<std::unique_ptr<Transport>> dead;
  auto& pool = Pool::get();
  std::lock_guard lock(pool.mutex);
  pool.expireLocked(dead);
}

void ConnectionPool::closeAll() {
  std::deque<IdleConnection> dead;
  auto& pool = Pool::get();
  std::lock_guard lock(pool.mutex);
  dead.swap(pool.idle);
}

std::size_t ConnectionPool::idleCount() {
  auto& pool = Pool::get();
  std::lock_guard lock(pool.mutex);
  return pool.idle.size();
}

}  // namespace net
