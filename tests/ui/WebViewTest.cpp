// The web view's contract with its delegate and its engine, played through the harness's scripted
// engine: every navigation asked first (the first HTML load included), one end per load, scripts
// answering later.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/HeadlessWebEngine.h"
#include "ui/WebView.h"
#include "ui/test/Harness.h"

using namespace ui;

namespace {

// Writes every delegate call as a line; refuses URLs that start with `refusePrefix`.
struct Recorder : WebViewDelegate {
  std::vector<std::string> log;
  std::string refusePrefix = "vdprotocol://";
  bool shouldStartLoadWithRequest(WebView&, const std::string& url, WebViewNavigationType type) override {
    log.push_back(std::string("ask ") + url + " " + toString(type));
    return url.rfind(refusePrefix, 0) != 0;
  }
  void webViewDidStartLoad(WebView&) override { log.push_back("start"); }
  void webViewDidFinishLoad(WebView&) override { log.push_back("finish"); }
  void didFailLoadWithError(WebView&, const core::Error& e) override {
    log.push_back("fail " + std::to_string(e.code));
  }
};

class WebViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    web_ = std::make_shared<WebView>(Rect(0, 20, 320, 460));
    web_->setDelegate(recorder_);
    h_.window().addSubview(web_);
  }
  std::vector<std::string> takeLog() { return std::exchange(recorder_->log, {}); }

  test::Harness h_;
  std::shared_ptr<Recorder> recorder_ = std::make_shared<Recorder>();
  std::shared_ptr<WebView> web_;
};

using Log = std::vector<std::string>;

}  // namespace

TEST_F(WebViewTest, EveryNavigationIsAskedFirstAndARefusedOneLoadsNothing) {
  struct Case {
    const char* name;
    std::function<void(WebView&, test::FakeWebEngine&)> act;
    Log expected;
  };
  const Case cases[] = {
      {"HTML with a base URL",
       [](WebView& v, auto&) { v.loadHTMLString("<p>题目</p>", "vdbundle://bundle/"); },
       {"ask vdbundle://bundle/ Other", "start", "finish"}},
      {"HTML with a file base URL is not shown",
       [](WebView& v, auto&) { v.loadHTMLString("<p>题目</p>", "file:///bundle/"); },
       {"start", "fail -1"}},
      {"a file URL is not shown",
       [](WebView& v, auto&) { v.loadRequest("FILE:///etc/passwd"); },
       {"start", "fail -1"}},
      {"HTML without a base URL",
       [](WebView& v, auto&) { v.loadHTMLString("<p>x</p>", std::nullopt); },
       {"ask about:blank Other", "start", "finish"}},
      {"a URL",
       [](WebView& v, auto&) { v.loadRequest("http://127.0.0.1:8080/about.html"); },
       {"ask http://127.0.0.1:8080/about.html Other", "start", "finish"}},
      {"a link the page follows",
       [](WebView&, test::FakeWebEngine& e) { EXPECT_TRUE(e.navigate("http://127.0.0.1/next")); },
       {"ask http://127.0.0.1/next LinkClicked", "start", "finish"}},
      {"a bridge link keeps its case and is refused",
       [](WebView&, test::FakeWebEngine& e) { EXPECT_FALSE(e.navigate("vdprotocol://replyclickOK/B")); },
       {"ask vdprotocol://replyclickOK/B LinkClicked"}},
      {"a refused first load",
       [](WebView& v, auto&) { v.loadRequest("vdprotocol://favClick/"); },
       {"ask vdprotocol://favClick/ Other"}},
  };
  auto& engine = h_.web(*web_);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.act(*web_, engine);
    h_.drainMain();
    EXPECT_EQ(takeLog(), c.expected);
    EXPECT_FALSE(web_->isLoading());
  }
}

