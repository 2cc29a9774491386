// The question-bank check: whether each starter asks the update centre, with which batch id, and which
// prompt (if any) the reply leads to, over the loopback update centre.

#include <gtest/gtest.h>

#include "tests/support/StandInScreens.h"
#include "ui/NavigationController.h"
#include "tests/screens/update/BankCheckFixture.h"

using namespace bankcheck_test;

namespace {

// How each starter sets the DownSession flags before it starts the check (F, E, H, M, U; "file" is
// whether the bank file exists). The side panel's background check writes H, M and U only and asks
// the update centre directly.
enum class Starter { SettingsRedownload, MoreCheck, MoreDownload, PracticeHub, HomeBankMissing, SidePanel };

const char* name(Starter s) {
  switch (s) {
    case Starter::SettingsRedownload:
      return "settings re-download";
    case Starter::MoreCheck:
      return "more: check for updates";
    case Starter::MoreDownload:
      return "more: download";
    case Starter::PracticeHub:
      return "practice hub";
    case Starter::HomeBankMissing:
      return "home, bank missing";
    case Starter::SidePanel:
      return "side panel";
  }
  return "";
}

// What the update centre does.
enum class CentreReply { Packets, NoPackets, StatusError, NoAnswer, WrongShape };  // NoAnswer: not JSON

const char* name(CentreReply r) {
  switch (r) {
    case CentreReply::Packets:
      return "packets";
    case CentreReply::NoPackets:
      return "empty list";
    case CentreReply::StatusError:
      return "status 1";
    case CentreReply::WrongShape:
      return "a reply of the wrong shape";
    case CentreReply::NoAnswer:
      return "no answer";
  }
  return "";
}

// The prompt expected, or none (title empty).
struct Prompt {
  std::string title;
  std::string message;  // "UPDATE" stands for the update text of the reply's packets
  std::vector<std::string> buttons;
};

const Prompt kNone{};
const Prompt kReDownload{"提示", "重新下载将覆盖本地题库，是否继续？", {"取消", "重下题库"}};
const Prompt kDownload{"提示", "本科目题库尚未下载，是否现在下载？", {"取消", "下载"}};
const Prompt kUpdate{"提示", "UPDATE", {"暂不更新", "立即更新"}};
const Prompt kLatest{"提示", "该软件已是最新版本", {"确定"}};
const Prompt kNoInformation{"提示", "没有任何信息", {"确定"}};
// No bank here and none offered: the centre's own message, and the way to another subject.
const Prompt kNoBank{"提示", "暂无可用的更新", {"确定", "选择科目"}};
const Prompt kNoBankRefused{"提示", "维护中", {"确定", "选择科目"}};

struct Case {
  Starter starter;
  bool bank;
  CentreReply reply;
  bool queried;          // a query reached the update centre
  std::int64_t batchId;  // its max_batchid
  Prompt prompt;
};

// The sample bank holds batches 1 and 2: with it the centre answers a type-1 pack and a type-3 image zip;
// without it (or for -1) a single type-6 bank.
const Case kCases[] = {
    // The settings screen's re-download asks with -1 whether or not the bank is there.
    {Starter::SettingsRedownload, true, CentreReply::Packets, true, -1, kReDownload},
    {Starter::SettingsRedownload, false, CentreReply::Packets, true, -1, kReDownload},
    {Starter::SettingsRedownload, true, CentreReply::NoPackets, true, -1, kLatest},
    {Starter::SettingsRedownload, true, CentreReply::StatusError, true, -1, kNone},
    {Starter::SettingsRedownload, true, CentreReply::NoAnswer, true, -1, kNoInformation},
    // The "more" menu's check asks always, and says so when nothing is new.
    {Starter::MoreCheck, true, CentreReply::Packets, true, 2, kUpdate},
    {Starter::MoreCheck, false, CentreReply::Packets, true, -1, kDownload},
    {Starter::MoreCheck, true, CentreReply::NoPackets, true, 2, kLatest},
    {Starter::MoreCheck, false, CentreReply::StatusError, true, -1, kNoBankRefused},
    {Starter::MoreCheck, false, CentreReply::NoAnswer, true, -1, kNoInformation},
    {Starter::MoreCheck, true, CentreReply::WrongShape, true, 2, kNoInformation},
    // The "more" menu's download, the practice hub (home screen not loaded yet) and the home screen ask
    // only when the bank is missing; when the centre has none to offer they say so.
    {Starter::MoreDownload, true, CentreReply::Packets, false, 0, kNone},
    {Starter::MoreDownload, false, CentreReply::Packets, true, -1, kDownload},
    {Starter::MoreDownload, false, CentreReply::NoPackets, true, -1, kNoBank},
    {Starter::PracticeHub, true, CentreReply::Packets, false, 0, kNone},
    {Starter::PracticeHub, false, CentreReply::Packets, true, -1, kDownload},
    {Starter::PracticeHub, false, CentreReply::NoPackets, true, -1, kNoBank},
    {Starter::HomeBankMissing, false, CentreReply::Packets, true, -1, kDownload},
    {Starter::HomeBankMissing, false, CentreReply::NoPackets, true, -1, kNoBank},
    {Starter::HomeBankMissing, false, CentreReply::StatusError, true, -1, kNoBankRefused},
    // The background check of the side panel asks with the local batch and never prompts.
    {Starter::SidePanel, true, CentreReply::Packets, true, 2, kNone},
    {Starter::SidePanel, false, CentreReply::Packets, true, -1, kNone},
    {Starter::SidePanel, true, CentreReply::NoPackets, true, 2, kNone},
};

}  // namespace

