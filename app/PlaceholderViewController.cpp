#include "app/PlaceholderViewController.h"

PlaceholderViewController::PlaceholderViewController(std::string identifier, std::string storyboard)
    : identifier_(std::move(identifier)), storyboard_(std::move(storyboard)) {
  setTitle(identifier_);
}

void PlaceholderViewController::loadView() {
  auto view = std::make_shared<ui::View>(defaultViewFrame());
  view->setBackgroundColor(ui::Color::white());
  const ui::Rect bounds = view->bounds();
  label_ =
      std::make_shared<ui::Label>(ui::Rect(0, bounds.height() / 2 - 22, bounds.width(), 44), identifier_);
  label_->setTextAlignment(ui::TextAlignment::Center);
  view->addSubview(label_);
  auto note = std::make_shared<ui::Label>(ui::Rect(0, bounds.height() / 2 + 22, bounds.width(), 30), kNote);
  note->setTextAlignment(ui::TextAlignment::Center);
  note->setFont(ui::Font::system(15));
  note->setTextColor(ui::Color::gray());
  view->addSubview(note);
  setView(view);
}
