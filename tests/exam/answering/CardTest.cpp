// The answer card: groups by style in set order, the filters and their titles, the colours by mode and
// state, the row layout, and the jump back to the answering screen.

#include "exam/QuestionCardViewController.h"
#include "tests/exam/answering/AnsweringFixture.h"
#include "ui/Image.h"
#include "ui/Label.h"

namespace answering_test {
namespace {

class Card : public AnsweringFixture {
 protected:
  // A set whose styles are scattered: 单选题 at 1-3 and 7-9, 多选题 at 4-6 (numbers from 1); answers:
  // 1 right, 2 wrong, 5 wrong, 8 right; the others unanswered.
  QuestionsArray scattered() {
    QuestionsArray tests;
    for (int n = 0; n < 9; ++n)
      tests.push_back(n >= 3 && n < 6 ? question(n, "多选题", "多选") : question(n, "单选题", "单选"));
    tests[0]->state = AnswerState::Right;
    tests[1]->state = AnswerState::Wrong;
    tests[4]->state = AnswerState::Wrong;
    tests[7]->state = AnswerState::Right;
    return tests;
  }

  QuestionCardViewController& openCard() {
    screen().hiddenMoreView();
    EXPECT_TRUE(h().tap(*screen().btnCard()));
    h().settle(1);
    auto* card = dynamic_cast<QuestionCardViewController*>(h().topScreen());
    EXPECT_NE(card, nullptr);
    return *card;
  }

