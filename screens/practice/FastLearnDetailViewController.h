#pragma once
// FastLearnDetailViewController ("fastLearnDetail"): one chapter's questions with their right answers,
// 20 a page. The chapter's set is asked for once, when the screen loads (ChapterTestBuilder), and read
// from the bank on a worker; the list and the bottom bar show once it has questions. Pages count from
// 1; the last page holds what is left. The bar: "上一页", the page button ("page/count页", which opens
// the page jump), "下一页" and "浏览本页"; a row tap opens the answering screen in reading mode at that
// question, "浏览本页" at the page's first one, over the questions of the page.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "exam/sets/ChapterTestBuilder.h"
#include "exam/sets/QuestionListRow.h"
#include "model/Questions.h"
#include "platform/core/Value.h"
#include "ui/BarButtonItem.h"
#include "ui/NavigationBar.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

class FastLearnDetailViewController : public ui::ViewController,
                                      public ui::TableViewDataSource,
                                      public ui::TableViewDelegate {
 public:
  static constexpr const char* kIdentifier = "fastLearnDetail";
  static constexpr const char* kCellIdentifier = "fastLearnDetailCell";
  static constexpr const char* kListTitle = "快速学习";
  static constexpr const char* kJumpTitle = "快速翻页";
  static constexpr const char* kSamePageMessage = "已经跳转到本页";
  static constexpr const char* kLastPageMessage = "已经是最后一页了！";
  static constexpr int kPageSize = 20;

  std::string className() const override { return "FastLearnDetailViewController"; }

  // ---- launch properties ----
  void setSoftname(std::string name) { softname_ = std::move(name); }
  void setChapterid(std::string id) { chapterid_ = std::move(id); }
  const std::string& navTitle() const { return navTitle_; }
  void setNavTitle(std::string title) { navTitle_ = std::move(title); }
  std::int64_t testsCount() const { return testsCount_; }
  void setTestsCount(std::int64_t count) { testsCount_ = count; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // ---- operations ----
  void getChapterTests();
  void initFastLearnData(std::vector<QuestionListRow> rows);
  static int getPageCount(std::int64_t count);
  void setToolBarPageButton();
  void previousPage();
  void nextPage();
  void fastPaging();
  void browsePage();
  void pushToExamingVC(const std::shared_ptr<Questions>& current);

  // ---- state ----
  int pageIndex() const { return pageIndex_; }
  int pageCount() const { return pageCount_; }
  const std::vector<QuestionListRow>& displayArray() const { return displayArray_; }
  const QuestionsArray& currentPageTestsArray() const { return currentPageTestsArray_; }
  ui::TableView* fastLearnTableView() const { return fastLearnTableView_.get(); }
  ui::Toolbar* bottomToolBar() const { return bottomToolBar_.get(); }
  ui::BarButtonItem* pageButton() const { return pageButton_.get(); }

  // ---- table ----
  int numberOfRowsInSection(ui::TableView& tableView, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                           ui::IndexPath indexPath) override;
  double heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
  void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

 private:
  void chapterAnswered(bool ok, const core::Value& reply);
  // The chapter's questions and their rows, built off the main thread from `reply`'s set.
  void chapterBuilt(const core::Value& reply, QuestionsArray questions, std::vector<QuestionListRow> rows);
  // Cuts the rows and questions of pageIndex and shows them.
  void showPage();

  std::string softname_, chapterid_, navTitle_;
  std::int64_t testsCount_ = 0;
  std::shared_ptr<ChapterTestBuilder> chapterBll_;
  QuestionsArray testsList_;
  core::Value testsJSON_;
  std::vector<QuestionListRow> chapterTestArray_;
  std::vector<QuestionListRow> displayArray_;
  QuestionsArray currentPageTestsArray_;
  int pageCount_ = 0;
  int pageIndex_ = 1;

  std::shared_ptr<ui::TableView> fastLearnTableView_;
  std::shared_ptr<ui::Toolbar> bottomToolBar_;
  std::shared_ptr<ui::BarButtonItem> pageButton_;
};
