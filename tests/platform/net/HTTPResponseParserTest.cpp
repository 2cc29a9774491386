#include "platform/net/HTTPResponseParser.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using net::HTTPResponseParser;
using State = HTTPResponseParser::State;

struct Parsed {
  State state;
  std::string body;
  int status = 0;
  std::size_t used = 0;
  std::string error;
  bool truncated = false;
  std::shared_ptr<net::HTTPMessage> head;
  bool keepAlive = false;
};

// Feeds the input whole, or one byte at a time; optionally ends the input (the peer closed).
Parsed parse(const std::string& in, bool finish, bool byteByByte, bool head = false) {
  HTTPResponseParser p(head);
  Parsed r;
  if (byteByByte) {
    for (char c : in) {
      if (p.state() == State::Done || p.state() == State::Error) break;
      r.used += p.feed(std::string_view(&c, 1), r.body);
    }
  } else {
    r.used = p.feed(in, r.body);
  }
  if (finish) p.finish();
  r.state = p.state();
  r.error = p.error();
  r.truncated = p.truncated();
  if (p.isHeadComplete()) {
    r.head = p.response();
    r.status = r.head->statusCode();
  }
  r.keepAlive = p.allowsKeepAlive();
  return r;
}

struct Case {
  const char* name;
  std::string input;
  bool finish;
  State state;
  int status;
  std::string body;
};

const std::string kChunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";

