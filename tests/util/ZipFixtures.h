#pragma once
// Zip archives for tests, written with minizip's own writing API so that entry names can be any
// bytes (GB 18030, "\" separators, names that try to leave the target).

#include <zip.h>
#include <zlib.h>

#include <cstdint>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/core/Text.h"

namespace testutil {

struct ZipEntry {
  std::string rawName;  // the name bytes as stored
  std::string content;
  int method = Z_DEFLATED;  // or 0: stored
  bool utf8Flag = false;
  tm_zip date{0, 0, 12, 15, 5, 2021};  // 2021-06-15 12:00:00
};

// Writes the entries into a new zip file; false when minizip refuses.
inline bool writeZip(const std::string& path, const std::vector<ZipEntry>& entries) {
  zipFile zf = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
  if (!zf) return false;
  bool ok = true;
  for (const auto& e : entries) {
    zip_fileinfo info{};
    info.tmz_date = e.date;
    ok = ok &&
         zipOpenNewFileInZip4_64(zf, e.rawName.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, e.method,
                                 e.method ? Z_DEFAULT_COMPRESSION : 0, 0, -MAX_WBITS, DEF_MEM_LEVEL,
                                 Z_DEFAULT_STRATEGY, nullptr, 0, 0, e.utf8Flag ? (1u << 11) : 0, 0) == ZIP_OK;
    ok = ok && zipWriteInFileInZip(zf, e.content.data(), static_cast<unsigned>(e.content.size())) == ZIP_OK;
    ok = ok && zipCloseFileInZip(zf) == ZIP_OK;
  }
  return zipClose(zf, nullptr) == ZIP_OK && ok;
}

// An entry written raw: `data` goes into the archive as it is (already deflated for method 8), under the
// uncompressed size and checksum given, whatever the data really holds.
struct RawZipEntry {
  std::string name;
  std::string data;
  int method = 0;  // or Z_DEFLATED
  std::uint64_t declaredSize = 0;
  std::uint32_t declaredCrc = 0;
};

inline bool writeRawZip(const std::string& path, const std::vector<RawZipEntry>& entries) {
  zipFile zf = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
  if (!zf) return false;
  bool ok = true;
  for (const auto& e : entries) {
    zip_fileinfo info{};
    const int zip64 = e.declaredSize >= 0xFFFFFFFFu ? 1 : 0;
    ok = ok && zipOpenNewFileInZip4_64(zf, e.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, e.method,
                                       0, /*raw=*/1, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr,
                                       0, 0, 0, zip64) == ZIP_OK;
    ok = ok && zipWriteInFileInZip(zf, e.data.data(), static_cast<unsigned>(e.data.size())) == ZIP_OK;
    ok = ok && zipCloseFileInZipRaw64(zf, e.declaredSize, e.declaredCrc) == ZIP_OK;
  }
  return zipClose(zf, nullptr) == ZIP_OK && ok;
}

// Raw deflate (no header), as a zip entry holds it.
inline std::string rawDeflate(const std::string& plain) {
  z_stream z{};
  deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, plain.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
  z.avail_in = static_cast<uInt>(plain.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

inline std::uint32_t crcOf(const std::string& bytes) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

inline std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void writeAll(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// UTF-8 text as GB 18030 bytes.
inline std::string gb18030(const std::string& utf8) { return core::utf8ToGb18030(utf8).value_or(""); }

}  // namespace testutil
