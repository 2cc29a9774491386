// Phone binding against the loopback server: the mode follows the session's "Tel" (masked as far as it
// is long), unbinding with the bound number only, the SMS button's countdown 59..1 on the manual clock,
// the limits while typing, the availability check on leaving the number, binding a new number, the
// server's refusals leaving the session as it was, and a countdown that ends with its screen.

#include "platform/runloop/Timer.h"
#include "screens/account/PhoneBindViewController.h"
#include "screens/account/PhoneBindViewController2.h"
#include "screens/account/SecuritySetupViewController.h"
#include "tests/screens/account/FlowFixture.h"

namespace account_test {
namespace {

using Bind = PhoneBindViewController;
using Bind2 = PhoneBindViewController2;

class PhoneBind : public FlowFixture {
 protected:
  Bind& openBind() {
    Bind& screen = open<Bind>(make("login"), make(Bind::kIdentifier));
    waitReplies();  // the image code
    return screen;
  }
  // From the first screen with the number and the image code on to the second.
  Bind2& goOn(Bind& screen, const std::string& number) {
    fill(*screen.txtPhone(), number);
    fill(*screen.txtverityCode(), kImageCode);
    leaveFields();
    waitReplies();
    EXPECT_TRUE(h().tap(*screen.btnPhoneBind()));
    settleAll();
    return shown<Bind2>();
  }
  std::string sessionTel() { return userInfo()["Tel"].toString(); }
};

TEST_F(PhoneBind, ABoundNumberIsShownMaskedAsFarAsItIsLong) {
  logIn("user01", "secret1");
  struct Case {
    const char* tel;
    const char* note;
  };
  const Case cases[] = {
      {"13800000001", "user01已绑定手机号138****01"},
      {"1380000", "user01已绑定手机号138****"},  // shorter than the mask: no crash, nothing left over
      {"138", "user01已绑定手机号138"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tel);
    userInfo().set("Tel", c.tel);
    Bind& screen = openBind();
    EXPECT_EQ(screen.lbphoneBind_msg()->text(), c.note);
    EXPECT_EQ(screen.txtPhone()->placeholder(), Bind::kUnbindPlaceholder);
    EXPECT_EQ(screen.btnPhoneBind()->currentTitle(), Bind::kUnbind);
  }
  EXPECT_EQ(maskedPhoneNumber(""), "");
}

TEST_F(PhoneBind, UnbindingTakesTheBoundNumberOnlyAndTheNextVisitBinds) {
  logIn("user01", "secret1");
  Bind& screen = openBind();
  EXPECT_EQ(h().web(*screen.Codeimage()).url(), VerificationCodeImage::imageURL(VerificationCodeImage::guid()));

  // Limits while typing: a 12th digit, a 7th code character.
  fill(*screen.txtPhone(), "139000000012");
  EXPECT_EQ(screen.txtPhone()->text(), "13900000001");
  fill(*screen.txtCaptcha(), "1234567");
  EXPECT_EQ(screen.txtCaptcha()->text(), "123456");

  // Another number than the bound one: the hint, nothing sent.
  fill(*screen.txtPhone(), "13900000001");
  server().clearJournal();
  ASSERT_TRUE(h().tap(*screen.btnCaptcha()));
  settleAll();
  EXPECT_EQ(screen.lbphone()->text(), Bind::kPhoneMismatch);
  EXPECT_TRUE(requests("ApplyForVerification").empty());
  EXPECT_TRUE(requests("CheckNewUsername").empty()) << "unbinding checks no availability";

  // The bound number: the SMS, then the button counts down 59..1 and comes back.
  fill(*screen.txtPhone(), "13800000001");
  ASSERT_TRUE(h().tap(*screen.btnCaptcha()));
  waitReplies();
  EXPECT_EQ(requests("ApplyForVerification/13800000001").size(), 1u);
  EXPECT_FALSE(screen.btnCaptcha()->isEnabled());
  EXPECT_EQ(screen.btnCaptcha()->backgroundColor(), ui::Color::gray());
  for (int left = 59; left >= 1; --left) {
    ASSERT_EQ(screen.btnCaptcha()->currentTitle(), "重新获取验证码(" + std::to_string(left) + ")");
    h().advance(1);
  }
  EXPECT_TRUE(screen.btnCaptcha()->isEnabled());
  EXPECT_EQ(screen.btnCaptcha()->currentTitle(), Bind::kResend);
  EXPECT_EQ(screen.btnCaptcha()->backgroundColor(), Bind::smsButtonColor());
  EXPECT_EQ(screen.second(), 60);

  // On with the image code: "telInfo" keeps the number, the second screen unbinds.
  Bind2& second = goOn(screen, "13800000001");
  EXPECT_EQ(core::UserDefaults::standard().objectForKey(Bind::kTelInfoDefault)["tel"], core::Value("13800000001"));
  EXPECT_EQ(second.btnPhoneBind()->currentTitle(), Bind2::kUnbind);
  EXPECT_TRUE(second.lab_tel()->isHidden());
  ASSERT_TRUE(h().tap(*second.btnPhoneBind()));
  EXPECT_EQ(second.lbcaptcha()->text(), Bind2::kCodeMissing);
  fill(*second.txtCaptcha(), "123456");
  ASSERT_TRUE(h().tap(*second.btnPhoneBind()));
  waitReplies();
  EXPECT_EQ(second.lbcaptcha()->text(), Bind2::kSMSWrong);
  EXPECT_TRUE(requests("CancelTel").empty());

  fill(*second.txtCaptcha(), kSMSCode);
  ASSERT_TRUE(h().tap(*second.btnPhoneBind()));
  waitReplies();
  EXPECT_EQ(requests("CancelTel").size(), 1u);
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->title(), "Vardo");
  EXPECT_EQ(alertMessage(), Bind2::kUnbound);
  EXPECT_TRUE(userInfo()["Tel"].isString());
  EXPECT_EQ(sessionTel(), "");
  EXPECT_EQ(serverUser("user01")["user"]["Tel"], core::Value(""));
  dismissAlert("确定");
  auto& safe = shown<SecuritySetupViewController>();
  EXPECT_EQ(safe.lbphone(), "");