TEST(HTTPResponseParser, AcceptsAndRefusesResponses) {
  const Case cases[] = {
      {"Content-Length body", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello", false, State::Done, 200,
       "hello"},
      {"empty reason phrase", "HTTP/1.1 200\r\nContent-Length: 0\r\n\r\n", false, State::Done, 200, ""},
      {"bare LF line ends", "HTTP/1.0 404 Not Found\nContent-Length: 2\n\nno", false, State::Done, 404, "no"},
      {"chunked with extensions and trailers",
       kChunked + "5;name=value\r\nhello\r\n6 ; flag\r\n world\r\n0\r\nX-Trailer: 1\r\nX-Other: two\r\n\r\n",
       false, State::Done, 200, "hello world"},
      {"chunked, upper-case hex", kChunked + "A\r\n0123456789\r\n0\r\n\r\n", false, State::Done, 200,
       "0123456789"},
      {"chunked + Content-Length: chunked wins",
       "HTTP/1.1 200 OK\r\nContent-Length: 99\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nok\r\n0\r\n\r\n",
       false, State::Done, 200, "ok"},
      {"close-delimited body ends with the connection", "HTTP/1.1 200 OK\r\n\r\nuntil close", true,
       State::Done, 200, "until close"},
      {"interim responses skipped",
       "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 103 Early\r\nLink: x\r\n\r\n"
       "HTTP/1.1 201 Created\r\nContent-Length: 1\r\n\r\nx",
       false, State::Done, 201, "x"},
      {"204 has no body", "HTTP/1.1 204 No Content\r\nContent-Length: 5\r\n\r\n", false, State::Done, 204,
       ""},
      {"304 has no body", "HTTP/1.1 304 Not Modified\r\n\r\n", false, State::Done, 304, ""},
      {"same Content-Length twice", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 2\r\n\r\nab",
       false, State::Done, 200, "ab"},
      {"identity transfer coding",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: identity\r\nContent-Length: 1\r\n\r\nz", false, State::Done,
       200, "z"},
      {"obs-text in values", "HTTP/1.1 200 OK\r\nX-Name: caf\xc3\xa9\r\nContent-Length: 0\r\n\r\n", false,
       State::Done, 200, ""},

      {"bad chunk size", kChunked + "zz\r\nhello\r\n0\r\n\r\n", false, State::Error, 200, ""},
      {"chunk size followed by junk", kChunked + "5x\r\nhello\r\n0\r\n\r\n", false, State::Error, 200, ""},
      {"empty chunk size line", kChunked + "\r\nhello\r\n", false, State::Error, 200, ""},
      {"negative chunk size", kChunked + "-5\r\nhello\r\n", false, State::Error, 200, ""},
      {"chunk size with 16 hex digits", kChunked + "1000000000000000\r\n", false, State::Error, 200, ""},
      {"chunk data longer than its size", kChunked + "5\r\nhelloXX\r\n0\r\n\r\n", false, State::Error, 200,
       "hello"},
      {"folded trailer", kChunked + "0\r\nX-A: 1\r\n  more\r\n\r\n", false, State::Error, 200, ""},
      {"chunked cut off", kChunked + "5\r\nhel", true, State::Error, 200, "hel"},
      {"Content-Length and a short body", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nshort", true,
       State::Error, 200, "short"},
      {"head cut off", "HTTP/1.1 200 OK\r\nContent-", true, State::Error, 0, ""},
      {"nothing at all", "", true, State::Error, 0, ""},
      {"folded header line", "HTTP/1.1 200 OK\r\nX-A: 1\r\n continued\r\nContent-Length: 0\r\n\r\n", false,
       State::Error, 0, ""},
      {"space before the colon", "HTTP/1.1 200 OK\r\nX-A : 1\r\n\r\n", false, State::Error, 0, ""},
      {"header without colon", "HTTP/1.1 200 OK\r\nnot a header\r\n\r\n", false, State::Error, 0, ""},
      {"bare CR", "HTTP/1.1 200 OK\r\nX-A: 1\rX-B: 2\r\n\r\n", false, State::Error, 0, ""},
      {"NUL in a value", std::string("HTTP/1.1 200 OK\r\nX-A: a\0b\r\n\r\n", 29), false, State::Error, 0, ""},
      {"control byte in a value", "HTTP/1.1 200 OK\r\nX-A: a\x01\r\n\r\n", false, State::Error, 0, ""},
      {"conflicting Content-Length", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 3\r\n\r\nabc",
       false, State::Error, 0, ""},
      {"Content-Length list that disagrees", "HTTP/1.1 200 OK\r\nContent-Length: 2, 3\r\n\r\nabc", false,
       State::Error, 0, ""},
      {"Content-Length not a number", "HTTP/1.1 200 OK\r\nContent-Length: 1e3\r\n\r\n", false, State::Error,
       0, ""},
      {"Content-Length too big", "HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999\r\n\r\n", false,
       State::Error, 0, ""},
      {"negative Content-Length", "HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n", false, State::Error, 0,
       ""},
      {"unsupported transfer coding", "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip\r\n\r\n", false,
       State::Error, 0, ""},
      {"chunked not last", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked, gzip\r\n\r\n", false, State::Error,
       0, ""},
      {"HTTP/2 status line", "HTTP/2 200 OK\r\n\r\n", false, State::Error, 0, ""},
      {"two-digit status", "HTTP/1.1 20 OK\r\n\r\n", false, State::Error, 0, ""},
      {"no space after the code", "HTTP/1.1 200OK\r\n\r\n", false, State::Error, 0, ""},
      {"status below 100", "HTTP/1.1 099 Odd\r\n\r\n", false, State::Error, 0, ""},
      {"not HTTP", "ICY 200 OK\r\n\r\n", false, State::Error, 0, ""},
      {"leading garbage", "\r\nHTTP/1.1 200 OK\r\n\r\n", false, State::Error, 0, ""},
      {"protocol switch", "HTTP/1.1 101 Switching Protocols\r\nUpgrade: x\r\n\r\n", false, State::Error, 0,
       ""},
  };
  for (const auto& c : cases) {
    for (bool bytewise : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (bytewise ? " (byte by byte)" : ""));
      Parsed r = parse(c.input, c.finish, bytewise);
      EXPECT_EQ(r.state, c.state) << r.error;
      if (c.state == State::Error) {
        EXPECT_FALSE(r.error.empty());
      }
      EXPECT_EQ(r.status, c.status);
      EXPECT_EQ(r.body, c.body);
    }
  }
}

TEST(HTTPResponseParser, HeadLimits) {
  std::string longLine =
      "HTTP/1.1 200 OK\r\nX-Big: " + std::string(HTTPResponseParser::kMaxLineBytes, 'a') + "\r\n\r\n";
  Parsed r = parse(longLine, false, false);
  EXPECT_EQ(r.state, State::Error);
  EXPECT_NE(r.error.find("line"), std::string::npos) << r.error;

  std::string manyLines = "HTTP/1.1 200 OK\r\n";
  while (manyLines.size() <= HTTPResponseParser::kMaxHeadBytes)
    manyLines += "X-Filler: " + std::string(1000, 'b') + "\r\n";
  manyLines += "\r\n";
  r = parse(manyLines, false, false);
  EXPECT_EQ(r.state, State::Error);
  EXPECT_NE(r.error.find("head"), std::string::npos) << r.error;

  std::string manyFields = "HTTP/1.1 200 OK\r\n";
  for (std::size_t i = 0; i <= HTTPResponseParser::kMaxHeaderCount; ++i) manyFields += "A: 1\r\n";
  manyFields += "\r\n";
  EXPECT_EQ(parse(manyFields, false, false).state, State::Error);

  std::string interims;
  for (std::size_t i = 0; i <= HTTPResponseParser::kMaxInterimResponses; ++i)
    interims += "HTTP/1.1 100 Continue\r\n\r\n";
  EXPECT_EQ(parse(interims, false, false).state, State::Error);

  // A long body is not a long head.
  std::string bigBody(200000, 'x');
  r = parse("HTTP/1.1 200 OK\r\nContent-Length: 200000\r\n\r\n" + bigBody, false, false);
  EXPECT_EQ(r.state, State::Done);
  EXPECT_EQ(r.body.size(), 200000u);
}

