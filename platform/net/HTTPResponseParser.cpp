#include "platform/net/HTTPResponseParser.h"

#include <algorithm>
#include <vector>

namespace net {

namespace {

std::string_view trimOWS(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Field values and reason phrases: visible characters, spaces, tabs and bytes >= 0x80.
bool isFieldText(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char ch) {
    auto c = static_cast<unsigned char>(ch);
    return c == '\t' || (c >= 0x20 && c != 0x7f);
  });
}

std::vector<std::string_view> splitList(std::string_view s) {
  std::vector<std::string_view> out;
  while (true) {
    auto comma = s.find(',');
    auto item = trimOWS(s.substr(0, comma));
    if (!item.empty()) out.push_back(item);
    if (comma == std::string_view::npos) break;
    s.remove_prefix(comma + 1);
  }
  return out;
}

bool listHas(const std::optional<std::string>& value, std::string_view token) {
  if (!value) return false;
  auto items = splitList(*value);
  return std::any_of(items.begin(), items.end(),
                     [&](std::string_view t) { return equalsIgnoringCase(t, token); });
}

}  // namespace

HTTPResponseParser::HTTPResponseParser(bool requestWasHead) : requestWasHead_(requestWasHead) {
  head_ = std::make_shared<HTTPMessage>(false);
}

bool HTTPResponseParser::fail(std::string why) {
  state_ = State::Error;
  error_ = std::move(why);
  return false;
}

// Collects one line (across feeds) starting at data[pos]. `complete` tells whether its end was seen; the
// returned view (without CR LF) is valid until the next call.
bool HTTPResponseParser::takeLine(std::string_view data, std::size_t& pos, std::string_view& line,
                                  bool& complete) {
  auto nl = data.find('\n', pos);
  std::size_t end = nl == std::string_view::npos ? data.size() : nl;
  std::size_t take = end - pos;
  if (line_.size() + take > kMaxLineBytes) return fail("line too long");
  line_.append(data.substr(pos, take));
  std::size_t used = take + (nl == std::string_view::npos ? 0 : 1);
  if (state_ == State::Head || sub_ == Sub::Trailer) {
    headBytes_ += used;
    if (headBytes_ > kMaxHeadBytes) return fail("response head too long");
  }
  pos += used;
  complete = nl != std::string_view::npos;
  if (!complete) return true;
  std::string_view l = line_;
  if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
  if (l.find('\r') != std::string_view::npos) return fail("bare CR in a line");
  if (l.find('\0') != std::string_view::npos) return fail("NUL byte in a line");
  line = l;
  return true;
}

std::size_t HTTPResponseParser::feed(std::string_view data, std::string& body) {
  std::size_t pos = 0;
  if (!data.empty() && (state_ == State::Head || state_ == State::Body)) sawAnyByte_ = true;
  while (pos < data.size() && (state_ == State::Head || state_ == State::Body)) {
    switch (sub_) {
      case Sub::StatusLine:
      case Sub::HeaderLine:
      case Sub::ChunkSize:
      case Sub::ChunkDataEnd:
      case Sub::Trailer: {
        std::string_view line;
        bool complete = false;
        if (!takeLine(data, pos, line, complete)) return pos;
        if (!complete) return pos;
        bool ok = true;
        switch (sub_) {
          case Sub::StatusLine:
            ok = onStatusLine(line);
            break;
          case Sub::HeaderLine:
            ok = onHeaderLine(line);
            break;
          case Sub::ChunkSize:
            ok = onChunkSizeLine(line);
            break;
          case Sub::ChunkDataEnd:
            if (!line.empty())
              ok = fail("chunk data not followed by a line end");
            else
              sub_ = Sub::ChunkSize;
            break;
          case Sub::Trailer:
            if (line.empty()) {
              state_ = State::Done;
            } else if (line.front() == ' ' || line.front() == '\t') {
              ok = fail("folded trailer line");
            } else {
              auto colon = line.find(':');
              if (colon == std::string_view::npos || !HTTPMessage::isToken(line.substr(0, colon)) ||
                  !isFieldText(line.substr(colon + 1))) {
                ok = fail("bad trailer line");
              }
            }
            break;
          default:
            break;
        }
        line_.clear();
        if (!ok) return pos;
        break;
      }
      case Sub::BodyLength:
      case Sub::ChunkData: {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(remaining_, data.size() - pos));
        body.append(data.substr(pos, n));
        pos += n;
        remaining_ -= n;
        bodyDecoded_ += n;
        if (remaining_ == 0) {
          if (sub_ == Sub::BodyLength)
            state_ = State::Done;
          else
            sub_ = Sub::ChunkDataEnd;
        }
        break;
      }
      case Sub::Until: {
        std::size_t n = data.size() - pos;
        body.append(data.substr(pos));
        pos += n;
        bodyDecoded_ += n;
        break;
      }
    }
  }
  return pos;
}

