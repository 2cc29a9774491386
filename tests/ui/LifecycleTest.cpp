// Controllers: lazy view loading and the order of the appearance calls in every kind of transition.

#include <gtest/gtest.h>

#include "Screens.h"
#include "ui/NavigationController.h"
#include "ui/test/Harness.h"

using namespace ui;
using uitest::screen;
using Log = std::vector<std::string>;

namespace {

// A window whose root is a navigation controller around A; the log starts empty.
struct Stage {
  test::Harness h;
  std::shared_ptr<uitest::Screen> a = screen("A");
  std::shared_ptr<NavigationController> nav = std::make_shared<NavigationController>(a);
  Stage() {
    h.setRoot(nav);
    h.clearLifecycle();
  }
};

}  // namespace

TEST(Lifecycle, RootNavigationControllerLoadsAndAppearsWithItsTopScreen) {
  test::Harness h;
  auto a = screen("A");
  auto nav = std::make_shared<NavigationController>(a);
  EXPECT_FALSE(nav->isViewLoaded());
  EXPECT_FALSE(a->isViewLoaded());
  h.setRoot(nav);
  const Log expected = {"NavigationController.loadView",
                        "A.loadView",
                        "A.viewDidLoad",
                        "NavigationController.viewDidLoad",
                        "NavigationController.viewWillAppear",
                        "A.viewWillAppear",
                        "NavigationController.viewDidAppear",
                        "A.viewDidAppear"};
  EXPECT_EQ(h.lifecycle(), expected);
}

