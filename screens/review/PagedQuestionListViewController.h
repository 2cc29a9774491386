#pragma once
// PagedQuestionListViewController: the paged question list with removal that the favourites
// ("myFavoritesDetail") and the wrong-answer book ("errorRedoDetail") show: the questions of one
// subject or grouping, 20 a page, read from the local bank by the ids a page reply names, each row the
// question's title and its answer (QuestionRowCell).
//
// Loading: every appearance starts again at page 1 in normal mode with the list and the bottom bar
// hidden; a page reply's questions are read from the bank on a worker (the main thread stays free, a
// screen closed meanwhile gets nothing, and a later reply supersedes a page still being built); a page
// with questions shows them (the page count is the subject's total divided by
// 20, rounded up) and the bar; a reply without questions or a failed request leaves the rows as they
// were and keeps the page number of the rows shown (page 1 when none are).
//
// Paging: previous, next and the jump dialog (a text field; the page number read leniently) with their
// alerts; the page button shows "page/count页" and is disabled while there is at most one page. The
// browse button opens the answering screen at the first question of the page; a row tap at its own
// question.
//
// Removal: a swipe shows "移除" and its tap removes the row and asks the server at once. Batch mode
// ("批量移除") turns on editing with multiple selection: rows of one question (a case with several
// sub-questions) are selected together, the bottom button counts them ("移除(n)"), the right item
// selects or clears all ("全选"/"取消全选"); removing asks to confirm and sends each question once. After
// a successful removal the total drops, the page count is worked out again and the page number kept
// within it before the page is loaded again; removing every question leaves the list empty and browsing
// disabled. A failed removal restores the rows and disables browsing.
//
// Subclasses send the requests through their API client and hand the replies to pageLoaded and
// removalAnswered; they give the texts and the variant behaviours below.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "exam/sets/QuestionListRow.h"
#include "model/FunctionModule.h"
#include "model/Questions.h"
#include "platform/core/Value.h"
#include "screens/common/QuestionListPaging.h"
#include "ui/BarButtonItem.h"
#include "ui/Button.h"
#include "ui/NavigationBar.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

