// The dialog facade: alerts, toasts that remove themselves, the held progress overlay and a followed
// download, on the manual clock.

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "WidgetTestSupport.h"
#include "ui/ImageView.h"
#include "ui/test/Harness.h"
#include "widgets/Dialog.h"
#include "widgets/StatusHUD.h"

namespace {

struct DialogFixture : ::testing::Test {
  ui::test::Harness h;
  std::shared_ptr<Dialog> dialog = std::make_shared<Dialog>();
  std::shared_ptr<widgettest::Screen> screen = widgettest::screen();
  void SetUp() override { h.setRoot(screen); }
  ui::View& window() { return h.window(); }
  static bool onView(const std::shared_ptr<ProgressHUD>& hud, const ui::View& view) {
    return hud && hud->superview() == &view;
  }
};

}  // namespace

TEST(DialogInstance, IsOneSharedObject) {
  auto a = Dialog::Instance();
  auto b = Dialog::Instance();
  EXPECT_EQ(a, b);
  std::shared_ptr<Dialog> fromThread;
  std::thread([&] { fromThread = Dialog::Instance(); }).join();
  EXPECT_EQ(fromThread, a);
}

TEST_F(DialogFixture, AlertsHaveOneConfirmButton) {
  dialog->alert("网络不给力");
  ASSERT_NE(h.alert(), nullptr);
  EXPECT_EQ(h.alert()->title(), "");
  EXPECT_EQ(h.alert()->message(), "网络不给力");
  EXPECT_EQ(h.alert()->numberOfButtons(), 1);
  EXPECT_TRUE(h.press("确定"));
  h.settle();
  EXPECT_EQ(h.alert(), nullptr);

  dialog->alertWithTitle("提示", "已保存");
  ASSERT_NE(h.alert(), nullptr);
  EXPECT_EQ(h.alert()->title(), "提示");
  EXPECT_EQ(h.alert()->message(), "已保存");
  EXPECT_TRUE(h.press("确定"));
}

// Every toast shows at once, is not held, outlives hideProgress and removes itself 2.0 s later (the
// hiding then takes 0.30 s).
TEST_F(DialogFixture, ToastsRemoveThemselvesAfterTwoSeconds) {
  struct Case {
    const char* name;
    std::function<void(Dialog&)> make;
    bool onWindow;
    ProgressHUD::Mode mode;
    double yOffset;
    ProgressHUD::AnimationType type;
  };
  const Case cases[] = {
      {"toast on a screen", [this](Dialog& d) { d.toast(*screen, "已收藏"); }, false, ProgressHUD::Mode::Text,
       150, ProgressHUD::AnimationType::Fade},
      {"toast", [](Dialog& d) { d.toast("已收藏"); }, true, ProgressHUD::Mode::Text, 150,
       ProgressHUD::AnimationType::ZoomOut},
      {"toast in the centre", [](Dialog& d) { d.toastCenter("已收藏"); }, true, ProgressHUD::Mode::Text, -20,
       ProgressHUD::AnimationType::ZoomOut},
      {"progress toast", [](Dialog& d) { d.progressToast("已收藏"); }, true, ProgressHUD::Mode::Indeterminate,
       -20, ProgressHUD::AnimationType::Fade},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ui::View& host = c.onWindow ? window() : screen->view();
    c.make(*dialog);
    auto hud = ProgressHUD::HUDForView(host);
    ASSERT_NE(hud, nullptr);
    EXPECT_EQ(hud->labelText(), "已收藏");
    EXPECT_EQ(hud->mode(), c.mode);
    EXPECT_EQ(hud->margin(), 10);
    EXPECT_EQ(hud->yOffset(), c.yOffset);
    EXPECT_EQ(hud->animationType(), c.type);
    EXPECT_EQ(hud->alpha(), 1);
    EXPECT_EQ(dialog->HUD(), nullptr);

    dialog->hideProgress();
    h.advance(1.9);
    EXPECT_EQ(hud->alpha(), 1);
    EXPECT_TRUE(onView(hud, host));
    h.advance(0.11);
    EXPECT_LT(hud->alpha(), 0.05);  // hiding
    h.advance(ProgressHUD::kAnimationDuration);
    EXPECT_FALSE(onView(hud, host));
  }
}

