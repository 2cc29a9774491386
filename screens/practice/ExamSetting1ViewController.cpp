#include "screens/practice/ExamSetting1ViewController.h"

#include "app/ReplyCheck.h"
#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "app/VDViewControllerFactory.h"
#include "screens/common/ScreenLayout.h"
#include "screens/practice/ExamSetting2ViewController.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"
#include "ui/TextMeasurer.h"
#include "ui/WeakScreen.h"

namespace {

using Self = ExamSetting1ViewController;

}  // namespace

void Self::loadView() {
  auto [root, table] = ScreenLayout::tableScreen(defaultViewFrame(), ScreenLayout::kBottomBarHeight);
  mytableview_ = table;
  auto [select, next] = ScreenLayout::bottomButtons(*root, kUncheckAllTitle, kNextTitle);
  btnSelect_ = select;
  btnSelect_->addTarget(ui::ControlEvent::TouchUpInside,
                        ui::whileAlive(*this, [](Self& s) { s.cancelCheckAll(); }));
  btnNext_ = next;
  btnNext_->addTarget(ui::ControlEvent::TouchUpInside,
                      ui::whileAlive(*this, [](Self& s) { s.nextSetting(); }));
  setView(root);
}

void Self::viewDidLoad() {
  setTitle(kTitle);
  didDeselect_ = 0;
  mytableview_->setDataSource(weakAs<ui::TableViewDataSource>());
  mytableview_->setDelegate(weakAs<ui::TableViewDelegate>());
  navigationItem().setBackBarButtonItem(ui::BarButtonItem::withTitle("返回", ui::BarButtonItem::Style::Plain, {}));
  sbjArr_ = core::Value::newArray();
  getNavigation();
}

void Self::viewWillAppear(bool animated) {
  VDAppStatistics::pageviewStartWithViewController(*this);
  if (ui::NavigationController* nav = navigationController()) nav->setNavigationBarHidden(false, animated);
}

void Self::viewWillDisappear(bool) { VDAppStatistics::pageviewEndWithViewController(*this); }

std::shared_ptr<Chapter> Self::getChapterBll() {
  if (!chapterBll_) {
    chapterBll_ = std::make_shared<Chapter>();
    chapterBll_->delegate = weakAs<ChapterDelegate>();
  }
  return chapterBll_;
}

std::shared_ptr<SimulationExam> Self::getSimulationExamBll() {
  if (!simulationExamBll_) {
    simulationExamBll_ = std::make_shared<SimulationExam>();
    simulationExamBll_->delegate = weakAs<SimulationExamDelegate>();
  }
  return simulationExamBll_;
}

void Self::getNavigation() { getChapterBll()->getLocalNavigation(); }

void Self::didGetNavigation(bool ok, const core::Value& json) {
  if (!ok) return;
  listData_ = json["Body"];
  for (const core::Value& top : listData_.array()) {
    if (!top["Childs"].isArray()) continue;
    for (const core::Value& child : top["Childs"].array()) {
      sbjArr_.push_back(core::Dictionary{{"subjectId", child["ID"]},
                                         {"subjectName", "(" + top["Name"].describe() + ")" + child["Name"].describe()},
                                         {"isChecked", 1}});
    }
  }
  mytableview_->reloadData();
}

void Self::cancelCheckAll() {
  const bool uncheck = btnSelect_->currentTitle() == kUncheckAllTitle;
  for (core::Value row : sbjArr_.array()) row.set("isChecked", uncheck ? 0 : 1);
  didDeselect_ = uncheck ? static_cast<int>(sbjArr_.size()) : 0;
  btnSelect_->setTitle(uncheck ? kCheckAllTitle : kUncheckAllTitle);
  mytableview_->reloadData();
}

void Self::nextSetting() {
  std::string ids;
  for (const core::Value& row : sbjArr_.array()) {
    if (row["isChecked"].toInt() != 1) continue;
    if (!ids.empty()) ids += ",";
    ids += row["subjectId"].describe();
  }
  if (ids.empty()) {
    VDHelper::createAlert("提示", kNoSubjectMessage, "确定");
    return;
  }
  getSimulationExamBll()->getSbjsStyle(ids);
}

void Self::didGetSbjsStyle(bool ok, const core::Value& json) {
  // The next screen makes a row per style: without a list of styles the user is told why nothing opens.
  if (!ok || !ReplyCheck::bodyIsRecordList(json, SimulationExam::kMaxStyles)) {
    if (json["LoginState"].toInt() != 2)  // the forced logout has its own alert
      VDHelper::createAlert("提示", ReplyCheck::failureMessage(json), "确定");
    return;
  }
  auto made = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(
      ExamSetting2ViewController::kIdentifier);
  auto* second = dynamic_cast<ExamSetting2ViewController*>(made.get());
  ui::NavigationController* nav = navigationController();
  if (!second || !nav) return;
  second->setSbjArr(sbjArr_);
  second->setStyleList(json["Body"]);
  nav->pushViewController(made, true);
}

double Self::rowHeightFor(const std::string& subjectName) {
  if (subjectName.empty()) return 44;
  const ui::Size size = ui::TextMeasurer::current()->measure(subjectName, ui::Font::system(20), {1000, 1000},
                                                             ui::LineBreakMode::WordWrap);
  return size.width > 280 ? 60 : 44;
}

// ---- table ----

int Self::numberOfRowsInSection(ui::TableView&, int) { return static_cast<int>(sbjArr_.size()); }

std::shared_ptr<ui::TableViewCell> Self::cellForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  auto cell = tableView.dequeueReusableCellWithIdentifier(kCellIdentifier);
  if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, kCellIdentifier);
  const core::Value row = sbjArr_[indexPath.row];
  cell->textLabel()->setText(row["subjectName"].describe());
  cell->textLabel()->setNumberOfLines(0);
  cell->setAccessoryType(row["isChecked"].toInt() == 1 ? ui::TableViewCellAccessoryType::Checkmark
                                                       : ui::TableViewCellAccessoryType::None);
  return cell;
}

double Self::heightForRowAtIndexPath(ui::TableView&, ui::IndexPath indexPath) {
  return rowHeightFor(sbjArr_[indexPath.row]["subjectName"].toString());
}

void Self::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  tableView.deselectRowAtIndexPath(indexPath, true);
  core::Value row = sbjArr_[indexPath.row];
  if (!row.isDictionary()) return;
  if (row["isChecked"].toInt() == 1) {
    row.set("isChecked", 0);
    ++didDeselect_;
    btnSelect_->setTitle(kCheckAllTitle);
  } else {
    row.set("isChecked", 1);
    if (--didDeselect_ <= 0) {
      didDeselect_ = 0;
      btnSelect_->setTitle(kUncheckAllTitle);
    }
  }
  tableView.reloadData();
}
