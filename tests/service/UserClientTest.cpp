// The account client (User) against the loopback API server: every operation's request and callback,
// the login rule (only a user record is a login), AppInfo/SoftInfo by login state, the escaping of
// user texts inside path segments and query values, and a real login followed by a cookie-carrying call.
#include <memory>
#include <string>
#include <vector>

#include "service/User.h"
#include "tests/service/ClientTestSupport.h"

namespace apiclient_test {
namespace {

struct UserRecorder : UserDelegate, Recorder {
  VD_RECORD(didRegist)
  VD_RECORD(didLogin)
  VD_RECORD(didAppInfo)
  VD_RECORD(didGetPrimary)
  VD_RECORD(didCancelTel)
  VD_RECORD(didReSendEmail)
  VD_RECORD(didMotifyPassword)
  VD_RECORD(didCheckNewUsername)
  VD_RECORD(didCheckSMSCode)
  VD_RECORD(didApplyForVerification)
  VD_RECORD(didFeedback)
  VD_RECORD(didFindPassword)
  VD_RECORD(didgetVeritifyCodeGetGuid)
  VD_RECORD(didVeritifyCodeGetImage)
  VD_RECORD(didVerifyCode)
  VD_RECORD(didCheckAppVersion)
};

const std::string kRegist =
    R"({"UserName":"","Password":"secret9","NickName":"","Sex":"","Birthday":"","Address":"","Tel":"13900000000","LoginCheckCode":"123456"})";
const std::string kLogin =
    R"({"AppEName":"","Group":0,"ID":0,"LoginCheckCode":"00:11:22:33:44:55","LoginCount":0,"Pwd":"secret1","UserName":"user01"})";
const std::string kFeedback =
    R"({"AppCName":"常识综合（样例）","AppEName":"GKSample","AppVersion":"越狱版1.0","UserName":"游客","phone":"","Content":"好"})";
const std::string kUserRecord =
    R"({"Body":{"ID":1,"UserName":"user01","LoginCount":3},"Message":"","LoginState":1})";

class UserClient : public ClientSuite {
 protected:
  void SetUp() override {
    ClientSuite::SetUp();
    rec = recorder<UserRecorder>();
    user = std::make_shared<User>();
    user->delegate = rec;
  }
  std::shared_ptr<UserRecorder> rec;
  std::shared_ptr<User> user;
};

TEST_F(UserClient, EveryOperationSendsItsRequestAndReportsByItsRule) {
  using C = OpCase<User>;
  const std::vector<C> cases = {
      {"regist", [](User& u) { u.regist(kRegist); }, "POST", "/api/1.0/json/User/regist", kRegist, "iphone",
       true, false, R"({"Body":true,"Message":"","LoginState":0})", "didRegist", true},
      {"login", [](User& u) { u.login(kLogin); }, "POST", "/api/1.0/json/User/login", kLogin, "iphone", true,
       false, kUserRecord, "didLogin", true},
      {"appInfo", [](User& u) { u.appInfo("GKSample"); }, "GET", "/api/1.0/json/user/AppInfo/GKSample",
       std::nullopt, "iphone", false, false,
       R"({"Body":{"Name":"常识综合（样例）","EName":"GKSample"},"Message":""})", "didAppInfo", true},
      {"GetPrimary is body-true", [](User& u) { u.GetPrimary(); }, "GET", "/api/1.0/json/user/GetPrimary",
       std::nullopt, "iphone", false, false, R"({"Body":false,"Message":"email"})", "didGetPrimary", false},
      {"CancelTel", [](User& u) { u.CancelTel(); }, "GET", "/api/1.0/json/user/CancelTel", std::nullopt,
       "iphone", false, false, R"({"Body":true,"State":0})", "didCancelTel", true},
      {"reSendEmail with a null Body", [](User& u) { u.reSendEmail(R"({"Email":"a@b.cn"})"); }, "POST",
       "/api/1.0/json/user/ReSendEmail", R"({"Email":"a@b.cn"})", "iphone", false, false,
       R"({"Body":null,"Message":"发送失败"})", "didReSendEmail", false},
      {"motifyPassword", [](User& u) { u.motifyPassword(R"({"Key":"123456","Value":"secret2"})"); }, "POST",
       "/api/1.0/json/user/MotifyPassword", R"({"Key":"123456","Value":"secret2"})", "iphone", false, false,
       R"({"Body":1})", "didMotifyPassword", true},
      {"checkNewUsername", [](User& u) { u.checkNewUsername("a@b.cn", "Email"); }, "GET",
       "/api/1.0/json/user/CheckNewUsername/a@b.cn/Email", std::nullopt, "iphone", false, false,
       R"({"Body":true})", "didCheckNewUsername", true},
      {"checkSMSCode", [](User& u) { u.checkSMSCode("123456"); }, "GET",
       "/api/1.0/json/sys/CheckSMSCode/123456", std::nullopt, "iphone", false, false,
       R"({"Body":true,"Message":"13800138000"})", "didCheckSMSCode", true},
      {"getApplyForVerification", [](User& u) { u.getApplyForVerification("13800138000"); }, "GET",
       "/api/1.0/json/sys/ApplyForVerification/13800138000", std::nullopt, "iphone", false, false,
       R"({"Body":false,"Message":"请求次数过多，请稍后再试"})", "didApplyForVerification", false},
      {"feedback", [](User& u) { u.feedback(kFeedback); }, "POST", "/api/1.0/json/user/UserSuggestion",
       kFeedback, "iphone", true, false, R"({"Body":true,"Message":"谢谢"})", "didFeedback", true},
      {"findPassword", [](User& u) { u.findPassword("user01@example.com"); }, "GET",
       "/api/1.0/json/User/FindPassword/user01@example.com/a", std::nullopt, "iphone", true, false,
       R"({"Body":true})", "didFindPassword", true},
      {"getVeritifyCodeGetGuid", [](User& u) { u.getVeritifyCodeGetGuid(); }, "GET",
       "/vc/VerificationCode/CreateGuid", std::nullopt, "iphone", true, false,
       R"({"success":"true","msg":"true","guid":"g1"})", "didgetVeritifyCodeGetGuid", true},
      {"getVeritifyCodeGetGuid refused", [](User& u) { u.getVeritifyCodeGetGuid(); }, "GET",
       "/vc/VerificationCode/CreateGuid", std::nullopt, "iphone", true, false,
       R"({"success":"false","msg":"busy"})", "didgetVeritifyCodeGetGuid", false},
      {"getVeritifyCodeGetImage", [](User& u) { u.getVeritifyCodeGetImage("g1"); }, "GET",
       "/vc/VerificationCode/CreateVerificationCode/?guid=g1", std::nullopt, "iphone", true, false,
       R"({"success":"true"})", "didVeritifyCodeGetImage", true},
      {"postVeritifyCodeGetCode", [](User& u) { u.postVeritifyCodeGetCode("g1", "AB12", "13800138000"); },
       "GET", "/vc/Verify/VerifyCode?guidCode=g1&verifyCode=AB12&Tel=13800138000&ClientType=iphone",
       std::nullopt, "iphone", true, false, R"({"Body":true,"msg":"短信发送成功!"})", "didVerifyCode", true},
  };
  runCases(cases, *user, *rec);
}

// Only a user record is a login: a refusal written as false, a text or null is no login, and no reply
// is false and null.
TEST_F(UserClient, LoginSucceedsOnlyWithAUserRecord) {
  struct Case {
    const char* reply;
    bool ok;
  };
  const Case cases[] = {
      {kUserRecord.c_str(), true},
      {R"({"Body":false,"Message":"密码错误","LoginState":0})", false},
      {R"({"Body":null,"Message":"密码错误","LoginState":0})", false},
      {R"({"Body":"user01","Message":""})", false},
      {R"({"Message":"no body"})", false},
      {R"({"Body":{"Key":"k","Value":"v","Sessions":7},"Message":""})", false},
      {R"({"Body":{"ID":"1","UserName":"user01"},"Message":""})", false},
      {R"({"Body":{"ID":1,"UserName":null},"Message":""})", false},
      {R"({"Body":[{"ID":1,"UserName":"user01"}],"Message":""})", false},
      {R"([{"Body":{"ID":1,"UserName":"user01"},"Message":""}])", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    rec->calls.clear();
    answer("/api/1.0/json/User/login", c.reply);
    user->login(kLogin);
    ASSERT_TRUE(awaitCalls(*rec, 1));
    EXPECT_EQ(rec->calls[0].name, "didLogin");
    EXPECT_EQ(rec->calls[0].ok, c.ok);
    EXPECT_EQ(rec->calls[0].json, JSONValue(c.reply));
  }

  const char* noReplies[] = {"drop", "not json", ""};
  for (const char* how : noReplies) {
    SCOPED_TRACE(how);
    rec->calls.clear();
    if (std::string(how) == "drop")
      drop("/api/1.0/json/User/login");
    else
      answer("/api/1.0/json/User/login", how);
    user->login(kLogin);
    ASSERT_TRUE(awaitCalls(*rec, 1));
    EXPECT_FALSE(rec->calls[0].ok);
    EXPECT_TRUE(rec->calls[0].json.isNil());
  }
}

// An action is confirmed only by a "Body" that says true: a registration, a password reset or a
// checked code is not done on a reply of another shape.
TEST_F(UserClient, ActionsAreConfirmedOnlyByATrueBody) {
  struct Case {
    const char* reply;
    bool ok;
  };
  const Case cases[] = {
      {R"({"Body":true,"Message":""})", true},
      {R"({"Body":1,"Message":""})", true},
      {R"({"Body":"true","Message":""})", true},
      {R"({"Body":"YES","Message":""})", true},
      {R"({"Body":false,"Message":"已被使用"})", false},
      {R"({"Body":0,"Message":""})", false},
      {R"({"Body":12345,"Message":""})", false},
      {R"({"Body":-1,"Message":""})", false},
      {R"({"Body":"列表","Message":""})", false},
      {R"({"Body":{"ok":true},"Message":""})", false},
      {R"({"Body":[true],"Message":""})", false},
      {R"({"Body":null,"Message":""})", false},
      {R"({"Message":""})", false},
      {R"([{"Body":true,"Message":""}])", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    rec->calls.clear();
    answer("/api/1.0/json/User/regist", c.reply);
    user->regist(kRegist);
    ASSERT_TRUE(awaitCalls(*rec, 1));
    EXPECT_EQ(rec->calls[0].name, "didRegist");
    EXPECT_EQ(rec->calls[0].ok, c.ok);
  }
}

TEST_F(UserClient, AppInfoAsksSoftInfoOnceAUserIsLoggedIn) {
  user->appInfo("GKSample");
  ASSERT_TRUE(awaitCalls(*rec, 1));
  shell_->loggedIn = true;
  user->appInfo("GKSample");
  ASSERT_TRUE(awaitCalls(*rec, 2));
  auto sent = requests();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0]["path"].toString(), "/api/1.0/json/user/AppInfo/GKSample");
  EXPECT_EQ(sent[1]["path"].toString(), "/api/1.0/json/user/SoftInfo/GKSample");
  for (const Call& c : rec->calls) {
    EXPECT_TRUE(c.ok);
    EXPECT_EQ(c.json["Body"]["EName"].toString(), "GKSample");
  }
}

// User texts stay one path segment or one query value: '/', '?', '#', '&' and '%' are escaped inside
// them, and the whole URL is escaped once (non-ASCII and spaces as UTF-8 %XX, nothing twice).
TEST_F(UserClient, UserTextsStayInsideTheirSegmentAndAreEscapedOnce) {
  struct Case {
    const char* name;
    std::function<void(User&)> call;
    std::string rawPath;
  };
  const Case cases[] = {
      {"account with reserved characters", [](User& u) { u.findPassword("a/b?c#d&e%f"); },
       "/api/1.0/json/User/FindPassword/a%2Fb%3Fc%23d%26e%25f/a"},
      {"Chinese nickname with a space", [](User& u) { u.checkNewUsername("张 三", "NickName"); },
       "/api/1.0/json/user/CheckNewUsername/%E5%BC%A0%20%E4%B8%89/NickName"},
      {"an escape-looking text is not taken for an escape", [](User& u) { u.checkSMSCode("%41%2F"); },
       "/api/1.0/json/sys/CheckSMSCode/%2541%252F"},
      {"query values", [](User& u) { u.postVeritifyCodeGetCode("g&1", "A=B+C#", "139 0"); },
       "/vc/Verify/VerifyCode?guidCode=g%261&verifyCode=A%3DB%2BC%23&Tel=139%200&ClientType=iphone"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(server().reset());
    rec->calls.clear();
    c.call(*user);
    ASSERT_TRUE(awaitCalls(*rec, 1));
    auto sent = requests();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0]["path"].toString(), c.rawPath);
  }
  // The server reads each text back as it was typed, in its own segment or value.
  ASSERT_TRUE(server().reset());
  rec->calls.clear();
  user->findPassword("a/b?c#d&e%f");
  user->postVeritifyCodeGetCode("g&1", "A=B+C#", "139 0");
  ASSERT_TRUE(awaitCalls(*rec, 2));
  auto sent = requests();
  ASSERT_EQ(sent.size(), 2u);
  // The two requests run side by side: tell them apart by their base.
  const core::Value& account = sent[0]["base"].toString() == "main" ? sent[0] : sent[1];
  const core::Value& code = sent[0]["base"].toString() == "main" ? sent[1] : sent[0];
  EXPECT_EQ(account["operation"].toString(), "1.0/json/User/FindPassword/{}/a");
  EXPECT_EQ(account["decoded_path"].toString(), "/api/1.0/json/User/FindPassword/a/b?c#d&e%f/a");
  EXPECT_EQ(code["base"].toString(), "vc");
  EXPECT_EQ(code["query"]["guidCode"].toString(), "g&1");
  EXPECT_EQ(code["query"]["verifyCode"].toString(), "A=B+C#");
  EXPECT_EQ(code["query"]["Tel"].toString(), "139 0");
  EXPECT_EQ(code["query"]["ClientType"].toString(), "iphone");
}

TEST_F(UserClient, StoreLookupNeedsItsURL) {
  // Without a lookup URL nothing is sent and the answer is false and null, after the call returned.
  user->checkAppVersion();
  EXPECT_TRUE(rec->calls.empty());
  ASSERT_TRUE(awaitCalls(*rec, 1));
  EXPECT_EQ(rec->calls[0].name, "didCheckAppVersion");
  EXPECT_FALSE(rec->calls[0].ok);
  EXPECT_TRUE(rec->calls[0].json.isNil());
  EXPECT_TRUE(requests().empty());

  user->appStoreLookupURL = server().origin() + "/store/lookup?bundleId=vardo";
  struct Case {
    const char* reply;
    bool ok;
  };
  const Case cases[] = {{R"({"resultCount":0,"results":[]})", true}, {R"({"results":null})", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    ASSERT_TRUE(server().reset());
    rec->calls.clear();
    answer("/store/lookup", c.reply);
    user->checkAppVersion();
    ASSERT_TRUE(awaitCalls(*rec, 1));
    EXPECT_EQ(rec->calls[0].ok, c.ok);
    EXPECT_FALSE(rec->calls[0].overlayShown);
    auto sent = requests();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0]["path"].toString(), "/store/lookup?bundleId=vardo&country=cn");
  }
}

