// The API deadline through the question-bank check: an update-centre reply that trickles in without ever
// going idle ends at the request layer's deadline with the check's own failure message, and the user can
// check again; a packet download, which has only the idle time-out, is not cut however long it takes.
// The deadline is set short for these tests (AbstractService::setDeadlineSeconds); the server's replies
// would take far longer than the tests wait, so a missing deadline fails them.

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <optional>

#include "screens/update/UpdateSoftwareViewController.h"
#include "service/AbstractService.h"
#include "tests/screens/update/BankCheckFixture.h"
#include "tests/support/ScopedOverride.h"

using namespace bankcheck_test;

namespace {

using Deadline = testsupport::ScopedOverride<double>;

class ApiDeadline : public BankCheckFixture {
 protected:
  void SetUp() override {
    BankCheckFixture::SetUp();
    if (HasFatalFailure()) return;
    UpdateSoftwareViewController::registerScreen();
  }

  // Starts an explicit check (as the more menu's "检查更新" does) and waits for its reply.
  void check() {
    VDHelper::downloadDBWithCancelBlock([] {},
                                        [this](bool ok) {
                                          success_ = ok;
                                          ++completed_;
                                        },
                                        [] {});
    awaitReply();
  }

  std::atomic<int> completed_{0};
  std::atomic<bool> success_{false};
};

TEST_F(ApiDeadline, AnUpdateCentreReplyThatNeverEndsFailsAtTheDeadlineAndTheCheckCanBeAskedAgain) {
  setFlags(false, true, false, false, false);  // the more menu's check, no bank yet
  {
    Deadline deadline{AbstractService::setDeadlineSeconds, 1, AbstractService::kDeadlineSeconds};
    ASSERT_TRUE(server().fault(R"({"path":"/uc/api/1.0/json/query","throttle":10})"));
    check();
    ASSERT_NE(h().alert(), nullptr) << "the trickling reply was not ended";
    EXPECT_EQ(h().alert()->title(), "提示");
    EXPECT_EQ(h().alert()->message(), "没有任何信息");
    EXPECT_FALSE(app().updateReply().has_value());
    ASSERT_TRUE(h().press("确定"));
    h().settle();

    // The synchronous query (the background check's) ends there too, with no reply.
    ASSERT_TRUE(server().fault(R"({"path":"/uc/api/1.0/json/query","throttle":10})"));
    // It runs on a worker, as the background check runs it.
    EXPECT_TRUE(std::async(std::launch::async, [] { return VDHelper::getLibrarySyn(); }).get().isNil());
  }

  // Asked again against a normal server, the check offers the bank.
  check();
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(buttons(*h().alert()), (std::vector<std::string>{"取消", "下载"}));
  EXPECT_TRUE(app().updateReply().has_value());
}

TEST_F(ApiDeadline, ASlowButProgressingDownloadIsNotCutByTheDeadline) {
  setFlags(false, false, false, false, false);  // the home screen found no bank
  check();
  ASSERT_NE(h().alert(), nullptr);
  // The bank's packet (some 33 KB) comes at 20 KB a second: far past the deadline, never idle.
  Deadline deadline{AbstractService::setDeadlineSeconds, 0.3, AbstractService::kDeadlineSeconds};
  ASSERT_TRUE(server().fault(R"({"path":"/packets/GKSample.zip","method":"GET","throttle":20000})"));
  ASSERT_TRUE(h().press("下载"));
  h().settle();
  ASSERT_TRUE(runUntil([&] { return completed_.load() > 0; }, 60)) << "the update run did not end";
  h().settle();
  EXPECT_TRUE(success_.load());
  EXPECT_TRUE(VDHelper::isHavefileName());
  EXPECT_EQ(h().alert(), nullptr) << h().alert()->message();
}

}  // namespace
