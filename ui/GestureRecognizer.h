#pragma once
// Gesture recognisers: tap, pan and long press, added to views and driven by the window's touch engine.
//
// How touches reach them: when a touch begins, the window hit-tests it and collects the enabled
// recognisers of the hit view and then of each ancestor (in that order, each view's recognisers in the
// order they were added) whose delegate lets them receive the touch (shouldReceiveTouch). For every touch
// event these recognisers see the touches first, then the hit view does.
//
// Recognition: a recogniser leaves Possible by beginning (continuous gestures: pan, long press) or by
// ending (discrete gestures: tap). Before it does, its delegate's shouldBegin and its view's
// gestureRecognizerShouldBegin are asked; a NO fails it. Only one recogniser of a touch sequence
// recognises unless a delegate of either allows them together (shouldRecognizeSimultaneously): the first
// to recognise (earliest in the order above when several would on the same event) makes the others fail.
// When one recognises and cancelsTouchesInView is set (the default), the hit view gets touchesCancelled
// and no further events of those touches; otherwise the view keeps getting them. Recognisers go back to
// Possible when the touch sequence is over.
//
// Actions run on Began, Changed, Ended (recognised) and Cancelled, in the order they were added. All of
// this runs on the main thread.

#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "ui/Geometry.h"
#include "ui/Responder.h"

namespace rl {
class Timer;
}

namespace ui {

class GestureRecognizer;
class View;
namespace detail {
struct GestureSession;
}

enum class GestureState { Possible, Began, Changed, Ended, Cancelled, Failed };
const char* toString(GestureState state);

// Every method is optional.
struct GestureRecognizerDelegate {
  virtual ~GestureRecognizerDelegate() = default;
  virtual bool shouldBegin(GestureRecognizer& recognizer) { return true; }
  virtual bool shouldReceiveTouch(GestureRecognizer& recognizer, const Touch& touch) { return true; }
  virtual bool shouldRecognizeSimultaneously(GestureRecognizer& recognizer, GestureRecognizer& other) {
    return false;
  }
};

class GestureRecognizer : public std::enable_shared_from_this<GestureRecognizer> {
 public:
  using Action = std::function<void(GestureRecognizer& recognizer)>;

  explicit GestureRecognizer(Action action = {});
  virtual ~GestureRecognizer();
  GestureRecognizer(const GestureRecognizer&) = delete;
  GestureRecognizer& operator=(const GestureRecognizer&) = delete;

  virtual std::string className() const { return "GestureRecognizer"; }

  void addAction(Action action);
  void removeAllActions() { actions_.clear(); }

  View* view() const { return view_; }
  GestureState state() const { return state_; }

  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled);  // disabling cancels a gesture in progress
  bool cancelsTouchesInView() const { return cancelsTouchesInView_; }
  void setCancelsTouchesInView(bool cancels) { cancelsTouchesInView_ = cancels; }
  std::shared_ptr<GestureRecognizerDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<GestureRecognizerDelegate> delegate) { delegate_ = std::move(delegate); }

  // Where the gesture is: the centroid of its touches (the last one's position after they end), in the
  // coordinates of `view` (nullptr: the window's).
  Point locationInView(const View* view) const;
  std::size_t numberOfTouches() const { return touches_.size(); }

 protected:
  // Subclasses follow the touches of the sequence here and call setState(). The base keeps touches_.
  virtual void touchesBegan(const TouchSet& touches) {}
  virtual void touchesMoved(const TouchSet& touches) {}
  virtual void touchesEnded(const TouchSet& touches) {}
  virtual void touchesCancelled(const TouchSet& touches);  // default: Cancelled when active, else Failed
  // Back to the start, when the sequence is over.
  virtual void reset() {}
  // Moves to `state`. Leaving Possible for Began or Ended asks the delegate and the view (see above) and
  // may end in Failed instead. Returns the state reached.
  GestureState setState(GestureState state);
  bool isActive() const { return state_ == GestureState::Began || state_ == GestureState::Changed; }

  // The touches of the sequence that are down now, by id; lastLocation_ is the centroid when the last lifted.
  const std::vector<Touch>& activeTouches() const { return touches_; }
  Point centroidInWindow() const;

 private:
  friend class View;
  friend class Window;
  friend struct detail::GestureSession;

  void attach(View* view) { view_ = view; }
  void deliver(TouchPhase phase, const TouchSet& touches);
  void finishSequence();
  void runActions();

  std::vector<Action> actions_;
  View* view_ = nullptr;
  GestureState state_ = GestureState::Possible;
  bool enabled_ = true;
  bool cancelsTouchesInView_ = true;
  std::weak_ptr<GestureRecognizerDelegate> delegate_;
  std::vector<Touch> touches_;
  Point lastLocation_;
  std::weak_ptr<detail::GestureSession> session_;
};

