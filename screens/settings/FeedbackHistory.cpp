#include "screens/settings/FeedbackHistory.h"

#include "app/VDHelper.h"
#include "platform/core/DateFormatter.h"
#include "platform/core/PropertyList.h"
#include "platform/core/PropertyListWriter.h"

std::string FeedbackHistory::path() { return VDHelper::feedbackSavePath() + "/" + kFileName; }

core::Value FeedbackHistory::read() {
  core::Value history = core::Value::newArray();
  const core::Value stored = core::PropertyListWriter::shared().readFile(path());
  if (!stored.isArray()) return history;
  for (const core::Value& e : stored.array())
    if (e.isDictionary()) history.push_back(e);
  return history;
}

core::Value FeedbackHistory::entry(const std::string& text, core::Date now) {
  return core::Dictionary{{"FeedbackContent", text},
                          {"SaveTime", core::DateFormatter::format(now, kTimePattern)},
                          {"UserName", kGuestName}};
}

bool FeedbackHistory::add(const core::Value& newEntry) {
  const core::Value old = read();
  core::Value history = core::Value::newArray();
  history.push_back(newEntry);
  for (const core::Value& e : old.array()) {
    if (static_cast<int>(history.size()) >= kLimit) break;
    history.push_back(e);
  }
  return core::PropertyListWriter::shared().writeFile(path(), history);  // off the main thread
}
