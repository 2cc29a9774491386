#include "screens/settings/SettingViewController.h"

#include <algorithm>

#include "app/BankDownload.h"
#include "app/SettingDefaults.h"
#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "app/VDViewControllerFactory.h"
#include "platform/core/UserDefaults.h"
#include "screens/settings/FontSizeViewController.h"
#include "ui/BarButtonItem.h"
#include "ui/Image.h"
#include "ui/ImageView.h"
#include "ui/NavigationController.h"
#include "ui/TableViewCell.h"
#include "ui/WeakScreen.h"

namespace {

std::string screenLightText(bool on) { return std::string("当前设置：屏幕") + (on ? "常亮" : "不常亮"); }
std::string nightModeText(bool on) { return std::string("当前设置：") + (on ? "夜间" : "白天"); }

std::shared_ptr<ui::Label> detailLabel() {
  auto label = std::make_shared<ui::Label>(ui::Rect(15, 32, 210, 20), "");
  label->setFont(ui::Font::system(13));
  label->setTextColor(ui::Color::rgb255(120, 120, 120));
  return label;
}

std::shared_ptr<ui::Label> titleLabel(const std::string& text, double y = 8) {
  auto label = std::make_shared<ui::Label>(ui::Rect(15, y, 210, 24), text);
  label->setFont(ui::Font::system(17));
  return label;
}

}  // namespace

void SettingViewController::loadView() {
  auto root = std::make_shared<ui::View>(defaultViewFrame());
  root->setBackgroundColor(ui::Color::rgb255(239, 239, 244));
  tableView_ = std::make_shared<ui::TableView>(root->bounds(), ui::TableViewStyle::Grouped);
  tableView_->setRowHeight(kRowHeight);
  tableView_->setBackgroundColor(ui::Color::rgb255(239, 239, 244));
  root->addSubview(tableView_);

  const auto weak = ui::weakScreen(*this);
  lblFontSize_ = detailLabel();
  fontCell_ = makeCell("font", "字体大小", lblFontSize_);
  fontCell_->setAccessoryType(ui::TableViewCellAccessoryType::DisclosureIndicator);

  lblScreenLight_ = detailLabel();
  lightCell_ = makeCell("light", "屏幕常亮", lblScreenLight_);
  switchScreenLight_ = std::make_shared<ui::Switch>(ui::Rect(225, 16, 0, 0));
  switchScreenLight_->addTarget(ui::ControlEvent::ValueChanged, [weak](ui::Control&) {
    if (auto self = weak.lock()) self->enableScreenLight();
  });
  lightCell_->contentView().addSubview(switchScreenLight_);

  lblNightMode_ = detailLabel();
  nightCell_ = makeCell("night", "夜间模式", lblNightMode_);
  switchNightMode_ = std::make_shared<ui::Switch>(ui::Rect(225, 16, 0, 0));
  switchNightMode_->addTarget(ui::ControlEvent::ValueChanged, [weak](ui::Control&) {
    if (auto self = weak.lock()) self->enableNightMode();
  });
  nightCell_->contentView().addSubview(switchNightMode_);

  row3Cell_ = makeCell("row3", "", nullptr);
  chongzuoView_ = std::make_shared<ui::View>(ui::Rect(0, 0, 300, kRowHeight));
  chongzuoView_->setUserInteractionEnabled(false);
  auto updateIcon = std::make_shared<ui::ImageView>(ui::Rect(250, 18, 24, 24));
  updateIcon->setImage(ui::Image::named("ic_chongzuo"));
  chongzuoView_->addSubview(titleLabel("更新题库"));
  auto updateDetail = detailLabel();
  updateDetail->setText("下载题库的最新内容");
  chongzuoView_->addSubview(updateDetail);
  chongzuoView_->addSubview(updateIcon);
  row3Cell_->contentView().addSubview(chongzuoView_);
  hfLabel_ = titleLabel("恢复默认设置", 18);
  row3Cell_->contentView().addSubview(hfLabel_);

  resetCell_ = makeCell("reset", "", nullptr);
  resetCell_->contentView().addSubview(titleLabel("恢复默认设置", 18));
  trafficCell_ = makeCell("traffic", "", nullptr);
  trafficCell_->contentView().addSubview(titleLabel("流量统计", 18));
  trafficCell_->setAccessoryType(ui::TableViewCellAccessoryType::DisclosureIndicator);

  tableView_->setDataSource(weakAs<ui::TableViewDataSource>());
  tableView_->setDelegate(weakAs<ui::TableViewDelegate>());
  setView(root);
}

std::shared_ptr<ui::TableViewCell> SettingViewController::makeCell(const std::string& identifier,
                                                                   const std::string& title,
                                                                   std::shared_ptr<ui::Label> detail) {
  auto cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, identifier);
  cell->setBackgroundColor(ui::Color::white());
  if (!title.empty()) cell->contentView().addSubview(titleLabel(title));
  if (detail) cell->contentView().addSubview(detail);
  return cell;
}

