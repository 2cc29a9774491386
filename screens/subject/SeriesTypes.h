#pragma once
// SeriesTypes: the four exam categories of the subject choice and how a series falls into one.
//
// A series type is 0 medical, 1 construction, 2 finance and economics, 3 other. A series entry
// {"Key": display name, "Value": English short name} takes the type of the first name list that holds
// its "Key" exactly (medical, then construction, then finance); any other name is type 3. The type
// picks the category row and the icon everywhere in the subject choice:
//
//   type  category row     icon
//   0     "医药考试"        "category_yiyao"
//   1     "建筑工程考试"    "category_jianzhu"
//   2     "财会经济考试"    "category_caikuai"
//   3     "职业资格考试"    "category_qita"
//
// A series group is {"seriesType": type, "seriesArr": [series entries]}.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Value.h"

namespace ui {
class Image;
class ImageView;
}  // namespace ui

class SeriesTypes {
 public:
  static constexpr int kOther = 3;
  // The size the icons are drawn at before the rows scale them (kIconScale both ways).
  static constexpr double kIconSize = 80;
  static constexpr double kIconScale = 0.3;

  // The four category names, in row order (type 0 to 3).
  static const std::vector<std::string>& categoryNames();
  // The type of a series by its display name ("Key").
  static int typeOfSeriesName(std::string_view key);
  // The icon of a type; "" for a value outside 0 to 3.
  static std::string iconForType(std::int64_t type);
  // The icon of a category row by its text: the category's own, "category_qita" for any other text.
  static std::string iconForCategoryName(std::string_view name);

  // The catalogue (an array of series entries) sorted into `groups` series groups: group i has type i
  // and, in catalogue order, the entries of type i (no entries for i above 3). Entries that are not
  // dictionaries are passed over; a catalogue that is not an array gives empty groups.
  static core::Value groupCatalogue(const core::Value& catalogue, std::size_t groups = 4);
  // The type of the first group (in order) that holds a series entry whose "Value" equals
  // `seriesShortName`; nullopt when none does.
  static std::optional<std::int64_t> typeOfSeriesInGroups(const core::Value& groups,
                                                          const std::string& seriesShortName);

  // Shows the icon in a row's image view (none for an empty name) at kIconScale.
  static void setRowIcon(ui::ImageView& imageView, const std::string& iconName);
};
