#include "ui/Layer.h"

#include <algorithm>

#include "ui/View.h"

namespace ui {

void Layer::changed() { view_.notify(ViewProperty::Layer); }

void Layer::setCornerRadius(double radius) {
  if (radius == cornerRadius_) return;
  cornerRadius_ = radius;
  changed();
}

bool Layer::masksToBounds() const { return view_.clipsToBounds(); }

void Layer::setMasksToBounds(bool masks) { view_.setClipsToBounds(masks); }

void Layer::setBorderWidth(double width) {
  if (width == borderWidth_) return;
  borderWidth_ = width;
  changed();
}

void Layer::setBorderColor(Color color) {
  if (color == borderColor_) return;
  borderColor_ = std::move(color);
  changed();
}

void Layer::setShadowColor(Color color) {
  if (color == shadowColor_) return;
  shadowColor_ = std::move(color);
  changed();
}

void Layer::setShadowOffset(Size offset) {
  if (offset == shadowOffset_) return;
  shadowOffset_ = offset;
  changed();
}

void Layer::setShadowOpacity(double opacity) {
  opacity = std::clamp(opacity, 0.0, 1.0);
  if (opacity == shadowOpacity_) return;
  shadowOpacity_ = opacity;
  changed();
}

void Layer::setShadowRadius(double radius) {
  if (radius == shadowRadius_) return;
  shadowRadius_ = radius;
  changed();
}

void Layer::setShadowPath(std::optional<Path> path) {
  if (path == shadowPath_) return;
  shadowPath_ = std::move(path);
  changed();
}

void Layer::setContents(std::shared_ptr<const Image> image) {
  if (image == contents_) return;
  contents_ = std::move(image);
  changed();
}

bool Layer::addAnimation(const PropertyAnimation& animation, const std::string& key) {
  if (animation.keyPath != "shadowPath") return false;
  AnimationValue from = animation.from ? *animation.from : AnimationValue(shadowPath_.value_or(Path{}));
  detail::recordLayerAnimation(view_, AnimatableProperty::ShadowPath, std::move(from), animation.to,
                               animation.duration, animation.curve, key);
  return true;
}

}  // namespace ui
