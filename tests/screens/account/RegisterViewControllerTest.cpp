// Registration against the loopback server: the phone road in three steps (limits while typing, the
// image code, the masked number, the countdown 59..1 on the manual clock, the SMS check, the password
// rules, the body, the login with the new number), mode switches that keep the step, the e-mail road's
// rules and body, and the server's refusals.

#include <algorithm>

#include "screens/account/EmailVerifyViewController.h"
#include "screens/account/RegisterViewController.h"
#include "tests/screens/account/FlowFixture.h"

namespace account_test {
namespace {

using Screen = RegisterViewController;

class Register : public FlowFixture {
 protected:
  Screen& openRegister() {
    Screen& screen = open<Screen>(make("login"), make(Screen::kIdentifier));
    waitReplies();  // the image code
    return screen;
  }
  // Step 0 with a free number and the right image code, then "下一步": on to step 1.
  void reachStep1(Screen& screen, const std::string& number) {
    fill(*screen.txtPhone(), number);
    fill(*screen.txtCodeImage(), kImageCode);  // leaving the number checks it
    waitReplies();
    ASSERT_TRUE(screen.isUsable()) << screen.lbPhone()->text();
    ASSERT_TRUE(h().tap(*screen.btnPhoneregist()));
    waitReplies();
    ASSERT_EQ(screen.buttonType(), 1) << alertMessage();
  }
  static std::vector<std::string> sortedKeys(const core::Value& dict) {
    std::vector<std::string> keys = dict.dict().keys();
    std::sort(keys.begin(), keys.end());
    return keys;
  }
};

TEST_F(Register, ThePhoneRoadGoesThroughItsThreeStepsAndEndsOnTheLogin) {
  Screen& screen = openRegister();
  const auto guids = requests("VerificationCode/CreateGuid");
  ASSERT_EQ(guids.size(), 1u);
  EXPECT_EQ(h().web(*screen.Codeimage()).url(), VerificationCodeImage::imageURL(VerificationCodeImage::guid()));
  EXPECT_FALSE(VerificationCodeImage::guid().empty());
  EXPECT_EQ(screen.btnEnter(1)->currentTitleColor(), accountAccentColor());
  EXPECT_EQ(screen.btnEnter(2)->currentTitleColor(), ui::Color::black());

  // Step 0: an 12th digit and a 5th image-code character are refused as they are typed.
  fill(*screen.txtPhone(), "139000000012");
  EXPECT_EQ(screen.txtPhone()->text(), "13900000001");
  fill(*screen.txtCodeImage(), "88889");
  EXPECT_EQ(screen.txtCodeImage()->text(), kImageCode);
  waitReplies();
  EXPECT_EQ(requests("CheckNewUsername/13900000001/Tel").size(), 1u) << "leaving the number checks it";
  EXPECT_EQ(screen.hide_tel()->text(), "13900000001");
  ASSERT_TRUE(h().tap(*screen.btnPhoneregist()));
  waitReplies();
  const auto sent = requests("Verify/VerifyCode");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0]["path"].toString(), "/vc/Verify/VerifyCode?guidCode=" + VerificationCodeImage::guid() +
                                            "&verifyCode=8888&Tel=13900000001&ClientType=iphone");

  // Step 1: the masked number, the code field, the resend button counting 59 down to 1.
  EXPECT_EQ(screen.buttonType(), 1);
  EXPECT_EQ(screen.lbPhone_msg()->text(), "已发送验证码短信到139****01");
  EXPECT_EQ(screen.txtPhone()->text(), "");
  EXPECT_EQ(screen.txtPhone()->placeholder(), Screen::kSMSPlaceholder);
  EXPECT_EQ(screen.btnEnter(2)->currentTitleColor(), accountAccentColor());
  EXPECT_EQ(h().visibleRect(*screen.txtCodeImage()), ui::Rect()) << "the image-code row is gone";
  EXPECT_EQ(screen.btnPhoneregist()->currentTitle(), Screen::kNext);
  ASSERT_NE(h().button("重新获取验证码(59)"), nullptr);
  EXPECT_FALSE(screen.btnAfresh()->isEnabled());
  for (int left = 58; left >= 1; --left) {
    h().advance(1);
    ASSERT_EQ(screen.btnAfresh()->currentTitle(), "重新获取验证码(" + std::to_string(left) + ")");
  }
  h().advance(1);
  EXPECT_EQ(screen.btnAfresh()->currentTitle(), Screen::kResend);
  EXPECT_TRUE(screen.btnAfresh()->isEnabled());
  EXPECT_EQ(screen.btnAfresh()->currentTitleColor(), accountAccentColor());
  EXPECT_EQ(screen.lbPhone_msg()->text(), "");
  EXPECT_EQ(screen.second(), 60);

