// Replies of the wrong shape to what the practice screens ask the server (a chapter's set from the
// chapter list and from fast learning, the subjects' question styles, the simulated exam): each tap ends
// in the screen's alert and the screen goes on; the sets are built on a worker, and a screen closed
// meanwhile gets nothing.

#include <map>

#include "screens/practice/ChaptListViewController.h"
#include "screens/practice/ExamSetting1ViewController.h"
#include "screens/practice/ExamSetting2ViewController.h"
#include "screens/practice/FastLearnDetailViewController.h"
#include "screens/practice/FastLearnViewController.h"
#include "tests/screens/practice/PracticeFixture.h"
#include "tests/support/BuildGate.h"
#include "tests/support/HostileReplies.h"

namespace practice_test {
namespace {

const std::string kFailed = "请求失败，请稍后重试";
const std::string kNoData = "暂无相关数据";
const std::string kMalformed = "服务器数据有误，请稍后重试";

// The arithmetic chapter (45 questions), as the chapter list and fast learning ask for it.
constexpr const char* kArithmeticPath = "/api/1.0/json/exam/GKSample/Chapter/Test/1221";
constexpr const char* kStylesPath = "/api/1.0/json/exam/SbjsStyle/GKSample/*";
constexpr const char* kExamPath = "/api/1.0/json/exam/VirtualExam";

class PracticeReplies : public PracticeFixture {
 public:
  // The chapter practice list of the arithmetic chapter's level.
  ChaptListViewController* openMathsList() {
    auto* list =
        push<ChaptListViewController>(ChaptListViewController::kIdentifier, [](ChaptListViewController& s) {
          s.setTestMode(0);
          s.setNavigationItemTitle("章节练习");
        });
    for (const char* name : {"常识综合", "科技常识", "数学常识"}) {
      if (!list || !tapRowNamed(*list->tableView(), name)) return nullptr;
      list = topAs<ChaptListViewController>();
    }
    return list;
  }
  // Fast learning's detail of the arithmetic chapter, as its level makes it (pushed, not settled).
  void pushArithmeticDetail() {
    auto made = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(
        FastLearnDetailViewController::kIdentifier);
    auto* detail = dynamic_cast<FastLearnDetailViewController*>(made.get());
    ASSERT_NE(detail, nullptr);
    detail->setSoftname(review_test::kSubject);
    detail->setChapterid("1221");
    detail->setNavTitle("四则运算");
    navigation().pushViewController(made, false);
  }
  ExamSetting1ViewController* openSubjects() {
    return push<ExamSetting1ViewController>(ExamSetting1ViewController::kIdentifier);
  }
  bool tapButton(ui::Button* b) {
    if (!b || !h().tap(*b)) return false;
    settleAll();
    return true;
  }
  // The styles' screen with a count of 5 in its first row.
  ExamSetting2ViewController* openStylesWithACount() {
    ExamSetting1ViewController* first = openSubjects();
    if (!first || !tapButton(first->btnNext())) return nullptr;
    auto* styles = topAs<ExamSetting2ViewController>();
    if (!styles) return nullptr;
    ui::TableViewCell* cell = styles->mytableview()->cellForRowAtIndexPath({0, 0});
    auto* field =
        cell ? dynamic_cast<ui::TextField*>(cell->viewWithTag(ExamSetting2ViewController::kCountFieldTag))
             : nullptr;
    if (!field || !h().type(*field, "5")) return nullptr;
    return styles;
  }
  void backToRoot() {
    navigation().popToRootViewController(false);
    h().settle();
  }
};

// One request: the screen that asks, opened up to the tap that asks (none for fast learning, which asks
// as it opens); the tap; the alert's button; what the user sees when the reply is good.
struct PathCase {
  const char* name;
  std::string path;
  std::function<ui::ViewController*(PracticeReplies&)> open;
  std::function<bool(PracticeReplies&, ui::ViewController*)> ask;
  std::string button;
  std::map<std::string, std::string> alerts;  // "title|message" by hostile reply
  std::function<bool(PracticeReplies&)> wentOn;
};

std::map<std::string, std::string> alertsOf(const std::string& title, const std::string& noReply,
                                            const std::string& emptyBody, const std::string& set) {
  return {{"text for the body", title + "|" + kMalformed},
          {"number for the body", title + "|" + kMalformed},
          {"null body", title + "|" + emptyBody},
          {"no body", title + "|" + kMalformed},
          {"object for a list", title + "|" + set},
          {"list of non-records", title + "|" + kMalformed},
          {"wrapped top level", title + "|" + kMalformed},
          {"wrapped in an object", title + "|" + kMalformed},
          {"truncated", title + "|" + noReply},
          {"not UTF-8", title + "|" + noReply},
          {"HTTP 500", title + "|" + noReply},
          {"HTML with 200", title + "|" + noReply},
          {"100,000 entries", title + "|" + kMalformed},
          {"5,000 deep", title + "|" + noReply}};
}

TEST_F(PracticeReplies, EveryRequestOfThePracticeScreensSaysWhatWentWrong) {
  // Fast learning: a failed request is titled with the chapter, a set without questions "快速学习".
  auto fastLearning = alertsOf("快速学习", "", "", kNoData);
  for (const char* failed : {"truncated", "not UTF-8", "HTTP 500", "HTML with 200", "5,000 deep"})
    fastLearning[failed] = "四则运算|" + kFailed;
  fastLearning["null body"] = "四则运算|" + kNoData;
  const PathCase paths[] = {
      // The chapter list says "暂无相关数据" without a reply, as it always has.
      {"chapter list", kArithmeticPath,
       [](PracticeReplies& t) -> ui::ViewController* { return t.openMathsList(); },
       [](PracticeReplies& t, ui::ViewController* s) {
         return t.tapRowNamed(*static_cast<ChaptListViewController*>(s)->tableView(), "四则运算");
       },
       "确定", alertsOf("提示", kNoData, kNoData, kNoData),
       [](PracticeReplies& t) { return t.answering() != nullptr; }},
      {"fast learning", kArithmeticPath, [](PracticeReplies&) -> ui::ViewController* { return nullptr; },
       [](PracticeReplies& t, ui::ViewController*) {
         t.pushArithmeticDetail();
         t.settleAll();
         return true;
       },
       "OK", fastLearning,
       [](PracticeReplies& t) {
         auto* detail = t.topAs<FastLearnDetailViewController>();
         return detail && !detail->fastLearnTableView()->isHidden() && detail->pageCount() == 3;
       }},
      {"subjects' styles", kStylesPath,
       [](PracticeReplies& t) -> ui::ViewController* { return t.openSubjects(); },
       [](PracticeReplies& t, ui::ViewController* s) {
         return t.tapButton(static_cast<ExamSetting1ViewController*>(s)->btnNext());
       },
       "确定", alertsOf("提示", kFailed, kNoData, kMalformed),
       [](PracticeReplies& t) { return t.topAs<ExamSetting2ViewController>() != nullptr; }},
      {"simulated exam", kExamPath,
       [](PracticeReplies& t) -> ui::ViewController* { return t.openStylesWithACount(); },
       [](PracticeReplies& t, ui::ViewController* s) {
         return t.tapButton(static_cast<ExamSetting2ViewController*>(s)->btnStart());
       },
       "确定", alertsOf("模拟考试", kFailed, kNoData, kNoData),
       [](PracticeReplies& t) { return t.answering() != nullptr; }},
  };
  const auto replies = testsupport::hostileReplies();
  for (const PathCase& p : paths) {
    ui::ViewController* screen = p.open(*this);
    for (const testsupport::HostileReply& r : replies) {
      SCOPED_TRACE(std::string(p.name) + ": " + r.name);
      fault(testsupport::withPath(r.fault, p.path));
      ASSERT_TRUE(p.ask(*this, screen));
      ui::ViewController* asking = screen ? screen : h().topScreen();
      EXPECT_EQ(alertText(), p.alerts.at(r.name));
      ASSERT_TRUE(press(p.button));
      EXPECT_EQ(h().alert(), nullptr);
      EXPECT_EQ(h().topScreen(), asking) << "the screen that asked stays";
      if (!screen) backToRoot();  // it asks once, as it opens
    }
    // The same tap goes on with the server's own reply.
    ASSERT_TRUE(p.ask(*this, screen)) << p.name;
    EXPECT_EQ(alertText(), "") << p.name;
    EXPECT_TRUE(p.wentOn(*this)) << p.name;
    backToRoot();
  }
}

// The styles' screen makes a count field per style: a list past SimulationExam::kMaxStyles is refused
// with the alert, and the first screen stays.
TEST_F(PracticeReplies, StylesPastTheirLimitAreRefused) {
  auto styles = [](std::size_t n) {
    std::string text = R"({"Body":[)";
    for (std::size_t i = 0; i < n; ++i)
      text += (i ? "," : "") + (R"({"StyleID":)" + std::to_string(i + 1) + R"(,"Style1":"题型"})");
    return text + R"(],"Message":"","LoginState":1})";
  };
  ExamSetting1ViewController* first = openSubjects();
  ASSERT_NE(first, nullptr);
  fault(core::Dictionary{{"path", kStylesPath}, {"body", styles(SimulationExam::kMaxStyles + 1)}});
  ASSERT_TRUE(tapButton(first->btnNext()));
  EXPECT_EQ(alertText(), "提示|" + kMalformed);
  ASSERT_TRUE(press("确定"));
  EXPECT_EQ(h().topScreen(), first);
  fault(core::Dictionary{{"path", kStylesPath}, {"body", styles(SimulationExam::kMaxStyles)}});
  ASSERT_TRUE(tapButton(first->btnNext()));
  EXPECT_EQ(alertText(), "");
  auto* second = topAs<ExamSetting2ViewController>();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->mytableview()->numberOfRowsInSection(0), static_cast<int>(SimulationExam::kMaxStyles));
}

// The sets are read from the bank on a worker: the main loop goes on while they are built, and a screen
// closed meanwhile is not called back (no alert, nothing opens).
TEST_F(PracticeReplies, SetsAreBuiltOnAWorkerAndAClosedScreenGetsNothing) {
  struct Case {
    const char* name;
    std::function<ui::ViewController*(PracticeReplies&)> open;       // settled before the gate shuts
    std::function<void(PracticeReplies&, ui::ViewController&)> ask;  // settles nothing
  };
  const Case cases[] = {
      {"chapter list", [](PracticeReplies& t) -> ui::ViewController* { return t.openMathsList(); },
       [](PracticeReplies& t, ui::ViewController& s) {
         auto& list = static_cast<ChaptListViewController&>(s);
         ASSERT_TRUE(t.h().tapRow(*list.tableView(), {0, rowNamed(*list.tableView(), "四则运算")}));
       }},
      {"fast learning", [](PracticeReplies&) -> ui::ViewController* { return nullptr; },
       [](PracticeReplies& t, ui::ViewController&) { t.pushArithmeticDetail(); }},
      {"simulated exam", [](PracticeReplies& t) -> ui::ViewController* { return t.openStylesWithACount(); },
       [](PracticeReplies& t, ui::ViewController& s) {
         ASSERT_TRUE(t.h().tap(*static_cast<ExamSetting2ViewController&>(s).btnStart()));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ui::ViewController* screen = c.open(*this);
    {
      testsupport::BuildGate gate;
      c.ask(*this, screen ? *screen : *h().topScreen());
      ASSERT_TRUE(gate.awaitHeld());
      h().settle();
      EXPECT_EQ(h().alert(), nullptr);
      EXPECT_EQ(answering(), nullptr) << "nothing opens before the set is built";
      std::weak_ptr<ui::ViewController> asked = h().topScreen()->weak_from_this();
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
}  // namespace practice_test
