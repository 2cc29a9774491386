#pragma once
// net::HTTPResponseParser: an incremental, strict and bounded parser of one HTTP/1.x response.
//
// Feed it the bytes read from the connection as they come; it builds the response head (an HTTPMessage)
// and hands out the body after transfer decoding. It never buffers more than its limits, never trusts a
// length it cannot represent, and stops at the first fault with a reason.
//
// What it accepts:
//   - a status line "HTTP/1.<digit> <3 digits>[ <reason>]"; lines end in CRLF or a bare LF;
//   - header lines "Name: value" (name an HTTP token, no space before the colon; value without control
//     bytes other than tab; surrounding spaces and tabs trimmed);
//   - interim responses 100-199 (except 101) are skipped whole, their headers included;
//   - the body: none for a HEAD request, 1xx, 204 and 304; chunked when the last transfer coding is
//     "chunked" (chunk extensions ignored, trailers read and dropped); else "Content-Length"; else the body
//     runs until the connection closes (finish() then ends it).
// What it refuses (state Error, error() says why):
//   folded header lines (starting with a space or tab), a bare CR, NUL bytes, a head longer than
//   kMaxHeadBytes, a line longer than kMaxLineBytes, more than kMaxHeaderCount fields, a bad status line,
//   status 101, a transfer coding other than chunked/identity, several different "Content-Length" values
//   or one that is not a decimal number below 2^63, a chunk size that is not hex, has more than 15 digits
//   or is followed by junk, a chunk not followed by its line end, and an end of input (finish()) in the
//   middle of the head, a chunk, or a body with a known length.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/net/HTTPMessage.h"

namespace net {

class HTTPResponseParser {
 public:
  static constexpr std::size_t kMaxHeadBytes = 64 * 1024;
  static constexpr std::size_t kMaxLineBytes = 16 * 1024;
  static constexpr std::size_t kMaxHeaderCount = 200;
  static constexpr std::size_t kMaxInterimResponses = 32;

  enum class State { Head, Body, Done, Error };
  enum class BodyKind { None, Length, Chunked, UntilClose };

  explicit HTTPResponseParser(bool requestWasHead = false);

  // Consumes bytes. Decoded body bytes are appended to `body`. Returns how many input bytes were used:
  // fewer than given only when the response ended (Done: the rest belongs to the next response, or is
  // junk) or on an error.
  std::size_t feed(std::string_view data, std::string& body);
  // The connection reached its end. Ends a close-delimited body (Done); anything else unfinished becomes
  // an Error (truncated()).
  void finish();

  State state() const { return state_; }
  bool isHeadComplete() const { return head_ && head_->isHeaderComplete(); }
  // The final response's head (after interim ones): valid once isHeadComplete().
  std::shared_ptr<HTTPMessage> response() const { return head_; }
  BodyKind bodyKind() const { return bodyKind_; }
  // "Content-Length" of the final response when the body is length-delimited.
  std::uint64_t contentLength() const { return contentLength_; }
  std::uint64_t bodyBytesDecoded() const { return bodyDecoded_; }
  // Any byte of a response (an interim one included) has been consumed.
  bool sawAnyByte() const { return sawAnyByte_; }
  // The error was an end of input before the response was whole (rather than bad syntax).
  bool truncated() const { return truncated_; }
  const std::string& error() const { return error_; }

  // The response lets the connection carry another request: HTTP/1.1 without "Connection: close", or
  // HTTP/1.0 with "Connection: keep-alive"; and the body was delimited (not until-close). Valid once Done.
  bool allowsKeepAlive() const;
  // "Keep-Alive: timeout=N" of the response, or -1.
  double keepAliveTimeout() const;

 private:
  enum class Sub { StatusLine, HeaderLine, BodyLength, ChunkSize, ChunkData, ChunkDataEnd, Trailer, Until };
  bool takeLine(std::string_view data, std::size_t& pos, std::string_view& line, bool& complete);
  bool fail(std::string why);
  bool onStatusLine(std::string_view line);
  bool onHeaderLine(std::string_view line);
  bool onHeadEnd();
  bool onChunkSizeLine(std::string_view line);

  bool requestWasHead_;
  State state_ = State::Head;
  Sub sub_ = Sub::StatusLine;
  BodyKind bodyKind_ = BodyKind::None;
  std::shared_ptr<HTTPMessage> head_;
  std::string line_;  // a line being collected across feeds
  std::size_t headBytes_ = 0;
  std::size_t headerCount_ = 0;
  std::size_t interim_ = 0;
  std::uint64_t contentLength_ = 0;
  std::uint64_t remaining_ = 0;
  std::uint64_t bodyDecoded_ = 0;
  bool sawAnyByte_ = false;
  bool truncated_ = false;
  std::string error_;
};

}  // namespace net
