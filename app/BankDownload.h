#pragma once
// BankDownload: a question-bank download a screen starts (the practice hub's library download, the
// settings' database update, the menu's update check and library download). It marks the application's
// download session (made when it has none) with where the download comes from, runs the bank check
// and download (VDHelper::downloadDBWithCancelBlock) and, once that completes, asks the update centre
// again for the update list the menus show.

#include <functional>

#include "platform/core/Value.h"

class BankDownload {
 public:
  // The session flags the starting screen sets; "Main" is NO and "isHavefileName" says whether the
  // current subject's bank is on disk.
  struct Flags {
    bool isFirstOpenMain = false;
    bool isEvenMore = false;
    bool isUpdateDB = false;
  };

  // Does nothing without an application delegate. The completion may come on the download's thread:
  // the update centre is asked there; on the main thread a reply replaces the session's "jsonObject"
  // and `done` gets it (null when none came).
  static void start(const Flags& flags, std::function<void(const core::Value& reply)> done = {});
};
