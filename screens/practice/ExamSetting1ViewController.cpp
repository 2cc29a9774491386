#include "screens/practice/ExamSetting1ViewController.h"

#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "app/VDViewControllerFactory.h"
#include "screens/practice/ExamSetting2ViewController.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"
#include "ui/TextMeasurer.h"

namespace {

using Self = ExamSetting1ViewController;

constexpr double kBottomHeight = 56;

template <class F>
auto onScreen(Self& screen, F f) {
  std::weak_ptr<ui::ViewController> weak = screen.weak_from_this();
  return [weak, f](auto&&...) {
    if (auto self = std::static_pointer_cast<Self>(weak.lock())) f(*self);
  };
}

std::shared_ptr<ui::Button> bottomButton(const char* title, ui::Rect frame, ui::Color colour) {
  auto b = std::make_shared<ui::Button>(frame);
  b->setTitle(title);
  b->setTitleColor(ui::Color::white());
  b->setBackgroundColor(colour);
  b->setAutoresizingMask(ui::kAutoresizingFlexibleTopMargin);
  return b;
}

}  // namespace

void Self::loadView() {
  auto root = std::make_shared<ui::View>(defaultViewFrame());
  root->setBackgroundColor(ui::Color::white());
  root->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  const ui::Rect b = root->bounds();
  mytableview_ = std::make_shared<ui::TableView>(ui::Rect{0, 0, b.width(), b.height() - kBottomHeight});
  mytableview_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  root->addSubview(mytableview_);
  const double y = b.height() - kBottomHeight + 8;
  btnSelect_ = bottomButton(kUncheckAllTitle, {20, y, 130, 40}, ui::Color::rgb255(120, 120, 120));
  btnSelect_->addTarget(ui::ControlEvent::TouchUpInside, onScreen(*this, [](Self& s) { s.cancelCheckAll(); }));
  btnNext_ = bottomButton(kNextTitle, {170, y, 130, 40}, ui::Color::rgb255(52, 120, 200));
  btnNext_->addTarget(ui::ControlEvent::TouchUpInside, onScreen(*this, [](Self& s) { s.nextSetting(); }));
  root->addSubview(btnSelect_);
  root->addSubview(btnNext_);
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
  if (!ok) return;
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
