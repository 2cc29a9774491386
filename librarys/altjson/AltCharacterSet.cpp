#include "librarys/altjson/AltCharacterSet.h"

#include "platform/core/Text.h"

AltCharacterSet AltCharacterSet::characterSetWithCharactersInString(std::string_view utf8) {
  AltCharacterSet set;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const std::size_t start = i;
    char32_t c = core::nextCodePoint(utf8, i);
    if (c == 0xFFFD && i - start == 1) c = static_cast<unsigned char>(utf8[start]);
    set.addCharacter(c);
  }
  return set;
}

void AltCharacterSet::addCharacter(char32_t c) {
  if (c < 128) {
    ascii_.set(c);
  } else {
    others_.insert(c);
  }
}

bool AltCharacterSet::characterIsMember(char32_t c) const {
  return c < 128 ? ascii_.test(c) : others_.count(c) != 0;
}
