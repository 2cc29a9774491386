#pragma once
// FeedbackHistory: the last feedback texts sent from this device, kept for the guest's feedback page.
// The property-list file "feedback" in VDHelper::feedbackSavePath() (documents/fb) holds an array of at
// most kLimit dictionaries, newest first:
//   "FeedbackContent"  the text sent
//   "SaveTime"         local time of saving, "yyyy/MM/dd HH:mm:ss"
//   "UserName"         always "游客"
// A missing or unreadable file, or one that holds no array, counts as an empty history; entries that are
// not dictionaries are left out when reading. Writes replace the file atomically.

#include <string>

#include "platform/core/Date.h"
#include "platform/core/Value.h"

class FeedbackHistory {
 public:
  static constexpr int kLimit = 5;
  static constexpr const char* kFileName = "feedback";
  static constexpr const char* kGuestName = "游客";
  static constexpr const char* kTimePattern = "yyyy/MM/dd HH:mm:ss";

  static std::string path();
  // The history, newest first (an empty array when there is none).
  static core::Value read();
  // A new entry for `text` saved at `now`.
  static core::Value entry(const std::string& text, core::Date now);
  // Puts the entry first, keeps the newest kLimit, writes the file. False when it could not be written.
  static bool add(const core::Value& entry);
};
