// UpdateSoftwareViewController: the panel and the download of the packets. The update run that applies
// them is in UpdateSoftwareViewControllerRun.cpp.

#include "screens/update/UpdateSoftwareViewController.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <set>
#include <utility>

#include "app/AppPaths.h"
#include "app/SubjectChoice.h"
#include "app/VDLogHelper.h"
#include "app/VDViewControllerFactory.h"
#include "librarys/http/HTTPRequest.h"
#include "librarys/http/NetworkQueue.h"
#include "platform/core/Paths.h"
#include "platform/core/Text.h"
#include "platform/core/URL.h"
#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/RunLoop.h"
#include "platform/runloop/TaskAndReply.h"
#include "screens/update/PacketType.h"
#include "ui/Canvas.h"
#include "ui/Path.h"
#include "ui/WeakScreen.h"

namespace {

std::string format(const char* pattern, double value) {
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, pattern, value);
  return buffer;
}

// A response header by name, in any letter case; Nil when absent.
core::Value headerNamed(const core::Value& headers, const std::string& name) {
  if (!headers.isDictionary()) return {};
  for (const auto& [key, value] : headers.dict())
    if (core::equalsIgnoringCase(key, name)) return value;
  return {};
}

// The contents view's background: a gradient from white at the top to black at the bottom.
class GradientView : public ui::View {
 public:
  using ui::View::View;
  std::string className() const override { return "GradientView"; }
  void draw(ui::Canvas& canvas, ui::Rect dirty) override {
    const ui::Rect b = bounds();
    canvas.drawLinearGradient({b.origin.x, b.origin.y}, {b.origin.x, b.origin.y + b.size.height},
                              {{0, ui::Color::white()}, {1, ui::Color::black()}});
  }
};

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Progress bar

UpdateSoftwareViewController::ProgressView::ProgressView(ui::Rect frame) : ui::View(frame) {
  setBackgroundColor(ui::Color::clear());
}

void UpdateSoftwareViewController::ProgressView::setProgress(float progress) {
  progress = std::clamp(progress, 0.0f, 1.0f);
  if (progress == progress_) return;
  progress_ = progress;
  setNeedsDisplay();
}

void UpdateSoftwareViewController::ProgressView::draw(ui::Canvas& canvas, ui::Rect dirty) {
  const ui::Rect b = bounds();
  canvas.setFillColor(ui::Color::lightGray());
  canvas.fillRect(b);
  canvas.setFillColor(ui::Color::rgb255(0, 122, 255));
  canvas.fillRect({b.origin.x, b.origin.y, b.size.width * progress_, b.size.height});
}

// ---------------------------------------------------------------------------------------------------
// Making

UpdateSoftwareViewController::UpdateSoftwareViewController() = default;

UpdateSoftwareViewController::~UpdateSoftwareViewController() {
  if (networkQueue_) networkQueue_->setDelegate({});
}

void UpdateSoftwareViewController::registerScreen() {
  VDViewControllerFactory::registerScreen(
      kIdentifier, [](const std::string&) { return std::make_shared<UpdateSoftwareViewController>(); });
}

void UpdateSoftwareViewController::setUpdateUrlArray(core::Value list) {
  updateUrlArray_ = list.isArray() ? std::move(list) : core::Value::newArray();
}

void UpdateSoftwareViewController::setPackets(const std::vector<UpdatePacket>& packets) {
  core::Value list = core::Value::newArray();
  for (const UpdatePacket& packet : packets) list.push_back(packet.toValue());
  setUpdateUrlArray(std::move(list));
}

std::shared_ptr<NetworkQueue> UpdateSoftwareViewController::networkQueue() const { return networkQueue_; }

bool UpdateSoftwareViewController::shouldAutorotateToInterfaceOrientation(int orientation) const {
  return orientation == 1;  // portrait
}

// ---------------------------------------------------------------------------------------------------
// The panel

