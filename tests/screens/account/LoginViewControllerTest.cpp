// The login screen against the loopback server: typed and never-shown logins, what a login stores and
// where it ends, the avatar kept once, the personal details, the failures, the check buttons and the
// screen that replaced the window's root after a forced logout.

#include <algorithm>

#include "app/AvatarFile.h"
#include "platform/runloop/BlockingCall.h"
#include "tests/screens/account/AccountFixture.h"

namespace account_test {
namespace {

class Login : public AccountFixture {
 protected:
  void installSampleBank() {
    std::filesystem::copy_file(
        std::filesystem::path(testserver::ApiServer::defaultSampleDir()) / "GKSample.db",
        VDHelper::dbSavePath() + "/GKSample.db", std::filesystem::copy_options::overwrite_existing);
  }

  // The road of a user: the main screen, a function that needs a login, "登录" in its alert; the login
  // screen is presented modally.
  LoginViewController& openLoginFromGate() {
    installSampleBank();
    MainInterfaceViewController1& home = openHome();
    EXPECT_TRUE(h().tap(*home.functionButton(2)));
    h().settle();
    EXPECT_NE(h().alert(), nullptr);
    EXPECT_TRUE(h().press("登录"));
    h().settle();
    return current();
  }
  // The login screen pushed by the home screen's header button "登录".
  LoginViewController& openLoginFromHeader() {
    MainInterfaceViewController1& home = openHome();
    EXPECT_TRUE(h().tap(*home.loginButton()));
    h().settle();
    return current();
  }
  LoginViewController& current() {
    auto* screen = dynamic_cast<LoginViewController*>(h().topScreen());
    EXPECT_NE(screen, nullptr) << top();
    return *screen;
  }

