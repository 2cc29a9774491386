#pragma once
// ui::NavigationController: a stack of screens under a navigation bar. Push, pop and replacement are
// animated on the clock (0.35 s) unless asked otherwise; while a transition runs, touches are ignored, and
// a new change first finishes the running one. The bar shows the top screen's navigation item with a back
// button that pops.
//
// Layout: the bar at the top of the controller's view (44 points), the top screen's view below it; with
// the bar hidden or translucent the screen takes the whole view.

#include <memory>
#include <vector>

#include "ui/NavigationBar.h"
#include "ui/ViewController.h"

namespace ui {

class NavigationController : public ViewController {
 public:
  explicit NavigationController(std::shared_ptr<ViewController> root = nullptr);
  ~NavigationController() override;
  std::string className() const override { return "NavigationController"; }

  void loadView() override;

  // False (and nothing happens) for a null screen, one already in a stack or presented, or this one.
  bool pushViewController(std::shared_ptr<ViewController> vc, bool animated);
  // The popped screen; nullptr when only the root is left.
  std::shared_ptr<ViewController> popViewController(bool animated);
  // The popped screens (bottom first); empty when vc is not in the stack or already on top.
  std::vector<std::shared_ptr<ViewController>> popToViewController(const ViewController& vc, bool animated);
  std::vector<std::shared_ptr<ViewController>> popToRootViewController(bool animated);
  // Replaces the stack. False for an empty list, null entries, duplicates, or screens held elsewhere.
  bool setViewControllers(std::vector<std::shared_ptr<ViewController>> vcs, bool animated);
  const std::vector<std::shared_ptr<ViewController>>& viewControllers() const { return stack_; }
  // Observers told after every change of the stack (push, pop, replacement): what containers watch
  // instead of key-value observing "viewControllers". Returns an id for removeViewControllersObserver.
  int addViewControllersObserver(std::function<void(NavigationController& nc)> observer);
  void removeViewControllersObserver(int id);
  ViewController* topViewController() const { return stack_.empty() ? nullptr : stack_.back().get(); }
  // The top screen, or what it presents.
  ViewController* visibleViewController() const;
  ViewController* visibleChildViewController() const override { return topViewController(); }

  NavigationBar& navigationBar() { return *bar_; }
  bool isNavigationBarHidden() const { return barHidden_; }
  void setNavigationBarHidden(bool hidden, bool animated = false);

  // The frame the top screen's view takes inside this controller's view.
  Rect contentFrame() const;
  // Lays out the bar and the top screen (the controller's view calls it when its size changes).
  void layoutContent();

 private:
  bool accepts(const ViewController& vc) const;
  void updateBar();
  void transition(std::shared_ptr<ViewController> from, std::shared_ptr<ViewController> to, bool push,
                  bool animated, std::vector<std::shared_ptr<ViewController>> removed);

  void stackChanged();

  std::vector<std::shared_ptr<ViewController>> stack_;
  std::vector<std::pair<int, std::function<void(NavigationController&)>>> stackObservers_;
  int nextStackObserver_ = 1;
  std::shared_ptr<NavigationBar> bar_;
  bool barHidden_ = false;
};

}  // namespace ui
