#include "statistics/StatsEvent.h"

#include "statistics/StatsLog.h"
#include "statistics/StatsUtil.h"

core::Value StatsEvent::attributes() const {
  core::Value a = StatsBaseEvent::attributes();
  if (!label.empty()) {
    std::string text = label;
    if (text.size() > kMaxLabelBytes) {
      StatsLog::warn("(Warning) Stats event label (" + label + ") max bytes length > " +
                     std::to_string(kMaxLabelBytes));
      text = StatsUtil::getString(text, kMaxLabelBytes);
    }
    a.set("label", text);
  }
  if (!values.empty()) a.set("values", core::Value(values).deepCopy());
  if (ts != 0) a.set("ts", ts);
  a.set("tag", event_id);
  if (acc > 0) a.set("acc", acc);
  if (du > 0) a.set("du", du);
  a.set("session_id", session_id);
  return a;
}

void StatsEvent::updateDu() { du = static_cast<int>(StatsUtil::now().secondsSince1970 * 1000 - ts * 1000); }
