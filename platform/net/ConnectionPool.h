#pragma once
// ConnectionPool: the process-wide pool of idle kept-alive connections that HTTPReadStream takes from
// and gives back to (see HTTPReadStream.h for when a connection goes back and when it is reused).
//
// A connection is filed under a key (key(): stream id, scheme, host, port, proxy and, for https, the
// TLS settings), so only a stream that would have made the very same connection gets it. At most 6 idle
// connections per key and 32 in all are kept (the oldest goes first); an entry expires at its own time
// (the server's "Keep-Alive: timeout=", else idleTimeout()). Connections are closed outside the lock.
// Every function may be called from any thread.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/core/URL.h"
#include "platform/net/HTTPReadStream.h"
#include "platform/net/Transport.h"
#include "platform/runloop/Clock.h"

namespace net {

class ConnectionPool {
 public:
  struct IdleConnection {
    std::string key;
    std::unique_ptr<Transport> transport;
    std::uint64_t serial = 0;      // the connection's serial number
    std::uint64_t releasedBy = 0;  // serial of the stream that gave it back
    double expires = 0;            // on `clock`
    std::shared_ptr<rl::Clock> clock;
  };

  // The key a stream's connection is filed under.
  static std::string key(std::int64_t streamID, const core::URL& url, const ProxySettings& proxy,
                         const SSLSettings& ssl);
  // The most recently returned live connection of the key, taken out of the pool; expired entries and
  // dead connections met on the way are closed.
  static std::optional<IdleConnection> take(const std::string& key);
  // Files a connection (making room as said above).
  static void put(IdleConnection connection);
  // Closes the connection the stream with this serial gave back, if it is still idle.
  static void closeReleasedBy(std::uint64_t streamSerial);

  // How long an idle connection is kept when the server named no "Keep-Alive: timeout" (default 60 s).
  static void setIdleTimeout(double seconds);
  static double idleTimeout();
  // Closes idle connections whose time is up (also done whenever a stream opens).
  static void closeExpired();
  // Closes every idle connection (tests, shutdown).
  static void closeAll();
  static std::size_t idleCount();
};

}  // namespace net
