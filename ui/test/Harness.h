#pragma once
// ui::test::Harness: drives the UI model as a person would, for tests. One per test (a fixture holds it).
//
// Constructing it makes the calling thread the main thread, puts a ManualClock on the main run loop (time
// moves only through advance() and settle()), makes a fresh Application with a 320 x 480 window, and
// gives every web view made from then on a scripted engine (FakeWebEngine, reached through web()).
// Destroying it tears the application down and empties the main run loop.
//
// Input is always hit-tested: tap() touches the middle of what shows of a view and reports whether that
// view (or something inside it) took the touch; a view covered by another, hidden, transparent or not
// interactive does not get it. Typing goes one character at a time through the text field's delegate.
// Finders look at the visible hierarchy front to back (nothing hidden, transparent, off the window or
// clipped away).

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/ActionSheet.h"
#include "ui/AlertView.h"
#include "ui/Animation.h"
#include "ui/Application.h"
#include "ui/BarButtonItem.h"
#include "ui/Button.h"
#include "ui/Canvas.h"
#include "ui/IndexPath.h"
#include "ui/Label.h"
#include "ui/ScrollView.h"
#include "ui/SegmentedControl.h"
#include "ui/TableView.h"
#include "ui/TextField.h"
#include "ui/TextView.h"
#include "ui/ViewController.h"
#include "ui/WebView.h"
#include "ui/Window.h"
#include "ui/test/FakeWebEngine.h"

namespace rl {
class ManualClock;
}

namespace ui::test {

class Harness {
 public:
  explicit Harness(Size screen = {320, 480});
  ~Harness();
  Harness(const Harness&) = delete;
  Harness& operator=(const Harness&) = delete;

  Application& app() { return *app_; }
  Window& window() { return app_->keyWindow(); }
  rl::ManualClock& clock() { return *clock_; }
  double now() const;

  // ---- time ----
  // Moves the clock on, firing timers (transitions, dismissals, the application's own timers) in order.
  void advance(double seconds);
  // Advances just far enough for the UI's own pending work (transitions, alert dismissals) to end,
  // running whatever else falls due meanwhile; at most maxSeconds.
  void settle(double maxSeconds = 5);
  // Runs tasks posted to the main thread (from workers) and timers already due, without moving the clock.
  void drainMain();

  // ---- start ----
  // What the application's main does: the delegate gets the window, then didFinishLaunching and
  // didBecomeActive. Returns what didFinishLaunching answered.
  bool launch(std::shared_ptr<ApplicationDelegate> delegate);
  // Makes vc the window's root screen.
  void setRoot(std::shared_ptr<ViewController> vc);

  // ---- finding ----
  Button* button(std::string_view title);  // by the title on show
  Label* label(std::string_view text);
  // A text field by its placeholder, or the field beside (right of, or else below) a label with that text.
  TextField* field(std::string_view placeholderOrLabel);
  View* tagged(int tag);
  BarButtonView* barButton(std::string_view title);
  // The front-most visible view of type T matching the predicate (any T without one).
  template <class T>
  T* find(std::function<bool(const T&)> predicate = {}) {
    T* found = nullptr;
    forEachVisible([&](View& v) {
      auto* t = dynamic_cast<T*>(&v);
      if (t && (!predicate || predicate(*t))) {
        found = t;
        return true;
      }
      return false;
    });
    return found;
  }
  template <class T>
  std::vector<T*> findAll(std::function<bool(const T&)> predicate = {}) {
    std::vector<T*> all;
    forEachVisible([&](View& v) {
      auto* t = dynamic_cast<T*>(&v);
      if (t && (!predicate || predicate(*t))) all.push_back(t);
      return false;
    });
    return all;
  }
  // The screen the user sees: the front-most screen on the window (presented screens and overlay screens
  // included), then down through containers to the child on show (a navigation controller's top).
  ViewController* topScreen();
  // Where a view shows on the window (its bounds in window coordinates, clipped); empty when it does not.
  Rect visibleRect(const View& view);

