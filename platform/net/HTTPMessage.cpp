#include "platform/net/HTTPMessage.h"

#include <algorithm>

namespace net {

namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool isTokenChar(unsigned char c) {
  if (c >= '0' && c <= '9') return true;
  if ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') return true;
  switch (c) {
    case '!':
    case '#':
    case '$':
    case '%':
    case '&':
    case '\'':
    case '*':
    case '+':
    case '-':
    case '.':
    case '^':
    case '_':
    case '`':
    case '|':
    case '~':
      return true;
    default:
      return false;
  }
}

bool isSafeValue(std::string_view v) {
  return std::none_of(v.begin(), v.end(), [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
}

HeaderList::iterator findField(HeaderList& list, std::string_view name) {
  return std::find_if(list.begin(), list.end(),
                      [&](const auto& f) { return equalsIgnoringCase(f.first, name); });
}

}  // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

bool HTTPMessage::isToken(std::string_view s) {
  return !s.empty() &&
         std::all_of(s.begin(), s.end(), [](char c) { return isTokenChar(static_cast<unsigned char>(c)); });
}

std::shared_ptr<HTTPMessage> HTTPMessage::createRequest(std::string method, core::URL url,
                                                        std::string version) {
  if (!isToken(method)) return nullptr;
  if (version != "HTTP/1.1" && version != "HTTP/1.0") return nullptr;
  auto m = std::make_shared<HTTPMessage>(true);
  m->method_ = std::move(method);
  m->url_ = std::move(url);
  m->version_ = std::move(version);
  return m;
}

std::shared_ptr<HTTPMessage> HTTPMessage::createResponse(int statusCode, std::string version,
                                                         std::string reason) {
  auto m = std::make_shared<HTTPMessage>(false);
  m->statusCode_ = statusCode;
  m->version_ = std::move(version);
  m->reason_ = std::move(reason);
  return m;
}

bool HTTPMessage::setHeaderFieldValue(std::string_view name, std::string_view value) {
  if (!isToken(name) || !isSafeValue(value)) return false;
  auto it = findField(fields_, name);
  if (it != fields_.end()) {
    it->second = std::string(value);
  } else {
    fields_.emplace_back(std::string(name), std::string(value));
  }
  if (!isRequest_) {
    // Hand-made responses keep their lines in step with their fields.
    lines_.erase(std::remove_if(lines_.begin(), lines_.end(),
                                [&](const auto& f) { return equalsIgnoringCase(f.first, name); }),
                 lines_.end());
    lines_.emplace_back(std::string(name), std::string(value));
  }
  return true;
}

void HTTPMessage::removeHeaderField(std::string_view name) {
  auto pred = [&](const auto& f) { return equalsIgnoringCase(f.first, name); };
  fields_.erase(std::remove_if(fields_.begin(), fields_.end(), pred), fields_.end());
  lines_.erase(std::remove_if(lines_.begin(), lines_.end(), pred), lines_.end());
}

std::optional<std::string> HTTPMessage::headerFieldValue(std::string_view name) const {
  for (const auto& f : fields_) {
    if (equalsIgnoringCase(f.first, name)) return f.second;
  }
  return std::nullopt;
}

core::Value HTTPMessage::copyAllHeaderFields() const {
  core::Value dict = core::Value::newDictionary();
  for (const auto& f : fields_) dict.set(f.first, core::Value(f.second));
  return dict;
}

std::string HTTPMessage::statusLine() const {
  std::string line = version_ + " " + std::to_string(statusCode_);
  if (!reason_.empty()) line += " " + reason_;
  return line;
}

void HTTPMessage::addResponseHeaderLine(std::string name, std::string value) {
  auto it = findField(fields_, name);
  if (it != fields_.end()) {
    if (it->second.empty()) {
      it->second = value;
    } else if (!value.empty()) {
      it->second += ", " + value;
    }
  } else {
    fields_.emplace_back(name, value);
  }
  lines_.emplace_back(std::move(name), std::move(value));
}

std::string HTTPMessage::serializeHead(bool absoluteForm, const HeaderList& extraFields) const {
  std::string out;
  out.reserve(256);
  out += method_;
  out += ' ';
  if (absoluteForm) {
    core::URL target = url_;
    target.fragment.reset();
    target.user.clear();
    out += target.toString();
  } else {
    out += url_.requestTarget();
  }
  out += ' ';
  out += version_;
  out += "\r\n";
  if (!headerFieldValue("Host")) {
    out += "Host: ";
    out += url_.hostAndPort();
    out += "\r\n";
  }
  auto put = [&out](const std::string& name, const std::string& value) {
    if (!isToken(name) || !isSafeValue(value)) return;  // never reached through setHeaderFieldValue
    out += name;
    out += ": ";
    out += value;
    out += "\r\n";
  };
  for (const auto& f : fields_) put(f.first, f.second);
  for (const auto& f : extraFields) put(f.first, f.second);
  out += "\r\n";
  return out;
}

}  // namespace net
