// Alerts and action sheets: button indices, the order of the dismissal calls on the clock, stacking and
// modality.

#include <gtest/gtest.h>

#include "Screens.h"
#include "ui/AlertLayer.h"
#include "ui/test/Harness.h"

using namespace ui;
using uitest::screen;
using Titles = std::vector<std::string>;

namespace {

Titles titlesOf(const AlertPanel& p) {
  Titles t;
  for (int i = 0; i < p.numberOfButtons(); ++i) t.push_back(p.buttonTitleAtIndex(i));
  return t;
}

struct RecordingAlertDelegate : AlertViewDelegate, ActionSheetDelegate {
  std::vector<std::string> calls;
  std::string textAtClick;
  void clickedButtonAtIndex(AlertView& a, int i) override {
    calls.push_back("clicked " + std::to_string(i));
    if (auto* f = a.textFieldAtIndex(0)) textAtClick = f->text();
  }
  void willDismissWithButtonIndex(AlertView&, int i) override {
    calls.push_back("willDismiss " + std::to_string(i));
  }
  void didDismissWithButtonIndex(AlertView&, int i) override {
    calls.push_back("didDismiss " + std::to_string(i));
  }
  void clickedButtonAtIndex(ActionSheet&, int i) override {
    calls.push_back("sheet clicked " + std::to_string(i));
  }
  void didDismissWithButtonIndex(ActionSheet&, int i) override {
    calls.push_back("sheet didDismiss " + std::to_string(i));
  }
};

}  // namespace

TEST(AlertIndices, CancelFirstThenOthersInOrder) {
  struct Case {
    std::optional<std::string> cancel;
    Titles others;
    Titles expected;
    int cancelIndex;
    int firstOther;
  };
  const Case cases[] = {
      {"取消", {"确定"}, {"取消", "确定"}, 0, 1},
      {"取消", {"重试", "设置"}, {"取消", "重试", "设置"}, 0, 1},
      {std::nullopt, {"确定"}, {"确定"}, -1, 0},
      {"关闭", {}, {"关闭"}, 0, -1},
      {std::nullopt, {}, {}, -1, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cancel.value_or("(no cancel)"));
    auto a = std::make_shared<AlertView>("提示", "", std::weak_ptr<AlertViewDelegate>{}, c.cancel, c.others);
    EXPECT_EQ(titlesOf(*a), c.expected);
    EXPECT_EQ(a->cancelButtonIndex(), c.cancelIndex);
    EXPECT_EQ(a->firstOtherButtonIndex(), c.firstOther);
  }
  auto late = std::make_shared<AlertView>("提示", "", std::weak_ptr<AlertViewDelegate>{}, "取消");
  EXPECT_EQ(late->addButtonWithTitle("登录"), 1);
  EXPECT_EQ(late->firstOtherButtonIndex(), 1);
}

TEST(SheetIndices, DestructiveFirstOthersThenCancelLast) {
  struct Case {
    std::optional<std::string> cancel;
    std::optional<std::string> destructive;
    Titles others;
    Titles expected;
    int cancelIndex;
    int destructiveIndex;
    int firstOther;
  };
  const Case cases[] = {
      {"取消", "确定", {}, {"确定", "取消"}, 1, 0, -1},
      {"取消", std::nullopt, {"男", "女"}, {"男", "女", "取消"}, 2, -1, 0},
      {"取消", std::nullopt, {"拍照", "从相册选择"}, {"拍照", "从相册选择", "取消"}, 2, -1, 0},
      {"取消", std::nullopt, {"从相册选择"}, {"从相册选择", "取消"}, 1, -1, 0},
      {"取消", "删除", {"收藏本题"}, {"删除", "收藏本题", "取消"}, 2, 0, 1},
      {std::nullopt, std::nullopt, {"A"}, {"A"}, -1, -1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.expected));
    auto s = std::make_shared<ActionSheet>("选择", std::weak_ptr<ActionSheetDelegate>{}, c.cancel,
                                           c.destructive, c.others);
    EXPECT_EQ(titlesOf(*s), c.expected);
    EXPECT_EQ(s->cancelButtonIndex(), c.cancelIndex);
    EXPECT_EQ(s->destructiveButtonIndex(), c.destructiveIndex);
    EXPECT_EQ(s->firstOtherButtonIndex(), c.firstOther);
  }
}

