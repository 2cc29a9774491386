#include "exam/sets/RecordArrayFile.h"

#include <cstdio>

#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"
#include "platform/core/PropertyListWriter.h"

core::Value RecordArrayFile::readArray(const std::string& path) {
  // A write of this process still on its way to the file is what the file holds.
  if (auto waiting = core::PropertyListWriter::shared().pending(path))
    return waiting->isArray() ? *waiting : core::Value::newArray();
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
