#pragma once
// ExamGuideContentViewController ("examGuideContent"): the article of one exam-guide item, read from the
// chosen bank by the item's Title and shown as HTML (no base address), with every "''" shown as "'".
// The title is the item's. An article the bank does not hold gives the alert "考试指南" with the
// reader's message (or "获取失败！" when it has none).

#include <memory>
#include <string>

#include "platform/core/Value.h"
#include "service/ExamGuide.h"
#include "ui/ViewController.h"
#include "ui/WebView.h"

class ExamGuideContentViewController : public ui::ViewController, public ExamGuideDelegate {
 public:
  static constexpr const char* kIdentifier = "examGuideContent";
  // The exam guide's title: the guide's levels show it, and it titles the article's failure alert.
  static constexpr const char* kGuideTitle = "考试指南";

  std::string className() const override { return "ExamGuideContentViewController"; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  void setRowValue(core::Value item) { rowValue_ = std::move(item); }
  void setSoftName(std::string name) { softName_ = std::move(name); }
  const core::Value& rowValue() const { return rowValue_; }
  const std::string& softName() const { return softName_; }
  ui::WebView* contentWebView() const { return contentWebView_.get(); }

  // The article text as the page shows it: every "''" becomes "'".
  static std::string articleHTML(const core::Value& body);

  void didGetExamGuideContent(bool ok, const core::Value& json) override;

 private:
  std::shared_ptr<ui::WebView> contentWebView_;
  std::shared_ptr<ExamGuide> examGuideBll_;
  core::Value rowValue_;
  std::string softName_;
};
