#include "librarys/altjson/NSCharacterSet_Extensions.h"

const AltCharacterSet& NSCharacterSet_Extensions::linebreaksCharacterSet() {
  static const AltCharacterSet set = [] {
    AltCharacterSet s;
    for (char32_t c : {U'\n', U'\f', U'\r', U'\u0085', U'\u2028', U'\u2029'}) s.addCharacter(c);
    return s;
  }();
  return set;
}
