#include "screens/records/MainLearningRecordViewController.h"

#include "app/AppShell.h"
#include "app/ChosenSubject.h"
#include "app/VDAppStatistics.h"
#include "app/VDNetworkHelper.h"
#include "app/VDViewControllerFactory.h"
#include "platform/core/Bundle.h"
#include "screens/common/FavoritesDetailScreen.h"
#include "screens/common/WrongAnswerGrouping.h"
#include "screens/records/LearningRecordList.h"
#include "screens/records/LearningRecordViewController.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"
#include "ui/WeakScreen.h"

namespace {

using Self = MainLearningRecordViewController;

constexpr double kTabHeight = 44;
constexpr const char* kWrongAnswerViews[] = {WrongAnswerGrouping::kBySubject, WrongAnswerGrouping::kByTime,
                                             WrongAnswerGrouping::kByNumber};

std::string localized(const char* key) { return core::Bundle::main().localizedString(key); }

ui::Color chosenTitleColour() { return ui::Color::rgb(50 / 255.0, 174 / 255.0, 1.0, 1.0); }

}  // namespace

void Self::loadView() {
  auto root = std::make_shared<ui::View>(defaultViewFrame());
  root->setBackgroundColor(ui::Color::white());
  root->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  const double width = root->bounds().width();
  btnView_ = std::make_shared<ui::View>(ui::Rect{0, 0, width, kTabHeight});
  btnView_->setBackgroundColor(chosenTitleColour());
  btnView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth);
  const double tabWidth = width / 3;
  const auto weak = ui::weakScreen(*this);
  auto tab = [&](const char* title, int tag) {
    auto button = ui::Button::buttonWithType(ui::ButtonType::Custom, {(tag - 1) * tabWidth, 0, tabWidth, kTabHeight});
    button->setTitle(title);
    button->setTag(tag);
    button->addTarget(ui::ControlEvent::TouchUpInside, [weak](ui::Control& sender) {
      if (auto self = weak.lock()) self->selectRecord(dynamic_cast<ui::Button*>(&sender));
    });
    btnView_->addSubview(button);
    return button;
  };
  redoBtn_ = tab("错题重做", WrongAnswers);
  myFavBtn_ = tab("我的收藏", Favourites);
  learnRecoBtn_ = tab("学习记录", LearningRecords);
  root->addSubview(btnView_);
  const ui::Rect below{0, kTabHeight, width, root->bounds().height() - kTabHeight};
  recordTableView_ = std::make_shared<ui::TableView>(below);
  recordTableView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  root->addSubview(recordTableView_);
  nilLabel_ = std::make_shared<ui::Label>(ui::Rect{20, kTabHeight + 100, width - 40, 40}, kNothingHere);
  nilLabel_->setTextAlignment(ui::TextAlignment::Center);
  nilLabel_->setTextColor(ui::Color::gray());
  nilLabel_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth);
  nilLabel_->setHidden(true);
  root->addSubview(nilLabel_);
  setView(root);
}

void Self::viewDidLoad() {
  if (title().empty()) setTitle(kTitle);
  recordTableView_->setDataSource(weakAs<ui::TableViewDataSource>());
  recordTableView_->setDelegate(weakAs<ui::TableViewDelegate>());
  currentRecordType_ = WrongAnswers;
  navigationItem().setBackBarButtonItem(
      ui::BarButtonItem::withTitle("返回", ui::BarButtonItem::Style::Plain, {}));
}

void Self::viewWillAppear(bool) {
  VDAppStatistics::pageviewStartWithViewController(*this);
  softName_ = ChosenSubject::current().product.value;
  selectRecord(nullptr);
}

void Self::viewWillDisappear(bool) { VDAppStatistics::pageviewEndWithViewController(*this); }

// ---- tabs ----

void Self::selectRecord(ui::Button* sender) {
  if (sender) currentRecordType_ = sender->tag();
  setButtonType(currentRecordType_);
  switch (currentRecordType_) {
    case LearningRecords:
      VDAppStatistics::logEvent(VDAppStatistics::kLearnRecord);
      recordArray_ = LearningRecordList::ofLoggedInUser().deepCopy();
      showRows();
      break;
    case Favourites:
      VDAppStatistics::logEvent(VDAppStatistics::kMyFavorites);
      // The rows of the tab left behind never show under this one.
      recordArray_ = core::Value::newArray();
      recordTableView_->reloadData();
      getFavoriteInfo();
      break;
    default:
      VDAppStatistics::logEvent(VDAppStatistics::kWrongRedo);
      recordArray_ = core::Value::newArray();
      for (const char* name : kWrongAnswerViews) recordArray_.push_back(name);
      showRows();
      break;
  }
}

void Self::setButtonType(int type) {
  for (const auto& view : btnView_->subviews()) {
    auto* button = dynamic_cast<ui::Button*>(view.get());
    if (!button) continue;
    const bool chosen = button->tag() == type;
    button->setBackgroundColor(chosen ? ui::Color::white() : ui::Color::clear());
    button->setTitleColor(chosen ? chosenTitleColour() : ui::Color::white());
    button->setUserInteractionEnabled(!chosen);
  }
}

void Self::setViewHidden(bool hidden) {
  nilLabel_->setHidden(hidden);
  recordTableView_->setHidden(!hidden);
}

