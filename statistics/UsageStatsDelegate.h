#pragma once
// UsageStatsDelegate: what an app may tell the statistics component instead of (or besides) what it
// sets on UsageStats. Every method is optional: the defaults answer nothing.
//
// The component calls it from the main thread (appKey, channelId, gender, age, user_id while the app
// records), from its send queue (appKey, channelId for an upload's header) and from its creation queue
// (appUpdate), so an implementation must be safe to call from those threads.

#include <optional>
#include <string>

#include "platform/core/Value.h"

struct UsageStatsDelegate {
  virtual ~UsageStatsDelegate() = default;
  // The application key, when none was given to startWithAppkey.
  virtual std::optional<core::Value> appKey() { return std::nullopt; }
  // The channel, when none (or an empty one) was given to startWithAppkey.
  virtual std::optional<core::Value> channelId() { return std::nullopt; }
  virtual std::optional<std::int64_t> gender() { return std::nullopt; }  // 0..2
  virtual std::optional<std::int64_t> age() { return std::nullopt; }     // 1..200
  virtual std::optional<core::Value> user_id() { return std::nullopt; }
  // The reply of an update check ("update", "update_log", "path", "version", "current_version"),
  // on the component's creation queue. True when the delegate took it: then neither the check's
  // callback nor the update alert runs. The default takes nothing.
  virtual bool appUpdate(const core::Value& reply) { return false; }
};
