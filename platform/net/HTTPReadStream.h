#pragma once
// net::HTTPReadStream: sends one HTTP request and reads its response, on the run loop it is scheduled on.
//
// Life of a stream (the shape of the platform's HTTP read stream the HTTP client was written for):
//
//   auto msg = HTTPMessage::createRequest("GET", url);          // headers, optional in-memory body
//   auto s = HTTPReadStream::create(msg);                       // or createForStreamedRequest(msg, body)
//   s->setSSLSettings(...); s->setProxy(...);                   // optional, before open()
//   s->setHostResolver(resolver);                               // optional: the system's by default
//   s->setAttemptPersistentConnection(true); s->setStreamID(7); // share kept-alive connections by id
//   s->setClient(kEventHasBytesAvailable | kEventErrorOccurred | kEventEndEncountered, callback);
//   s->scheduleInRunLoop(loop, mode);
//   s->open();
//   ... callback(kEventHasBytesAvailable): s->copyResponseHeader() (once the head is in), s->read(buf, n)
//   ... callback(kEventEndEncountered)  : the whole body has been read
//   ... callback(kEventErrorOccurred)   : s->error()
//   s->close();
//
// Threads: a stream belongs to the thread whose run loop it is scheduled on. Every call (open, read, close,
// schedule, ...) is made on that thread, and the client callback runs there, from the loop, only while the
// loop runs in the scheduled mode. Calls from any other thread are not allowed: a cancel that comes from
// another thread must be posted to the stream's loop, in the stream's mode (rl::RunLoop::post), and run
// there. Nothing happens while the stream is unscheduled (no socket I/O, no events); scheduling it again
// carries on where it was, and an event that became due meanwhile is delivered then. open() never calls
// the client back directly; events come from the loop. The name lookup runs on a worker thread
// (rl::DispatchQueue::global()) and its result waits for the stream's loop.
//
// Events:
//   kEventOpenCompleted     once, when the connection is ready (TCP connected, TLS handshake done; at once
//                           for a pooled connection).
//   kEventHasBytesAvailable when the final response head is complete and a body follows (the head alone may
//                           raise it, with hasBytesAvailable() still false), then again whenever body bytes
//                           wait and the client has called read() since the last one (an event raised by
//                           the head alone needs no read() before the next). A client that does not read
//                           is not told again (no busy loop); while more than 1 MB waits unread the
//                           socket is not read either.
//   kEventEndEncountered    once, after the last body byte has been read; without a body (HEAD, 204, 304,
//                           "Content-Length: 0") it is the first event after the open.
//   kEventErrorOccurred     once; error() then holds the reason and read() answers -1. No further events.
//                           The error ends the stream at once: body bytes still waiting unread are dropped.
//                           copyResponseHeader() still answers the head when it had come.
// Interim 1xx responses are skipped. The body is handed out as it came after transfer decoding (chunked);
// content encodings (gzip) are left as they are, for the client. Redirects and authentication challenges
// are responses like any other: following them is the client's business.
//
// Persistent connections: a stream with setAttemptPersistentConnection(true) looks, when it opens, for an
// idle kept-alive connection in the process-wide pool with the same stream id, scheme, host, port, proxy
// and TLS settings, and takes it; otherwise it connects. When the response ends (kEventEndEncountered),
// the connection goes back to the pool under the stream's id if: the stream asked for persistence, the
// request was sent whole, the body was delimited (Content-Length or chunked, or no body) and read to its
// end, and the response allows it (HTTP/1.1 without "Connection: close", or HTTP/1.0 with
// "Connection: keep-alive"). Otherwise it is closed at once.
//
// Who decides what: the client keeps the connection-id bookkeeping (which id a request uses, when an id
// is free, when it expires) and decides from the response headers whether it wants to reuse a connection;
// this layer keeps the sockets. The client's decision binds through close(): closing a stream whose
// connection went back to the pool closes that connection too, unless another stream has taken it since.
// So a client that keeps a finished stream open while its pool entry lives, closes it when the entry
// expires, and closes the previous stream of an entry right after the next stream on that id has opened,
// gets exactly the reuse it asked for. The pool (ConnectionPool, platform/net/ConnectionPool.h) also
// closes connections idle longer than the server's "Keep-Alive: timeout=" or its idleTimeout(), and
// drops idle connections that the server has closed or that hold unexpected bytes before handing them
// out.
//
// Destroying a stream without close() leaves a connection it gave back in the pool (for the pool's own
// time-out to close).
//
// A kept-alive connection that the server drops after the request was sent and before the first byte of
// the response arrives is reported as a dropped connection (StreamError::isDroppedConnection()), as is a
// reset or a close in the middle of a response. Writes never raise SIGPIPE.
//
// Proxies: a proxy that refuses a CONNECT tunnel (407, 403, ...) gives its answer as the response (head
// only, empty body, without the framing fields "Content-Length" and "Transfer-Encoding"); the connection is
// then closed. Credentials for the CONNECT are set with setTunnelProxyAuthorization(); a scheme bound to
// one connection (NTLM) cannot be carried through this, since a refused tunnel's connection is not kept.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/net/HTTPMessage.h"
#include "platform/net/StreamError.h"

