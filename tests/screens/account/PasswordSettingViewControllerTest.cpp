// The password change against the loopback server: the submit rules and the live hints (lengths in
// UTF-16 units, Chinese characters allowed), the request with both passwords escaped as path segments,
// and what a change does to the session and the keychain.

#include "screens/account/PasswordSettingViewController.h"
#include "tests/screens/account/AccountFixture.h"

namespace account_test {
namespace {

using Screen = PasswordSettingViewController;

class Password : public AccountFixture {
 protected:
  // Logged in as user01 (password "secret1"), the password screen pushed on the main screen.
  Screen& open() {
    logIn("user01", "secret1");
    openHome();
    auto screen = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("password");
    homeScreen().navigationController()->pushViewController(screen, true);
    h().settle();
    auto* s = dynamic_cast<Screen*>(h().topScreen());
    EXPECT_NE(s, nullptr) << top();
    server().clearJournal();
    return *s;
  }
  void fill(ui::TextField& field, const std::string& text) {
    ASSERT_TRUE(h().focus(field));
    h().backspace(field, static_cast<int>(field.text().size()));
    if (!text.empty()) {
      ASSERT_TRUE(h().type(field, text));
    }
  }
  static std::string hint(ui::Label* label) { return label->isHidden() ? "" : label->text(); }
};

TEST_F(Password, TheFirstFailingRuleShowsItsHintAndNothingIsSent) {
  Screen& screen = open();
  EXPECT_EQ(screen.title(), "修改密码");
  struct Case {
    const char* name;
    std::string oldPwd, newPwd, repeat;
    int field;  // the hint that shows: 0 old, 1 new, 2 repeat; the ones before it are cleared
    const char* message;
  };
  const std::string twentyOne(21, 'a');
  const Case cases[] = {
      {"old empty", "", "abc123", "abc123", 0, Screen::kOldEmpty},
      {"old wrong", "secret2", "abc123", "abc123", 0, Screen::kOldWrong},
      {"five", "secret1", "abc12", "abc12", 1, Screen::kLength},
      {"five Chinese", "secret1", "一二三四五", "一二三四五", 1, Screen::kLength},
      {"twenty-one", "secret1", twentyOne, twentyOne, 1, Screen::kLength},
      {"blank", "secret1", "abc 123", "abc 123", 1, Screen::kIllegal},
      {"punctuation", "secret1", "abc_123", "abc_123", 1, Screen::kIllegal},
      {"same as old", "secret1", "secret1", "secret1", 1, Screen::kSameAsOld},
      {"repeat differs", "secret1", "新密码abc", "新密码abd", 2, Screen::kMismatch},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fill(*screen.oldPasswordField(), c.oldPwd);
    fill(*screen.setPasswordField(), c.newPwd);
    fill(*screen.setPasswordField2(), c.repeat);
    ASSERT_TRUE(h().tap(*screen.submitButton()));
    ui::Label* labels[] = {screen.lab_oldPwd(), screen.lab_newPwd(), screen.lab_newPwd2()};
    EXPECT_EQ(hint(labels[c.field]), c.message);
    for (int i = 0; i < c.field; ++i) EXPECT_EQ(hint(labels[i]), "") << i;
    EXPECT_NE(h().label(c.message), nullptr) << "shown";
  }
  settleRequests();
  EXPECT_TRUE(requests("ResetPassWord").empty());
}

TEST_F(Password, HintsFollowTheTextAsItIsTyped) {
  Screen& screen = open();
  ui::TextField& oldField = *screen.oldPasswordField();
  ASSERT_TRUE(h().focus(oldField));
  EXPECT_EQ(h().backspace(oldField, 1), 0) << "nothing to delete in an empty field";
  EXPECT_EQ(hint(screen.lab_oldPwd()), "");
  // Hidden exactly while the text is empty or the stored password.
  const char* typed[] = {"s", "se", "sec", "secr", "secre", "secret", "secret1", "secret12"};
  for (const char* t : typed) {
    fill(oldField, t);
    EXPECT_EQ(hint(screen.lab_oldPwd()), std::string(t) == "secret1" ? "" : Screen::kOldWrong) << t;
  }
  h().backspace(oldField, 1);
  EXPECT_EQ(hint(screen.lab_oldPwd()), "");

  ui::TextField& newField = *screen.setPasswordField();
  struct Step {
    const char* text;
    const char* hint;
  };
  const Step steps[] = {{"新密码", Screen::kLength},  {"新密码ab", Screen::kLength}, {"新密码abc", ""},
                        {"新密码abc!", Screen::kIllegal}, {"secret1", Screen::kSameAsOld}};
  for (const Step& s : steps) {
    fill(newField, s.text);
    EXPECT_EQ(hint(screen.lab_newPwd()), s.hint) << s.text;
  }
  fill(newField, "新密码abc");
  ui::TextField& repeat = *screen.setPasswordField2();
  fill(repeat, "新密码ab");
  EXPECT_EQ(hint(screen.lab_newPwd2()), Screen::kMismatch);
  ASSERT_TRUE(h().type(repeat, "c"));
  EXPECT_EQ(hint(screen.lab_newPwd2()), "");
}

TEST_F(Password, AChangeLogsOutKeepsTheNewPasswordForTheNextLoginAndOpensTheLogin) {
  Screen& screen = open();
  fill(*screen.oldPasswordField(), "secret1");
  fill(*screen.setPasswordField(), "新密码abc1");
  fill(*screen.setPasswordField2(), "新密码abc1");
  ASSERT_TRUE(h().tap(*screen.submitButton()));
  settleRequests();

  const auto sent = requests("ResetPassWord");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0]["decoded_path"], core::Value("/api/1.0/json/user/ResetPassWord/secret1/新密码abc1"));
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->message(), Screen::kChanged);
  EXPECT_FALSE(app().userSession().contains("userInfo"));
  EXPECT_EQ(keychain(sec::kSecAttrAccount), "user01");
  EXPECT_EQ(keychain(sec::kSecValueData), "新密码abc1");
  h().press("OK");
  h().settle();
  EXPECT_EQ(top(), "LoginViewController");

  // The server takes the new password from the kept account.
  server().clearJournal();
  logIn(keychain(sec::kSecAttrAccount), keychain(sec::kSecValueData));
  EXPECT_EQ(userInfo()["UserName"], core::Value("user01"));
}

