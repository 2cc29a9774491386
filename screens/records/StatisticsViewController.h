#pragma once
// StatisticsViewController ("statistics"): how far the user has got in each chapter of the chosen bank
// and how often the answers were right, from the server's counts. One row per chapter with the share of
// its questions done and the share of the done ones answered right, both with one decimal ("40.0%");
// the total row "总进度" comes second, right after the first chapter. The list stays hidden until the
// counts have come; no reply, or no counts, gives the alert "统计分析" and nothing else.

#include <memory>
#include <string>

#include "platform/core/Value.h"
#include "service/System.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

class StatisticsViewController : public ui::ViewController,
                                 public ui::TableViewDataSource,
                                 public ui::TableViewDelegate,
                                 public SystemDelegate {
 public:
  static constexpr const char* kIdentifier = "statistics";
  static constexpr const char* kTitle = "统计分析";
  static constexpr const char* kTotalRow = "总进度";

  std::string className() const override { return "StatisticsViewController"; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  ui::TableView* statisticsTableView() const { return statisticsTableView_.get(); }
  const std::string& softEName() const { return softEName_; }
  const core::Value& originalArray() const { return originalArray_; }
  const core::Value& statisticsArray() const { return statisticsArray_; }

  void getStatistics();
  void didStatistics(bool ok, const core::Value& json) override;

  // The rows of the chapter counts ({"Name", "PastNum", "RightNum", "TestNum"} each, in reply order):
  // {"Name", "PastPercentage", "RightPercentage", "Sort"} per chapter, the total row inserted second
  // (after the only chapter, or alone when there is none). The total row's sums stop at the largest
  // count rather than overflow.
  static core::Value analysis(const core::Value& chapterCounts);
  // part / whole * 100 in single precision (core::percentOf of the counts): 0 when either is 0 or less,
  // 100 when the part is larger than the whole.
  static float arithmeticPercentage(const core::Value& part, const core::Value& whole);
  static core::Value creatObject(const std::string& name, float pastPercentage, float rightPercentage, int sort);

  int numberOfRowsInSection(ui::TableView& tableView, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                           ui::IndexPath indexPath) override;

 private:
  std::shared_ptr<ui::TableView> statisticsTableView_;
  std::shared_ptr<System> systemBll_;
  std::string softEName_;
  core::Value originalArray_ = core::Value::newArray();
  core::Value statisticsArray_ = core::Value::newArray();
};
