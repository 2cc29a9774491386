#pragma once
// ui::View: a rectangle in a tree of views. The model keeps UIKit's observable behaviour: frames, bounds
// and transforms, z-order by subview order (later subviews are in front), hit testing that skips hidden,
// transparent (alpha < 0.01) and non-interactive views, and point conversion between views.
//
// Every setter notifies the window's observers (ui::ViewObserver). Layout runs at once: a view whose
// bounds change resizes its subviews by their autoresizing masks and gets layoutSubviews() before the
// setter returns.
//
// Animations (ui/Animation.h): View::animate and the begin/commit calls. Inside a block the setters of
// frame, center, bounds, alpha, transform and background colour still apply at once and also record the
// change in the application's animation log.
//
// Custom drawing: a subclass overrides draw(Canvas&, Rect) and calls setNeedsDisplay() when what it
// draws changes; the presenter (or Harness::render) asks it to draw into a recording canvas.
//
// Gesture recognisers (ui/GestureRecognizer.h) are added to views; the window's touch engine feeds them.
//
// Views are shared objects (std::shared_ptr, made with std::make_shared); the superview owns its
// subviews, the superview link is weak. Mutating calls belong to the main thread.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/Animation.h"
#include "ui/Color.h"
#include "ui/Geometry.h"
#include "ui/Layer.h"
#include "ui/Responder.h"
#include "ui/ViewObserver.h"

namespace ui {

class Canvas;
class GestureRecognizer;
class ViewController;
class Window;

// How a view's frame follows its superview's size when that changes (combine the bits).
enum Autoresizing : unsigned {
  kAutoresizingNone = 0,
  kAutoresizingFlexibleLeftMargin = 1u << 0,
  kAutoresizingFlexibleWidth = 1u << 1,
  kAutoresizingFlexibleRightMargin = 1u << 2,
  kAutoresizingFlexibleTopMargin = 1u << 3,
  kAutoresizingFlexibleHeight = 1u << 4,
  kAutoresizingFlexibleBottomMargin = 1u << 5,
};

class View : public Responder, public std::enable_shared_from_this<View> {
 public:
  explicit View(Rect frame = {});
  ~View() override;
  View(const View&) = delete;
  View& operator=(const View&) = delete;

  // The class name used in descriptions ("View", "Label", "Button", ...).
  virtual std::string className() const { return "View"; }

  // Geometry. frame() is in the superview's coordinates; bounds() in the view's own (a scroll view's
  // bounds origin is its content offset); center() is the frame's middle in the superview.
  Rect frame() const;
  void setFrame(Rect frame);
  Rect bounds() const { return bounds_; }
  void setBounds(Rect bounds);
  Point center() const { return center_; }
  void setCenter(Point center);
  Transform transform() const { return transform_; }
  void setTransform(Transform transform);  // about the center

  int tag() const { return tag_; }
  void setTag(int tag);
  bool isHidden() const { return hidden_; }
  void setHidden(bool hidden);
  double alpha() const { return alpha_; }
  void setAlpha(double alpha);  // clamped to 0...1
  const Color& backgroundColor() const { return backgroundColor_; }
  void setBackgroundColor(Color color);
  bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
  void setUserInteractionEnabled(bool enabled);
  bool clipsToBounds() const { return clipsToBounds_; }
  void setClipsToBounds(bool clips);

  // Corner radius, border, shadow, contents (layer().masksToBounds() is clipsToBounds()).
  Layer& layer() { return layer_; }
  const Layer& layer() const { return layer_; }

  // Autoresizing (kAutoresizing... bits); default none. autoresizesSubviews (default true) lets the
  // subviews' masks apply when this view's size changes.
  unsigned autoresizingMask() const { return autoresizingMask_; }
  void setAutoresizingMask(unsigned mask) { autoresizingMask_ = mask; }
  bool autoresizesSubviews() const { return autoresizesSubviews_; }
  void setAutoresizesSubviews(bool value) { autoresizesSubviews_ = value; }

  // ---- animations (see ui/Animation.h) ----
  // Runs `changes` now, recording the animatable changes it makes with this duration, delay and curve;
  // `completion` runs on the clock at delay + duration (a zero duration: on the next run-loop turn).
  static void animate(double duration, double delay, AnimationOptions options,
                      const std::function<void()>& changes,
                      std::function<void(bool finished)> completion = {});
  static void animate(double duration, const std::function<void()>& changes,
                      std::function<void(bool finished)> completion = {});
  // The begin/commit style: changes between the two calls form one animation (default duration 0.2 s,
  // no delay, ease in-out). The did-stop callback gets the id and the finished flag when it completes.
  static void beginAnimations(std::string animationID);
  static void setAnimationDuration(double seconds);
  static void setAnimationDelay(double seconds);
  static void setAnimationCurve(AnimationCurve curve);
  static void setAnimationDidStop(std::function<void(const std::string& animationID, bool finished)> didStop);
  static void commitAnimations();
  // Changes made inside `changes` are not recorded even inside an animation block.
  static void performWithoutAnimation(const std::function<void()>& changes);

