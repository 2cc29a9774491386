// The two steps of a simulated exam as a user works them: the subjects with their checks, the style
// counts (digits only, two at most), the request the loopback server receives, the answering screen in
// exam mode, and what a failed request says.
#include "platform/core/Bundle.h"
#include "screens/practice/ExamSetting1ViewController.h"
#include "screens/practice/ExamSetting2ViewController.h"
#include "tests/screens/practice/PracticeFixture.h"

namespace practice_test {
namespace {

class ExamSetting : public PracticeFixture {
 protected:
  ExamSetting1ViewController* openSubjects() {
    return push<ExamSetting1ViewController>(ExamSetting1ViewController::kIdentifier);
  }
  bool tapButton(ui::Button* b) {
    if (!b || !h().tap(*b)) return false;
    settleAll();
    return true;
  }
  std::vector<bool> checks(ExamSetting1ViewController& s) {
    std::vector<bool> out;
    for (int r = 0; r < static_cast<int>(s.sbjArr().size()); ++r)
      out.push_back(cell(*s.mytableview(), r)->accessoryType() == ui::TableViewCellAccessoryType::Checkmark);
    return out;
  }
  // Both subjects chosen: the styles' screen.
  ExamSetting2ViewController* openStyles() {
    ExamSetting1ViewController* first = openSubjects();
    if (!first || !tapButton(first->btnNext())) return nullptr;
    return topAs<ExamSetting2ViewController>();
  }
  ui::TextField* countField(ExamSetting2ViewController& s, int row) {
    ui::TableViewCell* c = s.mytableview()->cellForRowAtIndexPath({0, row});
    return c ? dynamic_cast<ui::TextField*>(c->viewWithTag(ExamSetting2ViewController::kCountFieldTag)) : nullptr;
  }
  bool typeCount(ExamSetting2ViewController& s, int row, const std::string& text) {
    ui::TextField* field = countField(s, row);
    EXPECT_NE(field, nullptr) << "no field in row " << row << " rows " << s.mytableview()->numberOfRowsInSection(0);
    return field && h().type(*field, text);
  }
};

TEST_F(ExamSetting, SubjectsStartCheckedAndTheCheckedOnesAskForTheirStyles) {
  ExamSetting1ViewController* s = openSubjects();
  ASSERT_NE(s, nullptr);
  ui::TableView& table = *s->mytableview();
  EXPECT_EQ(rows(table), (std::vector<std::string>{"(常识综合)人文常识", "(常识综合)科技常识"}));
  EXPECT_EQ(checks(*s), (std::vector<bool>{true, true}));
  EXPECT_EQ(s->btnSelect()->currentTitle(), "取消全选");

  ASSERT_TRUE(tapRow(table, 0));
  EXPECT_EQ(checks(*s), (std::vector<bool>{false, true}));
  EXPECT_EQ(s->btnSelect()->currentTitle(), "全选");
  ASSERT_TRUE(tapRow(table, 0));
  EXPECT_EQ(s->btnSelect()->currentTitle(), "取消全选") << "every row checked again";

  // None checked: the alert, nothing sent.
  ASSERT_TRUE(tapButton(s->btnSelect()));
  EXPECT_EQ(checks(*s), (std::vector<bool>{false, false}));
  EXPECT_EQ(s->btnSelect()->currentTitle(), "全选");
  ASSERT_TRUE(tapButton(s->btnNext()));
  EXPECT_EQ(alertText(), "提示|您还没有选择科目，请您至少选择一项科目");
  ASSERT_TRUE(press("确定"));
  EXPECT_TRUE(paths("SbjsStyle").empty());
  EXPECT_EQ(h().topScreen(), s);

  // "全选" checks all; one unchecked leaves the other's id.
  ASSERT_TRUE(tapButton(s->btnSelect()));
  EXPECT_EQ(checks(*s), (std::vector<bool>{true, true}));
  ASSERT_TRUE(tapRow(table, 0));
  ASSERT_TRUE(tapButton(s->btnNext()));
  EXPECT_EQ(paths("SbjsStyle"), (std::vector<std::string>{"exam/SbjsStyle/GKSample/12"}));
  auto* second = topAs<ExamSetting2ViewController>();
  ASSERT_NE(second, nullptr);
  EXPECT_GT(second->styleList().size(), 0u);
  EXPECT_EQ(rows(*second->mytableview()).size(), second->styleList().size());

  navigation().popViewController(false);
  h().settle();
  clearJournal();
  ASSERT_TRUE(tapRow(table, 0));
  ASSERT_TRUE(tapButton(s->btnNext()));
  EXPECT_EQ(paths("SbjsStyle"), (std::vector<std::string>{"exam/SbjsStyle/GKSample/11,12"})) << "in row order";
}

TEST_F(ExamSetting, ALongSubjectNameGetsATallerRow) {
  struct Case {
    std::string name;
    double height;
  };
  // The 20-point system font: 14 wide characters take 280 points, 15 take 300.
  const Case cases[] = {{"", 44}, {"(常识)人文", 44}, {"一二三四五六七八九十一二三四", 44},
                        {"一二三四五六七八九十一二三四五", 60}};
  for (const Case& c : cases) EXPECT_EQ(ExamSetting1ViewController::rowHeightFor(c.name), c.height) << c.name;
}

TEST_F(ExamSetting, ACountTakesTwoDigitsAtMost) {
  ExamSetting2ViewController* s = openStyles();
  ASSERT_NE(s, nullptr);
  ASSERT_GE(s->styleList().size(), 2u);
  ASSERT_TRUE(typeCount(*s, 0, "1a2"));
  EXPECT_EQ(countField(*s, 0)->text(), "12") << "letters are refused";
  typeCount(*s, 0, "3");
  EXPECT_EQ(countField(*s, 0)->text(), "12") << "a third digit is refused";
  EXPECT_EQ(s->countAt(0), "12");
  EXPECT_EQ(s->countAt(1), "");
}

TEST_F(ExamSetting, NoCountAboveZeroAsksForCountsAndSendsNothing) {
  ExamSetting2ViewController* s = openStyles();
  ASSERT_NE(s, nullptr);
  ASSERT_TRUE(typeCount(*s, 0, "0"));
  ASSERT_TRUE(tapButton(s->btnStart()));
  EXPECT_EQ(alertText(), core::Bundle::main().localizedString("alertTitle") + "|请您设置答题数量，填写完毕后进入考试！");
  ASSERT_TRUE(press("确定"));
  EXPECT_TRUE(paths("VirtualExam").empty());
  EXPECT_EQ(h().topScreen(), s);
}

TEST_F(ExamSetting, TheExamAsksForEveryStyleAndOpensInExamMode) {
  ExamSetting2ViewController* s = openStyles();
  ASSERT_NE(s, nullptr);
  const std::size_t styles = s->styleList().size();
  ASSERT_GE(styles, 2u);
  ASSERT_TRUE(typeCount(*s, 0, "5"));
  ASSERT_TRUE(tapButton(s->btnStart()));

  const auto sent = requests("VirtualExam");
  ASSERT_EQ(sent.size(), 1u);
  const core::Value body = JSONValue(sent[0]["body"].toString());
  EXPECT_EQ(body["AppEName"].toString(), review_test::kSubject);
  EXPECT_EQ(body["Sbjs"].toString(), "11,12");
  ASSERT_EQ(body["KeyWord"].size(), styles) << "zero counts are sent too";
  for (std::size_t i = 0; i < styles; ++i) {
    EXPECT_EQ(body["KeyWord"][i]["Key"].toString(), s->styleList()[i]["StyleID"].describe());
    EXPECT_EQ(body["KeyWord"][i]["Value"].toInt(-1), i == 0 ? 5 : 0);
  }

  auto* answering = this->answering();
  ASSERT_NE(answering, nullptr);
  EXPECT_EQ(answering->pager()->testArray().size(), 5u);
  EXPECT_EQ(answering->calls, (std::vector<std::string>{"setTestPager:", "setOriginalMode:1", "setChapterName:模拟考试",
                                                        "setTestsJSON:", "setFunctionState:2", "setIsAllow:YES"}));
}

TEST_F(ExamSetting, AFailedExamSaysWhy) {
  struct Case {
    const char* name;
    std::function<void()> arrange;
    std::string message;
  };
  const Case cases[] = {
      {"the reply's message", [] { answer("1.0/json/exam/VirtualExam", R"({"Body":null,"Message":"题库维护中"})"); },
       "题库维护中"},
      {"no reply", [] { drop("1.0/json/exam/VirtualExam"); },
       core::Bundle::main().localizedString("requestFaile")},
  };
  ExamSetting2ViewController* s = openStyles();
  ASSERT_NE(s, nullptr);
  ASSERT_TRUE(typeCount(*s, 0, "5"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.arrange();
    ASSERT_TRUE(tapButton(s->btnStart()));
    EXPECT_EQ(alertText(), "模拟考试|" + c.message);
    ASSERT_TRUE(press("确定"));
    EXPECT_EQ(h().topScreen(), s);
  }
}

}  // namespace
}  // namespace practice_test
