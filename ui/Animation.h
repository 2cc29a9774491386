#pragma once
// View animations of the UI model.
//
// The model does not interpolate: inside an animation block the new values apply at once (hit testing,
// layout and tests see the end state, as the platform's model layer did), and every change of an
// animatable property (frame, center, bounds, alpha, transform, background colour, and a layer's shadow
// path) is written to the application's AnimationLog as an AnimationRecord {view, property, from, to,
// duration, delay, curve}. The GTK presenter replays the log; tests read it (Harness::animations()).
//
// Completions run on the main run loop's clock at delay + duration after the block (a zero duration
// completes on the next run-loop turn, never inside the call). `finished` is false when a later
// animation took over one of the animation's properties of the same view before it completed. Removing a
// view does not drop the pending completions of its animations.
//
// Two styles, both on ui::View:
//   View::animate(0.3, 0, {AnimationCurve::Linear}, [&] { v->setAlpha(0); }, [](bool finished) { ... });
//   View::beginAnimations("exitApplication"); View::setAnimationDuration(0.3);
//   View::setAnimationDidStop([](const std::string& id, bool finished) { ... });
//   window.setTransform(...); View::commitAnimations();
// Blocks nest: changes belong to the innermost open block. Main thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "ui/Color.h"
#include "ui/Geometry.h"
#include "ui/Path.h"

namespace ui {

class View;

enum class AnimationCurve { EaseInOut, EaseIn, EaseOut, Linear };

struct AnimationOptions {
  AnimationCurve curve = AnimationCurve::EaseInOut;
  bool layoutSubviews = false;         // the subviews' layout changes animate along (always recorded here)
  bool beginFromCurrentState = false;  // accepted; the model's current state is always the end state
  bool allowUserInteraction = false;   // accepted; the model never blocks touches during animations
};

enum class AnimatableProperty { Frame, Center, Bounds, Alpha, Transform, BackgroundColor, ShadowPath };

const char* toString(AnimatableProperty property);

// double (alpha), Point (center), Rect (frame, bounds), Transform, Color, Path (shadow path).
using AnimationValue = std::variant<double, Point, Rect, Transform, Color, Path>;

struct AnimationRecord {
  View* view = nullptr;         // identity of the animated view (may be gone: check viewRef)
  std::weak_ptr<View> viewRef;  // empty when the view was not owned by a shared_ptr
  AnimatableProperty property = AnimatableProperty::Frame;
  AnimationValue from;
  AnimationValue to;
  double duration = 0;
  double delay = 0;
  AnimationCurve curve = AnimationCurve::EaseInOut;
  double startTime = 0;     // clock time of the block's end (the animation starts at startTime + delay)
  std::uint64_t group = 0;  // records of one block share a group number (increasing)
  std::string id;           // the begin/commit animation id, or the layer animation key ("shadowPath")

  // Typed access; a wrong type gives the default value.
  double fromDouble() const;
  double toDouble() const;
  Rect fromRect() const;
  Rect toRect() const;
  Point fromPoint() const;
  Point toPoint() const;
};

// The record of animations made in one application. Bounded: it keeps the latest kCapacity records.
class AnimationLog {
 public:
  static constexpr std::size_t kCapacity = 10000;

  const std::vector<AnimationRecord>& records() const { return records_; }
  std::size_t size() const { return records_.size(); }
  bool empty() const { return records_.empty(); }
  void clear() { records_.clear(); }
  // Records of one view (and, when given, one property), oldest first.
  std::vector<AnimationRecord> recordsFor(const View& view,
                                          std::optional<AnimatableProperty> property = std::nullopt) const;
  // The latest record of the view's property; nullopt when none.
  std::optional<AnimationRecord> last(const View& view, AnimatableProperty property) const;

  // Observers hear of every record as it is added (the presenter starts the animation there).
  int addObserver(std::function<void(const AnimationRecord&)> observer);
  void removeObserver(int id);

  void append(AnimationRecord record);

 private:
  std::vector<AnimationRecord> records_;
  std::vector<std::pair<int, std::function<void(const AnimationRecord&)>>> observers_;
  int nextObserver_ = 1;
};

// The log of the current application (nullptr when there is none: changes then just apply).
AnimationLog* currentAnimationLog();

namespace detail {
// Called by the setters of animatable properties: inside an animation block it records the change.
// Outside a block it does nothing.
void recordAnimatableChange(View& view, AnimatableProperty property, AnimationValue from, AnimationValue to);
// An explicit layer animation (the shadow path's basic animation): recorded at once with its own duration.
void recordLayerAnimation(View& view, AnimatableProperty property, AnimationValue from, AnimationValue to,
                          double duration, AnimationCurve curve, std::string key);
bool insideAnimationBlock();
}  // namespace detail

}  // namespace ui
