// Controls: buttons fire on a touch released inside; text fields offer every change to their delegate
// with UTF-16 ranges.

#include <gtest/gtest.h>

#include "Screens.h"
#include "platform/core/NotificationCenter.h"
#include "ui/Notifications.h"
#include "ui/TextField.h"
#include "ui/test/Harness.h"

using namespace ui;
using uitest::screen;

namespace {

struct ButtonStage {
  test::Harness h;
  std::vector<std::string> events;
  std::shared_ptr<Button> button;
  ButtonStage() {
    auto root = screen("Root", [this](View& v) {
      button = uitest::addButton(v, "提交", {100, 100, 100, 40});
      button->addTarget(ControlEvent::TouchDown, [this](Control&) { events.push_back("down"); });
      button->addTarget(ControlEvent::TouchUpInside, [this](Control&) { events.push_back("up-inside"); });
      button->addTarget(ControlEvent::TouchUpOutside, [this](Control&) { events.push_back("up-outside"); });
    });
    h.setRoot(root);
  }
  Point inWindow(Point p) { return button->convertPointToView(p, nullptr); }
};

}  // namespace

TEST(Button, TouchUpInsideOnlyWhenReleasedInside) {
  struct Case {
    const char* name;
    Point down, move, up;  // in the button's coordinates
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"tap", {50, 20}, {52, 21}, {52, 21}, {"down", "up-inside"}},
      {"dragged out and released outside", {50, 20}, {50, 90}, {50, 90}, {"down", "up-outside"}},
      {"dragged out and back in", {50, 20}, {150, 20}, {99, 39}, {"down", "up-inside"}},
      {"began outside, released inside", {50, -30}, {50, 20}, {50, 20}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ButtonStage s;
    s.h.touchDown(s.inWindow(c.down));
    EXPECT_EQ(s.button->isHighlighted(), c.down.y >= 0);
    s.h.touchMove(s.inWindow(c.move));
    s.h.touchUp(s.inWindow(c.up));
    EXPECT_EQ(s.events, c.expected);
    EXPECT_FALSE(s.button->isHighlighted());
  }
}

TEST(Button, DisabledButtonSwallowsTheTouchAndSendsNothing) {
  ButtonStage s;
  bool behind = false;
  auto under = std::make_shared<Button>(s.button->frame());
  under->addTarget(ControlEvent::TouchUpInside, [&](Control&) { behind = true; });
  s.button->superview()->insertSubviewBelow(under, *s.button);
  s.button->setEnabled(false);
  EXPECT_TRUE(s.h.tap(*s.button));
  EXPECT_TRUE(s.events.empty());
  EXPECT_FALSE(behind);
}

TEST(Button, TitlesFollowTheStateWithTheNormalTitleAsFallback) {
  auto b = std::make_shared<Button>();
  b->setTitle("重新发送");
  b->setTitle("重新发送（59）", kControlStateDisabled);
  b->setTitle("选中", kControlStateSelected);
  EXPECT_EQ(b->currentTitle(), "重新发送");
  b->setEnabled(false);
  EXPECT_EQ(b->currentTitle(), "重新发送（59）");
  EXPECT_EQ(b->titleLabel().text(), "重新发送（59）");
  b->setEnabled(true);
  b->setSelected(true);
  b->setHighlighted(true);
  EXPECT_EQ(b->currentTitle(), "选中") << "selected and highlighted falls back to selected";
  b->setSelected(false);
  EXPECT_EQ(b->currentTitle(), "重新发送");
}

namespace {

struct RecordingFieldDelegate : TextFieldDelegate {
  std::vector<std::string> calls;
  bool allowBegin = true;
  bool allowEnd = true;
  std::function<bool(Range16, const std::string&)> allowChange;
  bool textFieldShouldBeginEditing(TextField&) override {
    calls.push_back("shouldBegin");
    return allowBegin;
  }
  void textFieldDidBeginEditing(TextField&) override { calls.push_back("didBegin"); }
  bool textFieldShouldEndEditing(TextField&) override {
    calls.push_back("shouldEnd");
    return allowEnd;
  }
  void textFieldDidEndEditing(TextField&) override { calls.push_back("didEnd"); }
  bool shouldChangeCharactersInRange(TextField&, Range16 r, const std::string& s) override {
    calls.push_back("change " + std::to_string(r.location) + "," + std::to_string(r.length) + " \"" + s +
                    "\"");
    return !allowChange || allowChange(r, s);
  }
  bool textFieldShouldReturn(TextField&) override {
    calls.push_back("return");
    return true;
  }
};

struct FieldStage {
  test::Harness h;
  std::shared_ptr<TextField> name;
  std::shared_ptr<TextField> code;
  std::shared_ptr<RecordingFieldDelegate> delegate = std::make_shared<RecordingFieldDelegate>();
  int changedEvents = 0;
  FieldStage() {
    auto root = screen("Form", [this](View& v) {
      auto label = std::make_shared<Label>(Rect(10, 10, 60, 30), "用户名");
      v.addSubview(label);
      name = std::make_shared<TextField>(Rect(80, 10, 200, 30));
      name->setDelegate(delegate);
      name->addTarget(ControlEvent::EditingChanged, [this](Control&) { ++changedEvents; });
      v.addSubview(name);
      code = std::make_shared<TextField>(Rect(80, 60, 200, 30));
      code->setPlaceholder("验证码");
      v.addSubview(code);
    });
    h.setRoot(root);
  }
};

}  // namespace