  // A resend asks again for the checked number and counts the full time again.
  server().clearJournal();
  ASSERT_TRUE(h().tap(*screen.btnAfresh()));
  waitReplies();
  EXPECT_EQ(requests("sys/ApplyForVerification/13900000001").size(), 1u);
  EXPECT_EQ(screen.btnAfresh()->currentTitle(), "重新获取验证码(59)");
  EXPECT_EQ(h().alert(), nullptr);

  // A resend the server fails says so; the countdown runs on.
  h().advance(60);
  fault(core::Dictionary{{"path", "/api/1.0/json/sys/ApplyForVerification/13900000001"}, {"status", 500},
                         {"body", "<html>error</html>"}, {"content_type", "text/html"}});
  ASSERT_TRUE(h().tap(*screen.btnAfresh()));
  waitReplies();
  EXPECT_EQ(alertMessage(), "请求失败，请稍后重试");
  dismissAlert();
  EXPECT_EQ(screen.btnAfresh()->currentTitle(), "重新获取验证码(59)");

  // A switch to e-mail and back keeps step 1 with its resend button.
  ASSERT_TRUE(h().tap(*screen.btnEmail()));
  EXPECT_EQ(h().visibleRect(*screen.btnAfresh()), ui::Rect());
  EXPECT_NE(h().visibleRect(*screen.emailField()), ui::Rect());
  ASSERT_TRUE(h().tap(*screen.btnShouji()));
  EXPECT_EQ(screen.buttonType(), 1);
  EXPECT_NE(h().visibleRect(*screen.btnAfresh()), ui::Rect());
  EXPECT_EQ(screen.txtPhone()->placeholder(), Screen::kSMSPlaceholder);

  // Step 1: a 7th character is refused; an empty or wrong code keeps the step.
  fill(*screen.txtPhone(), "6666661");
  EXPECT_EQ(screen.txtPhone()->text(), kSMSCode);
  fill(*screen.txtPhone(), "");
  ASSERT_TRUE(h().tap(*screen.btnPhoneregist()));
  EXPECT_EQ(screen.lbPhone()->text(), Screen::kCodeMissing);
  fill(*screen.txtPhone(), "123456");
  ASSERT_TRUE(h().tap(*screen.btnPhoneregist()));
  waitReplies();
  EXPECT_EQ(screen.lbPhone()->text(), Screen::kSMSWrong);
  EXPECT_EQ(screen.buttonType(), 1);
  fill(*screen.txtPhone(), kSMSCode);
  ASSERT_TRUE(h().tap(*screen.btnPhoneregist()));
  waitReplies();

  // Step 2: the password, secret, at most 20 characters, with the account rules.
  ASSERT_EQ(screen.buttonType(), 2);
  EXPECT_EQ(Screen::smsCode(), kSMSCode);
  EXPECT_TRUE(screen.txtPhone()->isSecureTextEntry());
  EXPECT_EQ(screen.txtPhone()->placeholder(), Screen::kPasswordPlaceholder);
  EXPECT_EQ(screen.btnPhoneregist()->currentTitle(), Screen::kRegister);
  EXPECT_EQ(h().visibleRect(*screen.btnAfresh()), ui::Rect());
  fill(*screen.txtPhone(), std::string(21, 'a'));
  EXPECT_EQ(screen.txtPhone()->text(), std::string(20, 'a'));
  struct Case {
    const char* password;
    const char* hint;
  };
  for (const Case& c : {Case{"", Screen::kPasswordMissing}, Case{"abc12", Screen::kPasswordLength},
                        Case{"五个汉字呀", Screen::kPasswordLength}, Case{"abc_123", Screen::kPasswordIllegal},
                        Case{"abc 123", Screen::kPasswordIllegal}}) {
    SCOPED_TRACE(c.password);
    fill(*screen.txtPhone(), c.password);
    ASSERT_TRUE(h().tap(*screen.btnPhoneregist()));
    EXPECT_EQ(screen.lbPhone()->text(), c.hint);
  }
  settleAll();
  EXPECT_TRUE(requests("User/regist").empty());