class BankCheckDecision : public BankCheckFixture {
 protected:
  // Starts the check as the starter does.
  void start(Starter starter, bool bank) {
    switch (starter) {
      case Starter::SettingsRedownload:
        setFlags(false, true, bank, false, true);
        break;
      case Starter::MoreCheck:
        setFlags(false, true, bank, false, false);
        break;
      case Starter::MoreDownload:
        setFlags(false, false, bank, false, false);
        break;
      case Starter::PracticeHub:
        setFlags(app().isFirstOpenMain(), false, bank, false, false);
        break;
      case Starter::HomeBankMissing:
        setFlags(false, false, false, false, false);
        break;
      case Starter::SidePanel:
        setFlags(std::nullopt, std::nullopt, bank, true, false);
        VDHelper::getLibrary();
        return;
    }
    VDHelper::downloadDBWithCancelBlock([] {}, [](bool) {}, [] {});
  }
};

TEST_F(BankCheckDecision, StarterFlagsBankAndReplyDecideQueryAndPrompt) {
  ASSERT_TRUE(app().isFirstOpenMain());
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(name(c.starter)) + (c.bank ? ", bank" : ", no bank") + ", " + name(c.reply));
    ASSERT_TRUE(server().reset());
    std::error_code ec;
    std::filesystem::remove(bankFile(), ec);
    if (c.bank) installSampleBank();
    if (c.reply == CentreReply::NoPackets) scenario(R"({"update":"none"})");
    if (c.reply == CentreReply::StatusError) scenario(R"({"status":1,"message":"维护中"})");
    if (c.reply == CentreReply::NoAnswer) answerQuery("<html>服务器错误</html>");
    if (c.reply == CentreReply::WrongShape) answerQuery(R"({"status":0,"update_list":{"packe_type":1}})");

    start(c.starter, c.bank);
    if (c.queried) {
      awaitReply();
    } else {
      settleRequests();
    }

    const auto sent = queries();
    ASSERT_EQ(sent.size(), c.queried ? 1u : 0u);
    if (c.queried) {
      EXPECT_EQ(sent[0]["app_ename"].toString(), kSubject);
      EXPECT_EQ(sent[0]["max_batchid"].toInt(-99), c.batchId);
    }
    // Every reply is kept for the "more" menu; no reply, or one of the wrong shape, keeps nothing.
    const std::optional<UpdateCentreReply>& stored = app().updateReply();
    EXPECT_EQ(stored.has_value(),
              c.queried && c.reply != CentreReply::NoAnswer && c.reply != CentreReply::WrongShape);
    if (c.reply == CentreReply::StatusError && stored) {
      EXPECT_EQ(stored->status, 1);
    }

    ui::AlertView* alert = h().alert();
    if (c.prompt.title.empty()) {
      EXPECT_EQ(alert, nullptr) << alert->describe();
      continue;
    }
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->title(), c.prompt.title);
    if (c.prompt.message == "UPDATE") {
      ASSERT_TRUE(stored);
      ASSERT_EQ(stored->updateList.size(), 2u);
      EXPECT_EQ(alert->message(), "更新内容:\n1:" + stored->updateList[0].updateContent + "\n2:" +
                                      stored->updateList[1].updateContent + "\n建议在Wi-Fi环境下更新");
    } else {
      EXPECT_EQ(alert->message(), c.prompt.message);
    }
    EXPECT_EQ(buttons(*alert), c.prompt.buttons);
    EXPECT_EQ(alert->cancelButtonIndex(), 0);
    // Declining changes nothing.
    ASSERT_TRUE(h().press(c.prompt.buttons.front()));
    h().settle();
    EXPECT_EQ(h().alert(), nullptr);
    EXPECT_EQ(std::filesystem::exists(bankFile()), c.bank);
  }
}

