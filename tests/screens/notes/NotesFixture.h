#pragma once
// The notes and error-report screens under test: a temporary home, the loopback API server (one per
// test program) as the main API, every screen registered as the executable does with a recording
// answering screen under "examming", an application delegate launched on the UI harness, the subject
// GKSample chosen with its sample bank installed, and user01 logged in through the account client (the
// session cookie rides on later requests; "userInfo" is what the login stored).

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "app/VDHelper.h"
#include "app/VDNetworkHelper.h"
#include "app/VDViewControllerFactory.h"
#include "dao/BankLocation.h"
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
#include "tests/support/LoopbackApp.h"
#include "tests/support/RunUntil.h"
#include "tests/support/ServerJournal.h"
#include "tools/testserver/apiserver/ApiServer.h"
#include "ui/NavigationController.h"
#include "ui/test/Harness.h"
#include "widgets/ProgressHUD.h"

namespace notes_test {

inline const char* kSubject = "GKSample";

using testsupport::runUntil;

class NotesFixture : public ::testing::Test {
 public:
  static testserver::ApiServer& server() { return testsupport::LoopbackApp::server(); }

  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(loopback_.prepare("vd-notes"));

    registerEveryScreen();
    VDViewControllerFactory::registerScreen("examming", [this](const std::string&) {
      auto screen = std::make_shared<answering_double::RecordingAnsweringScreen>();
      answering_ = screen;
      return screen;
    });

    core::UserDefaults::standard().setBool("isFirstOpen", true);  // a later start: no welcome pages
    core::UserDefaults::standard().synchronize();
    loopback_.launch(services());
    auto& defaults = core::UserDefaults::standard();
    defaults.setBool("isFirstMain", false);
    defaults.setBool("isAutoLogon", false);
    ASSERT_NO_FATAL_FAILURE(loopback_.chooseSampleSubject());
    VDHelper::installBankLocation();
    std::filesystem::copy_file(sampleFile("GKSample.db"), VDHelper::dbSavePath() + "/" + kSubject + ".db",
                               std::filesystem::copy_options::overwrite_existing);
    logIn("user01", "secret1");
    ASSERT_TRUE(server().clearJournal());
  }
  void TearDown() override {
    answering_.reset();
    nav_.reset();
    loopback_.finish();
    registerAllScreens();
  }

  // The services the application is launched over: a fixture may add its hooks.
  virtual AppServices services() { return loopback_.services(); }

  ui::test::Harness& h() { return loopback_.h(); }
  AppDelegate& app() { return loopback_.app(); }

  static std::string sampleFile(const std::string& name) {
    return (std::filesystem::path(testserver::ApiServer::defaultSampleDir()) / name).string();
  }

  // ---- the user ----
  void logIn(const std::string& name, const std::string& password) {
    struct Delegate : UserDelegate {
      int calls = 0;
      bool ok = false;
      core::Value reply;
      void didLogin(bool o, const core::Value& json) override {
        ++calls;
        ok = o;
        reply = json;
      }
    };
    auto d = std::make_shared<Delegate>();
    auto user = std::make_shared<User>();
    user->delegate = d;
    core::Value request =
        core::Dictionary{{"UserName", name}, {"Pwd", password},      {"AppEName", ""}, {"Group", 0},
                         {"ID", 0},          {"LoginCheckCode", ""}, {"LoginCount", 0}};
    user->login(JSONRepresentation(request).value_or(""));
    ASSERT_TRUE(runUntil([&] { return d->calls > 0; }));
    ASSERT_TRUE(d->ok);
    core::Value info = d->reply["Body"];
    info.set("Pwd", password);
    app().userSession().set("userInfo", info);
    h().settle();
  }
  // A note of the logged-in user written straight to the server (the app's session cookie), for lists
  // longer than the seed data. Returns the note's id.
  static int addNoteOnServer(int aid, const std::string& text) {
    std::string cookie;
    for (const HTTPCookie& c : HTTPRequest::sessionCookies()) cookie = c.name + "=" + c.value;
    core::Value body = core::Value::newArray();
    body.push_back(core::Dictionary{{"Key", 0}, {"Value", text}});
    auto reply = server().request(
        "POST", "/api/1.0/json/exam/SetUserNoteByID/GKSample/" + std::to_string(aid),
        JSONRepresentation(body).value_or(""), {{"Cookie", cookie}, {"Content-Type", "application/json"}});
    if (!reply) return 0;
    return static_cast<int>(JSONValue(reply->body)["Body"].toInt());
  }
  // The server's reply to a GET of the main API (for handing over what a screen's opener would fetch).
  static core::Value serverGet(const std::string& path) {
    std::string cookie;
    for (const HTTPCookie& c : HTTPRequest::sessionCookies()) cookie = c.name + "=" + c.value;
    auto reply = server().request("GET", "/api/" + path, "", {{"Cookie", cookie}});
    return reply ? JSONValue(reply->body) : core::Value();
  }

  // ---- screens ----
  // A navigation controller as the window's root, with a plain first screen.
  ui::NavigationController& navigation() {
    if (!nav_) {
      nav_ = std::make_shared<ui::NavigationController>(std::make_shared<ui::ViewController>());
      h().setRoot(nav_);
      h().settle();
    }
    return *nav_;
  }
  template <class Screen>
  std::shared_ptr<Screen> make(const char* identifier) {
    return std::dynamic_pointer_cast<Screen>(
        VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(identifier));
  }
  void push(const std::shared_ptr<ui::ViewController>& screen) {
    navigation().pushViewController(screen, false);
    h().settle();
  }

  // ---- waiting ----
  // Lets every request and what its reply starts run to the end. The queue counts as idle only when it
  // is still empty after the main loop has settled once more (a reply may start the next request), and
  // the final answer is read without settling again.
  void settleRequests() {
    // A reply may be shaped on a worker before the screen shows it: the workers count too.
    const auto idle = [] {
      if (HTTPRequest::sharedQueue().operationCount() != 0) return false;
      rl::DispatchQueue::global().waitIdle();
      return true;
    };
    bool settled = false;
    runUntil([&] {
      if (!settled) {
        h().settle(0.2);
        if (idle()) {
          h().settle();
          settled = idle();
        }
      }
      return settled;
    });
    EXPECT_TRUE(settled) << "requests still running";
  }

  // ---- what the user sees ----
  // The text of the toast on show ("" when none).
  std::string toast() {
    auto* hud = dynamic_cast<ProgressHUD*>(h().tagged(VDNetworkHelper::kToastTag));
    return hud ? hud->labelText() : "";
  }
  // Lets the toast go (it takes the touches while it shows).
  void waitOutToast() { h().advance(VDNetworkHelper::kToastDuration + 0.5); }
  std::string alertMessage() {
    ui::AlertView* a = h().alert();
    return a ? a->message() : "";
  }

  // ---- the server ----
  static void fault(const core::Value& f) { testsupport::armFault(server(), f); }
  // The requests received whose decoded path contains `part`, oldest first.
  static std::vector<core::Value> requests(const std::string& part) {
    return testsupport::journalRequests(server(), part);
  }
  static std::string header(const core::Value& request, const std::string& name) {
    for (const core::Value& h : request["headers"].array())
      if (h[0].toString() == name) return h[1].toString();
    return "";
  }

  testsupport::LoopbackApp loopback_;
  std::shared_ptr<ui::NavigationController> nav_;
  std::shared_ptr<answering_double::RecordingAnsweringScreen> answering_;
};

}  // namespace notes_test
