#include "screens/subject/SeriesTypes.h"

#include <algorithm>
#include <array>

#include "ui/Image.h"
#include "ui/ImageView.h"

namespace {

const std::array<std::vector<std::string_view>, 3> kNameLists = {{
    {"执业医师", "住院医师", "医学高级职称", "医学三基", "主治医师", "主治中医", "主管技师", "护士", "药学",
     "执业药师"},
    {"一、二级建造师", "注册建筑师", "工程"},
    {"财会", "金融", "经济师"},
}};

const std::array<const char*, 4> kIcons = {"category_yiyao", "category_jianzhu", "category_caikuai",
                                           "category_qita"};

}  // namespace

const std::vector<std::string>& SeriesTypes::categoryNames() {
  static const std::vector<std::string> names = {"医药考试", "建筑工程考试", "财会经济考试", "职业资格考试"};
  return names;
}

int SeriesTypes::typeOfSeriesName(std::string_view key) {
  for (std::size_t type = 0; type < kNameLists.size(); ++type) {
    const auto& list = kNameLists[type];
    if (std::find(list.begin(), list.end(), key) != list.end()) return static_cast<int>(type);
  }
  return kOther;
}

std::string SeriesTypes::iconForType(std::int64_t type) {
  if (type < 0 || type >= static_cast<std::int64_t>(kIcons.size())) return std::string();
  return kIcons[static_cast<std::size_t>(type)];
}

std::string SeriesTypes::iconForCategoryName(std::string_view name) {
  const auto& names = categoryNames();
  for (std::size_t i = 0; i < names.size(); ++i)
    if (names[i] == name) return kIcons[i];
  return kIcons[kOther];
}

core::Value SeriesTypes::groupCatalogue(const core::Value& catalogue, std::size_t groups) {
  std::array<core::Value, 4> lists = {core::Value::newArray(), core::Value::newArray(),
                                      core::Value::newArray(), core::Value::newArray()};
  if (catalogue.isArray()) {
    for (const core::Value& entry : catalogue.array()) {
      if (!entry.isDictionary()) continue;
      lists[static_cast<std::size_t>(typeOfSeriesName(entry["Key"].toString()))].push_back(entry);
    }
  }
  core::Value out = core::Value::newArray();
  for (std::size_t i = 0; i < groups; ++i) {
    core::Value group = core::Value::newDictionary();
    group.set("seriesType", static_cast<std::int64_t>(i));
    group.set("seriesArr", i < lists.size() ? lists[i] : core::Value::newArray());
    out.push_back(group);
  }
  return out;
}

std::optional<std::int64_t> SeriesTypes::typeOfSeriesInGroups(const core::Value& groups,
                                                              const std::string& seriesShortName) {
  if (!groups.isArray()) return std::nullopt;
  for (const core::Value& group : groups.array()) {
    const core::Value series = group["seriesArr"];
    if (!series.isArray()) continue;
    for (const core::Value& entry : series.array())
      if (entry["Value"].isString() && entry["Value"].str() == seriesShortName)
        return group["seriesType"].toInt();
  }
  return std::nullopt;
}

void SeriesTypes::setRowIcon(ui::ImageView& imageView, const std::string& iconName) {
  imageView.setImage(iconName.empty() ? nullptr : ui::Image::create(iconName, {kIconSize, kIconSize}));
  imageView.setTransform(ui::Transform::scale(kIconScale, kIconScale));
}