  // ---- input ----
  bool tap(const View& view);
  bool tap(Point windowPoint);  // true when a view other than the window itself took the touch
  // A touch in steps, for presses that move: returns the view that took the touch (nullptr when none).
  View* touchDown(Point windowPoint);
  void touchMove(Point windowPoint);
  void touchUp(Point windowPoint);
  // Taps the field (it must take the touch and begin editing).
  bool focus(TextField& field);
  // Focuses when needed, then types one character (code point) per change. False when the field could
  // not be focused.
  bool type(TextField& field, std::string_view text);
  int backspace(TextField& field, int times = 1);  // returns how many deletions the field accepted
  bool pressReturn(TextField& field);
  // The same for a text view: taps it to focus, types one character per change ("\n" a line break),
  // deletes backwards.
  bool focus(TextView& textView);
  bool type(TextView& textView, std::string_view text);
  int backspace(TextView& textView, int times = 1);
  // A finger drag in `steps` moves from `from` to `to` (both in the coordinates of `view`), taking
  // `seconds` (for the speed the gesture recognisers measure; the clock does not move), then lifting
  // unless release is false (finish with touchUp). Returns whether the touch began on `view` or inside it.
  bool pan(const View& view, Point from, Point to, int steps = 10, double seconds = 0.25,
           bool release = true);
  // Drags a scroll view's content with the finger: `delta` is the finger's movement (a leftward finger,
  // delta.x < 0, moves the offset right), starting at the middle of what shows of the view. The finger
  // lifts (unless release is false) moving along delta at the speed |velocity| points per second (0: it
  // stops before lifting).
  // Returns whether the scroll view began dragging.
  bool drag(ScrollView& scrollView, Point delta, bool release = true, Point velocity = {});
  // Holds a finger on the middle of what shows of `view` (or on a window point) for `seconds` of the
  // clock, then lifts it. Returns whether the touch began inside the view (on a view for a point).
  bool longPress(const View& view, double seconds);
  bool longPress(Point windowPoint, double seconds);
  // Scrolls the row into view when needed (as a person would), then taps it. In multiple-selection
  // editing a tap toggles the row.
  bool tapRow(TableView& table, IndexPath indexPath);
  // Scrolls the row into view when needed, then swipes a finger leftwards across it. Returns whether
  // the row then shows its delete confirmation button.
  bool swipeToDelete(TableView& table, IndexPath indexPath);
  // Taps the delete confirmation button the table shows; false when none shows or it missed the touch.
  bool confirmDelete(TableView& table);
  // Taps the middle of the segment.
  bool selectSegment(SegmentedControl& control, int index);
  bool tapBarButton(std::string_view title);

  // ---- alerts and sheets ----
  AlertPanel* topPanel();
  AlertView* alert();                // the top panel when it is an alert
  ActionSheet* sheet();              // the top panel when it is an action sheet
  std::vector<AlertView*> alerts();  // every alert waiting, oldest first
  // Taps the button with this title on the top alert or sheet.
  bool press(std::string_view buttonTitle);
  // Types into the first text field of the top alert.
  bool typeInAlert(std::string_view text);

  // ---- web views ----
  // The scripted engine behind a web view (every web view made while the harness lives has one).
  FakeWebEngine& web(WebView& webView);

  // ---- observation ----
  // "ClassName.viewWillAppear" for every life-cycle call since the harness started (or was cleared).
  const std::vector<std::string>& lifecycle() const { return lifecycle_; }
  void clearLifecycle() { lifecycle_.clear(); }
  std::optional<int> terminatedWith() const { return terminatedWith_; }
  // The application's animation log (cleared with animations().clear()).
  AnimationLog& animations() { return app_->animations(); }
  // What `view` and the visible views inside it draw (View::draw), in the coordinates of `view`, back to
  // front.
  Canvas render(View& view);
  std::string screens() const;

 private:
  // Calls f for the visible views front to back until it returns true.
  void forEachVisible(const std::function<bool(View&)>& f);

  std::shared_ptr<rl::ManualClock> clock_;
  std::unique_ptr<Application> app_;
  std::vector<std::string> lifecycle_;
  std::optional<int> terminatedWith_;
  double touchTime_ = 0;  // timestamps of scripted moves (ahead of the clock while a gesture runs)
};

}  // namespace ui::test
