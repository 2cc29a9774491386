#include "ui/NavigationController.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "ui/Window.h"
#include "ui/detail/Appearance.h"

namespace ui {

namespace {

// The navigation controller's own view: tells its controller when its size changes.
class NavigationContainerView : public View {
 public:
  using View::View;
  std::string className() const override { return "NavigationContainerView"; }

 protected:
  void layoutSubviews() override {
    if (auto* nav = dynamic_cast<NavigationController*>(viewController())) nav->layoutContent();
  }
};

void warn(const std::string& message) { std::fprintf(stderr, "ui: %s\n", message.c_str()); }

}  // namespace

NavigationController::NavigationController(std::shared_ptr<ViewController> root)
    : bar_(std::make_shared<NavigationBar>(Rect(0, 0, 320, NavigationBar::kHeight))) {
  if (root && accepts(*root)) {
    addChildViewController(root);
    stack_.push_back(root);
    root->didMoveToParentViewController(this);
  }
  updateBar();
}

NavigationController::~NavigationController() { bar_->setBackAction({}); }

bool NavigationController::accepts(const ViewController& vc) const {
  if (&vc == this || vc.parentViewController() || vc.presentingViewController()) return false;
  return std::none_of(stack_.begin(), stack_.end(), [&](auto& s) { return s.get() == &vc; });
}

void NavigationController::updateBar() {
  std::vector<std::shared_ptr<NavigationItem>> items;
  for (auto& vc : stack_) items.push_back(vc->sharedNavigationItem());
  bar_->setItems(std::move(items));
}

void NavigationController::loadView() {
  auto container = std::make_shared<NavigationContainerView>(defaultViewFrame());
  setView(container);
  std::weak_ptr<ViewController> weakSelf = weak_from_this();
  NavigationController* raw = this;
  const bool shared = !weakSelf.expired();
  bar_->setBackAction([weakSelf, raw, shared] {
    auto keep = weakSelf.lock();
    NavigationController* nav = shared ? static_cast<NavigationController*>(keep.get()) : raw;
    if (nav) nav->popViewController(true);
  });
  container->addSubview(bar_);
  if (auto top = stack_.empty() ? nullptr : stack_.back())
    container->insertSubviewBelow(top->sharedView(), *bar_);
  layoutContent();
}

Rect NavigationController::contentFrame() const {
  View* v = viewIfLoaded();
  const Rect b = v ? v->bounds() : Rect({0, 0}, defaultViewFrame().size);
  if (barHidden_ || bar_->isTranslucent()) return b;
  return {b.minX(), b.minY() + NavigationBar::kHeight, b.width(),
          std::max(0.0, b.height() - NavigationBar::kHeight)};
}

void NavigationController::layoutContent() {
  View* v = viewIfLoaded();
  if (!v) return;
  bar_->setFrame({0, 0, v->bounds().width(), NavigationBar::kHeight});
  bar_->setHidden(barHidden_);
  if (ViewController* top = topViewController()) {
    if (View* tv = top->viewIfLoaded(); tv && tv->superview() == v) tv->setFrame(contentFrame());
  }
}

void NavigationController::setNavigationBarHidden(bool hidden, bool animated) {
  detail::assertMainThread("NavigationController::setNavigationBarHidden");
  if (hidden == barHidden_) return;
  barHidden_ = hidden;
  layoutContent();
}

ViewController* NavigationController::visibleViewController() const {
  ViewController* top = topViewController();
  if (ViewController* presented = presentedViewController()) return presented;
  return top;
}

bool NavigationController::pushViewController(std::shared_ptr<ViewController> vc, bool animated) {
  detail::assertMainThread("NavigationController::pushViewController");
  if (!vc || !accepts(*vc)) {
    warn("pushViewController: " + (vc ? vc->className() : std::string("null")) + " cannot be pushed");
    return false;
  }
  detail::Transition::finishAll();
  auto from = stack_.empty() ? nullptr : stack_.back();
  addChildViewController(vc);
  stack_.push_back(vc);
  updateBar();
  transition(from, vc, true, animated, {});
  vc->didMoveToParentViewController(this);
  stackChanged();
  return true;
}

int NavigationController::addViewControllersObserver(std::function<void(NavigationController& nc)> observer) {
  const int id = nextStackObserver_++;
  stackObservers_.emplace_back(id, std::move(observer));
  return id;
}

void NavigationController::removeViewControllersObserver(int id) {
  std::erase_if(stackObservers_, [id](auto& o) { return o.first == id; });
}

void NavigationController::stackChanged() {
  auto keep = weak_from_this().lock();
  for (auto& [id, observer] : std::vector(stackObservers_)) {
    if (observer) observer(*this);
  }
}

std::shared_ptr<ViewController> NavigationController::popViewController(bool animated) {
  detail::assertMainThread("NavigationController::popViewController");
  detail::Transition::finishAll();
  if (stack_.size() < 2) return nullptr;
  auto from = stack_.back();
  stack_.pop_back();
  from->willMoveToParentViewController(nullptr);
  updateBar();
  transition(from, stack_.back(), false, animated, {from});
  stackChanged();
  return from;
}

std::vector<std::shared_ptr<ViewController>> NavigationController::popToViewController(
    const ViewController& vc, bool animated) {
  detail::assertMainThread("NavigationController::popToViewController");
  detail::Transition::finishAll();
  auto it = std::find_if(stack_.begin(), stack_.end(), [&](auto& s) { return s.get() == &vc; });
  if (it == stack_.end() || it + 1 == stack_.end()) return {};
  std::vector<std::shared_ptr<ViewController>> removed(it + 1, stack_.end());
  auto from = stack_.back();
  stack_.erase(it + 1, stack_.end());
  for (auto& r : removed) r->willMoveToParentViewController(nullptr);
  updateBar();
  transition(from, stack_.back(), false, animated, removed);
  stackChanged();
  return removed;
}

std::vector<std::shared_ptr<ViewController>> NavigationController::popToRootViewController(bool animated) {
  if (stack_.empty()) return {};
  return popToViewController(*stack_.front(), animated);
}

bool NavigationController::setViewControllers(std::vector<std::shared_ptr<ViewController>> vcs,
                                              bool animated) {
  detail::assertMainThread("NavigationController::setViewControllers");
  std::set<const ViewController*> seen;
  for (auto& vc : vcs) {
    const bool known = vc && std::any_of(stack_.begin(), stack_.end(), [&](auto& s) { return s == vc; });
    if (!vc || !seen.insert(vc.get()).second || (!known && !accepts(*vc))) {
      warn("setViewControllers: the list has a null, repeated or foreign screen; the stack is unchanged");
      return false;
    }
  }
  if (vcs.empty()) {
    warn("setViewControllers: an empty list; the stack is unchanged");
    return false;
  }
  detail::Transition::finishAll();
  auto from = stack_.empty() ? nullptr : stack_.back();
  std::vector<std::shared_ptr<ViewController>> removed;
  for (auto& old : stack_) {
    if (!seen.count(old.get())) removed.push_back(old);
  }
  std::vector<std::shared_ptr<ViewController>> added;
  for (auto& vc : vcs) {
    if (std::none_of(stack_.begin(), stack_.end(), [&](auto& s) { return s == vc; })) added.push_back(vc);
  }
  for (auto& r : removed) r->willMoveToParentViewController(nullptr);
  for (auto& a : added) addChildViewController(a);
  const bool push = std::find(added.begin(), added.end(), vcs.back()) != added.end();
  stack_ = std::move(vcs);
  updateBar();
  transition(from, stack_.back(), push, animated, removed);
  for (auto& a : added) a->didMoveToParentViewController(this);
  stackChanged();
  return true;
}

void NavigationController::transition(std::shared_ptr<ViewController> from,
                                      std::shared_ptr<ViewController> to, bool push, bool animated,
                                      std::vector<std::shared_ptr<ViewController>> removed) {
  auto release = [removed] {
    for (auto& r : removed) r->removeFromParentViewController();
  };
  View* container = viewIfLoaded();
  if (!container || from == to) {
    release();
    return;
  }
  auto toView = to ? to->sharedView() : nullptr;  // loads the arriving screen before any appearance call
  if (toView) toView->setFrame(contentFrame());
  std::shared_ptr<View> fromView;
  if (from && from->viewIfLoaded() && from->viewIfLoaded()->superview() == container)
    fromView = from->sharedView();

  detail::Transition::Steps steps;
  if (fromView) steps.outgoing = {fromView.get()};
  steps.incoming = toView.get();
  steps.incomingEntersWindow = container->window() != nullptr;
  steps.animated = animated;
  auto containerRef = container->shared_from_this();
  auto bar = bar_;
  steps.attach = [containerRef, toView, fromView, bar, push] {
    if (!toView) return;
    // The screens' appearance calls ran before this and may have changed the bar's translucency.
    if (auto* nav = dynamic_cast<NavigationController*>(containerRef->viewController()))
      toView->setFrame(nav->contentFrame());
    if (!push && fromView && fromView->superview() == containerRef.get()) {
      containerRef->insertSubviewBelow(toView, *fromView);
    } else {
      containerRef->insertSubviewBelow(toView, *bar);
    }
  };
  steps.detach = [fromView, containerRef, release] {
    if (fromView && fromView->superview() == containerRef.get()) fromView->removeFromSuperview();
    release();
  };
  detail::Transition::start(container->window(), std::move(steps));
}

}  // namespace ui
