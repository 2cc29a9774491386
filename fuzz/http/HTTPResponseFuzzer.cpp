// Arbitrary bytes as an HTTP response, fed to the response parser in pieces.
//
// The first input byte chooses the request kind (bit 0: HEAD) and the piece size (the rest); the parser
// must never read out of bounds, never use more than it was given, must end in a state that agrees with
// what it produced, and must give the same result whether fed whole or in pieces.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/net/HTTPResponseParser.h"

namespace {

struct Result {
  net::HTTPResponseParser::State state;
  std::string body;
  std::size_t used = 0;
  int status = 0;
  std::size_t headerLines = 0;
};

Result run(std::string_view in, bool head, std::size_t piece, bool finish) {
  net::HTTPResponseParser p(head);
  Result r;
  std::size_t pos = 0;
  while (pos < in.size()) {
    auto st = p.state();
    if (st == net::HTTPResponseParser::State::Done || st == net::HTTPResponseParser::State::Error) break;
    std::size_t n = std::min(piece, in.size() - pos);
    std::size_t used = p.feed(in.substr(pos, n), r.body);
    if (used > n) std::abort();
    r.used += used;
    pos += n;
    if (used < n) break;  // the parser stopped: Done or Error
  }
  if (finish) p.finish();
  r.state = p.state();
  if (r.body.size() != p.bodyBytesDecoded()) std::abort();
  if (p.isHeadComplete()) {
    r.status = p.response()->statusCode();
    r.headerLines = p.response()->headerLines().size();
    if (r.status < 100 || r.status > 999 || (r.status < 200 && r.status != 0)) std::abort();
    if (p.response()->headerLines().size() > net::HTTPResponseParser::kMaxHeaderCount) std::abort();
  }
  if (r.state == net::HTTPResponseParser::State::Done) {
    if (!p.isHeadComplete()) std::abort();
    if (p.bodyKind() == net::HTTPResponseParser::BodyKind::Length && r.body.size() != p.contentLength())
      std::abort();
    if (p.bodyKind() == net::HTTPResponseParser::BodyKind::None && !r.body.empty()) std::abort();
    (void)p.allowsKeepAlive();
    (void)p.keepAliveTimeout();
  }
  if (r.state == net::HTTPResponseParser::State::Error && p.error().empty()) std::abort();
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  bool head = data[0] & 1;
  std::size_t piece = (data[0] >> 1) + 1;
  std::string_view in(reinterpret_cast<const char*>(data + 1), size - 1);
  bool finish = (data[0] & 0x80) != 0;
  Result whole = run(in, head, in.size() + 1, finish);
  Result pieces = run(in, head, piece, finish);
  if (whole.state != pieces.state || whole.body != pieces.body || whole.status != pieces.status ||
      whole.headerLines != pieces.headerLines) {
    std::abort();
  }
  if (whole.state == net::HTTPResponseParser::State::Done && whole.used != pieces.used) std::abort();
  return 0;
}