TEST_F(DialogFixture, HeldOverlayShowsUntilHideProgress) {
  dialog->hideProgress();  // nothing held: nothing happens
  EXPECT_TRUE(ProgressHUD::allHUDsForView(window()).empty());

  dialog->showProgress(window());
  auto hud = dialog->HUD();
  ASSERT_NE(hud, nullptr);
  EXPECT_TRUE(onView(hud, window()));
  EXPECT_EQ(hud->mode(), ProgressHUD::Mode::Indeterminate);
  EXPECT_EQ(hud->alpha(), 1);
  EXPECT_EQ(hud->delegate(), dialog);
  h.advance(30);  // a slow page: still shown
  EXPECT_EQ(hud->alpha(), 1);

  dialog->hideProgress();
  EXPECT_EQ(dialog->HUD(), hud);  // held until it has hidden
  h.advance(ProgressHUD::kAnimationDuration);
  EXPECT_EQ(dialog->HUD(), nullptr);
  EXPECT_FALSE(onView(hud, window()));
  dialog->hideProgress();
}

TEST_F(DialogFixture, ANewOverlayHidesTheOldOneAndSurvivesIt) {
  dialog->showProgress(window(), "加载中");
  auto first = dialog->HUD();
  dialog->showProgress(screen->view());
  auto second = dialog->HUD();
  ASSERT_NE(first, second);
  EXPECT_LT(first->alpha(), 0.05);
  h.advance(ProgressHUD::kAnimationDuration);
  // The first has gone; the second is still shown and held.
  EXPECT_FALSE(onView(first, window()));
  EXPECT_TRUE(onView(second, screen->view()));
  EXPECT_EQ(second->alpha(), 1);
  EXPECT_EQ(dialog->HUD(), second);

  dialog->hideProgress();
  h.advance(ProgressHUD::kAnimationDuration);
  EXPECT_FALSE(onView(second, screen->view()));
  EXPECT_EQ(dialog->HUD(), nullptr);
}

TEST_F(DialogFixture, CentreProgressReplacesTheHeldOverlayToo) {
  dialog->showProgress(screen->view());
  auto first = dialog->HUD();
  dialog->showCenterProgressWithLabel("请稍候");
  auto second = dialog->HUD();
  EXPECT_TRUE(onView(second, window()));
  EXPECT_EQ(second->labelText(), "请稍候");
  h.advance(ProgressHUD::kAnimationDuration);
  EXPECT_FALSE(onView(first, screen->view()));
  dialog->hideProgress();
  h.advance(ProgressHUD::kAnimationDuration);
  EXPECT_TRUE(ProgressHUD::allHUDsForView(window()).empty());
  EXPECT_TRUE(ProgressHUD::allHUDsForView(screen->view()).empty());
}

