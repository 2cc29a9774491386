#pragma once
// The subject choice under test: a temporary home, the loopback API server (one per test program) as
// the main API and the update centre, every screen registered as the executable does, and an
// application delegate launched on the UI harness with a network that is up or down. No subject is
// chosen, so the launch opens the category choice (or, with useBundleName(), the subject choice of a
// single-series build).

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "app/VDHelper.h"
#include "dao/BankLocation.h"
#include "librarys/http/HTTPRequest.h"
#include "librarys/json/JsonParser.h"
#include "librarys/json/JsonWriter.h"
#include "platform/core/Bundle.h"
#include "platform/core/PropertyList.h"
#include "platform/core/UserDefaults.h"
#include "platform/runloop/OperationQueue.h"
#include "platform/runloop/RunLoop.h"
#include "screens/AllScreens.h"
#include "screens/home/MainInterfaceViewController1.h"
#include "screens/subject/SelectProvinceViewController.h"
#include "screens/subject/SelectSeriesViewController.h"
#include "screens/subject/SelectSortViewController.h"
#include "screens/subject/SelectSubjectViewController.h"
#include "service/ServerConfig.h"
#include "service/ServiceShell.h"
#include "statistics/UsageStats.h"
#include "tests/support/AppLaunch.h"
#include "tests/support/LoopbackApp.h"
#include "tests/support/RunUntil.h"
#include "tests/support/ScopedBundle.h"
#include "tests/support/ServerJournal.h"
#include "tests/support/TempDir.h"
#include "tools/testserver/apiserver/ApiServer.h"
#include "ui/NavigationController.h"
#include "ui/test/Harness.h"

namespace subject_test {

inline const char* kSample = "GKSample";
inline const char* kSampleName = "常识综合（样例）";

using testsupport::runUntil;

class SubjectFixture : public ::testing::Test {
 public:
  static testserver::ApiServer& server() { return testsupport::LoopbackApp::server(); }

  void SetUp() override {
    if (const char* bundle = ::getenv("VARDO_BUNDLE")) bundle_ = bundle;
    ASSERT_NO_FATAL_FAILURE(loopback_.prepare("vd-subject"));
    // No notices: their overlay would stand in front of the main screen.
    ASSERT_TRUE(server().scenario(R"({"notices": []})"));
    registerEveryScreen();
    loopback_.h();
  }

  void TearDown() override {
    runUntil([] { return HTTPRequest::sharedQueue().operationCount() == 0; }, 10);
    runUntil([] { return !MainInterfaceViewController1::isUnpacking(); }, 10);
    loopback_.finish();
    bundleCopy_.reset();
  }

  ui::test::Harness& h() { return loopback_.h(); }
  AppDelegate& app() { return loopback_.app(); }

  // A later start: the welcome pages were seen.
  void markStarted() {
    auto& defaults = core::UserDefaults::standard();
    defaults.setBool("isFirstOpen", true);
    defaults.synchronize();
  }
  // The application's start with the network up (status 2) or down (0).
  void launch(int reachability = 2) {
    AppServices services = testsupport::quietServices(reachability);
    services.connectShell = AppServices::standard().connectShell;  // as the executable wires it
    services.newAppInfoClient = AppServices::standard().newAppInfoClient;
    loopback_.launch(std::move(services));
    settleRequests();
  }

  // Runs the application as a single-series build: a copy of the bundle whose name is `name`.
  void useBundleName(const std::string& name) {
    const std::filesystem::path copy = std::filesystem::path(loopback_.home()) / "bundle";
    std::filesystem::copy(bundle_, copy, std::filesystem::copy_options::recursive);
    const std::string info = (copy / "Info.plist").string();
    core::Value plist = core::PropertyList::readFile(info);
    plist.set("CFBundleName", name);
    ASSERT_TRUE(core::PropertyList::writeFile(info, plist));
    bundleCopy_.emplace(copy.string());
  }

  // ---- screens ----
  static std::string screenName(const ui::ViewController* vc) {
    if (!vc) return "";
    return vc->className();
  }
  std::string top() { return screenName(h().topScreen()); }
  template <class Screen>
  Screen* topAs() {
    return dynamic_cast<Screen*>(h().topScreen());
  }
  // Waits until the requests in flight have been answered and the screens have settled.
  // Waits until no request is left, including those the UI's own work and the replies start (an
  // appearance after a push, a reply that asks for the next thing).
  void settleRequests() {
    EXPECT_TRUE(runUntil([this] {
      h().settle(0.2);
      if (HTTPRequest::sharedQueue().operationCount() != 0) return false;
      h().settle();
      return HTTPRequest::sharedQueue().operationCount() == 0;
    }));
    h().settle();
  }
  bool waitForTop(const std::string& name) {
    return runUntil([&] {
      h().settle(0.2);
      return top() == name;
    });
  }

  // ---- tables ----
  struct Row {
    std::string text;
    std::string icon;  // "" without one
    friend bool operator==(const Row&, const Row&) = default;
    friend void PrintTo(const Row& r, std::ostream* os) { *os << r.text << " [" << r.icon << "]"; }
  };
  static std::vector<Row> rows(ui::TableView& table) {
    std::vector<Row> out;
    for (int r = 0; r < table.numberOfRowsInSection(0); ++r) {
      const ui::IndexPath ip{0, r};
      table.scrollToRowAtIndexPath(ip, ui::TableViewScrollPosition::None, false);
      ui::TableViewCell* cell = table.cellForRowAtIndexPath(ip);
      if (!cell) {
        out.push_back({"<no cell>", ""});
        continue;
      }
      const auto& image = cell->imageView()->image();
      out.push_back({cell->textLabel()->text(), image ? image->name() : ""});
    }
    table.setContentOffset({0, 0});
    return out;
  }
  static std::vector<std::string> texts(ui::TableView& table) {
    std::vector<std::string> out;
    for (const Row& r : rows(table)) out.push_back(r.text);
    return out;
  }
  // Taps the first row whose text is `text` (as a person would) and lets the screens settle.
  bool tapRow(ui::TableView& table, const std::string& text) {
    const auto all = texts(table);
    for (std::size_t r = 0; r < all.size(); ++r) {
      if (all[r] != text) continue;
      const bool took = h().tapRow(table, {0, static_cast<int>(r)});
      h().settle();
      return took;
    }
    return false;
  }

  // ---- the server ----
  static void fault(const core::Value& f) { testsupport::armFault(server(), f); }
  // The next request to the main-base path gets no answer: the connection closes twice, as the HTTP
  // client retries a dropped connection once.
  static void drop(const std::string& path) {
    fault(core::Dictionary{{"path", "/api/" + path}, {"drop", true}, {"count", 2}});
  }
  // The requests received whose decoded path contains `part`, oldest first.
  static std::vector<core::Value> requests(const std::string& part) {
    return testsupport::journalRequests(server(), part);
  }
  static std::size_t requestCount() {
    return JSONValue(server().journal().value_or("{}"))["requests"].size();
  }

  // ---- what is stored ----
  static core::Value savedDefault(const char* key) {
    return core::UserDefaults::standard().objectForKey(key);
  }

  std::string bundle_;
  std::optional<testsupport::ScopedBundle> bundleCopy_;  // while the application runs from a copy
  testsupport::LoopbackApp loopback_;
};

}  // namespace subject_test
