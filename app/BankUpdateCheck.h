#pragma once
// BankUpdateCheck: the question-bank check and its download prompts (VDHelper's class methods of the
// same names forward here).

#include <functional>
#include <string>
#include <vector>

#include "bank/UpdateCentreReply.h"
#include "platform/core/Value.h"

class BankUpdateCheck {
 public:
  // One check at a time lives in the application delegate's DownSession: its flags ("isFirstOpenMain",
  // "isEvenMore", "isHavefileName", "Main", "isUpdateDB"; a missing flag reads as NO) in the dictionary,
  // the last update-centre reply as a typed value beside it (ApplicationState::updateReply), its three
  // blocks here (a dictionary holds no functions). The callers write the flags before they start a check.
  // Main thread, except where said.
  using CancelBlock = std::function<void()>;
  using CompleteBlock = std::function<void(bool success)>;
  using StopBlock = std::function<void()>;
  struct DownSessionBlocks {
    CancelBlock cacelBlock;  // kept, never called
    CompleteBlock completeBlock;
    StopBlock stopBlock;
  };
  static DownSessionBlocks downSessionBlocks();

  // The explicit check. Offline: the network alert with the localized "alertNetwork", nothing stored.
  // Otherwise the blocks are stored and the update centre is asked (getLibrary) when
  // ("Main" and "isFirstOpenMain") or (not "Main" and ("isEvenMore" or "isUpdateDB" or not
  // "isHavefileName")).
  static void downloadDBWithCancelBlock(CancelBlock cancelBlock, CompleteBlock completeBlock,
                                        StopBlock stopBlock);
  // Asks the update centre for the chosen subject's packets (asynchronously, with the request
  // overlay) with max batch id -1 when "isHavefileName" is NO or "isUpdateDB" is YES, else the local
  // bank's largest batch id (read on the bank's worker first: QuestionBank::maxBatchId). The reply goes
  // to didQuery on the main thread. Called on another thread, the query is started on the main thread.
  static void getLibrary();
  // The same query, synchronous on the calling thread (any thread; QuestionBank::queryUpdateCentre): max
  // batch id from the bank file alone (-1 without one). The reply with "update_list" an empty array when
  // it was missing or null; null when there was no reply.
  static core::Value getLibrarySyn();
  // The reply of getLibrary: a failure, or a reply of the wrong shape (UpdateCentreReply::parse), shows
  // "提示" / "没有任何信息" / "确定"; a reply is stored (ApplicationState::updateReply), and prompts
  // (updateAlert) when its "status" is 0, "Main" is NO and ("isEvenMore" or "isFirstOpenMain" or not
  // "isHavefileName").
  static void didQuery(bool ok, const core::Value& json);
  // The prompt for the stored reply (the second form: for `reply`), by its update list L, status S and
  // the flags of `downSession` (first case that applies):
  //   1 L not empty, S 4:                 localized "alertTitle", the update text, "关闭" / "立即升级"
  //   2 L not empty, (no bank and one packet) or "isUpdateDB":
  //                                       "提示", localized "againDwonDBMess" (re-download) or
  //                                       "libraryDwonMess", "取消" / "继续下载" when the update download
  //                                       directory exists, else "重下题库" (re-download), else "下载"
  //   3 L not empty, "isFirstOpenMain" or "isEvenMore":
  //                                       localized "alertTitle", the update text, "暂不更新" / "立即更新"
  //   4 L not empty, bank present:        no prompt
  //   5 L not empty:                      "提示", localized "libraryDwonMess", "取消" / "继续下载" or "下载"
  //   6 L empty:                          only for "isEvenMore": "提示" / "该软件已是最新版本" / "确定"
  // Cancel with S 4 runs the application's exit; the other button opens the update panel
  // ("updateSoftware") on the window with the packets (only those of type 6 when (no bank and one
  // packet) or no flag is set), the completion and stop blocks and S. A re-download keeps the local
  // bank until the new one replaces it. When no packet is left to fetch the panel is not opened: the
  // stop block runs and "提示" / "没有可下载的题库" / "确定" says so. The first argument is not used.
  static void updateAlert(CancelBlock cancelBlock, CompleteBlock completeBlock, StopBlock stopBlock,
                          const core::Value& downSession);
  static void updateAlert(CancelBlock cancelBlock, CompleteBlock completeBlock, StopBlock stopBlock,
                          const core::Value& downSession, const UpdateCentreReply& reply);
  // "更新内容:", then "\n<n>:<update_content>" for each packet (n from 1), then "\n" and the localized
  // "upateExplanation"; an empty list gives "更新内容:".
  static std::string getUpdateMess(const core::Value& updateList);
  // The packets the update panel gets for a reply's list and the flags (see updateAlert).
  static core::Value packetsToFetch(const core::Value& updateList, bool firstOpenMain, bool evenMore,
                                    bool haveFile);
  static std::vector<UpdatePacket> packetsToFetch(const std::vector<UpdatePacket>& updateList,
                                                  bool firstOpenMain, bool evenMore, bool haveFile);
  // Whether only the new-bank packets (type 6) of a list of `count` are fetched.
  static bool onlyNewBank(std::size_t count, bool firstOpenMain, bool evenMore, bool haveFile);
  static constexpr const char* kNothingToDownloadMessage = "没有可下载的题库";
  // A function tapped without a bank, when the update centre offers none for the subject: "提示" with the
  // centre's "message" (kNoBankMessage when it sends none) and "确定" / "选择科目", the latter opening the
  // subject choice. Without it the tap would end in silence.
  static void noBankAlert(const std::string& message);
  static constexpr const char* kNoBankMessage = "该科目暂无可下载的题库";
  static constexpr const char* kChooseSubjectButton = "选择科目";

};
