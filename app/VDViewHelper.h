#pragma once
// VDViewHelper: builders of a label and a button from their values. Class methods only, no state.

#include <memory>
#include <string>

#include "ui/Button.h"
#include "ui/Label.h"

class VDViewHelper {
 public:
  // A label with the text, frame, system font of the size (bold when asked), colours, alignment and
  // line count (0 = as many as needed), lines truncated at the tail, and the tag.
  static std::shared_ptr<ui::Label> newLabel(const std::string& text, ui::Rect frameOfLabel,
                                             double sizeOfFont, const ui::Color& backgroundColor,
                                             const ui::Color& textColor, ui::TextAlignment textAlignment,
                                             bool isBold, int numberOfLines, int labelTag);
  // A custom button with the title, frame, title font, colours, image (may be null) and tag.
  static std::shared_ptr<ui::Button> newButton(const std::string& title, ui::Rect frameOfBtn,
                                               double sizeOfFont, const ui::Color& backgroundColor,
                                               const ui::Color& textColor, std::shared_ptr<ui::Image> image,
                                               bool isBold, int btnTag);
};