bool HTTPResponseParser::onStatusLine(std::string_view line) {
  // HTTP/1.<d> SP <ddd> [SP reason]
  if (line.size() < 12 || line.substr(0, 7) != "HTTP/1." || !isDigit(line[7]) || line[8] != ' ') {
    return fail("bad status line");
  }
  if (!isDigit(line[9]) || !isDigit(line[10]) || !isDigit(line[11])) return fail("bad status code");
  int code = (line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0');
  if (code < 100) return fail("bad status code");
  std::string_view reason;
  if (line.size() > 12) {
    if (line[12] != ' ') return fail("bad status line");
    reason = line.substr(13);
    if (!isFieldText(reason)) return fail("bad reason phrase");
  }
  if (code == 101) return fail("unexpected protocol switch (101)");
  head_ = HTTPMessage::createResponse(code, line[7] == '0' ? "HTTP/1.0" : "HTTP/1.1", std::string(reason));
  headerCount_ = 0;
  sub_ = Sub::HeaderLine;
  return true;
}

bool HTTPResponseParser::onHeaderLine(std::string_view line) {
  if (line.empty()) return onHeadEnd();
  if (line.front() == ' ' || line.front() == '\t') return fail("folded header line");
  auto colon = line.find(':');
  if (colon == std::string_view::npos) return fail("header line without colon");
  std::string_view name = line.substr(0, colon);
  if (!HTTPMessage::isToken(name)) return fail("bad header name");
  std::string_view value = line.substr(colon + 1);
  if (!isFieldText(value)) return fail("bad header value");
  if (++headerCount_ > kMaxHeaderCount) return fail("too many header fields");
  head_->addResponseHeaderLine(std::string(name), std::string(trimOWS(value)));
  return true;
}

bool HTTPResponseParser::onHeadEnd() {
  int code = head_->statusCode();
  if (code >= 100 && code < 200) {
    // An interim answer ("100 Continue", "102 Processing", "103 Early Hints"): the real one follows.
    if (++interim_ > kMaxInterimResponses) return fail("too many interim responses");
    head_ = std::make_shared<HTTPMessage>(false);
    sub_ = Sub::StatusLine;
    return true;
  }
  // The head counts as complete only once its framing is known to be sound.
  if (requestWasHead_ || code == 204 || code == 304) {
    bodyKind_ = BodyKind::None;
    state_ = State::Done;
    head_->setHeaderComplete();
    return true;
  }
  bool chunked = false;
  if (auto te = head_->headerFieldValue("Transfer-Encoding")) {
    auto codings = splitList(*te);
    for (std::size_t i = 0; i < codings.size(); ++i) {
      if (equalsIgnoringCase(codings[i], "chunked")) {
        if (i + 1 != codings.size()) return fail("chunked is not the last transfer coding");
        chunked = true;
      } else if (!equalsIgnoringCase(codings[i], "identity")) {
        return fail("unsupported transfer coding");
      }
    }
  }
  if (chunked) {
    bodyKind_ = BodyKind::Chunked;
    state_ = State::Body;
    sub_ = Sub::ChunkSize;
    head_->setHeaderComplete();
    return true;
  }
  std::optional<std::uint64_t> length;
  for (const auto& [name, value] : head_->headerLines()) {
    if (!equalsIgnoringCase(name, "Content-Length")) continue;
    auto items = splitList(value);
    if (items.empty()) return fail("empty Content-Length");
    for (auto item : items) {
      if (item.size() > 18 || !std::all_of(item.begin(), item.end(), isDigit))
        return fail("bad Content-Length");
      std::uint64_t v = 0;
      for (char c : item) v = v * 10 + static_cast<std::uint64_t>(c - '0');
      if (length && *length != v) return fail("conflicting Content-Length values");
      length = v;
    }
  }
  if (length) {
    bodyKind_ = BodyKind::Length;
    contentLength_ = remaining_ = *length;
    if (remaining_ == 0) {
      state_ = State::Done;
    } else {
      state_ = State::Body;
      sub_ = Sub::BodyLength;
    }
    head_->setHeaderComplete();
    return true;
  }
  bodyKind_ = BodyKind::UntilClose;
  state_ = State::Body;
  sub_ = Sub::Until;
  head_->setHeaderComplete();
  return true;
}

bool HTTPResponseParser::onChunkSizeLine(std::string_view line) {
  std::size_t i = 0;
  std::uint64_t size = 0;
  while (i < line.size() && hexValue(line[i]) >= 0) {
    if (i == 15) return fail("chunk size too large");
    size = size * 16 + static_cast<std::uint64_t>(hexValue(line[i]));
    ++i;
  }
  if (i == 0) return fail("bad chunk size");
  std::string_view rest = trimOWS(line.substr(i));
  if (!rest.empty() && (rest.front() != ';' || !isFieldText(rest))) return fail("bad chunk size");
  if (size == 0) {
    sub_ = Sub::Trailer;
    headBytes_ = 0;  // the trailer gets a head's budget of its own
    return true;
  }
  remaining_ = size;
  sub_ = Sub::ChunkData;
  return true;
}

void HTTPResponseParser::finish() {
  if (state_ == State::Body && bodyKind_ == BodyKind::UntilClose) {
    state_ = State::Done;
    return;
  }
  if (state_ == State::Head || state_ == State::Body) {
    truncated_ = true;
    fail(sawAnyByte_ ? "connection closed before the response was complete"
                     : "connection closed without a response");
  }
}

bool HTTPResponseParser::allowsKeepAlive() const {
  if (state_ != State::Done || bodyKind_ == BodyKind::UntilClose) return false;
  auto connection = head_->headerFieldValue("Connection");
  if (listHas(connection, "close")) return false;
  // A length next to "chunked" is a framing conflict: never trust such a connection again.
  if (bodyKind_ == BodyKind::Chunked && head_->headerFieldValue("Content-Length")) return false;
  if (head_->version() == "HTTP/1.0") return listHas(connection, "keep-alive");
  return true;
}

double HTTPResponseParser::keepAliveTimeout() const {
  auto ka = head_ ? head_->headerFieldValue("Keep-Alive") : std::nullopt;
  if (!ka) return -1;
  for (auto item : splitList(*ka)) {
    auto eq = item.find('=');
    if (eq == std::string_view::npos || !equalsIgnoringCase(trimOWS(item.substr(0, eq)), "timeout")) continue;
    auto v = trimOWS(item.substr(eq + 1));
    if (v.empty() || v.size() > 9 || !std::all_of(v.begin(), v.end(), isDigit)) return -1;
    double t = 0;
    for (char c : v) t = t * 10 + (c - '0');
    return t;
  }
  return -1;
}

}  // namespace net
