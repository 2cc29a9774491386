#pragma once
// net::HTTPMessage: one HTTP request or response head (and, for a request, an optional in-memory body).
//
// A request is made with createRequest(method, url) and filled with setHeaderFieldValue() and setBody();
// an HTTPReadStream sends it. A response message is made by the stream's parser and handed out by
// HTTPReadStream::copyResponseHeader() once its head is complete.
//
// Header names are matched without regard to case. Setting a header that is already present replaces its
// value in place (the first spelling of the name is kept); an empty value is sent as an empty value
// ("Name: "). removeHeaderField() takes a header out.
//
// Responses: a header that occurs several times is read as one field whose values are joined with ", "
// in the order they arrived (the first spelling of the name is kept); headerLines() still has every line
// as received, for fields that cannot be joined safely ("Set-Cookie", whose dates hold commas).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/core/URL.h"
#include "platform/core/Value.h"

namespace net {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

class HTTPMessage {
 public:
  // A request for `url` (scheme http or https, with a host). `version` is "HTTP/1.1" or "HTTP/1.0".
  // Null when the method is not an HTTP token (letters, digits, !#$%&'*+-.^_`|~) or the version is
  // neither of the two.
  static std::shared_ptr<HTTPMessage> createRequest(std::string method, core::URL url,
                                                    std::string version = "HTTP/1.1");
  // An empty response (used by the parser; tests may fill one in by hand).
  static std::shared_ptr<HTTPMessage> createResponse(int statusCode, std::string version = "HTTP/1.1",
                                                     std::string reason = "");

  bool isRequest() const { return isRequest_; }

  // --- request side ---
  const std::string& requestMethod() const { return method_; }
  const core::URL& requestURL() const { return url_; }

  // --- both ---
  const std::string& version() const { return version_; }  // "HTTP/1.1", "HTTP/1.0"

  // False (and nothing set) when the name is not an HTTP token or the value holds CR, LF or NUL: a header
  // text can never smuggle a second header or a second request onto the connection.
  bool setHeaderFieldValue(std::string_view name, std::string_view value);
  void removeHeaderField(std::string_view name);
  std::optional<std::string> headerFieldValue(std::string_view name) const;  // joined value for responses
  // Every field once, in order of first appearance, duplicates joined with ", ".
  const HeaderList& allHeaderFields() const { return fields_; }
  // The same as a dictionary of strings (insertion order kept): what a client keeps as its response
  // headers. Lookups in a core::Value dictionary are case-sensitive; use headerFieldValue() when the
  // spelling is unknown.
  core::Value copyAllHeaderFields() const;
  // Responses: every header line as received (name, value), duplicates not joined. Requests: same as
  // allHeaderFields().
  const HeaderList& headerLines() const { return isRequest_ ? fields_ : lines_; }

  // In-memory request body (for a body from a file or a pull callback see HTTPReadStream::BodySource).
  void setBody(std::string bytes) { body_ = std::move(bytes); }
  const std::string& body() const { return body_; }

  // --- response side ---
  int statusCode() const { return statusCode_; }
  const std::string& reasonPhrase() const { return reason_; }
  // The whole status line without its line end: "HTTP/1.1 200 OK".
  std::string statusLine() const;
  bool isHeaderComplete() const { return headerComplete_; }

  // The request head as sent: request line, then "Host" (from the URL unless the message sets its own),
  // then the fields in order, then an empty line. `absoluteForm` writes the request target as the whole
  // URL (a request to an HTTP proxy). `extraFields` are appended after the message's own (the stream adds
  // "Content-Length" or "Transfer-Encoding" there when the message does not carry them).
  std::string serializeHead(bool absoluteForm = false, const HeaderList& extraFields = {}) const;

  // Used by the response parser.
  void addResponseHeaderLine(std::string name, std::string value);
  void setHeaderComplete() { headerComplete_ = true; }

  HTTPMessage(bool isRequest) : isRequest_(isRequest) {}  // use the factories

  static bool isToken(std::string_view s);

 private:
  bool isRequest_;
  std::string method_;
  core::URL url_;
  std::string version_ = "HTTP/1.1";
  HeaderList fields_;
  HeaderList lines_;
  std::string body_;
  int statusCode_ = 0;
  std::string reason_;
  bool headerComplete_ = false;
};

// Case-insensitive ASCII comparison of header names and tokens.
bool equalsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace net