namespace rl {
class RunLoop;
}

namespace net {

class HostResolver;

// Event codes (bit values, as the client's callback mask expects).
enum ReadStreamEvent : unsigned {
  kEventNone = 0,
  kEventOpenCompleted = 1,
  kEventHasBytesAvailable = 2,
  kEventCanAcceptBytes = 4,  // never raised by a read stream
  kEventErrorOccurred = 8,
  kEventEndEncountered = 16,
};

enum class StreamStatus { NotOpen, Opening, Open, Reading, AtEnd, Closed, Error };

// TLS settings of an https stream. The defaults validate fully: chain to a trusted root, dates, and the
// host name of the URL (also sent as SNI).
struct SSLSettings {
  bool validatesCertificateChain = true;   // false: accept any certificate (no chain, date or name check)
  bool allowsExpiredCertificates = false;  // accept a certificate outside its dates
  bool allowsAnyRoot = false;              // accept a chain to an untrusted root (self-signed included)
  // The name the certificate must carry: nullopt = the URL's host; "" = no name check.
  std::optional<std::string> peerName;
  // Extra trust anchors (a PEM file), added to the system's (Debian's ca-certificates). For tests.
  std::string additionalTrustedCertificatesFile;

  friend bool operator==(const SSLSettings&, const SSLSettings&) = default;
};

// A proxy to send the request through. HTTP: "http" URLs go to the proxy in absolute form, "https" URLs
// through a CONNECT tunnel. SOCKS: a SOCKS5 proxy without authentication.
struct ProxySettings {
  enum class Type { None, HTTP, SOCKS };
  Type type = Type::None;
  std::string host;
  int port = 0;

  friend bool operator==(const ProxySettings&, const ProxySettings&) = default;
};

// Where the request body comes from when it is not the message's in-memory body.
// Its length: the message's "Content-Length" when set (the source must give exactly that many bytes,
// else kNetworkRequestBodyStreamExhausted); else the file size for a file; else, for a reader, the body
// is sent with "Transfer-Encoding: chunked".
struct BodySource {
  // Pulls up to `max` bytes into `buf`. Returns the count, 0 at the end, -1 on a failure. Called on the
  // stream's thread whenever the socket can take more.
  using Reader = std::function<std::int64_t(std::uint8_t* buf, std::size_t max)>;

  static BodySource bytes(std::string data);
  static BodySource file(std::string path);  // opened by open(); a missing file fails the stream
  static BodySource reader(Reader fn);

  enum class Kind { None, Bytes, File, Reader } kind = Kind::None;
  std::string data;  // Bytes
  std::string path;  // File
  Reader fn;         // Reader
};

class HTTPReadStream : public std::enable_shared_from_this<HTTPReadStream> {
 public:
  using Client = std::function<void(ReadStreamEvent event)>;

