// Table editing: swipe to delete (the confirmation button, its commit, a touch elsewhere), row
// deletion with the data source's counts checked, multiple selection while editing, and the
// segmented control.

#include <gtest/gtest.h>

#include <set>

#include "Screens.h"
#include "ui/SegmentedControl.h"
#include "ui/TableView.h"
#include "ui/test/Harness.h"

using namespace ui;
using uitest::screen;

namespace {

// Rows "r0".."rN" that can be edited except those listed; a commit takes the row out.
struct EditableRows : TableViewDataSource, TableViewDelegate {
  std::vector<std::string> rows;
  std::set<int> locked;
  std::vector<std::string> events;
  bool commitDeletes = true;
  bool lieAboutCount = false;

  int numberOfRowsInSection(TableView&, int) override {
    return static_cast<int>(rows.size()) + (lieAboutCount ? 1 : 0);
  }
  std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& tv, IndexPath ip) override {
    auto cell = tv.dequeueReusableCellWithIdentifier("row");
    if (!cell) cell = std::make_shared<TableViewCell>(TableViewCellStyle::Default, "row");
    const auto r = static_cast<std::size_t>(ip.row);
    cell->textLabel()->setText(r < rows.size() ? rows[r] : "?");
    return cell;
  }
  bool canEditRowAtIndexPath(TableView&, IndexPath ip) override { return !locked.count(ip.row); }
  std::string titleForDeleteConfirmationButtonForRowAtIndexPath(TableView&, IndexPath) override {
    return "移除";
  }
  void commitEditingStyle(TableView& tv, TableViewCellEditingStyle style, IndexPath ip) override {
    events.push_back("commit " + rows[static_cast<std::size_t>(ip.row)]);
    if (!commitDeletes) return;
    rows.erase(rows.begin() + ip.row);
    tv.deleteRowsAtIndexPaths({ip}, TableViewRowAnimation::Automatic);
  }
  void didSelectRowAtIndexPath(TableView&, IndexPath ip) override {
    events.push_back("select " + ip.toString());
  }
  void didDeselectRowAtIndexPath(TableView&, IndexPath ip) override {
    events.push_back("deselect " + ip.toString());
  }
};

struct EditStage {
  test::Harness h;
  std::shared_ptr<EditableRows> source = std::make_shared<EditableRows>();
  std::shared_ptr<TableView> table;
  explicit EditStage(int count = 30) {
    for (int i = 0; i < count; ++i) source->rows.push_back("r" + std::to_string(i));
    h.setRoot(screen("List", [this](View& v) {
      table = std::make_shared<TableView>(v.bounds());
      table->setDataSource(source);
      table->setDelegate(source);
      v.addSubview(table);
      table->reloadData();
    }));
  }
  std::string text(int row) { return table->cellForRowAtIndexPath({0, row})->textLabel()->text(); }
};

}  // namespace

TEST(TableEditing, ASwipeShowsTheConfirmationAndItsTapCommitsTheDeletion) {
  EditStage s;
  ASSERT_TRUE(s.h.swipeToDelete(*s.table, {0, 2}));
  TableViewCell* cell = s.table->cellForRowAtIndexPath({0, 2});
  ASSERT_NE(cell->deleteConfirmationButton(), nullptr);
  EXPECT_EQ(cell->deleteConfirmationButton()->currentTitle(), "移除");
  EXPECT_TRUE(s.source->events.empty()) << "a swipe neither selects nor commits";

  ASSERT_TRUE(s.h.confirmDelete(*s.table));
  EXPECT_EQ(s.source->events, (std::vector<std::string>{"commit r2"}));
  EXPECT_EQ(s.table->numberOfRowsInSection(0), 29);
  EXPECT_EQ(s.text(2), "r3") << "the rows below move up";
  EXPECT_FALSE(s.table->rowShowingDeleteConfirmation());
}

TEST(TableEditing, ATouchBesideTheConfirmationOnlyTakesItAway) {
  EditStage s;
  ASSERT_TRUE(s.h.swipeToDelete(*s.table, {0, 4}));
  ASSERT_TRUE(s.h.tapRow(*s.table, {0, 1}));
  EXPECT_FALSE(s.table->rowShowingDeleteConfirmation());
  EXPECT_EQ(s.table->cellForRowAtIndexPath({0, 4})->deleteConfirmationButton(), nullptr);
  EXPECT_TRUE(s.source->events.empty()) << "the touch that hid the button selects nothing";
  ASSERT_TRUE(s.h.tapRow(*s.table, {0, 1}));
  EXPECT_EQ(s.source->events, (std::vector<std::string>{"select [0,1]"}));
}

