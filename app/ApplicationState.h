#pragma once
// ApplicationState: what the helpers below the application delegate read and write of it (the two
// session dictionaries and the count of database errors) without depending on it. AppDelegate is the
// one implementation; current() finds the running application's (nullptr before there is one, or when
// its delegate is no ApplicationState). Main thread.

#include <cstdint>

#include "platform/core/Value.h"

class ApplicationState {
 public:
  virtual ~ApplicationState() = default;
  // "userInfo", "appInfo", "saveAppName", ... (see AppDelegate); shares the dictionary.
  virtual core::Value userSession() const = 0;
  // The question-bank check in progress; shares the dictionary.
  virtual core::Value downSession() const = 0;
  virtual void setDownSession(core::Value session) = 0;
  virtual std::int64_t SqlErrorNumber() const = 0;
  virtual void setSqlErrorNumber(std::int64_t n) = 0;

  static ApplicationState* current();
};
