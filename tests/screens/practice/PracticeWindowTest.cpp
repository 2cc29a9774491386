// The practice screens in the real window under Xvfb, driven with real X input: the hub's buttons, a
// finished chapter's row in orange, fast learning's page jump typed into the alert's text field, and
// the simulated exam's count fields. With VD_GTK_SHOTS set to a directory the pictures are kept there.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "app/VDHelper.h"
#include "dao/BankLocation.h"
#include "exam/sets/ChapterResultFile.h"
#include "librarys/http/HTTPRequest.h"
#include "platform/core/Bundle.h"
#include "platform/core/PropertyList.h"
#include "platform/core/UserDefaults.h"
#include "platform/runloop/BlockingCall.h"
#include "platform/runloop/OperationQueue.h"
#include "screens/AllScreens.h"
#include "screens/practice/ChaptListViewController.h"
#include "screens/practice/ExamSetting2ViewController.h"
#include "screens/practice/FastLearnDetailViewController.h"
#include "screens/practice/SimulateExamsViewController.h"
#include "service/ServerConfig.h"
#include "service/ServiceShell.h"
#include "tests/support/FixedReachability.h"
#include "tests/support/LoopbackApp.h"
#include "tests/ui/gtk/WindowSession.h"
#include "tools/testserver/apiserver/ApiServer.h"
#include "ui/AlertLayer.h"
#include "ui/AlertView.h"
#include "ui/BarButtonItem.h"
#include "ui/NavigationController.h"
#include "ui/PixbufCodec.h"
#include "ui/TableView.h"
#include "ui/TextField.h"
#include "ui/Window.h"
#include "util/MD5Digest.h"

namespace {

using gtktest::Shot;
using gtktest::WindowSession;

void keep(const Shot& shot, const std::string& name) {
  const char* dir = std::getenv("VD_GTK_SHOTS");
  if (!dir || !*dir) return;
  if (auto png = ui::PixbufCodec::encode(shot.pixels, "png"))
    std::ofstream(std::string(dir) + "/" + name + ".png", std::ios::binary) << *png;
}

// How many pixels of `rect` are orange (much red, some green, little blue).
int orangeIn(const Shot& shot, ui::Rect rect) {
  int n = 0;
  for (double y = rect.minY(); y < rect.maxY(); ++y)
    for (double x = rect.minX(); x < rect.maxX(); ++x) {
      const std::uint32_t p = shot.at({x, y});
      if (gtktest::channel(p, 0) > 200 && gtktest::channel(p, 1) > 60 && gtktest::channel(p, 1) < 190 &&
          gtktest::channel(p, 2) < 80)
        ++n;
    }
  return n;
}

class PracticeWindow : public ::testing::Test {
 protected:
  static testserver::ApiServer& server() { return testsupport::LoopbackApp::server(); }

  // The server, the home and the shell come from LoopbackApp::prepare; the application runs in the
  // window session, so the home goes (and VARDO_HOME is restored) with loopback_.
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(loopback_.prepare("vd-practice-window"));
    ASSERT_TRUE(server().scenario(R"({"state": "bank", "notices": []})"));
    registerEveryScreen();
    core::UserDefaults::standard().setBool("isFirstOpen", true);
    core::UserDefaults::standard().setBool("isAutoLogon", false);

    s_ = std::make_unique<WindowSession>();
    AppServices services;
    services.reachabilityForInternetConnection = [] { return std::make_shared<testsupport::FixedReachability>(2); };
    delegate_ = std::make_shared<AppDelegate>(services);
    s_->app().setDelegate(delegate_);
    ASSERT_TRUE(s_->app().launch());
    ASSERT_TRUE(VDHelper::saveQuoteProduct(core::Dictionary{{"Key", "常识综合（样例）"}, {"Value", "GKSample"}}));
    VDHelper::installBankLocation();
    std::filesystem::copy_file(std::filesystem::path(testserver::ApiServer::defaultSampleDir()) / "GKSample.db",
                               VDHelper::dbSavePath() + "/GKSample.db",
                               std::filesystem::copy_options::overwrite_existing);
    delegate_->userSession().set("userInfo", core::Dictionary{{"ID", 1}, {"UserName", "user01"}});
    delegate_->userSession().set("appInfo", core::Dictionary{{"EName", "GKSample"}});
    nav_ = std::make_shared<ui::NavigationController>(std::make_shared<ui::ViewController>());
    s_->app().keyWindow().setRootViewController(nav_);
    s_->open();
  }

  void TearDown() override {
    s_->waitFor([] { return HTTPRequest::sharedQueue().operationCount() == 0; });
    nav_.reset();
    s_.reset();
    delegate_.reset();
    setServiceShell({});
    BankLocation::set({});
  }

  template <class Screen>
  Screen* top() {
    return dynamic_cast<Screen*>(nav_->topViewController());
  }
  template <class Screen>
  Screen* waitForTop() {
    s_->waitFor([&] { return top<Screen>() != nullptr; });
    s_->settle();
    return top<Screen>();
  }
  void clickRow(ui::TableView& table, int row) {
    ui::TableViewCell* cell = table.cellForRowAtIndexPath({0, row});
    ASSERT_NE(cell, nullptr);
    s_->click(WindowSession::frameOf(*cell).center());
  }

  testsupport::LoopbackApp loopback_;
  std::unique_ptr<WindowSession> s_;
  std::shared_ptr<AppDelegate> delegate_;
  std::shared_ptr<ui::NavigationController> nav_;
};

