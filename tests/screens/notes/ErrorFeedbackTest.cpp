// Error reports on a question (kinds, texts, what is sent, what the user is told) and the list of the
// user's earlier reports with their deletion.

#include <optional>

#include "NotesFixture.h"
#include "screens/notes/ErrorFeedbackViewController.h"
#include "screens/notes/FeedbackRecordViewController.h"
#include "ui/ImageView.h"

using namespace notes_test;

namespace {

const char* kKinds[] = {"试题有错字", "试题重复了", "答案有误", "其他"};
constexpr int kSampleBatch = 2;  // the highest batch of the sample bank as shipped

class ErrorReports : public NotesFixture {
 protected:
  ErrorFeedbackViewController& open() {
    auto test = std::make_shared<Questions>();
    test->AllTestID = "1001";
    screen_ = make<ErrorFeedbackViewController>("errorFeedback");
    EXPECT_TRUE(screen_);
    screen_->setCurrentTest(test);
    push(screen_);
    return *screen_;
  }
  void choose(const std::vector<int>& kinds) {
    for (int k : kinds) ASSERT_TRUE(h().tap(*h().button(kKinds[k]))) << kKinds[k];
  }
  void write(const std::string& text) { ASSERT_TRUE(h().type(*screen_->feedbackTextView(), text)); }
  void submit() {
    ASSERT_TRUE(h().tap(*h().button(ErrorFeedbackViewController::kSubmitTitle)));
    settleRequests();
  }
  std::vector<bool> selected() {
    return {screen_->erratumBtn()->isSelected(), screen_->repeatBtn()->isSelected(),
            screen_->answerBtn()->isSelected(), screen_->othersBtn()->isSelected()};
  }

  std::shared_ptr<ErrorFeedbackViewController> screen_;
};

}  // namespace

TEST_F(ErrorReports, OneKindAtATimeAndOtherWhenNoneIsChosen) {
  struct Case {
    std::vector<int> taps;
    std::vector<bool> selected;  // 试题有错字, 试题重复了, 答案有误, 其他 (whose selected look is unchecked)
  };
  const Case cases[] = {
      {{}, {false, false, false, false}},     {{0}, {true, false, false, true}},
      {{1}, {false, true, false, true}},      {{0, 2}, {false, false, true, true}},
      {{1, 3}, {false, false, false, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.taps));
    open();
    choose(c.taps);
    EXPECT_EQ(selected(), c.selected);
    navigation().popViewController(false);
    h().settle();
  }
  open();
  choose({1});
  screen_->isChooesClick(7);  // no such kind
  EXPECT_EQ(selected(), (std::vector<bool>{false, true, false, true}));
}