TEST(AlertDismissal, ClickThenWillDismissThenDidDismissAfterTwoTenthsOfASecond) {
  test::Harness h;
  h.setRoot(screen("Root"));
  auto d = std::make_shared<RecordingAlertDelegate>();
  auto alert = std::make_shared<AlertView>("提示", "确定要退出吗？", d, "取消", Titles{"确定"});
  std::vector<std::string> closures;
  alert->onDidDismiss = [&](AlertView&, int i) { closures.push_back("closure " + std::to_string(i)); };
  alert->show();
  ASSERT_EQ(h.alert(), alert.get());

  ASSERT_TRUE(h.press("确定"));
  EXPECT_EQ(d->calls, (std::vector<std::string>{"clicked 1", "willDismiss 1"}));
  EXPECT_EQ(h.alert(), nullptr) << "the alert leaves the screen at once";
  EXPECT_TRUE(alert->isDismissing());
  h.advance(0.19);
  EXPECT_EQ(d->calls.size(), 2u);
  h.advance(0.01);
  EXPECT_EQ(d->calls, (std::vector<std::string>{"clicked 1", "willDismiss 1", "didDismiss 1"}));
  EXPECT_EQ(closures, (std::vector<std::string>{"closure 1"}));
}

TEST(AlertDismissal, ProgrammaticDismissalReportsNoClick) {
  test::Harness h;
  h.setRoot(screen("Root"));
  auto d = std::make_shared<RecordingAlertDelegate>();
  auto alert = std::make_shared<AlertView>("提示", "", d, "取消", Titles{"确定"});
  alert->show();
  alert->dismissWithClickedButtonIndex(0, false);
  EXPECT_EQ(d->calls, (std::vector<std::string>{"willDismiss 0", "didDismiss 0"}));
  EXPECT_FALSE(h.press("取消"));
}

TEST(AlertStack, NewestOnTopAndTheNextShowsWhenItGoes) {
  test::Harness h;
  int screenTaps = 0;
  h.setRoot(screen("Root", [&](View& v) {
    uitest::addButton(v, "按钮", {10, 10, 100, 40}, [&] { ++screenTaps; });
  }));
  auto d = std::make_shared<RecordingAlertDelegate>();
  auto first =
      std::make_shared<AlertView>("警告", "您的帐号已被抢登！请重新登录", d, std::nullopt, Titles{"确定"});
  auto second = std::make_shared<AlertView>("提示", "请求失败", d, std::nullopt, Titles{"OK"});
  first->show();
  second->show();
  EXPECT_EQ(h.alerts(), (std::vector<AlertView*>{first.get(), second.get()}));
  EXPECT_EQ(h.alert(), second.get());
  EXPECT_TRUE(first->view()->isHidden()) << "only the newest shows";

  EXPECT_FALSE(h.tap(*h.button("按钮"))) << "alerts are modal";
  EXPECT_FALSE(h.press("确定")) << "the first alert's button is not on the top alert";
  ASSERT_TRUE(h.press("OK"));
  EXPECT_EQ(h.alert(), first.get());
  EXPECT_FALSE(first->view()->isHidden());
  ASSERT_TRUE(h.press("确定"));
  h.settle();
  EXPECT_EQ(d->calls, (std::vector<std::string>{"clicked 0", "willDismiss 0", "clicked 0", "willDismiss 0",
                                                "didDismiss 0", "didDismiss 0"}));
  EXPECT_TRUE(h.tap(*h.button("按钮")));
  EXPECT_EQ(screenTaps, 1);
}

TEST(AlertInput, TextTypedIntoTheAlertIsThereWhenTheButtonIsClicked) {
  test::Harness h;
  h.setRoot(screen("Root"));
  auto d = std::make_shared<RecordingAlertDelegate>();
  auto alert = std::make_shared<AlertView>("快速翻页", "请输入您要跳转的页码：", d, "取消", Titles{"跳转"});
  alert->setAlertViewStyle(AlertView::Style::PlainTextInput);
  ASSERT_NE(alert->textFieldAtIndex(0), nullptr);
  EXPECT_EQ(alert->textFieldAtIndex(1), nullptr);
  alert->show();
  EXPECT_TRUE(alert->textFieldAtIndex(0)->isEditing()) << "the field takes the keyboard when shown";
  ASSERT_TRUE(h.typeInAlert("12"));
  ASSERT_TRUE(h.press("跳转"));
  EXPECT_EQ(d->textAtClick, "12");
  EXPECT_EQ(h.window().firstResponder(), nullptr);
}

TEST(ActionSheetPress, ReportsTheIndexOfThePressedButton) {
  test::Harness h;
  auto root = screen("Root");
  h.setRoot(root);
  auto d = std::make_shared<RecordingAlertDelegate>();
  auto sheet = std::make_shared<ActionSheet>("确定要退出登录吗？", d, "取消", "确定", Titles{});
  sheet->setTag(1);
  sheet->showInView(root->view());
  ASSERT_EQ(h.sheet(), sheet.get());
  EXPECT_EQ(h.alert(), nullptr);
  ASSERT_TRUE(h.press("确定"));
  h.settle();
  EXPECT_EQ(d->calls, (std::vector<std::string>{"sheet clicked 0", "sheet didDismiss 0"}));
}
