#pragma once
// SelectProvinceViewController ("selectProvince"): the provinces of a series whose subjects are split
// by province. The series screen sets the series entry and the province groups before the push. A row
// shows the province with the icon of the group's series type (a group without one counts as type
// 0); touching it opens the subject choice ("selectSubject") with the group's subjects.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/core/Value.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

class SelectProvinceViewController : public ui::ViewController,
                                     public ui::TableViewDataSource,
                                     public ui::TableViewDelegate {
 public:
  static constexpr const char* kIdentifier = "selectProvince";

  std::string className() const override { return "SelectProvinceViewController"; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // ---- properties ----
  const core::Value& quoteName() const { return quoteName_; }  // the series entry
  void setQuoteName(core::Value quoteName) { quoteName_ = std::move(quoteName); }
  const core::Value& provincesArray() const { return provincesArray_; }
  void setProvincesArray(core::Value provinces) { provincesArray_ = std::move(provinces); }
  const core::Value& provinces() const { return provinces_; }  // the rows
  ui::TableView* tableView() const { return tableView_.get(); }

  // ---- table ----
  int numberOfRowsInSection(ui::TableView& tableView, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                           ui::IndexPath indexPath) override;
  void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

 private:
  core::Value quoteName_;
  core::Value provincesArray_ = core::Value::newArray();
  core::Value provinces_ = core::Value::newArray();
  std::shared_ptr<ui::TableView> tableView_;
};
