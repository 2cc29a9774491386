// My centre and the security settings against the loopback server: who is logged in (nick name, the
// account the server names as primary), the rows and where they lead, the avatar file, logout answered
// either way; the security screen of an e-mail and of a phone account, and the change of the e-mail
// address. Last, every screen that counts down leaves no timer behind when it closes mid-count.

#include "app/AvatarFile.h"
#include "platform/runloop/BlockingCall.h"
#include "platform/runloop/Timer.h"
#include "screens/account/EmailVerifyViewController.h"
#include "screens/account/MyCenterViewController.h"
#include "screens/account/PersonalDataViewController.h"
#include "screens/account/RegisterViewController.h"
#include "screens/account/SecuritySetupViewController.h"
#include "tests/screens/account/FlowFixture.h"
#include "ui/ActionSheet.h"
#include "ui/ImageCodec.h"

namespace account_test {
namespace {

using Center = MyCenterViewController;
using Safe = SecuritySetupViewController;

class MyCenter : public FlowFixture {
 protected:
  // A first login ends on the main screen, which asks to complete the personal data and shows its
  // notices as an overlay: both put away here.
  void logInAs(const std::string& user, const std::string& password) {
    logIn(user, password);
    settleAll();
    if (h().alert() && h().alert()->message() == "欢迎首次登录，是否现在完善个人资料？") {
      ASSERT_TRUE(h().press("取消"));
      h().settle();
    }
    const auto overlays = h().window().overlays();
    for (const auto& o : overlays) h().window().removeOverlay(*o);
  }
  Center& openCenter() {
    Center& screen = open<Center>(make(Center::kIdentifier));
    waitReplies();  // GetPrimary
    return screen;
  }
  Safe& openSafe() {
    Safe& screen = open<Safe>(make(Center::kIdentifier), make(Safe::kIdentifier));
    waitReplies();
    return screen;
  }
};

TEST_F(MyCenter, ShowsTheNickNameAndTheAccountThePrimaryKindNames) {
  struct Case {
    const char* user;
    const char* password;
    const char* nick;
    const char* account;
  };
  const Case cases[] = {
      {"user01", "secret1", "小明", "user01@example.com"},  // "email"
      {"demo", "demo123", Center::kEmptyNickName, "13800138000"},  // "tel", no nick name
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.user);
    logInAs(c.user, c.password);
    Center& screen = openCenter();
    EXPECT_EQ(screen.title(), "个人中心");
    EXPECT_EQ(screen.userName_Lab()->text(), c.nick);
    EXPECT_EQ(screen.account(), c.account);
    EXPECT_EQ(screen.account_Lab()->text(), std::string("Vardo通行证:\n") + c.account);
    EXPECT_EQ(screen.account_Lab()->numberOfLines(), 0);
  }
  // No answer to the kind: the e-mail address.
  fault(core::Dictionary{{"path", "/api/1.0/json/user/GetPrimary"}, {"status", 500}, {"count", 5}});
  Center& screen = openCenter();
  EXPECT_EQ(screen.account(), "demo@example.com");
}

TEST_F(MyCenter, TheRowsLeadToTheAccountPagesAndTheAvatarComesFromTheNameElseTheAddress) {
  logIn("user01", "secret1");
  // Only the e-mail address's file exists.
  const std::string jpeg = *ui::ImageCodec::encodeJPEG(rampBitmap(40, 40), 0.5);
  {
    rl::ScopedAllowBlocking setUp;  // the test's own write, not the application's
    ASSERT_TRUE(AvatarFile::save(jpeg, "user01@example.com"));
  }
  Center& screen = openCenter();
  ASSERT_NE(screen.imageView()->image(), nullptr);
  EXPECT_EQ(screen.imageView()->image()->size(), ui::Size(40, 40));

  ASSERT_EQ(screen.tableView()->numberOfRowsInSection(0), 3);
  struct Case {
    int row;
    const char* text;
    const char* opens;
  };
  for (const Case& c : {Case{0, "个人资料", "PersonalDataViewController"},
                        Case{1, "安全设置", "SecuritySetupViewController"},
                        Case{2, "信息通知", "SMSNotifierViewController"}}) {
    SCOPED_TRACE(c.text);
    ui::TableViewCell* cell = screen.tableView()->cellForRowAtIndexPath({0, c.row});
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->textLabel()->text(), c.text);
    EXPECT_EQ(screen.tableView()->rectForRowAtIndexPath({0, c.row}).height(), Center::kRowHeight);
    ASSERT_TRUE(h().tapRow(*screen.tableView(), {0, c.row}));
    h().settle();
    EXPECT_EQ(top(), c.opens);
    if (c.row == 0) {
      EXPECT_EQ(shown<PersonalDataViewController>().account(), "user01@example.com");
    }
    EXPECT_EQ(screen.tableView()->indexPathForSelectedRow(), std::nullopt);
    nav_->popViewController(false);
    h().settle();
    waitReplies();
  }
}

