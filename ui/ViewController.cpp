#include "ui/ViewController.h"

#include <algorithm>
#include <cstdio>

#include "ui/Application.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"
#include "ui/Window.h"
#include "ui/detail/Appearance.h"

namespace ui {

namespace {

ViewController::LifecycleLog& lifecycleLog() {
  static ViewController::LifecycleLog log;
  return log;
}

void warn(const std::string& message) { std::fprintf(stderr, "ui: %s\n", message.c_str()); }

// The path of child indices from the top of the tree: a view is in front of another when its path sorts
// after the other's (descendants sort after their ancestors).
std::vector<std::size_t> zPath(const View& v) {
  std::vector<std::size_t> path;
  for (const View* c = &v; c->superview(); c = c->superview()) {
    const auto& siblings = c->superview()->subviews();
    for (std::size_t i = 0; i < siblings.size(); ++i) {
      if (siblings[i].get() == c) {
        path.push_back(i);
        break;
      }
    }
  }
  std::reverse(path.begin(), path.end());
  return path;
}

// A controller captured by a transition step: weakly when it is a shared object, else by address.
struct HostRef {
  explicit HostRef(ViewController* vc) : raw(vc), weak(vc->weak_from_this()), shared(!weak.expired()) {}
  std::pair<ViewController*, std::shared_ptr<ViewController>> get() const {
    if (!shared) return {raw, nullptr};
    auto keep = weak.lock();
    return {keep.get(), keep};
  }
  ViewController* raw;
  std::weak_ptr<ViewController> weak;
  bool shared;
};

}  // namespace

ViewController::ViewController() = default;

ViewController::~ViewController() {
  if (view_ && view_->owner_ == this) view_->owner_ = nullptr;
  for (auto& child : children_) {
    if (child->parent_ == this) child->parent_ = nullptr;
  }
  if (presented_ && presented_->presenting_ == this) presented_->presenting_ = nullptr;
}

void ViewController::setLifecycleLog(LifecycleLog log) { lifecycleLog() = std::move(log); }

void ViewController::log(const char* event) const {
  if (auto& l = lifecycleLog()) l(*this, event);
}

Rect ViewController::defaultViewFrame() {
  if (Application* app = Application::current()) {
    const Rect content = app->keyWindow().contentFrame();
    return {0, 0, content.width(), content.height()};
  }
  return {0, 0, 320, 480 - Window::kStatusBarHeight};
}

View& ViewController::view() { return *sharedView(); }

std::shared_ptr<View> ViewController::sharedView() {
  if (view_) return view_;
  detail::assertMainThread("ViewController::view");
  if (loadingView_) {
    // loadView asked for the view before making one: give it the default view to build on.
    setView(std::make_shared<View>(defaultViewFrame()));
    return view_;
  }
  auto keep = weak_from_this().lock();
  loadingView_ = true;
  log("loadView");
  loadView();
  if (!view_) setView(std::make_shared<View>(defaultViewFrame()));
  loadingView_ = false;
  log("viewDidLoad");
  viewDidLoad();
  return view_;
}

void ViewController::loadView() { setView(std::make_shared<View>(defaultViewFrame())); }

void ViewController::setView(std::shared_ptr<View> view) {
  detail::assertMainThread("ViewController::setView");
  if (view == view_) return;
  if (view_ && view_->owner_ == this) view_->owner_ = nullptr;
  if (view && view->owner_ && view->owner_ != this) view->owner_->view_.reset();
  view_ = std::move(view);
  if (view_) view_->owner_ = this;
  auto keep = weak_from_this().lock();
  for (auto& [id, observer] : std::vector(viewObservers_)) {
    if (observer) observer(*this);
  }
}

int ViewController::addViewObserver(std::function<void(ViewController& vc)> observer) {
  const int id = nextViewObserver_++;
  viewObservers_.emplace_back(id, std::move(observer));
  return id;
}

void ViewController::removeViewObserver(int id) {
  std::erase_if(viewObservers_, [id](auto& o) { return o.first == id; });
}

void ViewController::setTitle(std::string title) {
  title_ = std::move(title);
  navigationItem().setTitle(title_);
}

NavigationItem& ViewController::navigationItem() { return *sharedNavigationItem(); }

std::shared_ptr<NavigationItem> ViewController::sharedNavigationItem() {
  if (!navigationItem_) navigationItem_ = std::make_shared<NavigationItem>(title_);
  return navigationItem_;
}

NavigationController* ViewController::navigationController() const {
  for (ViewController* p = parent_; p; p = p->parent_) {
    if (auto* nav = dynamic_cast<NavigationController*>(p)) return nav;
  }
  return nullptr;
}

// ---- containment ----

void ViewController::addChildViewController(std::shared_ptr<ViewController> child) {
  detail::assertMainThread("ViewController::addChildViewController");
  if (!child || child.get() == this || child->parent_ == this) return;
  for (ViewController* p = parent_; p; p = p->parent_) {
    if (p == child.get()) return;  // an ancestor cannot become a child
  }
  if (child->parent_) child->removeFromParentViewController();
  child->willMoveToParentViewController(this);
  children_.push_back(child);
  child->parent_ = this;
}

void ViewController::removeFromParentViewController() {
  detail::assertMainThread("ViewController::removeFromParentViewController");
  if (!parent_) return;
  auto keep = weak_from_this().lock();
  auto& siblings = parent_->children_;
  auto it = std::find_if(siblings.begin(), siblings.end(), [&](auto& c) { return c.get() == this; });
  std::shared_ptr<ViewController> held;
  if (it != siblings.end()) {
    held = *it;
    siblings.erase(it);
  }
  parent_ = nullptr;
  didMoveToParentViewController(nullptr);
  if (held) detail::releaseLater(std::move(held));
}

ViewController* ViewController::rootAncestor() {
  ViewController* c = this;
  while (c->parent_) c = c->parent_;
  return c;
}

ViewController* ViewController::visibleChildViewController() const {
  ViewController* best = nullptr;
  std::vector<std::size_t> bestPath;
  for (auto& child : children_) {
    View* v = child->viewIfLoaded();
    if (!v || !v->window() || !v->isVisibleSelf()) continue;
    auto path = zPath(*v);
    if (!best || path > bestPath) {
      best = child.get();
      bestPath = std::move(path);
    }
  }
  return best;
}

// ---- presentation ----

ViewController* ViewController::presentingViewController() const {
  const ViewController* c = this;
  while (c->parent_) c = c->parent_;
  return c->presenting_;
}

ViewController* ViewController::presentedViewController() const {
  return sharedPresentedViewController().get();
}

std::shared_ptr<ViewController> ViewController::sharedPresentedViewController() const {
  const ViewController* c = this;
  while (c->parent_) c = c->parent_;
  return c->presented_;
}

bool ViewController::presentViewController(std::shared_ptr<ViewController> vc, bool animated,
                                           std::function<void()> completion) {
  detail::assertMainThread("ViewController::presentViewController");
  if (!vc) return false;
  ViewController* host = rootAncestor();
  if (vc.get() == host || vc->parent_ || vc->presenting_ || vc->presented_) {
    warn("presentViewController: " + vc->className() + " is already on screen elsewhere; not presented");
    return false;
  }
  detail::Transition::finishAll();
  if (host->presented_) {
    warn("presentViewController: " + host->className() + " already presents " +
         host->presented_->className() + "; " + vc->className() + " not presented");
    return false;
  }
  View* hostView = host->viewIfLoaded();
  Window* window = hostView ? hostView->window() : nullptr;
  if (!window) {
    warn("presentViewController: " + host->className() + " is not in the window; " + vc->className() +
         " not presented");
    return false;
  }
  if (window->rootViewController() == vc.get()) return false;

  host->presented_ = vc;
  vc->presenting_ = host;
  auto incoming = vc->sharedView();
  incoming->setFrame(window->contentFrame());
  auto outgoing = hostView->shared_from_this();

  detail::Transition::Steps steps;
  steps.outgoing = {outgoing.get()};
  steps.incoming = incoming.get();
  steps.incomingEntersWindow = true;
  steps.animated = animated;
  std::weak_ptr<View> weakWindow = window->weak_from_this();
  steps.attach = [weakWindow, incoming] {
    if (auto w = weakWindow.lock()) static_cast<Window&>(*w).addFrontView(incoming);
  };
  const HostRef ref(host);
  steps.detach = [ref, outgoing] {
    auto [h, keep] = ref.get();
    View* parent = outgoing->superview();
    if (!h || !parent) return;
    const auto& siblings = parent->subviews();
    for (std::size_t i = 0; i < siblings.size(); ++i) {
      if (siblings[i] == outgoing) h->savedIndex_ = i;
    }
    h->savedSuperview_ = parent->weak_from_this();
    outgoing->removeFromSuperview();
  };
  steps.done = std::move(completion);
  detail::Transition::start(window, std::move(steps));
  return true;
}

bool ViewController::dismissViewController(bool animated, std::function<void()> completion) {
  detail::assertMainThread("ViewController::dismissViewController");
  detail::Transition::finishAll();
  ViewController* root = rootAncestor();
  ViewController* host = root->presented_ ? root : root->presenting_;
  if (!host || !host->presented_) return false;

  // What shows is the last screen of the presentation chain; the ones between go without calls.
  ViewController* top = host->presented_.get();
  while (top->presented_) top = top->presented_.get();
  std::shared_ptr<View> outgoing = top->isViewLoaded() ? top->sharedView() : nullptr;
  Window* window = outgoing ? outgoing->window() : nullptr;
  std::shared_ptr<View> incoming = host->sharedView();
  auto savedSuperview = host->savedSuperview_.lock();
  if (!window && savedSuperview) window = savedSuperview->window();

  detail::Transition::Steps steps;
  if (outgoing) steps.outgoing = {outgoing.get()};
  steps.incoming = incoming.get();
  steps.incomingEntersWindow = incoming->window() == nullptr && savedSuperview && savedSuperview->window();
  steps.animated = animated && window;
  const std::size_t savedIndex = host->savedIndex_;
  steps.attach = [incoming, outgoing, savedSuperview, savedIndex] {
    if (!savedSuperview || incoming->superview()) return;
    if (outgoing && outgoing->superview() == savedSuperview.get()) {
      savedSuperview->insertSubviewBelow(incoming, *outgoing);
    } else {
      savedSuperview->insertSubview(incoming, std::min(savedIndex, savedSuperview->subviews().size()));
    }
  };
  steps.detach = [outgoing] {
    if (outgoing) outgoing->removeFromSuperview();
  };
  const HostRef ref(host);
  steps.done = [ref, completion = std::move(completion)] {
    auto [h, keep] = ref.get();
    if (h) {
      h->savedSuperview_.reset();
      h->unlinkPresentation();
    }
    if (completion) completion();
  };
  detail::Transition::start(window, std::move(steps));
  return true;
}

void ViewController::unlinkPresentation() {
  auto p = std::move(presented_);
  presented_.reset();
  while (p) {
    p->presenting_ = nullptr;
    auto next = std::move(p->presented_);
    p->presented_.reset();
    detail::releaseLater(std::move(p));
    p = std::move(next);
  }
}

// ---- appearance ----

void ViewController::beginAppearanceTransition(bool appearing, bool animated) {
  auto keep = weak_from_this().lock();
  if (appearing) {
    if (appearance_ == AppearanceState::Appearing || appearance_ == AppearanceState::Appeared) return;
    appearance_ = AppearanceState::Appearing;
    appearanceAnimated_ = animated;
    log("viewWillAppear");
    viewWillAppear(animated);
  } else {
    if (appearance_ == AppearanceState::Disappearing || appearance_ == AppearanceState::Disappeared) return;
    appearance_ = AppearanceState::Disappearing;
    appearanceAnimated_ = animated;
    log("viewWillDisappear");
    viewWillDisappear(animated);
  }
}

void ViewController::endAppearanceTransition() {
  auto keep = weak_from_this().lock();
  if (appearance_ == AppearanceState::Appearing) {
    appearance_ = AppearanceState::Appeared;
    log("viewDidAppear");
    viewDidAppear(appearanceAnimated_);
  } else if (appearance_ == AppearanceState::Disappearing) {
    appearance_ = AppearanceState::Disappeared;
    log("viewDidDisappear");
    viewDidDisappear(appearanceAnimated_);
  }
}

Responder* ViewController::nextResponder() const { return view_ ? view_->superview() : nullptr; }

}  // namespace ui
