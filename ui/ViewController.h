#pragma once
// ui::ViewController: one screen. Its view is made lazily: the first call to view() runs loadView() (which
// builds the view tree in code) and then viewDidLoad(). Appearance calls follow the view in and out of the
// window: a controller whose view enters the window's hierarchy gets viewWillAppear / viewDidAppear, one
// whose view leaves gets viewWillDisappear / viewDidDisappear; hiding a view changes nothing. Navigation,
// presentation and root switches make the calls in the order old will-disappear, new will-appear,
// [transition on the clock], old did-disappear, new did-appear.
//
// Controllers are shared objects (std::make_shared). A parent keeps its children, a presenter keeps what
// it presents; the links back (parent, presenting controller) are weak.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/Responder.h"
#include "ui/View.h"

namespace ui {

class NavigationController;
class NavigationItem;
class Window;

enum class AppearanceState { Disappeared, Appearing, Appeared, Disappearing };

class ViewController : public Responder, public std::enable_shared_from_this<ViewController> {
 public:
  ViewController();
  ~ViewController() override;
  ViewController(const ViewController&) = delete;
  ViewController& operator=(const ViewController&) = delete;

  // The screen's class name as the application names it ("LoginViewController"); used for page names,
  // the lifecycle log and screen descriptions. Subclasses override it.
  virtual std::string className() const { return "ViewController"; }

  // ---- view ----
  View& view();                        // loads the view on first access
  std::shared_ptr<View> sharedView();  // the same, as the owning pointer
  bool isViewLoaded() const { return view_ != nullptr; }
  View* viewIfLoaded() const { return view_.get(); }
  void setView(std::shared_ptr<View> view);  // from loadView(), or to replace the view
  // Observers told whenever the view is set (loaded or replaced): what containers watch instead of
  // key-value observing "view". Returns an id for removeViewObserver.
  int addViewObserver(std::function<void(ViewController& vc)> observer);
  void removeViewObserver(int id);

  // Overridables of the life cycle (the defaults do nothing, except loadView, which makes a plain view
  // the size of the screen's content area).
  virtual void loadView();
  virtual void viewDidLoad() {}
  virtual void viewWillAppear(bool animated) {}
  virtual void viewDidAppear(bool animated) {}
  virtual void viewWillDisappear(bool animated) {}
  virtual void viewDidDisappear(bool animated) {}

  // ---- title and navigation ----
  const std::string& title() const { return title_; }
  void setTitle(std::string title);  // also the navigation item's title
  NavigationItem& navigationItem();
  std::shared_ptr<NavigationItem> sharedNavigationItem();
  // The nearest navigation controller among this controller and its ancestors (nullptr when none).
  NavigationController* navigationController() const;

  // ---- containment ----
  ViewController* parentViewController() const { return parent_; }
  const std::vector<std::shared_ptr<ViewController>>& childViewControllers() const { return children_; }
  // Calls child->willMoveToParentViewController(this); the caller adds the child's view and then calls
  // child->didMoveToParentViewController(this).
  void addChildViewController(std::shared_ptr<ViewController> child);
  // Calls didMoveToParentViewController(nullptr); the caller calls willMoveToParentViewController(nullptr)
  // first and removes the view.
  void removeFromParentViewController();
  virtual void willMoveToParentViewController(ViewController* parent) {}
  virtual void didMoveToParentViewController(ViewController* parent) {}
  // The topmost ancestor (the controller itself when it has no parent).
  ViewController* rootAncestor();
  // The child the user sees in this container: by default the front-most child whose view is in the
  // window; a navigation controller answers its top screen. nullptr when none.
  virtual ViewController* visibleChildViewController() const;

  // ---- presentation ----
  // Presents `vc` full screen (in the window, above everything but alerts) from this controller's
  // topmost ancestor, which must be on screen and present nothing yet. Animated presentations take
  // 0.35 s on the clock; the presenting screen's view leaves the window when the transition ends and comes
  // back on dismissal. Returns false (and presents nothing) when the presentation is not possible.
  bool presentViewController(std::shared_ptr<ViewController> vc, bool animated,
                             std::function<void()> completion = {});
  // Called on the presenter: dismisses what it presents (and anything that presents). Called on the
  // presented screen (or a child of it): dismisses it. Returns false when there is nothing to dismiss.
  bool dismissViewController(bool animated, std::function<void()> completion = {});
  ViewController* presentingViewController() const;
  ViewController* presentedViewController() const;
  std::shared_ptr<ViewController> sharedPresentedViewController() const;

  // ---- appearance ----
  AppearanceState appearanceState() const { return appearance_; }
  // For containers: will-appear / will-disappear now (if not already in that direction) ...
  void beginAppearanceTransition(bool appearing, bool animated);
  // ... and the matching did-call.
  void endAppearanceTransition();

  // One process-wide listener told of every life-cycle call (before the call), for tests:
  // event is "loadView", "viewDidLoad", "viewWillAppear", "viewDidAppear", "viewWillDisappear" or
  // "viewDidDisappear". An empty function removes it.
  using LifecycleLog = std::function<void(const ViewController& vc, const char* event)>;
  static void setLifecycleLog(LifecycleLog log);

  // A weak pointer to this controller as one of its delegate interfaces (std::weak_ptr<AlertViewDelegate>).
  template <class D>
  std::weak_ptr<D> weakAs() {
    return std::dynamic_pointer_cast<D>(shared_from_this());
  }

  Responder* nextResponder() const override;

 protected:
  // The frame a screen's view takes by default (the window's content area).
  static Rect defaultViewFrame();

 private:
  friend class Window;
  friend class NavigationController;

  void log(const char* event) const;
  void unlinkPresentation();

  std::shared_ptr<View> view_;
  bool loadingView_ = false;
  std::string title_;
  std::shared_ptr<NavigationItem> navigationItem_;
  ViewController* parent_ = nullptr;
  std::vector<std::shared_ptr<ViewController>> children_;
  std::shared_ptr<ViewController> presented_;
  ViewController* presenting_ = nullptr;
  std::weak_ptr<View> savedSuperview_;  // where this screen's view goes back after a dismissal
  std::size_t savedIndex_ = 0;
  AppearanceState appearance_ = AppearanceState::Disappeared;
  bool appearanceAnimated_ = false;
  std::vector<std::pair<int, std::function<void(ViewController&)>>> viewObservers_;
  int nextViewObserver_ = 1;
};

}  // namespace ui
