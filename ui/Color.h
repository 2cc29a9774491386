#pragma once
// Colours of the UI model: red, green, blue and alpha from 0 to 1, or a pattern image.

#include <memory>
#include <string>

namespace ui {

class Image;

struct Color {
  double r = 0;
  double g = 0;
  double b = 0;
  double a = 0;                          // the default colour is clear
  std::shared_ptr<const Image> pattern;  // a tiled image instead of a flat colour

  static Color rgb(double red, double green, double blue, double alpha = 1) {
    return {red, green, blue, alpha, nullptr};
  }
  static Color rgb255(int red, int green, int blue, double alpha = 1) {
    return {red / 255.0, green / 255.0, blue / 255.0, alpha, nullptr};
  }
  static Color gray(double level, double alpha = 1) { return {level, level, level, alpha, nullptr}; }
  static Color patternImage(std::shared_ptr<const Image> image);

  static Color clear() { return {}; }
  static Color black() { return gray(0); }
  static Color white() { return gray(1); }
  static Color gray() { return gray(0.5); }
  static Color lightGray() { return gray(2.0 / 3); }
  static Color darkGray() { return gray(1.0 / 3); }
  static Color red() { return rgb(1, 0, 0); }
  static Color green() { return rgb(0, 1, 0); }
  static Color blue() { return rgb(0, 0, 1); }
  static Color orange() { return rgb(1, 0.5, 0); }

  bool isClear() const { return a == 0 && !pattern; }
  Color withAlpha(double alpha) const {
    Color c = *this;
    c.a = alpha;
    return c;
  }
  std::string describe() const;  // "rgba(255,0,0,1)" or "pattern(name)"

  friend bool operator==(const Color&, const Color&) = default;
};

}  // namespace ui
