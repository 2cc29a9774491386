// Password recovery against the loopback server: the account text routed by "@" (an address is mailed,
// a registered number gets an SMS after the image code, an unregistered one gets nothing), the reset
// screen's checks in their order, the case-blind check code, the reset body and the way back to the
// login; and the e-mail-only screen.

#include <algorithm>

#include "screens/account/FindPassWord2ViewController.h"
#include "screens/account/FindPassWord3ViewController.h"
#include "screens/account/FindPasswordViewController.h"
#include "screens/account/LoginViewController.h"
#include "tests/screens/account/FlowFixture.h"

namespace account_test {
namespace {

using Recovery = FindPassWord2ViewController;
using Reset = FindPassWord3ViewController;

class FindPassword : public FlowFixture {
 protected:
  // The login screen, then its "找回密码".
  Recovery& openRecovery() {
    open<LoginViewController>(make("login"));
    ui::Button* find = h().button("找回密码");
    EXPECT_TRUE(find && h().tap(*find));
    h().settle();
    waitReplies();  // the image code
    return shown<Recovery>();
  }
  // The phone road up to the reset screen for a registered number.
  Reset& reachReset(const std::string& number) {
    Recovery& recovery = openRecovery();
    fill(*recovery.txtAccountName(), number);
    fill(*recovery.txtSMS(), kImageCode);
    waitReplies();
    EXPECT_TRUE(h().tap(*recovery.btnFindpwd()));
    settleAll();
    return shown<Reset>();
  }
};

TEST_F(FindPassword, TheAccountTextIsAnAddressWhenItHoldsAnAtSignElseANumber) {
  struct Case {
    const char* account;
    const char* lookup;  // the availability request, nullptr: none
    const char* hint;    // under the account after leaving it
  };
  const Case cases[] = {
      {"user01@example.com", "CheckNewUsername/user01@example.com/Email", ""},
      {"nobody@example.com", "CheckNewUsername/nobody@example.com/Email", Recovery::kEmailFree},
      {"13800000001", "CheckNewUsername/13800000001/Tel", ""},
      {"13900000009", "CheckNewUsername/13900000009/Tel", Recovery::kTelFree},
      {"user01@", nullptr, Recovery::kAccountInvalid},  // "@" makes it an address, and a bad one
      {"user01", nullptr, Recovery::kAccountInvalid},   // no "@": a number, and a bad one
  };
  Recovery& screen = openRecovery();
  EXPECT_EQ(screen.title(), "找回密码");
  const std::string shownCode = screen.txtchangeSMS()->text();
  EXPECT_EQ(shownCode.size(), 4u);
  EXPECT_TRUE(std::all_of(shownCode.begin(), shownCode.end(),
                          [](char c) { return Recovery::changeArray().find(c) != std::string::npos; }));
  EXPECT_FALSE(screen.txtchangeSMS()->isEnabled());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.account);
    server().clearJournal();
    fill(*screen.txtAccountName(), c.account);
    leaveFields();
    waitReplies();
    EXPECT_EQ(screen.isEmail(), std::string(c.account).find('@') != std::string::npos);
    EXPECT_EQ(screen.isTel(), !screen.isEmail());
    EXPECT_EQ(requests("CheckNewUsername").size(), c.lookup ? 1u : 0u);
    if (c.lookup) {
      EXPECT_EQ(requests(c.lookup).size(), 1u);
    }
    EXPECT_EQ(screen.lbAccountName()->text(), c.hint);
  }
}

