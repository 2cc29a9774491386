#pragma once
// UpdateSoftwareViewController ("updateSoftware"): the download panel of question-bank and application
// updates, and the update run that applies what it downloaded.
//
// The question-bank check makes it when the user accepts an update, sets the packets to fetch
// (setUpdateUrlArray: "update_list" items with "packe_type" and "packege_url"), the completion and stop
// blocks and the reply's status, and adds its view on top of the window. Loading the view starts the
// download at once. The panel keeps itself alive from then until it has closed, so the caller need not
// hold it; it removes its own view from the window when it is done or stopped.
//
// Download: every packet whose file is not complete yet is fetched through one NetworkQueue, at most four
// at a time, each after a HEAD request that learns its size. A packet goes to "<name>.temp" (name = the
// text after the last "/" of its URL) and is renamed to its name when complete; a ".temp" left by a
// stopped run is resumed with a range request. Application packages (type 4) go to
// AppPaths::downloadSoftware(), every other packet to AppPaths::downloadCacheDirectoryUpdate(). The panel
// shows the progress over all packets, the speed and the remaining time, and counts every received chunk
// with the traffic counter. A download that fails (also one answered with anything but a 2xx status; an
// error page is never kept as a packet) or the stop button cancels every download, runs the stop block
// and closes the panel; the partial ".temp" files stay for the next run. With status 4 the stop button is
// disabled.
//
// Update run (on a worker, once every packet is on disk; rl::postTaskAndReply, see
// platform/runloop/TaskAndReply.h for the rules): the packets are applied one by one in
// list order, the application package last, each by its PacketType, the bank's own steps through
// QuestionBank (which drops the key cache with every change):
//   1 a database update pack is merged into a fresh working copy of the subject's bank (DBVersion,
//     Test and OtherContent steps), which then replaces the bank by a rename;
//   3 an image zip is unpacked into AppPaths::imageSavePath();
//   4 an application package is handed to the panel's installer (by default the platform's, on Linux
//     "library missing": nothing is installed and the package is removed);
//   6 a new full bank: its database replaces the bank by a rename, its image pack is unpacked;
//   8 a database-and-images zip: its database pack is merged as type 1, then its image zip unpacked.
// The live bank is only ever replaced by renaming a complete file over it, so a process killed at any
// point leaves the old or the new bank, never none. A failed step shows "更新失败" (type 6:
// "题库解压失败", install failure -1: "安装失败") in an alert titled "提示", followed by "：" and the
// reason when a pack or an archive was refused (a missing column, an archive that would unpack past its
// limits, a damaged one: "题库解压失败：解压后超过压缩包大小的100倍"), closes the panel, and the run
// goes on with the other packets. At the end the download directories are removed, the completion block
// runs (on the run's thread) with YES only when every step succeeded, and the panel closes. An empty
// packet list finishes at once the same way, with NO.

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/UpdatePanel.h"
#include "bank/BankPaths.h"
#include "librarys/http/HTTPRequestDelegate.h"
#include "platform/core/Value.h"
#include "platform/system/Installer.h"
#include "ui/Button.h"
#include "ui/Label.h"
#include "ui/ViewController.h"

class HTTPRequest;
class NetworkQueue;

