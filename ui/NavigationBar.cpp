#include "ui/NavigationBar.h"

#include <algorithm>
#include <cmath>

#include "platform/core/Text.h"
#include "ui/TextMeasurer.h"
#include "ui/detail/Appearance.h"

namespace ui {

namespace {

BarStyle gAppearanceBarStyle = BarStyle::Default;

double estimatedWidth(BarButtonItem& item) {
  if (item.width() > 0) return item.width();
  if (item.customView()) return item.customView()->frame().width();
  if (item.image()) return std::max(44.0, item.image()->size().width + 20);
  // Room for the title as the bar button draws it (17-point system font), wide characters included.
  const double guess = static_cast<double>(core::utf16Length(item.title())) * 9 + 24;
  const double w = std::max(guess, std::ceil(sizeWithFont(item.title(), Font::system(17)).width) + 12);
  return std::clamp(w, 44.0, 120.0);
}

const char* systemTitle(BarButtonItem::SystemItem item) {
  switch (item) {
    case BarButtonItem::SystemItem::Done:
      return "Done";
    case BarButtonItem::SystemItem::Cancel:
      return "Cancel";
    case BarButtonItem::SystemItem::Edit:
      return "Edit";
    case BarButtonItem::SystemItem::Save:
      return "Save";
    case BarButtonItem::SystemItem::Add:
      return "Add";
    case BarButtonItem::SystemItem::Refresh:
      return "Refresh";
    case BarButtonItem::SystemItem::Action:
      return "Action";
    default:
      return "";
  }
}

}  // namespace

// ---- BarButtonItem ----

std::shared_ptr<BarButtonItem> BarButtonItem::withTitle(std::string title, Style style, Action action) {
  auto item = std::make_shared<BarButtonItem>();
  item->title_ = std::move(title);
  item->style_ = style;
  item->action_ = std::move(action);
  return item;
}

std::shared_ptr<BarButtonItem> BarButtonItem::withImage(std::shared_ptr<Image> image, Style style,
                                                        Action action) {
  auto item = std::make_shared<BarButtonItem>();
  item->image_ = std::move(image);
  item->style_ = style;
  item->action_ = std::move(action);
  return item;
}

std::shared_ptr<BarButtonItem> BarButtonItem::withSystemItem(SystemItem system, Action action) {
  auto item = std::make_shared<BarButtonItem>();
  item->systemItem_ = system;
  item->title_ = systemTitle(system);
  item->style_ = system == SystemItem::Done ? Style::Done : Style::Bordered;
  item->action_ = std::move(action);
  return item;
}

std::shared_ptr<BarButtonItem> BarButtonItem::withCustomView(std::shared_ptr<View> view) {
  auto item = std::make_shared<BarButtonItem>();
  item->customView_ = std::move(view);
  return item;
}

void BarButtonItem::setTitle(std::string title) {
  title_ = std::move(title);
  if (auto v = view_.lock()) v->refresh();
}

void BarButtonItem::setImage(std::shared_ptr<Image> image) {
  image_ = std::move(image);
  if (auto v = view_.lock()) v->refresh();
}

void BarButtonItem::setEnabled(bool enabled) {
  enabled_ = enabled;
  if (auto v = view_.lock()) v->refresh();
}

std::shared_ptr<View> BarButtonItem::makeView() {
  if (customView_) return customView_;
  if (isSpace()) {
    auto space = std::make_shared<View>();
    space->setUserInteractionEnabled(false);
    return space;
  }
  auto v = std::make_shared<BarButtonView>(shared_from_this());
  view_ = v;
  return v;
}

void BarButtonItem::performAction() {
  if (!enabled_ || !action_) return;
  auto keep = shared_from_this();
  auto action = action_;
  action(*this);
}

BarButtonView::BarButtonView(std::shared_ptr<BarButtonItem> item)
    : Button({}, ButtonType::Custom), item_(item) {
  addTarget(ControlEvent::TouchUpInside, [this](Control&) {
    if (auto it = item_.lock()) it->performAction();
  });
  refresh();
}

void BarButtonView::refresh() {
  auto it = item_.lock();
  if (!it) return;
  setTitle(it->title());
  setImage(it->image());
  setEnabled(it->isEnabled());
}

// ---- NavigationItem ----

void NavigationItem::changed() {
  if (auto bar = bar_.lock()) static_cast<NavigationBar&>(*bar).refresh();
}

void NavigationItem::setTitle(std::string title) {
  if (title == title_) return;
  title_ = std::move(title);
  changed();
}

void NavigationItem::setTitleView(std::shared_ptr<View> view) {
  titleView_ = std::move(view);
  changed();
}

std::shared_ptr<BarButtonItem> NavigationItem::leftBarButtonItem() const {
  return left_.empty() ? nullptr : left_.front();
}

void NavigationItem::setLeftBarButtonItem(std::shared_ptr<BarButtonItem> item, bool animated) {
  left_.clear();
  if (item) left_.push_back(std::move(item));
  changed();
}

void NavigationItem::setLeftBarButtonItems(std::vector<std::shared_ptr<BarButtonItem>> items, bool animated) {
  left_ = std::move(items);
  std::erase(left_, nullptr);
  changed();
}

std::shared_ptr<BarButtonItem> NavigationItem::rightBarButtonItem() const {
  return right_.empty() ? nullptr : right_.front();
}

void NavigationItem::setRightBarButtonItem(std::shared_ptr<BarButtonItem> item, bool animated) {
  right_.clear();
  if (item) right_.push_back(std::move(item));
  changed();
}

void NavigationItem::setRightBarButtonItems(std::vector<std::shared_ptr<BarButtonItem>> items,
                                            bool animated) {
  right_ = std::move(items);
  std::erase(right_, nullptr);
  changed();
}

void NavigationItem::setBackBarButtonItem(std::shared_ptr<BarButtonItem> item) {
  back_ = std::move(item);
  changed();
}

void NavigationItem::setHidesBackButton(bool hides, bool animated) {
  if (hides == hidesBackButton_) return;
  hidesBackButton_ = hides;
  changed();
}

// ---- NavigationBar ----

BarStyle NavigationBar::appearanceBarStyle() { return gAppearanceBarStyle; }
void NavigationBar::setAppearanceBarStyle(BarStyle style) { gAppearanceBarStyle = style; }

NavigationBar::NavigationBar(Rect frame) : View(frame), barStyle_(gAppearanceBarStyle) {}

void NavigationBar::setBarStyle(BarStyle style) {
  if (style == barStyle_) return;
  const bool wasTranslucent = isTranslucent();
  barStyle_ = style;
  if (titleLabel_)
    titleLabel_->setTextColor(barStyle_ == BarStyle::Default ? Color::black() : Color::white());
  notify(ViewProperty::BarStyle);
  if (wasTranslucent != isTranslucent() && superview()) superview()->setNeedsLayout();
}

void NavigationBar::setTranslucent(bool translucent) {
  if (translucent == translucent_) return;
  const bool wasTranslucent = isTranslucent();
  translucent_ = translucent;
  notify(ViewProperty::BarStyle);
  if (wasTranslucent != isTranslucent() && superview()) superview()->setNeedsLayout();
}

void NavigationBar::setTintColor(Color color) {
  tintColor_ = std::move(color);
  notify(ViewProperty::BarStyle);
}

void NavigationBar::setItems(std::vector<std::shared_ptr<NavigationItem>> items, bool animated) {
  detail::assertMainThread("NavigationBar::setItems");
  std::erase(items, nullptr);
  items_ = std::move(items);
  refresh();
}

void NavigationBar::pushNavigationItem(std::shared_ptr<NavigationItem> item, bool animated) {
  if (!item) return;
  items_.push_back(std::move(item));
  refresh();
}

std::shared_ptr<NavigationItem> NavigationBar::popNavigationItem(bool animated) {
  if (items_.empty()) return nullptr;
  auto top = items_.back();
  items_.pop_back();
  refresh();
  return top;
}

bool NavigationBar::hasBackButton() const {
  NavigationItem* top = topItem();
  return top && backItem() && !top->hidesBackButton() && top->leftBarButtonItems().empty();
}

std::string NavigationBar::backButtonTitle() const {
  if (!hasBackButton()) return "";
  NavigationItem* back = backItem();
  if (back->backBarButtonItem()) return back->backBarButtonItem()->title();
  if (!back->title().empty()) return back->title();
  return kDefaultBackTitle;
}

View* NavigationBar::titleView() const { return titleView_.get(); }

void NavigationBar::clearSubviews() {
  if (backButton_) backButton_->removeFromSuperview();
  if (titleLabel_) titleLabel_->removeFromSuperview();
  if (titleView_) titleView_->removeFromSuperview();
  for (auto& v : leftViews_) v->removeFromSuperview();
  for (auto& v : rightViews_) v->removeFromSuperview();
  backButton_.reset();
  backItem_.reset();
  titleLabel_.reset();
  titleView_.reset();
  leftViews_.clear();
  rightViews_.clear();
}

void NavigationBar::attachItems() {
  auto self = weak_from_this();
  if (NavigationItem* top = topItem()) top->bar_ = self;
  if (NavigationItem* back = backItem()) back->bar_ = self;
}

void NavigationBar::refresh() {
  detail::assertMainThread("NavigationBar::refresh");
  clearSubviews();
  attachItems();
  NavigationItem* top = topItem();
  if (!top) {
    notify(ViewProperty::Items);
    return;
  }
  if (hasBackButton()) {
    const std::string backTitle = backButtonTitle();
    std::weak_ptr<View> weakSelf = weak_from_this();
    backItem_ =
        BarButtonItem::withTitle(backTitle, BarButtonItem::Style::Bordered, [weakSelf](BarButtonItem&) {
          auto self = std::static_pointer_cast<NavigationBar>(weakSelf.lock());
          if (!self) return;
          if (self->backAction_) {
            auto action = self->backAction_;
            action();
          } else {
            self->popNavigationItem(true);
          }
        });
    backButton_ = std::static_pointer_cast<BarButtonView>(backItem_->makeView());
    addSubview(backButton_);
  }
  for (auto& item : top->leftBarButtonItems()) {
    leftViews_.push_back(item->makeView());
    addSubview(leftViews_.back());
  }
  for (auto& item : top->rightBarButtonItems()) {
    rightViews_.push_back(item->makeView());
    addSubview(rightViews_.back());
  }
  if (top->titleView()) {
    titleView_ = top->titleView();
    addSubview(titleView_);
  } else {
    titleLabel_ = std::make_shared<Label>(Rect{}, top->title());
    titleLabel_->setFont(Font::boldSystem(17));
    titleLabel_->setTextAlignment(TextAlignment::Center);
    titleLabel_->setTextColor(barStyle_ == BarStyle::Default ? Color::black() : Color::white());
    addSubview(titleLabel_);
  }
  layoutSubviews();
  notify(ViewProperty::Items);
}

void NavigationBar::layoutSubviews() {
  const double w = bounds().width();
  const double h = bounds().height();
  const double buttonHeight = std::min(30.0, h);
  const double y = (h - buttonHeight) / 2;
  double left = 5;
  if (backButton_ && backItem_) {
    const double bw = std::min(estimatedWidth(*backItem_), 100.0);
    backButton_->setFrame({left, y, bw, buttonHeight});
    left += bw + 5;
  }
  NavigationItem* top = topItem();
  if (top) {
    const auto& items = top->leftBarButtonItems();
    for (std::size_t i = 0; i < leftViews_.size() && i < items.size(); ++i) {
      const double iw = estimatedWidth(*items[i]);
      const double ih = items[i]->customView() ? leftViews_[i]->frame().height() : buttonHeight;
      leftViews_[i]->setFrame({left, (h - ih) / 2, iw, ih});
      left += iw + 5;
    }
  }
  double right = w - 5;
  if (top) {
    const auto& items = top->rightBarButtonItems();
    for (std::size_t i = 0; i < rightViews_.size() && i < items.size(); ++i) {
      const double iw = estimatedWidth(*items[i]);
      const double ih = items[i]->customView() ? rightViews_[i]->frame().height() : buttonHeight;
      right -= iw;
      rightViews_[i]->setFrame({right, (h - ih) / 2, iw, ih});
      right -= 5;
    }
  }
  // The title stays centred on the bar, as wide as the items on both sides allow.
  const double side = std::max(left, w - right);
  const double titleWidth = std::max(0.0, w - 2 * side);
  if (titleView_) {
    titleView_->setCenter({w / 2, h / 2});
  } else if (titleLabel_) {
    titleLabel_->setFrame({side, 0, titleWidth, h});
  }
}

// ---- Toolbar ----

Toolbar::Toolbar(Rect frame) : View(frame), barStyle_(NavigationBar::appearanceBarStyle()) {}

void Toolbar::setBarStyle(BarStyle style) {
  if (style == barStyle_) return;
  barStyle_ = style;
  notify(ViewProperty::BarStyle);
}

void Toolbar::setItems(std::vector<std::shared_ptr<BarButtonItem>> items, bool animated) {
  detail::assertMainThread("Toolbar::setItems");
  for (auto& v : views_) v->removeFromSuperview();
  views_.clear();
  std::erase(items, nullptr);
  items_ = std::move(items);
  for (auto& item : items_) {
    views_.push_back(item->makeView());
    addSubview(views_.back());
  }
  layoutSubviews();
  notify(ViewProperty::Items);
}

void Toolbar::layoutSubviews() {
  const double w = bounds().width();
  const double h = bounds().height();
  const double margin = 6;
  const double gap = 8;
  double fixed = 0;
  int flexible = 0;
  for (auto& item : items_) {
    if (item->systemItem() == BarButtonItem::SystemItem::FlexibleSpace) {
      ++flexible;
    } else {
      fixed += estimatedWidth(*item);
    }
  }
  const double gaps = items_.empty() ? 0 : gap * static_cast<double>(items_.size() - 1);
  const double spare = std::max(0.0, w - 2 * margin - fixed - gaps);
  const double flexWidth = flexible ? spare / flexible : 0;
  double x = margin;
  for (std::size_t i = 0; i < items_.size() && i < views_.size(); ++i) {
    auto& item = *items_[i];
    const double iw =
        item.systemItem() == BarButtonItem::SystemItem::FlexibleSpace ? flexWidth : estimatedWidth(item);
    const double ih = item.customView() ? views_[i]->frame().height() : std::min(30.0, h);
    views_[i]->setFrame({x, (h - ih) / 2, iw, ih});
    x += iw + gap;
  }
}

}  // namespace ui
