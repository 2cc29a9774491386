#include "screens/records/ExamGuideContentViewController.h"

#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "ui/NavigationItem.h"

std::string ExamGuideContentViewController::articleHTML(const core::Value& body) {
  std::string text = body.describe();
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    out.push_back(text[i]);
    if (text[i] == '\'' && i + 1 < text.size() && text[i + 1] == '\'') ++i;  // "''" shows as "'"
  }
  return out;
}

void ExamGuideContentViewController::loadView() {
  contentWebView_ = std::make_shared<ui::WebView>(defaultViewFrame());
  contentWebView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  setView(contentWebView_);
}

void ExamGuideContentViewController::viewDidLoad() {
  navigationItem().setBackBarButtonItem(
      ui::BarButtonItem::withTitle("返回", ui::BarButtonItem::Style::Plain, {}));
  examGuideBll_ = std::make_shared<ExamGuide>();
  examGuideBll_->delegate = weakAs<ExamGuideDelegate>();
  examGuideBll_->getLocalExamGuideContent(rowValue_["Title"].toString());
}

void ExamGuideContentViewController::viewWillAppear(bool) { setTitle(rowValue_["Title"].toString()); }

void ExamGuideContentViewController::viewDidAppear(bool) { VDAppStatistics::pageviewStartWithViewController(*this); }

void ExamGuideContentViewController::viewWillDisappear(bool) {
  VDAppStatistics::pageviewEndWithViewController(*this);
}

void ExamGuideContentViewController::didGetExamGuideContent(bool ok, const core::Value& json) {
  if (!ok) {
    const std::string message = json["Message"].toString();
    VDHelper::createAlert(kGuideTitle, message.empty() ? "获取失败！" : message, "OK");
    return;
  }
  contentWebView_->loadHTMLString(articleHTML(json["Body"]), std::nullopt);
}