class PagedQuestionListViewController : public ui::ViewController,
                                        public ui::TableViewDataSource,
                                        public ui::TableViewDelegate {
 public:
  static constexpr const char* kBatchRemoveTitle = "批量移除";
  static constexpr const char* kDoneTitle = "完成";
  static constexpr const char* kSelectAllTitle = "全选";
  static constexpr const char* kDeselectAllTitle = "取消全选";
  static constexpr const char* kRemoveTitle = "移除";
  static constexpr const char* kConfirmTitle = "确认";
  static constexpr const char* kDoneMessage = "操作成功";
  static constexpr const char* kPreviousTitle = "上一页";
  static constexpr const char* kNextTitle = "下一页";
  static constexpr const char* kBrowseTitle = "浏览本页";
  static constexpr const char* kBackTitle = "返回";
  static constexpr double kRemoveButtonHeight = 40;

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // ---- launch properties ----
  const std::string& softEName() const { return softEName_; }
  void setSoftEName(std::string name) { softEName_ = std::move(name); }
  const std::string& sbjid() const { return sbjid_; }
  void setSbjid(std::string sbjid) { sbjid_ = std::move(sbjid); }
  std::int64_t testsCount() const { return testsCount_; }
  void setTestsCount(std::int64_t count) { testsCount_ = count; }

  // ---- state ----
  int pageIndex() const { return pageIndex_; }
  int pageCount() const { return pageCount_; }
  const QuestionsArray& testsList() const { return testsList_; }
  const core::Value& testsJSON() const { return testsJSON_; }
  const std::vector<QuestionListRow>& rows() const { return rows_; }
  const std::vector<std::string>& deleteList() const { return deleteList_; }
  bool isBatchMode() const { return batchMode_; }

  // ---- views ----
  ui::TableView* tableView() const { return tableView_.get(); }
  ui::Toolbar* bottomToolBar() const { return bottomToolBar_.get(); }
  ui::BarButtonItem* pageButton() const { return pageButton_.get(); }
  ui::BarButtonItem* browseButton() const { return browseButton_.get(); }
  ui::BarButtonItem* btnBatchRemove() const { return btnBatchRemove_.get(); }
  ui::BarButtonItem* selectAllButton() const { return selectAllButton_.get(); }
  ui::Button* btnBatchRemove2() const { return btnBatchRemove2_.get(); }

  // ---- actions ----
  void previousPage();
  void nextPage();
  void fastPaging();
  void browsePage();
  void batchRemove();
  void batchRemove2();
  void selectAllItem();

  // ---- table ----
  int numberOfRowsInSection(ui::TableView& tableView, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                           ui::IndexPath indexPath) override;
  bool canEditRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override { return true; }
  void commitEditingStyle(ui::TableView& tableView, ui::TableViewCellEditingStyle style,
                          ui::IndexPath indexPath) override;
  std::string titleForDeleteConfirmationButtonForRowAtIndexPath(ui::TableView& tableView,
                                                                ui::IndexPath indexPath) override {
    return kRemoveTitle;
  }
  double heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
  void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
  void didDeselectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

 protected:
  struct Texts {
    std::string listTitle;  // the first/last-page and empty-page alerts
    std::string lastPageMessage;
    std::string jumpTitle;      // the jump dialog
    std::string removalTitle;   // the removal reply alerts
    std::string rowIdentifier;  // reuse identifier of the rows
    FunctionModule module;      // for the answering screen
    std::string answeringTitle;
  };
  virtual Texts texts() const = 0;
  // The navigation title outside batch mode.
  virtual std::string caption() const = 0;
  // Called at each appearance before page 1 is asked for; false asks for nothing.
  virtual bool beginLoading() { return true; }
  virtual void requestPage() = 0;
  virtual void requestRemoval(const std::vector<std::string>& ids) = 0;
  // The alert of a failed page request (and what else the variant does then).
  virtual void showPageFailure(bool replyCame) = 0;

  // Replies, from the subclass's client.
  void pageLoaded(bool ok, const core::Value& json);
  void removalAnswered(bool ok, const core::Value& json);

  void disableBrowsing();
  static std::string localized(const char* key);
  static void showAlert(const std::string& title, const std::string& message, const std::string& button);

 private:
  void goToPage(int page);
  void showPage(const core::Value& json, std::optional<QuestionListPaging::Page> page);
  void restoreShownPage();
  void updatePageButton();
  void openAnsweringAtRow(int row);
  void enterBatchMode();
  void removeSelected();
  void leaveBatchMode(bool restoreRows);
  void showSelectedCount();
  void setRowsOfQuestions(const std::string& aid, bool selected);
  void afterRemoval(std::size_t removed);
  void layoutBottom();

  std::string softEName_;
  std::string sbjid_;
  std::int64_t testsCount_ = 0;
  int pageIndex_ = 1;
  int pageCount_ = 0;
  int shownPage_ = 0;             // the page whose rows the list shows; 0 while it shows none
  std::uint64_t pageSerial_ = 0;  // counts the page replies; only the last one's page is shown
  QuestionsArray testsList_;
  core::Value testsJSON_;
  std::vector<QuestionListRow> rows_;
  std::vector<QuestionListRow> originalArray_;
  std::vector<std::string> deleteList_;
  bool batchMode_ = false;

  std::shared_ptr<ui::TableView> tableView_;
  std::shared_ptr<ui::Toolbar> bottomToolBar_;
  std::shared_ptr<ui::BarButtonItem> pageButton_;
  std::shared_ptr<ui::BarButtonItem> browseButton_;
  std::shared_ptr<ui::BarButtonItem> btnBatchRemove_;
  std::shared_ptr<ui::BarButtonItem> selectAllButton_;
  std::shared_ptr<ui::Button> btnBatchRemove2_;
};
