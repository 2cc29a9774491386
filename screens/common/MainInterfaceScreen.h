#pragma once
// MainInterfaceScreen: what other screens ask of the home screen ("sidebar", the delegate's
// mainInterfaceVC): the logged-out mark of this run and the resume of the last practice. The home
// screen implements it; the others find it with a dynamic cast of the delegate's mainInterfaceVC and do
// nothing when the main screen of the moment is not one.

#include <functional>

#include "exam/sets/RestoredRun.h"

class MainInterfaceScreen {
 public:
  virtual ~MainInterfaceScreen() = default;
  // true: the user logged out in this run (no automatic login until the next login).
  virtual void setIsUnLogon(bool isUnLogon) = 0;
  // Reloads the last learning record of the user (what the resume offer follows).
  virtual void getLastLearningRecordByUser() = 0;
  // Whether the last learning record is a run of the given module.
  virtual bool isHaveRecord(int module) = 0;
  // The stored run of the last learning record, restored on a worker (it reads the bank) and handed to
  // `done` on the main thread, only while the home screen lives.
  virtual void processingData(std::function<void(RestoredRun)> done) = 0;
};
