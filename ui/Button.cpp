#include "ui/Button.h"

#include <algorithm>

namespace ui {

Button::Button(Rect frame, ButtonType type) : Control(frame), type_(type) {
  imageView_ = std::make_shared<ImageView>(Rect{});
  titleLabel_ = std::make_shared<Label>(Rect{});
  titleLabel_->setTextAlignment(TextAlignment::Center);
  titleLabel_->setFont(Font::system(type == ButtonType::Custom ? 17 : 15));
  titleLabel_->setTextColor(type == ButtonType::Custom ? Color::white() : Color::rgb(0, 0.48, 1));
  addSubview(imageView_);
  addSubview(titleLabel_);
  layoutSubviews();
}

std::shared_ptr<Button> Button::buttonWithType(ButtonType type, Rect frame) {
  return std::make_shared<Button>(frame, type);
}

template <class T>
const T* Button::lookup(const std::map<unsigned, T>& values, unsigned state) {
  if (auto it = values.find(state); it != values.end()) return &it->second;
  if ((state & kControlStateSelected) && (state & kControlStateHighlighted)) {
    if (auto it = values.find(kControlStateSelected); it != values.end()) return &it->second;
  }
  if (auto it = values.find(kControlStateNormal); it != values.end()) return &it->second;
  return nullptr;
}

void Button::setTitle(std::string title, unsigned state) {
  titles_[state] = std::move(title);
  refresh();
  notify(ViewProperty::Title);
}

std::optional<std::string> Button::title(unsigned state) const {
  if (auto it = titles_.find(state); it != titles_.end()) return it->second;
  return std::nullopt;
}

std::string Button::currentTitle() const {
  const auto* t = lookup(titles_, state());
  return t ? *t : std::string();
}

void Button::setTitleColor(Color color, unsigned state) {
  titleColors_[state] = std::move(color);
  refresh();
  notify(ViewProperty::Title);
}

Color Button::currentTitleColor() const {
  const auto* c = lookup(titleColors_, state());
  if (c) return *c;
  return type_ == ButtonType::Custom ? Color::white() : Color::rgb(0, 0.48, 1);
}

void Button::setImage(std::shared_ptr<Image> image, unsigned state) {
  images_[state] = std::move(image);
  refresh();
  notify(ViewProperty::Image);
}

std::shared_ptr<Image> Button::image(unsigned state) const {
  if (auto it = images_.find(state); it != images_.end()) return it->second;
  return nullptr;
}

std::shared_ptr<Image> Button::currentImage() const {
  const auto* i = lookup(images_, state());
  return i ? *i : nullptr;
}

void Button::setBackgroundImage(std::shared_ptr<Image> image, unsigned state) {
  backgroundImages_[state] = std::move(image);
  notify(ViewProperty::Image);
}

std::shared_ptr<Image> Button::backgroundImage(unsigned state) const {
  if (auto it = backgroundImages_.find(state); it != backgroundImages_.end()) return it->second;
  return nullptr;
}

std::shared_ptr<Image> Button::currentBackgroundImage() const {
  const auto* i = lookup(backgroundImages_, state());
  return i ? *i : nullptr;
}

void Button::setContentHorizontalAlignment(TextAlignment alignment) {
  contentAlignment_ = alignment;
  titleLabel_->setTextAlignment(alignment);
  layoutSubviews();
}

void Button::setContentEdgeInsets(EdgeInsets insets) {
  contentInsets_ = insets;
  layoutSubviews();
}

void Button::stateDidChange() { refresh(); }

void Button::refresh() {
  titleLabel_->setText(currentTitle());
  titleLabel_->setTextColor(currentTitleColor());
  imageView_->setImage(currentImage());
  layoutSubviews();
}

void Button::layoutSubviews() {
  if (!titleLabel_ || !imageView_) return;
  const Rect content = bounds().inset(contentInsets_);
  const auto img = imageView_->image();
  if (img) {
    const Size s = img->size();
    const bool hasTitle = !titleLabel_->text().empty();
    double x = content.midX() - s.width / 2;
    if (hasTitle || contentAlignment_ == TextAlignment::Left) x = content.minX();
    if (!hasTitle && contentAlignment_ == TextAlignment::Right) x = content.maxX() - s.width;
    imageView_->setFrame({x, content.midY() - s.height / 2, s.width, s.height});
    titleLabel_->setFrame(
        {x + s.width, content.minY(), std::max(0.0, content.maxX() - x - s.width), content.height()});
  } else {
    imageView_->setFrame({content.midX(), content.midY(), 0, 0});
    titleLabel_->setFrame(content);
  }
}

std::string Button::describeSelf() const {
  std::string s = Control::describeSelf();
  const std::string t = currentTitle();
  if (!t.empty()) s += " \"" + t + "\"";
  if (auto i = currentImage()) s += " image=" + i->name();
  if (auto b = currentBackgroundImage()) s += " background=" + b->name();
  return s;
}

}  // namespace ui
