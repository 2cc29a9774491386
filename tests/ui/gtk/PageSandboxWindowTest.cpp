// Question pages in the real WebKit cannot act on what they show: hostile bank texts (script, event
// handlers, javascript: links, frames of files, refreshes, style sheets reaching out) run nothing, read
// no file and reach no server, while ordinary markup, an image of the subject's cache and the page's
// answers through the bridge keep working.

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/VDHelper.h"
#include "exam/ExamScreens.h"
#include "exam/TestHtmlVCFactory.h"
#include "platform/core/Bundle.h"
#include "tests/exam/qpage/QuestionPageSupport.h"
#include "tests/support/TempDir.h"
#include "tests/ui/gtk/WindowSession.h"
#include "ui/gtk/WebKitEngine.h"

using gtktest::WindowSession;
namespace fs = std::filesystem;

namespace {

// A loopback listener that never answers: whatever connects to it stays in its backlog, where
// connections() finds it.
class Canary {
 public:
  Canary() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd_, 64) != 0 || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      return;
    port_ = ntohs(address.sin_port);
  }
  ~Canary() {
    if (fd_ >= 0) ::close(fd_);
  }
  std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  int port() const { return port_; }
  int connections() {
    int count = 0;
    for (int c; (c = ::accept(fd_, nullptr, nullptr)) >= 0; ++count) ::close(c);
    return count;
  }

 private:
  int fd_ = -1;
  int port_ = 0;
};

std::string evaluate(WindowSession& s, ui::WebView& web, const std::string& script) {
  std::optional<std::string> result;
  web.stringByEvaluatingJavaScriptFromString(script, [&](const std::string& r) { result = r; });
  EXPECT_TRUE(s.waitFor([&] { return result.has_value(); }, 20)) << script;
  return result.value_or("(no answer)");
}

struct Console {
  Console() {
    ui::gtk::WebKitEngine::setConsoleListener([this](const ui::gtk::WebKitEngine::ConsoleMessage& m) {
      messages.push_back(m.level + ": " + m.text);
    });
  }
  ~Console() { ui::gtk::WebKitEngine::setConsoleListener({}); }
  bool has(const std::string& part) const {
    for (const auto& m : messages)
      if (m.find(part) != std::string::npos) return true;
    return false;
  }
  std::string all() const {
    std::string text;
    for (const auto& m : messages) text += m + "\n";
    return text;
  }
  std::vector<std::string> messages;
};

class PageSandbox : public ::testing::Test {
 protected:
  void SetUp() override {
    core::Bundle::resetMain();
    ASSERT_TRUE(VDHelper::saveQuoteProduct(core::Dictionary{{"Key", "常识"}, {"Value", "GKSample"}}));
    registerExamScreens();
    // An image in the subject's cache, and a file of the user's no page may read.
    fs::copy_file(fs::path(core::Bundle::main().resourcePath()) / "ic_t_note.png",
                  fs::path(VDHelper::imageSavePath()) / "cached.png", fs::copy_options::overwrite_existing);
    secret_ = fs::path(home_.path()) / "secret.txt";
    std::ofstream(secret_) << "SECRET-PASSWORD";
    s_.app().keyWindow().setRootViewController(owner_);
    s_.open();
  }

  // Shows a single-choice question with `title` as its text, as practice shows it.
  std::shared_ptr<Questions> show(const std::string& title) {
    auto question = qpage::makeQuestion("ATEST", "A", title);
    owner_->pager = std::make_shared<TestPager>(QuestionsArray{question});
    owner_->pager->setCurrentLoadTest(question);
    page_ = TestHtmlVCFactory::createTestHtmlVC("ATEST", owner_, owner_->webViews[0]);
    EXPECT_NE(page_, nullptr);
    bool loaded = false;
    if (page_) page_->AsynloadWebViewHtml([&] { loaded = true; });
    EXPECT_TRUE(s_.waitFor([&] { return loaded; }, 60)) << "the question page did not load";
    return question;
  }

  ui::WebView& web() { return *owner_->webViews[0]; }

