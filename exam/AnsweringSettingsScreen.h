#pragma once
// AnsweringSettingsScreen: what the answering screen hands the settings screen ("softSetting") before
// pushing it: itself as the delegate, and isTest true (opened from a question set). Found with a dynamic
// cast of the made controller.

#include <memory>

#include "exam/AnsweringSettingsDelegate.h"

class AnsweringSettingsScreen {
 public:
  virtual ~AnsweringSettingsScreen() = default;
  virtual void setDelegate(std::weak_ptr<AnsweringSettingsDelegate> delegate) = 0;
  virtual void setIsTest(bool isTest) = 0;
};
