#pragma once
// ZipWrapper: unpacks the zip packages of question banks, image packs and updates (and can pack
// files into a new zip), over minizip.
//
// Entry names are read as GB 18030 text (as the packages are made), or as UTF-8 when the entry
// says so (general-purpose flag bit 11, as this wrapper writes them); "\" separators count as "/".
// Unpacking never writes outside the target directory: an entry whose name is absolute, starts with
// a drive prefix ("C:") or has a ".." component fails the unpacking. So does any entry that cannot be
// read completely or written: its partial file is removed and the result is false, while the other
// entries are still unpacked.
//
// Limits: an entry yields exactly the size its directory record declares, or fails: content that runs
// past that size (however well it compresses) is refused as damaged the moment it does, as is content
// that stops short of it or fails its checksum. Before anything is written, the sum of the sizes the
// entries declare must
//   1. fit in the free space of the target's file system,
//   2. be at most kMaxUnpackedBytes (2 GiB), and
//   3. be at most kMaxExpansionRatio (100) times the archive file's size (a question bank's database
//      packs to a fraction of that; a zip bomb, packing at 1000:1, is far beyond it),
// or the unpacking fails at once, in that order, and writes nothing (not even the target directory).
// So an unpacking never writes more than the archive declares, nor more than the disk holds, the cap
// allows or a hundred times the archive.
//
// Error texts go to the delegate's ErrorMessage: "Failed" (no first entry), "Error occurs" (an entry
// cannot be opened), "Error occurs while getting file info", "Failed to reading zip file" (the data of
// an entry is damaged, too long or too short), "Not enough free space to unpack",
// "Unpacked size exceeds the limit of 2048 MiB", "Unpacked size exceeds 100 times the archive size"
// (the figures are the limits in force), and the texts of the refusals above, which name the entry.
// lastRefusal() tells the first of them as a Refusal, for a caller that explains it to the user.
//
// Passwords use the traditional zip cipher (weak; for archives that need it, not for protection).
// With a password, entries marked as enciphered are deciphered and checked against it; a wrong
// password, or an enciphered entry without one, fails to open ("Error occurs"). Entries that are
// not enciphered read as they are.
//
// Not thread-safe; one object per package.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/core/Date.h"

// Receives error texts and answers overwrite questions. Both methods are optional.
struct ZipWrapperDelegate {
  virtual ~ZipWrapperDelegate() = default;
  virtual void ErrorMessage(const std::string& text) {}
  // True to replace the existing file at the path (asked only when unpacking without overwrite).
  virtual bool OverWriteOperation(const std::string& path) { return true; }
};

class ZipWrapper {
 public:
  static constexpr std::uint64_t kMaxUnpackedBytes = std::uint64_t{2} << 30;
  static constexpr std::uint64_t kMaxExpansionRatio = 100;

  ZipWrapper();
  ~ZipWrapper();  // closes whatever is still open
  ZipWrapper(const ZipWrapper&) = delete;
  ZipWrapper& operator=(const ZipWrapper&) = delete;

  // Unpacking. UnzipOpenFile: true when the file opened as a zip (a zip open before is closed).
  bool UnzipOpenFile(const std::string& zipPath);
  bool UnzipOpenFile(const std::string& zipPath, const std::string& password);
  // Unpacks every entry into the target directory (made when missing). True when every entry was
  // unpacked (or skipped because the delegate declined to overwrite it).
  bool UnzipFileTo(const std::string& targetDirectory, bool overWrite);
  // Why the last UnzipFileTo failed: its first refusal (kNone after a success, and before any
  // unpacking). kDamaged also covers an archive with no entry and an entry that cannot be opened (a
  // wrong or missing password among them).
  enum class Refusal { kNone, kDamaged, kNoSpace, kOverCap, kOverRatio, kUnsafeName, kCannotWrite };
  Refusal lastRefusal() const { return refusal_; }
  // True when no zip was open or it closed cleanly. Forgets the password.
  bool UnzipCloseFile();
  // The limits UnzipFileTo applies (the defaults above unless changed; for tests of the limits).
  void setUnpackLimits(std::uint64_t maxUnpackedBytes, std::uint64_t maxExpansionRatio) {
    maxUnpackedBytes_ = maxUnpackedBytes;
    maxExpansionRatio_ = maxExpansionRatio;
  }

  // Packing. CreateZipFile2 makes a new zip at the path (replacing a file there).
  bool CreateZipFile2(const std::string& zipPath);
  bool CreateZipFile2(const std::string& zipPath, const std::string& password);
  // Adds a file as a deflated entry named `newname` (stored as UTF-8), dated with the file's
  // modification time; enciphered when the archive was created with a password. False when the
  // file cannot be read or the entry cannot be written.
  bool addFileToZip(const std::string& file, const std::string& newname);
  // Forgets the password; false when no zip is open, else whether it closed cleanly.
  bool CloseZipFile2();

  void OutputErrorMessage(const std::string& text);
  // The delegate's answer, or true without a delegate.
  bool OverWrite(const std::string& path);
  // 1980-01-01 00:00:00 local time.
  static core::Date Date1980();

  std::shared_ptr<ZipWrapperDelegate> delegate() const { return delegate_; }
  void setDelegate(std::shared_ptr<ZipWrapperDelegate> delegate) { delegate_ = std::move(delegate); }

 private:
  void refuse(Refusal why, const std::string& text);  // records the first refusal, tells the delegate

  void* zipFile_ = nullptr;    // minizip write handle
  void* unzipFile_ = nullptr;  // minizip read handle
  std::string password_;
  std::uint64_t archiveBytes_ = 0;  // the size of the open archive's file
  std::uint64_t maxUnpackedBytes_ = kMaxUnpackedBytes;
  std::uint64_t maxExpansionRatio_ = kMaxExpansionRatio;
  Refusal refusal_ = Refusal::kNone;
  std::shared_ptr<ZipWrapperDelegate> delegate_;
};
