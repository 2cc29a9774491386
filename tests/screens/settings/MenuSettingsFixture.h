#pragma once
// The "more" menu and the settings screens under test: the home screen's fixture (a temporary home,
// the loopback API server as main API and update centre, an application delegate launched on the UI
// harness, the subject GKSample chosen) with every screen registered as the executable does, a URL
// opener that records what it is handed, and helpers that open the side panel's menu and reach its
// rows as a person would.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/URLOpener.h"
#include "screens/AllScreens.h"
#include "screens/home/SidePanelController.h"
#include "screens/settings/EvenMoreViewController.h"
#include "tests/screens/home/HomeFixture.h"
#include "ui/TableViewCell.h"
#include "widgets/ProgressHUD.h"

namespace menusettings_test {

using home_test::runUntil;

class RecordingURLOpener : public URLOpener {
 public:
  bool openURL(const std::string& url) override {
    opened.push_back(url);
    return true;
  }
  std::vector<std::string> opened;
};

class MenuSettingsFixture : public home_test::HomeFixture {
 public:
  void SetUp() override {
    home_test::HomeFixture::SetUp();
    registerEveryScreen();
    // The start's notices ("inform", laid over the window) are not what these tests look at.
    VDViewControllerFactory::registerScreen("inform", [](const std::string&) { return nullptr; });
    // Launched again, on services that also record the addresses handed to the URL opener.
    AppServices services = loopback().services();
    services.newAppInfoClient = AppServices::standard().newAppInfoClient;
    services.urlOpener = opener_;
    services.clock = [this] { return now_ ? *now_ : core::Date::now(); };
    loopback().relaunch(std::move(services));
    app().userSession().set("appInfo", core::Dictionary{{"Name", "常识综合（样例）"}, {"EName", home_test::kSubject}});
    core::UserDefaults::standard().setBool("isFirstEvenMore", false);
  }

  std::shared_ptr<RecordingURLOpener> opener_ = std::make_shared<RecordingURLOpener>();
  // The application's clock: the system's unless a test fixes it.
  std::optional<core::Date> now_;

  // The main screen with the menu open as the left panel.
  EvenMoreViewController& openMenu() {
    openHome();
    auto& panel = dynamic_cast<SidePanelController&>(*app().sidePanelVC());
    panel.showLeftPanel(false);
    waitForQuiet();
    return menu();
  }
  // Waits until no request runs and the request overlay of the start's checks has gone from the window.
  void waitForQuiet() {
    settleRequests();
    EXPECT_TRUE(runUntil([this] {
      h().settle(0.5);
      for (const auto& sub : h().window().subviews()) {
        if (dynamic_cast<ProgressHUD*>(sub.get()) && !sub->isHidden() && sub->alpha() > 0.01) return false;
      }
      return true;
    })) << "the request overlay stays";
  }
  EvenMoreViewController& menu() {
    auto* more = dynamic_cast<EvenMoreViewController*>(app().evenMoreVC().get());
    EXPECT_NE(more, nullptr);
    return *more;
  }
  // The menu row with this text, tapped (hit-tested) and answered.
  bool tapRow(const std::string& text) {
    ui::TableViewCell* cell = menu().cellForRowText(text);
    if (!cell) return false;
    const bool took = h().tap(*cell);
    h().settle();
    return took;
  }
  // The texts of the menu's visible rows, section by section.
  std::vector<std::vector<std::string>> rowTexts() {
    std::vector<std::vector<std::string>> out;
    ui::TableView& table = *menu().evenMoreTableView();
    for (int s = 0; s < table.numberOfSections(); ++s) {
      out.emplace_back();
      for (int r = 0; r < table.numberOfRowsInSection(s); ++r) {
        ui::TableViewCell* cell = table.cellForRowAtIndexPath({s, r});
        out.back().push_back(cell ? cell->textLabel()->text() : "<not visible>");
      }
    }
    return out;
  }
};

}  // namespace menusettings_test
