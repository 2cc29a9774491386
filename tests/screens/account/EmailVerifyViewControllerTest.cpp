// E-mail verification against the loopback server: which web mail an address opens, the resend with
// its countdown and toast, the browser's reading of the verification reply (verified: a login screen
// becomes the window's root; refused: back to the verify screen; anything else: left alone) and its
// loading overlays.

#include <algorithm>

#include "app/VDNetworkHelper.h"
#include "widgets/ProgressHUD.h"
#include "screens/account/EmailVerifyViewController.h"
#include "screens/account/EmailWebViewController.h"
#include "tests/screens/account/FlowFixture.h"

namespace account_test {
namespace {

using Verify = EmailVerifyViewController;
using Browser = EmailWebViewController;

class EmailVerification : public FlowFixture {
 protected:
  // An account registered by e-mail on the server (its verification mail sent).
  static void registerOnServer(const std::string& email) {
    const auto reply = server().request(
        "POST", "/api/1.0/json/User/regist",
        R"({"Address":"","Birthday":"","NickName":"","Sex":"","UserName":"","Password":"abc123","Email":")" +
            email + R"("})",
        {{"Content-Type", "application/json"}});
    ASSERT_TRUE(reply.has_value());
    ASSERT_EQ(JSONValue(reply->body)["Body"], core::Value(true)) << reply->body;
  }
  Verify& openVerify(const std::string& email) {
    auto screen = std::make_shared<Verify>();
    screen->setEmail(email);
    return open<Verify>(make("login"), screen);
  }
  Browser& openBrowser(Verify& verify) {
    EXPECT_TRUE(h().tap(*verify.btn_emailVerify()));
    h().settle();
    return shown<Browser>();
  }
};

TEST_F(EmailVerification, TheAddressDomainChoosesTheWebMail) {
  struct Case {
    const char* email;
    const char* page;
  };
  const Case cases[] = {
      {"a@qq.com", "http://mail.qq.com"},          {"a@163.com", "http://mail.163.com"},
      {"a@QQ.COM", "http://mail.QQ.COM"},          {"a@hotmail.com", "http://www.hotmail.com"},
      {"a@gmail.com", Verify::kFixedMailPage},     {"a@yahoo.com.cn", "http://mail.yahoo.com.cn"},
      {"a@vip.sina.com", "http://mail.vip.sina.com"}, {"a@sub.qq.com", Verify::kSearchPage},
      {"a@example.com", Verify::kSearchPage},      {"no-at-sign", Verify::kSearchPage},
  };
  for (const Case& c : cases) EXPECT_EQ(Verify::mailboxURL(c.email), c.page) << c.email;

  // The mailbox button opens the browser on that page.
  Verify& verify = openVerify("someone@163.com");
  Browser& browser = openBrowser(verify);
  EXPECT_EQ(browser.title(), "邮箱验证");
  EXPECT_EQ(browser.emailUrl(), "http://mail.163.com");
  EXPECT_EQ(h().web(*browser.emailWebView()).url(), "http://mail.163.com");
}

TEST_F(EmailVerification, AVerifiedAddressEndsOnANewLoginScreenAtTheRoot) {
  registerOnServer("neu@example.com");
  Verify& verify = openVerify("neu@example.com");
  EXPECT_NE(h().label("我们发送了一封验证邮件到neu@example.com,请到您的邮箱收信，并点击其中的链接验证您的邮箱。"), nullptr);
  EXPECT_EQ(verify.addressLabel()->text(), std::string(20, ' ') + "neu@example.com");
  EXPECT_NEAR(verify.addressLabel()->frame().origin.x, verify.messageLabel()->frame().origin.x, 1e-9);
  EXPECT_NEAR(verify.addressLabel()->frame().origin.y, verify.messageLabel()->frame().origin.y, 1e-9);

  // Resend: the server mails again, its text is toasted, the button counts 59 down to 1.
  ASSERT_TRUE(h().tap(*verify.btn_reSendEmail()));
  waitReplies();
  const auto resent = requests("user/ReSendEmail");
  ASSERT_EQ(resent.size(), 1u);
  EXPECT_EQ(JSONValue(resent[0]["body"].toString()), core::Value(core::Dictionary{{"Email", "neu@example.com"}}));
  EXPECT_NE(h().label("验证邮件已发送至neu@example.com，请查收"), nullptr) << "the toast";
  EXPECT_EQ(mails().size(), 2u);
  EXPECT_FALSE(verify.btn_reSendEmail()->isEnabled());
  EXPECT_EQ(verify.btn_reSendEmail()->currentTitle(), "重新发送（59）");
  for (int left = 58; left >= 1; --left) {
    h().advance(1);
    ASSERT_EQ(verify.btn_reSendEmail()->currentTitle(), "重新发送（" + std::to_string(left) + "）");
  }
  h().advance(1);
  EXPECT_TRUE(verify.btn_reSendEmail()->isEnabled());
  EXPECT_EQ(verify.btn_reSendEmail()->currentTitle(), Verify::kResend);

  // The user follows the mail's link in the browser; the page's text is the server's reply.
  Browser& browser = openBrowser(verify);
  const std::string link = mails()[1]["link"].toString();
  const std::string path = link.substr(link.find("/m/"));
  const auto page = server().request("GET", path);
  ASSERT_TRUE(page.has_value());
  auto& web = h().web(*browser.emailWebView());
  web.respond(Browser::kPageText, page->body);
  ASSERT_TRUE(web.navigate(link));
  h().drainMain();
  EXPECT_EQ(web.evaluated().back(), Browser::kBlankPage);
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->title(), "提示");
  EXPECT_EQ(alertMessage(), "邮箱验证成功");
  dismissAlert("确定");

  auto* root = dynamic_cast<ui::NavigationController*>(h().window().rootViewController());
  ASSERT_NE(root, nullptr);
  ASSERT_EQ(root->viewControllers().size(), 1u);
  auto* login = dynamic_cast<LoginViewController*>(root->viewControllers()[0].get());
  ASSERT_NE(login, nullptr);
  EXPECT_TRUE(login->isStolen());
  EXPECT_EQ(top(), "LoginViewController");
}

