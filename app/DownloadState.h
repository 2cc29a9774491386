#pragma once
// DownloadState: the flags of the question-bank check in progress, which the screen that starts a
// check sets and the check (BankUpdateCheck) reads. The session's download dictionary (DownSession) is
// the backing store; this type reads and writes its five flags in one place:
//   isFirstOpenMain  started by the home screen's first appearance
//   isEvenMore       started from the "more" menu (an up-to-date bank is reported)
//   isHavefileName   the chosen subject's bank file exists
//   Main             the home screen's background check has finished
//   isUpdateDB       the bank is to be replaced as a whole
// A flag reads as core::Value::toBool reads it (a stored "YES" too); a missing one reads as NO.

#include "platform/core/Value.h"

struct DownloadState {
  bool isFirstOpenMain = false;
  bool isEvenMore = false;
  bool isHavefileName = false;
  bool main = false;  // "Main"
  bool isUpdateDB = false;

  // The flags of a download dictionary (all NO for anything that is no dictionary).
  static DownloadState from(const core::Value& downSession);
  // Sets the five flags in the dictionary, leaving its other entries; nothing when it is none.
  void writeTo(core::Value& downSession) const;

  bool operator==(const DownloadState&) const = default;
};
