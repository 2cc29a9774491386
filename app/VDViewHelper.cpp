#include "app/VDViewHelper.h"

std::shared_ptr<ui::Label> VDViewHelper::newLabel(const std::string& text, ui::Rect frameOfLabel,
                                                  double sizeOfFont, const ui::Color& backgroundColor,
                                                  const ui::Color& textColor, ui::TextAlignment textAlignment,
                                                  bool isBold, int numberOfLines, int labelTag) {
  auto label = std::make_shared<ui::Label>(frameOfLabel, text);
  label->setFont(isBold ? ui::Font::boldSystem(sizeOfFont) : ui::Font::system(sizeOfFont));
  label->setBackgroundColor(backgroundColor);
  label->setTextColor(textColor);
  label->setTextAlignment(textAlignment);
  label->setNumberOfLines(numberOfLines);
  label->setLineBreakMode(ui::LineBreakMode::TruncateTail);
  label->setTag(labelTag);
  return label;
}

std::shared_ptr<ui::Button> VDViewHelper::newButton(const std::string& title, ui::Rect frameOfBtn,
                                                    double sizeOfFont, const ui::Color& backgroundColor,
                                                    const ui::Color& textColor,
                                                    std::shared_ptr<ui::Image> image, bool isBold,
                                                    int btnTag) {
  auto button = ui::Button::buttonWithType(ui::ButtonType::Custom, frameOfBtn);
  button->setTitle(title);
  button->setTitleColor(textColor);
  button->titleLabel().setFont(isBold ? ui::Font::boldSystem(sizeOfFont) : ui::Font::system(sizeOfFont));
  button->setBackgroundColor(backgroundColor);
  if (image) button->setImage(std::move(image));
  button->setTag(btnTag);
  return button;
}