  fill(*screen.txtPhone(), "新密码abc1");
  ASSERT_TRUE(h().tap(*screen.btnPhoneregist()));
  settleAll();
  const auto regist = requests("User/regist");
  ASSERT_EQ(regist.size(), 1u);
  const core::Value body = JSONValue(regist[0]["body"].toString());
  EXPECT_EQ(sortedKeys(body), (std::vector<std::string>{"Address", "Birthday", "LoginCheckCode", "NickName",
                                                        "Password", "Sex", "Tel", "UserName"}));
  for (const char* empty : {"Address", "Birthday", "NickName", "Sex", "UserName"})
    EXPECT_EQ(body[empty], core::Value("")) << empty;
  EXPECT_EQ(body["Password"], core::Value("新密码abc1"));
  EXPECT_EQ(body["Tel"], core::Value("13900000001"));
  EXPECT_EQ(body["LoginCheckCode"], core::Value(kSMSCode));

  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->title(), "Vardo");
  EXPECT_EQ(alertMessage(), Screen::kRegistered);
  dismissAlert("确定");
  auto& login = shown<LoginViewController>();
  EXPECT_EQ(login.usernameField()->text(), "13900000001");
  EXPECT_EQ(login.usernameFieldText(), "13900000001");
  EXPECT_EQ(serverUser("13900000001")["user"]["Tel"], core::Value("13900000001")) << "the account exists";
}

TEST_F(Register, ARefusedNumberOrImageCodeSendsNoSMS) {
  Screen& screen = openRegister();
  // A taken number: the server's text under the field and a grey, disabled button.
  fill(*screen.txtPhone(), "13800000001");
  fill(*screen.txtCodeImage(), kImageCode);
  waitReplies();
  EXPECT_FALSE(screen.isUsable());
  EXPECT_EQ(screen.lbPhone()->text(), "该手机号码已被注册");
  EXPECT_FALSE(screen.btnPhoneregist()->isEnabled());
  EXPECT_EQ(screen.btnPhoneregist()->backgroundColor(), ui::Color::gray());
  h().tap(*screen.btnPhoneregist());  // disabled: nothing happens
  settleAll();
  EXPECT_TRUE(requests("Verify/VerifyCode").empty());
  // A mode switch enables the button again, but without a successful check it sends nothing.
  ASSERT_TRUE(h().tap(*screen.btnEmail()));
  ASSERT_TRUE(h().tap(*screen.btnShouji()));
  EXPECT_TRUE(screen.btnPhoneregist()->isEnabled());
  EXPECT_EQ(screen.lbPhone()->text(), "该手机号码已被注册");
  ASSERT_TRUE(h().tap(*screen.btnPhoneregist()));
  settleAll();
  EXPECT_TRUE(requests("Verify/VerifyCode").empty());
  EXPECT_EQ(h().alert(), nullptr);

  // Step 0's own checks.
  struct Case {
    const char* number;
    const char* code;
    const char* hint;   // under the field
    const char* alert;  // or in an alert
  };
  for (const Case& c : {Case{"", kImageCode, Screen::kPhoneMissing, nullptr},
                        Case{"12345678901", kImageCode, Screen::kPhoneInvalid, nullptr},
                        Case{"13900000002", "", nullptr, Screen::kCodeMissing}}) {
    SCOPED_TRACE(c.number);
    fill(*screen.txtPhone(), c.number);
    fill(*screen.txtCodeImage(), c.code);
    waitReplies();
    ASSERT_TRUE(h().tap(*screen.btnPhoneregist()));
    if (c.hint) {
      EXPECT_EQ(screen.lbPhone()->text(), c.hint);
    }
    if (c.alert) {
      EXPECT_EQ(alertMessage(), c.alert);
      dismissAlert();
    }
  }
  settleAll();
  EXPECT_TRUE(requests("Verify/VerifyCode").empty());

  // A wrong image code: the server's text in a "Vardo" alert, then a new image code.
  fill(*screen.txtPhone(), "13900000002");
  fill(*screen.txtCodeImage(), "1234");
  waitReplies();
  ASSERT_TRUE(screen.isUsable());
  server().clearJournal();
  ASSERT_TRUE(h().tap(*screen.btnPhoneregist()));
  waitReplies();
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->title(), "Vardo");
  EXPECT_EQ(alertMessage(), "验证码错误");
  EXPECT_TRUE(requests("CreateGuid").empty());
  dismissAlert("确定");
  waitReplies();
  EXPECT_EQ(requests("CreateGuid").size(), 1u);
  EXPECT_EQ(screen.buttonType(), 0);
  EXPECT_EQ(h().web(*screen.Codeimage()).url(), VerificationCodeImage::imageURL(VerificationCodeImage::guid()));
}

