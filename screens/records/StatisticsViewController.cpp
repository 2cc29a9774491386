#include "screens/records/StatisticsViewController.h"

#include <algorithm>
#include <cstdio>

#include "app/ChosenSubject.h"
#include "app/ReplyCheck.h"
#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "platform/core/Bundle.h"
#include "platform/core/Saturating.h"
#include "screens/common/ScreenLayout.h"
#include "screens/records/StatisticsTableCell.h"
#include "ui/Label.h"
#include "ui/NavigationItem.h"

namespace {

constexpr double kRowHeight = 44;
constexpr double kHeaderHeight = 32;

std::string percentText(float value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.1f%%", static_cast<double>(value));
  return text;
}

std::int64_t countOf(const core::Value& v) { return std::max<std::int64_t>(0, v.toInt()); }

}  // namespace

float StatisticsViewController::arithmeticPercentage(const core::Value& part, const core::Value& whole) {
  // Counts that do not add up (a zero whole, a part beyond its whole, a count below zero) never show as
  // an infinite, negative or more than whole share.
  return static_cast<float>(core::percentOf(part.toInt(), whole.toInt()));
}

core::Value StatisticsViewController::creatObject(const std::string& name, float pastPercentage,
                                                  float rightPercentage, int sort) {
  return core::Dictionary{{"Name", name},
                          {"PastPercentage", percentText(pastPercentage)},
                          {"RightPercentage", percentText(rightPercentage)},
                          {"Sort", sort}};
}

core::Value StatisticsViewController::analysis(const core::Value& chapterCounts) {
  core::Value rows = core::Value::newArray();
  std::int64_t done = 0, right = 0, total = 0;
  int k = 0;
  if (chapterCounts.isArray()) {
    for (const core::Value& chapter : chapterCounts.array()) {
      // A count below zero counts nothing; the sums stop at the largest count.
      done = core::satAdd(done, countOf(chapter["PastNum"]));
      right = core::satAdd(right, countOf(chapter["RightNum"]));
      total = core::satAdd(total, countOf(chapter["TestNum"]));
      rows.push_back(creatObject(chapter["Name"].toString(),
                                 arithmeticPercentage(chapter["PastNum"], chapter["TestNum"]),
                                 arithmeticPercentage(chapter["RightNum"], chapter["PastNum"]), k));
      ++k;
    }
  }
  core::Value totalRow = creatObject(kTotalRow, arithmeticPercentage(core::Value(done), core::Value(total)),
                                     arithmeticPercentage(core::Value(right), core::Value(done)), k);
  rows.array().insert(rows.size() > 0 ? 1 : 0, totalRow);
  return rows;
}

void StatisticsViewController::loadView() {
  auto [root, table] = ScreenLayout::tableScreen(defaultViewFrame());
  statisticsTableView_ = table;
  // The column heads over the rows.
  auto header = std::make_shared<ui::View>(ui::Rect{0, 0, root->bounds().width(), kHeaderHeight});
  header->setBackgroundColor(ui::Color::rgb255(235, 235, 235));
  auto head = [&](const char* text, ui::Rect frame, ui::TextAlignment alignment) {
    auto label = std::make_shared<ui::Label>(frame, text);
    label->setFont(ui::Font::boldSystem(14));
    label->setTextAlignment(alignment);
    header->addSubview(label);
  };
  head("章节", {10, 0, StatisticsTableCell::kFinishedX - 15, kHeaderHeight}, ui::TextAlignment::Left);
  head("完成度", {StatisticsTableCell::kFinishedX, 0, StatisticsTableCell::kFigureWidth, kHeaderHeight},
       ui::TextAlignment::Center);
  head("正确率", {StatisticsTableCell::kRightX, 0, StatisticsTableCell::kFigureWidth, kHeaderHeight},
       ui::TextAlignment::Center);
  statisticsTableView_->setTableHeaderView(header);
  setView(root);
}

void StatisticsViewController::viewDidLoad() {
  if (title().empty()) setTitle(kTitle);
  navigationItem().setBackBarButtonItem(
      ui::BarButtonItem::withTitle("返回", ui::BarButtonItem::Style::Plain, {}));
  statisticsTableView_->setDataSource(weakAs<ui::TableViewDataSource>());
  statisticsTableView_->setDelegate(weakAs<ui::TableViewDelegate>());
  statisticsTableView_->setRowHeight(kRowHeight);
  statisticsTableView_->setBounces(false);
  statisticsTableView_->setHidden(true);
  softEName_ = ChosenSubject::current().product.value;
  getStatistics();
}

void StatisticsViewController::viewWillAppear(bool) { VDAppStatistics::pageviewStartWithViewController(*this); }

void StatisticsViewController::viewWillDisappear(bool) { VDAppStatistics::pageviewEndWithViewController(*this); }

void StatisticsViewController::getStatistics() {
  systemBll_ = std::make_shared<System>();
  systemBll_->delegate = weakAs<SystemDelegate>();
  systemBll_->statistics(softEName_);
}

void StatisticsViewController::didStatistics(bool ok, const core::Value& json) {
  if (!ok && (json.isNil() || ReplyCheck::bodyIsEmpty(json))) {
    VDHelper::createAlert(kTitle, core::Bundle::main().localizedString(json.isNil() ? "requestFaile" : "nodataMessage"),
                          "OK");
    return;
  }
  // Only a list of chapter counts makes rows (no more than the client's limit).
  if (!ok || !ReplyCheck::bodyIsRecordList(json, System::kMaxListEntries)) {
    VDHelper::createAlert(kTitle, ReplyCheck::failureMessage(json), "OK");
    return;
  }
  originalArray_ = json["Body"];
  statisticsArray_ = analysis(originalArray_);
  statisticsTableView_->setHidden(false);
  statisticsTableView_->reloadData();
}

int StatisticsViewController::numberOfRowsInSection(ui::TableView&, int) {
  return static_cast<int>(statisticsArray_.size());
}

std::shared_ptr<ui::TableViewCell> StatisticsViewController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                                   ui::IndexPath indexPath) {
  auto cell = std::dynamic_pointer_cast<StatisticsTableCell>(
      tableView.dequeueReusableCellWithIdentifier(StatisticsTableCell::kIdentifier));
  if (!cell) cell = std::make_shared<StatisticsTableCell>();
  const core::Value row = statisticsArray_[indexPath.row];
  cell->fill(row["Name"].toString(), row["PastPercentage"].toString(), row["RightPercentage"].toString());
  return cell;
}
