#include "screens/records/ExamGuideViewController.h"

#include "app/ChosenSubject.h"
#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "app/VDViewControllerFactory.h"
#include "screens/records/ExamGuideContentViewController.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"
#include "ui/WeakScreen.h"

namespace {

bool allDigits(const std::string& text) {
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

std::string infoID(const core::Value& item) { return item["InfoID"].toString(); }

// The id of an item one level below `parent`: the parent's id and exactly three more digits.
bool isChildID(const std::string& id, const std::string& parent) {
  return id.size() == parent.size() + 3 && id.compare(0, parent.size(), parent) == 0 &&
         allDigits(id.substr(parent.size()));
}

}  // namespace

core::Value ExamGuideViewController::topLevel(const core::Value& index) {
  core::Value items = core::Value::newArray();
  if (!index.isArray()) return items;
  for (const core::Value& item : index.array())
    if (isChildID(infoID(item), "")) items.push_back(item);
  return items;
}

core::Value ExamGuideViewController::childrenOf(const core::Value& item, const core::Value& index) {
  core::Value items = core::Value::newArray();
  if (!index.isArray()) return items;
  const std::string parent = infoID(item);
  for (const core::Value& other : index.array())
    if (isChildID(infoID(other), parent)) items.push_back(other);
  return items;
}

void ExamGuideViewController::loadView() {
  tableView_ = std::make_shared<ui::TableView>(defaultViewFrame());
  tableView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  setView(tableView_);
}

void ExamGuideViewController::viewDidLoad() {
  if (title().empty()) setTitle(kTitle);
  navigationItem().setBackBarButtonItem(
      ui::BarButtonItem::withTitle("返回", ui::BarButtonItem::Style::Plain, {}));
  const auto weak = ui::weakScreen(*this);
  navigationItem().setRightBarButtonItem(
      ui::BarButtonItem::withTitle("首页", ui::BarButtonItem::Style::Bordered, [weak](ui::BarButtonItem&) {
        if (auto self = weak.lock()) self->backToMainInterface();
      }));
  tableView_->setDataSource(weakAs<ui::TableViewDataSource>());
  tableView_->setDelegate(weakAs<ui::TableViewDelegate>());
  if (isRequest_) {
    arrayAll_ = arrayAllCopy_;
    tableView_->reloadData();
    return;
  }
  examGuideBll_ = std::make_shared<ExamGuide>();
  examGuideBll_->delegate = weakAs<ExamGuideDelegate>();
  softName_ = ChosenSubject::current().product.value;
  examGuideBll_->getLocalExamGuide();
}

void ExamGuideViewController::viewWillAppear(bool) { VDAppStatistics::pageviewStartWithViewController(*this); }

void ExamGuideViewController::viewWillDisappear(bool) { VDAppStatistics::pageviewEndWithViewController(*this); }

void ExamGuideViewController::didGetExamGuide(bool ok, const core::Value& json) {
  // A bank that holds no guide has nothing to read: an empty list, no alert.
  if (!ok && !json.isNil()) {
    VDHelper::createAlert(kTitle, "获取失败！", "OK");
    return;
  }
  array_ = json["Body"].isArray() ? json["Body"] : core::Value::newArray();
  arrayAll_ = topLevel(array_);
  tableView_->reloadData();
}

void ExamGuideViewController::backToMainInterface() {
  if (ui::NavigationController* nav = navigationController()) nav->popToRootViewController(true);
}

int ExamGuideViewController::numberOfRowsInSection(ui::TableView&, int) {
  return static_cast<int>(arrayAll_.size());
}

std::shared_ptr<ui::TableViewCell> ExamGuideViewController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                                  ui::IndexPath indexPath) {
  auto cell = tableView.dequeueReusableCellWithIdentifier("Cell");
  if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, "Cell");
  cell->textLabel()->setText(arrayAll_[indexPath.row]["Title"].toString());
  cell->setAccessoryType(ui::TableViewCellAccessoryType::DisclosureIndicator);
  return cell;
}

void ExamGuideViewController::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  tableView.deselectRowAtIndexPath(indexPath, true);
  rowValue_ = arrayAll_[indexPath.row];
  const core::Value children = childrenOf(rowValue_, array_);
  if (children.size() > 0)
    openLevel(children);
  else
    openArticle();
}

void ExamGuideViewController::openLevel(const core::Value& children) {
  auto made = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(kIdentifier);
  auto* level = dynamic_cast<ExamGuideViewController*>(made.get());
  ui::NavigationController* nav = navigationController();
  if (!level || !nav) return;
  level->setArrayAllCopy(children);
  level->setArray(array_);
  level->setTitle(rowValue_["Title"].toString());
  level->setIsRequest(true);
  level->softName_ = softName_;
  nav->pushViewController(made, true);
}

void ExamGuideViewController::openArticle() {
  rowInfo_ = rowValue_;
  auto made = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(
      ExamGuideContentViewController::kIdentifier);
  auto* article = dynamic_cast<ExamGuideContentViewController*>(made.get());
  ui::NavigationController* nav = navigationController();
  if (!article || !nav) return;
  article->setRowValue(rowInfo_);
  article->setSoftName(softName_);
  nav->pushViewController(made, true);
}
