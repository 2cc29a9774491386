// The tab-bar controller: a tap on a tab switches screens with the appearance calls in order, then tells
// the delegate; switching by program tells nobody.

#include <gtest/gtest.h>

#include "Screens.h"
#include "ui/TabBarController.h"
#include "ui/test/Harness.h"

using namespace ui;
using uitest::screen;

namespace {

class Tabs : public TabBarController {
 public:
  std::string className() const override { return "Tabs"; }
  void didSelectItem(TabBar&, TabBarItem& item) override {
    selections.push_back(item.title() + "@" + std::to_string(selectedIndex()));
  }
  std::vector<std::string> selections;
};

}  // namespace

TEST(TabBarController, ATappedTabSwitchesScreensThenTellsTheDelegate) {
  test::Harness h;
  auto tabs = std::make_shared<Tabs>();
  auto home = screen("Home");
  home->setTitle("首页");
  auto chapter = screen("Chapter");
  chapter->setTitle("章节");
  auto exam = screen("Exam");
  exam->setTitle("考试");
  tabs->setViewControllers({home, chapter, exam});
  h.setRoot(tabs);
  h.clearLifecycle();

  // The selected screen fills the view above the bar; the bar sits at the bottom.
  const Rect content = tabs->view().bounds();
  EXPECT_EQ(home->view().frame(), (Rect{0, 0, content.width(), content.height() - TabBar::kHeight}));
  EXPECT_EQ(tabs->tabBar().frame().maxY(), content.maxY());
  ASSERT_EQ(tabs->tabBar().buttons().size(), 3u);
  EXPECT_TRUE(tabs->tabBar().buttons()[0]->isSelected());

  ASSERT_TRUE(h.tap(*tabs->tabBar().buttons()[1]));
  EXPECT_EQ(tabs->selectedViewController(), chapter.get());
  EXPECT_TRUE(tabs->tabBar().buttons()[1]->isSelected());
  EXPECT_FALSE(tabs->tabBar().buttons()[0]->isSelected());
  EXPECT_EQ(h.lifecycle(), (std::vector<std::string>{"Chapter.loadView", "Chapter.viewDidLoad",
                                                     "Home.viewWillDisappear", "Chapter.viewWillAppear",
                                                     "Home.viewDidDisappear", "Chapter.viewDidAppear"}));
  EXPECT_EQ(tabs->selections, (std::vector<std::string>{"章节@1"}));
  EXPECT_EQ(home->view().superview(), nullptr);
  EXPECT_EQ(h.topScreen(), chapter.get());

  // By program: switched, nobody told; a tap on the selected tab switches nothing but is reported.
  tabs->setSelectedIndex(2);
  tabs->setSelectedIndex(7);
  EXPECT_EQ(tabs->selectedViewController(), exam.get());
  EXPECT_EQ(tabs->selections.size(), 1u);
  h.clearLifecycle();
  ASSERT_TRUE(h.tap(*tabs->tabBar().buttons()[2]));
  EXPECT_TRUE(h.lifecycle().empty());
  EXPECT_EQ(tabs->selections.back(), "考试@2");
}
