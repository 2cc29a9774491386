#pragma once
// A set of Unicode characters for the second JSON codec's scanners: the members are code points, so a
// set can hold multi-byte characters (U+2028 and the like) as well as ASCII bytes.

#include <bitset>
#include <set>
#include <string_view>

class AltCharacterSet {
 public:
  AltCharacterSet() = default;
  // The characters of a UTF-8 text (a malformed byte stands for itself as a code point below 256).
  static AltCharacterSet characterSetWithCharactersInString(std::string_view utf8);

  void addCharacter(char32_t c);
  bool characterIsMember(char32_t c) const;

 private:
  std::bitset<128> ascii_;
  std::set<char32_t> others_;
};
