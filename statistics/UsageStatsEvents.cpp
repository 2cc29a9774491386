// UsageStats: counted events, timed events and events with attributes.

#include <memory>

#include "platform/core/Text.h"
#include "statistics/StatsEkv.h"
#include "statistics/StatsEvent.h"
#include "statistics/StatsLog.h"
#include "statistics/UsageStats.h"
#include "statistics/UsageStatsState.h"

using usage_stats_detail::currentSessionId;

namespace {

// The checks every event call starts with: a known application key, then a valid event id.
bool acceptsEvent(const std::string& eventId) {
  if (UsageStats::sharedInstance().appKey().empty()) {
    StatsLog::log(UsageStats::kNoAppKeyMessage);  // "Stats: appkey can not be found..."
    return false;
  }
  return UsageStats::validEventID(eventId);
}

void recordEvent(const StatsEvent& e) {
  auto internal = UsageStats::sharedInternal();
  internal->appendEvent(e.attributes());
  if (!internal->jobRunning()) internal->preparePerformJob(UsageStatsInternal::kEventJob);
}

void ekvPerformJob() {
  auto internal = UsageStats::sharedInternal();
  if (!internal->jobRunning()) internal->preparePerformJob(UsageStatsInternal::kEventJob);
}

// Files an attribute event under the running session: the session's list is (again) the one kept for
// its id, and the record, when given, joins it.
void fileEkv(const std::optional<core::Value>& attributes) {
  const std::string session = UsageStats::sessionID();
  UsageStats::sharedInternal()->withLists([&](UsageStatsInternal::Lists& l) {
    l.ekvSession.set(session, core::Value(l.currentEkvArray));
    if (attributes) l.currentEkvArray.push_back(*attributes);
  });
}

}  // namespace

bool UsageStats::validEventID(const std::string& eventId) {
  if (!core::trim(eventId).empty() && eventId.size() <= kMaxEventIdBytes) return true;
  StatsLog::warn("(Warning) Stats event_id (" + eventId + ") max bytes length > " +
                 std::to_string(kMaxEventIdBytes));
  return false;
}

void UsageStats::event(const std::string& eventId) {
  if (acceptsEvent(eventId)) eventJob(eventId, eventId, 1, 0);
}

void UsageStats::event(const std::string& eventId, const std::string& label) {
  if (acceptsEvent(eventId)) eventJob(eventId, label, 1, 0);
}

void UsageStats::event(const std::string& eventId, const std::string& label, int acc) {
  if (acceptsEvent(eventId)) eventJob(eventId, label, acc, 0);
}

void UsageStats::eventAcc(const std::string& eventId, int acc) {
  if (acceptsEvent(eventId)) eventJob(eventId, "", acc, 0);
}

void UsageStats::eventDurations(const std::string& eventId, int milliseconds) {
  if (acceptsEvent(eventId)) eventJob(eventId, eventId, 1, milliseconds);
}

void UsageStats::eventDurations(const std::string& eventId, const std::string& label, int milliseconds) {
  if (acceptsEvent(eventId)) eventJob(eventId, label, 1, milliseconds);
}

void UsageStats::eventJob(const std::string& eventId, const std::string& label, int acc, int du) {
  StatsEvent e;
  e.event_id = eventId;
  e.label = label;
  e.acc = acc;
  e.du = du;
  e.session_id = currentSessionId();
  recordEvent(e);
}

void UsageStats::beginEvent(const std::string& eventId) { beginEvent(eventId, eventId); }

void UsageStats::beginEvent(const std::string& eventId, const std::string& label) {
  if (!acceptsEvent(eventId)) return;
  auto e = std::make_shared<StatsEvent>();
  e->event_id = eventId;
  e->label = label.empty() ? eventId : label;
  e->acc = 0;
  e->session_id = currentSessionId();
  sharedInternal()->withLists(
      [&](UsageStatsInternal::Lists& l) { l.eventBeginTimes[eventId + label].push_front(e); });
}

void UsageStats::endEvent(const std::string& eventId) { endEvent(eventId, eventId); }

void UsageStats::endEvent(const std::string& eventId, const std::string& label) {
  if (!acceptsEvent(eventId)) return;
  auto e = sharedInternal()->withLists([&](UsageStatsInternal::Lists& l) -> std::shared_ptr<StatsEvent> {
    auto it = l.eventBeginTimes.find(eventId + label);
    if (it == l.eventBeginTimes.end() || it->second.empty()) return nullptr;
    auto front = it->second.front();
    it->second.pop_front();
    if (it->second.empty()) l.eventBeginTimes.erase(it);
    return front;
  });
  if (!e) return;
  e->updateDu();
  if (e->du <= kMaxEventDuration) recordEvent(*e);
}

void UsageStats::eventAttributes(const std::string& eventId, const core::Dictionary& attributes,
                                 int milliseconds) {
  if (!acceptsEvent(eventId) || attributes.empty()) return;
  StatsEkv ekv;
  ekv.id = eventId;
  ekv.values = core::Value(attributes).deepCopy().dict();
  if (milliseconds > 0) ekv.du = milliseconds;
  fileEkv(ekv.attributes());
  ekvPerformJob();
}

void UsageStats::beginEventPrimarykey(const std::string& eventId, const std::string& primaryKey,
                                      const core::Dictionary& attributes) {
  if (!acceptsEvent(eventId) || primaryKey.empty() || attributes.empty()) return;
  auto ekv = std::make_shared<StatsEkv>();
  ekv->id = eventId;
  ekv->key = primaryKey;
  ekv->values = core::Value(attributes).deepCopy().dict();
  sharedInternal()->withLists(
      [&](UsageStatsInternal::Lists& l) { l.ekvBeginTimes[eventId + primaryKey].push_front(ekv); });
}

void UsageStats::endEventPrimarykey(const std::string& eventId, const std::string& primaryKey) {
  if (!acceptsEvent(eventId) || primaryKey.empty()) return;
  auto ekv = sharedInternal()->withLists([&](UsageStatsInternal::Lists& l) -> std::shared_ptr<StatsEkv> {
    auto it = l.ekvBeginTimes.find(eventId + primaryKey);
    if (it == l.ekvBeginTimes.end() || it->second.empty()) return nullptr;
    auto front = it->second.front();
    it->second.pop_front();
    if (it->second.empty()) l.ekvBeginTimes.erase(it);
    return front;
  });
  if (!ekv) return;
  ekv->updateDu();
  fileEkv(ekv->du <= kMaxEventDuration ? std::optional<core::Value>(ekv->attributes()) : std::nullopt);
  ekvPerformJob();
}
