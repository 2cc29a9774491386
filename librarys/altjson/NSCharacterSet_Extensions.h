#pragma once
// Character sets the second JSON codec's scanners use beyond the ordinary ones.

#include "librarys/altjson/AltCharacterSet.h"

struct NSCharacterSet_Extensions {
  // Line feed, form feed, carriage return, U+0085 (next line), U+2028 (line separator) and U+2029
  // (paragraph separator).
  static const AltCharacterSet& linebreaksCharacterSet();
};