  // The next visit binds.
  Bind& again = openBind();
  EXPECT_EQ(again.lbphoneBind_msg()->text(), "");
  EXPECT_EQ(again.txtPhone()->placeholder(), Bind::kBindPlaceholder);
}

TEST_F(PhoneBind, BindingChecksTheNumberOnLeavingAndAsksTheSMSOnlyFromTheButton) {
  logIn("user01", "secret1");
  userInfo().set("Tel", "");
  Bind& screen = openBind();

  struct Case {
    const char* number;
    const char* hint;
  };
  // The button's checks of the number.
  for (const Case& c : {Case{"", Bind::kPhoneEmpty}, Case{"1234", Bind::kPhoneInvalid}}) {
    SCOPED_TRACE(c.number);
    fill(*screen.txtPhone(), c.number);
    ASSERT_TRUE(h().tap(*screen.btnCaptcha()));
    EXPECT_EQ(screen.lbphone()->text(), c.hint);
  }
  // Leaving a taken number: the server's text, the go-on button disabled and grey.
  fill(*screen.txtPhone(), "13800138000");
  server().clearJournal();
  leaveFields();
  waitReplies();
  EXPECT_EQ(screen.lbphone()->text(), "该手机号码已被注册");
  EXPECT_FALSE(screen.btnPhoneBind()->isEnabled());
  EXPECT_EQ(screen.btnCaptcha()->backgroundColor(), ui::Color::gray());
  // Leaving a free number checks it, without asking for an SMS.
  fill(*screen.txtPhone(), "13900000007");
  server().clearJournal();
  leaveFields();
  waitReplies();
  EXPECT_EQ(requests("CheckNewUsername/13900000007/Tel").size(), 1u);
  EXPECT_TRUE(requests("ApplyForVerification").empty());
  EXPECT_EQ(screen.lbphone()->text(), "");
  EXPECT_TRUE(screen.btnPhoneBind()->isEnabled());
  // The SMS button does both.
  server().clearJournal();
  ASSERT_TRUE(h().tap(*screen.btnCaptcha()));
  waitReplies();
  EXPECT_EQ(requests("CheckNewUsername/13900000007/Tel").size(), 1u);
  EXPECT_EQ(requests("ApplyForVerification/13900000007").size(), 1u);
  EXPECT_EQ(screen.btnCaptcha()->currentTitle(), "重新获取验证码(59)");

  // A refused binding keeps the session's "Tel".
  Bind2& second = goOn(screen, "13900000007");
  EXPECT_EQ(second.lab_tel()->text(), "13900000007");
  EXPECT_NE(second.btnPhoneBind()->currentTitle(), Bind2::kUnbind);
  fault(core::Dictionary{{"path", "/api/1.0/json/user/SetPersonalDetails"},
                         {"body", R"({"Body": false, "Message": "该手机号码已被绑定", "LoginState": 1})"}});
  fill(*second.txtCaptcha(), kSMSCode);
  ASSERT_TRUE(h().tap(*second.btnPhoneBind()));
  waitReplies();
  EXPECT_EQ(alertMessage(), "该手机号码已被绑定");
  dismissAlert();
  EXPECT_EQ(sessionTel(), "");
  EXPECT_EQ(top(), "PhoneBindViewController2");

  // Accepted: the session's "Tel" and the server's record take the number.
  server().clearJournal();
  ASSERT_TRUE(h().tap(*second.btnPhoneBind()));
  waitReplies();
  const auto sent = requests("SetPersonalDetails");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(JSONValue(sent[0]["body"].toString()), core::Value(core::Dictionary{{"Tel", "13900000007"}}));
  EXPECT_EQ(alertMessage(), Bind2::kBound);
  EXPECT_EQ(sessionTel(), "13900000007");
  EXPECT_EQ(serverUser("user01")["user"]["Tel"], core::Value("13900000007"));
  dismissAlert("确定");
  EXPECT_EQ(top(), "SecuritySetupViewController");
}

TEST_F(PhoneBind, RefusalsAreShownAndChangeNothing) {
  logIn("user01", "secret1");
  Bind& screen = openBind();
  // The SMS refused: the alert, no countdown.
  fault(core::Dictionary{{"path", "/api/1.0/json/sys/ApplyForVerification/*"},
                         {"body", R"({"Body": false, "Message": "请求次数过多，请稍后再试", "LoginState": 0})"}});
  fill(*screen.txtPhone(), "13800000001");
  ASSERT_TRUE(h().tap(*screen.btnCaptcha()));
  waitReplies();
  EXPECT_EQ(alertMessage(), Bind::kTooManyRequests);
  dismissAlert();
  EXPECT_TRUE(screen.btnCaptcha()->isEnabled());
  EXPECT_FALSE(screen.countdown()->isRunning());

  // A wrong image code: the server's text, no second screen.
  fill(*screen.txtverityCode(), "0000");
  ASSERT_TRUE(h().tap(*screen.btnPhoneBind()));
  waitReplies();
  EXPECT_EQ(alertMessage(), "验证码错误");
  dismissAlert();
  EXPECT_EQ(top(), "PhoneBindViewController");

  // Leaving a wrong SMS code says so.
  fill(*screen.txtCaptcha(), "999999");
  leaveFields();
  waitReplies();
  EXPECT_EQ(screen.lbcaptcha()->text(), Bind::kSMSWrong);

  // The unbinding refused by the server: the session keeps its number. (The refused image code is used
  // up: a new one first.)
  ui::Button* another = h().button("换一张");
  ASSERT_NE(another, nullptr);
  ASSERT_TRUE(h().tap(*another));
  waitReplies();
  Bind2& second = goOn(screen, "13800000001");
  fault(core::Dictionary{{"path", "/api/1.0/json/user/CancelTel"},
                         {"body", R"({"Body": false, "Message": "", "State": 1, "LoginState": 1})"}});
  fill(*second.txtCaptcha(), kSMSCode);
  ASSERT_TRUE(h().tap(*second.btnPhoneBind()));
  waitReplies();
  EXPECT_EQ(alertMessage(), Bind2::kUnbindFailed);
  EXPECT_EQ(sessionTel(), "13800000001");
}

TEST_F(PhoneBind, ClosingTheScreenMidCountdownLeavesNoTimerBehind) {
  logIn("user01", "secret1");
  std::weak_ptr<rl::Timer> timer;
  std::weak_ptr<ui::ViewController> gone;
  {
    Bind& screen = openBind();
    fill(*screen.txtPhone(), "13800000001");
    ASSERT_TRUE(h().tap(*screen.btnCaptcha()));
    waitReplies();
    h().advance(3);
    ASSERT_EQ(screen.btnCaptcha()->currentTitle(), "重新获取验证码(56)");
    timer = screen.countdown()->timer();
    ASSERT_FALSE(timer.expired());
    gone = screen.weak_from_this();
    nav_->popViewController(false);
  }
  h().settle();
  EXPECT_TRUE(gone.expired()) << "the screen is gone";
  auto left = timer.lock();
  EXPECT_TRUE(!left || !left->isValid()) << "its timer stopped with it";
  h().advance(60);  // no tick reaches it
  EXPECT_EQ(top(), "LoginViewController");
}

}  // namespace
}  // namespace account_test
