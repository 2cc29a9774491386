#include "ui/TextMeasurer.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

#include "platform/core/Text.h"

namespace ui {

namespace {

struct Installed {
  std::mutex lock;
  std::shared_ptr<TextMeasurer> measurer;
};

Installed& installed() {
  static Installed i;
  return i;
}

// Code points of UTF-8 text (an invalid byte stands for U+FFFD); carriage returns take no room.
std::vector<char32_t> decode(std::string_view s) {
  std::vector<char32_t> out;
  std::size_t i = 0;
  while (i < s.size()) {
    const char32_t c = core::nextCodePoint(s, i);
    if (c != U'\r') out.push_back(c);
  }
  return out;
}

bool isSpace(char32_t c) { return c == ' ' || c == '\t'; }

struct Unit {
  double width = 0;
  bool space = false;
  std::vector<double> parts;  // character widths, for breaking an over-long word
};

}  // namespace

std::shared_ptr<TextMeasurer> TextMeasurer::current() {
  auto& i = installed();
  std::lock_guard guard(i.lock);
  if (!i.measurer) i.measurer = std::make_shared<FixedTextMeasurer>();
  return i.measurer;
}

void TextMeasurer::setCurrent(std::shared_ptr<TextMeasurer> m) {
  auto& i = installed();
  std::lock_guard guard(i.lock);
  i.measurer = std::move(m);
}

bool FixedTextMeasurer::isWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
         (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x2FFFD) ||
         (c >= 0x30000 && c <= 0x3FFFD);
}

Size FixedTextMeasurer::measure(std::string_view text, const Font& font, Size constraint,
                                LineBreakMode mode) const {
  if (text.empty()) return {0, 0};
  const double maxWidth = constraint.width > 0 ? constraint.width : kUnlimitedTextExtent;
  const double lh = lineHeight(font);
  std::size_t maxLines = static_cast<std::size_t>(-1);
  if (constraint.height > 0 && constraint.height < kUnlimitedTextExtent && lh > 0) {
    maxLines = std::max<std::size_t>(1, static_cast<std::size_t>(std::floor(constraint.height / lh + 1e-9)));
  }
  const bool anywhere = mode == LineBreakMode::CharacterWrap;
  constexpr double kEps = 1e-9;

  std::vector<double> lines;
  // One paragraph (no "\n") into lines.
  auto layoutParagraph = [&](const std::vector<char32_t>& chars) {
    std::vector<Unit> units;
    bool inWord = false;  // the last unit is an ASCII word still growing
    for (char32_t c : chars) {
      const double w = advance(c, font);
      const bool wordChar = !anywhere && !isWide(c) && !isSpace(c);
      if (wordChar && inWord) {
        units.back().width += w;
        units.back().parts.push_back(w);
        continue;
      }
      Unit u;
      u.width = w;
      u.space = isSpace(c);
      u.parts.push_back(w);
      units.push_back(std::move(u));
      inWord = wordChar;
    }
    const std::size_t firstLine = lines.size();
    double width = 0;    // of the line so far, trailing spaces included
    double visible = 0;  // without trailing spaces
    bool empty = true;
    auto endLine = [&] {
      lines.push_back(visible);
      width = visible = 0;
      empty = true;
    };
    for (const Unit& u : units) {
      if (u.space) {
        if (width + u.width <= maxWidth + kEps) {
          width += u.width;
        } else if (!empty) {
          endLine();  // the space is where the line breaks
        }
        continue;
      }
      if (width + u.width <= maxWidth + kEps) {
        width += u.width;
        visible = width;
        empty = false;
        continue;
      }
      if (!empty) endLine();
      if (u.width <= maxWidth + kEps) {
        width = visible = u.width;
        empty = false;
        continue;
      }
      // A word longer than a line: break it by character.
      for (double part : u.parts) {
        if (!empty && width + part > maxWidth + kEps) endLine();
        width += part;
        visible = width;
        empty = false;
      }
    }
    // The last line (an empty paragraph is one empty line).
    if (!empty) {
      lines.push_back(visible);
    } else if (lines.size() == firstLine) {
      lines.push_back(0);
    }
  };

  std::vector<char32_t> paragraph;
  const std::vector<char32_t> chars = decode(text);
  for (std::size_t i = 0; i < chars.size(); ++i) {
    if (chars[i] == '\n') {
      layoutParagraph(paragraph);
      paragraph.clear();
      continue;
    }
    paragraph.push_back(chars[i]);
  }
  if (!paragraph.empty()) layoutParagraph(paragraph);

  const std::size_t count = std::min(lines.size(), maxLines);
  double widest = 0;
  for (std::size_t i = 0; i < count; ++i) widest = std::max(widest, lines[i]);
  widest = std::min(widest, maxWidth);
  return {std::ceil(widest - kEps), std::ceil(static_cast<double>(count) * lh - kEps)};
}

Size sizeWithFont(std::string_view text, const Font& font) {
  auto m = TextMeasurer::current();
  return m->measure(text, font, {0, m->lineHeight(font)}, LineBreakMode::Clip);
}

Size sizeWithFont(std::string_view text, const Font& font, Size constrainedToSize,
                  LineBreakMode lineBreakMode) {
  return TextMeasurer::current()->measure(text, font, constrainedToSize, lineBreakMode);
}

}  // namespace ui
