#pragma once
// SelectSubjectViewController ("selectSubject"): the subjects (question banks) of a series or
// province. Touching a subject commits it (SubjectChoiceCommit::commitSubject): the bank and the
// series are stored, the bank's application information is asked for and the main screen opens.
//
// Two builds, told apart by the bundle name ("CFBundleName"):
//   generic ("vardo"): pushed by the series or province screen with its rows set; it shows them with
//     the series name as title and does nothing else at load (its search bar has no delegate);
//   single-series (any other name): the window's root (VDHelper::showSelectSeriesVC). The bundle name
//     is the series' short name. On the first start (user default "isFirstOpen" not set) it lays the
//     three welcome pages over the window and asks for nothing until their empty fourth page is
//     reached; then, as on every later start, it asks for the series catalogue (without overlay) to
//     find its own series and, once it has answered, for the series' subjects. The subjects are stored in the
//     session as "saveAllSubject" once the series is known. The search text filters the subjects locally.
// A catalogue that does not come (or is not a list of series within System::kMaxListEntries) puts "刷新" at
// the right of the navigation bar, which asks for the catalogue and the subjects again (by the bundle name
// while the series is unknown); it stays until the catalogue names the series. Subjects that do not come, or
// not as a list of groups with a list of subject records, show "选择科目" / "获取失败!".

#include <cstdint>
#include <memory>
#include <string>

#include "platform/core/Value.h"
#include "service/System.h"
#include "ui/ScrollView.h"
#include "ui/SearchBar.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

class SelectSubjectViewController : public ui::ViewController,
                                    public ui::TableViewDataSource,
                                    public ui::TableViewDelegate,
                                    public ui::SearchBarDelegate,
                                    public SystemDelegate {
 public:
  static constexpr const char* kIdentifier = "selectSubject";
  static constexpr const char* kGenericBundleName = "vardo";
  static constexpr const char* kRefreshTitle = "刷新";
  static constexpr const char* kFailureTitle = "选择科目";
  static constexpr const char* kFailureMessage = "获取失败!";
  static constexpr const char* kCountFormatPrefix = "注册量:";
  static constexpr double kRowHeight = 60;
  static constexpr double kBottomBarHeight = 44;

  std::string className() const override { return "SelectSubjectViewController"; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // ---- properties ----
  const core::Value& quoteName() const { return quoteName_; }  // the series entry
  void setQuoteName(core::Value quoteName) { quoteName_ = std::move(quoteName); }
  const core::Value& array() const { return array_; }  // the rows
  void setArray(core::Value subjects) { array_ = std::move(subjects); }
  const core::Value& arraycopy() const { return arraycopy_; }  // the unfiltered subjects
  void setArraycopy(core::Value subjects) { arraycopy_ = std::move(subjects); }
  std::int64_t seriesType() const { return seriesType_; }
  void setSeriesType(std::int64_t type) { seriesType_ = type; }
  ui::TableView* tableView() const { return tableView_.get(); }
  ui::View* bottomView() const { return bottomView_.get(); }
  ui::SearchBar* find_SearchBar() const { return find_SearchBar_.get(); }
  ui::ScrollView* welcomeScrollView() const { return welcomeScrollView_.get(); }
  std::shared_ptr<System> getSystemBll();

  // Whether this is a single-series build (the bundle name is not "vardo").
  static bool isSingleSeriesBuild();

  // ---- steps ----
  void experienceAnimation();
  void startClick();
  void refreshView();
  void setViewData();
  void distinguishSubjectSype();
  void postFindInfo(const std::string& text);

  // ---- SystemDelegate ----
  void didGetQuote(bool ok, const core::Value& json) override;
  void didGetQuoteProduct(bool ok, const core::Value& json) override;

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
  // The catalogue, then the subjects of this build's series.
  void loadSeries(const std::string& seriesShortName);
  // The catalogue's answer: the series entry of this build, or "刷新" when none came.
  void readQuote(bool ok, const core::Value& json);

  core::Value quoteName_;
  core::Value array_ = core::Value::newArray();
  core::Value arraycopy_ = core::Value::newArray();
  std::int64_t seriesType_ = 0;
  std::shared_ptr<System> systemBll_;
  std::string seriesToLoad_;
  std::shared_ptr<ui::TableView> tableView_;
  std::shared_ptr<ui::View> bottomView_;
  std::shared_ptr<ui::SearchBar> find_SearchBar_;
  std::shared_ptr<ui::ScrollView> welcomeScrollView_;
};
