#include "app/VDViewControllerFactory.h"

#include <cstdio>

#include "platform/core/Bundle.h"
#include "platform/core/PropertyList.h"

namespace {

struct CreatorRegistry {
  std::mutex mutex;
  std::map<std::string, VDViewControllerFactory::Creator, std::less<>> creators;
};

CreatorRegistry& registry() {
  static CreatorRegistry r;
  return r;
}

core::Value loadCatalog() {
  const auto path = core::Bundle::main().pathForResource("vardo-iPhoneUI", "plist");
  if (!path) return core::Value::dictionary();
  core::Value catalog = core::PropertyList::readFile(*path);
  return catalog.isDictionary() ? catalog : core::Value::dictionary();
}

bool arrayHolds(const core::Value& array, std::string_view identifier) {
  if (!array.isArray()) return false;
  for (const core::Value& item : array.array())
    if (item.isString() && item.str() == identifier) return true;
  return false;
}

}  // namespace

VDViewControllerFactory& VDViewControllerFactory::shareFactory() {
  static std::once_flag once;
  static std::optional<VDViewControllerFactory> factory;
  std::call_once(once, [] { factory.emplace(); });
  return *factory;
}

VDViewControllerFactory::VDViewControllerFactory() : configDict_(loadCatalog()) {}

VDViewControllerFactory::VDViewControllerFactory(core::Value catalog)
    : configDict_(catalog.isDictionary() ? std::move(catalog) : core::Value::dictionary()) {}

std::optional<std::string> VDViewControllerFactory::storyboardNameForIdentifier(
    std::string_view identifier) const {
  const core::Dictionary catalog = configDict_.dict();
  for (const auto& [name, array] : catalog) {
    if (!arrayHolds(array, identifier)) continue;
    for (const auto& [key, value] : catalog)
      if (value == array) return key;
    return name;
  }
  return std::nullopt;
}

std::shared_ptr<ui::ViewController> VDViewControllerFactory::instantiateViewControllerWithIdentifier(
    std::string_view identifier) const {
  const auto storyboard = storyboardNameForIdentifier(identifier);
  const Creator creator = storyboard ? creatorFor(identifier) : Creator();
  std::shared_ptr<ui::ViewController> screen = creator ? creator(*storyboard) : nullptr;
  if (!screen) {
    const std::string why = !storyboard ? "is in no group of the screen catalogue"
                            : !creator  ? "has no screen registered"
                                        : "gave no screen";
    std::fprintf(stderr, "vardo: error: the screen identifier \"%.*s\" %s\n",
                 static_cast<int>(identifier.size()), identifier.data(), why.c_str());
  }
  return screen;
}

void VDViewControllerFactory::registerScreen(std::string identifier, Creator creator) {
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  r.creators[std::move(identifier)] = std::move(creator);
}

void VDViewControllerFactory::unregisterScreen(std::string_view identifier) {
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  if (auto it = r.creators.find(identifier); it != r.creators.end()) r.creators.erase(it);
}

bool VDViewControllerFactory::hasCreator(std::string_view identifier) {
  return static_cast<bool>(creatorFor(identifier));
}

VDViewControllerFactory::Creator VDViewControllerFactory::creatorFor(std::string_view identifier) {
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  auto it = r.creators.find(identifier);
  return it == r.creators.end() ? Creator() : it->second;
}

const std::vector<std::string>& allScreenIdentifiers() {
  static const std::vector<std::string> ids = {"sidebar",
                                               "evenmore",
                                               "selectSort",
                                               "selectSeries",
                                               "selectProvince",
                                               "selectSubject",
                                               "updateSoftware",
                                               "dataManagement",
                                               "login",
                                               "register",
                                               "register1",
                                               "emailVerify",
                                               "emailWeb",
                                               "phonebind",
                                               "phonebind2",
                                               "safeSetup",
                                               "password",
                                               "personalData",
                                               "myCenter",
                                               "sNotifier",
                                               "inform",
                                               "simulateExam",
                                               "chaptList1",
                                               "examSetting1",
                                               "examSetting2",
                                               "examming",
                                               "questionCard",
                                               "testResult",
                                               "imageBrowser",
                                               "errorRedoList",
                                               "errorRedoDetail",
                                               "fastLearnList",
                                               "fastLearnDetail",
                                               "examGuideList",
                                               "examGuideContent",
                                               "examInterface",
                                               "myFavorites",
                                               "myFavoritesDetail",
                                               "findTest",
                                               "statistics",
                                               "testsRank",
                                               "learningRecord",
                                               "mainNote",
                                               "allNote",
                                               "myNote",
                                               "updateNote",
                                               "errorFeedback",
                                               "feedback",
                                               "feedbackRecord",
                                               "softSetting",
                                               "fontSizeSetting",
                                               "netCounter",
                                               "softShare",
                                               "softUsingHelpContent",
                                               "examinfo",
                                               "examWebSite"};
  return ids;
}
