#include "screens/records/LearningRecordViewController.h"

#include <algorithm>

#include "app/VDHelper.h"
#include "platform/core/Bundle.h"
#include "screens/common/ScreenLayout.h"
#include "screens/records/LearningRecordList.h"
#include "ui/NavigationItem.h"
#include "ui/TextMeasurer.h"
#include "ui/WeakScreen.h"

namespace {

constexpr double kTextSize = 16;
constexpr double kDetailSize = 13;
constexpr double kMinimumRowHeight = 56;

}  // namespace

void LearningRecordViewController::loadView() {
  auto [root, table] = ScreenLayout::tableScreen(defaultViewFrame());
  learningRecordTableView_ = table;
  nullRecordView_ = std::make_shared<ui::View>(root->bounds());
  nullRecordView_->setBackgroundColor(ui::Color::white());
  nullRecordView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  auto label = std::make_shared<ui::Label>(ui::Rect{20, 120, root->bounds().width() - 40, 40}, kNoRecords);
  label->setTextAlignment(ui::TextAlignment::Center);
  label->setTextColor(ui::Color::gray());
  label->setAutoresizingMask(ui::kAutoresizingFlexibleWidth);
  nullRecordView_->addSubview(label);
  root->addSubview(nullRecordView_);
  setView(root);
}

void LearningRecordViewController::viewDidLoad() {
  if (title().empty()) setTitle(kTitle);
  learningRecordTableView_->setDataSource(weakAs<ui::TableViewDataSource>());
  learningRecordTableView_->setDelegate(weakAs<ui::TableViewDelegate>());
  navigationItem().setBackBarButtonItem(
      ui::BarButtonItem::withTitle("返回", ui::BarButtonItem::Style::Plain, {}));
}

void LearningRecordViewController::viewWillAppear(bool) {
  learningRecordList_ = LearningRecordList::ofLoggedInUser().deepCopy();
  nullRecordView_->setHidden(learningRecordList_.size() > 0);
  learningRecordTableView_->reloadData();
}

std::shared_ptr<ui::TableViewCell> LearningRecordViewController::subtitleCell(ui::TableView& tableView,
                                                                             const std::string& identifier) {
  auto cell = tableView.dequeueReusableCellWithIdentifier(identifier);
  if (!cell) {
    cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Subtitle, identifier);
    cell->textLabel()->setNumberOfLines(0);
    cell->textLabel()->setFont(ui::Font::system(kTextSize));
    cell->detailTextLabel()->setFont(ui::Font::system(kDetailSize));
    cell->detailTextLabel()->setTextColor(ui::Color::gray());
  }
  return cell;
}

std::shared_ptr<ui::TableViewCell> LearningRecordViewController::recordCell(ui::TableView& tableView,
                                                                           const std::string& identifier,
                                                                           const core::Value& record) {
  auto cell = subtitleCell(tableView, identifier);
  cell->textLabel()->setText(LearningRecordList::rowText(record));
  cell->detailTextLabel()->setText(LearningRecordList::detailText(record));
  return cell;
}

double LearningRecordViewController::recordRowHeight(const core::Value& record, double width) {
  const double inner = std::max(0.0, width - 30);
  const double text =
      ui::sizeWithFont(LearningRecordList::rowText(record), ui::Font::system(kTextSize), {inner, 100000}).height;
  const double detail = ui::sizeWithFont(LearningRecordList::detailText(record), ui::Font::system(kDetailSize),
                                         {inner, 100000})
                            .height;
  return std::max(kMinimumRowHeight, text + detail + 20);
}

int LearningRecordViewController::numberOfRowsInSection(ui::TableView&, int) {
  return static_cast<int>(learningRecordList_.size());
}

std::shared_ptr<ui::TableViewCell> LearningRecordViewController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                                       ui::IndexPath indexPath) {
  return recordCell(tableView, kCellIdentifier, learningRecordList_[indexPath.row]);
}

double LearningRecordViewController::heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  return recordRowHeight(learningRecordList_[indexPath.row], tableView.bounds().width());
}

void LearningRecordViewController::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  tableView.deselectRowAtIndexPath(indexPath, true);
  if (opening_) return;  // one run is being restored: a second tap opens nothing more
  opening_ = true;
  LearningRecordList::pushToExamingVC(
      *this, learningRecordList_[indexPath.row],
      ui::whileAlive(*this, [](LearningRecordViewController& self, bool opened) {
        self.opening_ = false;
        if (!opened)
          VDHelper::createAlert(kTitle, core::Bundle::main().localizedString("nodataMessage"), "OK");
      }));
}
