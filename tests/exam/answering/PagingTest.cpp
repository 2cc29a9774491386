// The answering screen's pages: which question each of the three page views holds after a full build,
// after button moves and swipes, after refreshView and a redo; the screen takes no touch while a move
// or a page load runs.

#include <cmath>

#include "tests/exam/answering/AnsweringFixture.h"
#include "ui/FrameTimer.h"
#include "widgets/Dialog.h"

namespace answering_test {
namespace {

class Paging : public AnsweringFixture {};

TEST_F(Paging, AFullBuildLoadsTheQuestionAndTheNeighboursThatExist) {
  struct Case {
    int count, start;
    std::vector<int> views;  // by x, left to right
    int v2, v3;              // question in view 2 and view 3 (-1: none made)
  };
  const Case cases[] = {
      {1, 0, {0}, -1, -1},
      {5, 0, {0, 1}, -1, 1},
      {5, 2, {1, 2, 3}, 1, 3},
      {4, 3, {2, 3}, 2, -1},  // at the last: the previous into view 2, nothing into view 3
      {2, 1, {0, 1}, 0, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("count " + std::to_string(c.count) + " start " + std::to_string(c.start));
    open(questions(c.count), c.start);
    EXPECT_EQ(viewsHold(), c.views);
    EXPECT_EQ(current(), c.start);
    EXPECT_EQ(screen().pageScrollView()->contentOffset().x, 320.0 * c.start);
    EXPECT_EQ(screen().pageScrollView()->contentSize().width, 320.0 * c.count);
    auto holds = [&](int view) {
      auto page = screen().basetestVC(view);
      if (!page) return -1;
      const auto& all = screen().testPager()->testArray();
      return static_cast<int>(std::find(all.begin(), all.end(), page->currentTest()) - all.begin());
    };
    EXPECT_EQ(holds(1), c.start);
    EXPECT_EQ(holds(2), c.v2);
    EXPECT_EQ(holds(3), c.v3);
    EXPECT_EQ(screen().loadNumber(), 0);
    EXPECT_TRUE(screen().view().isUserInteractionEnabled());
    EXPECT_FALSE(screen().previousButton()->isHidden());
    nav_->popViewController(false);
    h().settle(0.5);
  }
}

TEST_F(Paging, TheEndsOfTheSetAreToldAndNothingMoves) {
  open(questions(1));
  ASSERT_TRUE(h().tap(*screen().nextButton()));
  EXPECT_EQ(toast(), ExammingViewController::kLastQuestion);
  h().advance(2);  // the toast goes
  ASSERT_TRUE(h().tap(*screen().previousButton()));
  EXPECT_EQ(toast(), ExammingViewController::kFirstQuestion);
  run(1);
  EXPECT_EQ(viewsHold(), (std::vector<int>{0}));
  EXPECT_EQ(screen().pageScrollView()->contentOffset().x, 0);
}

TEST_F(Paging, ButtonMovesRecycleTheViewLeftBehind) {
  open(questions(5));
  auto* v2 = screen().pageWebView(2).get();  // stands left of question 0, empty
  ASSERT_TRUE(tapMove(screen().nextButton()));
  EXPECT_EQ(current(), 1);
  EXPECT_EQ(screen().pageScrollView()->contentOffset().x, 320);
  EXPECT_EQ(viewsHold(), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(v2->frame().origin.x, 640);  // the old left view now holds question 2
  auto* v1 = screen().pageWebView(1).get();  // question 0, now on the left
  ASSERT_TRUE(tapMove(screen().nextButton()));
  EXPECT_EQ(current(), 2);
  EXPECT_EQ(viewsHold(), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(v1->frame().origin.x, 960);
  ASSERT_TRUE(tapMove(screen().previousButton()));
  EXPECT_EQ(current(), 1);
  EXPECT_EQ(viewsHold(), (std::vector<int>{0, 1, 2}));
}

// In the window a move takes its steps from the frames' times: each frame shows the slide the time since
// the click calls for (2 points a millisecond, the first 2 at the click), and the first frame at or past
// 159 ms ends it on the next question, whatever the frame rate.
TEST_F(Paging, AButtonMoveInTheWindowLastsItsTimeAtAnyFrameRate) {
  struct Frames : ui::FrameTimer::Driver {
    void wake() override {}
  } frames;
  for (const double interval : {1.0 / 60, 1.0 / 30, 0.045}) {
    SCOPED_TRACE(interval);
    open(questions(5));
    ui::FrameTimer::setDriver(&frames);
    ui::ScrollView& pages = *screen().pageScrollView();
    const double click = h().now();
    ASSERT_TRUE(h().tap(*screen().nextButton()));
    EXPECT_EQ(pages.contentOffset().x, 2);
    int shown = 0;
    double ms = 0;
    while (ms < 159 - 1e-6) {
      h().advance(interval);
      ui::FrameTimer::tickFrame(h().now());
      ms = (h().now() - click) * 1000;
      ++shown;
      if (ms < 159 - 1e-6) {
        EXPECT_GE(pages.contentOffset().x, 2 * ms - 1e-6);
        EXPECT_LE(pages.contentOffset().x, 2 * ms + 2 + 1e-6);
        EXPECT_EQ(current(), 0);
      }
    }
    EXPECT_EQ(shown, static_cast<int>(std::ceil(0.159 / interval - 1e-9)));
    EXPECT_EQ(pages.contentOffset().x, 320);
    EXPECT_EQ(current(), 1);
    EXPECT_EQ(screen().scrollSlide(), 0);  // the move has finished
    EXPECT_FALSE(ui::FrameTimer::running());
    run(0.2);
    EXPECT_EQ(viewsHold(), (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(screen().view().isUserInteractionEnabled());
    ui::FrameTimer::setDriver(nullptr);
    nav_->popViewController(false);
    h().settle(0.5);
  }
}

TEST_F(Paging, NoTouchIsTakenUntilTheMoveAndEveryLoadHaveEnded) {
  open(questions(5), 1);
  // The view on the left (question 0) gets question 3; its load is held.
  ui::WebView* left = nullptr;
  for (int i = 1; i <= 3; ++i)
    if (screen().pageWebView(i)->frame().origin.x == 0) left = screen().pageWebView(i).get();
  ASSERT_NE(left, nullptr);
  h().web(*left).setHoldLoads(true);
  ASSERT_TRUE(h().tap(*screen().nextButton()));
  EXPECT_FALSE(screen().view().isUserInteractionEnabled());
  h().advance(0.1);  // half way: 100 steps of 2 points
  EXPECT_GT(screen().pageScrollView()->contentOffset().x, 320 + 150);  // on its way
  EXPECT_LT(screen().pageScrollView()->contentOffset().x, 320 + 250);
  EXPECT_FALSE(h().tap(*screen().nextButton()));
  run(0.5);
  EXPECT_EQ(current(), 2);
  EXPECT_EQ(screen().loadNumber(), 1);
  EXPECT_FALSE(screen().view().isUserInteractionEnabled());  // the load still runs
  h().web(*left).setHoldLoads(false);
  h().web(*left).finishLoad();
  loadPages();
  EXPECT_EQ(screen().loadNumber(), 0);
  EXPECT_TRUE(screen().view().isUserInteractionEnabled());
  EXPECT_TRUE(screen().pageScrollView()->isScrollEnabled());
  EXPECT_EQ(viewsHold(), (std::vector<int>{1, 2, 3}));
}

TEST_F(Paging, ASwipeBroughtBackChangesNothingAndOnePastTheThresholdPages) {
  open(questions(5));
  ui::ScrollView& pages = *screen().pageScrollView();
  const ui::Rect shown = h().visibleRect(pages);
  const ui::Point middle{shown.origin.x + shown.width() / 2, shown.origin.y + shown.height() / 2};

  // 300 points to the left, then back where the finger began.
  ASSERT_TRUE(h().drag(pages, {-300, 0}, false));
  EXPECT_EQ(pages.contentOffset().x, 300);
  h().touchMove(middle);
  h().touchUp(middle);
  run(1);
  EXPECT_EQ(pages.contentOffset().x, 0);
  EXPECT_EQ(current(), 0);
  EXPECT_EQ(viewsHold(), (std::vector<int>{0, 1}));
  EXPECT_TRUE(pages.isScrollEnabled());

  // 311 points: the page moves on.
  EXPECT_TRUE(screen().view().isUserInteractionEnabled());
  EXPECT_FALSE(pages.isDecelerating());
  EXPECT_FALSE(pages.isTracking());
  ASSERT_TRUE(h().drag(pages, {-311, 0}));
  run(1);
  EXPECT_EQ(pages.contentOffset().x, 320);
  EXPECT_EQ(current(), 1);
  EXPECT_EQ(viewsHold(), (std::vector<int>{0, 1, 2}));
  EXPECT_TRUE(pages.isScrollEnabled());
  EXPECT_TRUE(screen().view().isUserInteractionEnabled());

  // and back, from question 1 to question 0
  ASSERT_TRUE(h().drag(pages, {320, 0}));
  run(1);
  EXPECT_EQ(current(), 0);
  EXPECT_EQ(pages.contentOffset().x, 0);
}

TEST_F(Paging, RefreshViewRebuildsTheThreePagesAtTheSameQuestionBehindTheProgressOverlay) {
  open(questions(5));
  ASSERT_TRUE(tapMove(screen().nextButton()));
  ASSERT_TRUE(tapMove(screen().nextButton()));
  ASSERT_EQ(current(), 2);
  screen().hideStyleHud();
  int loadsBefore = 0;
  for (int i = 1; i <= 3; ++i) {
    loadsBefore += h().web(*screen().pageWebView(i)).loadCount();
    h().web(*screen().pageWebView(i)).setHoldLoads(true);
  }
  screen().refreshView();
  loadPages();
  EXPECT_EQ(screen().loadNumber(), 3);
  EXPECT_TRUE(screen().isFirstHud());
  ASSERT_NE(Dialog::Instance()->HUD(), nullptr);  // the progress overlay on the window
  EXPECT_NE(h().find<ProgressHUD>(), nullptr);
  for (int i = 1; i <= 3; ++i) {
    auto& web = h().web(*screen().pageWebView(i));
    web.setHoldLoads(false);
    web.finishLoad();
    loadPages();
  }
  h().advance(1);
  int loadsAfter = 0;
  for (int i = 1; i <= 3; ++i) loadsAfter += h().web(*screen().pageWebView(i)).loadCount();
  EXPECT_EQ(loadsAfter, loadsBefore + 3);
  EXPECT_EQ(screen().loadNumber(), 0);
  EXPECT_FALSE(screen().isFirstHud());
  EXPECT_EQ(h().find<ProgressHUD>(), nullptr);
  EXPECT_EQ(current(), 2);
  EXPECT_EQ(screen().basetestVC(1)->currentTest(), screen().testPager()->testArray()[2]);
  EXPECT_EQ(viewsHold(), (std::vector<int>{1, 2, 3}));
}

TEST_F(Paging, RedoClearsEveryAnswerAndStartsAgainInTheModeItShould) {
  struct Case {
    AnsweringMode original, redo, expected;
  };
  const Case cases[] = {
      {AnsweringMode::Practice, AnsweringMode::Exam, AnsweringMode::Practice},
      {AnsweringMode::Exam, AnsweringMode::Practice, AnsweringMode::Exam},
      {AnsweringMode::Reading, AnsweringMode::Exam, AnsweringMode::Exam},
  };
  for (const Case& c : cases) {
    QuestionsArray tests = questions(4);
    tests[1]->state = AnswerState::Right;
    tests[1]->reply = "A";
    tests[3]->state = AnswerState::Wrong;
    tests[3]->reply = "B";
    open(tests, 3, c.original, false);
    screen().setRedoMode(c.redo);
    loadPages();
    EXPECT_EQ(screen().isShowExplain(), c.original == AnsweringMode::Reading);
    screen().againTest();
    run(1);
    EXPECT_EQ(screen().currentMode(), c.expected);
    EXPECT_FALSE(screen().isShowExplain());
    EXPECT_EQ(current(), 0);
    EXPECT_EQ(viewsHold(), (std::vector<int>{0, 1}));
    for (const auto& q : tests) {
      EXPECT_EQ(q->state, AnswerState::NotAnswered);
      EXPECT_EQ(q->reply, "");
    }
    nav_->popViewController(false);
    h().settle(0.5);
  }
}

TEST(Bars, TheNavigationBarFollowsAPageReadDownAndComesBackWhenTheReaderScrollsUp) {
  struct Case {
    double barY, lastOffsetY, offsetY;
    bool atBottom;
    double expected;
  };
  const Case cases[] = {
      {0, -44, -14, false, -30},   // reading down: the bar goes up as far
      {-30, -14, 86, false, -44},  // ... but not past its own height
      {-44, 86, 120, false, -44},  // hidden stays hidden while reading on
      {-44, 120, 100, false, -24}, // scrolling back brings it down as far
      {-24, 100, 40, false, 0},    // ... to its resting place, not below
      {-44, 300, 290, true, -44},  // the bounce at the page's end does not
  };
  for (const Case& c : cases) {
    ExammingViewController::BarInput in{c.barY, 44, 0, 0, c.lastOffsetY, c.offsetY, true, c.atBottom};
    EXPECT_EQ(ExammingViewController::followingBarY(in), c.expected) << c.barY << " " << c.offsetY;
  }
}

// The bar stands where the navigation controller put it, however often a set is opened and left: the
// screens that follow show their first row below it, not under it.
TEST_F(Paging, OpeningAndLeavingSetsLeavesTheBarAtTheTop) {
  ui::NavigationBar& bar = nav_->navigationBar();
  const double restingY = bar.frame().origin.y;
  for (int visit = 0; visit < 2; ++visit) {
    SCOPED_TRACE(visit);
    open(questions(3));
    EXPECT_EQ(bar.frame().origin.y, restingY);
    nav_->popViewController(false);
    h().settle(0.5);
    EXPECT_EQ(bar.frame().origin.y, restingY);
    screen_.reset();
  }
}

TEST_F(Paging, ThePageButtonsReadOverThePage) {
  // The page buttons over the page's white: white titles on a dark backing, not white on white.
  open(questions(3));
  for (ui::Button* b : {screen().previousButton(), screen().nextButton()}) {
    const ui::Color title = b->currentTitleColor();
    const ui::Color backing = b->backgroundColor();
    const double backingOverWhite = 1 - backing.a + backing.a * backing.r;
    EXPECT_GT(title.r - backingOverWhite, 0.4) << b->currentTitle() << " cannot be read over a white page";
  }
}

TEST_F(Paging, ThePageOfAQuestionThatFinishesAfterTheScreenIsGoneIsDropped) {
  open(questions(3), 0, AnsweringMode::Practice, false);
  std::weak_ptr<ExammingViewController> weak = screen_;
  ASSERT_NE(Dialog::Instance()->HUD(), nullptr);  // the first pages are on their way
  nav_->popViewController(false);
  screen_.reset();
  h().advance(0.5);
  loadPages();  // the pages built meanwhile find no screen
  EXPECT_TRUE(weak.expired());
  EXPECT_EQ(Dialog::Instance()->HUD(), nullptr);  // and the progress overlay went with it
}

}  // namespace
}  // namespace answering_test