TEST_F(ErrorReports, AReportNamesTheQuestionTheBatchTheKindAndTheText) {
  struct Case {
    const char* name;
    std::vector<int> kinds;
    std::optional<std::string> text;  // nullopt: the prompt is left as it is
    const char* label;
  };
  const Case cases[] = {
      {"answer, prompt untouched", {2}, std::nullopt, "答案有误;"},
      {"typo with a text", {0}, "第二个选项有错字", "试题有错字;"},
      {"other with a text", {0, 3}, "题干不完整", "其他;"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(server().clearJournal());
    open();
    choose(c.kinds);
    if (c.text) write(*c.text);
    submit();
    const auto sent = requests("UserSuggestion");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(header(sent[0], "Client-Type"), "Entitled_Revised_Wrong");
    const core::Value expected =
        core::Dictionary{{"AppCName", "常识综合（样例）"},
                         {"AppEName", kSubject},
                         {"AppVersion", "iPhone版" + core::Bundle::main().version()},
                         {"Content", "AllTestId:1001/R/NBatchId:" + std::to_string(kSampleBatch) + "/R/N" +
                                         c.text.value_or("")},
                         {"StarNum", c.label},
                         {"UserName", "user01"},
                         {"phone", ""}};
    EXPECT_EQ(JSONValue(sent[0]["body"].toString()), expected);
    EXPECT_EQ(alertMessage(), "提交成功，感谢您的反馈！");
    EXPECT_EQ(h().topScreen(), navigation().viewControllers().front().get()) << "the screen is left";
    ASSERT_TRUE(h().press("OK"));
    h().settle();
  }
}

TEST_F(ErrorReports, OtherNeedsAText) {
  const std::vector<int> choices[] = {{}, {3}, {0, 3}};
  for (const auto& kinds : choices) {
    SCOPED_TRACE(testing::PrintToString(kinds));
    open();
    choose(kinds);
    submit();
    EXPECT_EQ(alertMessage(), ErrorFeedbackViewController::kMissingMessage);
    EXPECT_EQ(h().alert()->title(), "提示");
    EXPECT_TRUE(requests("UserSuggestion").empty());
    ASSERT_TRUE(h().press("OK"));
    h().settle();
    navigation().popViewController(false);
    h().settle();
  }
}

TEST_F(ErrorReports, ARefusalOrNoReplyIsExplainedAndTheScreenStays) {
  const auto reply = [](const char* message) {
    return core::Dictionary{{"Body", false}, {"Message", message}, {"LoginState", 1}};
  };
  struct Case {
    core::Value fault;
    std::string message;
  };
  const Case cases[] = {
      {core::Dictionary{{"body", reply("请选择错误类型")}}, "请选择错误类型"},
      {core::Dictionary{{"body", reply("")}}, core::Bundle::main().localizedString("nodataMessage")},
      {core::Dictionary{{"drop", true}, {"count", 2}}, core::Bundle::main().localizedString("requestFaile")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    core::Value f = c.fault.deepCopy();
    f.set("path", "/api/1.0/json/user/UserSuggestion");
    fault(f);
    open();
    choose({1});
    submit();
    EXPECT_EQ(alertMessage(), c.message);
    EXPECT_EQ(h().topScreen(), screen_.get());
    ASSERT_TRUE(h().press("OK"));
    h().settle();
  }

  loopback_.network().setStatus(0);
  app().reachabilityChanged({});
  ASSERT_TRUE(server().clearJournal());
  submit();
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->title(), "断网提示");
  EXPECT_TRUE(requests("UserSuggestion").empty());
}

TEST_F(ErrorReports, TheRecordsListTheUsersReportsAndDeleteThem) {
  const core::Value seeded = serverGet("1.0/json/user/GetSuggestion")["Body"][0];
  open();
  ASSERT_TRUE(h().tap(*screen_->feedbackLab()));
  settleRequests();
  auto* records = dynamic_cast<FeedbackRecordViewController*>(h().topScreen());
  ASSERT_NE(records, nullptr);
  EXPECT_EQ(records->title(), "反馈记录");
  ui::TableViewCell* cell = records->tableView()->cellForRowAtIndexPath({0, 0});
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(cell->textLabel()->text(), "1.答案有误;答案应该是C");
  EXPECT_EQ(cell->detailTextLabel()->text(), "出自" + seeded[3].toString());
  EXPECT_EQ(records->emptyImage(), nullptr);

  // The server keeps it: the list stays.
  fault(
      core::Dictionary{{"path", "/api/1.0/json/user/RemoveSuggestion/*"},
                       {"body", core::Dictionary{{"Body", 0}, {"Message", "删除失败"}, {"LoginState", 1}}}});
  ASSERT_TRUE(server().clearJournal());
  ASSERT_TRUE(h().tap(*cell->accessoryView()));
  EXPECT_EQ(alertMessage(), FeedbackRecordViewController::kDeleteQuestion);
  ASSERT_TRUE(h().press("确定"));
  settleRequests();
  EXPECT_EQ(alertMessage(), FeedbackRecordViewController::kDeleteFailedMessage);
  EXPECT_TRUE(requests("GetSuggestion").empty());
  EXPECT_EQ(records->tableView()->numberOfRowsInSection(0), 1);
  ASSERT_TRUE(h().press("OK"));
  h().settle();

  // Deleted: said so, fetched again, and with nothing left the empty image covers the screen.
  ASSERT_TRUE(server().clearJournal());
  ASSERT_TRUE(h().tap(*records->tableView()->cellForRowAtIndexPath({0, 0})->accessoryView()));
  ASSERT_TRUE(h().press("确定"));
  settleRequests();
  const auto removed = requests("RemoveSuggestion");
  ASSERT_EQ(removed.size(), 1u);
  EXPECT_EQ(removed[0]["decoded_path"].toString(),
            "/api/1.0/json/user/RemoveSuggestion/GKSample/" + seeded[0].toString());
  EXPECT_EQ(alertMessage(), FeedbackRecordViewController::kDeletedMessage);
  EXPECT_EQ(requests("GetSuggestion").size(), 1u);
  ASSERT_NE(records->emptyImage(), nullptr);
  EXPECT_EQ(records->emptyImage()->image()->name(), FeedbackRecordViewController::kEmptyImage);
  EXPECT_EQ(h().visibleRect(*records->emptyImage()), h().visibleRect(records->view()));
  EXPECT_EQ(records->tableView()->numberOfRowsInSection(0), 0);
}

TEST(ErrorReportRecords, TheShownTextFollowsTheSecondN) {
  struct Case {
    const char* content;
    const char* shown;
  };
  const Case cases[] = {
      {"AllTestId:1001/R/NBatchId:2/R/N答案应该是C", "答案应该是C"},
      {"AllTestId:1001/R/NBatchId:2/R/N", ""},
      {"只有一个N在这里", "只有一个N在这里"},
      {"没有字母", "没有字母"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FeedbackRecordViewController::shownContent(c.content), c.shown) << c.content;
}
