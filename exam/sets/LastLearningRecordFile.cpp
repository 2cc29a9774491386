#include "exam/sets/LastLearningRecordFile.h"

#include <cstdio>

#include "platform/core/Bundle.h"
#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"
#include "platform/core/PropertyListWriter.h"

std::string LastLearningRecordFile::packageName() { return "AlixPay" + core::Bundle::main().bundleName(); }

bool LastLearningRecordFile::matches(const core::Value& element, const std::string& bank, int module) {
  return element.isDictionary() && element["PackageName"].toString() == packageName() &&
         element["SoftEName"].toString() == bank && element["CurrentModule"].toInt(-1) == module;
}

core::Value LastLearningRecordFile::element(const std::string& bank, const core::Value& record,
                                            int currentModule) {
  return core::Dictionary{{"SoftEName", bank},
                          {"LearningRecordArr", record},
                          {"CurrentModule", currentModule},
                          {"PackageName", packageName()}};
}

core::Value LastLearningRecordFile::read() const {
  core::Value records;
  if (auto waiting = core::PropertyListWriter::shared().pending(path_))
    records = *waiting;
  else if (core::Paths::isRegularFile(path_))
    records = core::PropertyList::readFile(path_);
  return records.isArray() && records[0].isDictionary() ? records[0] : core::Value();
}

bool LastLearningRecordFile::write(const std::string& bank, const core::Value& record,
                                   int currentModule) const {
  core::Paths::createDirectories(core::Paths::parent(path_));
  return core::PropertyList::writeFile(path_, core::Array{element(bank, record, currentModule)});
}

void LastLearningRecordFile::remove() const { std::remove(path_.c_str()); }

void LastLearningRecordFile::save(const std::string& bank, const core::Value& record,
                                  int currentModule) const {
  core::PropertyListWriter::shared().save(path_, core::Array{element(bank, record, currentModule)});
}

void LastLearningRecordFile::discard() const { core::PropertyListWriter::shared().remove(path_); }