  // What the table shows: per group, its style and the numbers of its buttons.
  std::vector<std::pair<std::string, std::vector<std::string>>> groups(QuestionCardViewController& card) {
    std::vector<std::pair<std::string, std::vector<std::string>>> out;
    ui::TableView& table = *card.contentTableVC();
    for (int s = 0; s < table.numberOfSections(); ++s) {
      std::vector<std::string> numbers;
      ui::TableViewCell* cell = table.cellForRowAtIndexPath({s, 0});
      if (!cell) continue;  // every group of these sets fits on the card
      for (const auto& v : cell->contentView().subviews())
        if (auto* b = dynamic_cast<ui::Button*>(v.get())) numbers.push_back(b->currentTitle());
      out.push_back({card.arrSection()[static_cast<std::size_t>(s)], numbers});
    }
    return out;
  }
  ui::Button* numberButton(const std::string& number) {
    return h().find<ui::Button>([&](const ui::Button& b) {
      return b.currentTitle() == number && dynamic_cast<QuestionCardViewController*>(h().topScreen());
    });
  }
};

using Groups = std::vector<std::pair<std::string, std::vector<std::string>>>;

TEST_F(Card, GroupsByStyleInSetOrderAndFiltersKeepTheSetsNumbers) {
  open(scattered(), 2);
  QuestionCardViewController& card = openCard();
  EXPECT_FALSE(card.trainSegmented()->isHidden());
  EXPECT_TRUE(card.testSegmented()->isHidden());
  EXPECT_FALSE(card.hintView()->isHidden());
  EXPECT_EQ(card.trainSegmented()->titleForSegmentAtIndex(0), "全部(9)");
  EXPECT_EQ(card.trainSegmented()->titleForSegmentAtIndex(1), "答错(2)");
  EXPECT_EQ(card.trainSegmented()->titleForSegmentAtIndex(2), "未答(5)");
  EXPECT_EQ(groups(card), (Groups{{"单选题", {"1", "2", "3", "7", "8", "9"}}, {"多选题", {"4", "5", "6"}}}));

  ASSERT_TRUE(h().selectSegment(*card.trainSegmented(), 1));
  EXPECT_EQ(groups(card), (Groups{{"单选题", {"2"}}, {"多选题", {"5"}}}));
  ASSERT_TRUE(h().selectSegment(*card.trainSegmented(), 2));
  EXPECT_EQ(groups(card), (Groups{{"单选题", {"3", "7", "9"}}, {"多选题", {"4", "6"}}}));
  ASSERT_TRUE(h().selectSegment(*card.trainSegmented(), 0));
  EXPECT_EQ(card.contentTableVC()->numberOfSections(), 2);

  // Colours in practice: right green, wrong red, others white; the current question's number black.
  ui::Button* one = numberButton("1");
  ui::Button* two = numberButton("2");
  ui::Button* three = numberButton("3");
  ASSERT_TRUE(one && two && three);
  EXPECT_EQ(one->currentBackgroundImage()->name(), "testcard_green_btn");
  EXPECT_EQ(two->currentBackgroundImage()->name(), "testcard_red_btn");
  EXPECT_EQ(three->currentBackgroundImage()->name(), "testcard_white_btn");
  EXPECT_EQ(three->currentTitleColor(), ui::Color::black());
  EXPECT_EQ(one->currentTitleColor(), ui::Color::lightGray());
}

TEST_F(Card, AFilterWithNoQuestionShowsNoGroups) {
  open(questions(3));  // nothing answered, nothing wrong
  QuestionCardViewController& card = openCard();
  EXPECT_EQ(card.trainSegmented()->titleForSegmentAtIndex(1), "答错(0)");
  ASSERT_TRUE(h().selectSegment(*card.trainSegmented(), 1));
  EXPECT_EQ(card.contentTableVC()->numberOfSections(), 0);
}

TEST_F(Card, InExamModeWrongShowsBlueLikeRightAndOnlyAllAndNotAnsweredAreOffered) {
  open(scattered(), 0, AnsweringMode::Exam);
  QuestionCardViewController& card = openCard();
  EXPECT_TRUE(card.trainSegmented()->isHidden());
  EXPECT_FALSE(card.testSegmented()->isHidden());
  EXPECT_TRUE(card.hintView()->isHidden());
  EXPECT_EQ(card.testSegmented()->titleForSegmentAtIndex(0), "全部(9)");
  EXPECT_EQ(card.testSegmented()->titleForSegmentAtIndex(1), "未答(5)");
  EXPECT_EQ(numberButton("1")->currentBackgroundImage()->name(), "testcard_blue_btn");
  EXPECT_EQ(numberButton("2")->currentBackgroundImage()->name(), "testcard_blue_btn");
  EXPECT_EQ(numberButton("3")->currentBackgroundImage()->name(), "testcard_white_btn");
  ASSERT_TRUE(h().selectSegment(*card.testSegmented(), 1));
  EXPECT_EQ(groups(card), (Groups{{"单选题", {"3", "7", "9"}}, {"多选题", {"4", "6"}}}));
}

TEST_F(Card, RowsWrapAtTheColumnsTheWidthHolds) {
  struct Case {
    double width;
    int count, columns;
    double height;
  };
  const Case cases[] = {
      {320, 5, 5, 72}, {320, 6, 5, 134}, {300, 4, 4, 72}, {300, 5, 4, 134}, {300, 9, 4, 196},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(QuestionCardViewController::columns(c.width), c.columns) << c.width;
    EXPECT_EQ(QuestionCardViewController::rowHeight(c.count, c.columns), c.height) << c.count;
  }
  // On the card (320 wide, 5 a line): six questions of one style make two lines; the sixth starts the
  // second line.
  open(questions(6));
  QuestionCardViewController& card = openCard();
  ui::TableView& table = *card.contentTableVC();
  EXPECT_EQ(card.heightForRowAtIndexPath(table, {0, 0}), 134);
  EXPECT_EQ(numberButton("5")->frame(), ui::Rect(4 * 62 + 10, 10, 52, 52));
  EXPECT_EQ(numberButton("6")->frame(), ui::Rect(10, 72, 52, 52));
}

TEST_F(Card, ANumberJumpsTheAnsweringScreenThereAndTheCardCloses) {
  open(scattered(), 0);
  openCard();
  ui::Button* eight = numberButton("8");
  ASSERT_NE(eight, nullptr);
  ASSERT_TRUE(h().tap(*eight));
  run(1);
  EXPECT_EQ(h().topScreen(), &screen());
  EXPECT_EQ(current(), 7);
  EXPECT_EQ(screen().pageScrollView()->contentOffset().x, 7 * 320);
  EXPECT_EQ(viewsHold(), (std::vector<int>{6, 7, 8}));
  // The card's back button closes it without a jump.
  openCard();
  ASSERT_TRUE(h().tap(*h().button("返回")));
  h().settle(1);
  EXPECT_EQ(h().topScreen(), &screen());
  EXPECT_EQ(current(), 7);
}

}  // namespace
}  // namespace answering_test
