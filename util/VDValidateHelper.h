#pragma once
// Input checks of the account screens: mobile numbers, e-mail addresses and the characters of
// passwords and nick names, each a whole-text match.
// Digits are ASCII digits only: text with any non-ASCII character (a full-width digit, Chinese text)
// is refused, as is text that is not UTF-8.

#include <string_view>

// True for eleven digits with a mainland mobile prefix (13x, 15x, 147, 18x except 184, and the
// carriers' own prefix lists).
bool isMobileNumber(std::string_view text);
// True for local@domain.tld with a top-level part of 2 to 4 ASCII letters.
bool isValidateEmail(std::string_view text);
// True for 2 to 20 characters, each a Chinese character from U+4E00 to U+9FA5 ("一" to "龥"), an ASCII
// letter or an ASCII digit: the rule "^[一-龥A-Za-z0-9]{2,20}$" matched on characters (code points), so
// a Chinese character counts once. Anything else (a blank, punctuation, a full-width letter, text that
// is not UTF-8) is refused.
bool isValidateChar(std::string_view text);
