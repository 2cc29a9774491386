#include "util/ZipWrapper.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <unzip.h>
#include <zip.h>
#include <zlib.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <vector>

#include "platform/core/Paths.h"
#include "platform/core/Text.h"
#include "util/ZipEntryStream.h"

namespace {

constexpr std::size_t kChunk = 4096;
constexpr unsigned long kEncipheredFlag = 1u << 0;
constexpr unsigned long kDataDescriptorFlag = 1u << 3;
constexpr unsigned long kUtf8NameFlag = 1u << 11;

unzFile asUnzip(void* p) { return static_cast<unzFile>(p); }
zipFile asZip(void* p) { return static_cast<zipFile>(p); }

// An entry name may only lead below the target: not absolute, no drive prefix, no ".." component.
bool staysInside(const std::string& name) {
  if (name.empty() || name.find('\0') != std::string::npos) return false;
  if (name[0] == '/') return false;
  if (name.size() >= 2 && std::isalpha(static_cast<unsigned char>(name[0])) && name[1] == ':') return false;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find('/', start);
    if (end == std::string::npos) end = name.size();
    if (name.compare(start, end - start, "..") == 0) return false;
    start = end + 1;
  }
  return true;
}

// The sum of the uncompressed sizes the entries declare; nothing when an entry's information cannot be
// read. Leaves the handle at an unspecified entry.
std::optional<std::uint64_t> declaredTotalSize(unzFile uf) {
  std::uint64_t total = 0;
  for (int ret = unzGoToFirstFile(uf); ret != UNZ_END_OF_LIST_OF_FILE; ret = unzGoToNextFile(uf)) {
    if (ret != UNZ_OK) return std::nullopt;
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(uf, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return std::nullopt;
    if (info.uncompressed_size > UINT64_MAX - total) return UINT64_MAX;
    total += info.uncompressed_size;
  }
  return total;
}

// The size of the file at `path`; 0 when it cannot be learnt.
std::uint64_t fileSize(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || st.st_size < 0) return 0;
  return static_cast<std::uint64_t>(st.st_size);
}

// Bytes an unprivileged writer may still put on the file system of `directory` (or of its nearest
// existing parent, when it is not made yet); 0 when that cannot be learnt.
std::uint64_t freeSpaceFor(const std::string& directory) {
  std::filesystem::path p = directory.empty() ? std::filesystem::path(".") : std::filesystem::path(directory);
  std::error_code ec;
  while (!std::filesystem::exists(p, ec) && p.has_parent_path() && p != p.parent_path()) p = p.parent_path();
  struct statvfs fs {};
  if (::statvfs(p.c_str(), &fs) != 0) return 0;
  return static_cast<std::uint64_t>(fs.f_bavail) * static_cast<std::uint64_t>(fs.f_frsize);
}

void setModificationDate(const std::string& path, const tm_unz& date) {
  std::tm tm{};
  tm.tm_year = static_cast<int>(date.tm_year) - 1900;
  tm.tm_mon = static_cast<int>(date.tm_mon);
  tm.tm_mday = static_cast<int>(date.tm_mday);
  tm.tm_hour = static_cast<int>(date.tm_hour);
  tm.tm_min = static_cast<int>(date.tm_min);
  tm.tm_sec = static_cast<int>(date.tm_sec);
  tm.tm_isdst = -1;
  std::time_t t = std::mktime(&tm);
  if (t == static_cast<std::time_t>(-1)) return;
  timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = t;
  times[1].tv_nsec = 0;
  ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

// Streams a file's bytes to `sink` in chunks; false when the file cannot be read.
template <class Sink>
bool readFileChunks(const std::string& path, Sink&& sink) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buf[kChunk];
  bool ok = true;
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ok = false;
      break;
    }
    if (n == 0) break;
    if (!sink(buf, static_cast<std::size_t>(n))) {
      ok = false;
      break;
    }
  }
  ::close(fd);
  return ok;
}

