// Replies of the wrong shape to what the records screens ask the server (the wrong-answer rank, the
// favourite rank, the learning statistics): each ends in the screen's alert and the screen goes on; a
// rank past the question-set limits has no questions; the ranks and the learning records build their
// sets on a worker, and a screen closed meanwhile gets nothing.

#include <map>

#include "screens/records/LearningRecordViewController.h"
#include "screens/records/StatisticsViewController.h"
#include "screens/records/TestsRankViewController.h"
#include "tests/screens/records/RecordsFixture.h"
#include "tests/support/BuildGate.h"
#include "tests/support/HostileReplies.h"

namespace records_test {
namespace {

constexpr const char* kErrorRankPath = "1.0/json/exam/GetErrorTestRank/GKSample";
constexpr const char* kFavourRankPath = "1.0/json/favour/GetFavourRank/GKSample";
constexpr const char* kStatisticsPath = "1.0/json/sys/Statistics/GKSample";

const std::string kFailed = "请求失败，请稍后重试";
const std::string kNoData = "暂无相关数据";
const std::string kMalformed = "服务器数据有误，请稍后重试";

std::string localized(const char* key) { return core::Bundle::main().localizedString(key); }

std::string goodRank(const char* name) {
  return replyText(questionSet(name, {{"ATEST", idRange(1301, 1325)}}));
}

class RecordsReplies : public RecordsFixture {
 public:
  ui::NavigationController& navigation() {
    return *dynamic_cast<ui::NavigationController*>(h().window().rootViewController());
  }
  void backToRoot() {
    navigation().popToRootViewController(false);
    h().settle();
  }
  // The ranks screen with the wrong-answer rank shown, switched to the favourite rank.
  TestsRankViewController* openFavourRank() {
    answer(kErrorRankPath, goodRank("错题排行"));
    auto* ranks = open<TestsRankViewController>(TestsRankViewController::kIdentifier);
    if (!ranks) return nullptr;
    EXPECT_EQ(alertText(), "");
    EXPECT_TRUE(h().selectSegment(*ranks->segmentedControl(), 1));
    settleRequests();
    return ranks;
  }
};

struct PathCase {
  const char* name;
  std::string path;
  std::function<ui::ViewController*(RecordsReplies&)> ask;  // opens the screen that asks
  std::string title;                                        // the alert's title
  std::map<std::string, std::string> messages;              // by hostile reply
};

TEST_F(RecordsReplies, EveryRequestOfTheRecordsScreensSaysWhatWentWrong) {
  // What no reply (or no JSON) gives; the rest is each path's own.
  const std::map<std::string, std::string> noReply = {{"truncated", kFailed},
                                                      {"not UTF-8", kFailed},
                                                      {"HTTP 500", kFailed},
                                                      {"HTML with 200", kFailed},
                                                      {"5,000 deep", kFailed}};
  auto with = [&](std::map<std::string, std::string> own) {
    own.insert(noReply.begin(), noReply.end());
    return own;
  };
  const PathCase paths[] = {
      {"wrong-answer rank", kErrorRankPath,
       [](RecordsReplies& t) -> ui::ViewController* {
         return t.open<TestsRankViewController>(TestsRankViewController::kIdentifier);
       },
       localized("alertTitle"),
       with({{"text for the body", kMalformed},
             {"number for the body", kMalformed},
             {"null body", kNoData},
             {"no body", kMalformed},
             {"object for a list", kMalformed},
             {"list of non-records", kMalformed},
             {"wrapped top level", kMalformed},
             {"wrapped in an object", kMalformed},
             {"100,000 entries", kMalformed}})},
      {"favourite rank", kFavourRankPath,
       [](RecordsReplies& t) -> ui::ViewController* { return t.openFavourRank(); }, localized("alertTitle"),
       with({{"text for the body", kMalformed},
             {"number for the body", kMalformed},
             {"null body", kNoData},  // a null rank succeeds with no questions
             {"no body", kMalformed},
             {"object for a list", kMalformed},
             {"list of non-records", kMalformed},
             {"wrapped top level", kMalformed},
             {"wrapped in an object", kMalformed},
             {"100,000 entries", kMalformed}})},
      {"statistics", kStatisticsPath,
       [](RecordsReplies& t) -> ui::ViewController* {
         return t.open<StatisticsViewController>(StatisticsViewController::kIdentifier);
       },
       StatisticsViewController::kTitle,
       with({{"text for the body", kMalformed},
             {"number for the body", kMalformed},
             {"null body", kNoData},
             {"no body", kMalformed},
             {"object for a list", kMalformed},
             {"list of non-records", kMalformed},
             {"wrapped top level", kMalformed},
             {"wrapped in an object", kMalformed},
             {"100,000 entries", kMalformed}})},
  };
  const auto replies = testsupport::hostileReplies();
  for (const PathCase& p : paths) {
    for (const testsupport::HostileReply& r : replies) {
      SCOPED_TRACE(std::string(p.name) + ": " + r.name);
      fault(testsupport::withPath(r.fault, "/api/" + p.path));
      ui::ViewController* screen = p.ask(*this);
      ASSERT_NE(screen, nullptr);
      EXPECT_EQ(alertText(), p.title + "|" + p.messages.at(r.name));
      EXPECT_EQ(h().topScreen(), screen);
      ASSERT_TRUE(press("OK"));
      EXPECT_EQ(h().alert(), nullptr);
      backToRoot();
    }
  }

  // Each screen goes on with a good reply.
  answer(kErrorRankPath, goodRank("错题排行"));
  auto* ranks = open<TestsRankViewController>(TestsRankViewController::kIdentifier);
  ASSERT_NE(ranks, nullptr);
  EXPECT_EQ(ranks->pageButton()->currentTitle(), "     1/2");
  answer(kFavourRankPath, goodRank("收藏排行"));
  ASSERT_TRUE(h().selectSegment(*ranks->segmentedControl(), 1));
  settleRequests();
  EXPECT_EQ(alertText(), "");
  EXPECT_EQ(ranks->testsJSON()["Body"]["Name"].toString(), "收藏排行");
  backToRoot();
  auto* statistics = open<StatisticsViewController>(StatisticsViewController::kIdentifier);
  ASSERT_NE(statistics, nullptr);
  EXPECT_EQ(alertText(), "");
  EXPECT_FALSE(statistics->statisticsTableView()->isHidden());
}

// A rank past the question-set limits (TestBuilder) builds nothing: the no-data alert, and the screen
// goes on.
TEST_F(RecordsReplies, ARankPastTheSetLimitsSaysThereIsNoData) {
  auto setOf = [](std::size_t sessions, const std::string& ids) {
    std::string text = R"({"Body":{"ID":1,"Name":"错题排行","Sessions":[)";
    for (std::size_t i = 0; i < sessions; ++i)
      text += (i ? "," : "") + (R"({"Type":"ATEST","ATestid":")" + ids + "\"}");
    return text + R"(]},"Message":"","LoginState":1})";
  };
  std::string manyIds = "1301";
  for (std::size_t i = 0; i < TestBuilder::kMaxQuestionIds; ++i) manyIds += ",1302";
  const std::pair<const char*, std::string> cases[] = {
      {"100,000 sessions", setOf(100000, "1301")},
      {"10,001 ids in one session", setOf(1, manyIds)},
  };
  for (const auto& [name, body] : cases) {
    SCOPED_TRACE(name);
    answer(kErrorRankPath, body);
    auto* ranks = open<TestsRankViewController>(TestsRankViewController::kIdentifier);
    ASSERT_NE(ranks, nullptr);
    EXPECT_EQ(alertText(), localized("alertTitle") + "|" + kNoData);
    ASSERT_TRUE(press("OK"));
    EXPECT_EQ(h().topScreen(), ranks);
    EXPECT_TRUE(ranks->pagesWithTables().empty());
    backToRoot();
  }
  answer(kErrorRankPath, setOf(3, "1301,1302"));
  auto* ranks = open<TestsRankViewController>(TestsRankViewController::kIdentifier);
  ASSERT_NE(ranks, nullptr);
  EXPECT_EQ(alertText(), "");
  EXPECT_EQ(ranks->pageButton()->currentTitle(), "     1/1");
}

// The rank's questions and a stored run's are read from the bank on a worker: the main loop goes on
// while they are built, and a screen closed meanwhile is not called back (no alert, nothing opens).
TEST_F(RecordsReplies, SetsAreBuiltOnAWorkerAndAClosedScreenGetsNothing) {
  writeHistory("user01",
               core::Array{core::Dictionary{
                   {"SoftEName", kSubject},
                   {"LearningRecordArr", core::Array{record(0, "前两题", "2013-07-07 09:05:10",
                                                            questionSet("前两题", {{"ATEST", "1301,1302"}}),
                                                            {{"1301", "A"}}, "1302")}}}});
  struct Case {
    const char* name;
    std::function<void(RecordsReplies&)> ask;  // starts a build; settles nothing the build holds up
  };
  const Case cases[] = {
      {"rank",
       [](RecordsReplies& t) {
         answer(kErrorRankPath, goodRank("错题排行"));
         auto screen = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(
             TestsRankViewController::kIdentifier);
         t.navigation().pushViewController(screen, false);
       }},
      {"learning record",
       [](RecordsReplies& t) {
         auto* list = t.open<LearningRecordViewController>(LearningRecordViewController::kIdentifier);
         ASSERT_NE(list, nullptr);
         ASSERT_TRUE(t.h().tapRow(*list->learningRecordTableView(), {0, 0}));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::weak_ptr<ui::ViewController> asked;
    {
      testsupport::BuildGate gate;
      c.ask(*this);
      ASSERT_TRUE(gate.awaitHeld());
      h().settle();
      EXPECT_EQ(h().alert(), nullptr);
      asked = h().topScreen()->weak_from_this();
      EXPECT_EQ(answering(), nullptr) << "nothing opens before the set is built";
      backToRoot();
      EXPECT_TRUE(asked.expired()) << "the build keeps no screen";
      gate.openAndFinish();
      h().settle();
      EXPECT_EQ(gate.buildsOnMainThread(), 0);
    }
    EXPECT_EQ(h().alert(), nullptr);
    EXPECT_EQ(navigation().viewControllers().size(), 1u) << "nothing opened";
  }
}

}  // namespace
}  // namespace records_test
