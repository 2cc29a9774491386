#pragma once
// ui::Button: a control with a title, an image and a background image per state. A state without its own
// value shows the normal state's (selected-and-highlighted falls back to selected first).

#include <map>
#include <memory>
#include <optional>

#include "ui/Control.h"
#include "ui/Image.h"
#include "ui/ImageView.h"
#include "ui/Label.h"

namespace ui {

enum class ButtonType { Custom, RoundedRect, DetailDisclosure, InfoLight, InfoDark, ContactAdd };

class Button : public Control {
 public:
  explicit Button(Rect frame = {}, ButtonType type = ButtonType::Custom);
  static std::shared_ptr<Button> buttonWithType(ButtonType type, Rect frame = {});
  std::string className() const override { return "Button"; }

  ButtonType buttonType() const { return type_; }

  void setTitle(std::string title, unsigned state = kControlStateNormal);
  std::optional<std::string> title(unsigned state) const;  // exactly the state's own title
  std::string currentTitle() const;                        // what shows now ("" when none)
  void setTitleColor(Color color, unsigned state = kControlStateNormal);
  Color currentTitleColor() const;
  void setImage(std::shared_ptr<Image> image, unsigned state = kControlStateNormal);
  std::shared_ptr<Image> image(unsigned state) const;
  std::shared_ptr<Image> currentImage() const;
  void setBackgroundImage(std::shared_ptr<Image> image, unsigned state = kControlStateNormal);
  std::shared_ptr<Image> backgroundImage(unsigned state) const;
  std::shared_ptr<Image> currentBackgroundImage() const;

  Label& titleLabel() { return *titleLabel_; }
  ImageView& imageView() { return *imageView_; }
  TextAlignment contentHorizontalAlignment() const { return contentAlignment_; }
  void setContentHorizontalAlignment(TextAlignment alignment);
  EdgeInsets contentEdgeInsets() const { return contentInsets_; }
  void setContentEdgeInsets(EdgeInsets insets);

  std::string describeSelf() const override;

 protected:
  void stateDidChange() override;
  void layoutSubviews() override;

 private:
  template <class T>
  static const T* lookup(const std::map<unsigned, T>& values, unsigned state);
  void refresh();

  ButtonType type_;
  std::map<unsigned, std::string> titles_;
  std::map<unsigned, Color> titleColors_;
  std::map<unsigned, std::shared_ptr<Image>> images_;
  std::map<unsigned, std::shared_ptr<Image>> backgroundImages_;
  std::shared_ptr<Label> titleLabel_;
  std::shared_ptr<ImageView> imageView_;
  TextAlignment contentAlignment_ = TextAlignment::Center;
  EdgeInsets contentInsets_;
};

}  // namespace ui
