// Replies of the wrong shape to the requests of the update path: the bank check's update-centre query
// (asked by a tap, and in the background), the version calls and the crash report. Each ends in the
// check's own message or no reply at all, never a hang, and the user can check again.

#include <gtest/gtest.h>

#include <cmath>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "app/AppPaths.h"
#include "app/SystemCrashReportSender.h"
#include "app/VDUncaughtExceptionHandler.h"
#include "bank/QuestionBank.h"
#include "screens/update/UpdateSoftwareViewController.h"
#include "service/System.h"
#include "tests/screens/update/BankCheckFixture.h"
#include "tests/support/HostileReplies.h"

using namespace bankcheck_test;

namespace {

class UpdateReplies : public BankCheckFixture {
 protected:
  void SetUp() override {
    BankCheckFixture::SetUp();
    if (HasFatalFailure()) return;
    UpdateSoftwareViewController::registerScreen();
  }
  static void fault(const core::Value& f) {
    ASSERT_TRUE(server().fault(JSONRepresentation(f).value_or(""))) << JSONRepresentation(f).value_or("");
  }
  // The requests the server received on the path, oldest first.
  static std::vector<core::Value> requestsTo(const std::string& path) {
    std::vector<core::Value> out;
    const core::Value doc = JSONValue(server().journal().value_or("{}"));
    for (const core::Value& e : doc["requests"].array())
      if (e["path"].toString() == path) out.push_back(e);
    return out;
  }
  // Runs a synchronous call on a worker, as the application does, and gives its result.
  template <class Fn>
  static auto onWorker(Fn fn) {
    return std::async(std::launch::async, std::move(fn)).get();
  }
};

const std::string kQuery = "/uc/api/1.0/json/query";

// The more menu's check ("检查更新", no bank yet): every hostile reply says "没有任何信息" and keeps no
// reply; the next check against the normal server offers the bank.
TEST_F(UpdateReplies, TheBankCheckSaysItHasNoInformationAndCanBeAskedAgain) {
  for (const testsupport::HostileReply& r : testsupport::hostileReplies()) {
    SCOPED_TRACE(r.name);
    setFlags(false, true, false, false, false);
    fault(testsupport::withPath(r.fault, kQuery));
    VDHelper::downloadDBWithCancelBlock([] {}, [](bool) {}, [] {});
    awaitReply();
    ASSERT_NE(h().alert(), nullptr) << "no message";
    EXPECT_EQ(h().alert()->title(), "提示");
    EXPECT_EQ(h().alert()->message(), "没有任何信息");
    EXPECT_EQ(buttons(*h().alert()), std::vector<std::string>{"确定"});
    EXPECT_FALSE(app().updateReply().has_value());
    ASSERT_TRUE(h().press("确定"));
    settleRequests();
    EXPECT_EQ(h().alert(), nullptr);
  }
  // The user goes on: the same check now offers the bank.
  setFlags(false, true, false, false, false);
  VDHelper::downloadDBWithCancelBlock([] {}, [](bool) {}, [] {});
  awaitReply();
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(buttons(*h().alert()), (std::vector<std::string>{"取消", "下载"}));
  EXPECT_EQ(requestsTo(kQuery).size(), testsupport::hostileReplies().size() + 1);
}

// The background check (QuestionBank::checkUpdate) and the synchronous query hand back no reply for a
// hostile one: nothing of it is stored.
TEST_F(UpdateReplies, TheBackgroundCheckKeepsNoHostileReply) {
  auto bank = QuestionBank::make(AppPaths::bankPaths());
  for (const testsupport::HostileReply& r : testsupport::hostileReplies()) {
    SCOPED_TRACE(r.name);
    fault(testsupport::withPath(r.fault, kQuery));
    std::optional<std::optional<UpdateCentreReply>> answer;
    bank->checkUpdate([&answer](std::optional<UpdateCentreReply> reply) { answer = std::move(reply); });
    ASSERT_TRUE(runUntil([&] { return answer.has_value(); })) << "no answer";
    EXPECT_FALSE(answer->has_value());
  }
  std::optional<std::optional<UpdateCentreReply>> answer;
  bank->checkUpdate([&answer](std::optional<UpdateCentreReply> reply) { answer = std::move(reply); });
  ASSERT_TRUE(runUntil([&] { return answer.has_value(); }));
  ASSERT_TRUE(answer->has_value()) << "the normal reply after them";
  EXPECT_EQ(answer->value().updateList.size(), 1u);
}

// The version calls (no screen asks them): the bank version is a number only when "Body" is one
// (null: 1.0, as for a bank without a version), else 0.0 as without a reply; the delegate's flag is
// false where no usable reply came.
TEST_F(UpdateReplies, TheVersionCallsReadNoNumberOutOfAHostileReply) {
  const std::string bankVersion = "/api/1.0/json/sys/GetTestLibraryVersion_Android/GKSample";
  const std::string appVersion = "/api/1.0/json/sys/GetAppVersion_IPhone/1";
  struct Flags : SystemDelegate {
    std::optional<bool> app, bank;
    void didGetAppVersion(bool ok, const core::Value&) override { app = ok; }
    void didGetTestLibraryVersion(bool ok, const core::Value&) override { bank = ok; }
  };
  const std::map<std::string, float> versions = {
      {"number for the body", 12345.0f}, {"null body", 1.0f}};  // every other one: 0.0
  const std::set<std::string> noReply = {"truncated", "not UTF-8", "HTTP 500", "HTML with 200",
                                         "5,000 deep"};
  for (const testsupport::HostileReply& r : testsupport::hostileReplies()) {
    SCOPED_TRACE(r.name);
    fault(testsupport::withPath(r.fault, bankVersion));
    const float version = onWorker([] { return std::make_shared<System>()->getNetDBVersion("GKSample"); });
    EXPECT_FLOAT_EQ(version, versions.count(r.name) ? versions.at(r.name) : 0.0f);

    auto flags = std::make_shared<Flags>();
    fault(testsupport::withPath(r.fault, appVersion));
    fault(testsupport::withPath(r.fault, bankVersion));
    onWorker([flags] {
      auto system = std::make_shared<System>();
      system->delegate = flags;
      system->getAppVersion("1");
      system->getTestLibraryVersion("GKSample");
      return 0;
    });
    ASSERT_TRUE(flags->app && flags->bank);
    if (noReply.count(r.name)) {
      EXPECT_FALSE(*flags->app);
      EXPECT_FALSE(*flags->bank);
    }
    if (r.name == "null body" || r.name == "100,000 entries") {
      EXPECT_FALSE(*flags->bank);
    }
  }
}

// The crash report: any answer, hostile or not, ends the sending at once (the report is not sent
// twice), and the server has the report.
TEST_F(UpdateReplies, TheCrashReportEndsWhateverTheServerAnswers) {
  const std::string log = "/api/1.0/json/sys/Log";
  std::size_t sent = 0;
  for (const testsupport::HostileReply& r : testsupport::hostileReplies()) {
    SCOPED_TRACE(r.name);
    fault(testsupport::withPath(r.fault, log));
    const bool answered = onWorker([] {
      return SystemCrashReportSender().send(VDUncaughtExceptionHandler::kLogPath,
                                            R"({"name":"SIGSEGV","reason":"test"})", 5);
    });
    EXPECT_TRUE(answered);
    EXPECT_EQ(requestsTo(log).size(), ++sent);
  }
}

}  // namespace