// minizip has no cipher here: an entry with a password is deflated and enciphered in this function and
// written raw.
bool addEncipheredFile(zipFile zf, const std::string& password, const std::string& file,
                       const std::string& newname, const zip_fileinfo& info) {
  // The entry's header carries the CRC of the whole content, so it is computed first.
  uLong crc = crc32(0L, Z_NULL, 0);
  std::uint64_t size = 0;
  bool read = readFileChunks(file, [&](const char* data, std::size_t n) {
    crc = crc32(crc, reinterpret_cast<const Bytef*>(data), static_cast<uInt>(n));
    size += n;
    return true;
  });
  if (!read) return false;

  int ret = zipOpenNewFileInZip4_64(zf, newname.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                    Z_DEFAULT_COMPRESSION, /*raw=*/1, -MAX_WBITS, DEF_MEM_LEVEL,
                                    Z_DEFAULT_STRATEGY, nullptr, 0, 0, kUtf8NameFlag | kEncipheredFlag, 1);
  if (ret != ZIP_OK) return false;

  ZipCipher cipher(password);
  auto header = cipher.header(static_cast<std::uint32_t>(crc));
  bool ok = zipWriteInFileInZip(zf, header.data(), static_cast<unsigned>(header.size())) == ZIP_OK;

  z_stream stream{};
  ok = ok && deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, DEF_MEM_LEVEL,
                          Z_DEFAULT_STRATEGY) == Z_OK;
  bool deflating = ok;
  Bytef out[kChunk];
  auto pump = [&](int flush) {
    int r;
    do {
      stream.next_out = out;
      stream.avail_out = sizeof out;
      r = deflate(&stream, flush);
      if (r == Z_STREAM_ERROR) return false;
      std::size_t n = sizeof out - stream.avail_out;
      for (std::size_t i = 0; i < n; ++i) out[i] = cipher.encipher(out[i]);
      if (n > 0 && zipWriteInFileInZip(zf, out, static_cast<unsigned>(n)) != ZIP_OK) return false;
    } while (stream.avail_out == 0 || (flush == Z_FINISH && r != Z_STREAM_END));
    return true;
  };
  ok = ok && readFileChunks(file, [&](const char* data, std::size_t n) {
         stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
         stream.avail_in = static_cast<uInt>(n);
         return pump(Z_NO_FLUSH);
       });
  ok = ok && pump(Z_FINISH);
  if (deflating) deflateEnd(&stream);
  ok = (zipCloseFileInZipRaw64(zf, size, crc) == ZIP_OK) && ok;
  return ok;
}

}  // namespace

ZipWrapper::ZipWrapper() = default;

ZipWrapper::~ZipWrapper() {
  CloseZipFile2();
  UnzipCloseFile();
}

bool ZipWrapper::UnzipOpenFile(const std::string& zipPath) {
  if (unzipFile_) UnzipCloseFile();
  unzipFile_ = unzOpen64(zipPath.c_str());
  archiveBytes_ = fileSize(zipPath);
  return unzipFile_ != nullptr;
}

bool ZipWrapper::UnzipOpenFile(const std::string& zipPath, const std::string& password) {
  std::string keep = password;
  if (unzipFile_) UnzipCloseFile();
  password_ = keep;
  unzipFile_ = unzOpen64(zipPath.c_str());
  archiveBytes_ = fileSize(zipPath);
  return unzipFile_ != nullptr;
}

