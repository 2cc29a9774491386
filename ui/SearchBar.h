#pragma once
// ui::SearchBar: a bar with a search field and, when shown, a cancel button ("取消") at its right.
//
// The search field is an ordinary TextField (searchField()): it edits while it is the first responder,
// and every change a person makes to its text (typing, deleting, the clear button) reaches the
// delegate as textDidChange with the whole new text. The return key is the search button
// (searchBarSearchButtonClicked); it does not end editing by itself. The cancel button sends
// searchBarCancelButtonClicked and nothing else: the delegate decides what becomes of the text and
// the keyboard. setText() changes the text without telling anyone.
//
// Layout: the field fills the bar less an inset of 6 points, and leaves room for the cancel button
// (kCancelButtonWidth) while it shows.

#include <memory>
#include <string>

#include "ui/Button.h"
#include "ui/TextField.h"
#include "ui/View.h"

namespace ui {

class SearchBar;

// Every method is optional.
struct SearchBarDelegate {
  virtual ~SearchBarDelegate() = default;
  virtual bool searchBarShouldBeginEditing(SearchBar& searchBar) { return true; }
  virtual void searchBarTextDidBeginEditing(SearchBar& searchBar) {}
  virtual void searchBarTextDidEndEditing(SearchBar& searchBar) {}
  virtual void textDidChange(SearchBar& searchBar, const std::string& searchText) {}
  virtual void searchBarSearchButtonClicked(SearchBar& searchBar) {}
  virtual void searchBarCancelButtonClicked(SearchBar& searchBar) {}
};

class SearchBar : public View {
 public:
  static constexpr double kHeight = 44;
  static constexpr double kInset = 6;
  static constexpr double kCancelButtonWidth = 60;
  static constexpr const char* kCancelTitle = "取消";

  explicit SearchBar(Rect frame = {});
  ~SearchBar() override;
  std::string className() const override { return "SearchBar"; }

  const std::string& text() const;
  void setText(std::string text);  // tells no one
  const std::string& placeholder() const;
  void setPlaceholder(std::string placeholder);
  bool showsCancelButton() const { return showsCancelButton_; }
  void setShowsCancelButton(bool shows);

  std::shared_ptr<SearchBarDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<SearchBarDelegate> delegate) { delegate_ = std::move(delegate); }

  TextField& searchField() const { return *field_; }
  Button& cancelButton() const { return *cancel_; }  // on the bar only while showsCancelButton

  // The search field takes or gives up the keyboard.
  bool canBecomeFirstResponder() const override { return true; }
  bool becomeFirstResponder() override;
  bool resignFirstResponder() override;
  bool isFirstResponder() const override;

  std::string describeSelf() const override;

 protected:
  void layoutSubviews() override;

 private:
  class FieldRelay;

  std::weak_ptr<SearchBarDelegate> delegate_;
  std::shared_ptr<TextField> field_;
  std::shared_ptr<Button> cancel_;
  std::shared_ptr<FieldRelay> relay_;  // the field's delegate; lives as long as the bar
  int fieldTarget_ = 0;
  int cancelTarget_ = 0;
  bool showsCancelButton_ = false;
};

}  // namespace ui
