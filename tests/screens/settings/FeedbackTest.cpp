// The feedback screen against the loopback server: what a send carries and what the user sees after it,
// the guest's history page (five newest, texts shown as text), the logged-in user's server page, the
// way to every user's ideas, and the loading indicator.

#include <filesystem>

#include "platform/core/DateFormatter.h"
#include "platform/core/PropertyList.h"
#include "platform/core/PropertyListWriter.h"
#include "screens/settings/ExamWebSiteViewController.h"
#include "screens/settings/FeedbackHistory.h"
#include "screens/settings/FeedbackViewController.h"
#include "tests/screens/settings/FeedbackFixture.h"
#include "widgets/HUDActivityIndicator.h"
#include "widgets/ProgressHUD.h"

namespace settings_test {
namespace {

constexpr const char* kBubble = "<table class=\"msg\">";
constexpr const char* kWelcome = "欢迎您提出宝贵的意见和建议";

std::size_t countOf(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

class Feedback : public FeedbackFixture {
 protected:
  FeedbackViewController& open() {
    screen_ = make<FeedbackViewController>("feedback");
    push(screen_);
    return *screen_;
  }
  ui::test::FakeWebEngine& page() { return h().web(*screen_->feedbackWebView()); }
  // Types the text into the field and taps the send button, then lets the request run.
  void send(const std::string& text) {
    ui::TextField& field = *screen_->fendbackTextView();
    field.setText("");
    if (!text.empty()) {
      ASSERT_TRUE(h().type(field, text));
    }
    ASSERT_TRUE(h().tap(*screen_->sendButton()));
    settleRequests();
    h().drainMain();
  }
  void close(const char* button) {
    ASSERT_TRUE(h().press(button));
    h().settle();
  }
  // The file as the application has it (a write may still be on its way to the disk).
  static core::Value storedHistory() {
    return core::PropertyListWriter::shared().readFile(FeedbackHistory::path());
  }

  std::shared_ptr<FeedbackViewController> screen_;
};

TEST_F(Feedback, AGuestSendsAndThePageKeepsTheFiveNewestTextsNewestFirst) {
  FeedbackViewController& screen = open();
  EXPECT_EQ(top(), "FeedbackViewController");
  EXPECT_EQ(screen.title(), "意见反馈");
  EXPECT_EQ(screen.softName(), "GKSample");
  // No history yet: only the welcome bubble, on a page whose images come from the bundle.
  EXPECT_NE(page().html().find(kWelcome), std::string::npos);
  EXPECT_EQ(countOf(page().html(), kBubble), 0u);
  ASSERT_TRUE(page().baseURL().has_value());
  EXPECT_EQ(*page().baseURL(), "vdbundle://bundle/");
  EXPECT_EQ(page().evaluated().back(), FeedbackViewController::kReload);

  const std::vector<std::string> texts = {"第一条", "第二条", "第三条", "第四条", "第五条", "第六条"};
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    send(text);
    EXPECT_EQ(alertTitle(), "意见反馈");
    EXPECT_EQ(alertMessage(), "感谢您的反馈，我们会尽快处理！");
    close("关闭");
    EXPECT_EQ(screen.fendbackTextView()->text(), "");
  }

  // What the server got for the last one.
  const auto sent = requests("user/UserSuggestion");
  ASSERT_EQ(sent.size(), texts.size());
  EXPECT_EQ(JSONValue(sent.back()["body"].toString()),
            core::Value(core::Dictionary{{"AppCName", "常识综合（样例）"},
                                         {"AppEName", "GKSample"},
                                         {"AppVersion", "越狱版" + core::Bundle::main().version()},
                                         {"UserName", "游客"},
                                         {"phone", ""},
                                         {"Content", "第六条"}}));

  // The file: the five newest, newest first, all as the guest, with the time of saving.
  const core::Value stored = storedHistory();
  ASSERT_TRUE(stored.isArray());
  ASSERT_EQ(stored.size(), 5u);
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(stored[i]["FeedbackContent"].toString(), texts[5 - i]);
    EXPECT_EQ(stored[i]["UserName"].toString(), "游客");
    EXPECT_TRUE(core::DateFormatter::parse(stored[i]["SaveTime"].toString(), "yyyy/MM/dd HH:mm:ss").has_value())
        << stored[i]["SaveTime"].toString();
  }
  // The page: the welcome bubble, then the same five in the same order; the oldest is gone.
  const std::string html = page().html();
  EXPECT_EQ(countOf(html, kBubble), 5u);
  EXPECT_EQ(html.find("第一条"), std::string::npos);
  std::size_t last = html.find(kWelcome);
  for (std::size_t i = 0; i < 5; ++i) {
    const std::size_t at = html.find(texts[5 - i]);
    ASSERT_NE(at, std::string::npos) << texts[5 - i];
    EXPECT_GT(at, last) << texts[5 - i];
    last = at;
  }
}

TEST_F(Feedback, MarkupInATextShowsAsTextAndCannotTakeTheNextBubblesPlace) {
  // A guest page runs with the bundle as its base: a sent text must never become markup or script there.
  const std::string hostile = "<script>alert(1)</script><span></span>&amp;\"'<b>粗</b>";
  FeedbackViewController& screen = open();
  send(hostile);
  close("关闭");
  send("后来的一条");
  close("关闭");
  (void)screen;

  const std::string html = page().html();
  EXPECT_EQ(html.find("<script>alert"), std::string::npos);
  EXPECT_EQ(html.find("<b>粗</b>"), std::string::npos);
  EXPECT_NE(html.find("&lt;script&gt;alert(1)&lt;/script&gt;&lt;span&gt;&lt;/span&gt;&amp;amp;&quot;&#39;"
                      "&lt;b&gt;粗&lt;/b&gt;"),
            std::string::npos);
  // Both bubbles are there, newest first, and no slot is left over.
  EXPECT_EQ(countOf(html, kBubble), 2u);
  EXPECT_LT(html.find("后来的一条"), html.find("&lt;script&gt;"));
  EXPECT_EQ(countOf(html, "<span></span>"), 0u);
  // The history keeps the text as it was typed.
  EXPECT_EQ(storedHistory()[1]["FeedbackContent"].toString(), hostile);
}

TEST_F(Feedback, NothingIsSentOrSavedWhenTheTextIsEmptyTheNetworkIsDownOrTheServerRefuses) {
  struct Case {
    const char* name;
    std::string text;
    bool offline;
    core::Value fault;  // null: none
    const char* title;
    const char* message;
    bool requested;
  };
  const Case cases[] = {
      {"empty", "", false, core::Value(), "意见反馈", "您好，反馈内容不能为空!", false},
      {"blank", "   ", false, core::Value(), "意见反馈", "您好，反馈内容不能为空!", false},
      {"refused", "一条意见", false,
       core::Dictionary{{"path", "/api/1.0/json/user/UserSuggestion"},
                        {"body", core::Dictionary{{"Body", false}, {"Message", "不收"}}}},
       "意见反馈", "请求失败！", true},
      {"no reply", "一条意见", false,
       core::Dictionary{{"path", "/api/1.0/json/user/UserSuggestion"}, {"drop", true}, {"count", 5}}, "意见反馈",
       "请求失败！", true},
      {"offline", "一条意见", true, core::Value(), "断网提示", nullptr, false},
  };
  FeedbackViewController& screen = open();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(server().clearJournal());
    if (!c.fault.isNil()) fault(c.fault);
    if (c.offline) goOffline();
    send(c.text);
    EXPECT_EQ(alertTitle(), c.title);
    if (c.message) {
      EXPECT_EQ(alertMessage(), c.message);
    }
    EXPECT_EQ(!requests("user/UserSuggestion").empty(), c.requested);
    EXPECT_FALSE(std::filesystem::exists(FeedbackHistory::path()));
    EXPECT_EQ(countOf(page().html(), kBubble), 0u);
    if (!c.text.empty()) {
      EXPECT_EQ(screen.fendbackTextView()->text(), c.text) << "the text is kept";
    }
    while (h().alert()) {
      h().press(h().alert()->buttonTitleAtIndex(0));
      h().settle();
    }
  }
}

