#pragma once
// net::URLConnection: one HTTP exchange sent synchronously, the counterpart of the platform's synchronous
// URL request. For callers that do not use the application's HTTP client (the statistics component).
//
//   auto msg = net::HTTPMessage::createRequest("POST", *core::URL::parse("http://host/app_logs"));
//   msg->setHeaderFieldValue("Content-Type", "application/x-www-form-urlencoded");
//   msg->setBody(bytes);
//   net::URLResponse r = net::URLConnection::sendSynchronousRequest(msg);
//   if (r.error) ... else r.statusCode, r.data
//
// It runs on the calling thread: the request's stream is scheduled on the thread's own run loop in a mode
// of its own ("URLConnectionRunLoopMode"), which runs until the response has ended, failed, or the time-out
// has gone by (real time, whatever the loop's clock). Nothing else of that loop runs meanwhile. Call it
// off the main thread (a worker queue): it blocks.
//
// The proxy comes from the environment (http_proxy, no_proxy, ...; net::proxiesForURL); there is no
// proxy authentication, no redirect following, no cookie and no cache. TLS certificates are checked. The
// body is read whole into memory, up to kMaxResponseBytes (more fails the exchange).

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "platform/net/HTTPMessage.h"
#include "platform/net/StreamError.h"

namespace net {

struct URLResponse {
  int statusCode = 0;                       // 0 when no response head came
  std::shared_ptr<const HTTPMessage> head;  // the response head, when it came
  std::string data;                         // the body as received (after transfer decoding)
  std::optional<StreamError> error;         // why the exchange failed; none on success
};

class URLConnection {
 public:
  static constexpr double kDefaultTimeout = 60;                // seconds
  static constexpr std::size_t kMaxResponseBytes = 16u << 20;  // 16 MB
  static constexpr const char* kRunLoopMode = "URLConnectionRunLoopMode";

  // A blocking call (rl::assertBlockingAllowed): a worker's, never a running application's main thread.
  static URLResponse sendSynchronousRequest(const std::shared_ptr<HTTPMessage>& request,
                                            double timeoutSeconds = kDefaultTimeout);
};

}  // namespace net
