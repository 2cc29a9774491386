#pragma once
// ApplicationState: what the running application keeps for the whole process and the helpers below the
// application delegate read and write: the two session dictionaries, the count of failed database
// statements and the internet-connection watcher. AppDelegate is one (it inherits this state and fills
// it at launch); current() finds the running application's (nullptr before there is one, or when its
// delegate is none). The helpers reach the state through this class, not through the delegate. Main
// thread. It is the running application's Session (the typed view of the two dictionaries).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "app/AppServices.h"
#include "app/Session.h"
#include "bank/UpdateCentreReply.h"
#include "platform/core/Value.h"

class ApplicationState : public Session {
 public:
  virtual ~ApplicationState() = default;

  // "userInfo", "appInfo", "saveAppName", ... (see AppDelegate); shares the dictionary.
  core::Value userSession() const override { return userSession_; }
  void setUserSession(core::Value session) { userSession_ = std::move(session); }
  // The question-bank check in progress; shares the dictionary.
  core::Value downSession() const override { return downSession_; }
  void setDownSession(core::Value session) override { downSession_ = std::move(session); }
  // The update centre's last reply, read once into its fields (the question-bank check, the menus'
  // update badge and the update prompt read it); nullopt until one came.
  const std::optional<UpdateCentreReply>& updateReply() const override { return updateReply_; }
  void setUpdateReply(std::optional<UpdateCentreReply> reply) override { updateReply_ = std::move(reply); }
  std::int64_t SqlErrorNumber() const { return sqlErrorNumber_; }
  void setSqlErrorNumber(std::int64_t n) { sqlErrorNumber_ = n; }
  // The internet-connection watcher (null before the launch made one).
  std::shared_ptr<ReachabilityWatcher> hostReach() const { return hostReach_; }

  static ApplicationState* current();
  // The running application's wall clock (AppServices::clock); the system clock when it has none or
  // no application runs.
  static core::Date now();

 protected:
  core::Value userSession_;
  core::Value downSession_;
  std::optional<UpdateCentreReply> updateReply_;
  std::int64_t sqlErrorNumber_ = 0;
  std::shared_ptr<ReachabilityWatcher> hostReach_;
  std::function<core::Date()> clock_;  // empty: the system clock
};
