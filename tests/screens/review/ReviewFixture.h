#pragma once
// The review lists under test: a temporary home, the loopback API server (one per test program)
// answering from the same state of the sample bank the app holds, every screen registered as the
// executable does with a recording answering screen under "examming", an application delegate
// launched on the UI harness, the subject GKSample chosen with its bank installed, and user01 logged
// in on the server (its session cookie) and in the session ("userInfo"). Screens are pushed on a
// navigation controller of their own.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "app/VDHelper.h"
#include "app/VDViewControllerFactory.h"
#include "dao/BankLocation.h"
#include "librarys/http/HTTPCookieStorage.h"
#include "librarys/http/HTTPRequest.h"
#include "librarys/json/JsonParser.h"
#include "librarys/json/JsonWriter.h"
#include "platform/core/Bundle.h"
#include "platform/core/UserDefaults.h"
#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/OperationQueue.h"
#include "platform/runloop/RunLoop.h"
#include "screens/AllScreens.h"
#include "service/ServerConfig.h"
#include "service/ServiceShell.h"
#include "service/User.h"
#include "statistics/UsageStats.h"
#include "tests/app/pagehelper/AnsweringScreenDouble.h"
#include "tests/support/FixedReachability.h"
#include "tests/support/LoopbackApp.h"
#include "tests/support/RunUntil.h"
#include "tests/support/ServerJournal.h"
#include "tools/testserver/apiserver/ApiServer.h"
#include "ui/NavigationController.h"
#include "ui/test/Harness.h"

namespace review_test {

inline const char* kSubject = "GKSample";

using testsupport::runUntil;

// The questions of the sample bank's first state, from the manifest the server reads too.
struct SampleQuestion {
  int aid;
  std::string type;
  int subject;
};
inline const std::vector<SampleQuestion>& sampleQuestions() {
  static const std::vector<SampleQuestion> all = [] {
    std::vector<SampleQuestion> out;
    std::ifstream in(std::filesystem::path(testserver::ApiServer::defaultSampleDir()) /
                     "GKSample.manifest.json");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const core::Value manifest = JSONValue(text);
    for (const core::Value& q : manifest["States"]["bank"]["Questions"].array()) {
      if (q["Bad"].toBool()) continue;
      out.push_back(
          {static_cast<int>(q["AID"].toInt()), q["Type"].toString(), static_cast<int>(q["Subject"].toInt())});
    }
    return out;
  }();
  return all;
}
inline std::vector<int> aidsOf(int subject, const std::string& type = "") {
  std::vector<int> out;
  for (const auto& q : sampleQuestions())
    if (q.subject == subject && (type.empty() || q.type == type)) out.push_back(q.aid);
  return out;
}

class ReviewFixture : public ::testing::Test {
 public:
  static testserver::ApiServer& server() { return testsupport::LoopbackApp::server(); }

  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(loopback_.prepare("vd-review"));
    // The server answers from the bank the app holds (batches 1 and 2).
    ASSERT_TRUE(server().scenario(R"({"state": "bank", "notices": []})"));

    registerEveryScreen();
    VDViewControllerFactory::registerScreen("examming", [this](const std::string&) {
      auto screen = std::make_shared<answering_double::RecordingAnsweringScreen>();
      answering_ = screen;
      return screen;
    });

    auto& defaults = core::UserDefaults::standard();
    defaults.setBool("isFirstOpen", true);  // a later start: no welcome pages over the window
    defaults.setBool("isAutoLogon", false);
    defaults.synchronize();
    launch(reachability());
    ASSERT_NO_FATAL_FAILURE(loopback_.chooseSampleSubject(false));
    VDHelper::installBankLocation();
    std::filesystem::copy_file(
        std::filesystem::path(testserver::ApiServer::defaultSampleDir()) / "GKSample.db",
        VDHelper::dbSavePath() + "/" + kSubject + ".db", std::filesystem::copy_options::overwrite_existing);
    login();

    nav_ = std::make_shared<ui::NavigationController>(std::make_shared<ui::ViewController>());
    h().setRoot(nav_);
    h().settle();
    ASSERT_TRUE(server().clearJournal());
  }

  void TearDown() override {
    nav_.reset();
    loopback_.finish();
    registerEveryScreen();
  }

  // The network status the application starts with (2 Wi-Fi, 0 none).
  virtual int reachability() const { return 2; }

  ui::test::Harness& h() { return loopback_.h(); }
  AppDelegate& app() { return loopback_.app(); }