bool ZipWrapper::UnzipFileTo(const std::string& targetDirectory, bool overWrite) {
  unzFile uf = asUnzip(unzipFile_);
  refusal_ = Refusal::kNone;
  bool failed = false;
  int ret = unzGoToFirstFile(uf);
  if (ret != UNZ_OK) refuse(Refusal::kDamaged, "Failed");

  // What the entries declare must fit on the target's file system before anything is written: no entry
  // yields more than it declares, so this bounds the whole unpacking.
  if (ret == UNZ_OK) {
    std::optional<std::uint64_t> total = declaredTotalSize(uf);
    if (!total || *total > freeSpaceFor(targetDirectory)) {
      refuse(total ? Refusal::kNoSpace : Refusal::kDamaged,
             total ? "Not enough free space to unpack" : "Error occurs while getting file info");
      return false;
    }
    // Nor may it pass the cap, or unpack to more than the ratio allows for the archive's size (in
    // division, so that no product overflows).
    if (*total > maxUnpackedBytes_) {
      refuse(Refusal::kOverCap, "Unpacked size exceeds the limit of " + std::to_string(maxUnpackedBytes_ >> 20) +
                         " MiB");
      return false;
    }
    const std::uint64_t ratio = maxExpansionRatio_ > 0 ? maxExpansionRatio_ : 1;
    if (*total / ratio > archiveBytes_ || (*total / ratio == archiveBytes_ && *total % ratio != 0)) {
      refuse(Refusal::kOverRatio, "Unpacked size exceeds " + std::to_string(ratio) + " times the archive size");
      return false;
    }
    unzGoToFirstFile(uf);
  }

  for (;;) {
    int method = 0;
    int level = 0;
    if (unzOpenCurrentFile2(uf, &method, &level, /*raw=*/1) != UNZ_OK) {
      refuse(Refusal::kDamaged, "Error occurs");
      return false;
    }

    unz_file_info64 info{};
    ret = unzGetCurrentFileInfo64(uf, &info, nullptr, 0, nullptr, 0, nullptr, 0);
    std::vector<char> rawName(info.size_filename + 1, '\0');
    if (ret == UNZ_OK) {
      ret = unzGetCurrentFileInfo64(uf, &info, rawName.data(), static_cast<uLong>(rawName.size()), nullptr, 0,
                                    nullptr, 0);
    }
    if (ret != UNZ_OK) {
      refuse(Refusal::kDamaged, "Error occurs while getting file info");
      unzCloseCurrentFile(uf);
      return false;
    }
    // The content is read raw and checked here against the declared size and checksum; an enciphered
    // entry is deciphered with the password and cannot be opened without it.
    const bool enciphered = (info.flag & kEncipheredFlag) != 0;
    if (enciphered && password_.empty()) {
      unzCloseCurrentFile(uf);
      refuse(Refusal::kDamaged, "Error occurs");
      return false;
    }
    const auto check =
        static_cast<std::uint8_t>((info.flag & kDataDescriptorFlag) ? info.dosDate >> 8 : info.crc >> 24);
    std::unique_ptr<ZipEntryReader> reader =
        ZipEntryReader::open(uf, method, static_cast<std::uint32_t>(info.crc), info.uncompressed_size,
                             enciphered ? &password_ : nullptr, check);
    if (!reader) {
      refuse(Refusal::kDamaged, "Error occurs");
      return false;
    }
    std::string raw(rawName.data(), info.size_filename);

    std::optional<std::string> decoded;
    if (info.flag & kUtf8NameFlag) {
      if (core::isValidUtf8(raw)) decoded = raw;
    } else {
      decoded = core::gb18030ToUtf8(raw);
    }
    if (!decoded) {
      refuse(Refusal::kUnsafeName, "Entry name cannot be read as text");
      reader->close();
      return false;
    }
    std::string name = *decoded;
    bool isDirectory = !name.empty() && (name.back() == '/' || name.back() == '\\');
    for (char& c : name) {
      if (c == '\\') c = '/';
    }
    if (!staysInside(name)) {
      refuse(Refusal::kUnsafeName, "Entry leaves the target directory: " + name);
      reader->close();
      return false;
    }
    while (name.size() > 1 && name.back() == '/') name.pop_back();
    std::string fullPath = targetDirectory + "/" + name;

    std::error_code ec;
    std::filesystem::path dirToMake =
        isDirectory ? std::filesystem::path(fullPath) : std::filesystem::path(fullPath).parent_path();
    std::filesystem::create_directories(dirToMake, ec);
    if (ec || !std::filesystem::is_directory(dirToMake, ec)) {
      refuse(Refusal::kCannotWrite, "Failed to write " + fullPath);
      reader->close();
      return false;
    }

    bool skip = false;
    if (!isDirectory && !overWrite &&
        std::filesystem::exists(std::filesystem::symlink_status(fullPath, ec))) {
      skip = !OverWrite(fullPath);
    }

    if (!isDirectory && !skip) {
      int fd = ::open(fullPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
      bool entryFailed = false;
      if (fd < 0) {
        refuse(Refusal::kCannotWrite, "Failed to write " + fullPath);
        entryFailed = true;
      } else {
        char buf[kChunk];
        for (;;) {
          int n = reader->read(buf, sizeof buf);
          if (n == 0) break;
          if (n < 0) {
            refuse(Refusal::kDamaged, "Failed to reading zip file");
            entryFailed = true;
            break;
          }
          if (!core::Paths::writeAll(fd, std::string_view(buf, static_cast<std::size_t>(n)))) {
            refuse(Refusal::kCannotWrite, "Failed to write " + fullPath);
            entryFailed = true;
            break;
          }
        }
        if (::close(fd) != 0 && !entryFailed) {
          refuse(Refusal::kCannotWrite, "Failed to write " + fullPath);
          entryFailed = true;
        }
      }
      // Closing the entry checks its checksum over everything read.
      if (!reader->close() && !entryFailed) {
        refuse(Refusal::kDamaged, "Failed to reading zip file");
        entryFailed = true;
      }
      if (entryFailed) {
        if (fd >= 0) ::unlink(fullPath.c_str());  // never leave a damaged file behind
        failed = true;
      } else {
        setModificationDate(fullPath, info.tmu_date);
      }
    } else {
      reader->close();
    }

    ret = unzGoToNextFile(uf);
    if (ret == UNZ_END_OF_LIST_OF_FILE) return !failed;
    if (ret != UNZ_OK) {
      refuse(Refusal::kDamaged, "Failed");
      return false;
    }
  }
}

bool ZipWrapper::UnzipCloseFile() {
  password_.clear();
  if (!unzipFile_) return true;
  bool ok = unzClose(asUnzip(unzipFile_)) == UNZ_OK;
  unzipFile_ = nullptr;
  return ok;
}

bool ZipWrapper::CreateZipFile2(const std::string& zipPath) {
  if (zipFile_) CloseZipFile2();
  zipFile_ = zipOpen64(zipPath.c_str(), APPEND_STATUS_CREATE);
  return zipFile_ != nullptr;
}

bool ZipWrapper::CreateZipFile2(const std::string& zipPath, const std::string& password) {
  std::string keep = password;
  if (zipFile_) CloseZipFile2();
  password_ = keep;
  zipFile_ = zipOpen64(zipPath.c_str(), APPEND_STATUS_CREATE);
  return zipFile_ != nullptr;
}

bool ZipWrapper::addFileToZip(const std::string& file, const std::string& newname) {
  if (!zipFile_) return false;
  zipFile zf = asZip(zipFile_);

  zip_fileinfo info{};
  struct stat st {};
  if (::stat(file.c_str(), &st) == 0) {
    std::tm tm{};
    std::time_t mtime = st.st_mtime;
    if (::localtime_r(&mtime, &tm)) {
      info.tmz_date.tm_sec = static_cast<uInt>(tm.tm_sec);
      info.tmz_date.tm_min = static_cast<uInt>(tm.tm_min);
      info.tmz_date.tm_hour = static_cast<uInt>(tm.tm_hour);
      info.tmz_date.tm_mday = static_cast<uInt>(tm.tm_mday);
      info.tmz_date.tm_mon = static_cast<uInt>(tm.tm_mon);
      info.tmz_date.tm_year = static_cast<uInt>(tm.tm_year + 1900);
    }
  }

  if (!password_.empty()) return addEncipheredFile(zf, password_, file, newname, info);
  int ret = zipOpenNewFileInZip4_64(zf, newname.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                    Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY,
                                    nullptr, 0, 0, kUtf8NameFlag, 1);
  if (ret != ZIP_OK) return false;
  bool ok = readFileChunks(file, [&](const char* data, std::size_t n) {
    return zipWriteInFileInZip(zf, data, static_cast<unsigned>(n)) == ZIP_OK;
  });
  ok = (zipCloseFileInZip(zf) == ZIP_OK) && ok;
  return ok;
}

bool ZipWrapper::CloseZipFile2() {
  password_.clear();
  if (!zipFile_) return false;
  bool ok = zipClose(asZip(zipFile_), nullptr) == ZIP_OK;
  zipFile_ = nullptr;
  return ok;
}

void ZipWrapper::refuse(Refusal why, const std::string& text) {
  if (refusal_ == Refusal::kNone) refusal_ = why;
  OutputErrorMessage(text);
}

void ZipWrapper::OutputErrorMessage(const std::string& text) {
  if (delegate_) delegate_->ErrorMessage(text);
}

bool ZipWrapper::OverWrite(const std::string& path) {
  return delegate_ ? delegate_->OverWriteOperation(path) : true;
}

core::Date ZipWrapper::Date1980() {
  std::tm tm{};
  tm.tm_year = 80;
  tm.tm_mon = 0;
  tm.tm_mday = 1;
  tm.tm_isdst = -1;
  return core::Date{static_cast<double>(std::mktime(&tm))};
}
