#pragma once
// RegionPickerView: the picker of the region panel: columns (components) of rows, one row selected in
// each. Its data source gives the number of components and of rows per component, its delegate the row
// titles and hears of the rows the user picks.
//
// Each component shows its selected row in the selection band across the middle of the picker, with
// the rows before and after it above and below (kRowHeight apart, clipped to the picker). The user picks
// a row by tapping it: it becomes selected, moves into the band and the delegate is told. Selecting by
// program tells nobody. Main thread only.

#include <memory>
#include <string>
#include <vector>

#include "ui/Button.h"
#include "ui/View.h"

class RegionPickerView;

struct RegionPickerViewDataSource {
  virtual ~RegionPickerViewDataSource() = default;
  virtual int numberOfComponentsInPickerView(RegionPickerView& pickerView) = 0;
  virtual int numberOfRowsInComponent(RegionPickerView& pickerView, int component) = 0;
};

// Every method is optional.
struct RegionPickerViewDelegate {
  virtual ~RegionPickerViewDelegate() = default;
  virtual std::string titleForRow(RegionPickerView& pickerView, int row, int component) { return ""; }
  virtual void didSelectRow(RegionPickerView& pickerView, int row, int component) {}
};

class RegionPickerView : public ui::View {
 public:
  static constexpr double kRowHeight = 36;

  explicit RegionPickerView(ui::Rect frame = {});
  std::string className() const override { return "RegionPickerView"; }

  std::shared_ptr<RegionPickerViewDataSource> dataSource() const { return dataSource_.lock(); }
  void setDataSource(std::weak_ptr<RegionPickerViewDataSource> dataSource);
  std::shared_ptr<RegionPickerViewDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<RegionPickerViewDelegate> delegate);

  int numberOfComponents() const { return static_cast<int>(components_.size()); }
  int numberOfRowsInComponent(int component) const;  // 0 for an unknown component
  // The selected row of a component; -1 when the component is unknown or has no rows.
  int selectedRowInComponent(int component) const;
  // Selects a row by program (the delegate is not told). Out-of-range rows are ignored.
  void selectRow(int row, int component, bool animated);
  void reloadComponent(int component);
  void reloadAllComponents();
  // The title a row shows ("" for unknown rows).
  std::string titleForRow(int row, int component) const;

 private:
  struct Component {
    std::vector<std::string> titles;
    int selected = 0;
    std::vector<std::shared_ptr<ui::Button>> rowViews;
  };
  void loadComponent(int component);
  void layoutComponent(int component);
  void userPicked(int row, int component);

  std::weak_ptr<RegionPickerViewDataSource> dataSource_;
  std::weak_ptr<RegionPickerViewDelegate> delegate_;
  std::vector<Component> components_;
};
