// The load-more footer under a paged list, driven by dragging the list as a person would.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "WidgetTestSupport.h"
#include "ui/TableView.h"
#include "ui/test/Harness.h"
#include "widgets/LoadMoreFooterView.h"

namespace {

constexpr const char* kPullText = "上拉即可加载更多...";
constexpr const char* kReleaseText = "松开即可加载更多...";
constexpr const char* kLoadingText = "加载中...";

// A list screen as the note lists are: it forwards its table's scroll events to the footer and loads a
// page when the footer asks.
struct NoteList : ui::TableViewDataSource, ui::TableViewDelegate, LoadMoreFooterViewDelegate {
  int rows = 10;
  int triggers = 0;
  bool reportsLoading = false;
  LoadMoreFooterView* footer = nullptr;

  int numberOfRowsInSection(ui::TableView&, int) override { return rows; }
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView&, ui::IndexPath ip) override {
    auto cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, "note");
    cell->textLabel()->setText("note " + std::to_string(ip.row));
    return cell;
  }
  void scrollViewDidScroll(ui::ScrollView& s) override { footer->loadMoreScrollViewDidScroll(s); }
  void scrollViewDidEndDragging(ui::ScrollView& s, bool) override {
    footer->loadMoreshScrollViewDidEndDragging(s);
  }
  void loadMoreTableFooterDidTriggerRefresh(LoadMoreFooterView&) override { ++triggers; }
  bool loadMoreTableFooterDataSourceIsLoading(LoadMoreFooterView&) override { return reportsLoading; }
};

struct FooterFixture : ::testing::Test {
  ui::test::Harness h;
  std::shared_ptr<ui::TableView> table = std::make_shared<ui::TableView>(ui::Rect{0, 0, 320, 400});
  std::shared_ptr<NoteList> list = std::make_shared<NoteList>();
  std::shared_ptr<LoadMoreFooterView> footer = std::make_shared<LoadMoreFooterView>(ui::Rect{0, 0, 320, 40});

  // 10 rows of 60 points and the 40-point footer: 640 points of content in a 400-point table, so the
  // end of the content shows at offset 240.
  void SetUp() override {
    list->footer = footer.get();
    footer->setDelegate(list);
    table->setRowHeight(60);
    table->setDataSource(list);
    table->setDelegate(list);
    table->setTableFooterView(footer);
    h.setRoot(widgettest::screen([this](ui::View& v) { v.addSubview(table); }));
    table->reloadData();
  }
  double contentHeight() const { return table->contentSize().height; }
  // Drags the list up by `finger` points from its top; past the end the content moves half as far.
  bool pullUp(double finger, bool release = true) { return h.drag(*table, {0, -finger}, release); }
};

}  // namespace

TEST_F(FooterFixture, StartsReadyToPull) {
  EXPECT_EQ(footer->state(), LoadMoreFooterView::kStateNormal);
  EXPECT_EQ(footer->statusLabel().text(), kPullText);
  EXPECT_FALSE(footer->activityView().isAnimating());
  EXPECT_FALSE(footer->arrowImage().isHidden());
  EXPECT_EQ(contentHeight(), 640);
}

// Letting go 60 points past the end does nothing; 61 points asks for the next page once and keeps the
// footer in view by lengthening the content by 60.
TEST_F(FooterFixture, ReleaseTriggersOnlyPastSixtyPoints) {
  struct Case {
    const char* name;
    double finger;
    double offsetAtRelease;
    int triggers;
    int state;
    double content;
  };
  const Case cases[] = {
      {"to the end", 240, 240, 0, LoadMoreFooterView::kStateNormal, 640},
      {"60 points past the end", 360, 300, 0, LoadMoreFooterView::kStateNormal, 640},
      {"61 points past the end", 362, 301, 1, LoadMoreFooterView::kStateLoading, 700},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    table->setContentOffset({0, 0});
    ASSERT_TRUE(pullUp(c.finger, false));
    EXPECT_DOUBLE_EQ(table->contentOffset().y, c.offsetAtRelease);
    h.touchUp({160, 220 - c.finger});
    h.settle();
    EXPECT_EQ(list->triggers, c.triggers);
    EXPECT_EQ(footer->state(), c.state);
    EXPECT_EQ(contentHeight(), c.content);
  }
  EXPECT_EQ(footer->statusLabel().text(), kLoadingText);
  EXPECT_TRUE(footer->activityView().isAnimating());
  EXPECT_TRUE(footer->arrowImage().isHidden());
}

TEST_F(FooterFixture, TextFollowsTheDragAndTheArrowTurns) {
  ASSERT_TRUE(pullUp(362, false));
  EXPECT_EQ(footer->state(), LoadMoreFooterView::kStatePulling);
  EXPECT_EQ(footer->statusLabel().text(), kReleaseText);
  auto turn = h.animations().last(footer->arrowImage(), ui::AnimatableProperty::Transform);
  ASSERT_TRUE(turn.has_value());
  EXPECT_DOUBLE_EQ(turn->duration, LoadMoreFooterView::kArrowAnimationDuration);
  EXPECT_NEAR(std::get<ui::Transform>(turn->to).a, std::cos(std::numbers::pi), 1e-9);

  // Back above the line while still dragging (the content is scrolled down): ready to pull again.
  h.touchMove({160, 220 - 320});
  EXPECT_DOUBLE_EQ(table->contentOffset().y, 280);
  EXPECT_EQ(footer->state(), LoadMoreFooterView::kStateNormal);
  EXPECT_EQ(footer->statusLabel().text(), kPullText);
  EXPECT_TRUE(footer->arrowImage().transform().isIdentity());
  h.touchUp({160, 220 - 320});
  h.settle();
  EXPECT_EQ(list->triggers, 0);
}