TEST_F(FindPassword, TheRecoverButtonMailsAnAddressAndSendsNothingForAnUnregisteredNumber) {
  Recovery& screen = openRecovery();
  // The button's own checks first.
  ASSERT_TRUE(h().tap(*screen.btnFindpwd()));
  EXPECT_EQ(screen.lbAccountName()->text(), Recovery::kAccountInvalid);
  fill(*screen.txtAccountName(), "13900000009");
  leaveFields();
  waitReplies();
  ASSERT_TRUE(h().tap(*screen.btnFindpwd()));
  EXPECT_EQ(screen.lbSMS()->text(), Recovery::kCodeInvalid);

  // An unregistered number with an image code: the hint, and no SMS asked for.
  fill(*screen.txtSMS(), "88889");  // a fifth character is refused
  EXPECT_EQ(screen.txtSMS()->text(), kImageCode);
  ASSERT_TRUE(h().tap(*screen.btnFindpwd()));
  settleAll();
  EXPECT_EQ(screen.lbAccountName()->text(), Recovery::kTelFree);
  EXPECT_TRUE(requests("Verify/VerifyCode").empty());
  EXPECT_EQ(top(), "FindPassWord2ViewController");

  // An address: the server mails it; its text in a "关闭" alert, then back to the login.
  fill(*screen.txtAccountName(), "user01@example.com");
  leaveFields();
  waitReplies();
  ASSERT_TRUE(h().tap(*screen.btnFindpwd()));
  waitReplies();
  EXPECT_EQ(requests("User/FindPassword/user01@example.com/a").size(), 1u);
  EXPECT_TRUE(requests("Verify/VerifyCode").empty());
  EXPECT_EQ(alertMessage(), "密码重置邮件已发送至user01@example.com，请查收");
  dismissAlert(Recovery::kCloseButton);
  EXPECT_EQ(top(), "LoginViewController");
  const core::Value sentMail = mails();
  ASSERT_GT(sentMail.size(), 0u);
  EXPECT_EQ(sentMail[sentMail.size() - 1]["to"], core::Value("user01@example.com"));
}

TEST_F(FindPassword, AWrongImageCodeIsRefusedInAnAlertThatBringsANewOne) {
  Recovery& screen = openRecovery();
  fill(*screen.txtAccountName(), "13800000001");
  fill(*screen.txtSMS(), "0000");
  waitReplies();
  ASSERT_FALSE(screen.isUsable()) << "registered";
  ASSERT_TRUE(h().tap(*screen.btnFindpwd()));
  waitReplies();
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->title(), "Vardo");
  EXPECT_EQ(alertMessage(), "验证码错误");
  server().clearJournal();
  dismissAlert("确定");
  waitReplies();
  EXPECT_EQ(requests("VerificationCode/CreateGuid").size(), 1u);
  EXPECT_EQ(top(), "FindPassWord2ViewController");
}

TEST_F(FindPassword, TheResetScreenChecksInOrderAndSendsOnlyTheCodeAndThePassword) {
  Reset& screen = reachReset("13800000001");
  ASSERT_EQ(top(), "FindPassWord3ViewController");
  EXPECT_EQ(screen.title(), "重置密码");
  EXPECT_TRUE(screen.txtPassword()->isSecureTextEntry());
  EXPECT_TRUE(screen.txtPassword2()->isSecureTextEntry());
  EXPECT_EQ(screen.txtSMS()->placeholderColor(), hintColor());

  struct Case {
    const char* sms;
    std::string password, repeat;
    ui::Label* (Reset::*label)() const;
    const char* hint;
  };
  const Case cases[] = {
      {"", "abc123", "abc123", &Reset::lbSMS, Reset::kSMSMissing},
      {kSMSCode, "", "", &Reset::lbPassword, Reset::kPasswordRule},
      {kSMSCode, "abc12", "abc12", &Reset::lbPassword, Reset::kPasswordRule},
      {kSMSCode, std::string(21, 'a'), std::string(21, 'a'), &Reset::lbPassword, Reset::kPasswordRule},
      {kSMSCode, "abc_123", "abc_123", &Reset::lbPassword, Reset::kPasswordRule},
      {kSMSCode, "abc123", "abc124", &Reset::lbPassword2, Reset::kRepeatDiffers},
      {kSMSCode, "abc123", "", &Reset::lbPassword2, Reset::kRepeatMissing},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.password + " / " + c.repeat);
    for (ui::Label* l : {screen.lbSMS(), screen.lbPassword(), screen.lbPassword2()}) l->setText("");
    fill(*screen.txtSMS(), c.sms);
    fill(*screen.txtPassword(), c.password);
    fill(*screen.txtPassword2(), c.repeat);
    h().window().endEditing(true);  // no checks on leaving: the button's own
    settleAll();
    ASSERT_TRUE(h().tap(*screen.resetButton()));
    EXPECT_EQ((screen.*c.label)()->text(), c.hint);
  }
  settleAll();
  EXPECT_TRUE(requests("MotifyPassword").empty());

  // The check code is compared without regard to case; it is not needed to reset.
  std::string lower = screen.changeString();
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  fill(*screen.txtCode(), lower);
  leaveFields();
  EXPECT_EQ(screen.lbchangcode()->text(), "");
  fill(*screen.txtCode(), screen.changeString() == "0000" ? "1111" : "0000");
  leaveFields();
  EXPECT_EQ(screen.lbchangcode()->text(), Reset::kCheckCodeWrong);

  // Leaving the SMS field checks the code with the server.
  fill(*screen.txtSMS(), "1234567");  // a seventh character is refused
  EXPECT_EQ(screen.txtSMS()->text(), "123456");
  leaveFields();
  waitReplies();
  EXPECT_EQ(screen.lbSMS()->text(), "验证码不正确");
  fill(*screen.txtSMS(), kSMSCode);
  leaveFields();
  waitReplies();
  EXPECT_EQ(screen.lbSMS()->text(), "");

  fill(*screen.txtPassword(), "新密码abc1");
  fill(*screen.txtPassword2(), "新密码abc1");
  leaveFields();
  waitReplies();
  server().clearJournal();
  ASSERT_TRUE(h().tap(*screen.resetButton()));
  waitReplies();
  const auto sent = requests("MotifyPassword");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(JSONValue(sent[0]["body"].toString()),
            core::Value(core::Dictionary{{"Key", kSMSCode}, {"Value", "新密码abc1"}}));
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->title(), "Vardo提示您");
  EXPECT_EQ(alertMessage(), Reset::kResetDone);
  dismissAlert("确定");
  EXPECT_EQ(top(), "LoginViewController");
  const auto login = server().request(
      "POST", "/api/1.0/json/User/login",
      JSONRepresentation(LoginViewController::loginRequest("13800000001", "新密码abc1")).value_or(""),
      {{"Content-Type", "application/json"}});
  ASSERT_TRUE(login.has_value());
  EXPECT_EQ(JSONValue(login->body)["Body"]["UserName"], core::Value("user01")) << "the new password logs in";
}

