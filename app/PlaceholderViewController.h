#pragma once
// PlaceholderViewController: the screen made for an identifier whose screen is not built yet. It shows
// the identifier as its title and in a label in the middle of its view, so a run of the application
// shows which screen would be there, with a note under it saying that the screen is still to come.

#include <memory>
#include <string>

#include "ui/Label.h"
#include "ui/ViewController.h"

class PlaceholderViewController : public ui::ViewController {
 public:
  // `storyboard` is the catalog group the identifier was found in.
  static constexpr const char* kNote = "此页面尚在建设中";

  PlaceholderViewController(std::string identifier, std::string storyboard);
  std::string className() const override { return "PlaceholderViewController"; }

  const std::string& identifier() const { return identifier_; }
  const std::string& storyboard() const { return storyboard_; }
  ui::Label* label() const { return label_.get(); }  // null until the view is loaded

  void loadView() override;

 private:
  std::string identifier_;
  std::string storyboard_;
  std::shared_ptr<ui::Label> label_;
};
