#pragma once
// FeedbackRecordViewController ("feedbackRecord", title "反馈记录"): the user's earlier error reports as
// the server keeps them, each [id, label, content, source]. A row reads "<n>.<label><text>" (the text the
// user wrote: the content after its second "N", or all of it) over "出自<source>", with a delete button
// that asks "您确定要删除吗？" first. A deletion the server confirms shows "删除成功" and fetches the list
// again; one it refuses shows "删除失败" and keeps the list. No records (or no list) show the image
// "center_nofeedback" over the screen.

#include <memory>
#include <string>

#include "platform/core/Value.h"
#include "service/Center.h"
#include "ui/ImageView.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

class FeedbackRecordViewController : public ui::ViewController,
                                     public CenterDelegate,
                                     public ui::TableViewDataSource,
                                     public ui::TableViewDelegate {
 public:
  static constexpr const char* kIdentifier = "feedbackRecord";
  static constexpr const char* kTitle = "反馈记录";
  static constexpr const char* kCellIdentifier = "feedbackRecord";
  static constexpr const char* kEmptyImage = "center_nofeedback";
  static constexpr const char* kDeleteImage = "feedback_delect";
  static constexpr const char* kDeleteQuestion = "您确定要删除吗？";
  static constexpr const char* kDeletedMessage = "删除成功";
  static constexpr const char* kDeleteFailedMessage = "删除失败";

  std::string className() const override { return "FeedbackRecordViewController"; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  const core::Value& errfeedbackArr() const { return errfeedbackArr_; }
  ui::TableView* tableView() const { return tableView_.get(); }
  // The "no records" image while it shows, else nullptr.
  ui::ImageView* emptyImage() const { return emptyImage_.get(); }

  // The text a record shows of its content: what follows its second "N", or all of it.
  static std::string shownContent(const std::string& content);

  void removeSuggestion(int row);
  void didGetSuggestion(bool ok, const core::Value& json) override;
  void didRemoveSuggestion(bool ok, const core::Value& json) override;

  int numberOfRowsInSection(ui::TableView& tableView, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                           ui::IndexPath indexPath) override;
  void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

 private:
  void getSuggestion();
  void showAlert(const std::string& message) const;

  core::Value errfeedbackArr_ = core::Value::newArray();
  std::shared_ptr<Center> centerBll_;
  std::shared_ptr<ui::TableView> tableView_;
  std::shared_ptr<ui::ImageView> emptyImage_;
};