  // Clicks the element with real X input.
  void click(const std::string& id) {
    const std::string box = evaluate(s_, web(),
                                     "var r = document.getElementById('" + id +
                                         "').getBoundingClientRect(); r.x + ',' + r.y + ',' + r.width + ',' + "
                                         "r.height");
    double x = 0, y = 0, w = 0, h = 0;
    ASSERT_EQ(std::sscanf(box.c_str(), "%lf,%lf,%lf,%lf", &x, &y, &w, &h), 4) << box;
    const ui::Rect frame = WindowSession::frameOf(web());
    s_.click({frame.minX() + x + w / 2, frame.minY() + y + h / 2});
  }

  testsupport::TempHome home_{"vd-gtk-sandbox"};
  WindowSession s_;
  std::shared_ptr<qpage::RecordingOwner> owner_ = std::make_shared<qpage::RecordingOwner>();
  std::shared_ptr<BaseTestHtmlViewController> page_;
  fs::path secret_;
};

}  // namespace

TEST_F(PageSandbox, HostileQuestionTextsRunNothingReadNothingAndReachNoServer) {
  Canary canary;
  ASSERT_GT(canary.port(), 0);
  const std::string pwn = "document.title='pwned'";
  struct Case {
    const char* name;
    std::string text;
    const char* clickId;  // an element clicked with real X input, or nullptr
    // What the page reports once it refused the text's attempt; nullptr: WebKit refuses it as the page
    // loads, and reports nothing (a page of this scheme may not show a file at all).
    const char* report;
  };
  const Case cases[] = {
      {"a script element", "<script>" + pwn + "</script>", nullptr, "blocked by the page policy: script-src"},
      {"a script element whose text is one of the page's handlers", "<script>markClick(this)</script>",
       nullptr, "blocked by the page policy: script-src"},
      {"fetch and XMLHttpRequest in a script",
       "<script>fetch('" + canary.url("/fetch") + "'); var x = new XMLHttpRequest(); x.open('GET', '" +
           canary.url("/xhr") + "'); x.send();</script>",
       nullptr, "blocked by the page policy: script-src"},
      {"img onerror", "<img src='vdbundle://bundle/none.png' onerror=\"" + pwn + "\">", nullptr,
       "blocked by the page policy: script-src"},
      {"svg onload", "<svg onload=\"" + pwn + "\"><circle r='5'/></svg>", nullptr,
       "blocked by the page policy: script-src"},
      {"an iframe of a file", "<iframe id='f' src='file://" + secret_.string() + "'></iframe>", nullptr,
       nullptr},
      {"an iframe of a data URL with a script",
       "<iframe src=\"data:text/html,<script>parent.document.title='pwned'</script>\"></iframe>", nullptr,
       "blocked by the page policy: frame-src"},
      {"a javascript: link clicked",
       "<a id='js' style='display:block;font-size:40px' href=\"javascript:" + pwn + "\">点我</a>", "js",
       "blocked by the page policy: script-src"},
      {"a link to a server clicked",
       "<a id='out' style='display:block;font-size:40px' href='" + canary.url("/link") + "'>点我</a>", "out",
       "refused a navigation away from the application's page: http://127.0.0.1"},
      {"a refresh to the bridge", "<meta http-equiv='refresh' content='0;url=vdprotocol://favClick/'>", nullptr,
       "refused a navigation the page began by itself: vdprotocol://favClick/"},
      {"a refresh to a server", "<meta http-equiv='refresh' content='0;url=" + canary.url("/refresh") + "'>",
       nullptr, "refused a navigation the page began by itself: http://127.0.0.1"},
      {"a style sheet's url()",
       "<div style='width:40px;height:40px;background:url(" + canary.url("/css") + ")'></div>", nullptr,
       "blocked by the page policy: img-src"},
      {"an image from a server", "<img src='" + canary.url("/img") + "'>", nullptr,
       "blocked by the page policy: img-src"},
      {"links that connect ahead of use",
       "<link rel='preconnect' href='" + canary.url("/") + "'><link rel='dns-prefetch' href='" + canary.url("/") +
           "'><link rel='prefetch' href='" + canary.url("/prefetch") + "'>",
       nullptr, nullptr},
      {"a base element", "<base href='" + canary.url("/") + "'>", nullptr, "blocked by the page policy: base-uri"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Console console;
    owner_->calls.clear();
    auto question = show("题干" + c.text + "请作答");
    if (c.clickId) click(c.clickId);
    if (c.report) {
      EXPECT_TRUE(s_.waitFor([&] { return console.has(c.report); }, 20)) << console.all();
    }
    // Nothing ran: the title is the template's, no call reached the screen, the page is still there.
    EXPECT_EQ(evaluate(s_, web(), "document.title + '|' + document.location.href"), "|vdbundle://bundle/");
    EXPECT_EQ(evaluate(s_, web(), "document.body.innerText.indexOf('请作答') >= 0"), "true");
    EXPECT_EQ(evaluate(s_, web(),
                       "Array.prototype.some.call(document.querySelectorAll('iframe'), function (f) {"
                       " try { return f.contentDocument && f.contentDocument.documentElement.outerHTML"
                       ".indexOf('SECRET') >= 0; } catch (e) { return false; } })"),
              "false");
    EXPECT_TRUE(owner_->calls.empty()) << owner_->calls.front();
    EXPECT_EQ(question->state, AnswerState::NotAnswered);
    EXPECT_EQ(canary.connections(), 0) << "the canary was reached";
  }
  // Even a script that does run (one the application evaluates) reaches no server.
  Console console;
  evaluate(s_, web(), "fetch('" + canary.url("/fetch") + "').catch(function () {}); var x = new XMLHttpRequest();"
                      " x.open('GET', '" + canary.url("/xhr") + "'); try { x.send(); } catch (e) {} 1");
  EXPECT_TRUE(s_.waitFor([&] { return console.has("blocked by the page policy: connect-src"); }, 20))
      << console.all();
  EXPECT_EQ(canary.connections(), 0);
}

TEST_F(PageSandbox, OrdinaryMarkupAndACachedImageShowAndTheBridgeAnswers) {
  Console console;
  auto question = show(
      "<p>第一段</p><p>H<sub>2</sub>O 与 x<sup>2</sup></p>"
      "<table class='given' border='1'><tr><td>甲</td><td>乙</td></tr></table>看图[cached.png]");
  EXPECT_EQ(evaluate(s_, web(),
                     "var m = document.getElementById('MainTitle_Area');"
                     "[m.querySelectorAll('p').length, m.querySelectorAll('sub, sup').length,"
                     " m.querySelectorAll('table.given td').length].join(',')"),
            "2,2,2");
  EXPECT_EQ(evaluate(s_, web(),
                     "var i = document.querySelector('#MainTitle_Area img');"
                     "i ? i.src + ' ' + (i.complete && i.naturalWidth > 0) : 'none'"),
            "vdbundle://images/cached.png true");

  click("radio_A");
  ASSERT_TRUE(s_.waitFor([&] { return question->state != AnswerState::NotAnswered; }, 20))
      << "the click did not reach the page's controller\n"
      << console.all();
  EXPECT_EQ(question->state, AnswerState::Right);
  EXPECT_EQ(question->reply, "A");
  EXPECT_FALSE(console.has("blocked by the page policy")) << console.all();
  EXPECT_FALSE(console.has("error:")) << console.all();
  EXPECT_EQ(evaluate(s_, web(), "document.getElementById('radio_A').checked"), "true");
  // The page marked the answer with its own scripts and the bundle's images.
  EXPECT_EQ(evaluate(s_, web(),
                     "var i = document.getElementsByName('right_A')[0];"
                     "getComputedStyle(i).display + ' ' + (i.naturalWidth > 0) + ' ' + "
                     "getComputedStyle(document.querySelector('label[for=radio_A]')).color"),
            "inline true rgb(0, 102, 0)");
  s_.settle();
  gtktest::keepShot(s_.shot(), "sandboxed-question-page");
}