void UpdateSoftwareViewController::loadView() {
  auto root = std::make_shared<ui::View>(ui::Rect{0, 0, 320, 480});
  root->setBackgroundColor(ui::Color::gray(0, 0.4));

  contentView_ = std::make_shared<ui::View>(ui::Rect{25, 150, 270, 180});
  contentView_->setBackgroundColor(ui::Color::white());
  root->addSubview(contentView_);

  titleLabel_ = std::make_shared<ui::Label>(ui::Rect{10, 12, 250, 24}, "正在下载更新");
  titleLabel_->setFont(ui::Font::boldSystem(17));
  titleLabel_->setTextAlignment(ui::TextAlignment::Center);
  contentView_->addSubview(titleLabel_);

  processView_ = std::make_shared<ProgressView>(ui::Rect{15, 50, 240, 10});
  contentView_->addSubview(processView_);

  lblCurrentBytes_ = std::make_shared<ui::Label>(ui::Rect{15, 68, 120, 20});
  lblTotalBytes_ = std::make_shared<ui::Label>(ui::Rect{135, 68, 120, 20});
  lblDownloadSpeed_ = std::make_shared<ui::Label>(ui::Rect{15, 92, 120, 20});
  lblRemainingTime_ = std::make_shared<ui::Label>(ui::Rect{135, 92, 120, 20});
  for (const auto& label : {lblCurrentBytes_, lblTotalBytes_, lblDownloadSpeed_, lblRemainingTime_}) {
    label->setFont(ui::Font::system(13));
    contentView_->addSubview(label);
  }
  lblTotalBytes_->setTextAlignment(ui::TextAlignment::Right);
  lblRemainingTime_->setTextAlignment(ui::TextAlignment::Right);

  down_btn_ = ui::Button::buttonWithType(ui::ButtonType::RoundedRect, ui::Rect{85, 128, 100, 36});
  down_btn_->setTitle("停止下载");
  const auto weak = ui::weakScreen(*this);
  down_btn_->addTarget(ui::ControlEvent::TouchUpInside, [weak](ui::Control&) {
    if (auto self = weak.lock()) self->cancelClick();
  });
  contentView_->addSubview(down_btn_);

  setView(root);
}

void UpdateSoftwareViewController::viewDidLoad() {
  // 1. The labels: a list that is exactly one application package shows the install texts.
  const std::size_t count = updateUrlArray_.size();
  for (std::size_t i = 0; i < count; ++i) {
    const int type = static_cast<int>(updateUrlArray_[i]["packe_type"].toInt());
    isHaveUpdateLibraryVersion_ = !(type == kPacketTypeApplication && count == 1);
    if (isHaveUpdateLibraryVersion_) {
      if (count == 1 && type == kPacketTypeNewBank) titleLabel_->setText("题库下载");
    } else {
      lblCurrentBytes_->setHidden(true);
      lblDownloadSpeed_->setHidden(true);
      lblRemainingTime_->setHidden(true);
      titleLabel_->setText("正在安装，请稍等");
      lblTotalBytes_->setText("已完成：  ");
      down_btn_->setTitle("停止安装");
    }
  }
  // 2. A mandatory update cannot be stopped.
  if (status_ == kMandatoryUpdateStatus) {
    down_btn_->setUserInteractionEnabled(false);
    down_btn_->setEnabled(false);
  }
  // 3.
  packeTypeArr_.clear();
  downloadRequestArr_.clear();
  // 4. Rounded corners and the gradient at the bottom of the contents view.
  contentView_->layer().setCornerRadius(kCornerRadius);
  contentView_->setClipsToBounds(true);
  auto gradient = std::make_shared<GradientView>(contentView_->bounds());
  contentView_->insertSubview(gradient, 0);

  // The panel works on until it closes, whoever else holds it.
  keepAlive_ = std::static_pointer_cast<UpdateSoftwareViewController>(shared_from_this());

  // The directories of this download and its run (taken once, on the main thread).
  paths_.bank = AppPaths::bankPaths();
  paths_.appName = SubjectChoice::appName();
  paths_.subject = SubjectChoice::subjectEName();
  paths_.updateDirectory = AppPaths::downloadCacheDirectoryUpdate();
  paths_.softwareDirectory = AppPaths::downloadSoftware();
  paths_.dbDirectory = AppPaths::dbSavePath();
  paths_.dbImagePacketDirectory = paths_.updateDirectory + "/DBImagePacket";
  if (SubjectChoice::isUsableSubjectName(paths_.subject)) {
    // Without a subject these would be the parents of every subject's folders: the run touches neither.
    paths_.cacheDirectory = AppPaths::getDirectory("/downloadCache/" + paths_.subject);
    paths_.imageDirectory = AppPaths::getDirectory("/imgcache/" + paths_.subject);
  }

  // 5. The download.
  starDownloadr();
}

// ---------------------------------------------------------------------------------------------------
// Download

