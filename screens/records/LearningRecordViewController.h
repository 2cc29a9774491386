#pragma once
// LearningRecordViewController ("learningRecord"): the logged-in user's stored runs of the chosen bank,
// newest first, one row each: "【<mode>】 <chapter>" over the time it was saved. Every appearance reads
// the history file again; with no records (or nobody logged in) the "no records" view shows instead.
// A row reopens its run in the answering screen at the question it was left at, with its replies; a
// run none of whose questions are left in the bank gives the alert "学习记录" and opens nothing.

#include <memory>

#include "platform/core/Value.h"
#include "ui/Label.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

class LearningRecordViewController : public ui::ViewController,
                                     public ui::TableViewDataSource,
                                     public ui::TableViewDelegate {
 public:
  static constexpr const char* kIdentifier = "learningRecord";
  static constexpr const char* kTitle = "学习记录";
  static constexpr const char* kCellIdentifier = "learningRecordCell";
  static constexpr const char* kNoRecords = "暂无学习记录";

  std::string className() const override { return "LearningRecordViewController"; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;

  const core::Value& learningRecordList() const { return learningRecordList_; }
  ui::TableView* learningRecordTableView() const { return learningRecordTableView_.get(); }
  ui::View* nullRecordView() const { return nullRecordView_.get(); }

  int numberOfRowsInSection(ui::TableView& tableView, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                           ui::IndexPath indexPath) override;
  double heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
  void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

  // A subtitle cell of the record lists' look (reuse identifier `identifier`): the text on as many lines
  // as it needs over a grey detail.
  static std::shared_ptr<ui::TableViewCell> subtitleCell(ui::TableView& tableView, const std::string& identifier);
  // The cell of a record, as both record lists show it (reuse identifier `identifier`), and its height
  // within `width`.
  static std::shared_ptr<ui::TableViewCell> recordCell(ui::TableView& tableView, const std::string& identifier,
                                                      const core::Value& record);
  static double recordRowHeight(const core::Value& record, double width);

 private:
  std::shared_ptr<ui::TableView> learningRecordTableView_;
  std::shared_ptr<ui::View> nullRecordView_;
  core::Value learningRecordList_ = core::Value::newArray();
  bool opening_ = false;  // a touched record's run is being restored
};
