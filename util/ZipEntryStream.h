#pragma once
// Internal to ZipWrapper: the traditional zip cipher (the "ZipCrypto" of the zip format note) and
// the readers of one entry's content. The system's minizip is built without the cipher, so
// enciphered entries are read raw and deciphered and inflated here, and written the same way.
// The cipher is weak; it exists for archives that use it, not as a protection.

#include <zlib.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

class ZipCipher {
 public:
  explicit ZipCipher(const std::string& password);
  std::uint8_t encipher(std::uint8_t plain);
  std::uint8_t decipher(std::uint8_t cipher);
  // The 12-byte header that starts an enciphered entry: 10 random bytes and the two high bytes of
  // the check value (the CRC of the content), enciphered.
  std::array<std::uint8_t, 12> header(std::uint32_t check);

 private:
  void update(std::uint8_t plain);
  std::uint8_t keyByte() const;
  std::uint32_t keys_[3];
};

// Reads the content of the current entry of an unzip handle.
class ZipEntryReader {
 public:
  virtual ~ZipEntryReader() = default;
  // Bytes read (> 0), 0 at the end, < 0 when the content is damaged.
  virtual int read(char* buffer, unsigned size) = 0;
  // Closes the entry; false when the content read fails its checksum or size.
  virtual bool close() = 0;

  // The reader of an entry opened with unzOpenCurrentFile (minizip inflates and checks).
  static std::unique_ptr<ZipEntryReader> plain(void* unzipFile);
  // Opens the current entry raw and deciphers it with the password; nullptr (entry closed) when it
  // cannot be opened, uses a method other than stored or deflated, or the password does not fit.
  static std::unique_ptr<ZipEntryReader> enciphered(void* unzipFile, const std::string& password,
                                                    std::uint32_t crc, std::uint64_t size,
                                                    std::uint8_t check);
};