// A followed download: the pie follows the bytes when the length is known; an unknown length (or 0)
// gives a spinner and no progress, never a division by zero.
TEST_F(DialogFixture, FollowedDownloadProgress) {
  struct Case {
    const char* name;
    std::int64_t expected;
    std::vector<std::size_t> chunks;
    ProgressHUD::Mode mode;
    double progress;
  };
  const Case cases[] = {
      {"known length", 200, {50}, ProgressHUD::Mode::Round, 0.25},
      {"known length, all of it", 200, {50, 150}, ProgressHUD::Mode::Round, 1.0},
      {"more than announced", 100, {80, 80}, ProgressHUD::Mode::Round, 1.0},
      {"unknown length", -1, {100, 100}, ProgressHUD::Mode::Indeterminate, 0},
      {"zero length", 0, {100}, ProgressHUD::Mode::Indeterminate, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    dialog->showProgress(window());
    auto hud = dialog->HUD();
    dialog->connectionDidReceiveResponse(c.expected);
    for (auto n : c.chunks) dialog->connectionDidReceiveData(n);
    EXPECT_EQ(hud->mode(), c.mode);
    EXPECT_DOUBLE_EQ(hud->progress(), c.progress);
    std::int64_t total = 0;
    for (auto n : c.chunks) total += static_cast<std::int64_t>(n);
    EXPECT_EQ(dialog->currentLength(), total);
    dialog->connectionDidFailWithError(core::Error("test", 1));
    h.advance(ProgressHUD::kAnimationDuration);
    EXPECT_EQ(dialog->HUD(), nullptr);
  }
}

TEST_F(DialogFixture, FinishedDownloadShowsTheCheckmarkForTwoSeconds) {
  dialog->connectionDidFinishLoading();  // nothing held: nothing happens
  dialog->showProgress(window());
  auto hud = dialog->HUD();
  dialog->connectionDidReceiveResponse(10);
  dialog->connectionDidReceiveData(10);
  dialog->connectionDidFinishLoading();
  EXPECT_EQ(hud->mode(), ProgressHUD::Mode::CustomView);
  auto check = std::dynamic_pointer_cast<ui::ImageView>(hud->customView());
  ASSERT_NE(check, nullptr);
  EXPECT_EQ(check->image()->name(), Dialog::kCheckmarkImage);
  h.advance(1.9);
  EXPECT_EQ(hud->alpha(), 1);
  h.advance(0.1 + ProgressHUD::kAnimationDuration);
  EXPECT_EQ(dialog->HUD(), nullptr);
  EXPECT_FALSE(onView(hud, window()));
}

TEST_F(DialogFixture, TaskRoutinesChangeTheHeldOverlay) {
  std::vector<double> sleeps;
  dialog->setSleeper([&](double s) { sleeps.push_back(s); });
  dialog->myTask();
  EXPECT_EQ(sleeps, std::vector<double>{3});

  dialog->showProgress(window());
  auto hud = dialog->HUD();
  hud->setMode(ProgressHUD::Mode::Round);
  sleeps.clear();
  dialog->myProgressTask();
  EXPECT_EQ(hud->progress(), 1.0);
  ASSERT_EQ(sleeps.size(), 100u);
  EXPECT_EQ(sleeps.front(), 0.05);

  sleeps.clear();
  std::vector<std::string> labels;
  dialog->setSleeper([&](double s) {
    sleeps.push_back(s);
    if (s == 2) labels.push_back(hud->labelText());
  });
  dialog->myMixedTask();
  EXPECT_EQ(sleeps.size(), 103u);
  EXPECT_EQ(labels, (std::vector<std::string>{"", "Cleaning up", "Completed"}));
  EXPECT_EQ(hud->mode(), ProgressHUD::Mode::CustomView);
  EXPECT_NE(std::dynamic_pointer_cast<ui::ImageView>(hud->customView()), nullptr);
}

TEST_F(DialogFixture, GradientRunsTheOperationOnAWorkerWhileTheOverlayShows) {
  std::promise<std::thread::id> ran;
  auto done = ran.get_future();
  dialog->gradient(*screen, [&] { ran.set_value(std::this_thread::get_id()); });
  auto hud = dialog->HUD();
  ASSERT_TRUE(onView(hud, screen->view()));
  EXPECT_EQ(hud->alpha(), 1);
  EXPECT_NE(done.get(), std::this_thread::get_id());
  // The worker hands the clean-up to the main thread, which hides the overlay.
  for (int i = 0; i < 1000 && hud->taskInProgress(); ++i) {
    h.drainMain();
    std::this_thread::yield();
  }
  EXPECT_FALSE(hud->taskInProgress());
  h.advance(ProgressHUD::kAnimationDuration);
  EXPECT_EQ(dialog->HUD(), nullptr);
  EXPECT_FALSE(onView(hud, screen->view()));
}

TEST_F(DialogFixture, SimpleToastGoesThroughTheStatusOverlay) {
  dialog->simpleToast("已复制");
  ASSERT_TRUE(StatusHUD::isVisible());
  EXPECT_EQ(StatusHUD::sharedView()->stringLabel()->text(), "已复制");
  h.advance(1.9);
  EXPECT_TRUE(StatusHUD::isVisible());
  h.advance(0.11);
  EXPECT_FALSE(StatusHUD::isVisible());
  h.settle();
  EXPECT_EQ(StatusHUD::sharedView()->overlayView(), nullptr);

  // hideSimpleToast dismisses 2.0 s after it is called.
  StatusHUD::show();
  dialog->hideSimpleToast();
  h.advance(1.9);
  EXPECT_TRUE(StatusHUD::isVisible());
  h.advance(0.11);
  EXPECT_FALSE(StatusHUD::isVisible());
  h.settle();
}
