// The download prompts: their buttons, what accepting hands to the update panel, the stop and cancel
// paths, and a re-download that keeps the old bank until the new one is in.

#include <gtest/gtest.h>

#include <atomic>

#include "screens/update/UpdateSoftwareViewController.h"
#include "tests/screens/update/BankCheckFixture.h"

using namespace bankcheck_test;

namespace {

core::Value packet(int type, const std::string& url, const std::string& content) {
  return core::Dictionary{{"packe_type", type}, {"packege_url", url}, {"update_content", content}};
}

std::vector<std::int64_t> types(const core::Value& list) {
  std::vector<std::int64_t> out;
  for (std::size_t i = 0; i < list.size(); ++i) out.push_back(list[i]["packe_type"].toInt(-1));
  return out;
}

// What the blocks of a check saw (the completion block runs on the update run's thread).
struct Outcome {
  std::atomic<int> completed{0};
  std::atomic<bool> success{false};
  std::atomic<int> stopped{0};
};

}  // namespace

class BankCheckPrompt : public BankCheckFixture {
 protected:
  void SetUp() override {
    BankCheckFixture::SetUp();
    if (HasFatalFailure()) return;
    UpdateSoftwareViewController::registerScreen();
  }

  // Starts an explicit check whose blocks report to `outcome`.
  void check(Outcome& outcome) {
    VDHelper::downloadDBWithCancelBlock([] {},
                                        [&outcome](bool ok) {
                                          outcome.success = ok;
                                          ++outcome.completed;
                                        },
                                        [&outcome] { ++outcome.stopped; });
    awaitReply();
  }

  // The update panel on the window, if any.
  UpdateSoftwareViewController* panel() {
    for (const auto& vc : h().window().overlays())
      if (auto* p = dynamic_cast<UpdateSoftwareViewController*>(vc.get())) return p;
    return nullptr;
  }

  std::string packetURL(const std::string& file) const { return server().origin() + "/packets/" + file; }
};

TEST_F(BankCheckPrompt, AcceptingADownloadOpensThePanelWhichInstallsTheBank) {
  setFlags(false, false, false, false, false);  // the home screen found no bank
  Outcome outcome;
  check(outcome);
  ASSERT_NE(h().alert(), nullptr);
  ASSERT_TRUE(h().press("下载"));
  h().settle();

  UpdateSoftwareViewController* p = panel();
  ASSERT_NE(p, nullptr) << h().screens();
  EXPECT_EQ(types(p->updateUrlArray()), std::vector<std::int64_t>{6});
  EXPECT_EQ(p->status(), 0);

  ASSERT_TRUE(runUntil([&] { return outcome.completed.load() > 0; }, 60)) << "the update run did not end";
  h().settle();
  EXPECT_TRUE(outcome.success);
  EXPECT_EQ(outcome.stopped, 0);
  EXPECT_TRUE(VDHelper::isHavefileName());
  EXPECT_EQ(panel(), nullptr) << "the panel closes itself";
}

TEST_F(BankCheckPrompt, AReDownloadKeepsTheOldBankUntilTheNewOneIsIn) {
  writeFile(bankFile(), "old bank");
  // The settings screen's re-download; the packet's first request is held back for a moment.
  setFlags(false, true, true, false, true);
  ASSERT_TRUE(server().fault(R"({"path":"/packets/GKSample.zip","delay":1.5})"));
  Outcome outcome;
  check(outcome);
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->message(), "重新下载将覆盖本地题库，是否继续？");
  ASSERT_TRUE(h().press("重下题库"));
  h().settle();
  ASSERT_NE(panel(), nullptr);
  EXPECT_EQ(readFile(bankFile()), "old bank") << "the old bank stays while the new one downloads";

  ASSERT_TRUE(runUntil([&] { return outcome.completed.load() > 0; }, 60));
  h().settle();
  EXPECT_TRUE(outcome.success);
  EXPECT_EQ(readFile(bankFile()).rfind("SQLite format 3", 0), 0u) << "the new bank replaced it";
}

TEST_F(BankCheckPrompt, AFailedReDownloadStopsAndLeavesTheOldBank) {
  writeFile(bankFile(), "old bank");
  setFlags(false, true, true, false, true);
  ASSERT_TRUE(server().fault(R"({"path":"/packets/GKSample.zip","status":404,"count":4})"));
  Outcome outcome;
  check(outcome);
  ASSERT_TRUE(h().press("重下题库"));
  h().settle();
  ASSERT_TRUE(runUntil([&] { return outcome.stopped.load() > 0; }, 30)) << "the stop block did not run";
  h().settle();
  EXPECT_EQ(outcome.completed, 0);
  EXPECT_EQ(panel(), nullptr);
  EXPECT_EQ(readFile(bankFile()), "old bank");
}

