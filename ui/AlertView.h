#pragma once
// ui::AlertView: a modal alert. Button indices: the cancel button, when a cancel title is given, is 0 and
// the other titles follow from 1 in order; without a cancel title the others start at 0. Buttons added
// later append. An alert with a text input style has its text fields (textFieldAtIndex).

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/AlertPanel.h"
#include "ui/Label.h"
#include "ui/TextField.h"

namespace ui {

class AlertView;

// Every method is optional.
struct AlertViewDelegate {
  virtual ~AlertViewDelegate() = default;
  virtual void clickedButtonAtIndex(AlertView& alert, int index) {}
  virtual void willDismissWithButtonIndex(AlertView& alert, int index) {}
  virtual void didDismissWithButtonIndex(AlertView& alert, int index) {}
  virtual void willPresentAlertView(AlertView& alert) {}
  virtual void didPresentAlertView(AlertView& alert) {}
};

class AlertView : public AlertPanel {
 public:
  // LoginPasswordAndDomainInput: the login style with a third, plain field for an account domain.
  enum class Style {
    Default,
    SecureTextInput,
    PlainTextInput,
    LoginAndPasswordInput,
    LoginPasswordAndDomainInput
  };

  // Make with std::make_shared (show() needs a shared alert).
  AlertView(std::string title, std::string message, std::weak_ptr<AlertViewDelegate> delegate = {},
            std::optional<std::string> cancelButtonTitle = std::nullopt,
            std::vector<std::string> otherButtonTitles = {});
  std::string className() const override { return "AlertView"; }

  const std::string& message() const { return message_; }
  void setMessage(std::string message);
  TextAlignment messageAlignment() const { return messageAlignment_; }
  void setMessageAlignment(TextAlignment alignment) { messageAlignment_ = alignment; }

  std::shared_ptr<AlertViewDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<AlertViewDelegate> delegate) { delegate_ = std::move(delegate); }

  Style alertViewStyle() const { return style_; }
  void setAlertViewStyle(Style style);
  // 0 for the input styles, 1 for the password of the login styles, 2 for the domain; nullptr otherwise.
  TextField* textFieldAtIndex(int index) const;

  // The first button after the cancel button; -1 when there is none.
  int firstOtherButtonIndex() const;

  // Puts the alert on the key window's alert layer and returns at once.
  void show();

  // Closures run after the delegate's calls (for alerts that answer with a block).
  std::function<void(AlertView&, int)> onClicked;
  std::function<void(AlertView&, int)> onDidDismiss;

  std::string describe() const override;

 protected:
  std::shared_ptr<View> buildView(const Rect& windowBounds) override;
  void reportClicked(int index) override;
  void reportWillDismiss(int index) override;
  void reportDidDismiss(int index) override;
  void didLeave() override;

 private:
  std::string message_;
  TextAlignment messageAlignment_ = TextAlignment::Center;
  std::weak_ptr<AlertViewDelegate> delegate_;
  Style style_ = Style::Default;
  std::vector<std::shared_ptr<TextField>> fields_;
  int firstOther_ = -1;
};

}  // namespace ui
