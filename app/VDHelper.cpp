#include "app/VDHelper.h"

#include "app/AppDelegate.h"
#include "app/SidePanelController.h"
#include "app/VDViewControllerFactory.h"
#include "platform/core/Bundle.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "ui/AlertView.h"
#include "ui/Application.h"
#include "ui/NavigationController.h"
#include "ui/Window.h"
#include "util/DeviceIdentifier.h"
#include "util/MD5Digest.h"

namespace {

constexpr const char* kSaveAppName = "saveAppName";
constexpr const char* kSaveQuoteName = "saveQuoteName";

core::Value sessionEntry(const char* key) {
  AppDelegate* app = VDHelper::getAppdelegate();
  if (!app) return {};
  return app->userSession()[key];
}

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
