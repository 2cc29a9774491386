#include "ui/SearchBar.h"

#include <algorithm>

namespace ui {

// Passes what the search field's delegate hears on to the bar's delegate.
class SearchBar::FieldRelay : public TextFieldDelegate {
 public:
  explicit FieldRelay(SearchBar& bar) : bar_(bar) {}

  bool textFieldShouldBeginEditing(TextField&) override {
    auto d = bar_.delegate();
    return !d || d->searchBarShouldBeginEditing(bar_);
  }
  void textFieldDidBeginEditing(TextField&) override {
    if (auto d = bar_.delegate()) d->searchBarTextDidBeginEditing(bar_);
  }
  void textFieldDidEndEditing(TextField&) override {
    if (auto d = bar_.delegate()) d->searchBarTextDidEndEditing(bar_);
  }
  bool textFieldShouldReturn(TextField&) override {
    auto keep = bar_.shared_from_this();
    if (auto d = bar_.delegate()) d->searchBarSearchButtonClicked(bar_);
    return false;  // the search button does not end editing by itself
  }

 private:
  SearchBar& bar_;
};

SearchBar::SearchBar(Rect frame) : View(frame) {
  setBackgroundColor(Color::rgb255(201, 201, 206));
  field_ = std::make_shared<TextField>();
  field_->setBorderStyle(TextBorderStyle::RoundedRect);
  field_->setBackgroundColor(Color::white());
  field_->setFont(Font::system(14));
  field_->setClearButtonMode(TextFieldViewMode::WhileEditing);
  field_->setReturnKeyType(ReturnKeyType::Search);
  addSubview(field_);
  relay_ = std::make_shared<FieldRelay>(*this);
  field_->setDelegate(relay_);
  fieldTarget_ = field_->addTarget(ControlEvent::EditingChanged, [this](Control&) {
    auto keep = shared_from_this();
    if (auto d = delegate()) d->textDidChange(*this, field_->text());
  });

  cancel_ = std::make_shared<Button>();
  cancel_->setTitle(kCancelTitle);
  cancel_->setTitleColor(Color::rgb255(0, 122, 255));
  cancelTarget_ = cancel_->addTarget(ControlEvent::TouchUpInside, [this](Control&) {
    auto keep = shared_from_this();
    if (auto d = delegate()) d->searchBarCancelButtonClicked(*this);
  });
  layoutSubviews();
}

SearchBar::~SearchBar() {
  // The field may outlive the bar (someone may hold it): it must not call into a gone bar.
  field_->removeTarget(fieldTarget_);
  cancel_->removeTarget(cancelTarget_);
}

const std::string& SearchBar::text() const { return field_->text(); }

void SearchBar::setText(std::string text) { field_->setText(std::move(text)); }

const std::string& SearchBar::placeholder() const { return field_->placeholder(); }

void SearchBar::setPlaceholder(std::string placeholder) { field_->setPlaceholder(std::move(placeholder)); }

void SearchBar::setShowsCancelButton(bool shows) {
  if (shows == showsCancelButton_) return;
  showsCancelButton_ = shows;
  if (shows) {
    addSubview(cancel_);
  } else {
    cancel_->removeFromSuperview();
  }
  layoutSubviews();
}

bool SearchBar::becomeFirstResponder() { return field_->becomeFirstResponder(); }

bool SearchBar::resignFirstResponder() { return field_->resignFirstResponder(); }

bool SearchBar::isFirstResponder() const { return field_->isFirstResponder(); }

void SearchBar::layoutSubviews() {
  const Rect b = bounds();
  const double cancel = showsCancelButton_ ? kCancelButtonWidth : 0;
  const double width = std::max(0.0, b.size.width - 2 * kInset - cancel);
  const double height = std::max(0.0, b.size.height - 2 * kInset);
  field_->setFrame({kInset, kInset, width, height});
  cancel_->setFrame({b.size.width - cancel, 0, cancel, b.size.height});
}

std::string SearchBar::describeSelf() const {
  std::string s = View::describeSelf();
  s += " text=\"" + field_->text() + "\"";
  if (!field_->placeholder().empty()) s += " placeholder=\"" + field_->placeholder() + "\"";
  if (showsCancelButton_) s += " cancel";
  return s;
}

}  // namespace ui
