#include "screens/subject/SelectSubjectViewController.h"

#include "app/AppShell.h"
#include "app/ReplyCheck.h"
#include "app/Session.h"
#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "platform/core/Bundle.h"
#include "platform/core/UserDefaults.h"
#include "screens/subject/ChoiceScreenLayout.h"
#include "screens/subject/SeriesTypes.h"
#include "screens/subject/SubjectChoiceCommit.h"
#include "screens/subject/WelcomePages.h"
#include "ui/AlertView.h"
#include "ui/BarButtonItem.h"
#include "ui/Image.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"
#include "ui/WeakScreen.h"

namespace {

std::string bundleName() { return core::Bundle::main().bundleName(); }

void setFirstUseDefaults(bool value) {
  auto& defaults = core::UserDefaults::standard();
  defaults.setBool("isFirstMain", value);
  defaults.setBool("isFirstEvenMore", value);
  defaults.setBool("isFirstLoginApp", value);
  defaults.synchronize();
}

}  // namespace

bool SelectSubjectViewController::isSingleSeriesBuild() { return bundleName() != kGenericBundleName; }

void SelectSubjectViewController::loadView() {
  const ui::Rect frame = defaultViewFrame();
  auto views = ChoiceScreenLayout::make(frame, kBottomBarHeight);
  find_SearchBar_ = views.searchBar;
  tableView_ = views.table;
  tableView_->setRowHeight(kRowHeight);
  tableView_->setHidden(true);  // until setViewData
  bottomView_ = std::make_shared<ui::View>(
      ui::Rect{0, frame.size.height - kBottomBarHeight, frame.size.width, kBottomBarHeight});
  bottomView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleTopMargin);
  views.root->addSubview(bottomView_);
  setView(views.root);
}

void SelectSubjectViewController::viewDidLoad() {
  getSystemBll()->delegate = weakAs<SystemDelegate>();
  tableView_->setDataSource(weakAs<ui::TableViewDataSource>());
  tableView_->setDelegate(weakAs<ui::TableViewDelegate>());
  if (!isSingleSeriesBuild()) {
    setViewData();
    tableView_->reloadData();
    return;
  }
  find_SearchBar_->setDelegate(weakAs<ui::SearchBarDelegate>());
  if (core::UserDefaults::standard().boolForKey("isFirstOpen")) {
    loadSeries(bundleName());
    setFirstUseDefaults(false);
  } else {
    experienceAnimation();
    setFirstUseDefaults(true);
  }
}

void SelectSubjectViewController::viewWillAppear(bool animated) {
  VDAppStatistics::pageviewStartWithViewController(*this);
}

void SelectSubjectViewController::viewWillDisappear(bool animated) {
  VDAppStatistics::pageviewEndWithViewController(*this);
}

std::shared_ptr<System> SelectSubjectViewController::getSystemBll() {
  if (!systemBll_) systemBll_ = std::make_shared<System>();
  return systemBll_;
}

// ---- welcome pages (single-series build) ----

void SelectSubjectViewController::experienceAnimation() {
  AppShell* app = AppShell::current();
  welcomeScrollView_ = WelcomePages::show(app ? app->window() : nullptr, weakAs<ui::ScrollViewDelegate>());
  if (!welcomeScrollView_) return;
  if (ui::NavigationController* nav = navigationController()) nav->setNavigationBarHidden(true);
  tableView_->setScrollEnabled(false);
}

void SelectSubjectViewController::startClick() {
  if (ui::NavigationController* nav = navigationController()) nav->setNavigationBarHidden(false);
  auto& defaults = core::UserDefaults::standard();
  defaults.setBool("isFirstOpen", true);
  defaults.synchronize();
  WelcomePages::dismiss(welcomeScrollView_);
  tableView_->setScrollEnabled(true);
  loadSeries(bundleName());
}

// ---- loading ----

void SelectSubjectViewController::loadSeries(const std::string& seriesShortName) {
  auto system = getSystemBll();
  system->delegate = weakAs<SystemDelegate>();
  // The products are asked for once the catalogue has answered, so the series name is known first.
  seriesToLoad_ = seriesShortName;
  system->getQuoteInBackground();
}

void SelectSubjectViewController::refreshView() {
  // Until the catalogue names the series, the bundle name stands for it (as at the start).
  const core::Value value = quoteName_["Value"];
  loadSeries(value.isString() && !value.str().empty() ? value.str() : bundleName());
}

void SelectSubjectViewController::didGetQuote(bool ok, const core::Value& json) {
  readQuote(ok, json);
  auto system = getSystemBll();
  system->delegate = weakAs<SystemDelegate>();
  system->getQuoteProduct(seriesToLoad_);
}

