// Table views: heights before cells, cells only for visible rows, reuse, and selection by tap.

#include <gtest/gtest.h>

#include "Screens.h"
#include "ui/TableView.h"
#include "ui/test/Harness.h"

using namespace ui;
using uitest::screen;

namespace {

struct Rows : TableViewDataSource, TableViewDelegate {
  std::vector<int> counts{100};
  std::vector<std::string> titles;
  std::vector<std::string> calls;
  std::vector<IndexPath> asked;
  int made = 0;
  int reused = 0;
  std::vector<std::string> selections;
  bool buttonInRow5 = false;
  std::shared_ptr<Image> picture;  // set on each row's image view after the cell is made
  int rowButtonTaps = 0;

  int numberOfSectionsInTableView(TableView&) override { return static_cast<int>(counts.size()); }
  int numberOfRowsInSection(TableView&, int s) override { return counts[static_cast<std::size_t>(s)]; }
  std::string titleForHeaderInSection(TableView&, int s) override {
    return s < static_cast<int>(titles.size()) ? titles[static_cast<std::size_t>(s)] : "";
  }
  double heightForRowAtIndexPath(TableView&, IndexPath ip) override {
    calls.push_back("height");
    return 44;
  }
  std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView& tv, IndexPath ip) override {
    calls.push_back("cell");
    asked.push_back(ip);
    auto cell = tv.dequeueReusableCellWithIdentifier("row");
    if (cell) {
      ++reused;
    } else {
      ++made;
      cell = std::make_shared<TableViewCell>(TableViewCellStyle::Subtitle, "row");
    }
    cell->textLabel()->setText("第" + std::to_string(ip.row) + "题");
    if (picture) cell->imageView()->setImage(picture);
    if (buttonInRow5 && ip.row == 5 && !cell->contentView().viewWithTag(77)) {
      auto b = uitest::addButton(cell->contentView(), "收藏", {200, 5, 80, 34}, [this] { ++rowButtonTaps; });
      b->setTag(77);
    }
    return cell;
  }
  void didSelectRowAtIndexPath(TableView&, IndexPath ip) override {
    selections.push_back("select " + ip.toString());
  }
  void didDeselectRowAtIndexPath(TableView&, IndexPath ip) override {
    selections.push_back("deselect " + ip.toString());
  }
};

struct TableStage {
  test::Harness h;
  std::shared_ptr<Rows> rows = std::make_shared<Rows>();
  std::shared_ptr<TableView> table;
  explicit TableStage(std::function<void(Rows&)> setUp = {}) {
    if (setUp) setUp(*rows);
    h.setRoot(screen("List", [this](View& v) {
      table = std::make_shared<TableView>(v.bounds());  // 320 x 460
      table->setDataSource(rows);
      table->setDelegate(rows);
      v.addSubview(table);
      table->reloadData();
    }));
  }
};

}  // namespace

TEST(TableView, ReloadAsksEveryHeightFirstThenOnlyTheVisibleCells) {
  TableStage s;
  ASSERT_EQ(s.rows->calls.size(), 100u + 11u);
  EXPECT_TRUE(
      std::all_of(s.rows->calls.begin(), s.rows->calls.begin() + 100, [](auto& c) { return c == "height"; }));
  EXPECT_EQ(s.table->contentSize(), Size(320, 4400));
  std::vector<IndexPath> expected;
  for (int r = 0; r <= 10; ++r) expected.push_back({0, r});  // 460 / 44: rows 0 to 10 show
  EXPECT_EQ(s.rows->asked, expected);
  EXPECT_EQ(s.table->indexPathsForVisibleRows(), expected);
}

TEST(TableView, ScrollingAsksForNewRowsAndReusesThoseThatLeft) {
  TableStage s;
  s.rows->asked.clear();
  s.table->setContentOffset({0, 440});  // rows 10 to 20 show
  std::vector<IndexPath> expected;
  for (int r = 11; r <= 20; ++r) expected.push_back({0, r});
  EXPECT_EQ(s.rows->asked, expected);
  EXPECT_EQ(s.rows->made, 11) << "no new cells: the ten that left came back";
  EXPECT_EQ(s.rows->reused, 10);
  EXPECT_EQ(s.table->cellForRowAtIndexPath({0, 3}), nullptr);
  ASSERT_NE(s.table->cellForRowAtIndexPath({0, 20}), nullptr);
  EXPECT_EQ(s.table->cellForRowAtIndexPath({0, 20})->textLabel()->text(), "第20题");
  EXPECT_NE(s.h.label("第15题"), nullptr);
  EXPECT_EQ(s.h.label("第3题"), nullptr);
}

TEST(TableView, SectionHeadersTakeRoomAndRowsLieBelowThem) {
  TableStage s([](Rows& r) {
    r.counts = {2, 3};
    r.titles = {"单选题", "多选题"};
  });
  EXPECT_EQ(s.table->rectForRowAtIndexPath({0, 0}), Rect(0, 22, 320, 44));
  EXPECT_EQ(s.table->rectForRowAtIndexPath({1, 0}), Rect(0, 22 + 88 + 22, 320, 44));
  EXPECT_EQ(s.table->indexPathForRowAtPoint({10, 140}), IndexPath::forRow(0, 1));
  EXPECT_EQ(s.table->indexPathForRowAtPoint({10, 120}), std::nullopt) << "on the second header";
  EXPECT_NE(s.h.label("多选题"), nullptr);
}