TEST_F(Register, TheEmailRoadChecksInOrderAndLeadsToTheVerification) {
  Screen& screen = openRegister();
  ASSERT_TRUE(h().tap(*screen.btnEmail()));
  EXPECT_EQ(screen.registType(), 1);
  EXPECT_EQ(screen.emailField()->placeholder(), Screen::kEmailPlaceholder);
  EXPECT_EQ(screen.btnEmail()->backgroundColor(), ui::Color::white());
  EXPECT_EQ(screen.btnShouji()->backgroundColor(), ui::Color::clear());

  struct Case {
    std::string email, password, repeat;
    const char* alert;
    const char* passwordHint;  // under the password after leaving it (nullptr: not checked)
  };
  const std::string free = "neu@example.com";
  const Case cases[] = {
      {"", "abc123", "abc123", Screen::kAccountEmpty, ""},
      {"neu@example", "abc123", "abc123", Screen::kEmailInvalid, ""},
      {"user01@example.com", "abc123", "abc123", Screen::kEmailNotUsable, ""},
      {free, "", "", Screen::kPasswordsEmpty, Screen::kPasswordEmpty},
      {free, "abc12", "abc12", Screen::kPasswordLength, Screen::kPasswordLength},
      {free, std::string(21, 'a'), std::string(21, 'a'), Screen::kPasswordLength, Screen::kPasswordLength},
      {free, "abc_123", "abc_123", Screen::kPasswordIllegal, Screen::kPasswordIllegal},
      {free, "abc 123", "abc 123", Screen::kPasswordIllegal, Screen::kPasswordIllegal},
      {free, "abc123", "abc124", Screen::kPasswordsDiffer, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.email + " / " + c.password);
    fill(*screen.emailField(), c.email);
    fill(*screen.passwordField(), c.password);
    fill(*screen.password2Field(), c.repeat);
    leaveFields();
    waitReplies();
    EXPECT_EQ(screen.password_lab()->text(), c.passwordHint);
    EXPECT_EQ(screen.password2_lab()->text(), c.password == c.repeat ? "" : Screen::kPasswordMismatch);
    ASSERT_TRUE(h().tap(*screen.btnRegist()));
    EXPECT_EQ(alertMessage(), c.alert);
    dismissAlert();
  }
  EXPECT_EQ(screen.emailPhone_lab()->text(), "") << "the last address was free";
  EXPECT_TRUE(requests("User/regist").empty());

  // Six Chinese characters are a good password.
  fill(*screen.passwordField(), "六个汉字密码");
  fill(*screen.password2Field(), "六个汉字密码");
  ASSERT_TRUE(h().tap(*screen.btnRegist()));
  settleAll();
  const auto regist = requests("User/regist");
  ASSERT_EQ(regist.size(), 1u);
  const core::Value body = JSONValue(regist[0]["body"].toString());
  EXPECT_EQ(sortedKeys(body),
            (std::vector<std::string>{"Address", "Birthday", "Email", "NickName", "Password", "Sex", "UserName"}));
  EXPECT_EQ(body["Email"], core::Value(free));
  EXPECT_EQ(body["Password"], core::Value("六个汉字密码"));
  auto& verify = shown<EmailVerifyViewController>();
  EXPECT_EQ(verify.email(), free);
  EXPECT_EQ(verify.title(), "验证");
}

TEST_F(Register, TheServersRefusalsAreShownInItsWords) {
  struct Case {
    core::Value fault;
    const char* shown;
  };
  const Case cases[] = {
      {core::Dictionary{{"path", "/api/1.0/json/User/regist"},
                        {"body", R"({"Body": false, "Message": "已被使用", "LoginState": 0})"}},
       Screen::kTakenShown},
      {core::Dictionary{{"path", "/api/1.0/json/User/regist"},
                        {"body", R"({"Body": false, "Message": "密码长度应为6到20个字符", "LoginState": 0})"}},
       "密码长度应为6到20个字符"},
      {core::Dictionary{{"path", "/api/1.0/json/User/regist"}, {"drop", true}, {"count", 5}},
       Screen::kRegistFailed},
  };
  Screen& screen = openRegister();
  ASSERT_TRUE(h().tap(*screen.btnEmail()));
  fill(*screen.emailField(), "neu@example.com");
  fill(*screen.passwordField(), "abc123");
  fill(*screen.password2Field(), "abc123");
  leaveFields();
  waitReplies();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shown);
    fault(c.fault);
    ASSERT_TRUE(h().tap(*screen.btnRegist()));
    settleAll();
    EXPECT_EQ(alertMessage(), c.shown);
    dismissAlert();
    EXPECT_EQ(top(), "RegisterViewController");
  }
}

}  // namespace
}  // namespace account_test