// A real login on the server: the user record comes back, the session cookie is set, and the next GET of
// the logged-in user carries it and is answered for that user.
TEST_F(UserClient, ARealLoginLetsTheNextCallsActForTheUser) {
  user->login(kLogin);
  ASSERT_TRUE(awaitCalls(*rec, 1));
  ASSERT_TRUE(rec->calls[0].ok) << rec->calls[0].json.describe();
  EXPECT_EQ(rec->calls[0].json["Body"]["UserName"].toString(), "user01");

  shell_->loggedIn = true;
  user->GetPrimary();
  ASSERT_TRUE(awaitCalls(*rec, 2));
  EXPECT_TRUE(rec->calls[1].ok);
  EXPECT_EQ(rec->calls[1].json["Message"].toString(), "email");
  auto sent = requests();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[1]["session_user"].toString(), "user01");
  EXPECT_EQ(header(sent[1], "cookie").value_or("").rfind("VDSID=", 0), 0u);
}

// A caller may make a client, call it and drop it at once: the call still reports. A delegate that is
// gone by then receives nothing.
TEST_F(UserClient, ADroppedClientStillReportsAndAGoneDelegateGetsNothing) {
  {
    auto once = std::make_shared<User>();
    once->delegate = rec;
    once->CancelTel();
  }
  ASSERT_TRUE(awaitCalls(*rec, 1));
  EXPECT_EQ(rec->calls[0].name, "didCancelTel");

  std::weak_ptr<User> weakClient;
  {
    auto gone = recorder<UserRecorder>();
    auto client = std::make_shared<User>();
    weakClient = client;
    client->delegate = gone;
    client->CancelTel();
  }
  ASSERT_TRUE(runUntil([&] { return weakClient.expired(); }));
  EXPECT_EQ(requests().size(), 2u);
}

}  // namespace
}  // namespace apiclient_test
