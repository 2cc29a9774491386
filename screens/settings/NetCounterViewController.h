#pragma once
// NetCounterViewController: the data traffic the application has used (screen identifier "netCounter",
// title "流量统计"), pushed by the settings screen. It shows today's and this month's byte counts of the
// traffic counter (VDLogHelper; day key "yyyyMMdd", month key "yyyyMM" of now in local time) and the
// switch that allows downloads over the mobile network ("isEnable3gdown").
//
// A count is shown in megabytes ("%.2f MB") when it is more than 1024 kilobytes, else in kilobytes
// ("%.2f KB"): 1,048,576 bytes show "1024.00 KB", 1,048,577 bytes "1.00 MB".

#include <cstdint>
#include <memory>
#include <string>

#include "ui/Label.h"
#include "ui/Switch.h"
#include "ui/ViewController.h"

class NetCounterViewController : public ui::ViewController {
 public:
  static constexpr const char* kIdentifier = "netCounter";

  std::string className() const override { return "NetCounterViewController"; }

  // The shown text of a byte count.
  static std::string formatBytes(std::int64_t bytes);

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // The switch changed: its state is stored under "isEnable3gdown".
  void enable3gdown();

  ui::Label* lblDayCount() const { return lblDayCount_.get(); }
  ui::Label* lblMonCount() const { return lblMonCount_.get(); }
  ui::Switch* switchEnable3gdown() const { return switchEnable3gdown_.get(); }

 private:
  std::shared_ptr<ui::Label> lblDayCount_;
  std::shared_ptr<ui::Label> lblMonCount_;
  std::shared_ptr<ui::Switch> switchEnable3gdown_;
};