TEST_F(MyCenter, LogoutAnsweredWithCancelDoesNothingAndWithConfirmLogsOut) {
  logIn("user01", "secret1");
  Center& screen = openCenter();
  ASSERT_TRUE(h().tap(*screen.logoutButton()));
  ASSERT_NE(h().sheet(), nullptr);
  EXPECT_EQ(h().sheet()->title(), Center::kLogoutQuestion);
  ASSERT_TRUE(h().press("取消"));
  h().settle();
  EXPECT_TRUE(app().userSession().contains("userInfo"));
  EXPECT_EQ(top(), "MyCenterViewController");

  ASSERT_TRUE(h().tap(*screen.logoutButton()));
  ASSERT_TRUE(h().press("确定"));
  h().settle();
  EXPECT_FALSE(app().userSession().contains("userInfo"));
  EXPECT_TRUE(app().userSession()["isUserLogout"].toBool());
  EXPECT_EQ(top(), "LoginViewController");
  EXPECT_EQ(nav_->viewControllers().size(), 2u) << "the login on top of my centre";
}

TEST_F(MyCenter, AnEmailAccountsSecondRowIsThePhoneAndItsButtonBindsOne) {
  logIn("user01", "secret1");
  Safe& screen = openSafe();
  EXPECT_EQ(screen.title(), "安全设置");
  EXPECT_EQ(screen.labemail()->text(), "user01@example.com");
  EXPECT_EQ(screen.lab_phone()->text(), "13800000001");
  EXPECT_EQ(screen.lab_tel()->text(), Safe::kPhoneCaption);
  EXPECT_FALSE(screen.isTel());
  EXPECT_FALSE(screen.btnEmail()->isEnabled());
  ASSERT_TRUE(h().tap(*screen.btnPhone()));
  h().settle();
  EXPECT_EQ(top(), "PhoneBindViewController");
  nav_->popViewController(false);
  h().settle();
  waitReplies();
  ASSERT_TRUE(h().tap(*screen.btn_pwd()));
  h().settle();
  EXPECT_EQ(top(), "PasswordSettingViewController");

  // Neither a valid number nor a valid address in the session.
  userInfo().set("Tel", "");
  userInfo().set("Email", "");
  Safe& bare = openSafe();
  EXPECT_EQ(bare.lab_phone()->text(), Safe::kPhoneUnbound);
  EXPECT_EQ(bare.labemail()->text(), Safe::kEmailUnbound);
}

