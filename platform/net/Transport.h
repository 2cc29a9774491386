#pragma once
// net::Transport: one non-blocking TCP connection, optionally with TLS (OpenSSL), driven by its owner.
//
// The owner (an HTTPReadStream) watches fd() on its run loop for wantsRead()/wantsWrite() and calls the
// step functions when the socket is ready; nothing here blocks and nothing here knows about HTTP. TLS runs
// over memory buffers: every byte that goes to the socket is sent with send(..., MSG_NOSIGNAL), so a peer
// that has gone never raises SIGPIPE, with or without TLS.
//
// Errors are StreamError values (see StreamError.h): socket errors mapped from errno, TLS errors in the
// -9800 ... -9818 range (certificate checks mapped to the expired / not yet valid / no root / untrusted
// root / invalid chain codes).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/net/HTTPReadStream.h"
#include "platform/net/HostResolver.h"
#include "platform/net/StreamError.h"

namespace net {

class Transport {
 public:
  enum class Result { Done, WouldBlock, Closed, Failed };

  // Loads the TLS library for the process (once; later calls do nothing). The library tidies up its
  // per-thread state at exit; a thread that may use TLS and is stopped at exit (the HTTP client's network
  // thread) starts after this call, so it is stopped before that tidying runs.
  static void initializeLibrary();

  Transport();
  ~Transport();  // closes the socket
  Transport(const Transport&) = delete;
  Transport& operator=(const Transport&) = delete;

  // Starts a non-blocking connect to `addr`. Failed when the socket cannot be made or connect fails at
  // once (error()). Done when connected at once; WouldBlock while in progress: wait for writable, then
  // call finishConnect().
  Result startConnect(const ResolvedAddress& addr);
  Result finishConnect();

  // Switches the connection to TLS (client side): SNI `serverName` (skipped for IP literals), checks by
  // `settings` against `hostName` (the URL's host). Then call handshake() until Done.
  bool startTLS(const SSLSettings& settings, const std::string& hostName);
  Result handshake();
  bool isTLS() const;

  // Application bytes. write(): Done when all of `data` was taken (it may still sit in the send buffer:
  // flush()); WouldBlock with `written` < size when the socket is full. read(): Done with got > 0, Closed
  // at the end of the stream (got 0), WouldBlock with nothing there.
  Result write(std::string_view data, std::size_t& written);
  Result read(std::uint8_t* buf, std::size_t max, std::size_t& got);
  // Pushes out bytes still buffered (TLS records). Done when nothing is left.
  Result flush();

  // poll() events to wait for: POLLIN always while open, POLLOUT while connecting or while bytes wait.
  short pollEvents() const;
  int fd() const { return fd_; }
  bool isOpen() const { return fd_ >= 0; }
  void close();
  const std::optional<StreamError>& error() const { return error_; }

  // An idle kept-alive connection is still usable: not closed by the peer, no stray bytes waiting.
  bool isIdleAlive();

  struct TLS;

 private:
  Result failWith(StreamError e);
  Result pumpTLSOut();
  Result pumpTLSIn(bool& gotAny);

  int fd_ = -1;
  bool connecting_ = false;
  std::optional<StreamError> error_;
  std::unique_ptr<TLS> tls_;
};

}  // namespace net
