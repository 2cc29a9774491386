#include "screens/practice/FastLearnViewController.h"

#include "app/ChosenSubject.h"
#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "app/VDViewControllerFactory.h"
#include "screens/common/ScreenLayout.h"
#include "screens/practice/FastLearnDetailViewController.h"
#include "screens/practice/PracticeLaunch.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"

namespace {
using Self = FastLearnViewController;
}  // namespace

void Self::loadView() {
  auto [root, table] = ScreenLayout::tableScreen(defaultViewFrame());
  fastLearnTableView_ = table;
  fastLearnTableView_->setRowHeight(60);
  setView(root);
}

void Self::viewDidLoad() {
  fastLearnTableView_->setDataSource(weakAs<ui::TableViewDataSource>());
  fastLearnTableView_->setDelegate(weakAs<ui::TableViewDelegate>());
  fastLearnTableView_->setHidden(true);
  softName_ = ChosenSubject::current().product.value;
  if (arForCopy_.isArray() && arForCopy_.size() > 0) {
    arForTable_ = arForCopy_;
    fastLearnTableView_->setHidden(false);
    fastLearnTableView_->reloadData();
  }
  if (isRequest_) return;
  setTitle(kTitle);
  chapterBll_ = std::make_shared<Chapter>();
  chapterBll_->delegate = weakAs<ChapterDelegate>();
  chapterBll_->getLocalNavigation();
}

void Self::viewWillAppear(bool animated) {
  VDAppStatistics::pageviewStartWithViewController(*this);
  if (ui::NavigationController* nav = navigationController()) nav->setNavigationBarHidden(false, animated);
}

void Self::viewWillDisappear(bool) { VDAppStatistics::pageviewEndWithViewController(*this); }

void Self::didGetNavigation(bool ok, const core::Value& json) {
  if (!ok) {
    VDHelper::createAlert(kTitle, PracticeLaunch::localized(json.isNil() ? "requestFaile" : "nodataMessage"), "OK");
    return;
  }
  arrayOriginal_ = json["Body"];
  arForTable_ = arrayOriginal_.deepCopy();
  arrayAll_ = arForTable_;
  fastLearnTableView_->setHidden(false);
  fastLearnTableView_->reloadData();
}

int Self::numberOfRowsInSection(ui::TableView&, int) {
  return arForTable_.isArray() ? static_cast<int>(arForTable_.size()) : 0;
}

std::shared_ptr<ui::TableViewCell> Self::cellForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  auto cell = tableView.dequeueReusableCellWithIdentifier(kCellIdentifier);
  if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Subtitle, kCellIdentifier);
  const core::Value node = arForTable_[indexPath.row];
  cell->textLabel()->setText(node["Name"].describe());
  cell->detailTextLabel()->setText("共" + node["Total"].describe() + "题");
  cell->setAccessoryType(node["Childs"].isArray() ? ui::TableViewCellAccessoryType::DisclosureIndicator
                                                  : ui::TableViewCellAccessoryType::None);
  return cell;
}

void Self::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  tableView.deselectRowAtIndexPath(indexPath, true);
  const core::Value node = arForTable_[indexPath.row];
  if (!node.isDictionary() || !node.contains("Childs")) return;
  if (node["Childs"].isNull()) {
    toFastLearnDetail(node);
    return;
  }
  if (!node["Childs"].isArray()) return;
  auto made = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(kIdentifier);
  auto* level = dynamic_cast<Self*>(made.get());
  ui::NavigationController* nav = navigationController();
  if (!level || !nav) return;
  level->setArForCopy(node["Childs"].deepCopy());
  level->setIsRequest(true);
  level->setTitle(node["Name"].describe());
  nav->pushViewController(made, true);
}

void Self::toFastLearnDetail(const core::Value& node) {
  chapterid_ = node["ID"].describe();
  navTitle_ = node["Name"].describe();
  testsCount_ = node["Total"].toInt();
  navigationItem().setBackBarButtonItem(ui::BarButtonItem::withTitle("", ui::BarButtonItem::Style::Plain, {}));
  pushVC();
}

void Self::pushVC() {
  auto made = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(
      FastLearnDetailViewController::kIdentifier);
  auto* detail = dynamic_cast<FastLearnDetailViewController*>(made.get());
  ui::NavigationController* nav = navigationController();
  if (!detail || !nav) return;
  detail->setSoftname(softName_);
  detail->setChapterid(chapterid_);
  detail->setNavTitle(navTitle_);
  detail->setTestsCount(testsCount_);
  nav->pushViewController(made, true);
}

void Self::backToMainInterface() {
  if (ui::NavigationController* nav = navigationController()) nav->popViewController(true);
}