  // Types into a form field as a person does: empties it first.
  void fill(ui::TextField& field, const std::string& text) {
    ASSERT_TRUE(h().focus(field));
    h().backspace(field, static_cast<int>(field.text().size()));
    if (!text.empty()) {
      ASSERT_TRUE(h().type(field, text));
    }
  }
  void typeLogin(LoginViewController& screen, const std::string& name, const std::string& password) {
    fill(*screen.usernameField(), name);
    fill(*screen.pwdField(), password);
    ASSERT_TRUE(h().tap(*screen.loginButton()));
  }
  // Waits until the login's requests have been answered and the screens have moved.
  void waitForLogin() {
    ASSERT_TRUE(runUntil([this] { return app().userSession().contains("userInfo"); }));
    settleRequests();
    h().settle();
  }
};

TEST_F(Login, EmptyFieldsAndNoNetworkStopTheLoginBeforeAnyRequest) {
  struct Case {
    const char* name;
    const char* password;
    bool offline;
    const char* title;
    const char* message;
  };
  const Case cases[] = {
      {"", "", false, "提示", LoginViewController::kEmptyNameMessage},
      {"", "secret1", false, "提示", LoginViewController::kEmptyNameMessage},
      {"user01", "", false, "提示", LoginViewController::kEmptyPasswordMessage},
      {"user01", "secret1", true, "断网提示", "网络连接不可用，请检查网络设置"},
  };
  LoginViewController& screen = openLoginFromHeader();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    if (c.offline) goOffline();
    typeLogin(screen, c.name, c.password);
    h().settle();
    ASSERT_NE(h().alert(), nullptr);
    EXPECT_EQ(h().alert()->title(), c.title);
    EXPECT_EQ(h().alert()->message(), c.message);
    h().press(h().alert()->buttonTitleAtIndex(0));
    h().settle();
  }
  settleRequests();
  EXPECT_TRUE(requests("User/login").empty());
  EXPECT_FALSE(app().userSession().contains("userInfo"));
}

TEST_F(Login, ATypedLoginMakesTheSessionAndKeepsTheAccountWhateverTheCheckButtonsShow) {
  LoginViewController& screen = openLoginFromGate();
  EXPECT_EQ(screen.title(), "登录");

  // The check buttons: "auto login" brings "keep password" with it, and "keep password" off takes
  // "auto login" away; both end off.
  struct Step {
    const char* button;
    bool savePwd, autoLogin;
  };
  for (const Step& s : {Step{"自动登录", true, true}, Step{"记住密码", false, false},
                        Step{"记住密码", true, false}, Step{"记住密码", false, false}}) {
    ASSERT_TRUE(h().tap(*h().button(s.button)));
    EXPECT_EQ(screen.isSavaPwd(), s.savePwd) << s.button;
    EXPECT_EQ(screen.isAutoLogin(), s.autoLogin) << s.button;
    EXPECT_EQ(screen.btnSavePwd()->isSelected(), s.savePwd);
    EXPECT_EQ(screen.btnAutoLogin()->isSelected(), s.autoLogin);
  }

  typeLogin(screen, "user01", "secret1");
  waitForLogin();

  // The request: exactly the LoginRequest keys.
  const auto logins = requests("User/login");
  ASSERT_EQ(logins.size(), 1u);
  const core::Value body = JSONValue(logins[0]["body"].toString());
  std::vector<std::string> keys = body.dict().keys();
  std::sort(keys.begin(), keys.end());
  EXPECT_EQ(keys, (std::vector<std::string>{"AppEName", "Group", "ID", "LoginCheckCode", "LoginCount", "Pwd",
                                            "UserName"}));
  EXPECT_EQ(body["AppEName"], core::Value(""));
  EXPECT_EQ(body["Group"], core::Value(0));
  EXPECT_EQ(body["ID"], core::Value(0));
  EXPECT_EQ(body["LoginCount"], core::Value(0));
  EXPECT_EQ(body["LoginCheckCode"].toString(), VDHelper::macaddress().value_or(""));
  EXPECT_EQ(body["UserName"], core::Value("user01"));
  EXPECT_EQ(body["Pwd"], core::Value("secret1"));

  // The session, the keychain, the defaults, the timer.
  const core::Value info = userInfo();
  EXPECT_EQ(info["UserName"], core::Value("user01"));
  EXPECT_EQ(info["ID"].toInt(), 1);
  EXPECT_EQ(info["Pwd"], core::Value("secret1"));
  EXPECT_EQ(app().userSession()["isUserLogout"], core::Value(false));
  EXPECT_EQ(app().userSession()["appInfo"]["EName"], core::Value(kSubject));
  EXPECT_EQ(requests("user/SoftInfo/GKSample").size(), 1u);
  EXPECT_EQ(keychain(sec::kSecAttrAccount), "user01");
  EXPECT_EQ(keychain(sec::kSecValueData), "secret1");
  auto& defaults = core::UserDefaults::standard();
  EXPECT_EQ(defaults.integerForKey("isKeepPassword"), 1);
  EXPECT_EQ(defaults.integerForKey("isAutoLogon"), 1);
  EXPECT_TRUE(AppDelegate::isAutoLoginTimerRunning());
  EXPECT_FALSE(app().isfirstLogin());

  // Not a first login: the presented screen closes onto the home screen, which shows the user.
  EXPECT_EQ(top(), "MainInterfaceViewController1");
  EXPECT_EQ(homeScreen().registButton()->currentTitle(), "注销");
}

TEST_F(Login, AFirstLoginEndsOnTheMainScreenEvenWhenPresented) {
  openLoginFromGate();
  const auto oldHome = app().mainInterfaceVC();
  typeLogin(current(), "demo", "demo123");
  waitForLogin();
  EXPECT_EQ(userInfo()["LoginCount"].toInt(), 1);
  EXPECT_NE(app().mainInterfaceVC(), oldHome) << "the main screen was made anew";
  EXPECT_EQ(top(), "MainInterfaceViewController1");
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->message(), "欢迎首次登录，是否现在完善个人资料？");
}

TEST_F(Login, ThePersonalDetailsOverwriteTheirKeysAndRemoveTheMissingOnes) {
  fault(core::Dictionary{
      {"path", "/api/1.0/json/user/GetPersonalDetails"},
      {"body", JSONRepresentation(core::Dictionary{
                   {"Body", core::Dictionary{{"NickName", "新昵称"}, {"Sex", 0}, {"Tel", "13900000000"},
                                             {"Email", core::Value::null()}}},
                   {"Message", ""},
                   {"LoginState", 1}})
                   .value_or("")}});
  logIn("user01", "secret1");
  const core::Value info = userInfo();
  EXPECT_EQ(info["NickName"], core::Value("新昵称"));
  EXPECT_EQ(info["Sex"], core::Value(0));
  EXPECT_EQ(info["Tel"], core::Value("13900000000"));
  EXPECT_TRUE(info.contains("Email") && info["Email"].isNull());
  EXPECT_FALSE(info.contains("Address"));
  EXPECT_FALSE(info.contains("Birthday"));
  // The keys of the login record that are not details stay.
  EXPECT_EQ(info["UserName"], core::Value("user01"));
  EXPECT_EQ(info["LoginCount"].toInt(), 4);
  EXPECT_EQ(info["Pwd"], core::Value("secret1"));
}