  // ---- drawing ----
  // Draws the view's own content (in its bounds coordinates) for the dirty rectangle. Default: nothing.
  virtual void draw(Canvas& canvas, Rect dirty) {}
  // Marks the content as needing a new draw (tells the observers: ViewProperty::Display).
  void setNeedsDisplay();
  bool needsDisplay() const { return needsDisplay_; }
  // Draws into `canvas` (clearing the needs-display mark): what the presenter and the tests call.
  void displayInto(Canvas& canvas);

  // ---- gestures ----
  void addGestureRecognizer(std::shared_ptr<GestureRecognizer> recognizer);  // moves it from another view
  void removeGestureRecognizer(const GestureRecognizer& recognizer);
  const std::vector<std::shared_ptr<GestureRecognizer>>& gestureRecognizers() const { return recognizers_; }
  // Asked before one of this view's own recognisers begins (after its delegate); NO fails it.
  // Default: YES. A scroll view refuses its pan across a direction it cannot scroll.
  virtual bool gestureRecognizerShouldBegin(GestureRecognizer& recognizer) { return true; }

  // Tree. Adding a view that has another superview moves it; adding a subview again brings it to the front.
  // A view cannot become its own ancestor (such calls are ignored).
  View* superview() const { return superview_; }
  Window* window() const;
  const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
  void addSubview(std::shared_ptr<View> view);
  void insertSubview(std::shared_ptr<View> view, std::size_t index);  // index past the end appends
  void insertSubviewAbove(std::shared_ptr<View> view, const View& sibling);
  void insertSubviewBelow(std::shared_ptr<View> view, const View& sibling);
  void bringSubviewToFront(const View& view);
  void sendSubviewToBack(const View& view);
  void removeFromSuperview();
  bool isDescendantOf(const View& ancestor) const;  // true for the view itself
  // The receiver when its tag matches, else the first match in depth-first pre-order; nullptr when none.
  View* viewWithTag(int tag);
  std::shared_ptr<View> sharedSubview(const View& child) const;  // the owning pointer of a direct subview

  // Coordinates. A null view means window coordinates (the coordinates of the top of the tree).
  Point convertPointToView(Point p, const View* view) const;
  Point convertPointFromView(Point p, const View* view) const;
  Rect convertRectToView(Rect r, const View* view) const;
  Rect convertRectFromView(Rect r, const View* view) const;
  // Own coordinates -> the superview's (bounds origin, transform about the center, position).
  Transform toSuperviewTransform() const;

  // Hit testing, front-most first. A point outside the view misses its subviews too.
  virtual View* hitTest(Point p);  // p in this view's coordinates
  virtual bool pointInside(Point p) const;
  // Not hidden and not transparent (alpha >= 0.01), ignoring ancestors.
  bool isVisibleSelf() const { return !hidden_ && alpha_ >= 0.01; }

  // The controller whose root view this is (nullptr for other views).
  ViewController* viewController() const { return owner_; }

  // Responder chain and first responder.
  Responder* nextResponder() const override;
  bool becomeFirstResponder() override;
  bool resignFirstResponder() override;
  bool isFirstResponder() const override;
  // Resigns the first responder inside this view's subtree; with force, even when it refuses.
  bool endEditing(bool force);

  void setNeedsLayout() { layoutSubviews(); }
  void layoutIfNeeded() {}

  // A multi-line description of the subtree for diagnostics.
  std::string describeTree() const;
  virtual std::string describeSelf() const;

 protected:
  virtual void layoutSubviews() {}
  virtual void willMoveToWindow(Window* window) {}
  virtual void didMoveToWindow() {}
  virtual void didAddSubview(View& subview) {}
  virtual void willRemoveSubview(View& subview) {}
  // Called when this view stops being the first responder because it leaves the window or is forced.
  virtual void forceResignFirstResponder();
  virtual Window* asWindow() { return nullptr; }
  virtual const Window* asWindow() const { return nullptr; }

  // Tells the window's observers that `property` of this view changed.
  void notify(ViewProperty property);

 private:
  friend class Layer;
  friend class ViewController;
  friend class Window;

  void insertChild(std::shared_ptr<View> view, std::size_t index);
  void moveChild(const View& view, std::size_t index);
  void propagateWillMoveToWindow(Window* window);
  void propagateDidMoveToWindow();
  void boundsChanged(const Rect& old);
  void autoresize(Size oldSize, Size newSize);

  Point center_;
  Rect bounds_;
  Transform transform_;
  int tag_ = 0;
  bool hidden_ = false;
  double alpha_ = 1;
  Color backgroundColor_;
  bool userInteractionEnabled_ = true;
  bool clipsToBounds_ = false;
  View* superview_ = nullptr;
  std::vector<std::shared_ptr<View>> subviews_;
  ViewController* owner_ = nullptr;
  Layer layer_{*this};
  unsigned autoresizingMask_ = kAutoresizingNone;
  bool autoresizesSubviews_ = true;
  bool needsDisplay_ = true;
  std::vector<std::shared_ptr<GestureRecognizer>> recognizers_;
};

}  // namespace ui
