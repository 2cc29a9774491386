#include "widgets/CityPickerSource.h"

#include "platform/core/Bundle.h"
#include "platform/core/PropertyList.h"

std::optional<std::vector<CityListProvince>> CityPickerSource::loadCityList() {
  auto path = core::Bundle::main().pathForResource("vardo_city", "plist");
  if (!path) return std::nullopt;
  return readCityList(*path);
}

std::optional<std::vector<CityListProvince>> CityPickerSource::readCityList(const std::string& path) {
  const core::Value list = core::PropertyList::readFile(path);
  if (!list.isArray()) return std::nullopt;
  std::vector<CityListProvince> provinces;
  for (const core::Value& entry : list.array()) {
    if (!entry.isDictionary()) continue;
    const core::Value state = entry.dict().get("state");
    const core::Value cities = entry.dict().get("cities");
    if (!state.isString() || !cities.isArray()) continue;
    CityListProvince p{state.str(), {}};
    for (const core::Value& city : cities.array()) {
      if (city.isString()) p.cities.push_back(city.str());
    }
    provinces.push_back(std::move(p));
  }
  return provinces;
}

CityPickerSource::CityPickerSource(std::vector<CityListProvince> provinces)
    : provinces_(std::move(provinces)) {
  if (!provinces_.empty()) {
    state_ = provinces_.front().state;
    if (!provinces_.front().cities.empty()) city_ = provinces_.front().cities.front();
  }
}

int CityPickerSource::numberOfRowsInComponent(RegionPickerView&, int component) {
  if (component == 0) return static_cast<int>(provinces_.size());
  if (component == 1 && province_ < provinces_.size())
    return static_cast<int>(provinces_[province_].cities.size());
  return 0;
}

std::string CityPickerSource::titleForRow(RegionPickerView&, int row, int component) {
  if (row < 0) return "";
  const auto r = static_cast<std::size_t>(row);
  if (component == 0 && r < provinces_.size()) return provinces_[r].state;
  if (component == 1 && province_ < provinces_.size() && r < provinces_[province_].cities.size())
    return provinces_[province_].cities[r];
  return "";
}

void CityPickerSource::didSelectRow(RegionPickerView& pickerView, int row, int component) {
  if (row < 0) return;
  const auto r = static_cast<std::size_t>(row);
  if (component == 0 && r < provinces_.size()) {
    province_ = r;
    state_ = provinces_[r].state;
    pickerView.selectRow(0, 1, true);
    pickerView.reloadComponent(1);
    pickerView.selectRow(0, 1,
                         false);  // the reload keeps a selection that fits; the new list starts at its top
    city_ = provinces_[r].cities.empty() ? "" : provinces_[r].cities.front();
  } else if (component == 1 && province_ < provinces_.size() && r < provinces_[province_].cities.size()) {
    city_ = provinces_[province_].cities[r];
  }
}
