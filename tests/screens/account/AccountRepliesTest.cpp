// Replies of the wrong shape to the account forms' requests: each tap ends in the form's own failure
// text or in a short message, nothing is stored or opened as if the server had agreed, and the form
// still works with a good reply afterwards.

#include <functional>

#include "screens/account/LoginViewController.h"
#include "screens/account/PasswordSettingViewController.h"
#include "screens/account/PersonalDataViewController.h"
#include "screens/account/RegisterViewController.h"
#include "screens/account/SMSNotifierViewController.h"
#include "service/System.h"
#include "tests/screens/account/FlowFixture.h"
#include "tests/support/HostileReplies.h"

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

struct FormCase {
  std::string name;
  std::string path;
  std::string failureText;             // the form's own text when no reply came
  std::function<void()> ask;           // the tap that asks the server
  std::string screen;                  // on top under the alert, and after it
  std::function<void()> nothingDone;   // asserts that nothing was taken as agreed
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
    for (const testsupport::HostileReply& r : testsupport::hostileReplies()) {
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
  for (const testsupport::HostileReply& r : testsupport::hostileReplies()) {
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
  for (const testsupport::HostileReply& r : testsupport::hostileReplies()) {
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
  std::vector<testsupport::HostileReply> replies = testsupport::hostileReplies();
  std::string many = "[";
  for (std::size_t i = 0; i <= System::kMaxAnnouncements; ++i) many += std::string(i ? "," : "") + R"(["题","文","2013"])";
  replies.push_back({"notices past the limit", core::Dictionary{{"body", testsupport::replyWithBody(many + "]")}}});
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