TEST_F(EmailVerification, OtherPagesAndRefusalsKeepTheUserInTheBrowserOrSendHimBack) {
  struct Case {
    const char* text;
    bool blanked;
    const char* alert;  // nullptr: none
    bool popped;
  };
  const Case cases[] = {
      {R"({"Body":false,"Message":"验证链接无效或已过期"})", true, "验证链接无效或已过期", true},
      {R"({"Body":null,"Message":"请先登录"})", true, nullptr, false},
      // A page of another shape is no verification: back to the verify screen, with a text.
      {R"({"Body":12345,"Message":""})", true, "服务器数据有误，请稍后重试", true},
      {R"({"Body":"列表"})", true, "服务器数据有误，请稍后重试", true},
      {R"({"Body":{"Email":"someone@163.com"},"Message":"已验证"})", true, "已验证", true},
      {R"({"Body":false,"Message":""})", true, "请求失败，请稍后重试", true},
      {"收件箱 (3) 写信 通讯录", false, nullptr, false},
      {"[1, 2]", false, nullptr, false},
      {"", false, nullptr, false},
  };
  Verify& verify = openVerify("someone@163.com");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Browser& browser = openBrowser(verify);
    h().settle();
    auto& web = h().web(*browser.emailWebView());
    web.respond(Browser::kPageText, c.text);
    const std::size_t before = web.evaluated().size();
    ASSERT_TRUE(web.navigate("http://mail.163.com/inbox"));
    h().drainMain();
    const auto& ran = web.evaluated();
    EXPECT_EQ(std::find(ran.begin() + before, ran.end(), Browser::kBlankPage) != ran.end(), c.blanked);
    if (c.alert) {
      EXPECT_EQ(alertMessage(), c.alert);
      dismissAlert("确定");
    } else {
      EXPECT_EQ(h().alert(), nullptr);
    }
    EXPECT_EQ(top(), c.popped ? "EmailVerifyViewController" : "EmailWebViewController");
    if (!c.popped) {
      nav_->popViewController(false);
      h().settle();
    }
  }
}

TEST_F(EmailVerification, EveryLoadThatEndsTakesItsOverlayAway) {
  struct Case {
    const char* url;
    int overlaysOnLaterLoads;  // the provider that loads many pages shows one for its first load only
  };
  for (const Case& c : {Case{"http://mail.163.com", 1}, Case{"http://mail.qq.com", 0}}) {
    SCOPED_TRACE(c.url);
    auto screen = std::make_shared<Browser>();
    screen->setEmailUrl(c.url);
    screen->view();  // the first load is asked for now and starts on the next turn
    auto& web = h().web(*screen->emailWebView());
    web.setHoldLoads(true);
    Browser& browser = open<Browser>(make("login"), screen);
    EXPECT_EQ(browser.overlayCount(), 1);
    ui::View* overlay = browser.view().viewWithTag(Browser::kOverlayTag);
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(overlay->frame(), ui::Rect(0, 0, 320, browser.view().bounds().size.height));

    // A second load before the first ended replaces it: still one overlay, then none when it finishes.
    ASSERT_TRUE(web.navigate(std::string(c.url) + "/login"));
    h().drainMain();
    EXPECT_EQ(browser.overlayCount(), c.overlaysOnLaterLoads);
    web.finishLoad();
    h().drainMain();
    EXPECT_EQ(browser.overlayCount(), 0);
    // A failed load takes its overlay away too.
    ASSERT_TRUE(web.navigate(std::string(c.url) + "/inbox"));
    h().drainMain();
    EXPECT_EQ(browser.overlayCount(), c.overlaysOnLaterLoads);
    web.failLoad("offline");
    h().drainMain();
    EXPECT_EQ(browser.overlayCount(), 0);
  }
}

TEST_F(EmailVerification, AResendWithoutAnswerSaysSoInsteadOfAnEmptyToast) {
  fault(core::Dictionary{{"path", "/api/1.0/json/user/ReSendEmail"}, {"drop", true}, {"count", 5}});
  Verify& verify = openVerify("neu@example.com");
  ASSERT_TRUE(h().tap(*verify.btn_reSendEmail()));
  waitReplies();
  ui::View* toast = h().tagged(VDNetworkHelper::kToastTag);
  ASSERT_NE(toast, nullptr);
  EXPECT_NE(h().label(core::Bundle::main().localizedString("requestFaile")), nullptr)
      << static_cast<ProgressHUD*>(toast)->labelText();
}

}  // namespace
}  // namespace account_test
