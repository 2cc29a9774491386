#include "platform/net/HTTPReadStream.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>

#include "platform/net/ConnectionPool.h"
#include "platform/net/HTTPResponseParser.h"
#include "platform/net/HostResolver.h"
#include "platform/net/Transport.h"
#include "platform/runloop/RunLoop.h"

namespace net {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;
constexpr std::size_t kBodyChunk = 64 * 1024;
constexpr std::size_t kHighWater = 1024 * 1024;  // decoded body waiting for the client before reads pause
std::atomic<std::uint64_t> gConnectionSerial{0};
std::atomic<std::uint64_t> gStreamSerial{0};

std::optional<std::uint64_t> parseLength(const std::string& v) {
  if (v.empty() || v.size() > 18 ||
      !std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  return std::stoull(v);
}

std::string hex(std::size_t n) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%zx", n);
  return buf;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------

struct HTTPReadStream::Impl {
  enum class Phase {
    Idle,
    Resolving,
    Connecting,
    Tunnel,
    Handshake,
    Sending,
    Receiving,
    Finished,
    Failed,
    Closed
  };
  enum class TunnelKind { None, Connect, Socks };

  std::weak_ptr<HTTPReadStream> self;
  const std::uint64_t serial = ++gStreamSerial;

  // Properties.
  std::shared_ptr<HTTPMessage> request;
  BodySource body;
  SSLSettings ssl;
  ProxySettings proxy;
  std::shared_ptr<const HostResolver> resolver = HostResolver::system();
  std::string tunnelProxyAuthorization;  // "Proxy-Authorization" of the CONNECT; "" for none
  bool persistent = false;
  std::int64_t streamID = 0;

  // Client and loop.
  unsigned mask = 0;
  Client client;
  rl::RunLoop* loop = nullptr;
  std::string mode;
  std::uint64_t generation = 0;  // changes whenever the stream is scheduled or unscheduled
  int fdWatch = 0;
  short watchedEvents = 0;
  int watchedFd = -1;
  int lookupWatch = 0;
  bool kickPosted = false;

  // Connection.
  Phase phase = Phase::Idle;
  std::shared_ptr<HostResolver::Lookup> lookup;
  std::vector<ResolvedAddress> addrs;
  std::size_t addrIndex = 0;
  std::optional<StreamError> lastConnectError;
  std::unique_ptr<Transport> transport;
  std::uint64_t connSerial = 0;
  bool reused = false;
  bool releasedToPool = false;
  std::string key;

  // Tunnel through a proxy.
  TunnelKind tunnel = TunnelKind::None;
  int socksStep = 0;
  std::string tunnelOut;
  std::string tunnelIn;
  std::unique_ptr<HTTPResponseParser> tunnelParser;
  bool tunnelClosed = false;

  // Request.
  struct Segment {
    std::size_t size;
    bool body;
  };
  std::string out;
  std::size_t outPos = 0;
  std::deque<Segment> segments;
  int fileFd = -1;
  std::optional<std::uint64_t> bodyRemaining;
  bool chunkedBody = false;
  bool bodyDone = false;
  bool requestSent = false;
  std::uint64_t bodyWritten = 0;
  std::uint64_t responseBytes = 0;  // bytes of the response (head and body, as sent) received so far

  // Response.
  std::unique_ptr<HTTPResponseParser> parser;
  std::shared_ptr<HTTPMessage> response;
  std::string bodyBuf;
  std::size_t bodyPos = 0;
  bool responseDone = false;
  bool stray = false;  // bytes after the response: the connection cannot carry another one
  bool peerClosed = false;

  // Events.
  bool connected = false;
  bool openSent = false;
  bool headSignalled = false;
  bool bytesSignalled = false;
  bool endSent = false;
  bool errorSent = false;
  bool inDispatch = false;
  std::optional<StreamError> error;
  StreamStatus status = StreamStatus::NotOpen;

  ~Impl() {
    removeWatches();
    if (fileFd >= 0) ::close(fileFd);
  }

  std::size_t bodyUnread() const { return bodyBuf.size() - bodyPos; }
  const core::URL& url() const { return request->requestURL(); }
  bool isHTTPS() const { return url().scheme == "https"; }

  // --- failure ---

  void fail(StreamError e) {
    if (error) return;
    error = std::move(e);
    phase = Phase::Failed;
    status = StreamStatus::Error;
    removeFdWatch();
    if (transport) transport->close();
    transport.reset();
    if (fileFd >= 0) {
      ::close(fileFd);
      fileFd = -1;
    }
  }

  void failFromTransport() {
    std::optional<StreamError> e = transport ? transport->error() : std::nullopt;
    fail(e ? *e : StreamError::network(kNetworkConnectionLost, "The network connection was lost."));
  }

  // --- watches ---

  void removeFdWatch() {
    if (fdWatch && loop) loop->unwatchFd(fdWatch);
    fdWatch = 0;
    watchedEvents = 0;
    watchedFd = -1;
  }

  void removeWatches() {
    removeFdWatch();
    if (lookupWatch && loop) loop->unwatchFd(lookupWatch);
    lookupWatch = 0;
  }

  void updateWatches() {
    if (!loop) return;
    short want = 0;
    if (transport && transport->isOpen()) {
      switch (phase) {
        case Phase::Connecting:
          want = POLLOUT;
          break;
        case Phase::Tunnel:
          want = POLLIN | (tunnelOut.empty() ? 0 : POLLOUT);
          break;
        case Phase::Handshake:
          want = transport->pollEvents();
          break;
        case Phase::Sending:
          want = POLLOUT | (bodyUnread() < kHighWater ? POLLIN : 0);
          break;
        case Phase::Receiving:
          want = static_cast<short>((bodyUnread() < kHighWater && !responseDone ? POLLIN : 0) |
                                    (transport->pollEvents() & POLLOUT));
          break;
        default:
          break;
      }
    }
    int fd = transport ? transport->fd() : -1;
    if (want != watchedEvents || fd != watchedFd) {
      removeFdWatch();
      if (want) {
        std::weak_ptr<HTTPReadStream> weak = self;
        std::uint64_t gen = generation;
        fdWatch = loop->watchFd(
            fd, want,
            [weak, gen](short revents) {
              if (auto s = weak.lock()) {
                if (s->impl_->generation == gen) s->impl_->drive(revents);
              }
            },
            mode);
        watchedEvents = want;
        watchedFd = fd;
      }
    }
    if (phase == Phase::Resolving && lookup && !lookupWatch) {
      std::weak_ptr<HTTPReadStream> weak = self;
      std::uint64_t gen = generation;
      lookupWatch = loop->watchFd(
          lookup->fd(), POLLIN,
          [weak, gen](short) {
            if (auto s = weak.lock()) {
              if (s->impl_->generation == gen) s->impl_->drive(0);
            }
          },
          mode);
    }
    if (phase != Phase::Resolving && lookupWatch) {
      loop->unwatchFd(lookupWatch);
      lookupWatch = 0;
    }
  }

  void kick() {
    if (!loop || kickPosted || inDispatch) return;
    kickPosted = true;
    std::weak_ptr<HTTPReadStream> weak = self;
    std::uint64_t gen = generation;
    loop->post(
        [weak, gen] {
          if (auto s = weak.lock()) {
            if (s->impl_->generation != gen) return;
            s->impl_->kickPosted = false;
            s->impl_->drive(0);
          }
        },
        mode);
  }

  // --- opening ---

  bool prepareRequest() {
    const HTTPMessage& m = *request;
    HeaderList extra;
    std::optional<std::uint64_t> declared;
    if (auto cl = m.headerFieldValue("Content-Length")) {
      declared = parseLength(*cl);
      if (!declared) {
        fail(StreamError::network(kNetworkRequestBodyStreamExhausted,
                                  "The request's Content-Length is not a number."));
        return false;
      }
    }
    bool callerChunked = false;
    if (auto te = m.headerFieldValue("Transfer-Encoding")) {
      std::string lowered = *te;
      std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                     [](unsigned char c) { return std::tolower(c); });
      callerChunked = lowered.find("chunked") != std::string::npos;
    }
    std::string inMemory;
    bool hasBody = false;
    switch (body.kind) {
      case BodySource::Kind::None:
        inMemory = m.body();
        hasBody = !inMemory.empty();
        break;
      case BodySource::Kind::Bytes:
        inMemory = body.data;
        hasBody = true;
        break;
      case BodySource::Kind::File: {
        fileFd = ::open(body.path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat st {};
        if (fileFd < 0 || ::fstat(fileFd, &st) != 0) {
          int err = errno;
          fail(StreamError::network(
              kNetworkRequestBodyStreamExhausted,
              "Cannot read the request body file " + body.path + ": " + std::strerror(err)));
          return false;
        }
        hasBody = true;
        if (!declared && !callerChunked) extra.emplace_back("Content-Length", std::to_string(st.st_size));
        bodyRemaining = declared ? *declared : static_cast<std::uint64_t>(st.st_size);
        break;
      }
      case BodySource::Kind::Reader:
        hasBody = true;
        if (declared) {
          bodyRemaining = *declared;
        } else if (!callerChunked) {
          if (m.version() == "HTTP/1.0") {
            fail(StreamError::network(kNetworkRequestBodyStreamExhausted,
                                      "A body of unknown length needs HTTP/1.1 or a Content-Length."));
            return false;
          }
          extra.emplace_back("Transfer-Encoding", "chunked");
          chunkedBody = true;
        }
        break;
    }
    if (callerChunked && body.kind != BodySource::Kind::None && body.kind != BodySource::Kind::Bytes) {
      chunkedBody = true;
      bodyRemaining.reset();
    }
    if (body.kind == BodySource::Kind::None || body.kind == BodySource::Kind::Bytes) {
      if (declared && *declared != inMemory.size()) {
        fail(StreamError::network(kNetworkRequestBodyStreamExhausted,
                                  "The request body does not match its Content-Length."));
        return false;
      }
      if (!declared && (hasBody || m.requestMethod() == "POST" || m.requestMethod() == "PUT" ||
                        m.requestMethod() == "PATCH")) {
        extra.emplace_back("Content-Length", std::to_string(inMemory.size()));
      }
    }
    bool absolute = proxy.type == ProxySettings::Type::HTTP && !isHTTPS();
    std::string head;
    if (proxy.type == ProxySettings::Type::HTTP && isHTTPS() && m.headerFieldValue("Proxy-Authorization")) {
      // The proxy's credentials belong to the CONNECT; inside the tunnel they would reach the origin server.
      HTTPMessage inner = m;
      inner.removeHeaderField("Proxy-Authorization");
      head = inner.serializeHead(absolute, extra);
    } else {
      head = m.serializeHead(absolute, extra);
    }
    queue(std::move(head), false);
    if (body.kind == BodySource::Kind::None || body.kind == BodySource::Kind::Bytes) {
      if (!inMemory.empty()) queue(std::move(inMemory), true);
      bodyDone = true;
    }
    return true;
  }

  void queue(std::string bytes, bool isBody) {
    if (bytes.empty()) return;
    segments.push_back({bytes.size(), isBody});
    if (outPos == out.size()) {
      out.clear();
      outPos = 0;
    }
    out += bytes;
  }

  void accountWritten(std::size_t n) {
    outPos += n;
    while (n > 0 && !segments.empty()) {
      std::size_t take = std::min(n, segments.front().size);
      if (segments.front().body) bodyWritten += take;
      segments.front().size -= take;
      n -= take;
      if (segments.front().size == 0) segments.pop_front();
    }
  }

  bool open() {
    if (status != StreamStatus::NotOpen) return false;
    const core::URL& u = url();
    if (u.scheme != "http" && u.scheme != "https") {
      error = StreamError::network(kNetworkUnsupportedURL, "unsupported URL scheme: " + u.scheme);
      status = StreamStatus::Error;
      return false;
    }
    if (u.host.empty() || u.effectivePort() <= 0 || u.effectivePort() > 65535) {
      error = StreamError::network(kNetworkBadURL, "bad URL: no host or port");
      status = StreamStatus::Error;
      return false;
    }
    if (proxy.type != ProxySettings::Type::None &&
        (proxy.host.empty() || proxy.port <= 0 || proxy.port > 65535)) {
      error = StreamError::network(kNetworkBadURL, "bad proxy settings");
      status = StreamStatus::Error;
      return false;
    }
    status = StreamStatus::Opening;
    if (!prepareRequest()) {
      kick();
      return true;  // reported through the error event
    }
    key = ConnectionPool::key(streamID, u, proxy, ssl);
    if (persistent) {
      ConnectionPool::closeExpired();
      if (auto c = ConnectionPool::take(key)) {
        transport = std::move(c->transport);
        connSerial = c->serial;
        reused = true;
        connected = true;
        status = StreamStatus::Open;
        phase = Phase::Sending;
        startResponse();
        updateWatches();
        kick();
        return true;
      }
    }
    phase = Phase::Resolving;
    const std::string& host = proxy.type != ProxySettings::Type::None ? proxy.host : u.host;
    int port = proxy.type != ProxySettings::Type::None ? proxy.port : u.effectivePort();
    lookup = resolver->resolve(host, port);
    updateWatches();
    kick();
    return true;
  }

  void startResponse() { parser = std::make_unique<HTTPResponseParser>(request->requestMethod() == "HEAD"); }

  void connectNext() {
    while (addrIndex < addrs.size()) {
      transport = std::make_unique<Transport>();
      auto r = transport->startConnect(addrs[addrIndex++]);
      if (r == Transport::Result::Done) {
        afterTCP();
        return;
      }
      if (r == Transport::Result::WouldBlock) {
        phase = Phase::Connecting;
        return;
      }
      lastConnectError = transport->error();
    }
    fail(lastConnectError
             ? *lastConnectError
             : StreamError::network(kNetworkCannotConnectToHost, "Could not connect to the server."));
  }

  void afterTCP() {
    connSerial = ++gConnectionSerial;
    if (proxy.type == ProxySettings::Type::SOCKS) {
      tunnel = TunnelKind::Socks;
      socksStep = 0;
      tunnelOut = std::string("\x05\x01\x00", 3);
      phase = Phase::Tunnel;
      return;
    }
    if (proxy.type == ProxySettings::Type::HTTP && isHTTPS()) {
      tunnel = TunnelKind::Connect;
      std::string target = url().hostAndPort();
      if (url().port < 0) target += ":" + std::to_string(url().effectivePort());
      tunnelOut = "CONNECT " + target + " HTTP/1.1\r\nHost: " + target + "\r\n";
      if (!tunnelProxyAuthorization.empty())
        tunnelOut += "Proxy-Authorization: " + tunnelProxyAuthorization + "\r\n";
      tunnelOut += "\r\n";
      tunnelParser = std::make_unique<HTTPResponseParser>(true);
      phase = Phase::Tunnel;
      return;
    }
    afterTunnel();
  }

  void afterTunnel() {
    if (isHTTPS()) {
      if (!transport->startTLS(ssl, url().host)) {
        failFromTransport();
        return;
      }
      phase = Phase::Handshake;
      return;
    }
    becomeConnected();
  }

  void becomeConnected() {
    connected = true;
    status = StreamStatus::Open;
    phase = Phase::Sending;
    startResponse();
  }

  // --- proxy tunnels ---

  bool pumpTunnel() {  // false: failed (or waiting, see phase)
    while (!tunnelOut.empty()) {
      std::size_t w = 0;
      auto r = transport->write(tunnelOut, w);
      tunnelOut.erase(0, w);
      if (r == Transport::Result::WouldBlock) break;
      if (r == Transport::Result::Failed) {
        failFromTransport();
        return false;
      }
    }
    std::uint8_t buf[4096];
    while (true) {
      std::size_t got = 0;
      auto r = transport->read(buf, sizeof buf, got);
      if (r == Transport::Result::Done) {
        tunnelIn.append(reinterpret_cast<char*>(buf), got);
        if (tunnelIn.size() > HTTPResponseParser::kMaxHeadBytes) {
          fail(StreamError::network(kNetworkBadServerResponse, "The proxy answered too much."));
          return false;
        }
        continue;
      }
      if (r == Transport::Result::WouldBlock) return true;
      if (r == Transport::Result::Closed) {
        tunnelClosed = true;  // what came before the close is still read below
        return true;
      }
      failFromTransport();
      return false;
    }
  }

  void failTunnelIfClosed() {
    if (tunnelClosed && !error)
      fail(StreamError::network(kNetworkConnectionLost, "The proxy closed the connection."));
  }

  void driveTunnel() {
    if (!pumpTunnel()) return;
    if (tunnel == TunnelKind::Connect) {
      if (tunnelIn.empty()) {
        failTunnelIfClosed();
        return;
      }
      std::string ignored;
      std::size_t used = tunnelParser->feed(tunnelIn, ignored);
      tunnelIn.erase(0, used);
      if (tunnelParser->state() == HTTPResponseParser::State::Error) {
        fail(StreamError::network(kNetworkCannotParseResponse, "Bad proxy answer: " + tunnelParser->error()));
        return;
      }
      if (tunnelParser->state() != HTTPResponseParser::State::Done) {
        failTunnelIfClosed();
        return;
      }
      auto head = tunnelParser->response();
      if (head->statusCode() / 100 != 2) {
        // The proxy's refusal (a 407 asking for credentials, a 403, ...) is the response the client sees.
        // Its body is not handed out, so the head must not announce one: a client would take the missing
        // bytes for a broken connection.
        head->removeHeaderField("Content-Length");
        head->removeHeaderField("Transfer-Encoding");
        connected = true;
        status = StreamStatus::Open;
        response = head;
        responseDone = true;
        stray = true;
        phase = Phase::Receiving;
        return;
      }
      if (!tunnelIn.empty()) {
        fail(StreamError::network(kNetworkBadServerResponse,
                                  "The proxy sent bytes before the tunnel opened."));
        return;
      }
      if (tunnelClosed) {
        failTunnelIfClosed();
        return;
      }
      tunnel = TunnelKind::None;
      afterTunnel();
      return;
    }
    // SOCKS5, no authentication, the host name resolved by the proxy.
    if (socksStep == 0) {
      if (tunnelIn.size() < 2) {
        failTunnelIfClosed();
        return;
      }
      if (tunnelIn[0] != 0x05 || tunnelIn[1] != 0x00) {
        fail(StreamError::network(kNetworkBadServerResponse, "The SOCKS proxy refused the connection."));
        return;
      }
      tunnelIn.erase(0, 2);
      const std::string& host = url().host;
      if (host.size() > 255) {
        fail(StreamError::network(kNetworkBadURL, "host name too long for SOCKS"));
        return;
      }
      int port = url().effectivePort();
      tunnelOut = std::string("\x05\x01\x00\x03", 4);
      tunnelOut += static_cast<char>(host.size());
      tunnelOut += host;
      tunnelOut += static_cast<char>((port >> 8) & 0xff);
      tunnelOut += static_cast<char>(port & 0xff);
      socksStep = 1;
      driveTunnel();
      return;
    }
    if (tunnelIn.size() < 5) {
      failTunnelIfClosed();
      return;
    }
    if (tunnelIn[0] != 0x05) {
      fail(StreamError::network(kNetworkBadServerResponse, "Bad SOCKS answer."));
      return;
    }
    if (tunnelIn[1] != 0x00) {
      fail(StreamError::network(kNetworkCannotConnectToHost,
                                "The SOCKS proxy could not connect to the server."));
      return;
    }
    std::size_t need;
    switch (tunnelIn[3]) {
      case 0x01:
        need = 4 + 4 + 2;
        break;
      case 0x04:
        need = 4 + 16 + 2;
        break;
      case 0x03:
        need = 4 + 1 + static_cast<unsigned char>(tunnelIn[4]) + 2;
        break;
      default:
        fail(StreamError::network(kNetworkBadServerResponse, "Bad SOCKS answer."));
        return;
    }
    if (tunnelIn.size() < need) {
      failTunnelIfClosed();
      return;
    }
    if (tunnelIn.size() > need) {
      fail(StreamError::network(kNetworkBadServerResponse,
                                "The SOCKS proxy sent bytes before the tunnel opened."));
      return;
    }
    tunnelIn.clear();
    if (tunnelClosed) {
      failTunnelIfClosed();
      return;
    }
    tunnel = TunnelKind::None;
    afterTunnel();
  }

  // --- request body ---

  bool refill() {
    if (bodyDone) return true;
    std::string chunk(kBodyChunk, '\0');
    std::size_t want = kBodyChunk;
    if (bodyRemaining) want = static_cast<std::size_t>(std::min<std::uint64_t>(want, *bodyRemaining));
    std::int64_t n = 0;
    if (want > 0) {
      if (body.kind == BodySource::Kind::File) {
        do {
          n = ::read(fileFd, chunk.data(), want);
        } while (n < 0 && errno == EINTR);
      } else {
        n = body.fn ? body.fn(reinterpret_cast<std::uint8_t*>(chunk.data()), want) : 0;
        if (n > static_cast<std::int64_t>(want)) n = -1;
      }
    }
    if (n < 0) {
      fail(StreamError::network(kNetworkRequestBodyStreamExhausted, "Reading the request body failed."));
      return false;
    }
    if (n == 0) {
      if (bodyRemaining && *bodyRemaining > 0) {
        fail(StreamError::network(kNetworkRequestBodyStreamExhausted,
                                  "The request body ended before its Content-Length."));
        return false;
      }
      if (chunkedBody) queue("0\r\n\r\n", false);
      bodyDone = true;
      if (fileFd >= 0) {
        ::close(fileFd);
        fileFd = -1;
      }
      return true;
    }
    chunk.resize(static_cast<std::size_t>(n));
    if (bodyRemaining) *bodyRemaining -= static_cast<std::uint64_t>(n);
    if (chunkedBody) {
      queue(hex(chunk.size()) + "\r\n", false);
      queue(std::move(chunk), true);
      queue("\r\n", false);
    } else {
      queue(std::move(chunk), true);
    }
    if (bodyRemaining && *bodyRemaining == 0) {
      bodyDone = true;
      if (fileFd >= 0) {
        ::close(fileFd);
        fileFd = -1;
      }
    }
    return true;
  }

  void driveSend() {
    if (transport->flush() == Transport::Result::Failed) {
      onWriteFailed();
      return;
    }
    while (phase == Phase::Sending) {
      if (outPos == out.size()) {
        out.clear();
        outPos = 0;
        if (bodyDone) {
          requestSent = true;
          phase = Phase::Receiving;
          return;
        }
        if (!refill()) return;
        continue;
      }
      std::size_t w = 0;
      auto r = transport->write(std::string_view(out).substr(outPos), w);
      accountWritten(w);
      if (r == Transport::Result::WouldBlock) return;
      if (r == Transport::Result::Failed) {
        onWriteFailed();
        return;
      }
    }
  }

  void onWriteFailed() {
    // A server may answer early and close (a refusal of a big upload): keep what it said.
    if (parser && parser->isHeadComplete()) {
      phase = Phase::Receiving;
      stray = true;
      return;
    }
    failFromTransport();
  }

  // --- response ---

  void driveReceive() {
    if (responseDone || !transport) return;
    if (phase == Phase::Receiving && transport->flush() == Transport::Result::Failed) {
      // Nothing of ours is left to send that matters; a dead socket shows on the read below.
    }
    std::uint8_t buf[kReadChunk];
    while (bodyUnread() < kHighWater && !responseDone && !error) {
      std::size_t got = 0;
      auto r = transport->read(buf, sizeof buf, got);
      if (r == Transport::Result::WouldBlock) return;
      if (r == Transport::Result::Failed) {
        failFromTransport();
        return;
      }
      if (r == Transport::Result::Closed) {
        peerClosed = true;
        parser->finish();
        onParsed();
        if (!responseDone && !error) {
          fail(StreamError::network(kNetworkConnectionLost, "The network connection was lost."));
        }
        return;
      }
      responseBytes += got;
      compactBody();
      std::size_t used = parser->feed(std::string_view(reinterpret_cast<char*>(buf), got), bodyBuf);
      if (used < got && parser->state() == HTTPResponseParser::State::Done) stray = true;
      onParsed();
    }
  }

  void onParsed() {
    if (!response && parser->isHeadComplete()) {
      response = parser->response();
      status = StreamStatus::Reading;
    }
    switch (parser->state()) {
      case HTTPResponseParser::State::Done:
        responseDone = true;
        if (phase == Phase::Sending) {
          phase = Phase::Receiving;  // answered before the request was sent whole
        }
        break;
      case HTTPResponseParser::State::Error:
        if (parser->truncated()) {
          fail(StreamError::network(kNetworkConnectionLost,
                                    "The network connection was lost. (" + parser->error() + ")"));
        } else {
          fail(StreamError::network(kNetworkCannotParseResponse,
                                    "Cannot parse the response: " + parser->error()));
        }
        break;
      default:
        break;
    }
  }

  void compactBody() {
    if (bodyPos > 0 && bodyPos == bodyBuf.size()) {
      bodyBuf.clear();
      bodyPos = 0;
    } else if (bodyPos > 256 * 1024 && bodyPos * 2 > bodyBuf.size()) {
      bodyBuf.erase(0, bodyPos);
      bodyPos = 0;
    }
  }

  void finishConnection() {
    removeFdWatch();
    if (!transport) return;
    bool reusable = persistent && requestSent && !stray && !peerClosed && parser &&
                    parser->allowsKeepAlive() && transport->isOpen() && !transport->error() &&
                    tunnel == TunnelKind::None;
    if (reusable && transport->flush() != Transport::Result::Done) reusable = false;
    if (!reusable) {
      transport->close();
      transport.reset();
      return;
    }
    double timeout = parser->keepAliveTimeout();
    if (timeout <= 0) timeout = ConnectionPool::idleTimeout();
    auto clock = loop ? loop->clock() : rl::Clock::real();
    ConnectionPool::IdleConnection c;
    c.key = key;
    c.transport = std::move(transport);
    c.serial = connSerial;
    c.releasedBy = serial;
    c.expires = clock->now() + timeout;
    c.clock = clock;
    ConnectionPool::put(std::move(c));
    releasedToPool = true;
  }

  // --- the engine ---

  void drive(short revents) {
    if (!loop || phase == Phase::Closed) return;
    auto keep = self.lock();
    for (int round = 0; round < 64 && !error; ++round) {
      Phase before = phase;
      switch (phase) {
        case Phase::Resolving:
          if (!lookup || !lookup->done()) break;
          if (auto f = lookup->failure()) {
            fail(*f);
            break;
          }
          addrs = lookup->addresses();
          lookup.reset();
          if (lookupWatch) {
            loop->unwatchFd(lookupWatch);
            lookupWatch = 0;
          }
          connectNext();
          break;
        case Phase::Connecting: {
          if (!(revents & (POLLOUT | POLLERR | POLLHUP))) break;
          auto r = transport->finishConnect();
          if (r == Transport::Result::Done) {
            afterTCP();
          } else if (r == Transport::Result::Failed) {
            lastConnectError = transport->error();
            connectNext();
          }
          revents = 0;
          break;
        }
        case Phase::Tunnel:
          driveTunnel();
          break;
        case Phase::Handshake: {
          auto r = transport->handshake();
          if (r == Transport::Result::Done)
            becomeConnected();
          else if (r == Transport::Result::Failed)
            failFromTransport();
          break;
        }
        case Phase::Sending:
          driveSend();
          if (!error && transport) driveReceive();
          break;
        case Phase::Receiving:
          driveReceive();
          break;
        default:
          break;
      }
      if (phase == before) break;
    }
    updateWatches();
    dispatch();
  }

  void deliver(ReadStreamEvent ev) {
    if (!(mask & ev) || !client) return;
    Client fn = client;  // the client may replace itself
    fn(ev);
  }

  void dispatch() {
    if (inDispatch || !loop) return;
    auto keep = self.lock();
    inDispatch = true;
    for (int guard = 0; guard < 1 << 20; ++guard) {
      if (phase == Phase::Closed || !loop) break;
      if (error) {
        if (!errorSent) {
          errorSent = true;
          deliver(kEventErrorOccurred);
        }
        break;
      }
      if (connected && !openSent) {
        openSent = true;
        deliver(kEventOpenCompleted);
        continue;
      }
      if (!response || endSent) break;
      bool unread = bodyUnread() > 0;
      if (unread || (!headSignalled && !responseDone)) {
        if (bytesSignalled) break;  // waiting for the client to read
        // A head-only event asks for no read before the next one: the client has nothing to read yet.
        bytesSignalled = unread;
        headSignalled = true;
        deliver(kEventHasBytesAvailable);
        continue;
      }
      if (responseDone) {
        endSent = true;
        status = StreamStatus::AtEnd;
        phase = Phase::Finished;
        finishConnection();
        deliver(kEventEndEncountered);
        continue;
      }
      break;
    }
    inDispatch = false;
    if (loop && phase != Phase::Closed) updateWatches();
  }

  std::int64_t read(std::uint8_t* buf, std::size_t max) {
    if (error) return -1;
    if (phase == Phase::Closed) return 0;
    std::size_t n = std::min(max, bodyUnread());
    if (n > 0) std::memcpy(buf, bodyBuf.data() + bodyPos, n);
    bodyPos += n;
    bytesSignalled = false;
    compactBody();
    if (!inDispatch)
      kick();
    else
      updateWatches();
    return static_cast<std::int64_t>(n);
  }

  void close() {
    if (phase == Phase::Closed) return;
    removeWatches();
    if (transport) transport->close();
    transport.reset();
    if (releasedToPool) ConnectionPool::closeReleasedBy(serial);
    releasedToPool = false;
    if (fileFd >= 0) {
      ::close(fileFd);
      fileFd = -1;
    }
    lookup.reset();
    bodyBuf.clear();
    bodyPos = 0;
    // Let go of the callback (and what it captured) now: a closed stream calls nobody. The call that may be
    // running it holds its own copy.
    client = Client();
    mask = 0;
    phase = Phase::Closed;
    if (status != StreamStatus::Error) status = StreamStatus::Closed;
  }

  void schedule(rl::RunLoop& l, std::string m) {
    if (loop) unschedule();
    loop = &l;
    mode = std::move(m);
    ++generation;
    kickPosted = false;
    if (phase == Phase::Closed) return;
    updateWatches();
    if (status != StreamStatus::NotOpen) kick();
  }

  void unschedule() {
    removeWatches();
    loop = nullptr;
    ++generation;
    kickPosted = false;
  }
};

// ---------------------------------------------------------------------------------------------------------

BodySource BodySource::bytes(std::string data) {
  BodySource b;
  b.kind = Kind::Bytes;
  b.data = std::move(data);
  return b;
}

BodySource BodySource::file(std::string path) {
  BodySource b;
  b.kind = Kind::File;
  b.path = std::move(path);
  return b;
}

BodySource BodySource::reader(Reader fn) {
  BodySource b;
  b.kind = Kind::Reader;
  b.fn = std::move(fn);
  return b;
}

HTTPReadStream::HTTPReadStream() : impl_(std::make_unique<Impl>()) {}

HTTPReadStream::~HTTPReadStream() = default;

std::shared_ptr<HTTPReadStream> HTTPReadStream::create(std::shared_ptr<HTTPMessage> request) {
  if (!request || !request->isRequest()) return nullptr;
  std::shared_ptr<HTTPReadStream> s(new HTTPReadStream());
  s->impl_->self = s;
  s->impl_->request = std::move(request);
  return s;
}

std::shared_ptr<HTTPReadStream> HTTPReadStream::createForStreamedRequest(std::shared_ptr<HTTPMessage> request,
                                                                         BodySource body) {
  auto s = create(std::move(request));
  if (s) s->impl_->body = std::move(body);
  return s;
}

void HTTPReadStream::setSSLSettings(SSLSettings settings) { impl_->ssl = std::move(settings); }
void HTTPReadStream::setProxy(ProxySettings proxy) { impl_->proxy = std::move(proxy); }
void HTTPReadStream::setHostResolver(std::shared_ptr<const HostResolver> resolver) {
  impl_->resolver = resolver ? std::move(resolver) : HostResolver::system();
}
bool HTTPReadStream::setTunnelProxyAuthorization(std::string value) {
  for (char c : value)
    if (c == '\r' || c == '\n' || c == '\0') return false;
  impl_->tunnelProxyAuthorization = std::move(value);
  return true;
}
void HTTPReadStream::setAttemptPersistentConnection(bool on) { impl_->persistent = on; }
void HTTPReadStream::setStreamID(std::int64_t id) { impl_->streamID = id; }
std::int64_t HTTPReadStream::streamID() const { return impl_->streamID; }
bool HTTPReadStream::attemptsPersistentConnection() const { return impl_->persistent; }

void HTTPReadStream::setClient(unsigned eventMask, Client fn) {
  impl_->mask = fn ? eventMask : 0;
  impl_->client = eventMask ? std::move(fn) : Client();
}

void HTTPReadStream::scheduleInRunLoop(rl::RunLoop& loop, std::string mode) {
  impl_->schedule(loop, std::move(mode));
}

void HTTPReadStream::unscheduleFromRunLoop(rl::RunLoop& loop, const std::string& mode) {
  if (impl_->loop == &loop && impl_->mode == mode) impl_->unschedule();
}

bool HTTPReadStream::isScheduled() const { return impl_->loop != nullptr; }
bool HTTPReadStream::open() { return impl_->open(); }
std::int64_t HTTPReadStream::read(std::uint8_t* buf, std::size_t max) { return impl_->read(buf, max); }
bool HTTPReadStream::hasBytesAvailable() const { return impl_->bodyUnread() > 0; }
void HTTPReadStream::close() { impl_->close(); }
StreamStatus HTTPReadStream::status() const { return impl_->status; }
std::optional<StreamError> HTTPReadStream::error() const { return impl_->error; }

std::shared_ptr<const HTTPMessage> HTTPReadStream::copyResponseHeader() const { return impl_->response; }
std::uint64_t HTTPReadStream::requestBytesWritten() const { return impl_->bodyWritten; }
std::uint64_t HTTPReadStream::responseBytesReceived() const { return impl_->responseBytes; }
bool HTTPReadStream::isReusedConnection() const { return impl_->reused; }
std::uint64_t HTTPReadStream::connectionSerial() const { return impl_->connSerial; }

// ---------------------------------------------------------------------------------------------------------

}  // namespace net