void SettingViewController::viewDidLoad() {
  setTitle("软件设置");
  navigationItem().setBackBarButtonItem(ui::BarButtonItem::withTitle("返回", ui::BarButtonItem::Style::Plain, {}));
  chongzuoView_->setHidden(isTest_);
  hfLabel_->setHidden(!isTest_);
  loadSettings();
  tableView_->reloadData();
}

void SettingViewController::loadSettings() {
  const bool light = SettingDefaults::isScreenAlwaysLight();
  switchScreenLight_->setOn(light);
  lblScreenLight_->setText(screenLightText(light));
  // A size never chosen is the page's own, the middle one.
  std::string size = SettingDefaults::fontSize();
  if (size.empty()) size = SettingDefaults::kDefaultFontSize;
  lblFontSize_->setText(std::string(kFontLabelPrefix) + size +
                        (size == SettingDefaults::kDefaultFontSize ? "（默认）" : ""));
  const bool night = SettingDefaults::isNightMode();
  switchNightMode_->setOn(night);
  lblNightMode_->setText(nightModeText(night));
}

void SettingViewController::viewWillAppear(bool) {
  VDAppStatistics::pageviewStartWithViewController(*this);
  isToExam_ = true;
}

void SettingViewController::viewWillDisappear(bool) {
  VDAppStatistics::pageviewEndWithViewController(*this);
  core::UserDefaults::standard().synchronize();
  if (!isToExam_) return;
  if (auto delegate = delegate_.lock()) {
    delegate->refreshView();
    delegate->enableScreenLight(switchScreenLight_->isOn());
  }
}

// ---- actions ----

void SettingViewController::enableScreenLight() {
  const bool on = switchScreenLight_->isOn();
  lblScreenLight_->setText(screenLightText(on));
  SettingDefaults::setScreenAlwaysLight(on);
}

void SettingViewController::enableNightMode() {
  const bool on = switchNightMode_->isOn();
  lblNightMode_->setText(nightModeText(on));
  SettingDefaults::setNightMode(on);
}

void SettingViewController::initialSystemSetting() {
  lblScreenLight_->setText("当前设置：屏幕不常亮");
  lblFontSize_->setText("当前字体大小为：中号（默认)");
  lblNightMode_->setText("当前设置：白天");
  switchScreenLight_->setOn(false);
  switchNightMode_->setOn(false);
  SettingDefaults::restoreDefaults();
}

void SettingViewController::updateDB() { BankDownload::start({.isEvenMore = true, .isUpdateDB = true}); }

// ---- table ----

SettingViewController::Row SettingViewController::rowAt(int index) const {
  switch (index) {
    case 0:
      return Row::FontSize;
    case 1:
      return Row::ScreenLight;
    case 2:
      return Row::NightMode;
    case 3:
      return isTest_ ? Row::Reset : Row::UpdateDB;
    case 4:
      return Row::Reset;
    default:
      return Row::Traffic;
  }
}

int SettingViewController::numberOfRowsInSection(ui::TableView&, int) { return isTest_ ? 4 : 6; }

std::shared_ptr<ui::TableViewCell> SettingViewController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                                ui::IndexPath indexPath) {
  const std::shared_ptr<ui::TableViewCell>* cells[] = {&fontCell_, &lightCell_, &nightCell_,
                                                       &row3Cell_, &resetCell_, &trafficCell_};
  const std::shared_ptr<ui::TableViewCell>& cell = *cells[std::min(indexPath.row, 5)];
  // The rows are fixed cells: one the table put aside comes back out of its pool (so the pool stays empty).
  tableView.dequeueReusableCellWithIdentifier(cell->reuseIdentifier());
  return cell;
}

void SettingViewController::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  tableView.deselectRowAtIndexPath(indexPath, false);
  switch (rowAt(indexPath.row)) {
    case Row::FontSize:
      pushChild(FontSizeViewController::kIdentifier);
      break;
    case Row::ScreenLight:
    case Row::NightMode:
      break;  // their switches act
    case Row::UpdateDB:
      updateDB();
      break;
    case Row::Reset:
      initialSystemSetting();
      break;
    case Row::Traffic:
      pushChild("netCounter");
      break;
  }
}

void SettingViewController::pushChild(const char* identifier) {
  auto screen = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(identifier);
  ui::NavigationController* nav = navigationController();
  if (!screen || !nav) return;
  if (auto* font = dynamic_cast<FontSizeViewController*>(screen.get()))
    font->setSetting(std::static_pointer_cast<SettingViewController>(shared_from_this()));
  isToExam_ = false;
  nav->pushViewController(screen, true);
}