TEST_F(Password, PasswordsGoIntoThePathAsEscapedSegmentsAndARefusalShowsItsMessage) {
  Screen& screen = open();
  // A stored password with path characters in it (one the server does not hold).
  userInfo().set("Pwd", "ab/c?d#1");
  fill(*screen.oldPasswordField(), "ab/c?d#1");
  fill(*screen.setPasswordField(), "abc1234");
  fill(*screen.setPasswordField2(), "abc1234");
  ASSERT_TRUE(h().tap(*screen.submitButton()));
  settleRequests();
  const auto sent = requests("ResetPassWord");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0]["path"], core::Value("/api/1.0/json/user/ResetPassWord/ab%2Fc%3Fd%231/abc1234"));
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->message(), "原密码不正确");
  EXPECT_TRUE(app().userSession().contains("userInfo"));
  EXPECT_EQ(keychain(sec::kSecValueData), "secret1");
}

TEST_F(Password, NoAnswerOrNoNetwork) {
  Screen& screen = open();
  fill(*screen.oldPasswordField(), "secret1");
  fill(*screen.setPasswordField(), "abc1234");
  fill(*screen.setPasswordField2(), "abc1234");
  fault(core::Dictionary{{"path", "/api/1.0/json/user/ResetPassWord/*"}, {"drop", true}, {"count", 2}});
  ASSERT_TRUE(h().tap(*screen.submitButton()));
  settleRequests();
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->message(), core::Bundle::main().localizedString("requestFaile"));
  h().press("OK");
  h().settle();

  goOffline();
  server().clearJournal();
  ASSERT_TRUE(h().tap(*screen.submitButton()));
  h().settle();
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->title(), "断网提示");
  settleRequests();
  EXPECT_TRUE(requests("ResetPassWord").empty());
  EXPECT_TRUE(app().userSession().contains("userInfo"));
}

}  // namespace
}  // namespace account_test
