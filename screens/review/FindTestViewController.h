#pragma once
// FindTestViewController ("findTest"): searches the questions of the chosen bank on the server by
// keywords (one or more words separated by spaces) and lists the hits 20 a page, each row the
// question's title and its answer; the questions themselves come from the local bank, read on a worker
// (a screen closed meanwhile gets nothing; a later reply supersedes a page still being built).
//
// The search button checks the keywords first: none gives "请输入关键字", a single character (counted as
// UTF-16 units, so one Chinese character too) gives "关键字不得少于2个汉字"; nothing is sent then. A page
// reply with questions replaces the rows and shows the list and the paging bar, titled
// "“<keywords>”查找到<hits>题" (the hit count is the reply's "Message"); a reply without questions or a
// failed request keeps the rows shown and goes back to their keywords and page, so paging stays with
// the search the rows belong to.
//
// A tap opens the answering screen in reading mode over the page; a press of a second on a row offers
// "收藏本题", which adds the question to the favourites and shows the server's answer (a reply whose "Body"
// is no flag, or without a text, shows ReplyCheck::kMalformedMessage).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "exam/sets/QuestionListRow.h"
#include "model/Questions.h"
#include "platform/core/Value.h"
#include "screens/common/QuestionListPaging.h"
#include "service/MyFavorite.h"
#include "service/SearchTest.h"
#include "ui/BarButtonItem.h"
#include "ui/IndexPath.h"
#include "ui/Label.h"
#include "ui/NavigationBar.h"
#include "ui/SearchBar.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

class FindTestViewController : public ui::ViewController,
                               public ui::TableViewDataSource,
                               public ui::TableViewDelegate,
                               public ui::SearchBarDelegate,
                               public MyFavoriteDelegate {
 public:
  static constexpr const char* kIdentifier = "findTest";
  static constexpr const char* kTitle = "试题查找";
  static constexpr const char* kListTitle = "查找试题";
  static constexpr const char* kFavouriteTitle = "收藏本题";
  static constexpr const char* kHint =
      "温馨提示：您可以输入一个词或用空格隔开的多个词进行模糊搜索\n例如：“医院 临床”";
  static constexpr double kLongPressDuration = 1.0;

  std::string className() const override { return "FindTestViewController"; }

  void loadView() override;
  void viewDidLoad() override;
  void viewDidDisappear(bool animated) override;

  // ---- views and state ----
  ui::SearchBar* findContentField() const { return findContentField_.get(); }
  ui::Label* lblHint() const { return lblHint_.get(); }
  ui::TableView* tableView() const { return tableView_.get(); }
  ui::Toolbar* bottomToolbar() const { return bottomToolbar_.get(); }
  ui::BarButtonItem* pageButton() const { return pageButton_.get(); }
  const std::string& findContent() const { return findContent_; }
  int pageIndex() const { return pageIndex_; }
  int pageCount() const { return pageCount_; }
  std::int64_t testsCount() const { return testsCount_; }
  const QuestionsArray& testsList() const { return testsList_; }
  const std::vector<QuestionListRow>& findTestsArray() const { return findTestsArray_; }
  std::optional<ui::IndexPath> longPressRow() const { return longPressRow_; }

  // The request texts.
  static std::string searchJson(const std::string& softName, const std::string& words, int pageIndex);
  static std::string favouriteJson(const std::string& softName, const std::string& aid);

  // ---- actions ----
  void previousPage();
  void nextPage();
  void fastPaging();
  void browsePage();

  // ---- search bar ----
  void searchBarSearchButtonClicked(ui::SearchBar& searchBar) override;

  // ---- favourites ----
  void didAddfavour(bool ok, const core::Value& json) override;

  // ---- table ----
  int numberOfRowsInSection(ui::TableView& tableView, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                           ui::IndexPath indexPath) override;
  double heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
  void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

 private:
  void search();
  void searchReplied(bool ok, const core::Value& json);
  void showResults(std::int64_t hits, std::optional<QuestionListPaging::Page> page);
  void restoreShownSearch();
  void longPressed(ui::GestureRecognizer& recognizer);
  void addFavourite(const std::string& aid);
  static void showAlert(const std::string& title, const std::string& message);

  std::shared_ptr<ui::SearchBar> findContentField_;
  std::shared_ptr<ui::Label> lblHint_;
  std::shared_ptr<ui::TableView> tableView_;
  std::shared_ptr<ui::Toolbar> bottomToolbar_;
  std::shared_ptr<ui::BarButtonItem> pageButton_;
  std::shared_ptr<SearchTest> searchTestBll_;
  std::shared_ptr<MyFavorite> myFavoriteBll_;
  std::string softName_;
  std::string findContent_;
  int pageIndex_ = 1;
  int pageCount_ = 0;
  std::int64_t testsCount_ = 0;
  QuestionsArray testsList_;
  std::vector<QuestionListRow> findTestsArray_;
  std::optional<ui::IndexPath> longPressRow_;
  // The search the rows shown belong to (empty keywords and page 0 while none is shown).
  std::string shownContent_;
  int shownPage_ = 0;
  std::uint64_t searchSerial_ = 0;  // counts the search replies; only the last one's page is shown
};
