// Navigation bars: what the bar shows for the top screen, the back button's title, and bar buttons
// driven by taps.

#include <gtest/gtest.h>

#include "Screens.h"
#include "ui/NavigationController.h"
#include "ui/TextMeasurer.h"
#include "ui/test/Harness.h"

using namespace ui;
using uitest::screen;

TEST(NavigationBar, BackButtonTitleComesFromTheScreenBelow) {
  struct Case {
    const char* name;
    std::function<void(ViewController& below, ViewController& top)> setUp;
    bool hasBack;
    std::string expectedBack;
  };
  const Case cases[] = {
      {"the back item of the screen below",
       [](ViewController& below, ViewController&) {
         below.setTitle("首页");
         below.navigationItem().setBackBarButtonItem(
             BarButtonItem::withTitle("返回", BarButtonItem::Style::Plain, {}));
       },
       true, "返回"},
      {"a back item of wide characters",
       [](ViewController& below, ViewController&) {
         below.navigationItem().setBackBarButtonItem(
             BarButtonItem::withTitle("章节练习", BarButtonItem::Style::Plain, {}));
       },
       true, "章节练习"},
      {"else the title of the screen below",
       [](ViewController& below, ViewController&) { below.setTitle("首页"); }, true, "首页"},
      {"else the application's own back word", [](ViewController&, ViewController&) {}, true, "返回"},
      {"an empty back item title gives a back button without words",
       [](ViewController& below, ViewController&) {
         below.setTitle("章节");
         below.navigationItem().setBackBarButtonItem(
             BarButtonItem::withTitle("", BarButtonItem::Style::Plain, {}));
       },
       true, ""},
      {"a left item replaces it",
       [](ViewController& below, ViewController& top) {
         below.setTitle("首页");
         top.navigationItem().setLeftBarButtonItem(
             BarButtonItem::withTitle("关闭", BarButtonItem::Style::Bordered, {}));
       },
       false, ""},
      {"hidden on request",
       [](ViewController& below, ViewController& top) {
         below.setTitle("首页");
         top.navigationItem().setHidesBackButton(true);
       },
       false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::Harness h;
    auto below = screen("Below");
    auto top = screen("Top");
    c.setUp(*below, *top);
    auto nav = std::make_shared<NavigationController>(below);
    h.setRoot(nav);
    nav->pushViewController(top, false);
    EXPECT_EQ(nav->navigationBar().backButtonTitle(), c.expectedBack);
    BarButtonView* back = nav->navigationBar().backButtonView();
    ASSERT_EQ(back != nullptr, c.hasBack);
    if (back) {
      EXPECT_EQ(back->currentTitle(), c.expectedBack);
      // The whole title shows on the button.
      EXPECT_LE(sizeWithFont(c.expectedBack, back->titleLabel().font()).width,
                back->titleLabel().frame().width() + 1);
    }
  }
}

TEST(NavigationBar, TappingBackPopsAndBarButtonsRunTheirActions) {
  test::Harness h;
  auto home = screen("Home");
  home->setTitle("首页");
  home->navigationItem().setBackBarButtonItem(
      BarButtonItem::withTitle("返回", BarButtonItem::Style::Plain, {}));
  auto detail = screen("Detail");
  int refreshes = 0;
  detail->navigationItem().setRightBarButtonItem(
      BarButtonItem::withTitle("刷新", BarButtonItem::Style::Bordered, [&](BarButtonItem&) { ++refreshes; }));
  auto nav = std::make_shared<NavigationController>(home);
  h.setRoot(nav);
  nav->pushViewController(detail, true);
  h.settle();

  detail->setTitle("试题详情");
  ASSERT_NE(nav->navigationBar().titleLabel(), nullptr);
  EXPECT_EQ(nav->navigationBar().titleLabel()->text(), "试题详情") << "a new title shows at once";
  EXPECT_TRUE(h.tapBarButton("刷新"));
  EXPECT_EQ(refreshes, 1);
  EXPECT_FALSE(h.tapBarButton("首页")) << "the back button says 返回";
  EXPECT_TRUE(h.tapBarButton("返回"));
  h.settle();
  EXPECT_EQ(h.topScreen(), home.get());
  EXPECT_EQ(nav->viewControllers().size(), 1u);
  EXPECT_EQ(nav->navigationBar().titleLabel()->text(), "首页");
  EXPECT_EQ(detail->parentViewController(), nullptr);
  EXPECT_EQ(detail->navigationController(), nullptr);
}

TEST(NavigationController, HiddenBarGivesTheScreenTheWholeViewAndPushesOfHeldScreensAreRefused) {
  test::Harness h;
  auto a = screen("A");
  auto nav = std::make_shared<NavigationController>(a);
  h.setRoot(nav);
  EXPECT_EQ(a->view().frame(), Rect(0, 44, 320, 416));
  nav->setNavigationBarHidden(true);
  EXPECT_EQ(a->view().frame(), Rect(0, 0, 320, 460));
  EXPECT_FALSE(h.find<NavigationBar>());
  nav->setNavigationBarHidden(false);
  EXPECT_EQ(a->view().frame(), Rect(0, 44, 320, 416));

  // Under a translucent bar the screen runs on beneath it; the black translucent style is translucent
  // while it lasts, and an opaque style gives the screen back its place below the bar.
  struct Step {
    const char* what;
    BarStyle style;
    bool translucent;
    Rect frame;
  };
  for (const Step& step : {Step{"black translucent", BarStyle::BlackTranslucent, false, Rect(0, 0, 320, 460)},
                           Step{"black", BarStyle::Black, false, Rect(0, 44, 320, 416)},
                           Step{"translucent default", BarStyle::Default, true, Rect(0, 0, 320, 460)},
                           Step{"opaque default", BarStyle::Default, false, Rect(0, 44, 320, 416)}}) {
    SCOPED_TRACE(step.what);
    nav->navigationBar().setBarStyle(step.style);
    nav->navigationBar().setTranslucent(step.translucent);
    EXPECT_EQ(a->view().frame(), step.frame);
  }

  EXPECT_FALSE(nav->pushViewController(a, false)) << "already in the stack";
  EXPECT_FALSE(nav->pushViewController(nullptr, false));
  auto other = std::make_shared<NavigationController>(screen("B"));
  EXPECT_FALSE(nav->pushViewController(other->viewControllers().front(), false)) << "in another stack";
  EXPECT_FALSE(nav->setViewControllers({}, false));
  EXPECT_FALSE(nav->setViewControllers({a, a}, false));
  EXPECT_EQ(nav->viewControllers().size(), 1u);
  EXPECT_EQ(nav->popViewController(false), nullptr) << "the root stays";
  EXPECT_TRUE(nav->popToViewController(*other, false).empty());
}

namespace {
// A screen that asks for the black translucent bar while it shows and the opaque one when it goes, as
// the answering screen does.
class TranslucentScreen : public uitest::Screen {
 public:
  TranslucentScreen() : Screen("Pages") {}
  void viewWillAppear(bool) override {
    navigationController()->navigationBar().setBarStyle(BarStyle::BlackTranslucent);
  }
  void viewWillDisappear(bool) override {
    navigationController()->navigationBar().setBarStyle(BarStyle::Black);
  }
};
}  // namespace

TEST(NavigationController, ScreensArriveInThePlaceOfTheBarStyleTheirNeighboursLeave) {
  test::Harness h;
  auto home = screen("Home");
  auto nav = std::make_shared<NavigationController>(home);
  h.setRoot(nav);
  auto pages = std::make_shared<TranslucentScreen>();
  auto settings = screen("Settings");
  for (const bool animated : {false, true}) {
    SCOPED_TRACE(animated ? "animated" : "at once");
    ASSERT_TRUE(nav->pushViewController(pages, animated));
    h.settle();
    EXPECT_EQ(pages->view().frame(), Rect(0, 0, 320, 460)) << "under the translucent bar";
    ASSERT_TRUE(nav->pushViewController(settings, animated));
    h.settle();
    EXPECT_EQ(settings->view().frame(), Rect(0, 44, 320, 416)) << "below the opaque bar";
    nav->popViewController(animated);
    h.settle();
    EXPECT_EQ(pages->view().frame(), Rect(0, 0, 320, 460));
    nav->popViewController(animated);
    h.settle();
    EXPECT_EQ(home->view().frame(), Rect(0, 44, 320, 416));
  }
}
