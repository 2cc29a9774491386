// Text views: multi-line input that offers every change to its delegate with UTF-16 ranges, takes the
// keyboard on a tap while editable, and ends editing when asked, when it leaves the window or when it
// stops being editable.

#include <gtest/gtest.h>

#include <functional>

#include "Screens.h"
#include "platform/core/NotificationCenter.h"
#include "ui/Notifications.h"
#include "ui/TextView.h"
#include "ui/test/Harness.h"

using namespace ui;
using uitest::screen;

namespace {

struct RecordingTextViewDelegate : TextViewDelegate {
  std::vector<std::string> calls;
  bool allowBegin = true;
  bool allowEnd = true;
  std::function<bool(Range16, const std::string&)> allowChange;
  bool textViewShouldBeginEditing(TextView&) override {
    calls.push_back("shouldBegin");
    return allowBegin;
  }
  void textViewDidBeginEditing(TextView&) override { calls.push_back("didBegin"); }
  bool textViewShouldEndEditing(TextView&) override {
    calls.push_back("shouldEnd");
    return allowEnd;
  }
  void textViewDidEndEditing(TextView&) override { calls.push_back("didEnd"); }
  bool shouldChangeTextInRange(TextView&, Range16 r, const std::string& s) override {
    calls.push_back("change " + std::to_string(r.location) + "," + std::to_string(r.length) + " \"" + s +
                    "\"");
    return !allowChange || allowChange(r, s);
  }
  void textViewDidChange(TextView& v) override { calls.push_back("didChange \"" + v.text() + "\""); }
};

struct TextViewStage {
  test::Harness h;
  std::shared_ptr<TextView> note;
  std::shared_ptr<TextView> other;
  std::shared_ptr<RecordingTextViewDelegate> delegate = std::make_shared<RecordingTextViewDelegate>();
  int backgroundTaps = 0;
  TextViewStage() {
    auto root = screen("Form", [this](View& v) {
      note = std::make_shared<TextView>(Rect(10, 10, 300, 100));
      note->setDelegate(delegate);
      v.addSubview(note);
      other = std::make_shared<TextView>(Rect(10, 150, 300, 100));
      v.addSubview(other);
    });
    h.setRoot(root);
  }
};

}  // namespace

TEST(TextView, TypingOffersEachCharacterAndReportsEachChange) {
  TextViewStage s;
  ASSERT_TRUE(s.h.type(*s.note, "笔\n😀"));
  EXPECT_EQ(s.note->text(), "笔\n😀");
  const std::vector<std::string> expected = {"shouldBegin",      "didBegin",           "change 0,0 \"笔\"",
                                             "didChange \"笔\"", "change 1,0 \"\n\"",  "didChange \"笔\n\"",
                                             "change 2,0 \"😀\"", "didChange \"笔\n😀\""};
  EXPECT_EQ(s.delegate->calls, expected);

  s.delegate->calls.clear();
  EXPECT_EQ(s.h.backspace(*s.note, 5), 3) << "three characters to delete, then nothing is asked";
  EXPECT_EQ(s.note->text(), "");
  EXPECT_EQ(s.delegate->calls.front(), "change 2,2 \"\"");
  EXPECT_EQ(s.delegate->calls.size(), 6u);
}

TEST(TextView, RefusedChangesLeaveTheTextAndProgramChangesTellNobody) {
  TextViewStage s;
  int posted = 0;
  auto& center = core::NotificationCenter::defaultCenter();
  auto token = center.addObserver(kTextViewTextDidChangeNotification, [&](const core::Notification& n) {
    if (n.sender.get() == static_cast<void*>(s.note.get())) ++posted;
  });
  s.delegate->allowChange = [](Range16, const std::string& t) { return t != " "; };
  s.h.type(*s.note, "a b c");
  EXPECT_EQ(s.note->text(), "abc");
  EXPECT_EQ(posted, 3);
  s.delegate->calls.clear();
  s.note->setText("由程序写入");
  EXPECT_TRUE(s.delegate->calls.empty());
  EXPECT_EQ(posted, 3);
  center.removeObserver(token);
}

TEST(TextView, FocusFollowsConsentAndEditingEndsWhenAskedOrWhenItLeaves) {
  TextViewStage s;
  s.delegate->allowBegin = false;
  EXPECT_FALSE(s.h.type(*s.note, "x"));
  EXPECT_EQ(s.note->text(), "");

  s.delegate->allowBegin = true;
  ASSERT_TRUE(s.h.focus(*s.note));
  s.delegate->allowEnd = false;
  EXPECT_FALSE(s.h.focus(*s.other)) << "the editing view refuses to give up the keyboard";
  s.delegate->allowEnd = true;
  s.delegate->calls.clear();
  ASSERT_TRUE(s.h.focus(*s.other));
  EXPECT_EQ(s.delegate->calls, (std::vector<std::string>{"shouldEnd", "didEnd"}));
  EXPECT_EQ(s.h.window().firstResponder(), s.other.get());

  ASSERT_TRUE(s.h.focus(*s.note));
  s.delegate->calls.clear();
  s.h.window().endEditing(false);
  EXPECT_EQ(s.delegate->calls, (std::vector<std::string>{"shouldEnd", "didEnd"}));

  ASSERT_TRUE(s.h.focus(*s.note));
  s.delegate->calls.clear();
  s.note->removeFromSuperview();
  EXPECT_EQ(s.delegate->calls, (std::vector<std::string>{"didEnd"})) << "no shouldEnd when it leaves";
  EXPECT_EQ(s.h.window().firstResponder(), nullptr);
}

TEST(TextView, AReadOnlyViewTakesNoKeyboardAndPassesTheTouchOn) {
  // A view that counts the touches that reach it along the responder chain.
  struct Catcher : View {
    using View::View;
    int ended = 0;
    void touchesBegan(const TouchSet&) override {}
    void touchesEnded(const TouchSet&) override { ++ended; }
  };
  test::Harness h;
  std::shared_ptr<TextView> view;
  std::shared_ptr<Catcher> catcher;
  h.setRoot(screen("Form", [&](View& v) {
    catcher = std::make_shared<Catcher>(Rect(0, 0, 320, 200));
    v.addSubview(catcher);
    view = std::make_shared<TextView>(Rect(10, 10, 300, 100));
    catcher->addSubview(view);
  }));

  ASSERT_TRUE(h.focus(*view));
  EXPECT_EQ(catcher->ended, 0) << "an editable view keeps its touch";
  view->setEditable(false);
  EXPECT_FALSE(view->isEditing()) << "no longer editable: editing ends";
  EXPECT_EQ(h.window().firstResponder(), nullptr);
  EXPECT_FALSE(h.focus(*view));
  EXPECT_EQ(catcher->ended, 1) << "the tap went on to the superview";
  EXPECT_FALSE(view->userInsertText("x"));
}
