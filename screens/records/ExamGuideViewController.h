#pragma once
// ExamGuideViewController ("examGuideList"): one level of the exam guide, a tree of articles that the
// chosen bank holds (read without the network). An item's InfoID has three digits per level: the top
// level shows the items whose id is exactly three digits, and an item's children are the items whose
// id is its own followed by exactly three digits (grandchildren are not). Items keep the order of the
// stored index. A tap opens the children as a new level of this screen, titled with the item, or the
// item's article ("examGuideContent") when it has none. The top level reads the index itself; a bank
// without a guide shows an empty list, an unreadable one the alert "考试指南" / "获取失败！".

#include <memory>
#include <string>

#include "platform/core/Value.h"
#include "screens/records/ExamGuideContentViewController.h"
#include "service/ExamGuide.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

class ExamGuideViewController : public ui::ViewController,
                                public ui::TableViewDataSource,
                                public ui::TableViewDelegate,
                                public ExamGuideDelegate {
 public:
  static constexpr const char* kIdentifier = "examGuideList";
  static constexpr const char* kTitle = ExamGuideContentViewController::kGuideTitle;

  std::string className() const override { return "ExamGuideViewController"; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // Set by the level above before the screen loads: every item, this level's items, and that nothing is
  // to be read.
  void setArray(core::Value array) { array_ = std::move(array); }
  void setArrayAllCopy(core::Value items) { arrayAllCopy_ = std::move(items); }
  void setIsRequest(bool isRequest) { isRequest_ = isRequest; }

  ui::TableView* tableView() const { return tableView_.get(); }
  const core::Value& array() const { return array_; }
  const core::Value& arrayAll() const { return arrayAll_; }
  bool isRequest() const { return isRequest_; }
  const core::Value& rowValue() const { return rowValue_; }
  const std::string& softName() const { return softName_; }

  // The top-level items of a guide index, and the children of `item` in it, in index order.
  static core::Value topLevel(const core::Value& index);
  static core::Value childrenOf(const core::Value& item, const core::Value& index);

  void didGetExamGuide(bool ok, const core::Value& json) override;
  void backToMainInterface();

  int numberOfRowsInSection(ui::TableView& tableView, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                           ui::IndexPath indexPath) override;
  void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

 private:
  void openLevel(const core::Value& children);
  void openArticle();

  std::shared_ptr<ui::TableView> tableView_;
  std::shared_ptr<ExamGuide> examGuideBll_;
  core::Value array_ = core::Value::newArray();
  core::Value arrayAll_ = core::Value::newArray();
  core::Value arrayAllCopy_ = core::Value::newArray();
  bool isRequest_ = false;
  core::Value rowValue_;
  core::Value rowInfo_;
  std::string softName_;
};
