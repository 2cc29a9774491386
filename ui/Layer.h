#pragma once
// ui::Layer: the drawing properties every view has beside its frame: corner radius, clipping to the
// (rounded) bounds, a border, a shadow and image contents. They are plain values: setting one tells the
// window's observers (ViewProperty::Layer) and changes nothing else; the presenter draws them.
//
// masksToBounds is the view's clipsToBounds (one flag, two names, as on the platform).
// addAnimation() records an explicit animation of a layer property (only "shadowPath" is animatable
// this way) in the animation log; the property itself is set by the caller, as on the platform.

#include <optional>
#include <string>

#include "ui/Animation.h"
#include "ui/Color.h"
#include "ui/Geometry.h"
#include "ui/Path.h"

namespace ui {

class Image;
class View;

// An explicit animation of one layer property (a basic animation by key path).
struct PropertyAnimation {
  std::string keyPath;                 // "shadowPath"
  std::optional<AnimationValue> from;  // nullopt: the layer's current value
  AnimationValue to;
  double duration = 0.25;
  AnimationCurve curve = AnimationCurve::EaseInOut;
};

class Layer {
 public:
  explicit Layer(View& view) : view_(view) {}
  Layer(const Layer&) = delete;
  Layer& operator=(const Layer&) = delete;

  double cornerRadius() const { return cornerRadius_; }
  void setCornerRadius(double radius);
  bool masksToBounds() const;
  void setMasksToBounds(bool masks);

  double borderWidth() const { return borderWidth_; }
  void setBorderWidth(double width);
  const Color& borderColor() const { return borderColor_; }  // default opaque black
  void setBorderColor(Color color);

  const Color& shadowColor() const { return shadowColor_; }  // default opaque black
  void setShadowColor(Color color);
  Size shadowOffset() const { return shadowOffset_; }  // default (0, -3)
  void setShadowOffset(Size offset);
  double shadowOpacity() const { return shadowOpacity_; }  // default 0 (no shadow); clamped to 0...1
  void setShadowOpacity(double opacity);
  double shadowRadius() const { return shadowRadius_; }  // default 3
  void setShadowRadius(double radius);
  // nullopt: the shadow follows the view's shape.
  const std::optional<Path>& shadowPath() const { return shadowPath_; }
  void setShadowPath(std::optional<Path> path);

  const std::shared_ptr<const Image>& contents() const { return contents_; }
  void setContents(std::shared_ptr<const Image> image);

  // Records the animation (for "shadowPath"; other key paths are ignored) and returns whether it was
  // taken. `key` names it as the platform's animation keys did.
  bool addAnimation(const PropertyAnimation& animation, const std::string& key);

  View& view() const { return view_; }

 private:
  void changed();

  View& view_;
  double cornerRadius_ = 0;
  double borderWidth_ = 0;
  Color borderColor_ = Color::black();
  Color shadowColor_ = Color::black();
  Size shadowOffset_{0, -3};
  double shadowOpacity_ = 0;
  double shadowRadius_ = 3;
  std::optional<Path> shadowPath_;
  std::shared_ptr<const Image> contents_;
};

}  // namespace ui
