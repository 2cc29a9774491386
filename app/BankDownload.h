#pragma once
// BankDownload: a question-bank download a screen starts (the practice hub's library download, the
// settings' database update, the menu's update check and library download). It marks the application's
// download session (made when it has none) with where the download comes from, runs the bank check
// and download (VDHelper::downloadDBWithCancelBlock) and, once that completes, asks the update centre
// again (QuestionBank::checkUpdate, off the main thread) for the update list the menus show.

#include <functional>
#include <optional>

#include "bank/UpdateCentreReply.h"

class BankDownload {
 public:
  // The session flags the starting screen sets; "Main" is NO and "isHavefileName" says whether the
  // current subject's bank is on disk.
  struct Flags {
    bool isFirstOpenMain = false;
    bool isEvenMore = false;
    bool isUpdateDB = false;
  };
  using Done = std::function<void(const std::optional<UpdateCentreReply>& reply)>;

  // Does nothing without an application delegate. Once the download completes (on whatever thread), the
  // update centre is asked on the bank's worker; back on the main thread a reply replaces the
  // application's stored one (ApplicationState::updateReply) and `done` gets it (nullopt when none came
  // or it had the wrong shape).
  static void start(const Flags& flags, Done done = {});
};
