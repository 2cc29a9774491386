#include "screens/settings/NetCounterViewController.h"

#include <cstdio>

#include "app/SettingDefaults.h"
#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "app/VDLogHelper.h"
#include "platform/core/DateFormatter.h"
#include "platform/core/UserDefaults.h"
#include "ui/WeakScreen.h"

namespace {

std::shared_ptr<ui::Label> rowLabel(ui::Rect frame, const std::string& text, double size, ui::Color color) {
  auto label = std::make_shared<ui::Label>(frame, text);
  label->setFont(ui::Font::system(size));
  label->setTextColor(color);
  return label;
}

std::shared_ptr<ui::View> panel(ui::Rect frame) {
  auto view = std::make_shared<ui::View>(frame);
  view->setBackgroundColor(ui::Color::white());
  view->layer().setCornerRadius(8);
  return view;
}

}  // namespace

std::string NetCounterViewController::formatBytes(std::int64_t bytes) {
  const double kilobytes = static_cast<double>(bytes) / 1024;
  char text[64];
  if (kilobytes > 1024)
    std::snprintf(text, sizeof text, "%.2f MB", kilobytes / 1024);
  else
    std::snprintf(text, sizeof text, "%.2f KB", kilobytes);
  return text;
}

void NetCounterViewController::loadView() {
  auto root = std::make_shared<ui::View>(defaultViewFrame());
  root->setBackgroundColor(ui::Color::rgb255(239, 239, 244));
  const ui::Color dark = ui::Color::rgb255(40, 40, 40);
  const ui::Color accent = ui::Color::rgb255(18, 143, 209);

  auto counts = panel(ui::Rect(10, 20, 300, 100));
  counts->addSubview(rowLabel(ui::Rect(15, 12, 120, 30), "今日流量", 16, dark));
  lblDayCount_ = rowLabel(ui::Rect(140, 12, 145, 30), "", 16, accent);
  lblDayCount_->setTextAlignment(ui::TextAlignment::Right);
  counts->addSubview(lblDayCount_);
  counts->addSubview(rowLabel(ui::Rect(15, 58, 120, 30), "本月流量", 16, dark));
  lblMonCount_ = rowLabel(ui::Rect(140, 58, 145, 30), "", 16, accent);
  lblMonCount_->setTextAlignment(ui::TextAlignment::Right);
  counts->addSubview(lblMonCount_);
  root->addSubview(counts);

  auto download = panel(ui::Rect(10, 135, 300, 56));
  download->addSubview(rowLabel(ui::Rect(15, 13, 190, 30), "允许使用2G/3G网络下载", 16, dark));
  switchEnable3gdown_ = std::make_shared<ui::Switch>(ui::Rect(208, 14, 0, 0));
  const auto weak = ui::weakScreen(*this);
  switchEnable3gdown_->addTarget(ui::ControlEvent::ValueChanged, [weak](ui::Control&) {
    if (auto self = weak.lock()) self->enable3gdown();
  });
  download->addSubview(switchEnable3gdown_);
  root->addSubview(download);
  root->addSubview(rowLabel(ui::Rect(15, 200, 290, 40), "流量只统计未连接Wi-Fi时本软件使用的数据。", 12,
                            ui::Color::rgb255(130, 130, 130)));
  setView(root);
  setTitle("流量统计");
}

void NetCounterViewController::viewDidLoad() {
  const core::Date now = VDHelper::now();
  const std::string day = core::DateFormatter::format(now, "yyyyMMdd");
  const std::string month = core::DateFormatter::format(now, "yyyyMM");
  const std::shared_ptr<VDLogHelper> log = VDLogHelper::sharedInstance();
  lblDayCount_->setText(formatBytes(log->getDayBytes(day)));
  lblMonCount_->setText(formatBytes(log->getMonBytes(month)));
  switchEnable3gdown_->setOn(SettingDefaults::isEnable3gdown());
}

void NetCounterViewController::viewWillAppear(bool) { VDAppStatistics::pageviewStartWithViewController(*this); }

void NetCounterViewController::viewWillDisappear(bool) {
  VDAppStatistics::pageviewEndWithViewController(*this);
  core::UserDefaults::standard().synchronize();
}

void NetCounterViewController::enable3gdown() { SettingDefaults::setEnable3gdown(switchEnable3gdown_->isOn()); }
