#pragma once
// Shared pieces of the page-helper tests: a recording question page, an application whose delegate
// holds a user session, and a bounded run for code that must end.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "app/PageScriptTarget.h"
#include "platform/core/Value.h"
#include "ui/test/Harness.h"

namespace pagehelper_test {

// Every script evaluated in any page, in order, with the page's name.
struct ScriptLog {
  std::vector<std::pair<std::string, std::string>> runs;  // (page, script)
};

// A page at a given frame that records the scripts run in it. Results arrive only when the test
// answers them, as a real page's may come later.
class RecordingPage : public PageScriptTarget {
 public:
  RecordingPage(std::string name, ui::Rect frame, std::shared_ptr<ScriptLog> log)
      : name_(std::move(name)), frame_(frame), log_(std::move(log)) {}

  void evaluateJavaScript(const std::string& script, Completion done) override {
    log_->runs.emplace_back(name_, script);
    pending_.push_back(std::move(done));
  }
  ui::Rect frame() const override { return frame_; }
  void setFrame(ui::Rect frame) { frame_ = frame; }
  // Completions the caller handed in and that are not answered yet (empty ones included).
  std::size_t pending() const { return pending_.size(); }

 private:
  std::string name_;
  ui::Rect frame_;
  std::shared_ptr<ScriptLog> log_;
  std::vector<Completion> pending_;
};

// A harness whose application delegate is an AppDelegate that was never launched: enough for code
// that reads the user session.
class SessionFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    useServices(AppServices{});
    ASSERT_EQ(AppDelegate::current(), delegate_.get());
  }
  // A new delegate over `services`, holding the user session of the one before (an empty one at first,
  // as the launch makes it).
  void useServices(AppServices services) {
    core::Value session = delegate_ ? delegate_->userSession() : core::Value::newDictionary();
    delegate_ = std::make_shared<AppDelegate>(std::move(services));
    delegate_->setUserSession(session);
    harness_.app().setDelegate(delegate_);
  }
  void TearDown() override { harness_.app().setDelegate(nullptr); }

  void logIn(const std::string& nickName, std::int64_t id) {
    delegate_->userSession().set(
        "userInfo", core::Dictionary{{"UserName", "user01"}, {"NickName", nickName}, {"ID", id}});
  }
  void logOut() { delegate_->userSession().remove("userInfo"); }

  ui::test::Harness harness_;
  std::shared_ptr<AppDelegate> delegate_;
};

// Runs fn on a worker and waits at most `seconds` for it. Code that does not end would leave the
// test waiting for ever, so the process is ended with a failure message instead.
template <class Fn>
auto runBounded(Fn fn, double seconds = 10) {
  auto future = std::async(std::launch::async, std::move(fn));
  if (future.wait_for(std::chrono::duration<double>(seconds)) != std::future_status::ready) {
    ADD_FAILURE() << "did not end within " << seconds << " s";
    std::fprintf(stderr, "pagehelper_test: a run did not end; stopping the test binary\n");
    std::_Exit(1);
  }
  return future.get();
}

}  // namespace pagehelper_test
