#include "screens/subject/SelectSortViewController.h"

#include "app/AppShell.h"
#include "app/ReplyCheck.h"
#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "app/VDViewControllerFactory.h"
#include "platform/core/Bundle.h"
#include "platform/core/UserDefaults.h"
#include "screens/subject/ChoiceScreenLayout.h"
#include "screens/subject/SelectSeriesViewController.h"
#include "screens/subject/SeriesTypes.h"
#include "screens/subject/SubjectChoiceCommit.h"
#include "screens/subject/WelcomePages.h"
#include "ui/BarButtonItem.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"
#include "ui/WeakScreen.h"
#include "ui/Window.h"

namespace {

std::string localized(const char* key) { return core::Bundle::main().localizedString(key); }

// The three first-use defaults of the home screen, the more menu and the login screen.
void setFirstUseDefaults(bool value) {
  auto& defaults = core::UserDefaults::standard();
  defaults.setBool("isFirstMain", value);
  defaults.setBool("isFirstEvenMore", value);
  defaults.setBool("isFirstLoginApp", value);
  defaults.synchronize();
}

}  // namespace

void SelectSortViewController::loadView() {
  auto views = ChoiceScreenLayout::make(defaultViewFrame());
  find_SearchBar_ = views.searchBar;
  selectSortTableView_ = views.table;
  selectSortTableView_->setRowHeight(kRowHeight);
  setView(views.root);
}

void SelectSortViewController::viewDidLoad() {
  for (const std::string& name : SeriesTypes::categoryNames()) {
    sortArray_.push_back(name);
    sortArrayCopy_.push_back(name);
  }
  navigationItem().setBackBarButtonItem(
      ui::BarButtonItem::withTitle(ChoiceScreenLayout::kBackTitle, ui::BarButtonItem::Style::Plain, {}));
  selectSortTableView_->setDataSource(weakAs<ui::TableViewDataSource>());
  selectSortTableView_->setDelegate(weakAs<ui::TableViewDelegate>());
  find_SearchBar_->setDelegate(weakAs<ui::SearchBarDelegate>());
  scrollView_->setScrollViewDelegate(weakAs<ui::ScrollViewDelegate>());
  selectSortTableView_->reloadData();

  if (core::UserDefaults::standard().boolForKey("isFirstOpen")) {
    getQuote();
    setFirstUseDefaults(false);
  } else {
    experienceAnimation();
    setFirstUseDefaults(true);
  }
}

void SelectSortViewController::viewWillAppear(bool animated) {
  setTitle(kTitle);
  VDAppStatistics::pageviewStartWithViewController(*this);
}

void SelectSortViewController::viewWillDisappear(bool animated) {
  VDAppStatistics::pageviewEndWithViewController(*this);
}

std::shared_ptr<System> SelectSortViewController::getSystemBll() {
  if (!systemBll_) systemBll_ = std::make_shared<System>();
  return systemBll_;
}

// ---- welcome pages ----

void SelectSortViewController::experienceAnimation() {
  AppShell* app = AppShell::current();
  auto pages = WelcomePages::show(app ? app->window() : nullptr, weakAs<ui::ScrollViewDelegate>());
  if (!pages) return;
  scrollView_ = pages;
  const double width = view().bounds().size.width;
  btnOpen_ = std::make_shared<ui::Button>(kStartButtonFrame.offsetBy(2 * width, 0));
  btnOpen_->setBackgroundImage(ui::Image::create("introduce3_up.png", kStartButtonFrame.size),
                               ui::kControlStateNormal);
  btnOpen_->setBackgroundImage(ui::Image::create("introduce3_down.png", kStartButtonFrame.size),
                               ui::kControlStateHighlighted);
  const auto weak = ui::weakScreen(*this);
  btnOpen_->addTarget(ui::ControlEvent::TouchUpInside, [weak](ui::Control&) {
    if (auto self = weak.lock()) self->startClick();
  });
  scrollView_->addSubview(btnOpen_);
  selectSortTableView_->setScrollEnabled(false);
}

void SelectSortViewController::startClick() {
  auto& defaults = core::UserDefaults::standard();
  defaults.setBool("isFirstOpen", true);
  defaults.synchronize();
  WelcomePages::dismiss(scrollView_);
  initInterface();
  AppShell* app = AppShell::current();
  if (app && app->isReachable()) {
    getQuoteAsynchronous();
  } else {
    if (app) app->networkAlert(localized("alertNetwork"));
    setRefreshTool();
  }
}

// ---- the catalogue ----

void SelectSortViewController::getQuote() {
  systemBll_ = std::make_shared<System>();
  systemBll_->delegate = weakAs<SystemDelegate>();
  systemBll_->getQuoteInBackground();
}

void SelectSortViewController::getQuoteAsynchronous() {
  systemBll_ = std::make_shared<System>();
  systemBll_->delegate = weakAs<SystemDelegate>();
  systemBll_->getQuoteAsynchronous();
}

void SelectSortViewController::didGetQuote(bool ok, const core::Value& json) {
  // A catalogue that is not a list of series (within the client's limit) counts as none came.
  if (ok && ReplyCheck::bodyIsRecordList(json, System::kMaxListEntries)) {
    setSortArr(json["Body"]);
    initInterface();
  } else {
    setRefreshTool();
  }
}

void SelectSortViewController::setSortArr(const core::Value& catalogue) {
  seriesArray_ = SeriesTypes::groupCatalogue(catalogue, sortArray_.size());
}