TEST_F(FooterFixture, DragBackWithTheContentAtItsTopKeepsTheReleaseText) {
  // Two rows: 160 points of content in a 400-point table, so any pull goes past the line.
  list->rows = 2;
  table->setAlwaysBounceVertical(true);
  table->reloadData();
  ASSERT_TRUE(pullUp(20, false));
  EXPECT_EQ(footer->state(), LoadMoreFooterView::kStatePulling);
  // Pulled down past the top: the bottom is above the line, but the offset is not above 0.
  h.touchMove({160, 220 + 400});
  EXPECT_LT(table->contentOffset().y, 0);
  EXPECT_EQ(footer->state(), LoadMoreFooterView::kStatePulling);
  h.touchUp({160, 220 + 400});
  h.settle();
  EXPECT_EQ(list->triggers, 0);
}

TEST_F(FooterFixture, DragsDuringLoadingAreIgnored) {
  pullUp(362);
  h.settle();
  ASSERT_EQ(list->triggers, 1);
  ASSERT_EQ(contentHeight(), 700);
  // Far past the end of the lengthened content.
  ASSERT_TRUE(pullUp(600));
  h.settle();
  EXPECT_EQ(list->triggers, 1);
  EXPECT_EQ(footer->state(), LoadMoreFooterView::kStateLoading);
  EXPECT_EQ(contentHeight(), 700);
}

TEST_F(FooterFixture, ALoadingDataSourceBlocksTheTrigger) {
  list->reportsLoading = true;
  pullUp(400, false);
  EXPECT_EQ(footer->state(), LoadMoreFooterView::kStateNormal);
  h.touchUp({160, 220 - 400});
  h.settle();
  EXPECT_EQ(list->triggers, 0);
  EXPECT_EQ(contentHeight(), 640);
}

TEST_F(FooterFixture, OnlyDraggingMovesTheFooter) {
  table->setContentOffset({0, 400});  // by program, far past the end
  EXPECT_EQ(footer->state(), LoadMoreFooterView::kStateNormal);
}

TEST_F(FooterFixture, WithoutADelegateTheTriggerStillShowsLoading) {
  footer->setDelegate({});
  pullUp(362);
  h.settle();
  EXPECT_EQ(footer->state(), LoadMoreFooterView::kStateLoading);
  EXPECT_EQ(contentHeight(), 700);
}

// The finishing call gives back exactly what the trigger added, and nothing else.
TEST_F(FooterFixture, FinishingGivesBackOnlyWhatTheTriggerAdded) {
  // No trigger: nothing to give back.
  footer->loadMoreshScrollViewDataSourceDidFinishedLoading(*table);
  EXPECT_EQ(contentHeight(), 640);

  // One trigger, one finish.
  pullUp(362);
  h.settle();
  ASSERT_EQ(contentHeight(), 700);
  footer->loadMoreshScrollViewDataSourceDidFinishedLoading(*table);
  EXPECT_EQ(contentHeight(), 640);
  EXPECT_EQ(footer->state(), LoadMoreFooterView::kStateNormal);
  EXPECT_EQ(footer->statusLabel().text(), kPullText);
  EXPECT_FALSE(footer->activityView().isAnimating());
  EXPECT_FALSE(footer->arrowImage().isHidden());
  // A second finish for the same load takes nothing more.
  footer->loadMoreshScrollViewDataSourceDidFinishedLoading(*table);
  EXPECT_EQ(contentHeight(), 640);

  // The page arrives and the list reloads before it finishes: the reload already dropped the extra.
  pullUp(362);
  h.settle();
  ASSERT_EQ(list->triggers, 2);
  list->rows = 20;
  table->reloadData();
  ASSERT_EQ(contentHeight(), 1240);
  footer->loadMoreshScrollViewDataSourceDidFinishedLoading(*table);
  EXPECT_EQ(contentHeight(), 1240);
  EXPECT_EQ(footer->addedContentHeight(), 0);

  // The longer list triggers again at its own end (1240 - 400 = 840) and finishes cleanly.
  pullUp(840 + 122);
  h.settle();
  EXPECT_EQ(list->triggers, 3);
  footer->loadMoreshScrollViewDataSourceDidFinishedLoading(*table);
  EXPECT_EQ(contentHeight(), 1240);
}

TEST_F(FooterFixture, OtherStatesAreOnlyStored) {
  footer->setState(7);
  EXPECT_EQ(footer->state(), 7);
  EXPECT_EQ(footer->statusLabel().text(), kPullText);
}
