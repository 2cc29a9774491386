#include "app/VDHelper.h"

#include <spawn.h>
#include <sys/wait.h>

#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>

#include "app/AppDelegate.h"
#include "app/PageScriptTarget.h"
#include "app/SidePanelController.h"
#include "app/TextSizeMeasurer.h"
#include "app/UpdateSoftwareViewController.h"
#include "app/VDViewControllerFactory.h"
#include "dao/BankKeyCache.h"
#include "dao/BankLocation.h"
#include "dao/DBVersionDAO.h"
#include "dao/SystemDAO.h"
#include "platform/core/Bundle.h"
#include "platform/core/DateFormatter.h"
#include "platform/core/Paths.h"
#include "platform/core/Text.h"
#include "platform/core/UserDefaults.h"
#include "platform/runloop/RunLoop.h"
#include "service/System.h"
#include "ui/AlertView.h"
#include "ui/Application.h"
#include "ui/Label.h"
#include "ui/NavigationController.h"
#include "ui/ScrollView.h"
#include "ui/Window.h"
#include "util/DeviceIdentifier.h"
#include "util/MD5Digest.h"
#include "util/SystemVersion.h"
#include "util/ZipWrapper.h"
#include "widgets/UIAlertViewBlock.h"

extern char** environ;

namespace {

constexpr const char* kSaveAppName = "saveAppName";

// The functions the script of every question page defines, by page-call type (0 to 5). Each is called
// without arguments; its result is not used.
constexpr std::array<const char*, 6> kQuestionPageFunctions = {
    "userAnalysis",         "userDisAnalysis", "updateAnalysisImage",
    "updateAnalysisImageR", "updateFavImage",  "updateFavImageR"};
constexpr const char* kSaveQuoteName = "saveQuoteName";

// The session belongs to the main thread: on any other thread it reads as empty.
core::Value sessionEntry(const char* key) {
  if (!rl::RunLoop::isMainThread()) return {};
  AppDelegate* app = VDHelper::getAppdelegate();
  if (!app) return {};
  return app->userSession()[key];
}

// The replaceable services, each behind the one lock.
struct Services {
  std::mutex lock;
  std::shared_ptr<const TextSizeMeasurer> measurer;
  std::function<core::Date()> now;
  std::function<bool(const std::string&)> urlOpener;
};

Services& services() {
  static Services s;
  return s;
}

// Hands an address to the desktop's opener. The opener is reaped on a thread of its own, so the
// caller (the main thread) never waits for it; true when it could be started.
bool openWithDesktop(const std::string& url) {
  const char* argv[] = {"xdg-open", url.c_str(), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) {
    return false;
  }
  std::thread([pid] {
    int status = 0;
    waitpid(pid, &status, 0);
  }).detach();
  return true;
}

// The whole part of a number as its "%f" text without the last 7 characters (the point and six
// decimals).
std::string wholePart(double x) {
  const int n = std::snprintf(nullptr, 0, "%f", x);
  if (n <= 7) return std::string();
  std::string text(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(text.data(), text.size(), "%f", x);
  text.resize(static_cast<std::size_t>(n) - 7);
  return text;
}

// A zone offset as the short zone text: "GMT", "GMT+8", "GMT-3:30".
std::string zoneText(int secondsFromGMT) {
  if (secondsFromGMT == 0) return "GMT";
  const char sign = secondsFromGMT < 0 ? '-' : '+';
  const int total = std::abs(secondsFromGMT) / 60;
  std::string text = "GMT" + std::string(1, sign) + std::to_string(total / 60);
  if (total % 60 != 0) {
    char minutes[8];
    std::snprintf(minutes, sizeof minutes, ":%02d", total % 60);
    text += minutes;
  }
  return text;
}

constexpr const char* kTimePattern = "yyyy-MM-dd HH:mm:ss";

}  // namespace

AppDelegate* VDHelper::getAppdelegate() { return AppDelegate::current(); }

// ---- directories and resources ----

std::string VDHelper::getDirectory(std::string_view suffix) {
  return core::Paths::caches() + std::string(suffix);
}

std::string VDHelper::createDirectory(const std::string& path) {
  if (!core::Paths::fileExists(path)) core::Paths::createDirectories(path);
  return path;
}

std::string VDHelper::subjectName() {
  // With no subject chosen the name reads as the text of a missing value, as a format would print it.
  return getVDAppName()["Value"].describe();
}

std::string VDHelper::downloadCacheDirectoryUpdate() {
  return createDirectory(getDirectory("/downloadCache/Update_" + subjectName()));
}

std::string VDHelper::downloadUpdateDBImagePacket() {
  return createDirectory(getDirectory("/downloadCache/Update_" + subjectName() + "/DBImagePacket"));
}

std::string VDHelper::downloadSoftware() { return createDirectory(getDirectory("/downloadCache/iphone")); }

std::string VDHelper::downloadCacheDirectory() {
  return createDirectory(getDirectory("/downloadCache/" + subjectName()));
}

std::string VDHelper::dbSavePath() { return createDirectory(getDirectory("/db")); }

std::string VDHelper::imageSavePath() { return createDirectory(getDirectory("/imgcache/" + subjectName())); }

std::string VDHelper::studyNotesSavePath() {
  const std::string dir = createDirectory(getDirectory("/sn"));
  std::optional<std::string> digest;
  const core::Value userInfo = sessionEntry("userInfo");
  if (userInfo.isDictionary()) digest = stringFromMD5(userInfo["UserName"].toString());
  // A guest, or a user record without a name, keeps the guest's notes.
  if (!digest) digest = stringFromMD5("游客");
  return dir + "/" + *digest;
}

std::string VDHelper::learningRecordSavePath() { return createDirectory(core::Paths::documents() + "/lr"); }

std::string VDHelper::lastLearningRecordSavePath() {
  return createDirectory(core::Paths::documents() + "/la");
}

std::string VDHelper::recordSavePath() { return createDirectory(core::Paths::documents() + "/yizuo"); }

std::string VDHelper::feedbackSavePath() { return createDirectory(core::Paths::documents() + "/fb"); }

std::string VDHelper::headPortraitSavePath() { return createDirectory(core::Paths::documents() + "/head"); }

std::optional<std::string> VDHelper::configPath() {
  return core::Bundle::main().pathForResource("vardo-config", "plist");
}

std::optional<std::string> VDHelper::logPath() {
  return core::Bundle::main().pathForResource("vardo-log", "plist");
}

bool VDHelper::isHavefileName() { return isHavefile(dbSavePath() + "/" + subjectName() + ".db"); }

bool VDHelper::isHavefile(const std::string& path) { return core::Paths::fileExists(path); }

// ---- subject choice ----

bool VDHelper::isUsableSubjectName(std::string_view name) {
  if (name.empty()) return false;
  if (name.find('/') != std::string_view::npos) return false;
  if (name.find('\\') != std::string_view::npos) return false;
  if (name.find("..") != std::string_view::npos) return false;
  if (name.find('\0') != std::string_view::npos) return false;
  return true;
}

bool VDHelper::isUsableQuoteProduct(const core::Value& choice) {
  if (!choice.isDictionary()) return false;
  const core::Value value = choice["Value"];
  return value.isString() && isUsableSubjectName(value.str());
}

core::Value VDHelper::getVDAppName() {
  const core::Value stored = core::UserDefaults::standard().objectForKey(kSaveAppName);
  if (isUsableQuoteProduct(stored)) return stored;
  const core::Value session = sessionEntry(kSaveAppName);
  if (isUsableQuoteProduct(session)) return session;
  return {};
}

core::Value VDHelper::getVDQuoteName() {
  const core::Value stored = core::UserDefaults::standard().objectForKey(kSaveQuoteName);
  if (!stored.isNilOrNull()) return stored;
  const core::Value session = sessionEntry(kSaveQuoteName);
  if (!session.isNilOrNull()) return session;
  return {};
}

std::string VDHelper::getSubjectEName() {
  const core::Value choice = getVDAppName();
  return choice.isNil() ? std::string() : choice["Value"].toString();
}

bool VDHelper::saveQuoteProduct(const core::Value& choice) {
  if (!isUsableQuoteProduct(choice)) return false;
  auto& defaults = core::UserDefaults::standard();
  defaults.setObject(kSaveAppName, choice);
  defaults.synchronize();
  return true;
}

bool VDHelper::saveQuoteName(const core::Value& choice) {
  if (choice.isNilOrNull()) return false;
  auto& defaults = core::UserDefaults::standard();
  defaults.setObject(kSaveQuoteName, choice);
  defaults.synchronize();
  return true;
}

// ---- small helpers ----

std::optional<std::string> VDHelper::macaddress() { return ::macaddress(); }

void VDHelper::createAlert(const std::string& title, const std::string& message,
                           const std::string& cancelButtonTitle) {
  auto alert = std::make_shared<ui::AlertView>(
      title.empty() ? std::string("提示") : title, message, std::weak_ptr<ui::AlertViewDelegate>(),
      std::optional<std::string>(cancelButtonTitle.empty() ? std::string("确定") : cancelButtonTitle),
      std::vector<std::string>{});
  alert->show();
}

VDHelper& VDHelper::sharedInstance() {
  static VDHelper instance;
  return instance;
}

void VDHelper::showAlertTitle(const std::string& title, const std::string& message,
                              std::weak_ptr<ui::AlertViewDelegate> delegate,
                              std::optional<std::string> cancelButtonTitle,
                              std::vector<std::string> otherButtonTitles) const {
  auto alert = std::make_shared<ui::AlertView>(title, message, std::move(delegate),
                                               std::move(cancelButtonTitle), std::move(otherButtonTitles));
  alert->show();
}

bool VDHelper::openItunes() {
  const core::Value address = core::Bundle::main().objectForInfoDictionaryKey(kStoreURLInfoKey);
  if (!address.isString() || core::trim(address.str()).empty()) return false;
  return openURL(address.str());
}

bool VDHelper::openURL(const std::string& url) {
  std::function<bool(const std::string&)> opener;
  {
    std::lock_guard<std::mutex> guard(services().lock);
    opener = services().urlOpener;
  }
  return opener ? opener(url) : openWithDesktop(url);
}

void VDHelper::setURLOpener(std::function<bool(const std::string& url)> opener) {
  std::lock_guard<std::mutex> guard(services().lock);
  services().urlOpener = std::move(opener);
}

// ---- question pages ----

std::string VDHelper::pageScript(int jsType) {
  if (jsType < 0 || jsType >= static_cast<int>(kQuestionPageFunctions.size())) return std::string();
  return std::string(kQuestionPageFunctions[static_cast<std::size_t>(jsType)]) + "()";
}

void VDHelper::jsClickType(PageScriptTarget& webView, int jsType) {
  webView.evaluateJavaScript(pageScript(jsType), {});
}

void VDHelper::jsClickType(PageScriptTarget* webView, PageScriptTarget* webView2, PageScriptTarget* webView3,
                           const ui::ScrollView& myScrollView, int jsType) {
  const double offset = std::trunc(myScrollView.contentOffset().x);
  for (PageScriptTarget* page : {webView, webView2, webView3}) {
    if (!page) continue;
    if (std::trunc(page->frame().origin.x) == offset) {
      page->evaluateJavaScript(pageScript(jsType), {});
      return;
    }
  }
}

// ---- text measuring ----

void VDHelper::setTextMeasurer(std::shared_ptr<const TextSizeMeasurer> measurer) {
  std::lock_guard<std::mutex> guard(services().lock);
  services().measurer = std::move(measurer);
}

std::shared_ptr<const TextSizeMeasurer> VDHelper::textMeasurer() {
  std::lock_guard<std::mutex> guard(services().lock);
  if (!services().measurer) services().measurer = std::make_shared<ApproximateTextMeasurer>();
  return services().measurer;
}

ui::Size VDHelper::sizeForString(const std::string& text, double width, double fontSize) {
  return sizeForString(text, width, ui::Font::system(fontSize), systemMajorVersionNumber());
}

ui::Size VDHelper::sizeForString(const std::string& text, double width, const ui::Font& font,
                                 int systemMajorVersion) {
  constexpr double kMaxHeight = 200000;
  if (systemMajorVersion < 7) {
    if (text.empty()) return {0, 0};
    return textMeasurer()->measure(text, font, {width, kMaxHeight});
  }
  constexpr double kPadding = 12;
  const ui::Size measured =
      text.empty() ? ui::Size{0, 0} : textMeasurer()->measure(text, font, {width, kMaxHeight});
  return {measured.width + kPadding, measured.height + kPadding};
}

double VDHelper::getTextViewHeight(const std::string& text, double width, double fontSize, double addition) {
  if (text.empty()) return addition;
  return textMeasurer()->measure(text, ui::Font::system(fontSize), {width - 16, 300000}).height + addition;
}

void VDHelper::setLabel(ui::Label& label, const std::string& text, double fontSize, double maxWidth) {
  const ui::Font font = ui::Font::named("Helvetica", fontSize);
  label.setFont(font);
  label.setNumberOfLines(0);
  label.setBackgroundColor(ui::Color::clear());
  const ui::Size size = sizeForString(text, maxWidth, font, systemMajorVersionNumber());
  label.setFrame(ui::Rect(label.frame().origin, size));
  label.setText(text);
}

// ---- time texts ----

std::optional<core::Date> VDHelper::dateFromString(const std::string& text) {
  return core::DateFormatter(kTimePattern, core::TimeZone::local()).parse(text);
}

std::string VDHelper::stringFromDate(core::Date date) {
  const core::TimeZone zone = core::TimeZone::local();
  return core::DateFormatter(kTimePattern, zone).format(date) + " " + zoneText(zone.secondsFromGMT(date));
}

core::Value VDHelper::getTimeProperty(core::Date date) {
  const core::DateParts parts = core::DateFormatter::partsOf(date, core::TimeZone::local());
  return core::Dictionary{{"week", parts.weekday + 1}, {"year", parts.year}, {"month", parts.month},
                          {"day", parts.day},          {"hour", parts.hour}, {"min", parts.minute},
                          {"sec", parts.second}};
}

std::optional<std::string> VDHelper::intervalSinceNow(const std::string& time) {
  return intervalSinceNow(time, now());
}

std::optional<std::string> VDHelper::intervalSinceNow(const std::string& time, core::Date now) {
  const core::Date then = dateFromString(time).value_or(core::Date{0});
  const double s = now.timeIntervalSince(then);
  const double m = s / 60, h = s / 3600, d = s / 86400;

  std::optional<std::string> result = std::string();
  if (m < 1) result = "刚刚";
  if (h < 1 && m > 1) result = wholePart(m) + "分钟前";
  if (h > 1 && d < 1) result = wholePart(h) + "小时前";
  if (d > 1) {
    const std::string days = wholePart(d);
    result = days + "天前";
    const std::int32_t number = core::intValue(days);
    if (number == 1) {
      result = "昨天";
    } else if (number >= 11) {
      result = std::nullopt;
    }
  }
  return result;
}

void VDHelper::setNow(std::function<core::Date()> now) {
  std::lock_guard<std::mutex> guard(services().lock);
  services().now = std::move(now);
}

core::Date VDHelper::now() {
  std::function<core::Date()> clock;
  {
    std::lock_guard<std::mutex> guard(services().lock);
    clock = services().now;
  }
  return clock ? clock() : core::Date::now();
}

// ---- root screens ----

void VDHelper::showMainVC() {
  AppDelegate* app = getAppdelegate();
  if (!app || !app->window()) return;
  ui::Window& window = *app->window();

  auto sidePanel = std::make_shared<SidePanelController>();
  app->setSidePanelVC(sidePanel);

  auto& factory = VDViewControllerFactory::shareFactory();
  auto home = factory.instantiateViewControllerWithIdentifier("sidebar");
  auto more = factory.instantiateViewControllerWithIdentifier("evenmore");
  app->setMainInterfaceVC(home);
  app->setEvenMoreVC(more);

  if (home) sidePanel->setCenterPanel(std::make_shared<ui::NavigationController>(home));
  if (more) sidePanel->setLeftPanel(more);
  window.setRootViewController(sidePanel);
}

void VDHelper::showSelectSeriesVC() {
  AppDelegate* app = getAppdelegate();
  if (!app || !app->window()) return;
  auto subject =
      VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("selectSubject");
  if (!subject) return;
  app->window()->setRootViewController(std::make_shared<ui::NavigationController>(subject));
}

// ---- question-bank check and download prompts ----

namespace {

constexpr const char* kJsonObject = "jsonObject";

std::string localized(const char* key) { return core::Bundle::main().localizedString(key); }

// The DownSession blocks of the check in progress, with the DownSession dictionary they belong to;
// main thread only.
struct StoredBlocks {
  core::Value session;
  VDHelper::DownSessionBlocks blocks;
};

StoredBlocks& storedBlocks() {
  static StoredBlocks stored;
  return stored;
}

// The application delegate's DownSession (made when missing); Nil without a delegate.
core::Value downSession() {
  AppDelegate* app = VDHelper::getAppdelegate();
  if (!app) return {};
  core::Value session = app->downSession();
  if (!session.isDictionary()) {
    session = core::Value::newDictionary();
    app->setDownSession(session);
  }
  return session;
}

bool flag(const core::Value& session, const char* key) { return session[key].toBool(false); }

// The System client's callbacks go to VDHelper's class methods.
class QueryDelegate : public SystemDelegate {
 public:
  void didQuery(bool ok, const core::Value& json) override { VDHelper::didQuery(ok, json); }
};

std::shared_ptr<QueryDelegate> queryDelegate() {
  static const auto delegate = std::make_shared<QueryDelegate>();
  return delegate;
}

// The "Value" of the chosen subject from the user default, and on the main thread from the session
// too; "" when there is none (any thread).
std::string chosenSubjectValue() {
  const core::Value choice = VDHelper::getVDAppName();
  return choice.isNil() ? std::string() : choice["Value"].str();
}

// The update download directory's path, without making it.
std::string updateDirectoryPath(const std::string& subject) {
  return VDHelper::getDirectory("/downloadCache/Update_" + subject);
}

std::int64_t packetType(const core::Value& item) { return item["packe_type"].toInt(-1); }

// Makes the update panel ("updateSoftware"), hands it the packets, the blocks and the status, and lays it
// on the window, where it fetches and applies the packets.
void openUpdatePanel(const core::Value& packets, const VDHelper::CompleteBlock& completeBlock,
                     const VDHelper::StopBlock& stopBlock, int status) {
  AppDelegate* app = VDHelper::getAppdelegate();
  if (!app || !app->window()) return;
  auto screen = std::dynamic_pointer_cast<UpdateSoftwareViewController>(
      VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(
          UpdateSoftwareViewController::kIdentifier));
  if (!screen) {
    // No panel to fetch with: the caller learns that nothing will be downloaded.
    if (stopBlock) stopBlock();
    return;
  }
  screen->setUpdateUrlArray(packets);
  screen->setCompleteBlock(completeBlock);
  screen->setStopBlock(stopBlock);
  screen->setStatus(status);
  // Loading the view (as the window takes it) starts the download.
  app->window()->addOverlay(screen);
}

// Copies a file or a directory tree to `to` (which must not exist).
bool copyTree(const std::string& from, const std::string& to) {
  std::error_code ec;
  std::filesystem::copy(
      from, to, std::filesystem::copy_options::recursive | std::filesystem::copy_options::copy_symlinks, ec);
  return !ec;
}

// A name beside `path` that nothing uses yet.
std::string siblingTemporary(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  return path + ".moving-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
}

}  // namespace

VDHelper::DownSessionBlocks VDHelper::downSessionBlocks() {
  // A new DownSession (a new application delegate) holds no blocks yet.
  const StoredBlocks& stored = storedBlocks();
  AppDelegate* app = getAppdelegate();
  if (!app || !stored.session.isDictionary() || !app->downSession().sameAs(stored.session)) return {};
  return stored.blocks;
}

void VDHelper::downloadDBWithCancelBlock(CancelBlock cancelBlock, CompleteBlock completeBlock,
                                         StopBlock stopBlock) {
  AppDelegate* app = getAppdelegate();
  if (!app) return;
  if (app->isReachable() == 0) {
    app->networkAlert(localized("alertNetwork"));
    return;
  }
  const core::Value session = downSession();
  storedBlocks() = StoredBlocks{
      session, DownSessionBlocks{std::move(cancelBlock), std::move(completeBlock), std::move(stopBlock)}};

  const bool firstOpenMain = flag(session, "isFirstOpenMain");
  const bool evenMore = flag(session, "isEvenMore");
  const bool haveFile = flag(session, "isHavefileName");
  const bool main = flag(session, "Main");
  const bool updateDB = flag(session, "isUpdateDB");
  if ((main && firstOpenMain) || (!main && (evenMore || updateDB || !haveFile))) getLibrary();
}

void VDHelper::getLibrary() {
  // The DownSession and the request overlay belong to the main thread.
  if (!rl::RunLoop::isMainThread()) {
    rl::performOnMainThread([] { getLibrary(); }, false);
    return;
  }
  const core::Value session = downSession();
  std::int64_t maxBatchId = -1;
  if (flag(session, "isHavefileName") && !flag(session, "isUpdateDB"))
    maxBatchId = DBVersionDAO().getMaxBatchID();

  auto system = std::make_shared<System>();
  system->delegate = queryDelegate();
  system->query(chosenSubjectValue(), maxBatchId);
}

core::Value VDHelper::getLibrarySyn() {
  const std::string subject = chosenSubjectValue();
  std::int64_t maxBatchId = -1;
  if (!subject.empty() && isHavefile(dbSavePath() + "/" + subject + ".db")) {
    maxBatchId = DBVersionDAO().getMaxBatchID();
  }
  auto system = std::make_shared<System>();
  system->delegate = queryDelegate();
  core::Value reply = system->querySyn(subject, maxBatchId);
  if (reply.isDictionary() && reply["update_list"].isNilOrNull())
    reply.set("update_list", core::Value::newArray());
  return reply;
}

void VDHelper::didQuery(bool ok, const core::Value& json) {
  if (!ok) {
    createAlert("提示", "没有任何信息", "确定");
    return;
  }
  core::Value session = downSession();
  if (session.isNil()) return;
  session.set(kJsonObject, json);
  const bool prompt =
      json["status"].toInt(-1) == 0 && !flag(session, "Main") &&
      (flag(session, "isEvenMore") || flag(session, "isFirstOpenMain") || !flag(session, "isHavefileName"));
  if (!prompt) return;
  const DownSessionBlocks blocks = downSessionBlocks();
  updateAlert(blocks.cacelBlock, blocks.completeBlock, blocks.stopBlock, session);
}

std::string VDHelper::getUpdateMess(const core::Value& updateList) {
  std::string text = "更新内容:";
  const std::size_t count = updateList.isArray() ? updateList.size() : 0;
  for (std::size_t i = 0; i < count; ++i) {
    text += "\n" + std::to_string(i + 1) + ":" + updateList[i]["update_content"].describe();
  }
  if (count > 0) text += "\n" + localized("upateExplanation");
  return text;
}

core::Value VDHelper::packetsToFetch(const core::Value& updateList, bool firstOpenMain, bool evenMore,
                                     bool haveFile) {
  const std::size_t count = updateList.isArray() ? updateList.size() : 0;
  const bool onlyNewBank =
      (!haveFile && count == 1) || (count > 0 && !evenMore && !haveFile && !firstOpenMain);
  core::Value packets = core::Value::newArray();
  for (std::size_t i = 0; i < count; ++i) {
    const core::Value item = updateList[i];
    if (!onlyNewBank || packetType(item) == 6) packets.push_back(item);
  }
  return packets;
}

void VDHelper::updateAlert(CancelBlock, CompleteBlock completeBlock, StopBlock stopBlock,
                           const core::Value& downSession) {
  const bool firstOpenMain = flag(downSession, "isFirstOpenMain");
  const bool evenMore = flag(downSession, "isEvenMore");
  const bool haveFile = flag(downSession, "isHavefileName");
  const bool updateDB = flag(downSession, "isUpdateDB");
  const core::Value reply = downSession[kJsonObject];
  const core::Value list = reply["update_list"].isArray() ? reply["update_list"] : core::Value::newArray();
  const std::int64_t status = reply["status"].toInt(0);
  const std::size_t count = list.size();

  if (count == 0) {
    if (evenMore) createAlert("提示", "该软件已是最新版本", "确定");
    return;
  }

  const bool downloadLeftFiles = isHavefile(updateDirectoryPath(subjectName()));
  std::string title, message, cancel, other;
  if (status == 4) {
    title = localized("alertTitle");
    message = getUpdateMess(list);
    cancel = "关闭";
    other = "立即升级";
  } else if ((!haveFile && count == 1) || updateDB) {
    title = "提示";
    message = localized(updateDB ? "againDwonDBMess" : "libraryDwonMess");
    cancel = "取消";
    other = downloadLeftFiles ? "继续下载" : updateDB ? "重下题库" : "下载";
  } else if (firstOpenMain || evenMore) {
    title = localized("alertTitle");
    message = getUpdateMess(list);
    cancel = "暂不更新";
    other = "立即更新";
  } else if (haveFile) {
    return;
  } else {
    title = "提示";
    message = localized("libraryDwonMess");
    cancel = "取消";
    other = downloadLeftFiles ? "继续下载" : "下载";
  }

  // The prompt keeps what it was shown for: the list, the blocks, the status and the flags.
  const core::Value packets = packetsToFetch(list, firstOpenMain, evenMore, haveFile);
  auto alert = std::make_shared<UIAlertViewBlock>(
      title, message,
      [packets, completeBlock, stopBlock, status](bool cancelled, int) {
        if (cancelled) {
          if (status == 4) {
            if (AppDelegate* app = getAppdelegate()) app->exitSoft();
          }
          return;
        }
        // A re-download keeps the local bank: the new bank replaces it once it is in.
        if (packets.size() == 0) {
          if (stopBlock) stopBlock();
          createAlert("提示", kNothingToDownloadMessage, "确定");
          return;
        }
        openUpdatePanel(packets, completeBlock, stopBlock, static_cast<int>(status));
      },
      std::optional<std::string>(cancel), std::vector<std::string>{other});
  alert->show();
}

// ---- file helpers ----

bool VDHelper::unZip(const std::string& zipPath, const std::string& unZipPath) {
  ZipWrapper zip;
  if (!zip.UnzipOpenFile(zipPath)) return false;
  const bool unpacked = zip.UnzipFileTo(unZipPath, true);
  zip.UnzipCloseFile();
  return unpacked;
}

bool VDHelper::moveFileAtPath(const std::string& from, const std::string& to) {
  if (from.empty() || to.empty()) return false;
  if (::rename(from.c_str(), to.c_str()) == 0) return true;
  const int error = errno;
  if (error == EXDEV) {
    // Another file system: copy beside the destination, then replace it in one step.
    const std::string temporary = siblingTemporary(to);
    if (!copyTree(from, temporary)) {
      core::Paths::removeAll(temporary);
      return false;
    }
    if (::rename(temporary.c_str(), to.c_str()) != 0) {
      // The destination is of the other kind (file / directory) or a directory that is not empty.
      if (!core::Paths::removeAll(to) || ::rename(temporary.c_str(), to.c_str()) != 0) {
        core::Paths::removeAll(temporary);
        return false;
      }
    }
    core::Paths::removeAll(from);
    return true;
  }
  if (error == EISDIR || error == ENOTDIR || error == ENOTEMPTY || error == EEXIST) {
    // A file and a directory, or a directory over one that is not empty, cannot replace each other.
    if (!core::Paths::fileExists(from)) return false;
    if (!core::Paths::removeAll(to)) return false;
    return ::rename(from.c_str(), to.c_str()) == 0;
  }
  return false;
}

bool VDHelper::removeFile(const std::string& path) {
  if (path.empty() || !core::Paths::fileExists(path)) return false;
  return core::Paths::removeAll(path);
}

bool VDHelper::removeLocaDB() {
  const std::string subject = chosenSubjectValue();
  if (subject.empty()) return false;
  const bool removed = removeFile(dbSavePath() + "/" + subject + ".db");
  BankKeyCache::invalidate();
  return removed;
}

bool VDHelper::removeUpdateFolder() {
  const std::string subject = chosenSubjectValue();
  if (subject.empty()) return false;
  return removeFile(updateDirectoryPath(subject));
}

// ---- data-access location ----

void VDHelper::installBankLocation() {
  BankLocation location;
  location.dbSavePath = [] { return dbSavePath(); };
  location.appName = [] { return chosenSubjectValue(); };
  location.downloadCacheDirectoryUpdate = [] {
    // Without a subject there is no update folder of one.
    return chosenSubjectValue().empty() ? std::string() : downloadCacheDirectoryUpdate();
  };
  location.sqlErrorOccurred = [] {
    rl::performOnMainThread(
        [] {
          if (AppDelegate* app = getAppdelegate()) app->setSqlErrorNumber(app->SqlErrorNumber() + 1);
        },
        false);
  };
  BankLocation::set(std::move(location));
}
