#pragma once
// A screen for the widget tests: builds its view with a function once it loads.

#include <functional>
#include <memory>
#include <string>

#include "ui/ViewController.h"

namespace widgettest {

class Screen : public ui::ViewController {
 public:
  explicit Screen(std::function<void(ui::View&)> build = {}) : build_(std::move(build)) {}
  std::string className() const override { return "WidgetTestScreen"; }
  void viewDidLoad() override {
    if (build_) build_(view());
  }

 private:
  std::function<void(ui::View&)> build_;
};

inline std::shared_ptr<Screen> screen(std::function<void(ui::View&)> build = {}) {
  return std::make_shared<Screen>(std::move(build));
}

}  // namespace widgettest
