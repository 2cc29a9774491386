#include "app/TextSizeMeasurer.h"

#include <algorithm>
#include <vector>

#include "platform/core/Text.h"

bool ApproximateTextMeasurer::isWide(char32_t cp) {
  return (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF && cp != 0x303F) ||
         (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) || (cp >= 0xFE30 && cp <= 0xFE4F) ||
         (cp >= 0xFF00 && cp <= 0xFF60) || (cp >= 0xFFE0 && cp <= 0xFFE6) ||
         (cp >= 0x20000 && cp <= 0x2FFFD) || (cp >= 0x30000 && cp <= 0x3FFFD);
}

namespace {

// A unit of layout: a run of narrow characters without spaces (a word), one wide character, one
// space or one line feed, with the advance of each of its characters.
struct Piece {
  enum Kind { Word, Space, Break } kind = Word;
  std::vector<double> advances;
  double width() const {
    double w = 0;
    for (double a : advances) w += a;
    return w;
  }
};

std::vector<Piece> piecesOf(std::string_view text, double size) {
  std::vector<Piece> pieces;
  bool inWord = false;
  std::size_t i = 0;
  while (i < text.size()) {
    const char32_t cp = core::nextCodePoint(text, i);
    if (cp == U'\n') {
      pieces.push_back({Piece::Break, {}});
      inWord = false;
    } else if (cp == U' ' || cp == U'\t') {
      pieces.push_back({Piece::Space, {size * ApproximateTextMeasurer::kNarrowAdvanceFactor}});
      inWord = false;
    } else if (ApproximateTextMeasurer::isWide(cp)) {
      pieces.push_back({Piece::Word, {size}});
      inWord = false;
    } else if (cp == U'\r') {
      continue;
    } else {
      if (!inWord) pieces.push_back({Piece::Word, {}});
      pieces.back().advances.push_back(size * ApproximateTextMeasurer::kNarrowAdvanceFactor);
      inWord = true;
    }
  }
  return pieces;
}

}  // namespace

ui::Size ApproximateTextMeasurer::measure(std::string_view text, const ui::Font& font,
                                          ui::Size constraint) const {
  if (text.empty()) return {0, 0};
  const double size = font.size;
  const double maxWidth = constraint.width;

  int lines = 1;
  double lineWidth = 0;     // width of the current line's placed characters
  double pendingSpace = 0;  // spaces after them, counted only when more follows on the line
  double widest = 0;
  bool lineEmpty = true;
  auto newLine = [&] {
    widest = std::max(widest, lineWidth);
    ++lines;
    lineWidth = 0;
    pendingSpace = 0;
    lineEmpty = true;
  };

  for (const Piece& piece : piecesOf(text, size)) {
    if (piece.kind == Piece::Break) {
      newLine();
      continue;
    }
    if (piece.kind == Piece::Space) {
      if (!lineEmpty) pendingSpace += piece.width();
      continue;
    }
    const double w = piece.width();
    if (!lineEmpty && lineWidth + pendingSpace + w <= maxWidth) {
      lineWidth += pendingSpace + w;
      pendingSpace = 0;
      continue;
    }
    if (!lineEmpty) newLine();
    // The piece starts a line; a word wider than the line is broken between its characters.
    for (double a : piece.advances) {
      if (!lineEmpty && lineWidth + a > maxWidth) newLine();
      lineWidth += a;
      lineEmpty = false;
    }
  }
  widest = std::max(widest, lineWidth);
  const double height = std::min(lines * size * kLineHeightFactor, constraint.height);
  return {widest, height};
}
