#pragma once
// ui::Label: a text. Labels let touches through to what is behind them (user interaction is off).

#include "ui/Control.h"
#include "ui/Font.h"

namespace ui {

class Label : public View {
 public:
  explicit Label(Rect frame = {}, std::string text = "");
  std::string className() const override { return "Label"; }

  const std::string& text() const { return text_; }
  void setText(std::string text);
  const Font& font() const { return font_; }
  void setFont(Font font);
  const Color& textColor() const { return textColor_; }
  void setTextColor(Color color);
  TextAlignment textAlignment() const { return alignment_; }
  void setTextAlignment(TextAlignment alignment);
  int numberOfLines() const { return numberOfLines_; }  // 0 = as many as needed
  void setNumberOfLines(int lines);
  LineBreakMode lineBreakMode() const { return lineBreakMode_; }
  void setLineBreakMode(LineBreakMode mode);
  const Color& shadowColor() const { return shadowColor_; }
  Size shadowOffset() const { return shadowOffset_; }
  void setShadow(Color color, Size offset);
  bool adjustsFontSizeToFitWidth() const { return adjustsFontSize_; }
  void setAdjustsFontSizeToFitWidth(bool adjusts);

  std::string describeSelf() const override;

 private:
  std::string text_;
  Font font_ = Font::system(17);
  Color textColor_ = Color::black();
  TextAlignment alignment_ = TextAlignment::Left;
  int numberOfLines_ = 1;
  LineBreakMode lineBreakMode_ = LineBreakMode::TruncateTail;
  Color shadowColor_;
  Size shadowOffset_{0, -1};
  bool adjustsFontSize_ = false;
};

}  // namespace ui
