#pragma once
// SelectSortViewController ("selectSort"): the exam-category choice, the first screen of the generic
// build (bundle name "vardo") while no subject is chosen. Four rows, "医药考试", "建筑工程考试",
// "财会经济考试" and "职业资格考试"; a row opens the series choice ("selectSeries") with the series of
// that category, sorted out of the server's series catalogue (SeriesTypes::groupCatalogue).
//
// Start: on a later start (user default "isFirstOpen" set) the catalogue is asked for (without overlay) at
// load and the defaults "isFirstMain", "isFirstEvenMore" and "isFirstLoginApp" become NO. On the first
// start the welcome pages lie over the window (WelcomePages; the third carries the start button) and
// those defaults become YES; the start button, or reaching the empty fourth page, sets "isFirstOpen",
// takes the pages away and asks for the catalogue (asynchronously), or, offline, shows the network
// alert and the refresh bar. A catalogue that does not come (or is empty, or is not a list of series
// within System::kMaxListEntries) shows the refresh bar "网络异常，请重新设置后刷新" at the head of the
// table, whose tap asks again; the rows stay and open empty series lists.
//
// Search: every change of the search text (blanks removed) asks the server for subjects by name
// (in the background; only the latest text's answer counts); hits replace the rows, and touching a hit
// commits it at once (SubjectChoiceCommit::commitSearchHit). No hits, a failed request, hits that are not a
// list of records (within System::kMaxListEntries) or the cancel button bring the category rows back.

#include <memory>
#include <string>

#include "platform/core/Value.h"
#include "service/System.h"
#include "ui/Button.h"
#include "ui/ScrollView.h"
#include "ui/SearchBar.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

class SelectSortViewController : public ui::ViewController,
                                 public ui::TableViewDataSource,
                                 public ui::TableViewDelegate,
                                 public ui::SearchBarDelegate,
                                 public SystemDelegate {
 public:
  static constexpr const char* kIdentifier = "selectSort";
  static constexpr const char* kTitle = "Vardo";
  static constexpr const char* kRefreshTitle = "网络异常，请重新设置后刷新";
  static constexpr double kRowHeight = 50;
  // The start button on the third welcome page (in that page's coordinates).
  static constexpr ui::Rect kStartButtonFrame{47, 375, 225, 52};

  std::string className() const override { return "SelectSortViewController"; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // ---- properties ----
  const core::Value& sortArray() const { return sortArray_; }  // category names, or search hits
  const core::Value& sortArrayCopy() const { return sortArrayCopy_; }
  const core::Value& seriesArray() const { return seriesArray_; }  // the four series groups
  bool isFindSuccess() const { return isFindSuccess_; }
  ui::ScrollView* scrollView() const { return scrollView_.get(); }  // the welcome pages
  ui::Button* btnOpen() const { return btnOpen_.get(); }
  ui::Button* btnRefresh() const { return btnRefresh_.get(); }
  ui::TableView* selectSortTableView() const { return selectSortTableView_.get(); }
  ui::SearchBar* find_SearchBar() const { return find_SearchBar_.get(); }
  std::shared_ptr<System> getSystemBll();

  // ---- steps ----
  void experienceAnimation();
  void startClick();
  void getQuote();              // a new System, without the overlay
  void getQuoteAsynchronous();  // a new System, with the progress overlay
  void setSortArr(const core::Value& catalogue);
  void initInterface();
  void setRefreshTool();
  void refresh();
  void pushToSelectSeresVC(int row);
  void getAppENameAndQuoteEName(const std::string& text);

  // ---- SystemDelegate ----
  void didGetQuote(bool ok, const core::Value& json) override;
  void didGetAppENameAndQuoteEName(bool ok, const core::Value& json) override;

  // ---- table ----
  int numberOfRowsInSection(ui::TableView& tableView, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                           ui::IndexPath indexPath) override;
  void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
  void scrollViewDidScroll(ui::ScrollView& scrollView) override;

  // ---- search bar ----
  void textDidChange(ui::SearchBar& searchBar, const std::string& searchText) override;
  void searchBarSearchButtonClicked(ui::SearchBar& searchBar) override;
  void searchBarCancelButtonClicked(ui::SearchBar& searchBar) override;

 private:
  core::Value sortArray_ = core::Value::newArray();
  core::Value sortArrayCopy_ = core::Value::newArray();
  core::Value seriesArray_ = core::Value::newArray();
  bool isFindSuccess_ = false;
  std::shared_ptr<ui::ScrollView> scrollView_ = std::make_shared<ui::ScrollView>();
  std::shared_ptr<ui::Button> btnOpen_;
  std::shared_ptr<ui::Button> btnRefresh_;
  std::shared_ptr<System> systemBll_;
  // The search on its way, if any.
  std::shared_ptr<System> searchBll_;
  std::shared_ptr<ui::TableView> selectSortTableView_;
  std::shared_ptr<ui::SearchBar> find_SearchBar_;
};