TEST_F(FindPassword, ARefusedResetIsShownAndKeepsTheScreen) {
  Reset& screen = reachReset("13800000001");
  fill(*screen.txtSMS(), "123456");  // not the code that was sent
  fill(*screen.txtPassword(), "abc123");
  fill(*screen.txtPassword2(), "abc123");
  h().window().endEditing(true);
  ASSERT_TRUE(h().tap(*screen.resetButton()));
  waitReplies();
  EXPECT_EQ(alertMessage(), "验证码不正确");
  dismissAlert(Reset::kCloseButton);
  EXPECT_EQ(top(), "FindPassWord3ViewController");
  // "返回" leads to a new login screen.
  ASSERT_TRUE(h().tapBarButton("返回"));
  h().settle();
  EXPECT_EQ(top(), "LoginViewController");
}

TEST_F(FindPassword, TheEmailOnlyScreenChecksTheAddressThenAsksTheServer) {
  auto screen = std::make_shared<FindPasswordViewController>();
  FindPasswordViewController& shownScreen = open<FindPasswordViewController>(make("login"), screen);
  struct Case {
    const char* email;
    const char* alert;
  };
  for (const Case& c : {Case{"", FindPasswordViewController::kEmailEmpty},
                        Case{"user01@example", FindPasswordViewController::kEmailInvalid},
                        Case{"user 01@example.com", FindPasswordViewController::kEmailInvalid}}) {
    SCOPED_TRACE(c.email);
    fill(*shownScreen.emailField(), c.email);
    ASSERT_TRUE(h().tap(*shownScreen.findButton()));
    EXPECT_EQ(alertMessage(), c.alert);
    dismissAlert();
  }
  settleAll();
  EXPECT_TRUE(requests("FindPassword").empty());
  fill(*shownScreen.emailField(), "user01@example.com");
  ASSERT_TRUE(h().tap(*shownScreen.findButton()));
  waitReplies();
  EXPECT_EQ(requests("User/FindPassword/user01@example.com/a").size(), 1u);
  EXPECT_EQ(alertMessage(), "密码重置邮件已发送至user01@example.com，请查收");
  dismissAlert();
  EXPECT_EQ(top(), "LoginViewController");
}

}  // namespace
}  // namespace account_test
