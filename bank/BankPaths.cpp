#include "bank/BankPaths.h"

bool BankPaths::isUsableSubjectName(const std::string& name) {
  return !name.empty() && name.find('/') == std::string::npos && name.find('\\') == std::string::npos &&
         name.find("..") == std::string::npos && name.find('\0') == std::string::npos;
}

BankPaths BankPaths::forSubject(const std::string& subject, const std::string& cachesRoot) {
  BankPaths p;
  if (!isUsableSubjectName(subject) || cachesRoot.empty()) return p;
  p.subject = subject;
  p.dbDirectory = cachesRoot + "/db";
  p.imageDirectory = cachesRoot + "/imgcache/" + subject;
  p.cacheDirectory = cachesRoot + "/downloadCache/" + subject;
  p.updateDirectory = cachesRoot + "/downloadCache/Update_" + subject;
  return p;
}