TEST(TextField, TypingOffersOneCharacterAtATimeWithUtf16Ranges) {
  FieldStage s;
  TextField* field = s.h.field("用户名");
  ASSERT_EQ(field, s.name.get()) << "found beside its label";
  ASSERT_TRUE(s.h.type(*field, "中文a😀b"));
  EXPECT_EQ(s.name->text(), "中文a😀b");
  const std::vector<std::string> expected = {"shouldBegin",       "didBegin",         "change 0,0 \"中\"",
                                             "change 1,0 \"文\"", "change 2,0 \"a\"", "change 3,0 \"😀\"",
                                             "change 5,0 \"b\""};
  EXPECT_EQ(s.delegate->calls, expected);
  EXPECT_EQ(s.changedEvents, 5);

  s.delegate->calls.clear();
  EXPECT_EQ(s.h.backspace(*field, 2), 2);
  EXPECT_EQ(s.name->text(), "中文a");
  EXPECT_EQ(s.delegate->calls, (std::vector<std::string>{"change 5,1 \"\"", "change 3,2 \"\""}));
}

TEST(TextField, RefusedChangesLeaveTheTextAlone) {
  FieldStage s;
  int posted = 0;
  auto& center = core::NotificationCenter::defaultCenter();
  auto token = center.addObserver(kTextFieldTextDidChangeNotification, [&](const core::Notification& n) {
    if (n.sender.get() == static_cast<void*>(s.name.get())) ++posted;
  });
  s.delegate->allowChange = [](Range16 r, const std::string& s) {
    return s.find_first_of("0123456789") == std::string::npos && r.location < 3;  // no digits, at most 3
  };
  s.h.type(*s.name, "a1b2c3d");
  EXPECT_EQ(s.name->text(), "abc");
  EXPECT_EQ(s.changedEvents, 3);
  EXPECT_EQ(posted, 3);
  center.removeObserver(token);
  s.name->setText("程序设置");  // by program: nobody is asked
  EXPECT_EQ(s.changedEvents, 3);
  EXPECT_EQ(s.name->text(), "程序设置");
}

TEST(TextField, BackspaceOnAnEmptyFieldAsksNobody) {
  FieldStage s;
  ASSERT_TRUE(s.h.focus(*s.name));
  s.delegate->calls.clear();
  EXPECT_EQ(s.h.backspace(*s.name), 0);
  EXPECT_TRUE(s.delegate->calls.empty());
}

TEST(TextField, FocusFollowsTheDelegatesConsent) {
  FieldStage s;
  s.delegate->allowBegin = false;
  EXPECT_FALSE(s.h.focus(*s.name));
  EXPECT_FALSE(s.name->isFirstResponder());
  EXPECT_FALSE(s.h.type(*s.name, "x"));
  EXPECT_EQ(s.name->text(), "");

  s.delegate->allowBegin = true;
  ASSERT_TRUE(s.h.focus(*s.name));
  s.delegate->allowEnd = false;
  EXPECT_FALSE(s.h.focus(*s.h.field("验证码"))) << "the editing field refuses to give up focus";
  EXPECT_TRUE(s.name->isEditing());
  s.delegate->allowEnd = true;
  s.delegate->calls.clear();
  EXPECT_TRUE(s.h.focus(*s.code));
  EXPECT_EQ(s.delegate->calls, (std::vector<std::string>{"shouldEnd", "didEnd"}));
  EXPECT_EQ(s.h.window().firstResponder(), s.code.get());
}

TEST(TextField, ReturnAsksTheDelegateAndLeavingTheWindowEndsEditing) {
  FieldStage s;
  ASSERT_TRUE(s.h.focus(*s.name));
  s.delegate->calls.clear();
  EXPECT_TRUE(s.h.pressReturn(*s.name));
  s.name->removeFromSuperview();
  EXPECT_EQ(s.delegate->calls, (std::vector<std::string>{"return", "didEnd"}))
      << "no shouldEnd when it leaves";
  EXPECT_FALSE(s.name->isEditing());
  EXPECT_EQ(s.h.window().firstResponder(), nullptr);
}

TEST(TextField, ACoveredFieldCannotBeFocused) {
  FieldStage s;
  auto cover = std::make_shared<View>(s.h.window().bounds());
  s.h.window().addFrontView(cover);
  EXPECT_FALSE(s.h.type(*s.name, "x"));
  EXPECT_EQ(s.name->text(), "");
}