class UpdateSoftwareViewController : public ui::ViewController,
                                     public UpdatePanel,
                                     public HTTPRequestDelegate {
 public:
  using UpdatePanel::CompleteBlock;
  using UpdatePanel::kIdentifier;
  using UpdatePanel::StopBlock;

  static constexpr double kRequestTimeOutSeconds = 10;
  static constexpr double kCornerRadius = 15.0;
  static constexpr int kMandatoryUpdateStatus = 4;

  // The panel's progress bar (a determinate bar filled from the left).
  class ProgressView : public ui::View {
   public:
    explicit ProgressView(ui::Rect frame = {});
    std::string className() const override { return "UpdateProgressView"; }
    float progress() const { return progress_; }
    void setProgress(float progress);  // clamped to 0...1
    void draw(ui::Canvas& canvas, ui::Rect dirty) override;

   private:
    float progress_ = 0;
  };

  UpdateSoftwareViewController();
  ~UpdateSoftwareViewController() override;
  std::string className() const override { return "UpdateSoftwareViewController"; }

  // Registers this screen's creator under "updateSoftware" with the screen factory.
  static void registerScreen();

  // ---- set by the caller before the view loads ----
  core::Value updateUrlArray() const { return updateUrlArray_; }
  void setUpdateUrlArray(core::Value list) override;
  void setPackets(const std::vector<UpdatePacket>& packets) override;
  void setCompleteBlock(CompleteBlock block) override { completeBlock_ = std::move(block); }
  void setStopBlock(StopBlock block) override { stopBlock_ = std::move(block); }
  int status() const { return status_; }
  void setStatus(int status) override { status_ = status; }

  // ---- state of the download ----
  std::shared_ptr<NetworkQueue> networkQueue() const;
  // The request made for the most recent list item; null when that item needed no download.
  std::shared_ptr<HTTPRequest> downloadRequest() const { return downloadRequest_; }
  const std::vector<std::shared_ptr<HTTPRequest>>& downloadRequestArr() const { return downloadRequestArr_; }
  // The PacketType of every list item in list order, as decimal text.
  const std::vector<std::string>& packeTypeArr() const { return packeTypeArr_; }
  // Sum of the total sizes the responses announced; bytes of the packets counted so far (a resumed
  // download counts the part it already had).
  double totalSize() const { return totalSize_; }
  std::uint64_t currentSize() const { return currentSize_; }
  bool isHaveUpdateLibraryVersion() const { return isHaveUpdateLibraryVersion_; }
  bool upgradeDBSuccess() const { return upgradeDBSuccess_.load(); }
  core::Value systemSetting() const { return systemSetting_; }

  // Whether the panel was stopped (stop button or a failed download), whether the update run started
  // and whether it has ended (its completion block has run and the panel has closed).
  bool isStopped() const { return stopped_; }
  bool isRunStarted() const { return runStarted_.load(); }
  bool isRunFinished() const { return runFinished_.load(); }

  // ---- outlets (null until the view is loaded) ----
  ui::View* contentView() const { return contentView_.get(); }
  ProgressView* processView() const { return processView_.get(); }
  ui::Label* titleLabel() const { return titleLabel_.get(); }
  ui::Label* lblCurrentBytes() const { return lblCurrentBytes_.get(); }
  ui::Label* lblTotalBytes() const { return lblTotalBytes_.get(); }
  ui::Label* lblRemainingTime() const { return lblRemainingTime_.get(); }
  ui::Label* lblDownloadSpeed() const { return lblDownloadSpeed_.get(); }
  ui::Button* down_btn() const { return down_btn_.get(); }

  // ---- life cycle ----
  void loadView() override;
  // Prepares the labels and the panel, then starts the download (starDownloadr).
  void viewDidLoad() override;
  // Portrait only.
  bool shouldAutorotateToInterfaceOrientation(int orientation) const;

  // ---- download ----
  // Builds the queue and its requests and starts it; with nothing to download, starts the update run.
  void starDownloadr();
  // Makes the request of one list item in downloadRequest (null when its file is already complete).
  void setDownloadRequests(const core::Value& item);
  // The stop button.
  void cancelClick();

  // Queue delegate operations (main thread).
  void requestStarted(const std::shared_ptr<HTTPRequest>& request) override;
  void requestDidReceiveResponseHeaders(const std::shared_ptr<HTTPRequest>& request,
                                        const core::Value& headers) override;
  void requestFinished(const std::shared_ptr<HTTPRequest>& request) override;
  void requestFailed(const std::shared_ptr<HTTPRequest>& request) override;
  void queueFinished(const std::shared_ptr<NetworkQueue>& queue);

  // What a download's response head announces: the packet's full size ("Content-Length", or the full
  // size after "/" in "Content-Range: bytes first-last/full" of a resumed download) and the bytes it
  // already had (the first). Sizes below zero count as 0; both are read saturating, whatever the text.
  struct AnnouncedSize {
    double total = 0;
    std::uint64_t resumedFrom = 0;
  };
  static AnnouncedSize announcedSize(const core::Value& headers);
  // The texts of the speed and remaining-time labels for a bandwidth in bytes per second.
  static std::string speedText(double bytesPerSecond);
  static std::string remainingTimeText(double totalSize, double currentSize, double bytesPerSecond);
  // Where this panel's bandwidth comes from (default: HTTPRequest::averageBandwidthUsedPerSecond); set by
  // the owner before the view loads. An empty function restores the default.
  void setBandwidthSource(std::function<unsigned long()> source) { bandwidthSource_ = std::move(source); }
  // What installs an application package (default: the platform's installer, sys::Installer()); set by
  // the owner before the view loads.
  void setInstaller(sys::Installer installer) { installer_ = std::move(installer); }
  const sys::Installer& installer() const { return installer_; }

  // ---- update run ----
  // The whole run over `packets` (the panel's list, a deep copy), on the calling (worker) thread.
  // Started by the panel on the global queue; the panel keeps itself alive until the run's reply has
  // closed it, so the run may use its members (set before the view loaded and not changed since).
  void runUpdate(const core::Value& packets);
  // Puts the application package last (only the last one of several is kept).
  static core::Value arraySequence(const core::Value& list);
  // Moves "<path>.temp" to `path` when `path` is missing and the ".temp" file is there.
  static bool renameFile(const std::string& path);
  // Copies a file; false when the copy fails, also when the target exists.
  static bool copyFile(const std::string& source, const std::string& target);
  // The package installation (the panel's installer): 1 when the installation library is missing, 0
  // when the package could not be copied, -1 when the installation failed.
  int IPAInstall(const std::string& packagePath) const;

  // The directories and names one run works with (taken on the main thread when the panel loads).
  struct RunPaths {
    BankPaths bank;                      // the question bank's paths (QuestionBank)
    std::string subject;                 // the chosen subject's "Value"
    core::Value appName;                 // the QuoteProductChoice
    std::string updateDirectory;         // downloadCacheDirectoryUpdate
    std::string softwareDirectory;       // downloadSoftware
    std::string cacheDirectory;          // downloadCacheDirectory
    std::string dbDirectory;             // dbSavePath
    std::string imageDirectory;          // imageSavePath
    std::string dbImagePacketDirectory;  // downloadUpdateDBImagePacket
  };
  const RunPaths& runPaths() const { return paths_; }

  // The UpdateStep of list item `index`: "index", "packe_type", "updateItem", "packege_url", "fileName",
  // "downloadPath", "destinationDBPath", "localDBPath", "appName", "imageZipPath".
  static core::Value makeUpdateStep(std::size_t index, const core::Value& item, const RunPaths& paths);
  // One packet; true when its step succeeded (unknown packet types succeed without doing anything).
  bool operateUpdate(std::size_t index, const core::Value& item);
  bool operateDBUpPacket(const core::Value& step);
  bool operateDBNewPacket(const core::Value& step);
  bool operateDBImagePacket(const core::Value& step);
  bool operateUpdateDBImagePacket(const core::Value& step);
  bool updateSoftware(const std::string& packagePath);
  // Removes downloadCacheDirectory and downloadCacheDirectoryUpdate with everything in them.
  void removeCacheDirectory();
  // An alert titled "提示" with the message and the one button "确定" (handed to the main thread).
  static void createAlert(const std::string& message);

  // The failure alert's message for a refused pack or archive: "更新失败：" and the refusal; "更新失败"
  // without one.
  static std::string updateFailedText(const std::string& refusal);
  // A failure text followed by "：" and the refusal; the failure text alone without one.
  static std::string failedText(const std::string& failure, const std::string& refusal);
  // Unpacks a zip into a directory, overwriting; false when the file is not a zip or an entry failed,
  // and then `refusal` (when given) says why (BankFiles::refusalText).
  static bool unZip(const std::string& zipPath, const std::string& directory, std::string* refusal = nullptr);
  // A packet file name taken from a URL (the text after its last "/"); "" when it cannot name a file.
  static std::string fileNameOfURL(const std::string& url);

 private:
  void stopDownload();
  void receivedBytes(const HTTPRequest* request, std::int64_t count);
  void startUpdateRun();
  void finishRun(bool success);
  void updateUI();
  void closePanel();
  bool applyStep(const core::Value& step, int type);
  bool stepFailed(const char* message);
  std::string downloadDirectoryForType(int type) const;
  static void discardFailedDownload(const std::shared_ptr<HTTPRequest>& request,
                                    const std::string& destination, const std::string& temporary);
  static bool isSuccessStatus(int status);

  // Set by the caller.
  core::Value updateUrlArray_ = core::Value::newArray();
  CompleteBlock completeBlock_;
  StopBlock stopBlock_;
  int status_ = 0;
  std::function<unsigned long()> bandwidthSource_;
  sys::Installer installer_;

  // Download state (main thread).
  std::shared_ptr<NetworkQueue> networkQueue_;
  std::shared_ptr<HTTPRequest> downloadRequest_;
  std::vector<std::shared_ptr<HTTPRequest>> downloadRequestArr_;
  std::vector<std::string> packeTypeArr_;
  double totalSize_ = 0;
  std::uint64_t currentSize_ = 0;
  bool isHaveUpdateLibraryVersion_ = true;
  std::atomic<bool> upgradeDBSuccess_{false};
  core::Value systemSetting_ = core::Value::newDictionary();
  bool stopped_ = false;
  // Bytes a resumed download had before this run, by request, not yet seen in its progress reports.
  std::map<const HTTPRequest*, std::uint64_t> resumedBytes_;
  RunPaths paths_;

  // Run state.
  std::atomic<bool> runStarted_{false};
  std::atomic<bool> runFinished_{false};
  std::atomic<bool> runSucceeded_{true};

  // The panel keeps itself alive while it works (the caller only adds its view to the window).
  std::shared_ptr<UpdateSoftwareViewController> keepAlive_;

  // Outlets.
  std::shared_ptr<ui::View> contentView_;
  std::shared_ptr<ProgressView> processView_;
  std::shared_ptr<ui::Label> titleLabel_;
  std::shared_ptr<ui::Label> lblCurrentBytes_;
  std::shared_ptr<ui::Label> lblTotalBytes_;
  std::shared_ptr<ui::Label> lblRemainingTime_;
  std::shared_ptr<ui::Label> lblDownloadSpeed_;
  std::shared_ptr<ui::Button> down_btn_;
};