TEST(TableView, TappingARowSelectsItAndTellsTheDelegate) {
  TableStage s;
  ASSERT_TRUE(s.h.tapRow(*s.table, {0, 3}));
  ASSERT_TRUE(s.h.tapRow(*s.table, {0, 50}));  // scrolled into view first
  EXPECT_EQ(s.rows->selections,
            (std::vector<std::string>{"select [0,3]", "deselect [0,3]", "select [0,50]"}));
  EXPECT_EQ(s.table->indexPathForSelectedRow(), IndexPath::forRow(50, 0));
  EXPECT_TRUE(s.table->cellForRowAtIndexPath({0, 50})->isSelected());

  s.table->selectRowAtIndexPath(IndexPath::forRow(51, 0), false);  // by program: the delegate hears nothing
  EXPECT_EQ(s.rows->selections.size(), 3u);
  EXPECT_EQ(s.table->indexPathsForSelectedRows(), (std::vector<IndexPath>{{0, 51}}));
}

TEST(TableView, ADragIsNotATapAndAButtonInARowTakesItsOwnTouches) {
  TableStage s([](Rows& r) { r.buttonInRow5 = true; });
  TableViewCell* cell = s.table->cellForRowAtIndexPath({0, 2});
  const Point start = cell->convertPointToView({100, 20}, nullptr);
  s.h.touchDown(start);
  EXPECT_TRUE(cell->isHighlighted());
  s.h.touchMove({start.x, start.y + 15});
  s.h.touchUp({start.x, start.y + 15});
  EXPECT_FALSE(cell->isHighlighted());
  EXPECT_TRUE(s.rows->selections.empty());

  ASSERT_TRUE(s.h.tap(*s.h.button("收藏")));
  EXPECT_EQ(s.rows->rowButtonTaps, 1);
  EXPECT_TRUE(s.rows->selections.empty());
}

namespace {
// A data source with faults: a negative row count and a row without a cell.
struct FaultyRows : TableViewDataSource {
  int numberOfSectionsInTableView(TableView&) override { return 2; }
  int numberOfRowsInSection(TableView&, int section) override { return section == 0 ? 3 : -4; }
  std::shared_ptr<TableViewCell> cellForRowAtIndexPath(TableView&, IndexPath ip) override {
    if (ip.row == 1) return nullptr;
    auto cell = std::make_shared<TableViewCell>();
    cell->textLabel()->setText("row " + std::to_string(ip.row));
    return cell;
  }
};
}  // namespace

TEST(TableView, AFaultyDataSourceGivesBlankRowsAndEmptySectionsNotACrash) {
  test::Harness h;
  auto rows = std::make_shared<FaultyRows>();
  std::shared_ptr<TableView> table;
  h.setRoot(screen("List", [&](View& v) {
    table = std::make_shared<TableView>(v.bounds());
    table->setDataSource(rows);
    v.addSubview(table);
    table->reloadData();
  }));
  EXPECT_EQ(table->numberOfRowsInSection(1), 0);
  ASSERT_EQ(table->visibleCells().size(), 3u);
  ASSERT_NE(table->cellForRowAtIndexPath({0, 1}), nullptr);
  EXPECT_EQ(table->cellForRowAtIndexPath({0, 1})->textLabel()->text(), "");
  EXPECT_EQ(table->rectForRowAtIndexPath({0, 2}), Rect(0, 88, 320, 44)) << "the blank row keeps its place";
}

// A picture the data source gives a row after making it (and the row is the cell's own size) still takes
// its place before the row shows, with the text beside it, whether the row is new or reused; a picture
// the row's image view scales shows from the row's margin, and the text follows what shows of it.
TEST(TableView, ARowsPictureSetAfterTheCellIsMadeTakesItsPlace) {
  struct Case {
    double scale;
    Size shows;
  };
  for (const Case& c : {Case{1, {24, 24}}, Case{0.5, {24, 24}}}) {
    TableStage s([&](Rows& r) { r.picture = Image::create("icon", {24 / c.scale, 24 / c.scale}); });
    for (int row : {0, 3}) {
      TableViewCell* cell = s.table->cellForRowAtIndexPath({0, row});
      ASSERT_NE(cell, nullptr);
      cell->imageView()->setTransform(Transform::scale(c.scale, c.scale));
      cell->setNeedsLayout();
      const Rect shown = cell->imageView()->frame();
      EXPECT_EQ(shown.size, c.shows) << "scale " << c.scale << ", row " << row;
      EXPECT_DOUBLE_EQ(shown.minX(), 15) << "scale " << c.scale << ", row " << row;
      EXPECT_DOUBLE_EQ(cell->textLabel()->frame().minX(), shown.maxX() + 10) << "scale " << c.scale << ", row " << row;
    }
  }
}
