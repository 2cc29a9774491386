#include "screens/subject/SelectProvinceViewController.h"

#include "app/VDAppStatistics.h"
#include "app/VDViewControllerFactory.h"
#include "screens/subject/ChoiceScreenLayout.h"
#include "screens/subject/SelectSubjectViewController.h"
#include "screens/subject/SeriesTypes.h"
#include "ui/BarButtonItem.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"

void SelectProvinceViewController::loadView() {
  tableView_ = std::make_shared<ui::TableView>(defaultViewFrame());
  tableView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  tableView_->setBackgroundColor(ui::Color::white());
  setView(tableView_);
}

void SelectProvinceViewController::viewDidLoad() {
  tableView_->setDataSource(weakAs<ui::TableViewDataSource>());
  tableView_->setDelegate(weakAs<ui::TableViewDelegate>());
  setTitle(quoteName_["Key"].toString());
  navigationItem().setBackBarButtonItem(
      ui::BarButtonItem::withTitle(ChoiceScreenLayout::kBackTitle, ui::BarButtonItem::Style::Plain, {}));
  provinces_ = provincesArray_.isArray() ? provincesArray_ : core::Value::newArray();
  tableView_->reloadData();
}

void SelectProvinceViewController::viewWillAppear(bool animated) {
  VDAppStatistics::pageviewStartWithViewController(*this);
}

void SelectProvinceViewController::viewWillDisappear(bool animated) {
  VDAppStatistics::pageviewEndWithViewController(*this);
}

int SelectProvinceViewController::numberOfRowsInSection(ui::TableView&, int) {
  return static_cast<int>(provinces_.size());
}

std::shared_ptr<ui::TableViewCell> SelectProvinceViewController::cellForRowAtIndexPath(
    ui::TableView& tableView, ui::IndexPath indexPath) {
  auto cell = ChoiceScreenLayout::rowCell(tableView, "Cell", ui::TableViewCellStyle::Default);
  const core::Value group = provinces_[indexPath.row];
  cell->textLabel()->setText(group["Province"].describe());
  SeriesTypes::setRowIcon(*cell->imageView(), SeriesTypes::iconForType(group["seriesType"].toInt()));
  return cell;
}

void SelectProvinceViewController::didSelectRowAtIndexPath(ui::TableView& tableView,
                                                           ui::IndexPath indexPath) {
  tableView.deselectRowAtIndexPath(indexPath, true);
  auto screen = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(
      SelectSubjectViewController::kIdentifier);
  auto* subject = dynamic_cast<SelectSubjectViewController*>(screen.get());
  ui::NavigationController* nav = navigationController();
  if (!subject || !nav) return;
  const core::Value group = provinces_[indexPath.row];
  subject->setTitle(group["Province"].toString());
  subject->setQuoteName(quoteName_);
  subject->setArray(group["QuoteDetails"].isArray() ? group["QuoteDetails"] : core::Value::newArray());
  subject->setSeriesType(group["seriesType"].toInt());
  nav->pushViewController(screen, true);
}