void SelectSubjectViewController::readQuote(bool ok, const core::Value& json) {
  if (!ok || !ReplyCheck::bodyIsRecordList(json, System::kMaxListEntries)) {
    const auto weak = ui::weakScreen(*this);
    navigationItem().setRightBarButtonItem(ui::BarButtonItem::withTitle(
        kRefreshTitle, ui::BarButtonItem::Style::Bordered, [weak](ui::BarButtonItem&) {
          if (auto self = weak.lock()) self->refreshView();
        }));
    return;
  }
  const std::string name = bundleName();
  for (const core::Value& entry : json["Body"].array()) {
    if (entry["Value"].isString() && entry["Value"].str() == name) {
      quoteName_ = entry;
      break;
    }
  }
}

void SelectSubjectViewController::didGetQuoteProduct(bool ok, const core::Value& json) {
  // Province groups whose first holds the subjects; anything else is the failure.
  const core::Value firstGroup = json["Body"][0];
  if (!ok || !ReplyCheck::bodyIsRecordList(json, System::kMaxListEntries) ||
      (!firstGroup["QuoteDetails"].isNil() &&
       !ReplyCheck::isRecordList(firstGroup["QuoteDetails"], System::kMaxListEntries))) {
    auto alert = std::make_shared<ui::AlertView>(kFailureTitle, kFailureMessage,
                                                 std::weak_ptr<ui::AlertViewDelegate>(), std::string("OK"));
    alert->show();
    return;
  }
  const core::Value first = json["Body"][0];
  if (first.isDictionary()) {
    const core::Value details =
        first["QuoteDetails"].isArray() ? first["QuoteDetails"] : core::Value::newArray();
    array_ = details;
    arraycopy_ = details;
  }
  if (isSingleSeriesBuild() && quoteName_.isDictionary()) {
    if (Session* session = Session::current()) session->setEntry("saveAllSubject", array_);
    distinguishSubjectSype();
  }
  // "刷新" stays until the catalogue has named the series: only it brings the title and the type.
  if (quoteName_.isDictionary()) navigationItem().setRightBarButtonItem(nullptr);
  setViewData();
  tableView_->reloadData();
}

void SelectSubjectViewController::setViewData() {
  bottomView_->setBackgroundColor(ui::Color::patternImage(ui::Image::create("blackbar")));
  setTitle(quoteName_["Key"].toString());
  tableView_->setHidden(false);
}

void SelectSubjectViewController::distinguishSubjectSype() {
  seriesType_ = SeriesTypes::typeOfSeriesName(quoteName_["Key"].toString());
}

// ---- local search ----

void SelectSubjectViewController::postFindInfo(const std::string& text) {
  if (text.empty()) {
    array_ = arraycopy_;
  } else {
    core::Value found = core::Value::newArray();
    for (const core::Value& entry : arraycopy_.array()) {
      const core::Value key = entry["Key"];
      // An entry without a name cannot be ruled out: it stays.
      if (key.isNil() || key.toString().find(text) != std::string::npos) found.push_back(entry);
    }
    array_ = found;
  }
  tableView_->reloadData();
}

void SelectSubjectViewController::textDidChange(ui::SearchBar&, const std::string& searchText) {
  postFindInfo(searchText);
}

void SelectSubjectViewController::searchBarSearchButtonClicked(ui::SearchBar& searchBar) {
  if (ui::NavigationController* nav = navigationController()) nav->setNavigationBarHidden(false, true);
  searchBar.resignFirstResponder();
}

void SelectSubjectViewController::searchBarCancelButtonClicked(ui::SearchBar& searchBar) {
  array_ = arraycopy_;
  searchBar.setText("");
  searchBar.resignFirstResponder();
  tableView_->reloadData();
}

// ---- table ----

int SelectSubjectViewController::numberOfRowsInSection(ui::TableView&, int) {
  return static_cast<int>(array_.size());
}

std::shared_ptr<ui::TableViewCell> SelectSubjectViewController::cellForRowAtIndexPath(
    ui::TableView& tableView, ui::IndexPath indexPath) {
  auto cell =
      ChoiceScreenLayout::rowCell(tableView, "SimpleTableIdentifier", ui::TableViewCellStyle::Subtitle);
  const core::Value entry = array_[indexPath.row];
  cell->textLabel()->setText(entry["Key"].toString());
  cell->detailTextLabel()->setText(kCountFormatPrefix + entry["Count"].describe());
  SeriesTypes::setRowIcon(*cell->imageView(), SeriesTypes::iconForType(seriesType_));
  return cell;
}

void SelectSubjectViewController::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  view().endEditing(true);
  tableView.deselectRowAtIndexPath(indexPath, true);
  SubjectChoiceCommit::commitSubject(quoteName_, array_[indexPath.row]);
}

void SelectSubjectViewController::scrollViewDidScroll(ui::ScrollView& scrollView) {
  if (!welcomeScrollView_ || &scrollView != welcomeScrollView_.get()) return;
  // Once: the pages stay on the fourth page while they are taken away.
  if (!welcomeScrollView_->isHidden() && WelcomePages::reachedEnd(*welcomeScrollView_)) startClick();
  view().endEditing(true);
}
