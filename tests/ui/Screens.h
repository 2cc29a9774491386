#pragma once
// Small screens for the UI model's tests.

#include <functional>
#include <memory>
#include <string>

#include "ui/Button.h"
#include "ui/ViewController.h"

namespace uitest {

// A screen that reports the given class name and can build its view with a function.
class Screen : public ui::ViewController {
 public:
  explicit Screen(std::string name, std::function<void(ui::View&)> build = {})
      : name_(std::move(name)), build_(std::move(build)) {}
  std::string className() const override { return name_; }
  void viewDidLoad() override {
    if (build_) build_(view());
  }

 private:
  std::string name_;
  std::function<void(ui::View&)> build_;
};

inline std::shared_ptr<Screen> screen(std::string name, std::function<void(ui::View&)> build = {}) {
  return std::make_shared<Screen>(std::move(name), std::move(build));
}

inline std::shared_ptr<ui::Button> addButton(ui::View& parent, std::string title, ui::Rect frame,
                                             std::function<void()> action = {}) {
  auto b = std::make_shared<ui::Button>(frame);
  b->setTitle(std::move(title));
  if (action) b->addTarget(ui::ControlEvent::TouchUpInside, [action](ui::Control&) { action(); });
  parent.addSubview(b);
  return b;
}

}  // namespace uitest