TEST_F(Login, WithoutPersonalDetailsTheLoginStandsButTheScreenStaysAndNoOneIsTold) {
  fault(core::Dictionary{{"path", "/api/1.0/json/user/GetPersonalDetails"},
                         {"body", R"({"Body": null, "Message": "", "LoginState": 1})"}});
  LoginViewController& screen = openLoginFromGate();
  typeLogin(screen, "user01", "secret1");
  waitForLogin();
  EXPECT_NE(h().label(LoginViewController::kDetailsFailedToast), nullptr) << "the toast";
  EXPECT_TRUE(requests("SoftInfo").empty());
  EXPECT_EQ(top(), "LoginViewController");
  EXPECT_EQ(keychain(sec::kSecAttrAccount), "user01");
  EXPECT_EQ(core::UserDefaults::standard().integerForKey("isAutoLogon"), 1);
}

TEST_F(Login, ARefusedOrFailedLoginStoresNothing) {
  struct Case {
    const char* password;
    core::Value fault;
    const char* message;
  };
  const Case cases[] = {
      {"wrong1", core::Value(), "密码错误"},
      {"secret1", core::Dictionary{{"path", "/api/1.0/json/User/login"}, {"drop", true}, {"count", 2}}, "登录失败"},
  };
  LoginViewController& screen = openLoginFromHeader();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    if (!c.fault.isNil()) fault(c.fault);
    typeLogin(screen, "user01", c.password);
    ASSERT_TRUE(runUntil([this] { return h().alert() != nullptr; }));
    EXPECT_EQ(h().alert()->message(), c.message);
    h().press("OK");
    h().settle();
  }
  EXPECT_FALSE(app().userSession().contains("userInfo"));
  EXPECT_EQ(keychain(sec::kSecAttrAccount), "");
  EXPECT_FALSE(AppDelegate::isAutoLoginTimerRunning());
  EXPECT_EQ(top(), "LoginViewController");
}

TEST_F(Login, TheAvatarIsFetchedOnceAndKeptAsAJPEGOfTheTypedName) {
  const std::string uploaded = *ui::ImageCodec::encodeJPEG(rampBitmap(64, 48), 0.9);
  putServerAvatar("user01", "secret1", uploaded);
  server().clearJournal();

  logIn("user01", "secret1");
  const std::string file = avatarDirectory() + "/user01.jpg";
  ASSERT_TRUE(std::filesystem::exists(file));
  const std::string kept = readFile(file);
  EXPECT_NE(kept, uploaded) << "written again as JPEG of quality 0.5";
  EXPECT_EQ(ui::ImageCodec::formatOf(kept), ui::ImageCodec::Format::JPEG);
  EXPECT_EQ(ui::ImageCodec::sizeOf(kept), (ui::Size{64, 48}));
  EXPECT_EQ(requests("Img_UID/1.jpg").size(), 1u);

  // The next login finds the file and does not ask again.
  app().userSession().remove("userInfo");
  logIn("user01", "secret1");
  EXPECT_EQ(requests("Img_UID/1.jpg").size(), 1u);
  EXPECT_EQ(readFile(file), kept);

  // The preview of a shown screen follows the typed name, spaces left out when the field ends
  // editing; the request still sends the name as typed. (Logged out, and no automatic login.)
  app().userSession().remove("userInfo");
  app().userSession().set("isUserLogout", true);
  LoginViewController& screen = openLoginFromHeader();
  fill(*screen.usernameField(), "user0");
  EXPECT_EQ(screen.userImage()->image(), nullptr);
  ASSERT_TRUE(h().type(*screen.usernameField(), "1 "));
  ASSERT_TRUE(h().focus(*screen.pwdField()));
  EXPECT_EQ(screen.usernameFieldText(), "user01");
  ASSERT_NE(screen.userImage()->image(), nullptr);
  EXPECT_EQ(screen.userImage()->image()->data(), kept);
  server().clearJournal();
  fill(*screen.pwdField(), "secret1");
  ASSERT_TRUE(h().tap(*screen.loginButton()));
  settleRequests();
  const auto logins = requests("User/login");
  ASSERT_EQ(logins.size(), 1u);
  EXPECT_EQ(JSONValue(logins[0]["body"].toString())["UserName"], core::Value("user01 "));
}

