#pragma once
// ChoiceScreenLayout: the views the subject-choice screens share. A list screen is a search bar
// across the top (placeholder kSearchPlaceholder, with its cancel button) over a table that fills the
// rest; the subject screen adds a bar at the bottom. Rows carry a disclosure indicator, text on as
// many lines as it needs and the series icon (SeriesTypes::setRowIcon).

#include <memory>
#include <string>
#include <string_view>

#include "ui/SearchBar.h"
#include "ui/TableView.h"
#include "ui/View.h"

class ChoiceScreenLayout {
 public:
  static constexpr const char* kSearchPlaceholder = "搜索科目";
  static constexpr const char* kBackTitle = "返回";

  struct Views {
    std::shared_ptr<ui::View> root;
    std::shared_ptr<ui::SearchBar> searchBar;
    std::shared_ptr<ui::TableView> table;
  };
  // The root view (the screen's default frame), the search bar and the table below it, ending
  // `bottomInset` points above the root's bottom.
  static Views make(ui::Rect frame, double bottomInset = 0);

  // A row cell from the table's pool under `identifier`, or a new one of `style`, set up as above.
  static std::shared_ptr<ui::TableViewCell> rowCell(ui::TableView& table, const std::string& identifier,
                                                    ui::TableViewCellStyle style);

  // The text without its blanks (" ").
  static std::string removeBlanks(std::string_view text);
};