std::string UpdateSoftwareViewController::downloadDirectoryForType(int type) const {
  return type == kPacketTypeApplication ? paths_.softwareDirectory : paths_.updateDirectory;
}

std::string UpdateSoftwareViewController::fileNameOfURL(const std::string& url) {
  const auto slash = url.rfind('/');
  const std::string name = slash == std::string::npos ? url : url.substr(slash + 1);
  // The name comes from the server: it must name one file inside the download directory.
  if (name.empty() || name == "." || name == ".." || name.find('\\') != std::string::npos ||
      name.find('\0') != std::string::npos)
    return {};
  return name;
}

void UpdateSoftwareViewController::starDownloadr() {
  // The download belongs to a loaded panel: loading it starts the download.
  if (!isViewLoaded()) {
    view();
    return;
  }
  // 1. A new queue (a previous one is cancelled first).
  if (networkQueue_) networkQueue_->cancelAllOperations();
  networkQueue_ = NetworkQueue::queue();
  networkQueue_->setDelegate(weakAs<HTTPRequestDelegate>());
  networkQueue_->setShouldCancelAllRequestsOnFailure(true);
  networkQueue_->setRequestDidStartSelector(
      [](HTTPRequestDelegate& d, const std::shared_ptr<HTTPRequest>& r) { d.requestStarted(r); });
  networkQueue_->setRequestDidReceiveResponseHeadersSelector(
      [](HTTPRequestDelegate& d, const std::shared_ptr<HTTPRequest>& r, const core::Value& headers) {
        d.requestDidReceiveResponseHeaders(r, headers);
      });
  networkQueue_->setRequestDidFinishSelector(
      [](HTTPRequestDelegate& d, const std::shared_ptr<HTTPRequest>& r) { d.requestFinished(r); });
  networkQueue_->setRequestDidFailSelector(
      [](HTTPRequestDelegate& d, const std::shared_ptr<HTTPRequest>& r) { d.requestFailed(r); });
  networkQueue_->setQueueDidFinishSelector(
      [](HTTPRequestDelegate& d, const std::shared_ptr<NetworkQueue>& q) {
        if (auto* panel = dynamic_cast<UpdateSoftwareViewController*>(&d)) panel->queueFinished(q);
      });
  networkQueue_->setMaxConcurrentOperationCount(NetworkQueue::kMaxConcurrentRequests);
  networkQueue_->setShowAccurateProgress(true);

  // 2. One request per packet whose file is not complete yet.
  packeTypeArr_.clear();
  downloadRequestArr_.clear();
  std::set<std::string> destinations;
  for (std::size_t i = 0; i < updateUrlArray_.size(); ++i) {
    setDownloadRequests(updateUrlArray_[i]);
    if (!downloadRequest_) continue;
    // Two packets of the same name would write the same file: the first one fetches it.
    if (!destinations.insert(downloadRequest_->downloadDestinationPath()).second) {
      downloadRequest_.reset();
      continue;
    }
    downloadRequestArr_.push_back(downloadRequest_);
    networkQueue_->addOperation(downloadRequest_);
  }

  // 3. / 4.
  if (!packeTypeArr_.empty() && !downloadRequestArr_.empty()) {
    networkQueue_->go();
    return;
  }
  titleLabel_->setText("下载完毕");
  down_btn_->setUserInteractionEnabled(false);
  lblTotalBytes_->setText("已完成：100%");
  processView_->setProgress(1.0f);
  startUpdateRun();
}