TEST_F(MyCenter, APhoneAccountChangesItsEmailAddressThroughTheSecondRow) {
  logInAs("demo", "demo123");
  userInfo().set("Email", "");
  Safe& screen = openSafe();
  EXPECT_TRUE(screen.isTel());
  EXPECT_EQ(screen.lab_tel()->text(), Safe::kEmailCaption);
  EXPECT_EQ(screen.labemail()->text(), "13800138000");
  EXPECT_EQ(screen.lab_phone()->text(), Safe::kEmailUnbound);
  EXPECT_FALSE(screen.btnEmail()->isEnabled());

  struct Case {
    const char* typed;
    const char* alert;  // nullptr: none and nothing sent
  };
  for (const Case& c : {Case{"", nullptr},  // the text shown, unchanged
                        Case{"a@b", Safe::kEmailInvalid},
                        Case{"a@b,com", Safe::kEmailInvalid}}) {
    SCOPED_TRACE(c.typed);
    ASSERT_TRUE(h().tap(*screen.btnPhone()));
    ASSERT_NE(h().alert(), nullptr);
    EXPECT_EQ(h().alert()->title(), Safe::kEmailAlertTitle);
    ui::TextField* field = h().alert()->textFieldAtIndex(0);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->text(), Safe::kEmailUnbound);
    if (*c.typed) {
      fill(*field, c.typed);
    }
    ASSERT_TRUE(h().press("修改"));
    h().settle();
    if (c.alert) {
      EXPECT_EQ(alertMessage(), c.alert);
      dismissAlert();
    } else {
      EXPECT_EQ(h().alert(), nullptr);
    }
  }
  settleAll();
  EXPECT_TRUE(requests("SetPersonalDetails").empty());

  // Refused by the server: the labels and the session keep the old address.
  fault(core::Dictionary{{"path", "/api/1.0/json/user/SetPersonalDetails"},
                         {"body", R"({"Body": false, "Message": "该邮箱已被使用", "LoginState": 1})"}});
  ASSERT_TRUE(h().tap(*screen.btnPhone()));
  fill(*h().alert()->textFieldAtIndex(0), "user01@example.com");
  ASSERT_TRUE(h().press("修改"));
  waitReplies();
  EXPECT_EQ(alertMessage(), "该邮箱已被使用");
  dismissAlert();
  EXPECT_EQ(screen.lab_phone()->text(), Safe::kEmailUnbound);
  EXPECT_EQ(userInfo()["Email"], core::Value(""));

  // Accepted: the server's text, the session and the label take the address.
  server().clearJournal();
  ASSERT_TRUE(h().tap(*screen.btnPhone()));
  fill(*h().alert()->textFieldAtIndex(0), "neu@example.com");
  ASSERT_TRUE(h().press("修改"));
  waitReplies();
  const auto sent = requests("SetPersonalDetails");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(JSONValue(sent[0]["body"].toString()), core::Value(core::Dictionary{{"Email", "neu@example.com"}}));
  ASSERT_NE(h().alert(), nullptr);
  dismissAlert();
  EXPECT_EQ(screen.lab_phone()->text(), "neu@example.com");
  EXPECT_EQ(userInfo()["Email"], core::Value("neu@example.com"));
  EXPECT_EQ(serverUser("demo")["user"]["Email"], core::Value("neu@example.com"));
}

// The three screens that count down: each one's timer stops when the screen goes mid-count.
TEST_F(MyCenter, EveryCountdownEndsWithItsScreen) {
  logIn("user01", "secret1");
  struct Case {
    const char* name;
    std::function<std::shared_ptr<ui::ViewController>()> start;  // on show, counting; returns the screen
    std::function<std::weak_ptr<rl::Timer>(ui::ViewController&)> timer;
  };
  const Case cases[] = {
      {"register",
       [&] {
         auto& s = open<RegisterViewController>(make("login"), make(RegisterViewController::kIdentifier));
         waitReplies();
         fill(*s.txtPhone(), "13900000001");
         fill(*s.txtCodeImage(), kImageCode);
         waitReplies();
         EXPECT_TRUE(h().tap(*s.btnPhoneregist()));
         waitReplies();
         EXPECT_EQ(s.buttonType(), 1);
         return s.shared_from_this();
       },
       [](ui::ViewController& vc) { return static_cast<RegisterViewController&>(vc).countdown()->timer(); }},
      {"emailVerify",
       [&] {
         auto verify = std::make_shared<EmailVerifyViewController>();
         verify->setEmail("user01@example.com");
         auto& s = open<EmailVerifyViewController>(make("login"), verify);
         EXPECT_TRUE(h().tap(*s.btn_reSendEmail()));
         waitReplies();
         return s.shared_from_this();
       },
       [](ui::ViewController& vc) { return static_cast<EmailVerifyViewController&>(vc).countdown()->timer(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::weak_ptr<rl::Timer> timer;
    std::weak_ptr<ui::ViewController> gone;
    {
      auto screen = c.start();
      h().advance(2);
      timer = c.timer(*screen);
      {
        const auto running = timer.lock();  // one lock: what is checked is what is read
        ASSERT_NE(running, nullptr);
        ASSERT_TRUE(running->isValid()) << "counting";
      }
      gone = screen;
      nav_->popViewController(false);
    }
    h().settle();
    EXPECT_TRUE(gone.expired());
    auto left = timer.lock();
    EXPECT_TRUE(!left || !left->isValid());
    h().advance(60);
  }
}

}  // namespace
}  // namespace account_test