void Self::showRows() {
  if (recordArray_.size() > 0) {
    recordTableView_->reloadData();
    setViewHidden(true);
  } else {
    setViewHidden(false);
  }
}

// ---- favourites ----

void Self::getFavoriteInfo() {
  AppShell* app = AppShell::current();
  if (app && !app->isReachable()) {
    setViewHidden(false);
    app->networkAlert(localized("alertNetwork"));
    return;
  }
  myFavoriteBll_ = std::make_shared<MyFavorite>();
  myFavoriteBll_->delegate = weakAs<MyFavoriteDelegate>();
  myFavoriteBll_->favourInfo(softName_);
}

void Self::didFavourInfo(bool ok, const core::Value& json) {
  if (currentRecordType_ != Favourites) return;  // the user has moved on to another tab
  const core::Value body = json["Body"];
  if (!ok || !body.isArray() || body.size() == 0) {
    setViewHidden(false);
    return;
  }
  recordArray_ = core::Value::newArray();
  for (const core::Value& item : body.array())
    recordArray_.push_back(
        core::Dictionary{{"Sbjid", item["Sbjid"]}, {"TestNum", item["TestNum"]}, {"Subject1", item["Subject1"]}});
  showRows();
}

void Self::pushMyFavoritesDetailVC(int row) {
  const core::Value item = recordArray_[row];
  auto made = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(
      FavoritesDetailScreen::kIdentifier);
  auto* detail = dynamic_cast<FavoritesDetailScreen*>(made.get());
  ui::NavigationController* nav = navigationController();
  if (!detail || !nav) return;
  detail->setSoftEName(softName_);
  detail->setChaptName(item["Subject1"].describe());
  detail->setSbjid(item["Sbjid"].describe());
  detail->setTestsCount(item["TestNum"].toInt());
  nav->pushViewController(made, true);
}

// ---- wrong answers ----

void Self::pushToErrorRedoVC() {
  wrongRedoBll_ = std::make_shared<WrongRedo>();
  wrongRedoBll_->delegate = weakAs<WrongRedoDelegate>();
  if (selectType_ == WrongAnswerGrouping::kBySubject)
    wrongRedoBll_->subjectInfoList(softName_);
  else if (selectType_ == WrongAnswerGrouping::kByTime)
    wrongRedoBll_->getListToTime(softName_);
  else if (selectType_ == WrongAnswerGrouping::kByNumber)
    wrongRedoBll_->getListToErrorCount(softName_);
}

void Self::didSubjectInfoList(bool ok, const core::Value& json) {
  pushToErrorRedoList(ok ? WrongAnswerGrouping::groupingRows(WrongAnswerGrouping::BySubject, json["Body"])
                         : core::Value::newArray());
}

void Self::didGetListToTime(bool ok, const core::Value& json) {
  if (!ok) {
    VDNetworkHelper::hudPrompt(localized("requestFaile"));
    return;
  }
  pushToErrorRedoList(WrongAnswerGrouping::groupingRows(WrongAnswerGrouping::ByTime, json["Body"]));
}

void Self::didGetListToErrorCount(bool ok, const core::Value& json) {
  if (!ok) {
    VDNetworkHelper::hudPrompt(localized("requestFaile"));
    return;
  }
  pushToErrorRedoList(WrongAnswerGrouping::groupingRows(WrongAnswerGrouping::ByNumber, json["Body"]));
}

// The grouping's rows have nowhere to go yet: this tab only fetches them.
void Self::pushToErrorRedoList(const core::Value&) {}

// ---- records ----

void Self::getTestsList(int row) {
  if (opening_) return;  // one run is being restored: a second tap opens nothing more
  opening_ = true;
  LearningRecordList::pushToExamingVC(*this, recordArray_[row],
                                      ui::whileAlive(*this, [](Self& self, bool opened) {
                                        self.opening_ = false;
                                        if (!opened) VDNetworkHelper::hudPrompt(localized("nodataMessage"));
                                      }));
}

// ---- table ----

int Self::numberOfRowsInSection(ui::TableView&, int) { return static_cast<int>(recordArray_.size()); }

std::shared_ptr<ui::TableViewCell> Self::cellForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  const core::Value row = recordArray_[indexPath.row];
  if (currentRecordType_ == LearningRecords)
    return LearningRecordViewController::recordCell(tableView, kCellIdentifier, row);
  auto cell = LearningRecordViewController::subtitleCell(tableView, kCellIdentifier);
  if (currentRecordType_ == Favourites) {
    cell->textLabel()->setText(row["Subject1"].describe());
    cell->detailTextLabel()->setText("共" + row["TestNum"].describe() + "题");
  } else {
    cell->textLabel()->setText(row.toString());
    cell->detailTextLabel()->setText("");
  }
  return cell;
}

double Self::heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  if (currentRecordType_ == LearningRecords)
    return LearningRecordViewController::recordRowHeight(recordArray_[indexPath.row], tableView.bounds().width());
  return 56;
}

void Self::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  tableView.deselectRowAtIndexPath(indexPath, true);
  switch (currentRecordType_) {
    case LearningRecords:
      getTestsList(indexPath.row);
      break;
    case Favourites:
      pushMyFavoritesDetailVC(indexPath.row);
      break;
    default:
      selectType_ = recordArray_[indexPath.row].toString();
      pushToErrorRedoVC();
      break;
  }
}
