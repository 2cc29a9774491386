// Replies of the wrong shape to the account forms' requests: each tap ends in the form's own failure
// text or in a short message, nothing is stored or opened as if the server had agreed, and the form
// still works with a good reply afterwards.

#include <filesystem>
#include <fstream>
#include <functional>

#include "app/VDNetworkHelper.h"
#include "screens/account/EmailVerifyViewController.h"
#include "screens/account/FindPassWord2ViewController.h"
#include "screens/account/FindPassWord3ViewController.h"
#include "screens/account/FindPasswordViewController.h"
#include "screens/account/LoginViewController.h"
#include "screens/account/MyCenterViewController.h"
#include "screens/account/PasswordSettingViewController.h"
#include "screens/account/PersonalDataViewController.h"
#include "screens/account/PhoneBindViewController.h"
#include "screens/account/PhoneBindViewController2.h"
#include "screens/account/RegisterViewController.h"
#include "screens/account/SMSNotifierViewController.h"
#include "screens/account/SecuritySetupViewController.h"
#include "service/System.h"
#include "tests/screens/account/FlowFixture.h"
#include "tests/support/HostileReplies.h"
#include "widgets/ProgressHUD.h"

namespace account_test {
namespace {

using AccountReplies = FlowFixture;

const std::string kMalformed = "服务器数据有误，请稍后重试";

// The hostile replies after which the form says its own failure text: no reply came (a reply that is
// not JSON, too deep, or not a success status), or the server refused without a text.
bool endsInTheFormsOwnText(const std::string& reply) {
  for (const char* name : {"null body", "truncated", "not UTF-8", "HTTP 500", "HTML with 200", "5,000 deep"})
    if (reply == name) return true;
  return false;
}

// The table of hostile replies, made once. The 100,000-entry reply costs its parse (some seconds
// under the sanitizers) and is refused by the client layer the same way on every path; each test runs
// it on its first path only (`withTheLongList`).
const std::vector<testsupport::HostileReply>& hostile(bool withTheLongList) {
  static const std::vector<testsupport::HostileReply> all = testsupport::hostileReplies();
  static const std::vector<testsupport::HostileReply> shorter = [] {
    std::vector<testsupport::HostileReply> out;
    for (const testsupport::HostileReply& r : all)
      if (r.name != "100,000 entries") out.push_back(r);
    return out;
  }();
  return withTheLongList ? all : shorter;
}

struct FormCase {
  std::string name;
  std::string path;
  std::string failureText;            // the form's own text when no reply came
  std::function<void()> ask;          // the tap that asks the server
  std::string screen;                 // on top under the alert, and after it
  std::function<void()> nothingDone;  // asserts that nothing was taken as agreed
};

TEST_F(AccountReplies, EveryFormSaysWhatWentWrongAndStoresNothing) {
  // Registration by e-mail, then the login, both logged out.
  auto& reg = open<RegisterViewController>(make("login"), make(RegisterViewController::kIdentifier));
  waitReplies();
  ASSERT_TRUE(h().tap(*reg.btnEmail()));
  fill(*reg.emailField(), "neu@example.com");
  fill(*reg.passwordField(), "abc123");
  fill(*reg.password2Field(), "abc123");
  leaveFields();
  waitReplies();
  const std::shared_ptr<ui::NavigationController> regNav = nav_;
  auto& login = open<LoginViewController>(make("login"));
  const std::shared_ptr<ui::NavigationController> loginNav = nav_;
  fill(*login.usernameField(), "user01");
  fill(*login.pwdField(), "secret1");
  leaveFields();

  const std::string requestFailed = core::Bundle::main().localizedString("requestFaile");
  std::vector<FormCase> forms = {
      {"registration", "/api/1.0/json/User/regist", RegisterViewController::kRegistFailed,
       [&] {
         h().setRoot(regNav);
         h().settle();
         ASSERT_TRUE(h().tap(*reg.btnRegist()));
       },
       "RegisterViewController", [&] { EXPECT_EQ(regNav->viewControllers().size(), 2u); }},
      {"login", "/api/1.0/json/User/login", LoginViewController::kLoginFailedMessage,
       [&] {
         h().setRoot(loginNav);
         h().settle();
         ASSERT_TRUE(h().tap(*login.loginButton()));
       },
       "LoginViewController",
       [&] {
         EXPECT_FALSE(app().userSession().contains("userInfo"));
         EXPECT_EQ(keychain(sec::kSecAttrAccount), "");
       }},
  };
  for (const FormCase& form : forms) {
    for (const testsupport::HostileReply& r : hostile(&form == &forms.front())) {
      SCOPED_TRACE(form.name + ": " + r.name);
      fault(testsupport::withPath(r.fault, form.path));
      form.ask();
      settleAll();
      EXPECT_EQ(alertMessage(), endsInTheFormsOwnText(r.name) ? form.failureText : kMalformed);
      EXPECT_EQ(top(), form.screen);
      form.nothingDone();
      if (h().alert()) dismissAlert();
      ASSERT_EQ(top(), form.screen);
    }
  }

  // The registration still goes through with a good reply.
  h().setRoot(regNav);
  h().settle();
  ASSERT_TRUE(h().tap(*reg.btnRegist()));
  settleAll();
  EXPECT_EQ(top(), "EmailVerifyViewController");
  h().setRoot(loginNav);
  h().settle();

  // The login's next two requests. Personal details of the wrong shape are no details: the toast, the
  // login's own record kept whole, no application information asked for.
  for (const testsupport::HostileReply& r : hostile(false)) {
    SCOPED_TRACE("personal details: " + r.name);
    app().userSession().remove("userInfo");
    fault(testsupport::withPath(r.fault, "/api/1.0/json/user/GetPersonalDetails"));
    server().clearJournal();
    ASSERT_TRUE(h().tap(*login.loginButton()));
    ASSERT_TRUE(runUntil([&] { return h().tagged(VDNetworkHelper::kToastTag) != nullptr; }));
    settleRequests();
    EXPECT_EQ(static_cast<ProgressHUD*>(h().tagged(VDNetworkHelper::kToastTag))->labelText(),
              LoginViewController::kDetailsFailedToast);
    EXPECT_EQ(userInfo()["Tel"], core::Value("13800000001"));
    EXPECT_EQ(userInfo()["Email"], core::Value("user01@example.com"));
    EXPECT_EQ(userInfo()["NickName"], core::Value("小明"));
    EXPECT_TRUE(requests("Info/GKSample").empty());
    EXPECT_EQ(top(), "LoginViewController");
    h().advance(3);  // the toast goes
    h().settle();
  }
  // Application information of the wrong shape is said (a refusal with a null "Body" is not: the user
  // stays logged in on this screen) and is not kept.
  for (const testsupport::HostileReply& r : hostile(false)) {
    SCOPED_TRACE("application information: " + r.name);
    app().userSession().remove("userInfo");
    app().userSession().remove("appInfo");
    fault(testsupport::withPath(r.fault, "/api/1.0/json/user/SoftInfo/GKSample"));
    server().clearJournal();
    ASSERT_TRUE(h().tap(*login.loginButton()));
    ASSERT_TRUE(runUntil([&] { return !requests("SoftInfo").empty(); }));
    settleRequests();
    if (r.name == "null body") {
      EXPECT_EQ(alertMessage(), "<no alert>");
    } else {
      ASSERT_TRUE(runUntil([&] { return h().alert() != nullptr; }));
      EXPECT_EQ(alertMessage(), endsInTheFormsOwnText(r.name) ? requestFailed : kMalformed);
    }
    EXPECT_FALSE(app().userSession().contains("appInfo"));
    EXPECT_TRUE(app().userSession().contains("userInfo"));
    EXPECT_EQ(top(), "LoginViewController");
    if (h().alert()) dismissAlert();
  }

  // Logged in: the password change and the personal data.
  logIn("user01", "secret1");
  openHome();
  auto password = make("password");
  auto* pwd = dynamic_cast<PasswordSettingViewController*>(password.get());
  ASSERT_NE(pwd, nullptr);
  homeScreen().navigationController()->pushViewController(password, false);
  h().settle();
  fill(*pwd->oldPasswordField(), "secret1");
  fill(*pwd->setPasswordField(), "abc1234");
  fill(*pwd->setPasswordField2(), "abc1234");
  leaveFields();
  for (const testsupport::HostileReply& r : hostile(false)) {
    SCOPED_TRACE("password change: " + r.name);
    fault(testsupport::withPath(r.fault, "/api/1.0/json/user/ResetPassWord/*"));
    ASSERT_TRUE(h().tap(*pwd->submitButton()));
    settleAll();
    EXPECT_EQ(alertMessage(), endsInTheFormsOwnText(r.name) ? requestFailed : kMalformed);
    EXPECT_EQ(top(), "PasswordSettingViewController");
    EXPECT_TRUE(app().userSession().contains("userInfo"));  // still logged in
    EXPECT_EQ(keychain(sec::kSecValueData), "secret1");
    if (h().alert()) dismissAlert();
  }
  homeScreen().navigationController()->popToRootViewController(false);
  h().settle();

  auto personal = make("personalData");
  auto* data = dynamic_cast<PersonalDataViewController*>(personal.get());
  ASSERT_NE(data, nullptr);
  homeScreen().navigationController()->pushViewController(personal, false);
  h().settle();
  const core::Value sexBefore = userInfo()["Sex"];
  const std::string shownBefore = data->lab_sex()->text();
  const std::string other = shownBefore == "女" ? "男" : "女";
  for (const testsupport::HostileReply& r : hostile(false)) {
    SCOPED_TRACE("personal data: " + r.name);
    fault(testsupport::withPath(r.fault, "/api/1.0/json/user/SetPersonalDetails"));
    ASSERT_TRUE(h().tap(*data->editButton(PersonalDataViewController::kSexTag)));
    h().settle();
    ASSERT_NE(h().sheet(), nullptr);
    ASSERT_TRUE(h().press(other));
    settleAll();
    EXPECT_EQ(alertMessage(), endsInTheFormsOwnText(r.name) ? requestFailed : kMalformed);
    EXPECT_EQ(data->lab_sex()->text(), shownBefore);
    EXPECT_EQ(userInfo()["Sex"], sexBefore);
    if (h().alert()) dismissAlert();
  }

  // A nick name whose check is answered in the wrong shape is not sent.
  const std::string nickBefore = data->lab_nicheng()->text();
  for (const testsupport::HostileReply& r : hostile(false)) {
    SCOPED_TRACE("nick name check: " + r.name);
    fault(testsupport::withPath(r.fault, "/api/1.0/json/user/CheckNewUsername/*"));
    server().clearJournal();
    ASSERT_TRUE(h().tap(*data->editButton(PersonalDataViewController::kNickNameTag)));
    h().settle();
    ASSERT_NE(h().alert(), nullptr);
    ui::TextField& field = *h().alert()->textFieldAtIndex(0);
    ASSERT_TRUE(h().focus(field));
    h().backspace(field, static_cast<int>(field.text().size()));
    ASSERT_TRUE(h().typeInAlert("新昵称"));
    ASSERT_TRUE(h().press("修改"));
    settleAll();
    EXPECT_EQ(alertMessage(), endsInTheFormsOwnText(r.name) ? requestFailed : kMalformed);
    EXPECT_TRUE(requests("SetPersonalDetails").empty());
    EXPECT_EQ(data->lab_nicheng()->text(), nickBefore);
    if (h().alert()) dismissAlert();
  }

  // An avatar upload answered in the wrong shape failed: the toast, and the new avatar stays.
  const std::string face = core::Paths::temporary() + "/face.jpg";
  std::ofstream(face, std::ios::binary) << *ui::ImageCodec::encodeJPEG(rampBitmap(40, 40), 0.8);
  for (const testsupport::HostileReply& r : hostile(false)) {
    SCOPED_TRACE("avatar upload: " + r.name);
    fault(testsupport::withPath(r.fault, "/api/1.0/json/user/SetPhoto"));
    ASSERT_TRUE(h().tap(*data->avatarButton()));
    h().settle();
    ASSERT_TRUE(h().press("从相册选择"));
    h().settle();
    ASSERT_TRUE(chooser_->choose(face));
    h().settle();
    ASSERT_TRUE(runUntil([&] { return h().label(PersonalDataViewController::kUploadFailed) != nullptr; }));
    EXPECT_EQ(top(), "PersonalDataViewController");
    EXPECT_TRUE(std::filesystem::exists(avatarDirectory() + "/user01.jpg"));
    h().advance(2);  // the toast goes
    h().settle();
  }

  // Good replies still go through: the sex changes, the password changes and the login screen opens.
  ASSERT_TRUE(h().tap(*data->editButton(PersonalDataViewController::kSexTag)));
  h().settle();
  ASSERT_TRUE(h().press(other));
  settleAll();
  EXPECT_EQ(alertMessage(), PersonalDataViewController::kChanged);
  EXPECT_EQ(data->lab_sex()->text(), other);
  dismissAlert();
  homeScreen().navigationController()->pushViewController(password, false);
  h().settle();
  ASSERT_TRUE(h().tap(*pwd->submitButton()));
  settleAll();
  EXPECT_EQ(alertMessage(), PasswordSettingViewController::kChanged);
  EXPECT_FALSE(app().userSession().contains("userInfo"));
}

// The steps of recovery, registration by phone, binding, e-mail verification and my centre: each
// answer of the wrong shape ends in the step's own text or a short message, and the user stays where
// he was.
TEST_F(AccountReplies, EveryStepOfTheAccountRoadsSaysWhatWentWrong) {
  const std::string requestFailed = core::Bundle::main().localizedString("requestFaile");
  auto expected = [&](const std::string& reply, const std::string& own) {
    return endsInTheFormsOwnText(reply) ? own : kMalformed;
  };
  bool first = true;
  auto each = [&](const std::string& step, const std::string& path,
                  const std::function<void(const std::string&)>& run) {
    for (const testsupport::HostileReply& r : hostile(first)) {
      SCOPED_TRACE(step + ": " + r.name);
      fault(testsupport::withPath(r.fault, path));
      run(r.name);
      if (h().alert()) dismissAlert();
    }
    first = false;
  };

  // Recovery by e-mail: the alert, and the screen stays.
  auto byMail = std::make_shared<FindPasswordViewController>();
  open<FindPasswordViewController>(make("login"), byMail);
  fill(*byMail->emailField(), "user01@example.com");
  each("recovery by e-mail", "/api/1.0/json/User/FindPassword/*", [&](const std::string& r) {
    ASSERT_TRUE(h().tap(*byMail->findButton()));
    settleAll();
    EXPECT_EQ(alertMessage(), expected(r, requestFailed));
    EXPECT_EQ(top(), "FindPasswordViewController");
  });

  // Registration by phone: a new image code, and the number's availability.
  auto& reg = open<RegisterViewController>(make("login"), make(RegisterViewController::kIdentifier));
  waitReplies();
  each("image code", "/vc/VerificationCode/CreateGuid", [&](const std::string& r) {
    ASSERT_TRUE(h().tap(*reg.btnAfresh_CodeImage()));
    settleAll();
    EXPECT_EQ(alertMessage(), expected(r, requestFailed));
  });
  each("number availability", "/api/1.0/json/user/CheckNewUsername/*", [&](const std::string& r) {
    fill(*reg.txtPhone(), "13900000009");
    leaveFields();
    settleAll();
    EXPECT_FALSE(reg.isUsable());
    EXPECT_EQ(reg.lbPhone()->text(), expected(r, requestFailed));
  });

  // The reset of a recovered password: the alert, and the reset screen stays.
  open<LoginViewController>(make("login"));
  ui::Button* find = h().button("找回密码");
  ASSERT_NE(find, nullptr);
  ASSERT_TRUE(h().tap(*find));
  settleAll();
  auto& recovery = shown<FindPassWord2ViewController>();
  fill(*recovery.txtAccountName(), "user01@example.com");
  fill(*recovery.txtSMS(), kImageCode);
  waitReplies();
  each("recovery by address", "/api/1.0/json/User/FindPassword/*", [&](const std::string& r) {
    ASSERT_TRUE(h().tap(*recovery.btnFindpwd()));
    settleAll();
    EXPECT_EQ(alertMessage(), expected(r, requestFailed));
    EXPECT_EQ(top(), "FindPassWord2ViewController");
  });
  fill(*recovery.txtAccountName(), "13800000001");
  fill(*recovery.txtSMS(), kImageCode);
  waitReplies();
  ASSERT_TRUE(h().tap(*recovery.btnFindpwd()));
  settleAll();
  auto& reset = shown<FindPassWord3ViewController>();
  fill(*reset.txtSMS(), kSMSCode);
  fill(*reset.txtPassword(), "abc123");
  fill(*reset.txtPassword2(), "abc123");
  leaveFields();
  each("password reset", "/api/1.0/json/user/MotifyPassword", [&](const std::string& r) {
    ASSERT_TRUE(h().tap(*reset.resetButton()));
    settleAll();
    EXPECT_EQ(alertMessage(), expected(r, requestFailed));
    if (h().alert()) dismissAlert(FindPassWord3ViewController::kCloseButton);
    EXPECT_EQ(top(), "FindPassWord3ViewController");
  });

  // Logged in: my centre names the account by e-mail whatever the primary kind's reply.
  logIn("user01", "secret1");
  each("primary kind", "/api/1.0/json/user/GetPrimary", [&](const std::string&) {
    auto& centre = open<MyCenterViewController>(make(MyCenterViewController::kIdentifier));
    settleAll();
    EXPECT_EQ(centre.account_Lab()->text(), "Vardo通行证:\n" + userInfo()["Email"].toString());
    EXPECT_EQ(h().alert(), nullptr);
  });
  // ... and the security screen keeps the rows of the session's record.
  each("primary kind on the security screen", "/api/1.0/json/user/GetPrimary", [&](const std::string&) {
    auto& safe = open<SecuritySetupViewController>(make(MyCenterViewController::kIdentifier),
                                                   make(SecuritySetupViewController::kIdentifier));
    settleAll();
    EXPECT_FALSE(safe.isTel());
    EXPECT_EQ(safe.lab_phone()->text(), "13800000001");
    EXPECT_EQ(safe.labemail()->text(), "user01@example.com");
    EXPECT_FALSE(safe.btnEmail()->isEnabled());
    EXPECT_EQ(h().alert(), nullptr);
  });

  // The e-mail resend: a toast that says something.
  auto verify = make(EmailVerifyViewController::kIdentifier);
  static_cast<EmailVerifyViewController&>(*verify).setEmail("user01@example.com");
  auto& mail = open<EmailVerifyViewController>(make("login"), verify);
  each("e-mail resend", "/api/1.0/json/user/ReSendEmail", [&](const std::string& r) {
    ASSERT_TRUE(h().tap(*mail.btn_reSendEmail()));
    waitReplies();
    auto* toast = static_cast<ProgressHUD*>(h().tagged(VDNetworkHelper::kToastTag));
    ASSERT_NE(toast, nullptr);
    EXPECT_EQ(toast->labelText(), expected(r, requestFailed));
    h().advance(61);  // the toast goes, the countdown ends
    h().settle();
  });

  // Phone binding: the SMS request, the image code's check and the unbinding.
  using Bind = PhoneBindViewController;
  auto& bind = open<Bind>(make("login"), make(Bind::kIdentifier));
  waitReplies();
  fill(*bind.txtPhone(), "13800000001");
  each("SMS request", "/api/1.0/json/sys/ApplyForVerification/*", [&](const std::string&) {
    ASSERT_TRUE(h().tap(*bind.btnCaptcha()));
    settleAll();
    EXPECT_EQ(alertMessage(), Bind::kTooManyRequests);
    EXPECT_FALSE(bind.countdown()->isRunning());
  });
  fill(*bind.txtverityCode(), kImageCode);
  leaveFields();
  waitReplies();
  each("image code check", "/vc/Verify/VerifyCode", [&](const std::string& r) {
    ASSERT_TRUE(h().tap(*bind.btnPhoneBind()));
    settleAll();
    EXPECT_EQ(alertMessage(), expected(r, requestFailed));
    EXPECT_EQ(top(), "PhoneBindViewController");
  });
  ASSERT_TRUE(h().tap(*bind.btnPhoneBind()));
  settleAll();
  auto& second = shown<PhoneBindViewController2>();
  each("SMS code check", "/api/1.0/json/sys/CheckSMSCode/*", [&](const std::string&) {
    server().clearJournal();
    fill(*second.txtCaptcha(), kSMSCode);
    ASSERT_TRUE(h().tap(*second.btnPhoneBind()));
    settleAll();
    EXPECT_EQ(second.lbcaptcha()->text(), PhoneBindViewController2::kSMSWrong);
    EXPECT_TRUE(requests("CancelTel").empty());
    EXPECT_EQ(top(), "PhoneBindViewController2");
  });
  each("unbinding", "/api/1.0/json/user/CancelTel", [&](const std::string&) {
    fill(*second.txtCaptcha(), kSMSCode);
    ASSERT_TRUE(h().tap(*second.btnPhoneBind()));
    settleAll();
    EXPECT_EQ(alertMessage(), PhoneBindViewController2::kUnbindFailed);
    EXPECT_EQ(userInfo()["Tel"].toString(), "13800000001");
  });
  for (const char* reply :
       {R"({"Body":true,"State":false,"Message":""})", R"({"Body":true,"State":"0","Message":""})",
        R"({"Body":true,"State":null,"Message":""})"}) {
    SCOPED_TRACE(reply);
    fault(core::Dictionary{{"path", "/api/1.0/json/user/CancelTel"}, {"body", reply}});
    fill(*second.txtCaptcha(), kSMSCode);
    ASSERT_TRUE(h().tap(*second.btnPhoneBind()));
    settleAll();
    EXPECT_EQ(alertMessage(), PhoneBindViewController2::kUnbindFailed);
    EXPECT_EQ(userInfo()["Tel"].toString(), "13800000001");
    if (h().alert()) dismissAlert();
  }

  // A phone account's e-mail change: the alert, and the label and the session keep the old address.
  logIn("demo", "demo123");
  settleAll();
  if (alertMessage() == "欢迎首次登录，是否现在完善个人资料？") dismissAlert("取消");  // its first login
  auto& safe = open<SecuritySetupViewController>(make(MyCenterViewController::kIdentifier),
                                                 make(SecuritySetupViewController::kIdentifier));
  settleAll();
  ASSERT_EQ(alertMessage(), "<no alert>");
  ASSERT_TRUE(safe.isTel());
  const std::string shownEmail = safe.lab_phone()->text();
  const core::Value storedEmail = userInfo()["Email"];
  each("e-mail change", "/api/1.0/json/user/SetPersonalDetails", [&](const std::string& r) {
    ASSERT_TRUE(h().tap(*safe.btnPhone()));
    ASSERT_NE(h().alert(), nullptr);
    fill(*h().alert()->textFieldAtIndex(0), "neu@example.com");
    ASSERT_TRUE(h().press("修改"));
    settleAll();
    EXPECT_EQ(alertMessage(), expected(r, requestFailed));
    EXPECT_EQ(safe.lab_phone()->text(), shownEmail);
    EXPECT_EQ(userInfo()["Email"], storedEmail);
  });
}

// The notices: a reply of the wrong shape shows the no-notices image, as a failed request does, and
// builds no card.
TEST_F(AccountReplies, NoticesOfTheWrongShapeShowAsNone) {
  openHome();
  ui::NavigationController& nav = *homeScreen().navigationController();
  auto openNotices = [&]() -> SMSNotifierViewController& {
    nav.pushViewController(make("sNotifier"), false);
    settleAll();
    return shown<SMSNotifierViewController>();
  };
  std::vector<testsupport::HostileReply> replies = hostile(true);
  std::string many = "[";
  for (std::size_t i = 0; i <= System::kMaxAnnouncements; ++i)
    many += std::string(i ? "," : "") + R"(["题","文","2013"])";
  replies.push_back(
      {"notices past the limit", core::Dictionary{{"body", testsupport::replyWithBody(many + "]")}}});
  for (const testsupport::HostileReply& r : replies) {
    SCOPED_TRACE(r.name);
    fault(testsupport::withPath(r.fault, "/api/1.0/json/sys/GetAnnouncement/*"));
    SMSNotifierViewController& notices = openNotices();
    EXPECT_TRUE(notices.msgArr().empty());
    ASSERT_NE(notices.noNoticesView(), nullptr);
    EXPECT_EQ(notices.noNoticesView()->superview(), &notices.view());
    EXPECT_EQ(h().alert(), nullptr);
    nav.popToRootViewController(false);
    h().settle();
  }
  scenario(R"({"notices": [["第一条", "正文一", "2013-07-01"]]})");
  EXPECT_EQ(openNotices().msgArr().size(), 1u);
}

}  // namespace
}  // namespace account_test
