#include "librarys/altjson/NSScanner_Extensions.h"

#include <algorithm>

#include "librarys/altjson/NSCharacterSet_Extensions.h"
#include "platform/core/Text.h"

NSScanner_Extensions::NSScanner_Extensions(std::string_view utf8) {
  std::size_t i = 0;
  while (i < utf8.size()) text_.push_back(core::nextCodePoint(utf8, i));
}

void NSScanner_Extensions::setScanLocation(std::size_t location) {
  location_ = std::min(location, text_.size());
}

std::string NSScanner_Extensions::toUtf8(std::u32string_view text) {
  std::string out;
  for (char32_t c : text) out += core::fromCodePoint(c);
  return out;
}

std::string NSScanner_Extensions::remainingString() const {
  return toUtf8(std::u32string_view(text_).substr(location_));
}

char32_t NSScanner_Extensions::currentCharacter() const { return isAtEnd() ? 0 : text_[location_]; }

char32_t NSScanner_Extensions::scanCharacter() { return isAtEnd() ? 0 : text_[location_++]; }

bool NSScanner_Extensions::scanCharacter(char32_t c) {
  if (isAtEnd() || text_[location_] != c) return false;
  ++location_;
  return true;
}

bool NSScanner_Extensions::backtrack(std::size_t count, core::Error* exception) {
  if (count > location_) {
    if (exception) *exception = core::Error(kExceptionDomain, 0, "Backtracked too far.");
    return false;
  }
  location_ -= count;
  return true;
}

bool NSScanner_Extensions::scanLiteral(std::u32string_view literal) {
  if (std::u32string_view(text_).substr(location_, literal.size()) != literal) return false;
  location_ += literal.size();
  return true;
}

bool NSScanner_Extensions::scanCStyleComment(std::string* comment, core::Error* exception) {
  const std::size_t start = location_;
  if (!scanLiteral(U"/*")) return false;
  auto fail = [&](const char* text) {
    location_ = start;
    if (exception) *exception = core::Error(kExceptionDomain, 0, text);
    return false;
  };
  const std::size_t end = text_.find(U"*/", location_);
  if (end == std::u32string::npos) return fail("Started to scan a C style comment but it wasn't terminated.");
  const std::u32string_view body = std::u32string_view(text_).substr(location_, end - location_);
  if (body.find(U"/*") != std::u32string_view::npos) return fail("C style comments should not be nested.");
  location_ = end;
  if (!scanLiteral(U"*/")) return fail("C style comment did not end correctly.");
  if (comment) *comment = toUtf8(body);
  return true;
}

bool NSScanner_Extensions::scanCPlusPlusStyleComment(std::string* comment) {
  if (!scanLiteral(U"//")) return false;
  const AltCharacterSet& breaks = NSCharacterSet_Extensions::linebreaksCharacterSet();
  const std::size_t bodyStart = location_;
  while (!isAtEnd() && !breaks.characterIsMember(text_[location_])) ++location_;
  const std::size_t bodyEnd = location_;
  while (!isAtEnd() && breaks.characterIsMember(text_[location_])) ++location_;
  if (comment) *comment = toUtf8(std::u32string_view(text_).substr(bodyStart, bodyEnd - bodyStart));
  return true;
}
