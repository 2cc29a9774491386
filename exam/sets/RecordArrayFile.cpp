#include "exam/sets/RecordArrayFile.h"

#include <cstdio>

#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"

core::Value RecordArrayFile::readArray(const std::string& path) {
  if (!core::Paths::fileExists(path)) return core::Value::newArray();
  core::Value value = core::PropertyList::readFile(path);
  if (value.isArray()) return value;
  if (core::Paths::isRegularFile(path)) std::rename(path.c_str(), asidePath(path).c_str());
  return core::Value::newArray();
}

std::string RecordArrayFile::asidePath(const std::string& path) {
  std::string aside = path + ".unreadable";
  for (int n = 2; core::Paths::fileExists(aside); ++n) aside = path + ".unreadable." + std::to_string(n);
  return aside;
}
