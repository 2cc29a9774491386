#pragma once
// TextSizeMeasurer: the size a text takes in a font when laid out in lines within a width, for the
// labels and table rows whose size follows their text. The window's toolkit brings real font
// metrics; ApproximateTextMeasurer is the stand-in the application uses until then and the fixed
// metrics tests rely on.

#include <string_view>

#include "ui/Font.h"
#include "ui/Geometry.h"

class TextSizeMeasurer {
 public:
  virtual ~TextSizeMeasurer() = default;
  // The size of `text` in `font`, wrapped at word boundaries within constraint.width (a word wider
  // than that is broken between characters) and at every line feed: the width of the widest line
  // and the height of all lines, at most constraint.height. An empty text measures 0 by 0.
  virtual ui::Size measure(std::string_view text, const ui::Font& font, ui::Size constraint) const = 0;
};

// Fixed metrics: a wide (East Asian) character advances by the font size, any other character by
// half of it; a line is 1.2 font sizes high. Breaks come after spaces and on either side of a wide
// character; spaces at the end of a line take no width.
class ApproximateTextMeasurer : public TextSizeMeasurer {
 public:
  static constexpr double kLineHeightFactor = 1.2;
  static constexpr double kNarrowAdvanceFactor = 0.5;

  ui::Size measure(std::string_view text, const ui::Font& font, ui::Size constraint) const override;
  static bool isWide(char32_t cp);
};
