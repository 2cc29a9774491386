#include "screens/review/MyFavoriteViewController.h"

#include "app/AppShell.h"
#include "app/ChosenSubject.h"
#include "app/ReplyCheck.h"
#include "app/VDAppStatistics.h"
#include "app/VDViewControllerFactory.h"
#include "platform/core/Bundle.h"
#include "screens/common/ScreenLayout.h"
#include "screens/review/MyFavoritesDetailViewController.h"
#include "service/ApiClientSupport.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"

void MyFavoriteViewController::loadView() {
  auto [root, table] = ScreenLayout::tableScreen(defaultViewFrame());
  myTableView_ = table;
  labelHide_ = std::make_shared<ui::Label>(ui::Rect{20, 120, root->bounds().width() - 40, 40}, kHint);
  labelHide_->setTextAlignment(ui::TextAlignment::Center);
  labelHide_->setTextColor(ui::Color::gray());
  root->addSubview(labelHide_);
  setView(root);
}

void MyFavoriteViewController::viewDidLoad() {
  setTitle(kTitle);
  myTableView_->setDataSource(weakAs<ui::TableViewDataSource>());
  myTableView_->setDelegate(weakAs<ui::TableViewDelegate>());
  myTableView_->setRowHeight(60);
  navigationItem().setBackBarButtonItem(
      ui::BarButtonItem::withTitle("返回", ui::BarButtonItem::Style::Plain, {}));
}

void MyFavoriteViewController::viewWillAppear(bool animated) {
  VDAppStatistics::pageviewStartWithViewController(*this);
  labelHide_->setHidden(true);
  myTableView_->setHidden(true);
  if (ui::NavigationController* nav = navigationController()) nav->setNavigationBarHidden(false, animated);
  AppShell* app = AppShell::current();
  if (app && !app->isReachable()) {
    app->networkAlert(core::Bundle::main().localizedString("alertNetwork"));
    return;
  }
  softName_ = ChosenSubject::current().product.value;
  myFavoriteBll_ = std::make_shared<MyFavorite>();
  myFavoriteBll_->delegate = weakAs<MyFavoriteDelegate>();
  myFavoriteBll_->favourInfo(softName_);
}

void MyFavoriteViewController::viewWillDisappear(bool animated) {
  VDAppStatistics::pageviewEndWithViewController(*this);
}

void MyFavoriteViewController::didFavourInfo(bool ok, const core::Value& json) {
  const core::Value body = json["Body"];
  if (ok && ReplyCheck::bodyIsRecordList(json, apiclient::kMaxListEntries) && body.size() > 0) {
    favArray_ = core::Value::newArray();
    for (const core::Value& row : body.array()) {
      favArray_.push_back(core::Dictionary{
          {"Sbjid", row["Sbjid"]}, {"Subject1", row["Subject1"]}, {"TestNum", row["TestNum"]}});
    }
    myTableView_->setHidden(false);
    myTableView_->reloadData();
    return;
  }
  // No favourites, or what went wrong, in place of the list.
  labelHide_->setText(ReplyCheck::bodyIsEmpty(json) ? kHint : ReplyCheck::failureMessage(json));
  labelHide_->setHidden(false);
}

int MyFavoriteViewController::numberOfRowsInSection(ui::TableView&, int) {
  return static_cast<int>(favArray_.size());
}

std::shared_ptr<ui::TableViewCell> MyFavoriteViewController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                                   ui::IndexPath indexPath) {
  auto cell = tableView.dequeueReusableCellWithIdentifier("favoriteCell");
  if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Subtitle, "favoriteCell");
  const core::Value row = favArray_[indexPath.row];
  cell->textLabel()->setText(row["Subject1"].describe());
  cell->detailTextLabel()->setText("共" + row["TestNum"].describe() + "题");
  return cell;
}

void MyFavoriteViewController::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  tableView.deselectRowAtIndexPath(indexPath, true);
  const core::Value row = favArray_[indexPath.row];
  chaptName_ = row["Subject1"].describe();
  sbjid_ = row["Sbjid"].describe();
  testNum_ = row["TestNum"];
  auto screen = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(
      MyFavoritesDetailViewController::kIdentifier);
  auto* detail = dynamic_cast<MyFavoritesDetailViewController*>(screen.get());
  ui::NavigationController* nav = navigationController();
  if (!detail || !nav) return;
  detail->setSoftEName(softName_);
  detail->setChaptName(chaptName_);
  detail->setSbjid(sbjid_);
  detail->setTestsCount(testNum_.toInt());
  nav->pushViewController(screen, true);
}