  // ---- screens ----
  template <class Screen>
  Screen* open(const char* identifier) {
    auto screen = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(identifier);
    auto* typed = dynamic_cast<Screen*>(screen.get());
    EXPECT_NE(typed, nullptr) << identifier;
    nav_->pushViewController(screen, true);
    settleRequests();
    return typed;
  }
  template <class Screen>
  Screen* topAs() {
    return dynamic_cast<Screen*>(h().topScreen());
  }
  // Waits until no request is left, including those the UI's own work and the replies start (an
  // appearance after a push, a reply that asks for the next thing), and no page is being built on a
  // worker (its reply shown).
  void settleRequests() {
    EXPECT_TRUE(runUntil([this] {
      h().settle(0.3);
      if (HTTPRequest::sharedQueue().operationCount() != 0) return false;
      // Question sets built on a worker from a reply or a tap, and what their replies set going.
      for (int round = 0; round < 2; ++round) {
        rl::DispatchQueue::global().waitIdle();
        h().settle();
      }
      return HTTPRequest::sharedQueue().operationCount() == 0;
    }));
    h().settle();
  }
  // Presses a button of the top alert and lets everything that follows settle.
  bool press(const std::string& title) {
    const bool pressed = h().press(title);
    settleRequests();
    return pressed;
  }
  // The top alert as "title|message", "" when none shows.
  std::string alertText() {
    ui::AlertView* a = h().alert();
    return a ? a->title() + "|" + a->message() : "";
  }
  bool tapBar(const std::string& title) {
    const bool took = h().tapBarButton(title);
    settleRequests();
    return took;
  }
  bool tapRow(ui::TableView& table, int row) {
    const bool took = h().tapRow(table, {0, row});
    settleRequests();
    return took;
  }
  // The answering screen opened last, when it is on top.
  answering_double::RecordingAnsweringScreen* answering() {
    return dynamic_cast<answering_double::RecordingAnsweringScreen*>(h().topScreen());
  }

  // ---- the server ----
  // Replaces user01's favourites / wrong-answer book; returns the AIDs seeded by kind.
  static core::Value seed(const core::Value& what) {
    core::Value doc = what.deepCopy();
    doc.set("user", "user01");
    auto reply = server().request("POST", "/__test/seed", JSONRepresentation(doc).value_or(""),
                                  {{"Content-Type", "application/json"}});
    EXPECT_TRUE(reply && reply->status == 200) << (reply ? reply->body : "no reply");
    return reply ? JSONValue(reply->body) : core::Value();
  }
  static void fault(const core::Value& f) { testsupport::armFault(server(), f); }
  // The next request to the main-base path (a trailing * matches a prefix) gets no answer; the HTTP
  // client retries a dropped connection once.
  static void drop(const std::string& path) {
    fault(core::Dictionary{{"path", "/api/" + path}, {"drop", true}, {"count", 2}});
  }
  static void answer(const std::string& path, const std::string& body) {
    fault(core::Dictionary{{"path", "/api/" + path}, {"body", body}});
  }
  // The requests received since the last clearJournal() whose decoded path contains `part`.
  static std::vector<core::Value> requests(const std::string& part) {
    return testsupport::journalRequests(server(), part);
  }
  static std::vector<std::string> paths(const std::string& part) {
    std::vector<std::string> out;
    for (const core::Value& e : requests(part)) {
      std::string p = e["decoded_path"].toString();
      const auto at = p.find("1.0/json/");
      out.push_back(at == std::string::npos ? p : p.substr(at + 9));
    }
    return out;
  }
  static void clearJournal() { ASSERT_TRUE(server().clearJournal()); }

 private:
  void launch(int status) {
    loopback_.network().setStatus(status);
    loopback_.launch();
    h().settle();
    while (h().alert()) h().press(h().alert()->buttonTitleAtIndex(0)), h().settle();
  }

  struct LoginReply : UserDelegate {
    std::optional<core::Value> reply;
    void didLogin(bool ok, const core::Value& json) override { reply = ok ? json : core::Value(); }
  };
  void login() {
    auto reply = std::make_shared<LoginReply>();
    auto user = std::make_shared<User>();
    user->delegate = reply;
    user->login(R"({"UserName":"user01","Pwd":"secret1"})");
    ASSERT_TRUE(runUntil([&] {
      h().settle(0.2);
      return reply->reply.has_value();
    }));
    ASSERT_TRUE(reply->reply->isDictionary()) << "user01 could not log in";
    core::Value info = (*reply->reply)["Body"].deepCopy();
    info.set("Pwd", "secret1");
    app().userSession().set("userInfo", info);
    h().settle();
  }

  testsupport::LoopbackApp loopback_;
  std::shared_ptr<ui::NavigationController> nav_;
  std::shared_ptr<answering_double::RecordingAnsweringScreen> answering_;
};

}  // namespace review_test
