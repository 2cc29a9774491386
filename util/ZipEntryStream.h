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

// Reads the content of the current entry of an unzip handle, opened raw: deciphered (for an enciphered
// entry) and inflated (for a deflated one) here, and held to what the archive declares for the entry. A
// read fails (< 0) as soon as the content would run past the declared size, when the compressed data
// is damaged, and when it ends before the deflate stream does; so no entry ever yields more bytes than
// it declares, whatever its compressed data holds. close() then also checks the size and the checksum.
class ZipEntryReader {
 public:
  ~ZipEntryReader();
  ZipEntryReader(const ZipEntryReader&) = delete;
  ZipEntryReader& operator=(const ZipEntryReader&) = delete;

  // Takes over the current entry of `unzipFile`, opened with unzOpenCurrentFile2(..., raw = 1) and
  // using `method` (0 stored, 8 deflated). `crc` and `size` are the declared checksum and uncompressed
  // size. An enciphered entry needs `password` (its check byte is `check`). nullptr, with the entry
  // closed, for another method, an enciphered entry without a password, or a password that does not fit.
  static std::unique_ptr<ZipEntryReader> open(void* unzipFile, int method, std::uint32_t crc,
                                              std::uint64_t size, const std::string* password,
                                              std::uint8_t check);

  // Bytes read (> 0), 0 at the end, < 0 when the content is damaged or longer than declared.
  int read(char* buffer, unsigned size);
  // Closes the entry; false when the content read was damaged, or its size or checksum is not the
  // declared one.
  bool close();

 private:
  ZipEntryReader(void* unzipFile, int method, std::uint32_t crc, std::uint64_t size);
  bool start(const std::string* password, std::uint8_t check);
  int readRaw(unsigned char* buffer, unsigned size);  // compressed bytes, deciphered
  int readStored(char* buffer, unsigned size);
  int inflateInto(char* buffer, unsigned size);
  int fail();

  void* uf_;
  int method_;
  std::unique_ptr<ZipCipher> cipher_;
  std::uint32_t expectedCrc_;
  std::uint64_t expectedSize_;
  std::uint32_t crc_ = 0;
  std::uint64_t total_ = 0;
  bool finished_ = false;
  bool failed_ = false;
  bool closed_ = false;
  bool inflating_ = false;
  z_stream stream_{};
  unsigned char input_[4096];
};
