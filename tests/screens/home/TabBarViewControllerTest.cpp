// The application's tab-bar controller: pictures by tag when its view loads, taps still switch tabs.

#include <gtest/gtest.h>

#include "screens/home/TabBarViewController.h"
#include "ui/test/Harness.h"

namespace {
class Tab : public ui::ViewController {
 public:
  explicit Tab(std::string title) { setTitle(std::move(title)); }
};
}  // namespace

TEST(TabBarViewController, PicturesByTagAndTabsStillSwitch) {
  ui::test::Harness h;
  auto tabs = std::make_shared<TabBarViewController>();
  std::vector<std::shared_ptr<ui::ViewController>> screens;
  for (const char* title : {"首页", "章节练习", "模拟考试", "更多", "其他"})
    screens.push_back(std::make_shared<Tab>(title));
  tabs->setViewControllers(screens);
  const auto& items = tabs->tabbar().items();
  ASSERT_EQ(items.size(), 5u);
  for (int i = 0; i < 5; ++i) items[static_cast<std::size_t>(i)]->setTag(i);
  auto own = ui::Image::create("custom");
  items[4]->setImage(own);
  h.setRoot(tabs);  // loads the view

  struct Case {
    int tag;
    const char* selected;
    const char* unselected;
  };
  const Case cases[] = {{0, "homepage_down@2x", "homepage_up@2x"},
                        {1, "chapter_down@2x", "chapter_up@2x"},
                        {2, "exam_down@2x", "exam_up@2x"},
                        {3, "more_down@2x", "more_up@2x"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tag);
    const auto& item = *items[static_cast<std::size_t>(c.tag)];
    ASSERT_TRUE(item.finishedSelectedImage() && item.finishedUnselectedImage());
    EXPECT_EQ(item.finishedSelectedImage()->name(), c.selected);
    EXPECT_EQ(item.finishedUnselectedImage()->name(), c.unselected);
    EXPECT_EQ(item.finishedSelectedImage()->scale(), 2);
    EXPECT_EQ(item.imageInsets(), (ui::EdgeInsets{6, 0, -6, 0}));
  }
  EXPECT_EQ(items[4]->finishedSelectedImage(), nullptr);
  EXPECT_EQ(items[4]->image(), own);
  EXPECT_EQ(items[4]->imageInsets(), (ui::EdgeInsets{6, 0, -6, 0}));

  ASSERT_TRUE(h.tap(*tabs->tabbar().buttons()[3]));
  EXPECT_EQ(tabs->selectedViewController(), screens[3].get());
  EXPECT_TRUE(tabs->shouldAutorotateToInterfaceOrientation(ui::InterfaceOrientation::Portrait));
  EXPECT_FALSE(tabs->shouldAutorotateToInterfaceOrientation(ui::InterfaceOrientation::LandscapeLeft));
}
