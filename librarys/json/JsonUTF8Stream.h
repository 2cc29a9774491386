#pragma once
// The bytes of a JSON text being read and the read position. Input may arrive in pieces: the bytes
// before the read position are dropped only when more bytes are appended, so a reader that finds a
// token cut off by the end of the buffer can put the position back and read the token again, whole,
// once the rest has arrived.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

class JsonUTF8Stream {
 public:
  JsonUTF8Stream();

  // Drops the bytes already read (those before index()), then appends the new ones.
  void appendData(const std::uint8_t* bytes, std::size_t length);
  // As appendData(), but when every byte so far has been read the new bytes are read where they are,
  // without a copy, until keepRemainder(): the caller keeps them alive until then.
  void borrowData(const std::uint8_t* bytes, std::size_t length);
  // Ends a borrowing: the bytes not yet read are copied into the stream's own buffer (the read
  // position moves to the first of them). Nothing happens when nothing is borrowed.
  void keepRemainder();

  // The byte at the read position; false at the end. The position does not move.
  bool getUnichar(std::uint8_t* ch) const {
    if (index_ >= length_) return false;
    *ch = bytes_[index_];
    return true;
  }
  // Advances by one (even when it then fails), then behaves as getUnichar().
  bool getNextUnichar(std::uint8_t* ch) {
    ++index_;
    return getUnichar(ch);
  }
  // Advances over plain string content: every byte that is not a control byte (below 0x20), not a
  // quotation mark and not a backslash. False when the buffer ends first (the position is then at the
  // end); otherwise the content bytes passed over, the position resting on the stop byte, and (when
  // `validUTF8` is given) whether those bytes are valid UTF-8 by the rules of isValidUTF8().
  bool getStringFragment(std::string_view* fragment, bool* validUTF8 = nullptr);
  void skip() { ++index_; }
  // Space, tab, line feed and carriage return; nothing else counts as white space.
  void skipWhitespace() {
    const std::size_t end = length_;
    while (index_ < end) {
      const std::uint8_t b = bytes_[index_];
      if (b != ' ' && b != '\t' && b != '\n' && b != '\r') break;
      ++index_;
    }
  }
  bool haveRemainingCharacters(std::size_t count) const {
    return index_ <= length_ && length_ - index_ >= count;
  }
  // Advances over `chars` when the bytes at the read position are exactly those; false otherwise.
  bool skipCharacters(const char* chars, std::size_t length);
  std::string_view stringWithRange(std::size_t start, std::size_t length) const;

  std::size_t index() const { return index_; }
  void setIndex(std::size_t index) { index_ = index; }
  std::size_t length() const { return length_; }

  // Strict UTF-8: no overlong forms, no surrogate code points, nothing above U+10FFFF.
  static bool isValidUTF8(std::string_view bytes);

 private:
  void refresh();

  std::vector<std::uint8_t> data_;  // the stream's own bytes
  // The bytes being read: data_'s, or a caller's while they are borrowed.
  const std::uint8_t* bytes_ = nullptr;
  std::size_t length_ = 0;
  bool borrowed_ = false;
  std::size_t index_ = 0;
};