// A subject the centre has no bank for, tapped from the home screen: the alert says so and leads to the
// subject choice, from where the user can pick another subject.
TEST_F(BankCheckDecision, ASubjectWithoutABankLeadsToTheSubjectChoice) {
  ASSERT_TRUE(VDHelper::saveQuoteProduct(core::Dictionary{{"Key", "未知科目"}, {"Value", "NOBANK"}}));
  start(Starter::HomeBankMissing, false);
  awaitReply();
  ASSERT_NE(h().alert(), nullptr) << "the tap must not end in silence";
  EXPECT_EQ(h().alert()->message(), "暂无可用的更新");
  ASSERT_TRUE(h().press("选择科目"));
  h().settle();
  EXPECT_EQ(h().alert(), nullptr);
  auto* nav = dynamic_cast<ui::NavigationController*>(h().window().rootViewController());
  ASSERT_NE(nav, nullptr) << h().screens();
  ASSERT_NE(nav->topViewController(), nullptr);
  // The subject choice's first screen (a stand-in here: the subject screens are not registered).
  auto* top = dynamic_cast<testsupport::StandInScreen*>(nav->topViewController());
  ASSERT_NE(top, nullptr) << h().screens();
  EXPECT_EQ(top->identifier(), "selectSort");
}

TEST_F(BankCheckDecision, OfflineCheckShowsTheNetworkAlertOnly) {
  // A second application whose network is down at launch.
  h().settle();
  while (h().alert()) {
    h().press(h().alert()->buttonTitleAtIndex(0));
    h().settle();
  }
  core::UserDefaults::standard().removeObject("saveAppName");  // no main screen with checks of its own
  loopback_.relaunch(testsupport::quietServices(0));
  ASSERT_NE(h().alert(), nullptr);  // the launch's own network alert
  ASSERT_TRUE(h().press("取消"));
  h().settle();
  ASSERT_TRUE(VDHelper::saveQuoteProduct(core::Dictionary{{"Key", "常识综合（样例）"}, {"Value", kSubject}}));
  ASSERT_TRUE(server().clearJournal());

  bool completed = false;
  setFlags(false, true, false, false, false);
  VDHelper::downloadDBWithCancelBlock([] {}, [&](bool) { completed = true; }, [] {});
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->title(), "断网提示");
  EXPECT_EQ(h().alert()->message(), "网络连接不可用，请检查网络设置");
  settleRequests();
  EXPECT_TRUE(queries().empty());
  EXPECT_FALSE(VDHelper::downSessionBlocks().completeBlock) << "an offline check stores nothing";
  EXPECT_FALSE(completed);
}

TEST(BankCheckText, UpdateTextListsEachPacketThenTheAdvice) {
  core::Value list = core::Value::newArray();
  EXPECT_EQ(VDHelper::getUpdateMess(list), "更新内容:");
  list.push_back(core::Dictionary{{"packe_type", 1}, {"update_content", "新增试题"}});
  list.push_back(core::Dictionary{{"packe_type", 3}, {"update_content", "更新图片"}});
  EXPECT_EQ(VDHelper::getUpdateMess(list),
            "更新内容:\n1:新增试题\n2:更新图片\n" + core::Bundle::main().localizedString("upateExplanation"));
}