TEST_F(BankCheckPrompt, LeftoverDownloadsOfferToContinue) {
  std::filesystem::create_directories(core::Paths::caches() + "/downloadCache/Update_GKSample");
  struct Row {
    const char* name;
    bool evenMore, haveFile, updateDB;
    const char* other;
  };
  const Row rows[] = {{"bank missing", false, false, false, "继续下载"},
                      {"re-download", true, true, true, "继续下载"}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    if (r.haveFile) installSampleBank();
    setFlags(false, r.evenMore, r.haveFile, false, r.updateDB);
    Outcome outcome;
    check(outcome);
    ASSERT_NE(h().alert(), nullptr);
    EXPECT_EQ(buttons(*h().alert()), (std::vector<std::string>{"取消", r.other}));
    ASSERT_TRUE(h().press("取消"));
    h().settle();
    EXPECT_EQ(panel(), nullptr);
    EXPECT_EQ(outcome.stopped + outcome.completed, 0) << "cancelling runs no block";
  }
}

TEST_F(BankCheckPrompt, ASinglePacketThatIsNoBankOpensNoPanel) {
  // No bank and one database pack: only a new bank could help, and there is none to fetch.
  answerQuery(
      JSONRepresentation(
          core::Dictionary{{"status", 0},
                           {"message", ""},
                           {"update_list", core::Array{packet(1, packetURL("GKSample_up_2_3.db"), "补丁")}}})
          .value_or(""));
  setFlags(false, false, false, false, false);
  Outcome outcome;
  check(outcome);
  ASSERT_TRUE(h().press("下载"));
  h().settle();
  EXPECT_EQ(panel(), nullptr);
  EXPECT_EQ(outcome.stopped, 1);
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->message(), VDHelper::kNothingToDownloadMessage);
}

TEST_F(BankCheckPrompt, PacketsHandedToThePanel) {
  const core::Value list(core::Array{packet(1, "u1", "a"), packet(6, "u6", "b"), packet(3, "u3", "c")});
  const core::Value one6(core::Array{packet(6, "u6", "b")});
  const core::Value one1(core::Array{packet(1, "u1", "a")});
  struct Row {
    const char* name;
    core::Value list;
    bool firstOpenMain, evenMore, haveFile;
    std::vector<std::int64_t> expected;
  };
  const Row rows[] = {
      {"no bank, one bank packet", one6, false, false, false, {6}},
      {"no bank, one other packet", one1, false, true, false, {}},
      {"no flag at all, several", list, false, false, false, {6}},
      {"check from the more menu, no bank", list, false, true, false, {1, 6, 3}},
      {"first opening, no bank", list, true, false, false, {1, 6, 3}},
      {"bank present", list, false, false, true, {1, 6, 3}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(types(VDHelper::packetsToFetch(r.list, r.firstOpenMain, r.evenMore, r.haveFile)), r.expected);
    // The typed packets of the same reply, as the check hands them to the panel.
    const auto reply = UpdateCentreReply::parse(core::Dictionary{{"status", 0}, {"update_list", r.list}});
    ASSERT_TRUE(reply);
    std::vector<std::int64_t> typed;
    for (const UpdatePacket& p :
         BankUpdateCheck::packetsToFetch(reply->updateList, r.firstOpenMain, r.evenMore, r.haveFile))
      typed.push_back(p.packeType);
    EXPECT_EQ(typed, r.expected);
  }
}

TEST_F(BankCheckPrompt, AMandatoryUpdateOffersOnlyUpgradeOrClosingTheApplication) {
  // Status 4 reaches the prompt only when it is called with such a reply.
  core::Value session = setFlags(false, true, true, false, false);
  app().setUpdateReply(UpdateCentreReply::parse(core::Dictionary{
      {"status", 4}, {"update_list", core::Array{packet(1, packetURL("x.db"), "必须更新")}}}));
  ASSERT_TRUE(app().updateReply());
  VDHelper::updateAlert({}, {}, {}, session);
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->title(), "提示");
  EXPECT_EQ(h().alert()->message(), "更新内容:\n1:必须更新\n建议在Wi-Fi环境下更新");
  EXPECT_EQ(buttons(*h().alert()), (std::vector<std::string>{"关闭", "立即升级"}));
  ASSERT_TRUE(h().press("关闭"));
  h().settle();
  EXPECT_EQ(h().terminatedWith(), 0) << "closing ends the application";
}
