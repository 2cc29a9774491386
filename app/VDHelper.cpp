#include "app/VDHelper.h"

#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "app/AppAlerts.h"
#include "app/AppDelegate.h"
#include "app/AppPaths.h"
#include "app/ApplicationState.h"
#include "app/PageScriptTarget.h"
#include "app/SubjectChoice.h"
#include "app/URLOpener.h"
#include "bank/BankFiles.h"
#include "bank/QuestionBank.h"
#include "dao/BankLocation.h"
#include "platform/core/Bundle.h"
#include "platform/core/DateFormatter.h"
#include "platform/core/Paths.h"
#include "platform/core/Text.h"
#include "ui/Label.h"
#include "ui/ScrollView.h"
#include "ui/TextMeasurer.h"
#include "util/DeviceIdentifier.h"
#include "util/SystemVersion.h"

namespace {

// The functions the script of every question page defines, by page-call type (0 to 5). Each is called
// without arguments; its result is not used.
constexpr std::array<const char*, 6> kQuestionPageFunctions = {
    "userAnalysis",         "userDisAnalysis", "updateAnalysisImage",
    "updateAnalysisImageR", "updateFavImage",  "updateFavImageR"};

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

std::string VDHelper::getDirectory(std::string_view suffix) { return AppPaths::getDirectory(suffix); }
std::string VDHelper::createDirectory(const std::string& path) { return AppPaths::createDirectory(path); }
std::string VDHelper::subjectName() { return AppPaths::subjectName(); }
std::string VDHelper::downloadCacheDirectoryUpdate() { return AppPaths::downloadCacheDirectoryUpdate(); }
std::string VDHelper::downloadUpdateDBImagePacket() { return AppPaths::downloadUpdateDBImagePacket(); }
std::string VDHelper::downloadSoftware() { return AppPaths::downloadSoftware(); }
std::string VDHelper::downloadCacheDirectory() { return AppPaths::downloadCacheDirectory(); }
std::string VDHelper::dbSavePath() { return AppPaths::dbSavePath(); }
std::string VDHelper::imageSavePath() { return AppPaths::imageSavePath(); }
std::string VDHelper::studyNotesSavePath() { return AppPaths::studyNotesSavePath(); }
std::string VDHelper::learningRecordSavePath() { return AppPaths::learningRecordSavePath(); }
std::string VDHelper::lastLearningRecordSavePath() { return AppPaths::lastLearningRecordSavePath(); }
std::string VDHelper::recordSavePath() { return AppPaths::recordSavePath(); }
std::string VDHelper::feedbackSavePath() { return AppPaths::feedbackSavePath(); }
std::string VDHelper::headPortraitSavePath() { return AppPaths::headPortraitSavePath(); }
std::optional<std::string> VDHelper::configPath() { return AppPaths::configPath(); }
std::optional<std::string> VDHelper::logPath() { return AppPaths::logPath(); }
bool VDHelper::isHavefileName() { return AppPaths::isHavefileName(); }
bool VDHelper::isHavefile(const std::string& path) { return AppPaths::isHavefile(path); }

// ---- subject choice ----

bool VDHelper::isUsableSubjectName(std::string_view name) { return SubjectChoice::isUsableSubjectName(name); }
bool VDHelper::isUsableQuoteProduct(const core::Value& choice) {
  return SubjectChoice::isUsableQuoteProduct(choice);
}
core::Value VDHelper::getVDAppName() { return SubjectChoice::appName(); }
core::Value VDHelper::getVDQuoteName() { return SubjectChoice::quoteName(); }
std::string VDHelper::getSubjectEName() { return SubjectChoice::subjectEName(); }
bool VDHelper::saveQuoteProduct(const core::Value& choice) { return SubjectChoice::saveQuoteProduct(choice); }
bool VDHelper::saveQuoteName(const core::Value& choice) { return SubjectChoice::saveQuoteName(choice); }

// ---- small helpers ----

std::optional<std::string> VDHelper::macaddress() { return ::macaddress(); }

void VDHelper::createAlert(const std::string& title, const std::string& message,
                           const std::string& cancelButtonTitle) {
  AppAlerts::createAlert(title, message, cancelButtonTitle);
}

VDHelper& VDHelper::sharedInstance() {
  static VDHelper instance;
  return instance;
}

void VDHelper::showAlertTitle(const std::string& title, const std::string& message,
                              std::weak_ptr<ui::AlertViewDelegate> delegate,
                              std::optional<std::string> cancelButtonTitle,
                              std::vector<std::string> otherButtonTitles) const {
  AppAlerts::showAlertTitle(title, message, std::move(delegate), std::move(cancelButtonTitle),
                            std::move(otherButtonTitles));
}

bool VDHelper::openItunes() {
  AppDelegate* app = getAppdelegate();
  if (app && app->services().urlOpener) return openItunes(*app->services().urlOpener);
  DesktopURLOpener desktop;
  return openItunes(desktop);
}

bool VDHelper::openURL(const std::string& url) {
  AppDelegate* app = getAppdelegate();
  if (app && app->services().urlOpener) return app->services().urlOpener->openURL(url);
  DesktopURLOpener desktop;
  return desktop.openURL(url);
}

bool VDHelper::openItunes(URLOpener& opener) {
  const core::Value address = core::Bundle::main().objectForInfoDictionaryKey(kStoreURLInfoKey);
  if (!address.isString() || core::trim(address.str()).empty()) return false;
  return opener.openURL(address.str());
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

ui::Size VDHelper::sizeForString(const std::string& text, double width, double fontSize) {
  return sizeForString(text, width, ui::Font::system(fontSize), systemMajorVersionNumber());
}

ui::Size VDHelper::sizeForString(const std::string& text, double width, const ui::Font& font,
                                 int systemMajorVersion) {
  constexpr double kMaxHeight = 200000;
  if (systemMajorVersion < 7) {
    if (text.empty()) return {0, 0};
    return ui::sizeWithFont(text, font, {width, kMaxHeight});
  }
  constexpr double kPadding = 12;
  const ui::Size measured = text.empty() ? ui::Size{0, 0} : ui::sizeWithFont(text, font, {width, kMaxHeight});
  return {measured.width + kPadding, measured.height + kPadding};
}

double VDHelper::getTextViewHeight(const std::string& text, double width, double fontSize, double addition) {
  if (text.empty()) return addition;
  return ui::sizeWithFont(text, ui::Font::system(fontSize), {width - 16, 300000}).height + addition;
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

core::Date VDHelper::now() { return ApplicationState::now(); }

// ---- root screens ----

void VDHelper::showMainVC() {
  if (AppDelegate* app = getAppdelegate()) app->showMainVC();
}

void VDHelper::showSelectSeriesVC() {
  if (AppDelegate* app = getAppdelegate()) app->showSelectSeriesVC();
}

// ---- question-bank check and download prompts ----

VDHelper::DownSessionBlocks VDHelper::downSessionBlocks() { return BankUpdateCheck::downSessionBlocks(); }

void VDHelper::downloadDBWithCancelBlock(CancelBlock cancelBlock, CompleteBlock completeBlock,
                                         StopBlock stopBlock) {
  BankUpdateCheck::downloadDBWithCancelBlock(std::move(cancelBlock), std::move(completeBlock),
                                             std::move(stopBlock));
}

void VDHelper::getLibrary() { BankUpdateCheck::getLibrary(); }

core::Value VDHelper::getLibrarySyn() { return BankUpdateCheck::getLibrarySyn(); }

void VDHelper::didQuery(bool ok, const core::Value& json) { BankUpdateCheck::didQuery(ok, json); }

void VDHelper::updateAlert(CancelBlock cancelBlock, CompleteBlock completeBlock, StopBlock stopBlock,
                           const core::Value& downSession) {
  BankUpdateCheck::updateAlert(std::move(cancelBlock), std::move(completeBlock), std::move(stopBlock),
                               downSession);
}

std::string VDHelper::getUpdateMess(const core::Value& updateList) {
  return BankUpdateCheck::getUpdateMess(updateList);
}

core::Value VDHelper::packetsToFetch(const core::Value& updateList, bool firstOpenMain, bool evenMore,
                                     bool haveFile) {
  return BankUpdateCheck::packetsToFetch(updateList, firstOpenMain, evenMore, haveFile);
}

// ---- file helpers ----

bool VDHelper::unZip(const std::string& zipPath, const std::string& unZipPath) {
  return BankFiles::unZip(zipPath, unZipPath);
}

bool VDHelper::moveFileAtPath(const std::string& from, const std::string& to) {
  return BankFiles::moveFileAtPath(from, to);
}

bool VDHelper::removeFile(const std::string& path) {
  if (path.empty() || !core::Paths::fileExists(path)) return false;
  return core::Paths::removeAll(path);
}

bool VDHelper::removeLocaDB() { return QuestionBank::removeBankFile(AppPaths::bankPaths()); }

bool VDHelper::removeUpdateFolder() {
  const std::string subject = SubjectChoice::subjectEName();
  if (subject.empty()) return false;
  return removeFile(AppPaths::updateDirectoryPath(subject));
}

// ---- data-access location ----

void VDHelper::installBankLocation() { BankLocation::set(AppPaths::bankLocation()); }
