#include "screens/settings/FontSizeViewController.h"

#include "app/SettingDefaults.h"
#include "app/VDAppStatistics.h"
#include "platform/core/Text.h"
#include "platform/core/UserDefaults.h"
#include "screens/settings/FontSizeSettingOwner.h"
#include "ui/Label.h"
#include "ui/TableViewCell.h"

void FontSizeViewController::loadView() {
  auto root = std::make_shared<ui::View>(defaultViewFrame());
  tableView_ = std::make_shared<ui::TableView>(root->bounds(), ui::TableViewStyle::Grouped);
  tableView_->setBackgroundColor(ui::Color::rgb255(239, 239, 244));
  for (std::size_t i = 0; i < SettingDefaults::kFontSizes.size(); ++i) {
    const std::string identifier = "row" + std::to_string(i);
    const std::string text = SettingDefaults::kFontSizes[i];
    tableView_->registerCell(identifier, [identifier, text] {
      auto cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, identifier);
      cell->setBackgroundColor(ui::Color::white());
      cell->textLabel()->setText(text);
      return cell;
    });
  }
  tableView_->setDataSource(weakAs<ui::TableViewDataSource>());
  tableView_->setDelegate(weakAs<ui::TableViewDelegate>());
  root->addSubview(tableView_);
  setView(root);
  setTitle("字体大小");
}

void FontSizeViewController::viewWillAppear(bool) {
  VDAppStatistics::pageviewStartWithViewController(*this);
  tableView_->reloadData();
}

void FontSizeViewController::viewWillDisappear(bool) {
  VDAppStatistics::pageviewEndWithViewController(*this);
  core::UserDefaults::standard().synchronize();
}

std::string FontSizeViewController::currentSize() const {
  auto setting = setting_.lock();
  ui::Label* label = setting ? setting->lblFontSize() : nullptr;
  if (!label) return "";
  const std::string& text = label->text();
  const std::string prefix = FontSizeSettingOwner::kFontLabelPrefix;
  if (text.rfind(prefix, 0) != 0) return "";
  return core::utf16Substring(text, core::utf16Length(prefix), 2);
}

int FontSizeViewController::numberOfRowsInSection(ui::TableView&, int) {
  return static_cast<int>(SettingDefaults::kFontSizes.size());
}

std::shared_ptr<ui::TableViewCell> FontSizeViewController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                                 ui::IndexPath indexPath) {
  auto cell = tableView.dequeueReusableCellWithIdentifier("row" + std::to_string(indexPath.row));
  if (!cell) return std::make_shared<ui::TableViewCell>();
  const std::string size = currentSize();
  const bool current = !size.empty() && cell->textLabel()->text().rfind(size, 0) == 0;
  cell->setAccessoryType(current ? ui::TableViewCellAccessoryType::Checkmark : ui::TableViewCellAccessoryType::None);
  return cell;
}

void FontSizeViewController::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  tableView.deselectRowAtIndexPath(indexPath, false);
  const std::string text = SettingDefaults::kFontSizes[static_cast<std::size_t>(indexPath.row)];
  if (auto setting = setting_.lock(); setting && setting->lblFontSize())
    setting->lblFontSize()->setText(std::string(FontSizeSettingOwner::kFontLabelPrefix) + text);
  SettingDefaults::setFontSize(text);
  tableView.reloadData();
}
