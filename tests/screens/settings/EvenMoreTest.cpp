// The "more" menu: its rows and what each does (with its statistics event), the find-test gate, the
// update badge and check, the header for a logged-in user, the login from the header and the logout.

#include <filesystem>

#include "app/AvatarFile.h"
#include "app/SettingDefaults.h"
#include "platform/runloop/BlockingCall.h"
#include "screens/account/LoginViewController.h"
#include "screens/review/FindTestViewController.h"
#include "screens/settings/SettingViewController.h"
#include "screens/settings/SoftUsinghelpContentViewController.h"
#include "screens/subject/SelectSortViewController.h"
#include "tests/screens/settings/MenuSettingsFixture.h"
#include "ui/Button.h"
#include "util/KeychainItemStore.h"

namespace menusettings_test {
namespace {

using Menu = MenuSettingsFixture;

TEST_F(Menu, ShowsItsFourSectionsOfRows) {
  openMenu();
  EXPECT_EQ(rowTexts(), (std::vector<std::vector<std::string>>{{"选择科目", "软件设置", "软件评价", "查找试题"},
                                                                {"意见反馈", "软件分享"},
                                                                {"检查更新"},
                                                                {"关于软件"}}));
  EXPECT_FALSE(menu().notLoggedinView()->isHidden());
  EXPECT_TRUE(menu().hasLoggedonView()->isHidden());
}

// Each row opens its screen in a navigation controller of its own, presented over the container, with a
// "返回" button that closes it; the event is counted first.
TEST_F(Menu, RowsOpenTheirScreensModallyAndCountTheirEvents) {
  struct Case {
    const char* row;
    std::vector<std::string> events;
    const char* screen;
  };
  const Case cases[] = {
      {"意见反馈", {"Feedback"}, "FeedbackViewController"},
      {"软件分享", {}, "SoftShareViewController"},
      {"软件设置", {"Setting"}, "SettingViewController"},
      {"关于软件", {"Above"}, "SoftUsinghelpContentViewController"},
      {"选择科目", {"ChooseSubject"}, "SelectSortViewController"},
  };
  openMenu();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row);
    resetStatistics();
    ASSERT_TRUE(tapRow(c.row));
    EXPECT_EQ(events(), c.events);
    EXPECT_EQ(top(), c.screen);
    if (auto* help = dynamic_cast<SoftUsinghelpContentViewController*>(h().topScreen())) {
      EXPECT_EQ(help->navTitle(), "关于软件");  // the menu hands the page its title and file
      EXPECT_EQ(help->htmlFileName(), "AboutSoft.html");
    }
    ASSERT_NE(menu().currentModalViewController(), nullptr);
    EXPECT_EQ(menu().presentedViewController(), menu().currentModalViewController().get());
    ASSERT_TRUE(h().tapBarButton("返回"));
    h().settle();
    EXPECT_EQ(menu().currentModalViewController(), nullptr);
    EXPECT_EQ(menu().presentedViewController(), nullptr);
  }
}

TEST_F(Menu, SettingsFromTheMenuShowTheFullList) {
  openMenu();
  ASSERT_TRUE(tapRow("软件设置"));
  auto* settings = dynamic_cast<SettingViewController*>(h().topScreen());
  ASSERT_NE(settings, nullptr);
  EXPECT_FALSE(settings->isTest());
  EXPECT_EQ(settings->tableView()->numberOfRowsInSection(0), 6);
}

TEST_F(Menu, SubjectChoiceBecomesTheDelegatesScreen) {
  openMenu();
  ASSERT_TRUE(tapRow("选择科目"));
  // The bundle is called "vardo": the category choice, which the application delegate now keeps.
  ASSERT_NE(app().viewController(), nullptr);
  EXPECT_EQ(app().viewController().get(), h().topScreen());
  EXPECT_NE(dynamic_cast<SelectSortViewController*>(app().viewController().get()), nullptr);
}

TEST_F(Menu, RatingAsksFirstAndOpensTheStoresReviewPage) {
  openMenu();
  resetStatistics();
  ASSERT_TRUE(tapRow("软件评价"));
  EXPECT_EQ(events(), std::vector<std::string>{"NetworkCount"});
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->title(), "Vardo");
  EXPECT_EQ(h().alert()->message(), "给Vardo评个分吧");
  ASSERT_TRUE(h().press("不了，谢谢"));
  h().settle();
  EXPECT_TRUE(opener_->opened.empty());

  ASSERT_TRUE(tapRow("软件评价"));
  ASSERT_TRUE(h().press("评分"));
  h().settle();
  EXPECT_EQ(opener_->opened,
            std::vector<std::string>{"itms-apps://itunes.apple.com/WebObjects/MZStore.woa/wa/"
                                     "viewContentsUserReviews?type=Purple+Software&id=0"});
}

