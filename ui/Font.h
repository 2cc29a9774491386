#pragma once
// A font reference: a family name ("" for the system font) and a size in points.

#include <string>

namespace ui {

struct Font {
  std::string name;  // "" = the system font; otherwise a face name such as "Helvetica-Bold"
  double size = 17;
  bool bold = false;  // the bold system font (named faces carry their weight in the name)

  static Font system(double size) { return {"", size, false}; }
  static Font boldSystem(double size) { return {"", size, true}; }
  static Font named(std::string name, double size) { return {std::move(name), size, false}; }

  bool isSystem() const { return name.empty(); }
  std::string describe() const;  // "system 17", "bold system 15", "Helvetica 14"

  friend bool operator==(const Font&, const Font&) = default;
};

}  // namespace ui