// The avatar and the details come on a worker: a screen closed before they arrive is not called, the
// login it made stands, and the avatar is still written whole.
TEST_F(Login, AScreenClosedWhileTheDetailsAreFetchedIsLeftAlone) {
  putServerAvatar("user01", "secret1", *ui::ImageCodec::encodeJPEG(rampBitmap(8, 8), 0.9));
  fault(core::Dictionary{{"path", "/api/1.0/json/user/GetPersonalDetails"},
                         {"body", R"({"Body": {"NickName": "新昵称"}, "Message": "", "LoginState": 1})"}});
  server().clearJournal();
  auto screen = std::make_shared<LoginViewController>();
  screen->setUsernameFieldText("user01");
  screen->setPwdFieldText("secret1");
  screen->loginAction();
  // Bare passes (no settling): the pass that stores the login cannot also run the fetch's answer.
  ASSERT_TRUE(rl::RunLoop::main().runUntil([&] { return app().userSession().contains("userInfo"); }, 20));
  screen.reset();
  settleRequests();
  EXPECT_TRUE(std::filesystem::exists(avatarDirectory() + "/user01.jpg"));
  EXPECT_EQ(userInfo()["UserName"], core::Value("user01"));
  EXPECT_NE(userInfo()["NickName"], core::Value("新昵称")) << "the details went to no screen";
  EXPECT_TRUE(requests("SoftInfo").empty());
}

TEST_F(Login, NoServerAvatarWritesNoFile) {
  logIn("user01", "secret1");
  EXPECT_EQ(requests("Img_UID/1.jpg").size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(avatarDirectory() + "/user01.jpg"));
}

TEST_F(Login, AnAutomaticLoginThatIsNoFirstOneKeepsTheHomeScreenAndShowsTheUser) {
  core::UserDefaults::standard().setBool("isAutoLogon", true);
  {
    rl::ScopedAllowBlocking setUp;  // the test's own writes, not the application's
    KeychainItemStore keychainItem(LoginViewController::kKeychainIdentifier);
    keychainItem.setObject("user01", sec::kSecAttrAccount);
    keychainItem.setObject("secret1", sec::kSecValueData);
  }
  MainInterfaceViewController1& home = openHome();
  ASSERT_NE(home.autologinVC(), nullptr);
  auto* login = dynamic_cast<LoginViewController*>(home.autologinVC().get());
  ASSERT_NE(login, nullptr);
  EXPECT_FALSE(login->isViewLoaded()) << "never shown";
  waitForLogin();
  EXPECT_EQ(app().mainInterfaceVC().get(), &home);
  EXPECT_EQ(home.registButton()->currentTitle(), "注销") << "didLoginSuccess";
  EXPECT_EQ(top(), "MainInterfaceViewController1");
  EXPECT_EQ(userInfo()["Pwd"], core::Value("secret1"));
}

TEST_F(Login, ClosingTheScreenThatReplacedTheRootShowsTheMainScreenLoggedOut) {
  // The keychain would log in automatically.
  core::UserDefaults::standard().setBool("isAutoLogon", true);
  {
    rl::ScopedAllowBlocking setUp;  // the test's own writes, not the application's
    KeychainItemStore keychainItem(LoginViewController::kKeychainIdentifier);
    keychainItem.setObject("user01", sec::kSecAttrAccount);
    keychainItem.setObject("secret1", sec::kSecValueData);
  }
  app().userSession().set("isUserLogout", true);  // held back for the first main screen
  openHome();
  app().userSession().remove("isUserLogout");

  // As after the forced logout's alert: a login screen marked stolen becomes the window's root.
  auto login = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("login");
  dynamic_cast<ForcedLogoutLoginScreen&>(*login).setIsStolen(true);
  h().window().setRootViewController(std::make_shared<ui::NavigationController>(login));
  h().settle();
  ASSERT_EQ(top(), "LoginViewController");
  server().clearJournal();

  ASSERT_TRUE(h().tapBarButton("返回"));
  settleRequests();
  EXPECT_EQ(top(), "MainInterfaceViewController1");
  EXPECT_FALSE(app().userSession().contains("userInfo"));
  EXPECT_TRUE(requests("User/login").empty()) << "no automatic login in this run";
  EXPECT_EQ(homeScreen().registButton()->currentTitle(), "注册");
}

