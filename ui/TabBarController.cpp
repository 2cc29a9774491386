#include "ui/TabBarController.h"

#include <algorithm>

#include "ui/Window.h"
#include "ui/detail/Appearance.h"

namespace ui {

namespace {
// The controller's own view: tells its controller when its size changes.
class TabBarContainerView : public View {
 public:
  using View::View;
  std::string className() const override { return "TabBarContainerView"; }

 protected:
  void layoutSubviews() override {
    if (auto* tabs = dynamic_cast<TabBarController*>(viewController())) tabs->layoutContent();
  }
};
}  // namespace

TabBarController::TabBarController() : bar_(std::make_shared<TabBar>(Rect(0, 0, 320, TabBar::kHeight))) {}

TabBarController::~TabBarController() { bar_->setSelectionHandler({}); }

void TabBarController::loadView() {
  auto container = std::make_shared<TabBarContainerView>(defaultViewFrame());
  container->setBackgroundColor(Color::white());
  setView(container);
  bar_->setDelegate(weakAs<TabBarDelegate>());
  std::weak_ptr<ViewController> weakSelf = weak_from_this();
  bar_->setSelectionHandler([weakSelf](TabBarItem& item) {
    auto self = std::static_pointer_cast<TabBarController>(weakSelf.lock());
    if (!self) return;
    for (std::size_t i = 0; i < self->tabs_.size(); ++i) {
      if (self->items_[self->tabs_[i].get()].get() == &item) self->show(static_cast<int>(i));
    }
  });
  container->addSubview(bar_);
  layoutContent();
  if (selected_ >= 0) show(selected_);
}

void TabBarController::layoutContent() {
  View* v = viewIfLoaded();
  if (!v) return;
  const Rect b = v->bounds();
  bar_->setFrame({b.minX(), b.maxY() - TabBar::kHeight, b.width(), TabBar::kHeight});
  if (ViewController* vc = selectedViewController()) {
    if (View* content = vc->viewIfLoaded(); content && content->superview() == v)
      content->setFrame({b.minX(), b.minY(), b.width(), std::max(0.0, b.height() - TabBar::kHeight)});
  }
}

void TabBarController::setViewControllers(std::vector<std::shared_ptr<ViewController>> vcs, bool animated) {
  detail::assertMainThread("TabBarController::setViewControllers");
  // The screen on show leaves first.
  if (ViewController* current = selectedViewController()) {
    if (View* v = current->viewIfLoaded(); v && viewIfLoaded() && v->superview() == viewIfLoaded())
      v->removeFromSuperview();
  }
  for (auto& old : tabs_) {
    if (std::find(vcs.begin(), vcs.end(), old) != vcs.end()) continue;
    old->willMoveToParentViewController(nullptr);
    old->removeFromParentViewController();
    items_.erase(old.get());
  }
  std::vector<std::shared_ptr<ViewController>> kept;
  for (auto& vc : vcs) {
    if (!vc || std::find(kept.begin(), kept.end(), vc) != kept.end()) continue;
    const bool ours = vc->parentViewController() == this;
    if (!ours && (vc->parentViewController() || vc->presentingViewController() || vc.get() == this)) continue;
    if (!ours) {
      addChildViewController(vc);
      vc->didMoveToParentViewController(this);
    }
    kept.push_back(vc);
  }
  tabs_ = std::move(kept);
  std::vector<std::shared_ptr<TabBarItem>> items;
  for (auto& vc : tabs_) items.push_back(tabBarItem(*vc));
  bar_->setItems(std::move(items));
  selected_ = -1;
  if (!tabs_.empty()) show(0);
}

ViewController* TabBarController::selectedViewController() const {
  if (selected_ < 0 || selected_ >= static_cast<int>(tabs_.size())) return nullptr;
  return tabs_[static_cast<std::size_t>(selected_)].get();
}

void TabBarController::setSelectedIndex(int index) {
  if (index < 0 || index >= static_cast<int>(tabs_.size())) return;
  show(index);
}

TabBar& TabBarController::tabBar() { return *bar_; }

std::shared_ptr<TabBarItem> TabBarController::tabBarItem(ViewController& vc) {
  auto& item = items_[&vc];
  if (!item) item = std::make_shared<TabBarItem>(vc.title());
  return item;
}

void TabBarController::show(int index) {
  auto to = tabs_[static_cast<std::size_t>(index)];
  bar_->setSelectedItem(tabBarItem(*to).get());
  View* container = viewIfLoaded();
  const int previous = selected_;
  selected_ = index;
  if (!container) return;
  std::shared_ptr<View> fromView;
  if (previous >= 0 && previous < static_cast<int>(tabs_.size()) && previous != index) {
    View* v = tabs_[static_cast<std::size_t>(previous)]->viewIfLoaded();
    if (v && v->superview() == container) fromView = v->shared_from_this();
  }
  auto toView = to->sharedView();
  if (toView->superview() == container && !fromView) return;  // already on show
  const Rect b = container->bounds();
  toView->setFrame({b.minX(), b.minY(), b.width(), std::max(0.0, b.height() - TabBar::kHeight)});
  detail::Transition::Steps steps;
  if (fromView) steps.outgoing = {fromView.get()};
  steps.incoming = toView.get();
  steps.incomingEntersWindow = container->window() != nullptr;
  steps.animated = false;
  auto containerRef = container->shared_from_this();
  auto bar = bar_;
  steps.attach = [containerRef, toView, bar] { containerRef->insertSubviewBelow(toView, *bar); };
  steps.detach = [containerRef, fromView] {
    if (fromView && fromView->superview() == containerRef.get()) fromView->removeFromSuperview();
  };
  detail::Transition::start(container->window(), std::move(steps));
}

}  // namespace ui
