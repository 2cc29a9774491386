#pragma once
// SubjectChoice: the subject and series the user has chosen, as the user defaults (and, before they are
// stored, the session) hold them.
//
// The chosen subject (QuoteProductChoice) is a dictionary {"Key", "Value"} stored under the user default
// "saveAppName"; "Value" is the subject's short English name and names the subject's files and
// directories. A choice whose "Value" is not a usable file name (empty, or containing "/", "\" or "..")
// is treated as no choice at all: it is never stored and never read.
//
// Any thread: the session, which belongs to the main thread, is read on the main thread only; on any
// other thread it reads as empty.

#include <string>
#include <string_view>

#include "platform/core/Value.h"

class SubjectChoice {
 public:
  static constexpr const char* kSaveAppName = "saveAppName";
  static constexpr const char* kSaveQuoteName = "saveQuoteName";

  // The chosen subject: the user default "saveAppName", else the session's "saveAppName", else Nil.
  static core::Value appName();
  // The chosen series: the user default "saveQuoteName", else the session's "saveQuoteName", else Nil.
  static core::Value quoteName();
  // The "Value" of the chosen subject; "" when there is none.
  static std::string subjectEName();
  // Store the choice and synchronize the user defaults. saveQuoteProduct refuses (returns false,
  // stores nothing) a choice that is not a usable subject; saveQuoteName refuses a missing one.
  static bool saveQuoteProduct(const core::Value& choice);
  static bool saveQuoteName(const core::Value& choice);

  // A subject short name that can name files: not empty, no "/", "\" or "..", no NUL.
  static bool isUsableSubjectName(std::string_view name);
  // A QuoteProductChoice dictionary whose "Value" is a usable subject short name.
  static bool isUsableQuoteProduct(const core::Value& choice);

  // An entry of the running application's user session; Nil off the main thread or without one.
  static core::Value sessionEntry(const char* key);
};