void SelectSortViewController::initInterface() {
  // The welcome pages are done with: what scrolls from now on reads an empty scroll view.
  scrollView_ = std::make_shared<ui::ScrollView>();
  if (btnRefresh_) {
    btnRefresh_->setHidden(true);
    selectSortTableView_->setTableHeaderView(nullptr);
  }
  selectSortTableView_->setScrollEnabled(true);
  selectSortTableView_->reloadData();
}

void SelectSortViewController::setRefreshTool() {
  btnRefresh_ = std::make_shared<ui::Button>(ui::Rect{0, 0, view().bounds().size.width, 44});
  btnRefresh_->setTitle(kRefreshTitle);
  btnRefresh_->setTitleColor(ui::Color::white());
  btnRefresh_->setBackgroundColor(ui::Color::darkGray());
  const auto weak = ui::weakScreen(*this);
  btnRefresh_->addTarget(ui::ControlEvent::TouchUpInside, [weak](ui::Control&) {
    if (auto self = weak.lock()) self->refresh();
  });
  // Above the rows, not over the first of them.
  selectSortTableView_->setTableHeaderView(btnRefresh_);
  btnRefresh_->setHidden(false);
}

void SelectSortViewController::refresh() {
  AppShell* app = AppShell::current();
  if (app && app->isReachable()) {
    getQuote();
  } else {
    if (app) app->networkAlert(localized("alertNetwork"));
    setRefreshTool();
  }
}

void SelectSortViewController::pushToSelectSeresVC(int row) {
  auto screen = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(
      SelectSeriesViewController::kIdentifier);
  auto* series = dynamic_cast<SelectSeriesViewController*>(screen.get());
  ui::NavigationController* nav = navigationController();
  if (!series || !nav) return;
  const core::Value group = seriesArray_[row];
  core::Value list = group["seriesArr"].isArray() ? group["seriesArr"] : core::Value::newArray();
  series->setCurrentSeriesType(group["seriesType"].toInt());
  series->setSeries(list);
  series->setSeriesCopy(list);
  series->setSeriesArray(seriesArray_);
  series->setTitleStr(sortArray_[row].toString());
  nav->pushViewController(screen, true);
}

// ---- search ----

void SelectSortViewController::getAppENameAndQuoteEName(const std::string& text) {
  // Only the latest text's answer counts: an earlier search still on its way reports nowhere.
  if (searchBll_) searchBll_->delegate.reset();
  searchBll_ = std::make_shared<System>();
  searchBll_->delegate = weakAs<SystemDelegate>();
  searchBll_->getAppENameAndQuoteENameInBackground(text);
}

void SelectSortViewController::didGetAppENameAndQuoteEName(bool ok, const core::Value& json) {
  searchBll_.reset();
  if (ok && ReplyCheck::bodyIsRecordList(json, System::kMaxListEntries)) {
    isFindSuccess_ = true;
    sortArray_ = json["Body"];
  } else {
    sortArray_ = sortArrayCopy_;
    isFindSuccess_ = false;
  }
  selectSortTableView_->reloadData();
}

void SelectSortViewController::textDidChange(ui::SearchBar&, const std::string& searchText) {
  getAppENameAndQuoteEName(ChoiceScreenLayout::removeBlanks(searchText));
}

void SelectSortViewController::searchBarSearchButtonClicked(ui::SearchBar& searchBar) {
  if (ui::NavigationController* nav = navigationController()) nav->setNavigationBarHidden(false, true);
  searchBar.resignFirstResponder();
}

void SelectSortViewController::searchBarCancelButtonClicked(ui::SearchBar& searchBar) {
  sortArray_ = sortArrayCopy_;
  isFindSuccess_ = false;
  searchBar.setText("");
  searchBar.resignFirstResponder();
  selectSortTableView_->reloadData();
}

// ---- table ----

int SelectSortViewController::numberOfRowsInSection(ui::TableView&, int) {
  return static_cast<int>(sortArray_.size());
}

std::shared_ptr<ui::TableViewCell> SelectSortViewController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                                   ui::IndexPath indexPath) {
  auto cell = ChoiceScreenLayout::rowCell(tableView, "Cell", ui::TableViewCellStyle::Default);
  const core::Value row = sortArray_[indexPath.row];
  std::string icon;
  if (isFindSuccess_) {
    cell->textLabel()->setText(row["Key"].toString());
    if (auto type = SeriesTypes::typeOfSeriesInGroups(seriesArray_, row["QuoteEName"].toString())) {
      icon = SeriesTypes::iconForType(*type);
      if (icon.empty()) icon = SeriesTypes::iconForType(SeriesTypes::kOther);
    }
  } else {
    cell->textLabel()->setText(row.toString());
    icon = SeriesTypes::iconForCategoryName(row.toString());
  }
  SeriesTypes::setRowIcon(*cell->imageView(), icon);
  return cell;
}

void SelectSortViewController::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  view().endEditing(true);
  tableView.deselectRowAtIndexPath(indexPath, true);
  if (isFindSuccess_) {
    SubjectChoiceCommit::commitSearchHit(sortArray_[indexPath.row]);
  } else {
    pushToSelectSeresVC(indexPath.row);
  }
}

void SelectSortViewController::scrollViewDidScroll(ui::ScrollView&) {
  if (WelcomePages::reachedEnd(*scrollView_)) startClick();
  view().endEditing(true);
}