TEST_F(Login, AfterAForcedLogoutTheLoginScreenIsTheRootAndALoginShowsTheMainScreen) {
  logIn("user01", "secret1");
  openHome();
  // A reply that says the account was logged in elsewhere.
  fault(core::Dictionary{{"path", "/api/1.0/json/sys/GetAnnouncement/*"},
                         {"body", R"({"Body": [], "Message": "", "LoginState": 2})"}});
  homeScreen().getAnnouncement();
  ASSERT_TRUE(runUntil([this] { return h().alert() != nullptr; }));
  EXPECT_EQ(h().alert()->title(), "警告");
  EXPECT_FALSE(app().userSession().contains("userInfo"));
  ASSERT_TRUE(h().press("确定"));
  h().settle();
  auto* root = dynamic_cast<ui::NavigationController*>(h().window().rootViewController());
  ASSERT_NE(root, nullptr);
  auto* login = dynamic_cast<LoginViewController*>(root->topViewController());
  ASSERT_NE(login, nullptr);
  EXPECT_TRUE(login->isStolen());
  EXPECT_EQ(login->usernameField()->text(), "user01") << "from the keychain";

  // Not a first login, yet it ends on the main screen, logged in.
  server().clearJournal();
  fill(*login->pwdField(), "secret1");
  ASSERT_TRUE(h().tap(*login->loginButton()));
  waitForLogin();
  EXPECT_EQ(requests("User/login").size(), 1u);
  EXPECT_EQ(top(), "MainInterfaceViewController1");
  EXPECT_EQ(homeScreen().registButton()->currentTitle(), "注销");
}

TEST_F(Login, TheFirstRunPromptCoversTheWindowUntilTapped) {
  core::UserDefaults::standard().setBool("isFirstLoginApp", true);
  core::UserDefaults::standard().setBool("isFirstEvenMore", true);
  openLoginFromHeader();
  auto findPrompt = [this] {
    return h().find<ui::Button>([](const ui::Button& b) {
      return b.currentBackgroundImage() && b.currentBackgroundImage()->name() == LoginViewController::kFirstRunImage;
    });
  };
  ui::Button* prompt = findPrompt();
  ASSERT_NE(prompt, nullptr);
  EXPECT_EQ(h().visibleRect(*prompt), h().app().applicationFrame());
  // In front of the screen: a tap anywhere reaches it.
  ui::View* hit = h().app().keyWindow().hitTest(h().app().applicationFrame().center());
  EXPECT_TRUE(hit && hit->isDescendantOf(*prompt)) << "the prompt lies under " << (hit ? hit->className() : "nothing");
  for (const char* key : {"isFirstLoginApp", "isFirstMain", "isFirstEvenMore"})
    EXPECT_FALSE(core::UserDefaults::standard().boolForKey(key)) << key;
  ASSERT_TRUE(h().tap(*prompt));
  EXPECT_EQ(findPrompt(), nullptr);
  EXPECT_EQ(top(), "LoginViewController");
}

TEST_F(Login, APushedLoginScreenGoesBackWithItsBackButton) {
  openLoginFromHeader();
  ASSERT_TRUE(h().tapBarButton("返回"));
  h().settle();
  EXPECT_EQ(top(), "MainInterfaceViewController1");
}

TEST(AvatarFileName, OrdinaryNamesStayAndOthersCannotLeaveTheDirectory) {
  struct Case {
    const char* name;
    const char* file;
  };
  const Case cases[] = {
      {"user01", "user01.jpg"},
      {"user01@example.com", "user01@example.com.jpg"},
      {"13800138000", "13800138000.jpg"},
      {"张三", "张三.jpg"},
      {"a.b", "a.b.jpg"},
      {"../x", "..%2Fx.jpg"},
      {"..", "%2E%2E.jpg"},
      {".", "%2E.jpg"},
      {"a\\b", "a%5Cb.jpg"},
      {"50%", "50%25.jpg"},
      {"%2F", "%252F.jpg"},  // an escape-looking name cannot pose as "/"
      {"a\nb", "a%0Ab.jpg"},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(AvatarFile::fileName(c.name), c.file);
  }
}

}  // namespace
}  // namespace account_test
