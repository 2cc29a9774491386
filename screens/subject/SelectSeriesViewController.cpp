#include "screens/subject/SelectSeriesViewController.h"

#include "app/ReplyCheck.h"
#include "app/VDAppStatistics.h"
#include "app/VDViewControllerFactory.h"
#include "platform/core/Bundle.h"
#include "screens/subject/ChoiceScreenLayout.h"
#include "screens/subject/SelectProvinceViewController.h"
#include "screens/subject/SelectSubjectViewController.h"
#include "screens/subject/SeriesTypes.h"
#include "screens/subject/SubjectChoiceCommit.h"
#include "ui/AlertView.h"
#include "ui/BarButtonItem.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"

void SelectSeriesViewController::loadView() {
  auto views = ChoiceScreenLayout::make(defaultViewFrame());
  find_SearchBar_ = views.searchBar;
  seriesTableView_ = views.table;
  seriesTableView_->setRowHeight(kRowHeight);
  setView(views.root);
}

void SelectSeriesViewController::viewDidLoad() {
  seriesTableView_->setDataSource(weakAs<ui::TableViewDataSource>());
  seriesTableView_->setDelegate(weakAs<ui::TableViewDelegate>());
  find_SearchBar_->setDelegate(weakAs<ui::SearchBarDelegate>());
  setTitle(titleStr_);
  navigationItem().setBackBarButtonItem(
      ui::BarButtonItem::withTitle(ChoiceScreenLayout::kBackTitle, ui::BarButtonItem::Style::Plain, {}));
  seriesTableView_->reloadData();
}

void SelectSeriesViewController::viewWillAppear(bool animated) {
  VDAppStatistics::pageviewStartWithViewController(*this);
}

void SelectSeriesViewController::viewWillDisappear(bool animated) {
  VDAppStatistics::pageviewEndWithViewController(*this);
}

std::shared_ptr<System> SelectSeriesViewController::getSystemBll() {
  if (!systemBll_) systemBll_ = std::make_shared<System>();
  return systemBll_;
}

// ---- the subjects of a series ----

void SelectSeriesViewController::getQuoteProduct(const core::Value& seriesEntry) {
  auto system = getSystemBll();
  system->delegate = weakAs<SystemDelegate>();
  system->getQuoteProduct(seriesEntry["Value"].toString());
}

void SelectSeriesViewController::didGetQuoteProduct(bool ok, const core::Value& json) {
  const core::Value groups = json["Body"];
  // Province groups, each with its subjects, within the client's limits; anything else is the failure.
  bool usable = ok && ReplyCheck::isRecordList(groups, System::kMaxListEntries) && groups.size() > 0;
  if (usable) {
    for (const core::Value& group : groups.array()) {
      const core::Value details = group["QuoteDetails"];
      if (!details.isNil() && !ReplyCheck::isRecordList(details, System::kMaxListEntries)) usable = false;
    }
  }
  if (!usable) {
    const std::string message =
        json.isNil() ? core::Bundle::main().localizedString("requestFaile") : std::string(kNoDataMessage);
    auto alert = std::make_shared<ui::AlertView>("", message, std::weak_ptr<ui::AlertViewDelegate>(),
                                                 std::string("确定"));
    alert->show();
    return;
  }
  // A series without provinces has one group "无分类": its own subjects open at once, whichever
  // place the group has in the reply.
  for (const core::Value& group : groups.array()) {
    if (group["Province"].isString() && group["Province"].str() == kNoProvince) {
      pushToSelectSubjectVC(group);
      return;
    }
  }
  pushToSelectProvinceVC(groups);
}

void SelectSeriesViewController::pushToSelectProvinceVC(const core::Value& provinces) {
  auto screen = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(
      SelectProvinceViewController::kIdentifier);
  auto* province = dynamic_cast<SelectProvinceViewController*>(screen.get());
  ui::NavigationController* nav = navigationController();
  if (!province || !nav) return;
  province->setQuoteName(quoteNameDict_);
  province->setProvincesArray(provinces);
  nav->pushViewController(screen, true);
}

