#include <gmock/gmock.h>

#include "app/VDNetworkHelper.h"
#include "tests/app/shellui/ShellFixture.h"
#include "ui/Button.h"
#include "ui/TextField.h"
#include "ui/TextMeasurer.h"
#include "widgets/ProgressHUD.h"

using namespace shellui_test;

namespace {

// A screen with a text field and a button, to see the keyboard go and touches being taken.
class NoteScreen : public ui::ViewController {
 public:
  std::string className() const override { return "NoteScreen"; }
  void loadView() override {
    ViewController::loadView();
    field = std::make_shared<ui::TextField>(ui::Rect(10, 10, 300, 30));
    field->setPlaceholder("笔记");
    view().addSubview(field);
    button = ui::Button::buttonWithType(ui::ButtonType::RoundedRect, ui::Rect(10, 300, 300, 44));
    button->setTitle("提交");
    button->addTarget(ui::ControlEvent::TouchUpInside, [this](ui::Control&) { ++taps; });
    view().addSubview(button);
  }
  std::shared_ptr<ui::TextField> field;
  std::shared_ptr<ui::Button> button;
  int taps = 0;
};

class Toast : public ShellFixture {
 protected:
  void SetUp() override {
    ShellFixture::SetUp();
    ui::TextMeasurer::setCurrent(nullptr);
    screen_ = std::make_shared<NoteScreen>();
    h().setRoot(screen_);
  }
  std::vector<std::shared_ptr<ProgressHUD>> toasts() { return ProgressHUD::allHUDsForView(h().window()); }
  std::shared_ptr<NoteScreen> screen_;
};

}  // namespace

TEST_F(Toast, ShowsTheTextBelowTheCentreForOneSecondThenGoes) {
  ASSERT_TRUE(h().type(*screen_->field, "abc"));
  ASSERT_TRUE(h().tap(*screen_->button));
  ASSERT_EQ(screen_->taps, 1);

  VDNetworkHelper::hudPrompt("已收藏");

  EXPECT_FALSE(screen_->field->isFirstResponder());  // the keyboard went away
  ASSERT_EQ(toasts().size(), 1u);
  std::shared_ptr<ProgressHUD> toast = toasts()[0];
  EXPECT_EQ(h().tagged(VDNetworkHelper::kToastTag), toast.get());
  EXPECT_EQ(toast->mode(), ProgressHUD::Mode::Text);
  EXPECT_EQ(toast->indicator(), nullptr);
  EXPECT_EQ(toast->margin(), 10);
  EXPECT_TRUE(toast->removeFromSuperViewOnHide());
  ASSERT_NE(h().label("已收藏"), nullptr);
  // The box: the one-line label (48 x 20) and 10 points round it, its centre 150 below the window's.
  EXPECT_EQ(toast->boxRect(), ui::Rect(126, 370, 68, 40));
  EXPECT_EQ(toast->frame(), h().window().bounds());
  EXPECT_FALSE(h().tap(*screen_->button));  // the overlay takes the touches while it shows
  EXPECT_EQ(screen_->taps, 1);

  h().advance(0.99);
  EXPECT_EQ(toast->alpha(), 1);
  h().advance(0.02);
  EXPECT_EQ(toast->alpha(), ProgressHUD::kHidingAlpha);  // fading out
  h().advance(ProgressHUD::kAnimationDuration);
  EXPECT_TRUE(toasts().empty());
  EXPECT_EQ(h().tagged(VDNetworkHelper::kToastTag), nullptr);
  EXPECT_TRUE(h().tap(*screen_->button));
  EXPECT_EQ(screen_->taps, 2);
}

TEST_F(Toast, ANewerToastReplacesTheOlder) {
  VDNetworkHelper::hudPrompt("第一条");
  h().advance(0.5);
  VDNetworkHelper::hudPrompt("第二条");

  ASSERT_EQ(toasts().size(), 1u);
  std::shared_ptr<ProgressHUD> second = toasts()[0];
  EXPECT_EQ(second->labelText(), "第二条");
  EXPECT_EQ(h().label("第一条"), nullptr);
  EXPECT_NE(h().label("第二条"), nullptr);

  // The older toast's hide time passes without touching the newer one.
  h().advance(0.99);
  EXPECT_EQ(second->alpha(), 1);
  ASSERT_EQ(toasts().size(), 1u);
  h().advance(0.02);
  EXPECT_EQ(second->alpha(), ProgressHUD::kHidingAlpha);
  h().advance(ProgressHUD::kAnimationDuration);
  EXPECT_TRUE(toasts().empty());
}