TEST(HTTPResponseParser, TruncationIsToldApartFromBadSyntax) {
  Parsed cut = parse("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", true, false);
  EXPECT_TRUE(cut.truncated);
  Parsed bad = parse("HTTP/1.1 200 OK\r\n bad\r\n\r\n", true, false);
  EXPECT_FALSE(bad.truncated);
}

TEST(HTTPResponseParser, StopsAtTheEndOfTheResponse) {
  std::string one = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
  Parsed r = parse(one + "HTTP/1.1 200 OK\r\n", false, false);
  EXPECT_EQ(r.state, State::Done);
  EXPECT_EQ(r.used, one.size());
  EXPECT_EQ(r.body, "ok");
}

TEST(HTTPResponseParser, HeadRequestHasNoBodyWhateverTheLength) {
  Parsed r = parse("HTTP/1.1 200 OK\r\nContent-Length: 500\r\n\r\n", false, false, /*head=*/true);
  EXPECT_EQ(r.state, State::Done);
  EXPECT_EQ(r.head->headerFieldValue("content-length"), "500");
  EXPECT_TRUE(r.keepAlive);
}

TEST(HTTPResponseParser, JoinsDuplicateHeadersAndTrimsValues) {
  Parsed r = parse(
      "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nX-A:   spaced \t\r\nset-cookie: b=2\r\nContent-Length: "
      "0\r\n\r\n",
      false, false);
  ASSERT_TRUE(r.head);
  EXPECT_EQ(r.head->headerFieldValue("Set-Cookie"), "a=1, b=2");
  EXPECT_EQ(r.head->headerFieldValue("x-a"), "spaced");
  EXPECT_EQ(r.head->headerLines().size(), 4u);
  EXPECT_EQ(r.head->statusLine(), "HTTP/1.1 200 OK");
}

struct KeepAliveCase {
  const char* name;
  std::string input;
  bool finish;
  bool keepAlive;
  double timeout;
};

TEST(HTTPResponseParser, DecidesWhetherTheConnectionMayCarryAnotherRequest) {
  const KeepAliveCase cases[] = {
      {"HTTP/1.1 default", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", false, true, -1},
      {"Connection: close", "HTTP/1.1 200 OK\r\nConnection: Close\r\nContent-Length: 0\r\n\r\n", false, false,
       -1},
      {"close among tokens", "HTTP/1.1 200 OK\r\nConnection: upgrade, close\r\nContent-Length: 0\r\n\r\n",
       false, false, -1},
      {"HTTP/1.0 default", "HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n", false, false, -1},
      {"HTTP/1.0 keep-alive",
       "HTTP/1.0 200 OK\r\nConnection: Keep-Alive\r\nKeep-Alive: timeout=15, max=100\r\n"
       "Content-Length: 0\r\n\r\n",
       false, true, 15},
      {"close-delimited", "HTTP/1.1 200 OK\r\n\r\nbody", true, false, -1},
      {"chunked", kChunked + "0\r\n\r\n", false, true, -1},
      {"chunked beside a length",
       "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n", false, false,
       -1},
      {"bad Keep-Alive timeout", "HTTP/1.1 200 OK\r\nKeep-Alive: timeout=abc\r\nContent-Length: 0\r\n\r\n",
       false, true, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HTTPResponseParser p;
    std::string body;
    p.feed(c.input, body);
    if (c.finish) p.finish();
    EXPECT_EQ(p.state(), State::Done);
    EXPECT_EQ(p.allowsKeepAlive(), c.keepAlive);
    EXPECT_EQ(p.keepAliveTimeout(), c.timeout);
  }
  HTTPResponseParser unfinished;
  std::string body;
  unfinished.feed("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nab", body);
  EXPECT_FALSE(unfinished.allowsKeepAlive());
}

}  // namespace