// A tap: the required number of touches go down and up without moving more than 10 points, the required
// number of times (each tap within 0.35 s of the previous one and 40 points of it). Recognised (Ended) on
// the last lift.
class TapGestureRecognizer : public GestureRecognizer {
 public:
  static constexpr double kAllowableMovement = 10;
  static constexpr double kMaximumTapInterval = 0.35;
  static constexpr double kMaximumTapDistance = 40;

  using GestureRecognizer::GestureRecognizer;
  std::string className() const override { return "TapGestureRecognizer"; }

  int numberOfTapsRequired() const { return tapsRequired_; }
  void setNumberOfTapsRequired(int taps) { tapsRequired_ = taps < 1 ? 1 : taps; }
  int numberOfTouchesRequired() const { return touchesRequired_; }
  void setNumberOfTouchesRequired(int touches) { touchesRequired_ = touches < 1 ? 1 : touches; }

 protected:
  void touchesBegan(const TouchSet& touches) override;
  void touchesMoved(const TouchSet& touches) override;
  void touchesEnded(const TouchSet& touches) override;
  void reset() override;

 private:
  int tapsRequired_ = 1;
  int touchesRequired_ = 1;
  int maxTouches_ = 0;  // touches down at once in this tap
  int taps_ = 0;        // taps counted in the current series
  double lastTapTime_ = -1;
  Point lastTapPoint_;
  Point downPoint_;
  bool failed_ = false;
};

// A pan: begins once the touches have moved 10 points from where they went down (with a number of
// touches within the limits), then changes with every move and ends when they lift. The translation is
// measured from where the touches went down (so it is at least 10 points long when the pan begins);
// the velocity is that of the last move, in points per second (touch timestamps).
class PanGestureRecognizer : public GestureRecognizer {
 public:
  static constexpr double kHysteresis = 10;

  using GestureRecognizer::GestureRecognizer;
  std::string className() const override { return "PanGestureRecognizer"; }

  int minimumNumberOfTouches() const { return minTouches_; }
  void setMinimumNumberOfTouches(int n) { minTouches_ = n < 1 ? 1 : n; }
  int maximumNumberOfTouches() const { return maxTouches_; }
  void setMaximumNumberOfTouches(int n) { maxTouches_ = n < 1 ? 1 : n; }

  // In the coordinates of `view` (nullptr: the window's): a vector, unaffected by the view's position.
  Point translationInView(const View* view) const;
  void setTranslation(Point translation, const View* view);
  Point velocityInView(const View* view) const;

 protected:
  void touchesBegan(const TouchSet& touches) override;
  void touchesMoved(const TouchSet& touches) override;
  void touchesEnded(const TouchSet& touches) override;
  void reset() override;

 private:
  Point vectorInView(Point windowVector, const View* view) const;

  int minTouches_ = 1;
  int maxTouches_ = std::numeric_limits<int>::max();
  Point start_;     // centroid where the sequence went down (window)
  Point current_;   // centroid now (window)
  Point offset_;    // added by setTranslation (window)
  Point velocity_;  // window points per second
  double lastTime_ = 0;
};

// A long press: the touches stay down, moving at most allowableMovement, for minimumPressDuration on the
// clock; then it begins, changes as they move and ends when they lift. Lifting or moving too far before
// the time fails it.
class LongPressGestureRecognizer : public GestureRecognizer {
 public:
  using GestureRecognizer::GestureRecognizer;
  ~LongPressGestureRecognizer() override;
  std::string className() const override { return "LongPressGestureRecognizer"; }

  double minimumPressDuration() const { return minimumPressDuration_; }
  void setMinimumPressDuration(double seconds) { minimumPressDuration_ = seconds < 0 ? 0 : seconds; }
  double allowableMovement() const { return allowableMovement_; }
  void setAllowableMovement(double points) { allowableMovement_ = points; }
  int numberOfTouchesRequired() const { return touchesRequired_; }
  void setNumberOfTouchesRequired(int touches) { touchesRequired_ = touches < 1 ? 1 : touches; }

 protected:
  void touchesBegan(const TouchSet& touches) override;
  void touchesMoved(const TouchSet& touches) override;
  void touchesEnded(const TouchSet& touches) override;
  void reset() override;

 private:
  void stopTimer();

  double minimumPressDuration_ = 0.5;
  double allowableMovement_ = 10;
  int touchesRequired_ = 1;
  Point downPoint_;
  std::shared_ptr<rl::Timer> timer_;
};

}  // namespace ui
