#include "util/ZipEntryStream.h"

#include <unzip.h>

#include <algorithm>
#include <random>

namespace {

std::uint32_t crcByte(std::uint32_t crc, std::uint8_t b) {
  static const z_crc_t* table = get_crc_table();
  return table[(crc ^ b) & 0xFF] ^ (crc >> 8);
}

}  // namespace

ZipCipher::ZipCipher(const std::string& password) : keys_{0x12345678u, 0x23456789u, 0x34567890u} {
  for (char c : password) update(static_cast<std::uint8_t>(c));
}

void ZipCipher::update(std::uint8_t plain) {
  keys_[0] = crcByte(keys_[0], plain);
  keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813u + 1;
  keys_[2] = crcByte(keys_[2], static_cast<std::uint8_t>(keys_[1] >> 24));
}

std::uint8_t ZipCipher::keyByte() const {
  std::uint32_t t = (keys_[2] & 0xFFFF) | 2;
  return static_cast<std::uint8_t>((t * (t ^ 1)) >> 8);
}

std::uint8_t ZipCipher::encipher(std::uint8_t plain) {
  std::uint8_t c = plain ^ keyByte();
  update(plain);
  return c;
}

std::uint8_t ZipCipher::decipher(std::uint8_t cipher) {
  std::uint8_t p = cipher ^ keyByte();
  update(p);
  return p;
}

std::array<std::uint8_t, 12> ZipCipher::header(std::uint32_t check) {
  std::array<std::uint8_t, 12> h{};
  std::random_device random;
  for (std::size_t i = 0; i < 10; ++i) h[i] = static_cast<std::uint8_t>(random());
  h[10] = static_cast<std::uint8_t>(check >> 16);
  h[11] = static_cast<std::uint8_t>(check >> 24);
  for (auto& b : h) b = encipher(b);
  return h;
}

ZipEntryReader::ZipEntryReader(void* unzipFile, int method, std::uint32_t crc, std::uint64_t size)
    : uf_(unzipFile), method_(method), expectedCrc_(crc), expectedSize_(size) {}

ZipEntryReader::~ZipEntryReader() {
  if (inflating_) inflateEnd(&stream_);
  if (!closed_) unzCloseCurrentFile(static_cast<unzFile>(uf_));
}

std::unique_ptr<ZipEntryReader> ZipEntryReader::open(void* unzipFile, int method, std::uint32_t crc,
                                                     std::uint64_t size, const std::string* password,
                                                     std::uint8_t check) {
  std::unique_ptr<ZipEntryReader> reader(new ZipEntryReader(unzipFile, method, crc, size));
  if ((method != 0 && method != Z_DEFLATED) || !reader->start(password, check)) return nullptr;
  return reader;
}

bool ZipEntryReader::start(const std::string* password, std::uint8_t check) {
  if (password) {
    // An enciphered entry starts with 12 enciphered bytes whose last is the check byte.
    cipher_ = std::make_unique<ZipCipher>(*password);
    std::uint8_t header[12];
    if (unzReadCurrentFile(static_cast<unzFile>(uf_), header, sizeof header) !=
        static_cast<int>(sizeof header))
      return false;
    for (auto& b : header) b = cipher_->decipher(b);
    if (header[11] != check) return false;
  }
  if (method_ == Z_DEFLATED) {
    stream_ = z_stream{};
    if (inflateInit2(&stream_, -MAX_WBITS) != Z_OK) return false;
    inflating_ = true;
  }
  return true;
}

int ZipEntryReader::fail() {
  failed_ = true;
  return -1;
}

int ZipEntryReader::readRaw(unsigned char* buffer, unsigned size) {
  int n = unzReadCurrentFile(static_cast<unzFile>(uf_), buffer, size);
  if (n > 0 && cipher_) {
    for (int i = 0; i < n; ++i) buffer[i] = cipher_->decipher(buffer[i]);
  }
  return n;
}

int ZipEntryReader::read(char* buffer, unsigned size) {
  if (failed_) return -1;
  if (size == 0) return 0;
  int n = method_ == Z_DEFLATED ? inflateInto(buffer, size) : readStored(buffer, size);
  if (n > 0) {
    crc_ =
        static_cast<std::uint32_t>(crc32(crc_, reinterpret_cast<const Bytef*>(buffer), static_cast<uInt>(n)));
    total_ += static_cast<std::uint64_t>(n);
  }
  return n;
}

int ZipEntryReader::readStored(char* buffer, unsigned size) {
  // One byte more than is left, so that content running past the declared size shows at once.
  const std::uint64_t left = expectedSize_ - total_;
  const unsigned want = static_cast<unsigned>(std::min<std::uint64_t>(size, left + 1));
  int n = readRaw(reinterpret_cast<unsigned char*>(buffer), want);
  if (n < 0) return fail();
  if (n == 0) {
    finished_ = true;
    return 0;
  }
  if (static_cast<std::uint64_t>(n) > left) return fail();
  return n;
}

int ZipEntryReader::inflateInto(char* buffer, unsigned size) {
  const std::uint64_t left = expectedSize_ - total_;
  const unsigned room = static_cast<unsigned>(std::min<std::uint64_t>(size, left + 1));
  stream_.next_out = reinterpret_cast<Bytef*>(buffer);
  stream_.avail_out = room;
  while (stream_.avail_out > 0 && !finished_) {
    if (stream_.avail_in == 0) {
      int n = readRaw(input_, sizeof input_);
      if (n < 0) return fail();
      if (n == 0) return fail();  // the compressed data ended before the deflate stream did
      stream_.next_in = input_;
      stream_.avail_in = static_cast<uInt>(n);
    }
    int r = inflate(&stream_, Z_NO_FLUSH);
    if (r == Z_STREAM_END) {
      finished_ = true;
    } else if (r != Z_OK) {
      return fail();
    }
  }
  const unsigned produced = room - stream_.avail_out;
  if (produced > left) return fail();  // more than the entry declares
  return static_cast<int>(produced);
}

bool ZipEntryReader::close() {
  if (closed_) return false;
  closed_ = true;
  const bool closed = unzCloseCurrentFile(static_cast<unzFile>(uf_)) == UNZ_OK;
  return closed && !failed_ && finished_ && crc_ == expectedCrc_ && total_ == expectedSize_;
}
