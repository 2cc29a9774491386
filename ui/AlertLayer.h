#pragma once
// The window's alert layer: the alerts and action sheets waiting to be answered, newest on top. While one
// is pending the layer covers the whole window and takes every touch; only the newest panel shows, and
// when it goes the next one shows again.

#include <memory>
#include <vector>

#include "ui/View.h"

namespace ui {

class AlertPanel;

class AlertLayer : public View {
 public:
  explicit AlertLayer(Rect frame);
  std::string className() const override { return "AlertLayer"; }

  const std::vector<std::shared_ptr<AlertPanel>>& panels() const { return panels_; }  // oldest first
  AlertPanel* topPanel() const { return panels_.empty() ? nullptr : panels_.back().get(); }
  bool isEmpty() const { return panels_.empty(); }

  void push(std::shared_ptr<AlertPanel> panel);  // ignored when already pending
  void remove(const AlertPanel& panel);

 protected:
  void layoutSubviews() override;

 private:
  void update();

  std::vector<std::shared_ptr<AlertPanel>> panels_;
  std::shared_ptr<View> dim_;
};

}  // namespace ui
