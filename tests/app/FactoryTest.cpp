#include <gmock/gmock.h>

#include <map>
#include <set>
#include <thread>

#include "screens/AllScreens.h"
#include "tests/app/StartupFixture.h"

using namespace startup_test;

namespace {

core::Value array(std::initializer_list<const char*> ids) {
  core::Array a;
  for (const char* id : ids) a.push_back(id);
  return core::Value(a);
}

// A screen that keeps the catalog group it was made for.
class GroupedScreen : public ui::ViewController {
 public:
  explicit GroupedScreen(std::string storyboard) : storyboard_(std::move(storyboard)) {}
  std::string className() const override { return "GroupedScreen"; }
  const std::string& storyboard() const { return storyboard_; }

 private:
  std::string storyboard_;
};

std::string storyboardOf(const std::shared_ptr<ui::ViewController>& vc) {
  auto* p = dynamic_cast<GroupedScreen*>(vc.get());
  return p ? p->storyboard() : "";
}

// What the factory wrote on the standard error stream while making the screen.
std::shared_ptr<ui::ViewController> make(const VDViewControllerFactory& factory, const std::string& id,
                                         std::string* logged) {
  testing::internal::CaptureStderr();
  auto vc = factory.instantiateViewControllerWithIdentifier(id);
  *logged = testing::internal::GetCapturedStderr();
  return vc;
}

}  // namespace

using Factory = StartupFixture;

TEST_F(Factory, CatalogHoldsEveryIdentifierExactlyOnce) {
  const core::Value catalog = VDViewControllerFactory::shareFactory().configDict();
  ASSERT_TRUE(catalog.isDictionary());
  std::map<std::string, int> seen;
  for (const auto& [storyboard, ids] : catalog.dict()) {
    ASSERT_TRUE(ids.isArray()) << storyboard;
    for (const core::Value& id : ids.array()) ++seen[id.str()];
  }
  EXPECT_EQ(seen.size(), allScreenIdentifiers().size());  // nothing the list does not name
  for (const std::string& id : allScreenIdentifiers()) EXPECT_EQ(seen[id], 1) << id;
}

TEST_F(Factory, TheShellsScreensResolveAndAnIdentifierWithoutAScreenGivesNothingButAnError) {
  // The shell registers its own screens only; every other one comes with its area's registration.
  registerAllScreens();  // without the fixture's stand-ins
  const std::map<std::string, std::string> shell = {{"sidebar", "MainInterfaceViewController1"},
                                                    {"updateSoftware", "UpdateSoftwareViewController"},
                                                    {"dataManagement", "DataManagementViewController"}};
  auto& factory = VDViewControllerFactory::shareFactory();
  for (const std::string& id : allScreenIdentifiers()) {
    SCOPED_TRACE(id);
    std::string logged;
    auto vc = make(factory, id, &logged);
    if (auto it = shell.find(id); it != shell.end()) {
      ASSERT_NE(vc, nullptr);
      EXPECT_EQ(vc->className(), it->second);
      EXPECT_FALSE(vc->isViewLoaded());                                    // the factory never loads the view
      EXPECT_NE(factory.instantiateViewControllerWithIdentifier(id), vc);  // a new one each time
      EXPECT_EQ(logged, "");
      continue;
    }
    EXPECT_EQ(vc, nullptr);
    EXPECT_NE(logged.find("error"), std::string::npos) << logged;
    EXPECT_NE(logged.find("\"" + id + "\""), std::string::npos) << logged;
  }
}

TEST_F(Factory, UnknownOrUncataloguedIdentifiersGiveNothing) {
  auto& factory = VDViewControllerFactory::shareFactory();
  std::string logged;
  EXPECT_EQ(make(factory, "noSuchScreen", &logged), nullptr);
  EXPECT_NE(logged.find("\"noSuchScreen\" is in no group of the screen catalogue"), std::string::npos)
      << logged;
  EXPECT_EQ(factory.instantiateViewControllerWithIdentifier(""), nullptr);
  // A creator alone is not enough: the catalog decides what exists.
  VDViewControllerFactory::registerScreen(
      "notInCatalog", [](const std::string& sb) { return std::make_shared<GroupedScreen>(sb); });
  EXPECT_EQ(factory.instantiateViewControllerWithIdentifier("notInCatalog"), nullptr);
  VDViewControllerFactory::unregisterScreen("notInCatalog");
  // And a catalogued identifier without a creator gives nothing either.
  VDViewControllerFactory::unregisterScreen("login");
  EXPECT_EQ(make(factory, "login", &logged), nullptr);
  EXPECT_NE(logged.find("\"login\" has no screen registered"), std::string::npos) << logged;
}

TEST_F(Factory, CatalogIsWalkedInItsOwnOrder) {
  core::Dictionary catalog;
  catalog.set("Zeta", array({"shared", "a"}));
  catalog.set("Alpha", array({"shared", "b"}));
  catalog.set("Same1", array({"x", "y"}));
  catalog.set("Same2", array({"x", "y"}));
  catalog.set("Mid", array({"login"}));
  VDViewControllerFactory factory{core::Value(catalog)};
  VDViewControllerFactory::registerScreen(
      "login", [](const std::string& sb) { return std::make_shared<GroupedScreen>(sb); });

  EXPECT_EQ(factory.storyboardNameForIdentifier("shared"), "Zeta");  // not the alphabetical first
  EXPECT_EQ(factory.storyboardNameForIdentifier("b"), "Alpha");
  EXPECT_EQ(factory.storyboardNameForIdentifier("y"), "Same1");  // equal arrays: the first key
  EXPECT_EQ(factory.storyboardNameForIdentifier("none"), std::nullopt);
  EXPECT_EQ(storyboardOf(factory.instantiateViewControllerWithIdentifier("login")), "Mid");
  EXPECT_EQ(factory.instantiateViewControllerWithIdentifier("shared"), nullptr);  // no creator for it
}

TEST_F(Factory, UnreadableCatalogGivesNothing) {
  VDViewControllerFactory notADictionary{core::Value("oops")};
  EXPECT_TRUE(notADictionary.configDict().isDictionary());
  EXPECT_EQ(notADictionary.configDict().size(), 0u);
  EXPECT_EQ(notADictionary.instantiateViewControllerWithIdentifier("login"), nullptr);

  core::Dictionary oddEntries;
  oddEntries.set("Text", "login");
  oddEntries.set("Numbers", array({}));
  VDViewControllerFactory odd{core::Value(oddEntries)};
  EXPECT_EQ(odd.instantiateViewControllerWithIdentifier("login"), nullptr);
}

TEST_F(Factory, SharedFactoryIsMadeOnceEvenWhenFirstUsedConcurrently) {
  std::vector<VDViewControllerFactory*> seen(8, nullptr);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < seen.size(); ++i)
    threads.emplace_back([&seen, i] { seen[i] = &VDViewControllerFactory::shareFactory(); });
  for (auto& t : threads) t.join();
  for (auto* f : seen) EXPECT_EQ(f, &VDViewControllerFactory::shareFactory());
}
