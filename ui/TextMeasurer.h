#pragma once
// Text measuring: the one measurer of the application. Row heights, label sizes and overlay boxes come
// from how much room a text takes in a font. The measurer in use is process-wide (any thread may measure):
// FixedTextMeasurer until another is set, whose metrics are simple and exact so that tests can state
// sizes; the application installs PangoTextMeasurer, with or without its window, so a headless run lays
// text out as the window draws it.
//
// Layout rules shared by every measurer: the text wraps at the constraint's width (hard line breaks at
// "\n" always); WordWrap and the truncating and clipping modes break between words (and anywhere between
// two wide characters, as Chinese text allows), a word longer than a line breaking by character;
// CharacterWrap breaks anywhere. At most as many lines as fit the constraint's height are counted (at
// least one). The result is the widest line by the number of lines times the line height, each rounded
// up to a whole point; an empty text measures 0 x 0.

#include <limits>
#include <memory>
#include <string_view>

#include "ui/Font.h"
#include "ui/Geometry.h"
#include "ui/Text.h"

namespace ui {

inline constexpr double kUnlimitedTextExtent = std::numeric_limits<double>::max();

class TextMeasurer {
 public:
  virtual ~TextMeasurer() = default;
  // The size the text takes; a constraint extent <= 0 counts as unlimited.
  virtual Size measure(std::string_view text, const Font& font, Size constraint,
                       LineBreakMode mode) const = 0;
  virtual double lineHeight(const Font& font) const = 0;

  static std::shared_ptr<TextMeasurer> current();           // FixedTextMeasurer until one is set
  static void setCurrent(std::shared_ptr<TextMeasurer> m);  // nullptr restores the fixed one
};

// Fixed metrics: a wide (East Asian: Chinese, kana, Hangul, full-width forms) character is 1.0 x the
// font size wide, any other 0.5 x the size; a line is 1.2 x the size high. Bold and face names change
// nothing. Carriage returns take no room.
class FixedTextMeasurer : public TextMeasurer {
 public:
  Size measure(std::string_view text, const Font& font, Size constraint, LineBreakMode mode) const override;
  double lineHeight(const Font& font) const override { return font.size * 1.2; }
  static bool isWide(char32_t c);
  static double advance(char32_t c, const Font& font) { return isWide(c) ? font.size : font.size * 0.5; }
};

// The platform's NSString measuring calls, through the current measurer.
// sizeWithFont(text, font): one line, unlimited width.
Size sizeWithFont(std::string_view text, const Font& font);
// sizeWithFont(text, font, constrainedToSize, lineBreakMode).
Size sizeWithFont(std::string_view text, const Font& font, Size constrainedToSize,
                  LineBreakMode lineBreakMode = LineBreakMode::WordWrap);

}  // namespace ui
