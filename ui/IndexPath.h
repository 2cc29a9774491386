#pragma once
// A row of a table: its section and its row within the section.

#include <compare>
#include <string>

namespace ui {

struct IndexPath {
  int section = 0;
  int row = 0;

  static IndexPath forRow(int row, int section) { return {section, row}; }
  std::string toString() const { return "[" + std::to_string(section) + "," + std::to_string(row) + "]"; }

  friend auto operator<=>(const IndexPath&, const IndexPath&) = default;
};

}  // namespace ui
