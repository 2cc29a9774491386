#pragma once
// BankFiles: the file steps of the question bank's life, each on whatever thread calls it (the bank's
// workers and the update run): unpacking an archive, putting a complete file in the place of another in
// one step, copying, moving, and telling a SQLite database from anything else.
//
// Nothing here touches the key cache (BankKeyCache): QuestionBank, which decides what a step means for
// the bank, drops it.

#include <string>
#include <vector>

#include "util/ZipWrapper.h"

class BankFiles {
 public:
  // Unpacks every entry of the zip into the directory, overwriting; false when the file is missing or
  // no zip, or an entry could not be unpacked. Entries may not leave the directory (ZipWrapper).
  static bool unZip(const std::string& zipPath, const std::string& directory);
  // The same; on failure `refusal` (when given) gets why, in words for the user (refusalText).
  static bool unZip(const std::string& zipPath, const std::string& directory, std::string* refusal);
  // What the user is told for an archive that could not be unpacked: "文件不是有效的压缩包" for a missing
  // file or no zip, else by the zip's refusal: "压缩包已损坏", "存储空间不足",
  // "解压后超过2048MB的上限", "解压后超过压缩包大小的100倍" (the figures are the limits in force),
  // "压缩包中的文件名不安全", "无法写入解压的文件".
  static std::string refusalText(bool opened, ZipWrapper::Refusal zipRefusal);
  // Puts the file at `from` in the place of `to` in one step (a rename; across file systems a copy beside
  // `to`, synced, then renamed). `to` is never missing meanwhile; a failure leaves it as it was.
  static bool replaceFile(const std::string& from, const std::string& to);
  // Copies a regular file into the new file `to`; false when the copy fails, also when `to` exists.
  // With `sync` the copy is flushed to disk before it counts as made.
  static bool copyFile(const std::string& from, const std::string& to, bool sync = false);
  // Moves the file or directory at `from` to `to`, replacing what is there in one step (a rename);
  // across file systems the move copies beside the destination and renames over it. Whatever is at `to`
  // is removed first only when the two cannot replace each other (a file and a directory, or a directory
  // that is not empty). A failed move leaves the destination as it was.
  static bool moveFileAtPath(const std::string& from, const std::string& to);
  // Whether the file at the path starts like a SQLite database ("SQLite format 3" and its NUL).
  static bool isSQLiteFile(const std::string& path);
  // Removes a database file with the journal files SQLite may keep beside it.
  static void removeDatabaseFiles(const std::string& path);
  // The names in a directory, sorted (so "the last one" of several is well defined); empty when it
  // cannot be read.
  static std::vector<std::string> listDirectory(const std::string& directory);
};
