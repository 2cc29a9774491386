// Arbitrary bytes as a gzip- or zlib-encoded response body, inflated as the HTTP client inflates one:
// whole (the body kept in memory), and in pieces as it arrives (the first input byte sets the piece
// size), both under a limit of 64 KiB.
//
// The two ways agree: the same bytes, or both fail, and past the limit both fail as too large; nothing
// longer than the limit is ever handed out. An inflated body deflates and inflates back to itself.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "librarys/http/DataCompressor.h"
#include "librarys/http/DataDecompressor.h"

namespace {

constexpr std::uint64_t kLimit = 64 << 10;  // small, so that many runs reach it

void fail(const char* what) {
  std::fprintf(stderr, "gzip_inflate_fuzzer: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = static_cast<std::size_t>(data[0]) * 16 + 1;
  const std::string_view body(reinterpret_cast<const char*>(data + 1), size - 1);

  core::Error error;
  bool tooLarge = false;
  const std::optional<std::string> whole = DataDecompressor::uncompressData(body, &error, kLimit, &tooLarge);
  if (whole && whole->size() > kLimit) fail("the one-shot inflation passed its limit");
  if (!whole && !body.empty() && error.code != 11) fail("an inflation failure without code 11");

  auto d = DataDecompressor::decompressor();
  d->setMaxOutputLength(kLimit);
  std::string pieces;
  bool piecesFailed = false;
  for (std::size_t at = 0; at < body.size() && !d->streamEnded(); at += piece) {
    core::Error e;
    auto out = d->uncompressBytes(body.substr(at, std::min(piece, body.size() - at)), &e);
    if (!out) {
      piecesFailed = true;
      break;
    }
    pieces += *out;
    if (pieces.size() > kLimit) fail("the inflation in pieces passed its limit");
  }
  if (tooLarge != d->outputLimitExceeded()) fail("one way found the body too large, the other not");
  if (whole) {
    if (piecesFailed || !d->streamEnded() || pieces != *whole) fail("whole and in pieces differ");
    if (!whole->empty()) {
      auto deflated = DataCompressor::compressData(*whole, nullptr);
      if (!deflated) fail("an inflated body does not deflate");
      auto back = DataDecompressor::uncompressData(*deflated, nullptr);
      if (!back || *back != *whole) fail("deflate and inflate do not round-trip");
    }
  } else if (!piecesFailed && d->streamEnded()) {
    fail("in pieces the body inflated, whole it failed");
  }
  return 0;
}
