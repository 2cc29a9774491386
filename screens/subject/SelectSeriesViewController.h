#pragma once
// SelectSeriesViewController ("selectSeries"): the series of one exam category. The category screen
// sets the rows, the category's series type, its four series groups and the title before the push.
//
// Touching a series asks the server for its subjects by province (asynchronously, with the progress
// overlay). When a province group is "无分类" (a series without provinces) that group's subjects open
// at once in the subject choice ("selectSubject"); otherwise the provinces open ("selectProvince").
// No reply: an alert with the localized "requestFaile"; a reply without groups, or whose groups are
// not a list of records each with a list of subject records (within System::kMaxListEntries):
// "服务器数据不存在".
//
// The search works as on the category screen, over this screen's rows.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/core/Value.h"
#include "service/System.h"
#include "ui/SearchBar.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

class SelectSeriesViewController : public ui::ViewController,
                                   public ui::TableViewDataSource,
                                   public ui::TableViewDelegate,
                                   public ui::SearchBarDelegate,
                                   public SystemDelegate {
 public:
  static constexpr const char* kIdentifier = "selectSeries";
  static constexpr const char* kNoProvince = "无分类";
  static constexpr const char* kNoDataMessage = "服务器数据不存在";
  static constexpr double kRowHeight = 50;

  std::string className() const override { return "SelectSeriesViewController"; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // ---- properties set before the push ----
  std::int64_t currentSeriesType() const { return currentSeriesType_; }
  void setCurrentSeriesType(std::int64_t type) { currentSeriesType_ = type; }
  const core::Value& series() const { return series_; }  // the rows: series entries or search hits
  void setSeries(core::Value series) { series_ = std::move(series); }
  const core::Value& seriesCopy() const { return seriesCopy_; }
  void setSeriesCopy(core::Value series) { seriesCopy_ = std::move(series); }
  const core::Value& seriesArray() const { return seriesArray_; }  // the category screen's groups
  void setSeriesArray(core::Value groups) { seriesArray_ = std::move(groups); }
  const std::string& titleStr() const { return titleStr_; }
  void setTitleStr(std::string title) { titleStr_ = std::move(title); }

  // ---- own properties ----
  const core::Value& quoteNameDict() const { return quoteNameDict_; }  // the series last touched
  bool isFindSuccess() const { return isFindSuccess_; }
  ui::TableView* seriesTableView() const { return seriesTableView_.get(); }
  ui::SearchBar* find_SearchBar() const { return find_SearchBar_.get(); }
  std::shared_ptr<System> getSystemBll();

  // ---- steps ----
  void getQuoteProduct(const core::Value& seriesEntry);
  void pushToSelectProvinceVC(const core::Value& provinces);
  void pushToSelectSubjectVC(const core::Value& province);
  void getAppENameAndQuoteEName(const std::string& text);

  // ---- SystemDelegate ----
  void didGetQuoteProduct(bool ok, const core::Value& json) override;
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
  std::int64_t currentSeriesType_ = 0;
  core::Value series_ = core::Value::newArray();
  core::Value seriesCopy_ = core::Value::newArray();
  core::Value seriesArray_ = core::Value::newArray();
  std::string titleStr_;
  core::Value quoteNameDict_;
  bool isFindSuccess_ = false;
  std::shared_ptr<System> systemBll_;
  // The search on its way, if any.
  std::shared_ptr<System> searchBll_;
  std::shared_ptr<ui::TableView> seriesTableView_;
  std::shared_ptr<ui::SearchBar> find_SearchBar_;
};