TEST_F(Menu, FindTestWithoutTheBankStartsTheDownloadAndCountsNothing) {
  openMenu();
  server().clearJournal();
  resetStatistics();
  ASSERT_TRUE(tapRow("查找试题"));
  ASSERT_TRUE(runUntil([this] { return h().alert() != nullptr; })) << "no download prompt";
  settleRequests();
  EXPECT_TRUE(events().empty());
  const auto queries = requests("1.0/json/query");
  ASSERT_EQ(queries.size(), 1u);
  EXPECT_EQ(JSONValue(queries[0]["body"].toString())["max_batchid"].toInt(), -1);
  const core::Value down = app().downSession();
  EXPECT_FALSE(down["isEvenMore"].toBool(true));
  EXPECT_FALSE(down["isHavefileName"].toBool(true));
  EXPECT_EQ(h().alert()->buttonTitleAtIndex(1), "下载");
  ASSERT_TRUE(h().press("取消"));
  h().settle();
  EXPECT_EQ(menu().currentModalViewController(), nullptr);
}

TEST_F(Menu, FindTestAsksAGuestToLogInAndOpensForAUser) {
  installSampleBank();
  openMenu();
  resetStatistics();
  ASSERT_TRUE(tapRow("查找试题"));
  EXPECT_EQ(events(), std::vector<std::string>{"FindTest"});
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->title(), "提示");
  EXPECT_EQ(h().alert()->message(), "该功能需要登录后才能使用，请登录");
  ASSERT_TRUE(h().press("取消"));
  h().settle();
  EXPECT_EQ(menu().presentedViewController(), nullptr);

  // "登录" presents the login screen in a plain navigation controller, the menu as its delegate.
  ASSERT_TRUE(tapRow("查找试题"));
  ASSERT_TRUE(h().press("登录"));
  h().settle();
  auto* login = dynamic_cast<LoginViewController*>(h().topScreen());
  ASSERT_NE(login, nullptr);
  EXPECT_EQ(login->delegate().get(), static_cast<LoginDelegate*>(&menu()));
  EXPECT_EQ(menu().currentModalViewController(), nullptr);
  menu().dismissViewController(false);
  h().settle();

  loginAs("user01");
  resetStatistics();
  ASSERT_TRUE(tapRow("查找试题"));
  EXPECT_EQ(events(), std::vector<std::string>{"FindTest"});
  EXPECT_NE(dynamic_cast<FindTestViewController*>(h().topScreen()), nullptr);
  EXPECT_NE(menu().currentModalViewController(), nullptr);
}

TEST_F(Menu, UpdateBadgeFollowsTheCachedUpdateList) {
  openMenu();
  auto badges = [this] {
    ui::TableViewCell* cell = menu().cellForRowText("检查更新");
    int n = 0;
    if (cell)
      for (const auto& sub : cell->subviews()) n += sub->tag() == EvenMoreViewController::kUpdateBadgeTag;
    return n;
  };
  EXPECT_EQ(badges(), 0);
  app().setUpdateReply(UpdateCentreReply{0, "", {UpdatePacket{}}});
  menu().updateUI();
  menu().updateUI();  // drawn again: still one badge
  EXPECT_EQ(badges(), 1);
  ui::View* badge = menu().cellForRowText("检查更新")->viewWithTag(EvenMoreViewController::kUpdateBadgeTag);
  ASSERT_NE(badge, nullptr);
  EXPECT_EQ(badge->frame(), ui::Rect(130, 10, 30, 20));
  // Only the update row carries it.
  EXPECT_EQ(menu().cellForRowText("关于软件")->viewWithTag(EvenMoreViewController::kUpdateBadgeTag), nullptr);

  app().setUpdateReply(UpdateCentreReply{});
  menu().updateUI();
  EXPECT_EQ(badges(), 0);
}

TEST_F(Menu, CheckingWithNoUpdatesSaysTheSoftwareIsCurrent) {
  openMenu();
  app().setUpdateReply(UpdateCentreReply{});
  server().clearJournal();
  resetStatistics();
  ASSERT_TRUE(tapRow("检查更新"));
  EXPECT_EQ(events(), std::vector<std::string>{"CheckUpdate"});
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->title(), "提示");
  EXPECT_EQ(h().alert()->message(), "该软件已是最新版本");
  EXPECT_EQ(h().alert()->buttonTitleAtIndex(0), "确定");
  settleRequests();
  EXPECT_TRUE(requests("1.0/json/query").empty());
}

TEST_F(Menu, CheckingWithUpdatesAsksTheUpdateCentreAsTheMenu) {
  installSampleBank();
  openMenu();
  app().setUpdateReply(UpdateCentreReply{0, "", {UpdatePacket{}}});
  server().clearJournal();
  resetStatistics();
  ASSERT_TRUE(tapRow("检查更新"));
  EXPECT_EQ(events(), std::vector<std::string>{"CheckUpdate"});
  // The bank's batch is read on its worker before the query goes out.
  EXPECT_TRUE(rl::RunLoop::main().runUntil(
      [this] {
        h().drainMain();
        return !requests("1.0/json/query").empty();
      },
      20));
  settleRequests();
  EXPECT_EQ(requests("1.0/json/query").size(), 1u);
  const core::Value down = app().downSession();
  EXPECT_TRUE(down["isEvenMore"].toBool());
  EXPECT_TRUE(down["isHavefileName"].toBool());
  EXPECT_FALSE(down["isUpdateDB"].toBool(true));
  EXPECT_FALSE(down["Main"].toBool(true));
}

