// The records screens in the real window (Xvfb, GTK, WebKit), against the loopback server and the
// sample bank: each screen draws its rows with Chinese text in glyphs where the model has them, and a
// click on a guide item opens its article. With VD_GTK_SHOTS set to a directory the pictures are kept
// there, to be looked at.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "app/VDHelper.h"
#include "app/VDViewControllerFactory.h"
#include "exam/sets/LearningRecordFile.h"
#include "librarys/http/HTTPRequest.h"
#include "librarys/json/JsonWriter.h"
#include "platform/core/Bundle.h"
#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"
#include "platform/core/UserDefaults.h"
#include "screens/AllScreens.h"
#include "screens/records/ExamGuideContentViewController.h"
#include "screens/records/ExamGuideViewController.h"
#include "screens/records/LearningRecordViewController.h"
#include "screens/records/StatisticsTableCell.h"
#include "screens/records/StatisticsViewController.h"
#include "screens/records/TestsRankViewController.h"
#include "service/ServerConfig.h"
#include "service/User.h"
#include "tests/support/FixedReachability.h"
#include "tests/ui/gtk/WindowSession.h"
#include "tools/testserver/apiserver/ApiServer.h"
#include "ui/NavigationController.h"
#include "ui/PixbufCodec.h"
#include "ui/TableView.h"
#include "ui/Window.h"

using gtktest::Shot;
using gtktest::WindowSession;

namespace {

void keep(const Shot& shot, const std::string& name) {
  const char* dir = std::getenv("VD_GTK_SHOTS");
  if (!dir || !*dir) return;
  if (auto png = ui::PixbufCodec::encode(shot.pixels, "png"))
    std::ofstream(std::string(dir) + "/" + name + ".png", std::ios::binary) << *png;
}

struct LoginReply : UserDelegate {
  std::optional<core::Value> reply;
  void didLogin(bool ok, const core::Value& json) override { reply = ok ? json : core::Value(); }
};

// A table of the screen with its first row on show.
ui::TableView* firstTableWithRows(ui::View& root) {
  if (root.isHidden()) return nullptr;
  if (auto* t = dynamic_cast<ui::TableView*>(&root); t && t->numberOfRowsInSection(0) > 0 &&
                                                     t->cellForRowAtIndexPath({0, 0}))
    return t;
  for (auto& child : root.subviews())
    if (ui::TableView* found = firstTableWithRows(*child)) return found;
  return nullptr;
}

}  // namespace

