#pragma once
// TestsRankViewController ("testsRank"): the questions of the chosen bank that users get wrong most
// often and those they keep as favourites most often, as the server ranks them, switched by a
// segmented control. The ranked questions (read from the local bank) go 20 to a page, one table per
// page side by side in a paging scroll view; about ten page tables exist at a time, five more made as
// the user nears either end and as many dropped at the other. The page button shows "     <page>/<pages>"
// and jumps to a typed page. A touched question opens in the answering screen in reading mode among
// the questions of its page, and leaving it keeps no learning record.
//
// Each rank is asked for once per screen and serves again when its segment comes back; switching
// segments starts again at page 1. No network at load: the network alert, nothing asked. A failed
// rank, or one whose questions the bank does not hold, gives one alert and leaves the pages shown. The
// ranked questions are read from the bank on a worker (the main thread stays free; a screen closed
// meanwhile gets nothing); a rank past the question-set limits (TestBuilder) holds no questions.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "exam/sets/QuestionListRow.h"
#include "model/Questions.h"
#include "platform/core/Value.h"
#include "service/MyFavorite.h"
#include "service/WrongRedo.h"
#include "ui/Button.h"
#include "ui/ScrollView.h"
#include "ui/SegmentedControl.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

class TestsRankViewController : public ui::ViewController,
                                public ui::TableViewDataSource,
                                public ui::TableViewDelegate,
                                public WrongRedoDelegate,
                                public MyFavoriteDelegate {
 public:
  static constexpr const char* kIdentifier = "testsRank";
  static constexpr const char* kTitle = "试题排行";
  static constexpr const char* kErrorRank = "错题排行";
  static constexpr const char* kFavourRank = "收藏排行";
  static constexpr const char* kCellIdentifier = "rankTableCell";
  static constexpr int kPageSize = 20;
  static constexpr int kMaxTables = 10;  // page tables made at a time by a new layout
  static constexpr int kLoadStep = 5;    // page tables made (and dropped) when the user nears an end

  std::string className() const override { return "TestsRankViewController"; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // ---- views and state ----
  ui::SegmentedControl* segmentedControl() const { return segmentedControl_.get(); }
  ui::ScrollView* rankScrollView() const { return rankScrollView_.get(); }
  ui::Button* pageButton() const { return pageButton_.get(); }
  int pageIndex() const { return pageIndex_; }
  int locIndex() const { return locIndex_; }
  int endIndex() const { return endIndex_; }
  int pageCount() const { return static_cast<int>(rankArray_.size()); }
  const core::Value& testsJSON() const { return testsJSON_; }
  // The pages that have a table in the scroll view, in ascending order.
  std::vector<int> pagesWithTables() const;

  // Pages of at most 20 elements, in order (none for no elements).
  template <class T>
  static std::vector<std::vector<T>> setTestsRankData(const std::vector<T>& elements) {
    std::vector<std::vector<T>> pages;
    for (std::size_t i = 0; i < elements.size(); ++i) {
      if (i % kPageSize == 0) pages.emplace_back();
      pages.back().push_back(elements[i]);
    }
    return pages;
  }
  // "     3/7"
  static std::string pageTitle(int pageIndex, int pageCount);

  // ---- actions ----
  void segSwitch();
  void fastPaging();

  // Shows a rank: its rows and questions paged, the tables laid out from page 0, the page button.
  void intRankView(const std::vector<QuestionListRow>& rows, const QuestionsArray& questions);

  // ---- replies ----
  void didErrorTestRank(bool ok, const core::Value& json) override;
  void didFavourRank(bool ok, const core::Value& json) override;

  // ---- scroll view and tables ----
  void scrollViewDidScroll(ui::ScrollView& scrollView) override;
  void scrollViewDidEndDecelerating(ui::ScrollView& scrollView) override;
  int numberOfRowsInSection(ui::TableView& tableView, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                           ui::IndexPath indexPath) override;
  double heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
  void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

 private:
  enum class Rank { Error, Favour };
  void getErrorTestRank(const std::string& bank);
  void getFavourRank(const std::string& bank);
  void rankReplied(Rank rank, bool ok, const core::Value& json);
  // The rank's questions and rows, built off the main thread from `json`'s set.
  void rankBuilt(Rank rank, const core::Value& json, QuestionsArray questions,
                 std::vector<QuestionListRow> rows);
  Rank shownRank() const;
  void initScrollView(int page, bool isFirst);
  void loadTestView(int page);
  void addTable(int page);
  void removeTables(const std::function<bool(int page)>& drop);
  void setPageButton();
  int pageWidth() const;
  int shownPage() const;  // 0-based, from the offset
  void pushToExamingVC(int page, int row);
  static void showAlertTitle(const std::string& message);

  std::shared_ptr<ui::SegmentedControl> segmentedControl_;
  std::shared_ptr<ui::ScrollView> rankScrollView_;
  std::shared_ptr<ui::Button> pageButton_;
  std::shared_ptr<WrongRedo> wrongRedoBll_;
  std::shared_ptr<MyFavorite> myFavoriteBll_;
  std::string softName_;

  QuestionsArray errorTestsList_;
  QuestionsArray favTestsList_;
  std::vector<QuestionListRow> errorTestsArray_;
  std::vector<QuestionListRow> favTestsArray_;
  // The reply each rank was built from; testsJSON_ is the one of the rank shown.
  core::Value errorTestsJSON_;
  core::Value favTestsJSON_;
  core::Value testsJSON_;

  std::vector<std::vector<QuestionListRow>> rankArray_;
  std::vector<QuestionsArray> testsList_;
  int pageIndex_ = 1;
  int locIndex_ = 0;
  int endIndex_ = 0;
  int lastOffsetX_ = 0;  // the horizontal offset the scroll handler saw last
};
