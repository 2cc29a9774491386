#pragma once
// BankPaths: where one subject's question bank and its companions live, worked out once (on the thread
// that knows the chosen subject) and handed to the bank's workers by value.
//
//   dbDirectory      caches/db                          the banks, "<subject>.db"
//   imageDirectory   caches/imgcache/<subject>          the question images
//   cacheDirectory   caches/downloadCache/<subject>     where a bank archive is unpacked
//   updateDirectory  caches/downloadCache/Update_<subject>   update packets and the merge's working copy
//
// Nothing is made on disk here. Without a usable subject (empty, or a name with "/", "\", "..", NUL) every
// path is "" and each bank step refuses to run.

#include <string>

struct BankPaths {
  std::string subject;
  std::string dbDirectory;
  std::string imageDirectory;
  std::string cacheDirectory;
  std::string updateDirectory;

  static BankPaths forSubject(const std::string& subject, const std::string& cachesRoot);
  static bool isUsableSubjectName(const std::string& name);

  bool usable() const { return !subject.empty(); }
  std::string bankFile() const { return usable() ? dbDirectory + "/" + subject + ".db" : std::string(); }
  // The copy an update pack is merged into before it replaces the bank.
  std::string workingCopy() const {
    return usable() ? updateDirectory + "/" + subject + ".db" : std::string();
  }
};