TEST(RecordsWindow, EachScreenDrawsItsRowsAndAGuideItemOpensItsArticle) {
  testserver::ApiServer server;
  ASSERT_TRUE(server.start()) << server.failure();
  ASSERT_TRUE(server.scenario(R"({"state": "bank", "notices": []})"));
  std::string home = (std::filesystem::temp_directory_path() / "vd-records-window-XXXXXX").string();
  ASSERT_NE(::mkdtemp(home.data()), nullptr);
  ::setenv("VARDO_HOME", home.c_str(), 1);
  ::setenv(ServerConfig::kMainAPIBaseEnv, server.mainBase().c_str(), 1);
  ::setenv(ServerConfig::kUpdateCentreBaseEnv, server.updateBase().c_str(), 1);
  ::setenv(ServerConfig::kResourceRootEnv, server.origin().c_str(), 1);
  ServerConfig::reload();
  core::UserDefaults::resetStandard();
  core::Bundle::resetMain();
  auto& defaults = core::UserDefaults::standard();
  defaults.setBool("isFirstOpen", true);
  defaults.setBool("isAutoLogon", false);
  defaults.synchronize();
  registerEveryScreen();
  {
    WindowSession s;
    AppServices services = AppServices::standard();
    services.statistics.reset();
    services.crashCatcher.reset();
    services.newUser = nullptr;
    services.reachabilityForInternetConnection = [] { return std::make_shared<testsupport::FixedReachability>(2); };
    auto delegate = std::make_shared<AppDelegate>(services);
    s.app().setDelegate(delegate);
    ASSERT_TRUE(s.app().launch());
    s.open();
    ui::Window& window = s.app().keyWindow();

    // The sample bank chosen and installed, user01 logged in, one stored run in the history.
    ASSERT_TRUE(VDHelper::saveQuoteProduct(core::Dictionary{{"Key", "常识综合（样例）"}, {"Value", "GKSample"}}));
    VDHelper::installBankLocation();
    std::filesystem::copy_file(std::filesystem::path(testserver::ApiServer::defaultSampleDir()) / "GKSample.db",
                               VDHelper::dbSavePath() + "/GKSample.db",
                               std::filesystem::copy_options::overwrite_existing);
    auto reply = std::make_shared<LoginReply>();
    auto user = std::make_shared<User>();
    user->delegate = reply;
    user->login(R"({"UserName":"user01","Pwd":"secret1"})");
    ASSERT_TRUE(s.waitFor([&] { return reply->reply.has_value(); }, 20));
    ASSERT_TRUE(reply->reply->isDictionary());
    delegate->userSession().set("userInfo", (*reply->reply)["Body"].deepCopy());
    const std::string set =
        R"({"Body":{"ID":0,"Name":"四则运算","Sessions":[{"Type":"ATEST","ATestid":"1301,1302,1303"}]},"Message":""})";
    const core::Value run = core::Dictionary{
        {"ReplyRecord", core::Dictionary{{"ExamingMode", 2}, {"ChapterName", "四则运算"},
                                         {"SaveTime", "2013-07-08 12:30:00"},
                                         {"TestsRecord", core::Array{core::Dictionary{{"AllTestID", "1301"},
                                                                                      {"Reply", "A"}}}},
                                         {"CurrentID", "1301"}}},
        {"TestsJSON", set}};
    ASSERT_TRUE(LearningRecordFile(*LearningRecordFile::pathFor(VDHelper::learningRecordSavePath(), "user01"))
                    .store("GKSample", run));

    for (const char* id : {"learningRecord", "testsRank", "statistics", "examGuideList"}) {
      SCOPED_TRACE(id);
      auto screen = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(id);
      ASSERT_NE(screen, nullptr);
      window.setRootViewController(std::make_shared<ui::NavigationController>(screen));
      ui::TableView* table = nullptr;
      ASSERT_TRUE(s.waitFor([&] { return (table = firstTableWithRows(screen->view())) != nullptr; }, 20))
          << "no rows on show";
      s.settle();
      const Shot shot = s.shot();
      keep(shot, std::string("records-") + id);
      // The first row's text (a statistics row's chapter name) drawn in glyphs.
      ui::TableViewCell* cell = table->cellForRowAtIndexPath({0, 0});
      ui::Label* label = cell->textLabel();
      if (auto* statistics = dynamic_cast<StatisticsTableCell*>(cell)) label = statistics->labChapter();
      ASSERT_FALSE(label->text().empty());
      const ui::Rect text = WindowSession::frameOf(*label);
      EXPECT_GT(shot.inkIn(text, shot.at({text.minX() + 1, text.minY() + 1})), 30)
          << "no glyphs drawn for " << label->text();

      if (std::string(id) == "examGuideList") {
        // 复习建议 has an article: a click on its row shows it in a web page.
        ASSERT_GE(table->numberOfRowsInSection(0), 2);
        s.click(WindowSession::frameOf(*table->cellForRowAtIndexPath({0, 1})).center());
        ExamGuideContentViewController* article = nullptr;
        ASSERT_TRUE(s.waitFor([&] {
          auto* nav = dynamic_cast<ui::NavigationController*>(window.rootViewController());
          article = nav ? dynamic_cast<ExamGuideContentViewController*>(nav->topViewController()) : nullptr;
          return article != nullptr;
        }));
        s.settle();
        const ui::Rect page = WindowSession::frameOf(*article->contentWebView());
        ASSERT_TRUE(s.waitFor([&] {
          const Shot now = s.shot();
          return now.inkIn(page, now.at({page.maxX() - 2, page.maxY() - 2})) > 200;
        }, 30)) << "the article page shows nothing";
        keep(s.shot(), "records-examGuideContent");
      }
    }
    {
      // The guide's container: its own dark bar across the top, no navigation bar above it.
      auto screen = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("examInterface");
      ASSERT_NE(screen, nullptr);
      window.setRootViewController(std::make_shared<ui::NavigationController>(screen));
      s.settle();
      const Shot shot = s.shot();
      keep(shot, "records-examInterface");
      ui::View* bar = screen->view().viewWithTag(12);
      ASSERT_NE(bar, nullptr);
      const ui::Rect top = WindowSession::frameOf(*bar);
      const ui::Rect whole = WindowSession::frameOf(screen->view());
      EXPECT_EQ(top.minY(), whole.minY()) << "the bar stands at the top of the screen";
      EXPECT_LT(gtktest::luminance(shot.at(top.center())), 0.3) << "the bar is drawn dark";
      EXPECT_GT(gtktest::luminance(shot.at({whole.midX(), whole.midY()})), 0.9) << "the rest is white";
    }
    HTTPRequest::clearSession();
  }
  core::Paths::removeAll(home);
}
