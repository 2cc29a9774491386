// Views: hit testing, coordinates, the subview tree and the observer hook.

#include <gtest/gtest.h>

#include <thread>

#include "Screens.h"
#include "platform/core/Text.h"
#include "ui/Label.h"
#include "ui/TextMeasurer.h"
#include "ui/Utf16.h"
#include "ui/test/Harness.h"

using namespace ui;
using uitest::screen;

namespace {

std::shared_ptr<View> viewAt(Rect frame, int tag) {
  auto v = std::make_shared<View>(frame);
  v->setTag(tag);
  return v;
}

}  // namespace

// One back view and one front view overlapping it; each case changes the front view and says which
// view a touch in the overlap reaches.
TEST(HitTest, SkipsHiddenTransparentAndNonInteractiveViewsFrontFirst) {
  struct Case {
    const char* name;
    std::function<void(View& front)> change;
    int expectedTag;
  };
  const Case cases[] = {
      {"front-most sibling takes it", [](View&) {}, 2},
      {"hidden front view", [](View& f) { f.setHidden(true); }, 1},
      {"alpha just under 0.01", [](View& f) { f.setAlpha(0.009); }, 1},
      {"alpha 0.01 still takes it", [](View& f) { f.setAlpha(0.01); }, 2},
      {"interaction disabled", [](View& f) { f.setUserInteractionEnabled(false); }, 1},
      {"front view moved away",
       [](View& f) {
         f.setFrame({200, 200, 10, 10});
       },
       1},
      {"front child of an interaction-disabled view",
       [](View& f) {
         f.setUserInteractionEnabled(false);
         f.addSubview(viewAt({0, 0, 50, 50}, 3));
       },
       1},
      {"front view with an interactive child",
       [](View& f) {
         f.addSubview(viewAt({0, 0, 50, 50}, 3));
       },
       3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::Harness h;
    auto root = screen("Root");
    h.setRoot(root);
    auto back = viewAt({0, 0, 100, 100}, 1);
    auto front = viewAt({20, 20, 100, 100}, 2);
    root->view().addSubview(back);
    root->view().addSubview(front);
    c.change(*front);
    const Point p = root->view().convertPointToView({30, 30}, nullptr);
    View* hit = h.window().dispatchTouch(TouchPhase::Began, p);
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(hit->tag(), c.expectedTag);
    h.window().dispatchTouch(TouchPhase::Cancelled, p);
  }
}

TEST(HitTest, PointsOutsideTheParentMissItsChildrenAndLabelsLetTouchesThrough) {
  test::Harness h;
  auto root = screen("Root");
  h.setRoot(root);
  auto parent = viewAt({0, 0, 50, 50}, 1);
  auto child = viewAt({60, 0, 40, 40}, 2);  // sticks out of its parent, which does not clip
  parent->addSubview(child);
  root->view().addSubview(parent);
  auto under = uitest::addButton(root->view(), "下面", {0, 100, 100, 40});
  auto label = std::make_shared<Label>(Rect(0, 100, 100, 40), "上面");
  root->view().addSubview(label);

  EXPECT_EQ(root->view().hitTest({70, 10}), &root->view()) << "outside the parent, so not the child";
  EXPECT_TRUE(h.tap(*under)) << "the label over the button lets the touch through";
}

TEST(HitTest, TransformsScaleTheTouchableArea) {
  test::Harness h;
  auto root = screen("Root");
  h.setRoot(root);
  auto v = viewAt({100, 100, 20, 20}, 7);
  root->view().addSubview(v);
  EXPECT_NE(root->view().hitTest({95, 110}), v.get());
  v->setTransform(Transform::scale(2, 2));  // about the center (110, 110): now 90...130
  EXPECT_EQ(v->frame(), Rect(90, 90, 40, 40));
  EXPECT_EQ(root->view().hitTest({95, 110}), v.get());
  EXPECT_EQ(v->convertPointFromView({95, 110}, &root->view()), Point(2.5, 10));
}

TEST(ViewCoordinates, ConvertThroughOffsetsBoundsAndBack) {
  auto top = std::make_shared<View>(Rect(0, 0, 320, 480));
  auto scroller = std::make_shared<View>(Rect(10, 20, 300, 400));
  scroller->setBounds({{0, 100}, {300, 400}});  // scrolled down by 100
  auto inner = std::make_shared<View>(Rect(5, 150, 50, 50));
  top->addSubview(scroller);
  scroller->addSubview(inner);

  EXPECT_EQ(inner->convertPointToView({1, 2}, top.get()), Point(16, 72));
  EXPECT_EQ(inner->convertPointToView({1, 2}, nullptr), Point(16, 72));
  EXPECT_EQ(top->convertPointToView({16, 72}, inner.get()), Point(1, 2));
  EXPECT_EQ(inner->convertPointFromView({16, 72}, top.get()), Point(1, 2));
  EXPECT_EQ(inner->convertRectToView({0, 0, 50, 50}, scroller.get()), Rect(5, 150, 50, 50));
}

TEST(ViewTree, OrderTagsAndMoves) {
  auto a = viewAt({}, 0);
  auto b = viewAt({}, 1);
  auto c = viewAt({}, 2);
  auto d = viewAt({}, 5);
  a->addSubview(b);
  a->addSubview(c);
  b->addSubview(d);
  a->bringSubviewToFront(*b);
  ASSERT_EQ(a->subviews().size(), 2u);
  EXPECT_EQ(a->subviews().back(), b);
  a->insertSubviewBelow(c, *b);  // already below: unchanged order
  EXPECT_EQ(a->subviews().front(), c);
  EXPECT_EQ(a->viewWithTag(5), d.get());
  EXPECT_EQ(a->viewWithTag(0), a.get()) << "the receiver itself comes first";
  EXPECT_EQ(a->viewWithTag(9), nullptr);

  c->addSubview(d);  // moves from b to c
  EXPECT_TRUE(b->subviews().empty());
  EXPECT_EQ(d->superview(), c.get());
  d->addSubview(a);  // would make a cycle: ignored
  EXPECT_EQ(a->superview(), nullptr);
  EXPECT_TRUE(d->subviews().empty());
}

namespace {
struct RecordingObserver : ViewObserver {
  std::vector<std::string> events;
  void viewAdded(View& parent, View& child, std::size_t index) override {
    events.push_back("added " + std::to_string(child.tag()) + "@" + std::to_string(index));
  }
  void viewRemoved(View& parent, View& child) override {
    events.push_back("removed " + std::to_string(child.tag()));
  }
  void viewReordered(View& parent, View& child, std::size_t index) override {
    events.push_back("reordered " + std::to_string(child.tag()) + "@" + std::to_string(index));
  }
  void viewChanged(View& view, ViewProperty property) override {
    events.push_back(std::string(toString(property)) + " " + std::to_string(view.tag()));
  }
};
}  // namespace

TEST(ViewObserverHook, ReportsChangesInsideTheWindowOnly) {
  test::Harness h;
  auto root = screen("Root");
  h.setRoot(root);
  RecordingObserver observer;
  h.window().addObserver(&observer);

  auto outside = viewAt({0, 0, 10, 10}, 1);
  auto label = std::make_shared<Label>(Rect(0, 0, 10, 10), "a");
  label->setTag(2);
  outside->addSubview(label);
  outside->setAlpha(0.5);  // not in the window yet: nobody hears of it
  EXPECT_TRUE(observer.events.empty());

  root->view().addSubview(outside);
  label->setText("b");
  outside->setFrame({5, 5, 10, 10});
  outside->setHidden(true);
  auto other = viewAt({}, 3);
  root->view().insertSubview(other, 0);
  root->view().bringSubviewToFront(*other);
  outside->removeFromSuperview();
  outside->setAlpha(1);  // out of the window again

  const std::vector<std::string> expected = {"added 1@0", "text 2",        "frame 1",  "hidden 1",
                                             "added 3@0", "reordered 3@1", "removed 1"};
  EXPECT_EQ(observer.events, expected);
  h.window().removeObserver(&observer);
}

TEST(Utf16, LengthsAndRangesCountUtf16Units) {
  struct Case {
    const char* text;
    std::size_t length;
    Range16 last;
  };
  const Case cases[] = {
      {"", 0, {0, 0}},
      {"abc", 3, {2, 1}},
      {"中文", 2, {1, 1}},
      {"a😀", 3, {1, 2}},
      {"\xff"
       "a",
       2,
       {1, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(core::utf16Length(c.text), c.length);
    EXPECT_EQ(lastCharacterRange(c.text), c.last);
  }
  EXPECT_EQ(replaceUtf16Range("中文字", {1, 1}, "x"), "中x字");
  EXPECT_EQ(replaceUtf16Range("a😀", {2, 1}, ""), std::nullopt) << "inside a surrogate pair";
  EXPECT_EQ(replaceUtf16Range("ab", {1, 5}, ""), std::nullopt) << "past the end";
  EXPECT_EQ(utf8Characters("中a😀"), (std::vector<std::string>{"中", "a", "😀"}));
}

// Malformed UTF-8 reads the same everywhere: core's decoder, the text fields' characters and the text
// measurer all take each byte that starts no well-formed sequence as one U+FFFD (one UTF-16 unit, one
// full-width character), whatever the longest valid-looking run would have been.
TEST(Utf16, MalformedBytesAreOneReplacementCharacterEachForEveryReader) {
  struct Case {
    const char* name;
    std::string text;
    std::size_t characters;  // all of them U+FFFD
  };
  const Case cases[] = {
      {"overlong NUL", "\xC0\x80", 2},
      {"overlong slash", "\xE0\x80\xAF", 3},
      {"surrogate", "\xED\xA0\x80", 3},
      {"past U+10FFFF", "\xF4\x90\x80\x80", 4},
      {"cut short", "\xE4\xB8", 2},
      {"stray continuation", "\x80", 1},
  };
  const Font font = Font::system(10);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::size_t i = 0, decoded = 0;
    while (i < c.text.size()) {
      EXPECT_EQ(core::nextCodePoint(c.text, i), U'\uFFFD');
      ++decoded;
    }
    EXPECT_EQ(decoded, c.characters);
    EXPECT_EQ(core::utf16Length(c.text), c.characters);
    EXPECT_EQ(utf8Characters(c.text).size(), c.characters);
    EXPECT_EQ(FixedTextMeasurer().measure(c.text, font, {}, LineBreakMode::WordWrap).width,
              FixedTextMeasurer::advance(U'\uFFFD', font) * static_cast<double>(c.characters));
  }
}

#ifndef NDEBUG
TEST(MainThreadDeathTest, MutatingAViewOffTheMainThreadAborts) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        test::Harness h;
        auto v = std::make_shared<View>();
        std::thread([&] { v->setFrame({0, 0, 1, 1}); }).join();
      },
      "off the main thread");
}
#endif