TEST_F(Feedback, ALoggedInUserSeesTheServerConversationAndHisFeedbackStillGoesToTheHistory) {
  logInAs("王 五&x");
  FeedbackViewController& screen = open();
  EXPECT_EQ(page().url(), server().mobileBase() + "feedback/iPhoneFeedbackChat.aspx?username=%E7%8E%8B%20%E4%BA%94%26x");
  send("登录后的意见");
  EXPECT_EQ(alertMessage(), "感谢您的反馈，我们会尽快处理！");
  close("关闭");
  const auto sent = requests("user/UserSuggestion");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(JSONValue(sent[0]["body"].toString())["UserName"].toString(), "王 五&x");
  const core::Value stored = storedHistory();
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0]["UserName"].toString(), "游客");
  // The page is the server's again, not the local one.
  EXPECT_TRUE(page().html().empty() || page().html().find(kWelcome) == std::string::npos);
  EXPECT_EQ(page().url().rfind(server().mobileBase(), 0), 0u);
  (void)screen;
}

TEST_F(Feedback, EveryUsersIdeasOpenInTheWebPageScreen) {
  for (const char* user : {"", "user01"}) {
    SCOPED_TRACE(user);
    if (*user) logInAs(user);
    open();
    ASSERT_TRUE(h().tapBarButton("全部意见"));
    h().settle();
    ASSERT_EQ(top(), "ExamWebSiteViewController");
    auto* web = dynamic_cast<ExamWebSiteViewController*>(h().topScreen());
    ASSERT_NE(web, nullptr);
    EXPECT_EQ(web->title(), "全部意见");
    const std::string expected = server().mobileBase() + "MobileDevicesEntry.aspx?type=opinion&username=" + user +
                                 "&softname=%E5%B8%B8%E8%AF%86%E7%BB%BC%E5%90%88%EF%BC%88%E6%A0%B7%E4%BE%8B%EF%BC%89"
                                 "&version=" + core::Bundle::main().version() + "&terminal=iphone";
    EXPECT_EQ(web->sUrl(), expected);
    h().drainMain();
    EXPECT_EQ(h().web(*web->vardoWebView()).url(), expected);
    navigation().popToRootViewController(false);
    h().settle();
  }
}

TEST_F(Feedback, TheLoadingIndicatorCoversThePageUntilTheLoadEndsEvenWhenItFails) {
  for (const bool fails : {false, true}) {
    SCOPED_TRACE(fails ? "failed load" : "finished load");
    screen_ = make<FeedbackViewController>("feedback");
    screen_->view();  // the page is asked for now and starts loading on the next turn
    page().setHoldLoads(true);
    push(screen_);
    ASSERT_NE(screen_->hudView(), nullptr);
    EXPECT_EQ(screen_->hudView()->superview(), &screen_->view());
    EXPECT_TRUE(screen_->activityIndicatorView()->isAnimating());
    EXPECT_FALSE(screen_->activityIndicatorView()->isHidden());
    if (fails) {
      page().failLoad("offline");
    } else {
      page().finishLoad();
    }
    h().drainMain();
    EXPECT_EQ(screen_->hudView(), nullptr);
    EXPECT_EQ(h().find<ProgressHUD>(), nullptr);
    EXPECT_FALSE(screen_->activityIndicatorView()->isAnimating());
    navigation().popToRootViewController(false);
    h().settle();
  }
}

}  // namespace
}  // namespace settings_test