void SelectSeriesViewController::pushToSelectSubjectVC(const core::Value& province) {
  auto screen = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(
      SelectSubjectViewController::kIdentifier);
  auto* subject = dynamic_cast<SelectSubjectViewController*>(screen.get());
  ui::NavigationController* nav = navigationController();
  if (!subject || !nav) return;
  const core::Value details =
      province["QuoteDetails"].isArray() ? province["QuoteDetails"] : core::Value::newArray();
  subject->setTitle(province["Province"].toString());
  subject->setQuoteName(quoteNameDict_);
  subject->setArray(details);
  subject->setArraycopy(details);
  subject->setSeriesType(currentSeriesType_);
  nav->pushViewController(screen, true);
}

// ---- search ----

void SelectSeriesViewController::getAppENameAndQuoteEName(const std::string& text) {
  // Only the latest text's answer counts: an earlier search still on its way reports nowhere.
  if (searchBll_) searchBll_->delegate.reset();
  searchBll_ = std::make_shared<System>();
  searchBll_->delegate = weakAs<SystemDelegate>();
  searchBll_->getAppENameAndQuoteENameInBackground(text);
}

void SelectSeriesViewController::didGetAppENameAndQuoteEName(bool ok, const core::Value& json) {
  searchBll_.reset();
  if (ok && ReplyCheck::bodyIsRecordList(json, System::kMaxListEntries)) {
    isFindSuccess_ = true;
    series_ = json["Body"];
  } else {
    series_ = seriesCopy_;
    isFindSuccess_ = false;
  }
  seriesTableView_->reloadData();
}

void SelectSeriesViewController::textDidChange(ui::SearchBar&, const std::string& searchText) {
  getAppENameAndQuoteEName(ChoiceScreenLayout::removeBlanks(searchText));
}

void SelectSeriesViewController::searchBarSearchButtonClicked(ui::SearchBar& searchBar) {
  if (ui::NavigationController* nav = navigationController()) nav->setNavigationBarHidden(false, true);
  searchBar.resignFirstResponder();
}

void SelectSeriesViewController::searchBarCancelButtonClicked(ui::SearchBar& searchBar) {
  series_ = seriesCopy_;
  isFindSuccess_ = false;
  searchBar.setText("");
  searchBar.resignFirstResponder();
  seriesTableView_->reloadData();
}

// ---- table ----

int SelectSeriesViewController::numberOfRowsInSection(ui::TableView&, int) {
  return static_cast<int>(series_.size());
}

std::shared_ptr<ui::TableViewCell> SelectSeriesViewController::cellForRowAtIndexPath(
    ui::TableView& tableView, ui::IndexPath indexPath) {
  auto cell = ChoiceScreenLayout::rowCell(tableView, "Cell", ui::TableViewCellStyle::Default);
  const core::Value row = series_[indexPath.row];
  cell->textLabel()->setText(row["Key"].describe());
  std::string icon;
  if (isFindSuccess_) {
    if (auto type = SeriesTypes::typeOfSeriesInGroups(seriesArray_, row["QuoteEName"].toString()))
      icon = SeriesTypes::iconForType(*type);
  } else {
    icon = currentSeriesType_ >= 0 && currentSeriesType_ <= 2 ? SeriesTypes::iconForType(currentSeriesType_)
                                                              : SeriesTypes::iconForType(SeriesTypes::kOther);
  }
  SeriesTypes::setRowIcon(*cell->imageView(), icon);
  return cell;
}

void SelectSeriesViewController::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  view().endEditing(true);
  const core::Value row = series_[indexPath.row];
  if (isFindSuccess_) {
    SubjectChoiceCommit::commitSearchHit(row);
    return;
  }
  tableView.deselectRowAtIndexPath(indexPath, true);
  quoteNameDict_ = row;
  getQuoteProduct(row);
}

void SelectSeriesViewController::scrollViewDidScroll(ui::ScrollView&) { view().endEditing(true); }