void UpdateSoftwareViewController::setDownloadRequests(const core::Value& item) {
  const int type = static_cast<int>(item["packe_type"].toInt());
  packeTypeArr_.push_back(std::to_string(type));

  const std::string url = item["packege_url"].toString();
  const std::string name = fileNameOfURL(url);
  const std::optional<core::URL> parsed = core::URL::parse(url);
  if (name.empty() || !parsed) {
    // Nothing can be fetched for it; applying it fails later.
    downloadRequest_.reset();
    return;
  }
  const std::string destination = downloadDirectoryForType(type) + "/" + name;
  const std::string temporary = destination + ".temp";
  if (core::Paths::isRegularFile(destination)) {
    downloadRequest_.reset();
    return;
  }

  auto request = HTTPRequest::requestWithURL(parsed);
  request->setDownloadDestinationPath(destination);
  request->setTemporaryFileDownloadPath(temporary);
  request->setAllowResumeForFileDownloads(true);
  request->setShouldContinueWhenAppEntersBackground(true);
  request->setTimeOutSeconds(kRequestTimeOutSeconds);
  request->setStartedBlock([] {});
  const auto weakSelf = ui::weakScreen(*this);
  const HTTPRequest* identity = request.get();
  request->setBytesReceivedBlock([weakSelf, identity](std::uint64_t size, std::uint64_t) {
    if (auto self = weakSelf.lock()) self->receivedBytes(identity, static_cast<std::int64_t>(size));
  });
  // Whatever way the request ends, an answer that was not a success (an error page) is not kept: neither
  // as the packet nor as a ".temp" that a later run would resume.
  std::weak_ptr<HTTPRequest> weakRequest = request;
  auto discard = [weakRequest, destination, temporary] {
    discardFailedDownload(weakRequest.lock(), destination, temporary);
  };
  request->setCompletionBlock(discard);
  request->setFailedBlock(discard);
  downloadRequest_ = request;
}

bool UpdateSoftwareViewController::isSuccessStatus(int status) { return status >= 200 && status < 300; }

void UpdateSoftwareViewController::discardFailedDownload(const std::shared_ptr<HTTPRequest>& request,
                                                         const std::string& destination,
                                                         const std::string& temporary) {
  if (!request) return;
  const int status = request->responseStatusCode();
  if (status == 0 || isSuccessStatus(status)) return;
  core::Paths::removeAll(temporary);
  core::Paths::removeAll(destination);
}

void UpdateSoftwareViewController::requestStarted(const std::shared_ptr<HTTPRequest>& request) {
  upgradeDBSuccess_ = false;
}

void UpdateSoftwareViewController::requestDidReceiveResponseHeaders(
    const std::shared_ptr<HTTPRequest>& request, const core::Value& headers) {
  if (stopped_) return;
  if (!isSuccessStatus(request->responseStatusCode())) {
    // An error page is no packet: the download fails.
    stopDownload();
    return;
  }
  const AnnouncedSize size = announcedSize(headers);
  // A resumed download's first progress report counts the part it already had; that part is no new
  // traffic.
  if (size.resumedFrom > 0) resumedBytes_[request.get()] = size.resumedFrom;
  totalSize_ += size.total;
  if (isHaveUpdateLibraryVersion_) lblTotalBytes_->setText(format("总共  %.2f MB", totalSize_ / 1024 / 1024));
}

UpdateSoftwareViewController::AnnouncedSize UpdateSoftwareViewController::announcedSize(
    const core::Value& headers) {
  auto nonNegative = [](std::int64_t n) { return n > 0 ? n : 0; };
  AnnouncedSize size;
  size.total = static_cast<double>(nonNegative(headerNamed(headers, "Content-Length").toInt()));
  const core::Value range = headerNamed(headers, "Content-Range");
  if (range.isNil()) return size;
  // "bytes first-last/full": a resumed download announces the full size there.
  const std::string text = range.toString();
  const auto slash = text.rfind('/');
  if (slash != std::string::npos)
    size.total = static_cast<double>(nonNegative(core::Value(text.substr(slash + 1)).toInt()));
  const auto space = text.find(' ');
  if (space != std::string::npos)
    size.resumedFrom = static_cast<std::uint64_t>(nonNegative(core::Value(text.substr(space + 1)).toInt()));
  return size;
}

void UpdateSoftwareViewController::requestFinished(const std::shared_ptr<HTTPRequest>& request) {
  // A finished request that was answered with an error status failed all the same.
  if (!isSuccessStatus(request->responseStatusCode())) stopDownload();
}

void UpdateSoftwareViewController::requestFailed(const std::shared_ptr<HTTPRequest>& request) {
  stopDownload();
}

void UpdateSoftwareViewController::cancelClick() { stopDownload(); }

void UpdateSoftwareViewController::stopDownload() {
  if (stopped_ || runStarted_) return;
  stopped_ = true;
  auto self = keepAlive_;  // alive to the end of this call
  if (downloadRequest_) downloadRequest_->cancel();
  if (StopBlock block = stopBlock_) block();
  // Cancels the other downloads; their partial ".temp" files stay for the next run.
  if (networkQueue_) networkQueue_->reset();
  closePanel();
  keepAlive_.reset();
}

void UpdateSoftwareViewController::closePanel() {
  if (auto* v = viewIfLoaded()) v->removeFromSuperview();
}

