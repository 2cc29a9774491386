#pragma once
// CityPickerSource: fills a region picker from the bundle's province-and-city list "vardo_city.plist"
// (an array of {"state": province name, "cities": [city names]}) and keeps the choice.
//
// Component 0 lists the provinces, component 1 the cities of the chosen province; any other component
// has no rows. Choosing a province shows its cities and selects the first of them; regionText() is
// "<province> <city>". Entries that are not of that shape are skipped; a missing or unreadable list
// gives no rows and an empty choice. Main thread only.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "widgets/RegionPickerView.h"

struct CityListProvince {
  std::string state;
  std::vector<std::string> cities;
};

class CityPickerSource : public RegionPickerViewDataSource, public RegionPickerViewDelegate {
 public:
  // The list read from "vardo_city.plist" in the main bundle; nullopt when it is missing or not a list.
  static std::optional<std::vector<CityListProvince>> loadCityList();
  // The list read from a property-list file; nullopt when it is missing or not a list.
  static std::optional<std::vector<CityListProvince>> readCityList(const std::string& path);

  explicit CityPickerSource(std::vector<CityListProvince> provinces);

  const std::vector<CityListProvince>& provinces() const { return provinces_; }
  const std::string& state() const { return state_; }
  const std::string& city() const { return city_; }
  std::string regionText() const { return state_ + " " + city_; }

  int numberOfComponentsInPickerView(RegionPickerView& pickerView) override { return 2; }
  int numberOfRowsInComponent(RegionPickerView& pickerView, int component) override;
  std::string titleForRow(RegionPickerView& pickerView, int row, int component) override;
  void didSelectRow(RegionPickerView& pickerView, int row, int component) override;

 private:
  std::vector<CityListProvince> provinces_;
  std::size_t province_ = 0;
  std::string state_;
  std::string city_;
};
