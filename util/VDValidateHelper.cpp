#include "util/VDValidateHelper.h"

#include "platform/core/Regex.h"
#include "platform/core/Text.h"

namespace {

// The patterns' own characters are all ASCII; a phone number or an address with any other character
// (a full-width digit, which "\d" would take) is refused before matching.
bool isAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

bool isMobileNumber(std::string_view text) {
  static const char* const kPatterns[] = {
      "^(1(([35][0-9])|(47)|[8][01236789]))\\d{8}$",     // mobile numbers in general
      "^1(34[0-8]|(3[5-9]|5[017-9]|8[278])\\d)\\d{7}$",  // first carrier's prefixes
      "^1(3[0-2]|5[256]|8[56])\\d{8}$",                  // second carrier's prefixes
      "^1((33|53|8[09])[0-9]|349)\\d{7}$",               // third carrier's prefixes
  };
  if (!isAscii(text)) return false;
  for (const char* pattern : kPatterns) {
    if (core::matchesWholeText(pattern, text)) return true;
  }
  return false;
}

bool isValidateEmail(std::string_view text) {
  return isAscii(text) && core::matchesWholeText("[A-Z0-9a-z._%+-]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,4}", text);
}

bool isValidateChar(std::string_view text) {
  if (!core::isValidUtf8(text)) return false;
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size();) {
    const char32_t c = core::nextCodePoint(text, i);
    const bool allowed = (c >= U'\u4E00' && c <= U'\u9FA5') || (c >= U'A' && c <= U'Z') ||
                         (c >= U'a' && c <= U'z') || (c >= U'0' && c <= U'9');
    if (!allowed || ++count > 20) return false;
  }
  return count >= 2;
}