TEST_F(PracticeWindow, FromTheHubToAFinishedChaptersOrangeRow) {
  core::Value results = core::Value::newArray();
  results.push_back(core::Dictionary{{"ID", "111"},
                                     {"UserName", stringFromMD5("user01").value_or("")},
                                     {"EName", "GKSample"},
                                     {"yidaResult", "20"},
                                     {"daduiResult", "18"},
                                     {"percent", "90%"}});
  {
    rl::ScopedAllowBlocking setUp;  // the test's own write, not the application's
    ASSERT_TRUE(core::PropertyList::writeFile(ChapterResultFile::pathFor(VDHelper::recordSavePath(), true), results));
  }

  nav_->pushViewController(std::make_shared<SimulateExamsViewController>(), false);
  auto* hub = waitForTop<SimulateExamsViewController>();
  ASSERT_NE(hub, nullptr);
  keep(s_->shot(), "practice-hub");
  s_->click(WindowSession::frameOf(*hub->btnChapterPratice()).center());
  auto* list = waitForTop<ChaptListViewController>();
  ASSERT_NE(list, nullptr);
  for (const char* name : {"常识综合", "人文常识"}) {
    SCOPED_TRACE(name);
    auto* level = top<ChaptListViewController>();
    clickRow(*level->tableView(), 0);
    ASSERT_TRUE(s_->waitFor([&] { return top<ChaptListViewController>() != level; }));
    s_->settle();
  }
  auto* leaves = top<ChaptListViewController>();
  ASSERT_NE(leaves, nullptr);
  EXPECT_EQ(leaves->title(), "人文常识");
  s_->waitFor([] { return false; }, 0.6);  // the push's slide ends
  const Shot shot = s_->shot();
  keep(shot, "practice-chapters");
  ui::TableViewCell* done = leaves->tableView()->cellForRowAtIndexPath({0, 0});
  ui::TableViewCell* fresh = leaves->tableView()->cellForRowAtIndexPath({0, 1});
  ASSERT_TRUE(done && fresh);
  EXPECT_EQ(done->detailTextLabel()->text(), "共22题(答对：18题，正确率：90%)");
  EXPECT_GT(orangeIn(shot, WindowSession::frameOf(*done->textLabel())), 20) << "the finished chapter is orange";
  EXPECT_EQ(orangeIn(shot, WindowSession::frameOf(*fresh->textLabel())), 0);
}

TEST_F(PracticeWindow, ThePageJumpIsTypedIntoTheAlertsField) {
  auto detail = std::make_shared<FastLearnDetailViewController>();
  detail->setSoftname("GKSample");
  detail->setChapterid("1221");
  detail->setNavTitle("四则运算");
  nav_->pushViewController(detail, false);
  ASSERT_TRUE(s_->waitFor([&] { return detail->pageCount() == 3; }, 20)) << "the chapter did not load";
  s_->settle();
  keep(s_->shot(), "practice-fastlearn");

  ui::View* pageButton = nullptr;
  std::function<void(ui::View&)> find = [&](ui::View& v) {
    if (auto* b = dynamic_cast<ui::BarButtonView*>(&v); b && b->item() && b->item()->title() == "1/3页")
      pageButton = &v;
    for (auto& child : v.subviews()) find(*child);
  };
  find(*detail->bottomToolBar());
  ASSERT_NE(pageButton, nullptr);
  s_->click(WindowSession::frameOf(*pageButton).center());
  ui::AlertView* alert = nullptr;
  ASSERT_TRUE(s_->waitFor([&] {
    alert = dynamic_cast<ui::AlertView*>(s_->app().keyWindow().alertLayer().topPanel());
    return alert != nullptr;
  }));
  ui::TextField* field = alert->textFieldAtIndex(0);
  ASSERT_NE(field, nullptr);
  s_->settle();
  s_->click(WindowSession::frameOf(*field).center());
  s_->type("3");
  EXPECT_TRUE(s_->waitFor([&] { return field->text() == "3"; })) << "the field holds \"" << field->text() << "\"";
  keep(s_->shot(), "practice-jump");
  ui::Button* go = alert->buttonView(1);
  ASSERT_NE(go, nullptr);
  s_->click(WindowSession::frameOf(*go).center());
  EXPECT_TRUE(s_->waitFor([&] { return detail->pageIndex() == 3; }));
  EXPECT_EQ(detail->pageButton()->title(), "3/3页");
  EXPECT_EQ(detail->displayArray().size(), 5u);
}

TEST_F(PracticeWindow, CountFieldsTakeDigitsTypedInTheWindow) {
  auto settings = std::make_shared<ExamSetting2ViewController>();
  core::Value styles = core::Value::newArray();
  styles.push_back(core::Dictionary{{"StyleID", 1}, {"Style1", "单选题"}});
  styles.push_back(core::Dictionary{{"StyleID", 2}, {"Style1", "多选题"}});
  styles.push_back(core::Dictionary{{"StyleID", 3}, {"Style1", "判断题"}});
  settings->setStyleList(styles);
  nav_->pushViewController(settings, false);
  s_->settle();
  ui::TableViewCell* row = settings->mytableview()->cellForRowAtIndexPath({0, 1});
  ASSERT_NE(row, nullptr);
  auto* field = dynamic_cast<ui::TextField*>(row->viewWithTag(ExamSetting2ViewController::kCountFieldTag));
  ASSERT_NE(field, nullptr);
  s_->click(WindowSession::frameOf(*field).center());
  ASSERT_TRUE(s_->waitFor([&] { return field->isEditing(); }));
  s_->type("1x23");
  EXPECT_TRUE(s_->waitFor([&] { return field->text() == "12"; })) << "the field holds \"" << field->text() << "\"";
  EXPECT_EQ(settings->countAt(1), "12");
  keep(s_->shot(), "practice-examsetting2");
}

}  // namespace
