// The callbacks screens hand out through whileAlive: they reach the screen while it lives, pass on
// what the caller gives when the function takes it, and do nothing once the screen is gone.

#include <gtest/gtest.h>

#include "Screens.h"
#include "ui/WeakScreen.h"
#include "ui/test/Harness.h"

using namespace ui;

namespace {

class CountingScreen : public uitest::Screen {
 public:
  CountingScreen() : uitest::Screen("CountingScreen") {}
  void loadView() override {
    ViewController::loadView();
    button = uitest::addButton(view(), "计数", {100, 100, 100, 40});
    button->addTarget(ControlEvent::TouchUpInside, whileAlive(*this, [](CountingScreen& s) { ++s.taps; }));
    button->addTarget(ControlEvent::TouchUpInside, whileAlive(*this, [](CountingScreen& s, Control& sender) {
                        s.senders.push_back(&sender);
                      }));
  }
  std::shared_ptr<Button> button;
  int taps = 0;
  std::vector<Control*> senders;
};

}  // namespace

TEST(WeakScreen, CallbacksReachTheLiveScreenWithWhatTheyTake) {
  test::Harness h;
  auto screen = std::make_shared<CountingScreen>();
  h.setRoot(screen);
  ASSERT_TRUE(h.tap(*screen->button));
  ASSERT_TRUE(h.tap(*screen->button));
  EXPECT_EQ(screen->taps, 2);
  EXPECT_EQ(screen->senders, (std::vector<Control*>{screen->button.get(), screen->button.get()}));
  EXPECT_EQ(weakScreen(*screen).lock(), screen);
}

TEST(WeakScreen, CallbacksOutlivingTheScreenDoNothingAndDoNotKeepIt) {
  std::shared_ptr<Button> kept;
  std::weak_ptr<CountingScreen> gone;
  {
    test::Harness h;
    auto screen = std::make_shared<CountingScreen>();
    h.setRoot(screen);
    kept = screen->button;
    gone = screen;
  }
  EXPECT_TRUE(gone.expired());  // the button's callbacks held the screen only weakly
  kept->sendActionsForControlEvents(ControlEvent::TouchUpInside);  // must not reach freed memory
}

TEST(WeakScreen, AScreenNoSharedPointerOwnsGivesAnEmptyPointer) {
  CountingScreen onStack;
  EXPECT_TRUE(weakScreen(onStack).expired());
  int calls = 0;
  whileAlive(onStack, [&calls](CountingScreen&) { ++calls; })();
  EXPECT_EQ(calls, 0);
}
