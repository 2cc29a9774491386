#include "util/ZipEntryStream.h"

#include <unzip.h>

#include <random>

namespace {

std::uint32_t crcByte(std::uint32_t crc, std::uint8_t b) {
  static const z_crc_t* table = get_crc_table();
  return table[(crc ^ b) & 0xFF] ^ (crc >> 8);
}

class PlainReader : public ZipEntryReader {
 public:
  explicit PlainReader(unzFile uf) : uf_(uf) {}
  int read(char* buffer, unsigned size) override { return unzReadCurrentFile(uf_, buffer, size); }
  bool close() override { return unzCloseCurrentFile(uf_) == UNZ_OK; }

 private:
  unzFile uf_;
};

class CipherReader : public ZipEntryReader {
 public:
  CipherReader(unzFile uf, const std::string& password, int method, std::uint32_t crc, std::uint64_t size)
      : uf_(uf), cipher_(password), method_(method), expectedCrc_(crc), expectedSize_(size) {}
  ~CipherReader() override {
    if (inflating_) inflateEnd(&stream_);
  }

  // Reads and checks the header; false when the password does not fit.
  bool start(std::uint8_t check) {
    std::uint8_t header[12];
    if (unzReadCurrentFile(uf_, header, sizeof header) != static_cast<int>(sizeof header)) return false;
    for (auto& b : header) b = cipher_.decipher(b);
    if (header[11] != check) return false;
    if (method_ == Z_DEFLATED) {
      stream_ = z_stream{};
      if (inflateInit2(&stream_, -MAX_WBITS) != Z_OK) return false;
      inflating_ = true;
    }
    return true;
  }

  int read(char* buffer, unsigned size) override {
    int n = method_ == Z_DEFLATED ? inflateInto(buffer, size) : readRaw(buffer, size);
    if (n > 0) {
      crc_ = static_cast<std::uint32_t>(
          crc32(crc_, reinterpret_cast<const Bytef*>(buffer), static_cast<uInt>(n)));
      total_ += static_cast<std::uint64_t>(n);
    }
    return n;
  }

  bool close() override {
    bool closed = unzCloseCurrentFile(uf_) == UNZ_OK;
    return closed && finished_ && crc_ == expectedCrc_ && total_ == expectedSize_;
  }

 private:
  int readRaw(char* buffer, unsigned size) {
    int n = unzReadCurrentFile(uf_, buffer, size);
    if (n > 0) {
      for (int i = 0; i < n; ++i)
        buffer[i] = static_cast<char>(cipher_.decipher(static_cast<std::uint8_t>(buffer[i])));
    } else if (n == 0) {
      finished_ = true;
    }
    return n;
  }

  int inflateInto(char* buffer, unsigned size) {
    stream_.next_out = reinterpret_cast<Bytef*>(buffer);
    stream_.avail_out = size;
    while (stream_.avail_out > 0 && !finished_) {
      if (stream_.avail_in == 0) {
        int n = unzReadCurrentFile(uf_, input_, sizeof input_);
        if (n < 0) return n;
        if (n == 0) return -1;  // the raw data ended before the deflate stream did
        for (int i = 0; i < n; ++i) input_[i] = cipher_.decipher(input_[i]);
        stream_.next_in = input_;
        stream_.avail_in = static_cast<uInt>(n);
      }
      int r = inflate(&stream_, Z_NO_FLUSH);
      if (r == Z_STREAM_END) {
        finished_ = true;
      } else if (r != Z_OK) {
        return -1;
      }
    }
    return static_cast<int>(size - stream_.avail_out);
  }

  unzFile uf_;
  ZipCipher cipher_;
  int method_;
  std::uint32_t expectedCrc_;
  std::uint64_t expectedSize_;
  std::uint32_t crc_ = 0;
  std::uint64_t total_ = 0;
  bool finished_ = false;
  bool inflating_ = false;
  z_stream stream_{};
  Bytef input_[4096];
};

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

std::unique_ptr<ZipEntryReader> ZipEntryReader::plain(void* unzipFile) {
  return std::make_unique<PlainReader>(static_cast<unzFile>(unzipFile));
}

std::unique_ptr<ZipEntryReader> ZipEntryReader::enciphered(void* unzipFile, const std::string& password,
                                                           std::uint32_t crc, std::uint64_t size,
                                                           std::uint8_t check) {
  auto uf = static_cast<unzFile>(unzipFile);
  int method = 0;
  int level = 0;
  if (unzOpenCurrentFile2(uf, &method, &level, /*raw=*/1) != UNZ_OK) return nullptr;
  if (method != 0 && method != Z_DEFLATED) {
    unzCloseCurrentFile(uf);
    return nullptr;
  }
  auto reader = std::make_unique<CipherReader>(uf, password, method, crc, size);
  if (!reader->start(check)) {
    unzCloseCurrentFile(uf);
    return nullptr;
  }
  return reader;
}