// Each transition: the calls made at once, and those made when the transition has ended on the clock.
TEST(Lifecycle, TransitionsCallOldWillDisappearNewWillAppearThenOldDidDisappearNewDidAppear) {
  struct Case {
    const char* name;
    std::function<void(Stage&)> prepare;  // untimed set-up (not logged)
    std::function<void(Stage&)> act;
    Log atOnce;
    Log afterTransition;
  };
  auto b = [] { return screen("B"); };
  const Case cases[] = {
      {"push",
       {},
       [&](Stage& s) { s.nav->pushViewController(b(), true); },
       {"B.loadView", "B.viewDidLoad", "A.viewWillDisappear", "B.viewWillAppear"},
       {"A.viewDidDisappear", "B.viewDidAppear"}},
      {"pop",
       [&](Stage& s) { s.nav->pushViewController(b(), false); },
       [](Stage& s) { s.nav->popViewController(true); },
       {"B.viewWillDisappear", "A.viewWillAppear"},
       {"B.viewDidDisappear", "A.viewDidAppear"}},
      {"pop to root skips the middle screen",
       [&](Stage& s) {
         s.nav->pushViewController(b(), false);
         s.nav->pushViewController(screen("C"), false);
       },
       [](Stage& s) { s.nav->popToRootViewController(true); },
       {"C.viewWillDisappear", "A.viewWillAppear"},
       {"C.viewDidDisappear", "A.viewDidAppear"}},
      {"replace the stack",
       [&](Stage& s) { s.nav->pushViewController(b(), false); },
       [](Stage& s) {
         s.nav->setViewControllers({s.a, screen("D")}, true);
       },
       {"D.loadView", "D.viewDidLoad", "B.viewWillDisappear", "D.viewWillAppear"},
       {"B.viewDidDisappear", "D.viewDidAppear"}},
      {"present from a screen inside a container",
       {},
       [](Stage& s) { s.a->presentViewController(screen("M"), true); },
       {"M.loadView", "M.viewDidLoad", "NavigationController.viewWillDisappear", "A.viewWillDisappear",
        "M.viewWillAppear"},
       {"NavigationController.viewDidDisappear", "A.viewDidDisappear", "M.viewDidAppear"}},
      {"dismiss brings the screens under the modal back",
       [](Stage& s) { s.a->presentViewController(screen("M"), false); },
       [](Stage& s) { s.a->dismissViewController(true); },
       {"M.viewWillDisappear", "NavigationController.viewWillAppear", "A.viewWillAppear"},
       {"M.viewDidDisappear", "NavigationController.viewDidAppear", "A.viewDidAppear"}},
      {"root switch (never animated)",
       {},
       [](Stage& s) { s.h.setRoot(screen("R")); },
       {"R.loadView", "R.viewDidLoad", "NavigationController.viewWillDisappear", "A.viewWillDisappear",
        "R.viewWillAppear", "NavigationController.viewDidDisappear", "A.viewDidDisappear", "R.viewDidAppear"},
       {}},
      {"overlay added",
       {},
       [](Stage& s) { s.h.window().addOverlay(screen("O")); },
       {"O.loadView", "O.viewDidLoad", "O.viewWillAppear", "O.viewDidAppear"},
       {}},
      {"child screen's view added into a screen",
       {},
       [](Stage& s) {
         auto child = screen("C");
         s.a->addChildViewController(child);
         s.a->view().addSubview(child->sharedView());
         child->didMoveToParentViewController(s.a.get());
       },
       {"C.loadView", "C.viewDidLoad", "C.viewWillAppear", "C.viewDidAppear"},
       {}},
      {"hiding a screen's view changes nothing", {}, [](Stage& s) { s.a->view().setHidden(true); }, {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Stage s;
    if (c.prepare) {
      c.prepare(s);
      s.h.settle();
      s.h.clearLifecycle();
    }
    c.act(s);
    EXPECT_EQ(s.h.lifecycle(), c.atOnce);
    s.h.clearLifecycle();
    s.h.settle();
    EXPECT_EQ(s.h.lifecycle(), c.afterTransition);
  }
}

TEST(Lifecycle, AnimatedTransitionsTakeTheirTimeAndIgnoreTouchesMeanwhile) {
  Stage s;
  int taps = 0;
  auto b = screen("B", [&](View& v) { uitest::addButton(v, "go", {10, 10, 100, 40}, [&] { ++taps; }); });
  s.nav->pushViewController(b, true);
  EXPECT_FALSE(s.h.tap(*s.h.button("go"))) << "no touches while the push runs";
  s.h.advance(0.34);
  EXPECT_EQ(b->appearanceState(), AppearanceState::Appearing);
  s.h.advance(0.01);
  EXPECT_EQ(b->appearanceState(), AppearanceState::Appeared);
  EXPECT_TRUE(s.h.tap(*s.h.button("go")));
  EXPECT_EQ(taps, 1);
  EXPECT_EQ(s.a->viewIfLoaded()->superview(), nullptr) << "the covered screen's view left the window";
}

TEST(Lifecycle, ANewTransitionFinishesTheRunningOneFirst) {
  Stage s;
  auto b = screen("B");
  s.nav->pushViewController(b, true);
  s.nav->popViewController(true);
  const Log expected = {"B.loadView",         "B.viewDidLoad",   "A.viewWillDisappear", "B.viewWillAppear",
                        "A.viewDidDisappear", "B.viewDidAppear", "B.viewWillDisappear", "A.viewWillAppear"};
  EXPECT_EQ(s.h.lifecycle(), expected);
  s.h.settle();
  EXPECT_EQ(s.nav->topViewController(), s.a.get());
  EXPECT_EQ(s.a->appearanceState(), AppearanceState::Appeared);
  EXPECT_EQ(b->appearanceState(), AppearanceState::Disappeared);
}

TEST(Lifecycle, ViewsLoadLazilyAndOnlyOnce) {
  test::Harness h;
  auto nav = std::make_shared<NavigationController>(screen("A"));
  auto b = screen("B");
  b->setTitle("设置");  // properties can be set before the view exists
  nav->pushViewController(b, false);
  EXPECT_FALSE(nav->isViewLoaded());
  EXPECT_FALSE(b->isViewLoaded()) << "pushing onto a controller without a view loads nothing";
  EXPECT_TRUE(h.lifecycle().empty());

  h.setRoot(nav);
  EXPECT_TRUE(b->isViewLoaded());
  EXPECT_FALSE(nav->viewControllers().front()->isViewLoaded()) << "the screen under the top stays unloaded";
  b->view();
  EXPECT_EQ(std::count(h.lifecycle().begin(), h.lifecycle().end(), "B.viewDidLoad"), 1);
}

namespace {
// loadView that reads the view before making one (a common slip) must not recurse forever.
struct SelfReferencingScreen : ViewController {
  std::string className() const override { return "SelfReferencing"; }
  void loadView() override { view().setTag(42); }
};
}  // namespace

TEST(Lifecycle, LoadViewReadingTheViewGetsTheDefaultView) {
  test::Harness h;
  auto vc = std::make_shared<SelfReferencingScreen>();
  EXPECT_EQ(vc->view().tag(), 42);
  EXPECT_EQ(vc->view().frame().size, Size(320, 460));
}

TEST(Lifecycle, AScreenWhoseViewNeverReachesTheWindowGetsNoAppearanceCalls) {
  test::Harness h;
  h.setRoot(screen("Root"));
  auto hidden = screen("Unseen");
  hidden->view();  // loaded but never shown
  h.settle();
  const Log expected = {"Root.loadView",      "Root.viewDidLoad", "Root.viewWillAppear",
                        "Root.viewDidAppear", "Unseen.loadView",  "Unseen.viewDidLoad"};
  EXPECT_EQ(h.lifecycle(), expected);
}

TEST(Presentation, ScreensInsideAPresentedContainerDismissIt) {
  Stage s;
  auto login = screen("Login");
  auto modalNav = std::make_shared<NavigationController>(login);
  ASSERT_TRUE(s.a->presentViewController(modalNav, true));
  s.h.settle();
  EXPECT_EQ(s.h.topScreen(), login.get());
  EXPECT_EQ(login->presentingViewController(), s.nav.get()) << "the topmost ancestor presents";
  EXPECT_EQ(s.a->presentedViewController(), modalNav.get());

  bool completed = false;
  ASSERT_TRUE(login->dismissViewController(true, [&] { completed = true; }));
  EXPECT_FALSE(completed);
  s.h.settle();
  EXPECT_TRUE(completed);
  EXPECT_EQ(s.h.topScreen(), s.a.get());
  EXPECT_EQ(s.a->presentedViewController(), nullptr);
  EXPECT_EQ(login->presentingViewController(), nullptr);
  EXPECT_FALSE(s.a->dismissViewController(false)) << "nothing left to dismiss";
}

TEST(Presentation, RefusesWhatCannotBeShown) {
  Stage s;
  auto offscreen = screen("Offscreen");
  EXPECT_FALSE(offscreen->presentViewController(screen("M"), false)) << "the presenter is not in the window";
  EXPECT_FALSE(s.a->presentViewController(s.a, false)) << "a screen in a stack cannot be presented";
  ASSERT_TRUE(s.a->presentViewController(screen("M1"), false));
  EXPECT_FALSE(s.a->presentViewController(screen("M2"), false)) << "one presentation at a time";
  EXPECT_EQ(s.h.topScreen()->className(), "M1");
}

TEST(Presentation, RootSwitchRemovesTheOldRootsModalToo) {
  Stage s;
  auto modal = screen("M");
  std::weak_ptr<uitest::Screen> weakModal = modal;
  s.a->presentViewController(modal, false);
  modal.reset();
  s.h.clearLifecycle();
  s.h.setRoot(screen("R"));
  const Log expected = {"R.loadView",       "R.viewDidLoad",      "M.viewWillDisappear",
                        "R.viewWillAppear", "M.viewDidDisappear", "R.viewDidAppear"};
  EXPECT_EQ(s.h.lifecycle(), expected);
  EXPECT_EQ(s.h.topScreen()->className(), "R");
  s.h.drainMain();
  EXPECT_TRUE(weakModal.expired()) << "the old modal is released";
}
