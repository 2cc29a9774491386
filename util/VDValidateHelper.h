#pragma once
// Input checks of the account screens: mobile numbers and e-mail addresses, each a whole-text match.
// Digits are ASCII digits only: text with any non-ASCII character (a full-width digit, Chinese text)
// is refused, as is text that is not UTF-8.

#include <string_view>

// True for eleven digits with a mainland mobile prefix (13x, 15x, 147, 18x except 184, and the
// carriers' own prefix lists).
bool isMobileNumber(std::string_view text);
// True for local@domain.tld with a top-level part of 2 to 4 ASCII letters.
bool isValidateEmail(std::string_view text);