TEST_F(Menu, HeaderShowsTheUserAndVardoForAnEmptyNickName) {
  loginAs("user01");
  app().userSession()["userInfo"].set("NickName", "");
  openMenu();
  EXPECT_TRUE(menu().notLoggedinView()->isHidden());
  EXPECT_FALSE(menu().hasLoggedonView()->isHidden());
  ASSERT_NE(menu().nickNameLabel(), nullptr);
  EXPECT_EQ(menu().nickNameLabel()->text(), "vardo");
}

// The avatar: the file named after the user name, else the one named after the e-mail address.
TEST_F(Menu, AvatarOfTheEmailIsShownWhenTheUserNameHasNone) {
  const std::string picture = *core::Bundle::main().pathForResource("right", "png");
  loginAs("user01");
  app().userSession()["userInfo"].set("Email", "user01@example.org");
  const std::string byEmail = AvatarFile::path("user01@example.org");
  std::filesystem::copy_file(picture, byEmail);
  openMenu();
  ASSERT_NE(menu().userHeaderImageView()->image(), nullptr);
  EXPECT_EQ(menu().userHeaderImageView()->image()->name(), byEmail);
}

TEST_F(Menu, AvatarOfTheUserNameWinsOverTheEmailOne) {
  const std::string picture = *core::Bundle::main().pathForResource("right", "png");
  loginAs("user01");
  app().userSession()["userInfo"].set("Email", "user01@example.org");
  std::filesystem::copy_file(picture, AvatarFile::path("user01@example.org"));
  const std::string byName = AvatarFile::path("user01");
  std::filesystem::copy_file(picture, byName);
  openMenu();
  ASSERT_NE(menu().userHeaderImageView()->image(), nullptr);
  EXPECT_EQ(menu().userHeaderImageView()->image()->name(), byName);
}

TEST_F(Menu, LoggingInFromTheHeaderSwitchesIt) {
  openMenu();
  ASSERT_TRUE(h().tap(*menu().loginButton()));
  h().settle();
  auto* login = dynamic_cast<LoginViewController*>(h().topScreen());
  ASSERT_NE(login, nullptr);
  // The first login's hint over the window: a tap takes it away.
  if (auto* hint = h().find<ui::Button>([](const ui::Button& b) {
        return b.currentBackgroundImage() && b.currentBackgroundImage()->name() == LoginViewController::kFirstRunImage;
      })) {
    ASSERT_TRUE(h().tap(*hint));
  }
  ASSERT_TRUE(h().type(*h().field("用户名/邮箱/手机号"), "user01"));
  ASSERT_TRUE(h().type(*h().field("请输入密码"), "secret1"));
  ASSERT_TRUE(h().tap(*h().button("登录")));
  ASSERT_TRUE(runUntil([this] {
    h().settle(0.5);
    return !menu().hasLoggedonView()->isHidden();
  })) << "the header did not switch";
  EXPECT_TRUE(menu().notLoggedinView()->isHidden());
  EXPECT_FALSE(menu().nickNameLabel()->text().empty());
}

// Logging out through my centre: the session forgets the user, the header goes back to the login
// button; the keychain item and the automatic login stay for the next start.
TEST_F(Menu, LogoutKeepsTheKeychainAndTheAutomaticLogin) {
  KeychainItemStore keychain(MainInterfaceViewController1::kKeychainIdentifier);
  {
    rl::ScopedAllowBlocking setUp;  // the test's own writes, not the application's
    ASSERT_TRUE(keychain.setObject("user01", "acct"));
  }
  core::UserDefaults::standard().setBool("isAutoLogon", true);
  loginAs("user01");
  openMenu();
  ASSERT_TRUE(h().tap(*menu().centerButton()));
  h().settle();
  EXPECT_TRUE(menu().isIntoCenter());
  EXPECT_EQ(top(), "MyCenterViewController");
  ASSERT_TRUE(h().tap(*h().button("退出登录")));
  h().settle();
  ASSERT_TRUE(h().press("确定"));
  h().settle();

  EXPECT_FALSE(app().userSession().contains("userInfo"));
  EXPECT_TRUE(app().userSession()["isUserLogout"].toBool());
  EXPECT_FALSE(menu().notLoggedinView()->isHidden());
  EXPECT_TRUE(menu().hasLoggedonView()->isHidden());
  EXPECT_FALSE(menu().isIntoCenter());
  EXPECT_EQ(KeychainItemStore(MainInterfaceViewController1::kKeychainIdentifier).objectForKey("acct"), "user01");
  EXPECT_TRUE(core::UserDefaults::standard().boolForKey("isAutoLogon"));
}

}  // namespace
}  // namespace menusettings_test
