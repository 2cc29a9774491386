#pragma once
// ui::Window: the top of the view tree. From back to front it holds the root screen's view, views laid on
// the window (overlays and any view the application adds), presented screens, and the alert layer, which
// always stays in front. The status-bar strip (0, 0, width, 20) belongs to the window: screens fill the
// content area below it.
//
// The window runs the touch engine: a touch is hit-tested when it begins and then delivered to that view
// until it ends, whatever it moves over. The gesture recognisers of the hit view and its ancestors see
// every event of the touch first (ui/GestureRecognizer.h); one that recognises may cancel the view's
// touches. The window also tells its ViewObservers of every change inside it.

#include <map>
#include <memory>
#include <vector>

#include "ui/View.h"

namespace ui {

class AlertLayer;
class ViewController;
namespace detail {
struct GestureSession;
}

class Window : public View {
 public:
  static constexpr double kStatusBarHeight = 20;

  explicit Window(Rect frame);
  ~Window() override;
  std::string className() const override { return "Window"; }

  // ---- screens ----
  ViewController* rootViewController() const { return root_.get(); }
  std::shared_ptr<ViewController> sharedRootViewController() const { return root_; }
  // Replaces the root screen (and whatever the old root presented) at once. The new root's view goes to
  // the back of the window, under overlays already there, and takes the content area.
  void setRootViewController(std::shared_ptr<ViewController> vc);
  // The content area: below the status bar unless the status bar is hidden.
  Rect contentFrame() const;
  bool isStatusBarHidden() const { return statusBarHidden_; }
  void setStatusBarHidden(bool hidden);  // resizes the root and presented screens

  // Lays `vc`'s view on the window, in front of everything but alerts, and keeps `vc` alive for as long
  // as its view stays on the window (however it leaves) or it presents a screen. Its view keeps the frame
  // the controller gave it.
  void addOverlay(std::shared_ptr<ViewController> vc);
  void removeOverlay(const ViewController& vc);  // removes its view from the window
  const std::vector<std::shared_ptr<ViewController>>& overlays() const { return overlays_; }

  AlertLayer& alertLayer() const { return *alertLayer_; }

  // Adds a view in front of every screen and overlay, behind the alert layer.
  void addFrontView(std::shared_ptr<View> view);

  View* firstResponder() const { return firstResponder_; }

  // ---- observers ----
  void addObserver(ViewObserver* observer);
  void removeObserver(ViewObserver* observer);

  // ---- touches ----
  // Feeds one touch event (window coordinates). Began hit-tests and returns the view that took the touch
  // (nullptr when nothing did, or while interaction is ignored); later phases go to that view and return
  // it. Phases of an unknown touch id are ignored.
  View* dispatchTouch(TouchPhase phase, Point location, int touchId = 0, double timestamp = 0);
  // While any begin is unmatched, new touches are ignored (screen transitions use this).
  void beginIgnoringInteractionEvents() { ++ignoring_; }
  void endIgnoringInteractionEvents() {
    if (ignoring_ > 0) --ignoring_;
  }
  bool isIgnoringInteractionEvents() const { return ignoring_ > 0; }

  Responder* nextResponder() const override { return nullptr; }

 protected:
  void didAddSubview(View& subview) override;
  void willRemoveSubview(View& subview) override;
  void layoutSubviews() override;
  Window* asWindow() override { return this; }
  const Window* asWindow() const override { return this; }

 private:
  friend class View;
  friend class ViewController;

  void notifyAdded(View& parent, View& child, std::size_t index);
  void notifyRemoved(View& parent, View& child);
  void notifyReordered(View& parent, View& child, std::size_t index);
  void notifyChanged(View& view, ViewProperty property);
  void resizeScreens();

  std::shared_ptr<ViewController> root_;
  std::vector<std::shared_ptr<ViewController>> overlays_;
  std::shared_ptr<AlertLayer> alertLayer_;
  View* firstResponder_ = nullptr;
  std::vector<ViewObserver*> observers_;
  struct ActiveTouch {
    Touch touch;
    std::shared_ptr<View> view;
    bool viewCancelled = false;  // a recogniser took the touch away from the view
  };
  void startGestures(const Touch& touch, View& hit);
  void deliverToRecognizers(TouchPhase phase, const Touch& touch);
  void cancelViewTouches();
  void endGestures();

  std::map<int, ActiveTouch> touches_;
  std::shared_ptr<detail::GestureSession> gestures_;
  int ignoring_ = 0;
  bool statusBarHidden_ = false;
};

}  // namespace ui