  // A stream for `request`; its body, if any, is the message's in-memory body. What the stream adds to the
  // message's own header fields: "Host" (from the URL) unless the message has one, and "Content-Length"
  // when the message has none and there is a body or the method is POST, PUT or PATCH ("0"). A
  // "Content-Length" of the message that does not match its body fails the stream
  // (kNetworkRequestBodyStreamExhausted). Null for a null or non-request message.
  static std::shared_ptr<HTTPReadStream> create(std::shared_ptr<HTTPMessage> request);
  // A stream whose request body comes from `body` (the message's own body is ignored).
  static std::shared_ptr<HTTPReadStream> createForStreamedRequest(std::shared_ptr<HTTPMessage> request,
                                                                  BodySource body);
  ~HTTPReadStream();

  // --- properties: set before open() ---
  void setSSLSettings(SSLSettings settings);
  void setProxy(ProxySettings proxy);
  // Who looks up the host (the proxy's when there is one); null puts the system's resolver back.
  void setHostResolver(std::shared_ptr<const HostResolver> resolver);
  // The "Proxy-Authorization" value sent on the CONNECT that opens the tunnel of an https request through
  // an HTTP proxy ("" = none; nothing else uses it). False (and nothing set) for a value holding CR, LF or
  // NUL. A "Proxy-Authorization" field of the message itself is never sent through such a tunnel: only the
  // proxy may see the proxy's credentials.
  bool setTunnelProxyAuthorization(std::string value);
  void setAttemptPersistentConnection(bool on);
  void setStreamID(std::int64_t id);  // the connection id shared by streams (0 when never set)
  std::int64_t streamID() const;
  bool attemptsPersistentConnection() const;

  // --- client and run loop ---
  // Registers (or, with a null fn / mask 0, removes) the callback for the events in `eventMask`.
  void setClient(unsigned eventMask, Client fn);
  // Schedules the stream on `loop` (the calling thread's loop) in `mode` (rl::kDefaultMode,
  // rl::kCommonModes, rl::kHTTPRequestMode, ...). A stream is scheduled in one place at a time: a second
  // call moves it.
  void scheduleInRunLoop(rl::RunLoop& loop, std::string mode);
  void unscheduleFromRunLoop(rl::RunLoop& loop, const std::string& mode);
  bool isScheduled() const;

  // --- stream ---
  // Starts the exchange: takes a pooled connection or starts the name lookup. False (and nothing started)
  // when the stream was opened before, or the URL has no host or a scheme other than http/https; error()
  // then says why. Everything that fails later is reported through kEventErrorOccurred.
  bool open();
  // Reads up to `max` decoded body bytes. Returns the count, 0 when nothing is waiting (or at the end),
  // -1 after an error.
  std::int64_t read(std::uint8_t* buf, std::size_t max);
  bool hasBytesAvailable() const;
  // Ends the stream: no more events; the client callback is released. The connection is closed, unless the
  // response ended cleanly and the connection went back to the pool and was taken by another stream since
  // (see above). May be called from the client callback.
  void close();
  StreamStatus status() const;
  std::optional<StreamError> error() const;

  // --- response ---
  // The response head once it is complete (status line and headers), else null. The final response
  // (after interim 1xx ones).
  std::shared_ptr<const HTTPMessage> copyResponseHeader() const;
  // Request body bytes written to the connection so far (not counting the head or chunk framing).
  std::uint64_t requestBytesWritten() const;
  // Bytes of the response received from the connection so far, head and body as they came (0 until the
  // first byte of the response has arrived).
  std::uint64_t responseBytesReceived() const;
  // True when this stream runs on a connection that an earlier stream had kept alive.
  bool isReusedConnection() const;
  // A process-wide serial number of the connection this stream uses (0 before it has one): equal numbers
  // mean one TCP connection.
  std::uint64_t connectionSerial() const;

  struct Impl;

 private:
  HTTPReadStream();
  std::unique_ptr<Impl> impl_;
};

}  // namespace net
