#pragma once
// FastLearnViewController ("fastLearnList"): fast learning's chapter levels. The top level ("快速学习")
// reads the local chapter tree; a sub-level shows the nodes its parent handed in. A node with
// sub-chapters pushes the next level titled with its name, a leaf ("Childs" null) opens its questions
// ("fastLearnDetail"), a node without "Childs" does nothing. Rows: "Name" over "共<Total>题".

#include <memory>
#include <string>

#include "platform/core/Value.h"
#include "service/Chapter.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

class FastLearnViewController : public ui::ViewController,
                                public ui::TableViewDataSource,
                                public ui::TableViewDelegate,
                                public ChapterDelegate {
 public:
  static constexpr const char* kIdentifier = "fastLearnList";
  static constexpr const char* kTitle = "快速学习";
  static constexpr const char* kCellIdentifier = "fastLearnListCell";

  std::string className() const override { return "FastLearnViewController"; }

  // ---- launch properties ----
  const core::Value& arForCopy() const { return arForCopy_; }
  void setArForCopy(core::Value nodes) { arForCopy_ = std::move(nodes); }
  bool isRequest() const { return isRequest_; }
  void setIsRequest(bool nested) { isRequest_ = nested; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  void didGetNavigation(bool ok, const core::Value& json) override;
  void toFastLearnDetail(const core::Value& node);
  void pushVC();
  void backToMainInterface();

  ui::TableView* fastLearnTableView() const { return fastLearnTableView_.get(); }
  const core::Value& arForTable() const { return arForTable_; }
  const std::string& softName() const { return softName_; }

  int numberOfRowsInSection(ui::TableView& tableView, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                           ui::IndexPath indexPath) override;
  void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

 private:
  std::shared_ptr<ui::TableView> fastLearnTableView_;
  std::shared_ptr<Chapter> chapterBll_;
  core::Value arrayOriginal_;
  core::Value arForTable_ = core::Value::newArray();
  core::Value arrayAll_;
  core::Value arForCopy_ = core::Value::newArray();
  bool isRequest_ = false;
  std::string softName_;
  std::string chapterid_;
  std::string navTitle_;
  std::int64_t testsCount_ = 0;
};
