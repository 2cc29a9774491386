#include "platform/net/URLConnection.h"

#include <cstdint>

#include "platform/net/HTTPReadStream.h"
#include "platform/net/ProxyConfig.h"
#include "platform/runloop/BlockingCall.h"
#include "platform/runloop/RunLoop.h"

namespace net {

URLResponse URLConnection::sendSynchronousRequest(const std::shared_ptr<HTTPMessage>& request,
                                                  double timeoutSeconds) {
  rl::assertBlockingAllowed("a synchronous request (net::URLConnection::sendSynchronousRequest)");
  URLResponse response;
  auto stream = request ? HTTPReadStream::create(request) : nullptr;
  if (!stream) {
    response.error = StreamError::network(kNetworkBadURL, "the request is not an HTTP request");
    return response;
  }
  if (auto proxies = proxiesForURL(request->requestURL()); proxies && !proxies->empty()) {
    stream->setProxy(proxies->front());
  }

  bool done = false;
  auto readBody = [&] {
    std::uint8_t buf[16384];
    for (;;) {
      const std::int64_t n = stream->read(buf, sizeof buf);
      if (n <= 0) break;
      response.data.append(reinterpret_cast<const char*>(buf), static_cast<std::size_t>(n));
      if (response.data.size() > kMaxResponseBytes) {
        response.error = StreamError::network(kNetworkCannotParseResponse, "the response is too large");
        done = true;
        return;
      }
    }
  };
  stream->setClient(kEventHasBytesAvailable | kEventErrorOccurred | kEventEndEncountered,
                    [&](ReadStreamEvent event) {
                      if (done) return;
                      if (event == kEventErrorOccurred) {
                        response.error = stream->error();
                        if (!response.error)
                          response.error = StreamError::network(kNetworkConnectionLost, "");
                        done = true;
                        return;
                      }
                      readBody();
                      if (event == kEventEndEncountered) done = true;
                    });
  rl::RunLoop& loop = rl::RunLoop::current();
  stream->scheduleInRunLoop(loop, kRunLoopMode);
  if (!stream->open()) {
    response.error = stream->error();
    if (!response.error) response.error = StreamError::network(kNetworkBadURL, "the request cannot be sent");
    stream->close();
    return response;
  }
  if (!loop.runUntil([&] { return done; }, timeoutSeconds, kRunLoopMode, 0.25) && !response.error) {
    response.error = StreamError::network(-1001, "the request timed out");
  }
  if (auto head = stream->copyResponseHeader()) {
    response.head = head;
    response.statusCode = head->statusCode();
  }
  stream->setClient(0, nullptr);
  stream->close();
  return response;
}

}  // namespace net