TEST(TableEditing, NoSwipeOnLockedRowsWhileEditingOrForVerticalMoves) {
  EditStage s;
  s.source->locked = {3};
  EXPECT_FALSE(s.h.swipeToDelete(*s.table, {0, 3})) << "a row the data source does not let be edited";
  TableViewCell* cell = s.table->cellForRowAtIndexPath({0, 6});
  const Rect r = s.h.visibleRect(*cell);
  s.h.pan(s.h.window(), {r.maxX() - 20, r.midY()}, {r.maxX() - 60, r.midY() + 60});  // mostly downwards
  EXPECT_FALSE(s.table->rowShowingDeleteConfirmation());
  s.table->setEditing(true);
  EXPECT_FALSE(s.h.swipeToDelete(*s.table, {0, 6}));
}

TEST(TableEditing, MultipleSelectionWhileEditingTogglesRowsAndEndsWithEditing) {
  EditStage s;
  s.table->selectRowAtIndexPath(IndexPath{0, 0}, false);
  s.table->setAllowsMultipleSelectionDuringEditing(true);
  s.table->setEditing(true);
  EXPECT_TRUE(s.table->indexPathsForSelectedRows().empty()) << "editing starts without a selection";
  TableViewCell* cell = s.table->cellForRowAtIndexPath({0, 1});
  EXPECT_TRUE(cell->isEditing());
  ASSERT_NE(cell->selectionMark(), nullptr);
  EXPECT_EQ(cell->contentView().frame().minX(), TableViewCell::kEditingIndent);

  ASSERT_TRUE(s.h.tapRow(*s.table, {0, 5}));
  ASSERT_TRUE(s.h.tapRow(*s.table, {0, 1}));
  ASSERT_TRUE(s.h.tapRow(*s.table, {0, 5}));
  ASSERT_TRUE(s.h.tapRow(*s.table, {0, 25}));  // scrolled into view
  EXPECT_EQ(s.source->events,
            (std::vector<std::string>{"select [0,5]", "select [0,1]", "deselect [0,5]", "select [0,25]"}));
  EXPECT_EQ(s.table->indexPathsForSelectedRows(), (std::vector<IndexPath>{{0, 1}, {0, 25}}));

  s.table->setEditing(false);
  EXPECT_TRUE(s.table->indexPathsForSelectedRows().empty());
  EXPECT_FALSE(s.table->cellForRowAtIndexPath({0, 25})->isEditing());
  EXPECT_EQ(s.table->cellForRowAtIndexPath({0, 25})->selectionMark(), nullptr);
}

TEST(TableEditing, DeletingRowsKeepsTheSelectionOnTheRowsThatStay) {
  EditStage s(6);
  s.table->setAllowsMultipleSelection(true);
  for (int r : {1, 4, 5}) s.table->selectRowAtIndexPath(IndexPath{0, r}, false);
  s.source->rows.erase(s.source->rows.begin() + 3);
  s.source->rows.erase(s.source->rows.begin() + 1);
  s.table->deleteRowsAtIndexPaths({{0, 3}, {0, 1}}, TableViewRowAnimation::Fade);
  EXPECT_EQ(s.table->numberOfRowsInSection(0), 4);
  EXPECT_EQ(s.table->indexPathsForSelectedRows(), (std::vector<IndexPath>{{0, 2}, {0, 3}}));
  EXPECT_EQ(s.text(2), "r4");
}

TEST(TableEditingDeathTest, ADataSourceThatDidNotTakeTheRowOutIsAFault) {
#ifdef NDEBUG
  GTEST_SKIP() << "release builds reload instead";
#else
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        EditStage s(5);
        s.source->lieAboutCount = true;  // answers one row more than it holds
        s.source->rows.erase(s.source->rows.begin());
        s.table->deleteRowsAtIndexPaths({{0, 0}}, TableViewRowAnimation::Automatic);
      },
      "row counts do not match");
#endif
}

TEST(SegmentedControl, ATouchSelectsTheSegmentUnderItAndReportsOnlyChanges) {
  test::Harness h;
  std::shared_ptr<SegmentedControl> control;
  std::vector<int> changes;
  h.setRoot(screen("Seg", [&](View& v) {
    control =
        std::make_shared<SegmentedControl>(std::vector<std::string>{"按科目显示", "遗忘曲线", "出错频率"},
                                           Rect{10, 10, 300, SegmentedControl::kHeight});
    control->setSelectedSegmentIndex(0);  // by program: no event
    control->addTarget(ControlEvent::ValueChanged, [&](Control& c) {
      changes.push_back(static_cast<SegmentedControl&>(c).selectedSegmentIndex());
    });
    v.addSubview(control);
  }));
  ASSERT_TRUE(h.selectSegment(*control, 2));
  ASSERT_TRUE(h.selectSegment(*control, 2));  // already selected: no change to report
  ASSERT_TRUE(h.selectSegment(*control, 1));
  EXPECT_EQ(changes, (std::vector<int>{2, 1}));
  EXPECT_EQ(control->segmentLabel(1)->textColor(), Color::white());
  control->setEnabled(false);
  h.selectSegment(*control, 0);
  EXPECT_EQ(control->selectedSegmentIndex(), 1);
  EXPECT_EQ(changes.size(), 2u);
}