TEST_F(WebViewTest, LoadsBeginLaterAndEndOnce) {
  auto& engine = h_.web(*web_);
  web_->loadHTMLString("<p>a</p>", "vdbundle://bundle/b/");
  EXPECT_TRUE(takeLog().empty()) << "nothing is asked inside the load call";
  EXPECT_EQ(engine.html(), "<p>a</p>");
  EXPECT_EQ(engine.baseURL(), "vdbundle://bundle/b/");
  h_.drainMain();
  EXPECT_EQ(takeLog(), (Log{"ask vdbundle://bundle/b/ Other", "start", "finish"}));

  // A held load replaced by a newer one fails as cancelled; the newer one ends once.
  engine.setHoldLoads(true);
  web_->loadRequest("http://127.0.0.1/1");
  h_.drainMain();
  EXPECT_TRUE(web_->isLoading());
  engine.navigate("http://127.0.0.1/2");
  h_.drainMain();
  engine.finishLoad();
  engine.finishLoad();  // a stray second report
  EXPECT_EQ(takeLog(), (Log{"ask http://127.0.0.1/1 Other", "start", "ask http://127.0.0.1/2 LinkClicked",
                            "fail -999", "start", "finish"}));

  // Stopped while loading: cancelled at once, and nothing later.
  web_->loadRequest("http://127.0.0.1/3");
  h_.drainMain();
  web_->stopLoading();
  engine.finishLoad();
  EXPECT_EQ(takeLog(), (Log{"ask http://127.0.0.1/3 Other", "start", "fail -999"}));

  // A failure ends the load without a finish; a load stopped before it began says nothing at all.
  web_->loadRequest("http://127.0.0.1/4");
  h_.drainMain();
  engine.failLoad("offline");
  web_->loadRequest("http://127.0.0.1/5");
  web_->stopLoading();
  h_.drainMain();
  EXPECT_EQ(takeLog(), (Log{"ask http://127.0.0.1/4 Other", "start", "fail -1"}));
  EXPECT_EQ(engine.stopCount(), 2);
}

TEST_F(WebViewTest, ScriptsAnswerAsTextNowOrLater) {
  auto& engine = h_.web(*web_);
  engine.respond("document.getElementById('textarea_reply').value", "我的回答 abc");
  std::vector<std::string> results;
  auto collect = [&](const std::string& r) { results.push_back(r); };
  web_->stringByEvaluatingJavaScriptFromString("document.getElementById('textarea_reply').value", collect);
  web_->stringByEvaluatingJavaScriptFromString("userAnalysis()", collect);
  web_->stringByEvaluatingJavaScriptFromString("updateFavImage()");  // no callback: fire and forget
  EXPECT_EQ(results, (std::vector<std::string>{"我的回答 abc", ""}));
  EXPECT_EQ(engine.evaluated().back(), "updateFavImage()");

  // Deferred, as WebKit answers: nothing until delivery, then in order.
  results.clear();
  engine.setDeferResults(true);
  engine.respondWith([](const std::string& s) -> std::optional<std::string> {
    return s == "1+1" ? std::optional<std::string>("2") : std::nullopt;
  });
  web_->stringByEvaluatingJavaScriptFromString("1+1", collect);
  web_->stringByEvaluatingJavaScriptFromString("undefined", collect);
  EXPECT_TRUE(results.empty());
  engine.deliverResults();
  EXPECT_EQ(results, (std::vector<std::string>{"2", ""}));
}

TEST_F(WebViewTest, PageScrollingReachesTheScrollViewDelegate) {
  struct Watcher : ScrollViewDelegate {
    std::vector<Point> offsets;
    void scrollViewDidScroll(ScrollView& s) override { offsets.push_back(s.contentOffset()); }
  };
  auto watcher = std::make_shared<Watcher>();
  web_->scrollView().setScrollViewDelegate(watcher);
  EXPECT_EQ(web_->scrollView().frame(), web_->bounds());
  h_.web(*web_).scrollPage({0, 120}, {320, 1500});
  EXPECT_EQ(web_->scrollView().contentSize(), (Size{320, 1500}));
  EXPECT_EQ(watcher->offsets, (std::vector<Point>{{0, 120}}));
  web_->setFrame({0, 20, 320, 300});
  EXPECT_EQ(web_->scrollView().frame(), (Rect{0, 0, 320, 300}));
}

TEST(HeadlessWebEngine, LoadsEndAtOnceAndScriptsAnswerNothing) {
  test::Harness h;
  WebEngine::setFactory({});  // what vardo --headless uses
  auto web = std::make_shared<WebView>(Rect(0, 0, 320, 480));
  auto recorder = std::make_shared<Recorder>();
  web->setDelegate(recorder);
  EXPECT_NE(dynamic_cast<HeadlessWebEngine*>(&web->engine()), nullptr);
  web->loadHTMLString("<p>x</p>", std::nullopt);
  web->loadRequest("http://127.0.0.1/a");  // replaces the first before it ran
  h.drainMain();
  EXPECT_EQ(recorder->log, (Log{"ask http://127.0.0.1/a Other", "start", "finish"}));
  std::string result = "unset";
  web->stringByEvaluatingJavaScriptFromString("document.title", [&](const std::string& r) { result = r; });
  EXPECT_EQ(result, "");
}
