#include "ui/TabBar.h"

#include <algorithm>

#include "ui/detail/Appearance.h"

namespace ui {

// ---- TabBarItem ----

void TabBarItem::changed() {
  if (auto bar = bar_.lock()) static_cast<TabBar&>(*bar).refresh();
}

void TabBarItem::setTitle(std::string title) {
  title_ = std::move(title);
  changed();
}

void TabBarItem::setImage(std::shared_ptr<Image> image) {
  image_ = std::move(image);
  changed();
}

void TabBarItem::setEnabled(bool enabled) {
  enabled_ = enabled;
  changed();
}

void TabBarItem::setBadgeValue(std::string badge) {
  badge_ = std::move(badge);
  changed();
}

void TabBarItem::setImageInsets(EdgeInsets insets) {
  imageInsets_ = insets;
  changed();
}

void TabBarItem::setFinishedSelectedImage(std::shared_ptr<Image> selected,
                                          std::shared_ptr<Image> unselected) {
  finishedSelected_ = std::move(selected);
  finishedUnselected_ = std::move(unselected);
  changed();
}

// ---- TabBarButton ----

std::shared_ptr<Image> TabBarButton::currentImage() const {
  const auto& finished = isSelected() ? item_->finishedSelectedImage() : item_->finishedUnselectedImage();
  return finished ? finished : item_->image();
}

std::string TabBarButton::describeSelf() const {
  std::string s = Control::describeSelf();
  if (!item_->title().empty()) s += " \"" + item_->title() + "\"";
  if (auto img = currentImage()) s += " image=" + img->name();
  return s;
}

// ---- TabBar ----

TabBar::TabBar(Rect frame) : View(frame) { setBackgroundColor(Color::gray(0.1)); }

void TabBar::setItems(std::vector<std::shared_ptr<TabBarItem>> items, bool animated) {
  detail::assertMainThread("TabBar::setItems");
  std::erase(items, nullptr);
  items_ = std::move(items);
  if (selected_ && std::find(items_.begin(), items_.end(), selected_) == items_.end()) selected_.reset();
  refresh();
}

void TabBar::setSelectedItem(TabBarItem* item) {
  auto it = std::find_if(items_.begin(), items_.end(), [&](auto& i) { return i.get() == item; });
  selected_ = it == items_.end() ? nullptr : *it;
  for (auto& b : buttons_) b->setSelected(&b->item() == selected_.get());
  notify(ViewProperty::Items);
}

TabBarButton* TabBar::buttonFor(const TabBarItem& item) const {
  for (auto& b : buttons_) {
    if (&b->item() == &item) return b.get();
  }
  return nullptr;
}

void TabBar::refresh() {
  detail::assertMainThread("TabBar::refresh");
  for (auto& b : buttons_) b->removeFromSuperview();
  buttons_.clear();
  std::weak_ptr<View> weakSelf = weak_from_this();
  for (auto& item : items_) {
    item->bar_ = weakSelf;
    auto button = std::make_shared<TabBarButton>(item);
    button->setEnabled(item->isEnabled());
    button->setSelected(item == selected_);
    std::weak_ptr<TabBarItem> weakItem = item;
    button->addTarget(ControlEvent::TouchUpInside, [weakSelf, weakItem](Control&) {
      auto self = std::static_pointer_cast<TabBar>(weakSelf.lock());
      auto it = weakItem.lock();
      if (self && it) self->userSelected(it);
    });
    buttons_.push_back(button);
    addSubview(button);
  }
  layoutSubviews();
  notify(ViewProperty::Items);
}

void TabBar::layoutSubviews() {
  if (buttons_.empty()) return;
  const double w = bounds().width() / static_cast<double>(buttons_.size());
  for (std::size_t i = 0; i < buttons_.size(); ++i)
    buttons_[i]->setFrame({w * static_cast<double>(i), 0, w, bounds().height()});
}

void TabBar::userSelected(const std::shared_ptr<TabBarItem>& item) {
  auto keep = shared_from_this();
  setSelectedItem(item.get());
  if (onSelect_) {
    auto handler = onSelect_;
    handler(*item);
  }
  if (auto d = delegate()) d->didSelectItem(*this, *item);
}

}  // namespace ui