void UpdateSoftwareViewController::receivedBytes(const HTTPRequest* request, std::int64_t count) {
  if (stopped_) return;
  if (count < 0) {
    const auto taken = static_cast<std::uint64_t>(-count);
    currentSize_ = taken > currentSize_ ? 0 : currentSize_ - taken;
  } else {
    currentSize_ += static_cast<std::uint64_t>(count);
  }
  // Progress over every packet; nothing is known before the first size arrives.
  double progress = totalSize_ > 0 ? static_cast<double>(currentSize_) / totalSize_ : 0.0;
  progress = std::clamp(progress, 0.0, 1.0);
  processView_->setProgress(static_cast<float>(progress));
  if (isHaveUpdateLibraryVersion_) {
    lblCurrentBytes_->setText(format("已下载  %.2f%%", progress * 100));
  } else {
    lblTotalBytes_->setText(format("已完成  %.2f%%", progress * 100));
  }
  // Every chunk counts as traffic, also while no bandwidth has been measured yet; the part of a resumed
  // download that an earlier run fetched was counted then.
  std::int64_t traffic = count;
  if (auto resumed = resumedBytes_.find(request); resumed != resumedBytes_.end() && traffic > 0) {
    const auto already = static_cast<std::int64_t>(std::min<std::uint64_t>(resumed->second, traffic));
    traffic -= already;
    resumed->second -= static_cast<std::uint64_t>(already);
    if (resumed->second == 0) resumedBytes_.erase(resumed);
  }
  if (traffic > 0) VDLogHelper::appendSize(traffic);

  const unsigned long bandwidth =
      bandwidthSource_ ? bandwidthSource_() : HTTPRequest::averageBandwidthUsedPerSecond();
  if (bandwidth == 0) return;
  lblDownloadSpeed_->setText(speedText(static_cast<double>(bandwidth)));
  lblRemainingTime_->setText(
      remainingTimeText(totalSize_, static_cast<double>(currentSize_), static_cast<double>(bandwidth)));
}

std::string UpdateSoftwareViewController::speedText(double bytesPerSecond) {
  const double kB = bytesPerSecond / 1024;
  if (kB < 1024) return format("速度  %.0fKB/S", kB);
  return format("速度  %.0fMB/S", kB / 1024);
}

std::string UpdateSoftwareViewController::remainingTimeText(double totalSize, double currentSize,
                                                            double bytesPerSecond) {
  if (bytesPerSecond <= 0) return {};
  const double minutes = std::max(0.0, totalSize - currentSize) / bytesPerSecond / 60;
  if (minutes < 1) return format("剩余  %.0f秒", minutes * 60);
  return format("剩余  %.0f分钟", minutes);
}

void UpdateSoftwareViewController::queueFinished(const std::shared_ptr<NetworkQueue>& queue) {
  if (stopped_) return;
  updateUI();
  // The run removes the download directories itself when it ends; nothing is cleaned up here, since
  // the run reads the packets.
  startUpdateRun();
}

void UpdateSoftwareViewController::updateUI() {
  const bool installing = std::find(packeTypeArr_.begin(), packeTypeArr_.end(),
                                    std::to_string(kPacketTypeApplication)) != packeTypeArr_.end();
  titleLabel_->setText(installing ? "正在安装，即将退出..." : "下载完毕，正在更新...");
}

void UpdateSoftwareViewController::startUpdateRun() {
  if (runStarted_.exchange(true)) return;
  // The run works on its own copy of the list. keepAlive_ holds the panel until finishRun (the reply,
  // on this thread) lets it go, so the worker may use the panel through a plain pointer; holding it
  // strongly there could make the worker the one that destroys its views.
  if (!keepAlive_) keepAlive_ = std::static_pointer_cast<UpdateSoftwareViewController>(shared_from_this());
  const core::Value packets = updateUrlArray_.deepCopy();
  UpdateSoftwareViewController* run = this;
  rl::postTaskAndReply(
      rl::DispatchQueue::global(), std::weak_ptr<UpdateSoftwareViewController>(keepAlive_),
      [run, packets] { run->runUpdate(packets); },
      [](UpdateSoftwareViewController& self) { self.finishRun(self.runSucceeded_.load()); });
}

void UpdateSoftwareViewController::finishRun(bool success) {
  closePanel();
  runFinished_ = true;
  keepAlive_.reset();
}
