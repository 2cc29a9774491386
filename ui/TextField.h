#pragma once
// ui::TextField: a one-line text input. Every change a person makes (a typed character, a deletion, a
// paste) is offered to the delegate first as a UTF-16 range and a replacement; a refused change leaves the
// text alone. Accepted changes send EditingChanged. Programmatic setText() asks nobody and sends nothing.
//
// A field edits while it is the window's first responder: a tap inside it (or becomeFirstResponder)
// asks textFieldShouldBeginEditing, then begins; resigning asks textFieldShouldEndEditing. Leaving the
// window ends editing without asking. The model keeps the caret at the end of the text.

#include <memory>
#include <string>
#include <string_view>

#include "ui/Control.h"
#include "ui/Font.h"
#include "ui/Utf16.h"

namespace ui {

class TextField;

enum class KeyboardType {
  Default,
  ASCIICapable,
  NumbersAndPunctuation,
  URL,
  NumberPad,
  PhonePad,
  NamePhonePad,
  EmailAddress,
  DecimalPad
};
enum class ReturnKeyType { Default, Go, Google, Join, Next, Route, Search, Send, Yahoo, Done, EmergencyCall };
enum class TextBorderStyle { None, Line, Bezel, RoundedRect };
enum class TextFieldViewMode { Never, WhileEditing, UnlessEditing, Always };

// Every method is optional: the defaults allow everything.
struct TextFieldDelegate {
  virtual ~TextFieldDelegate() = default;
  virtual bool textFieldShouldBeginEditing(TextField& field) { return true; }
  virtual void textFieldDidBeginEditing(TextField& field) {}
  virtual bool textFieldShouldEndEditing(TextField& field) { return true; }
  virtual void textFieldDidEndEditing(TextField& field) {}
  // `range` counts UTF-16 units of the current text; `replacement` is UTF-8 ("" for a deletion).
  virtual bool shouldChangeCharactersInRange(TextField& field, Range16 range,
                                             const std::string& replacement) {
    return true;
  }
  virtual bool textFieldShouldClear(TextField& field) { return true; }
  virtual bool textFieldShouldReturn(TextField& field) { return true; }
};

class TextField : public Control {
 public:
  explicit TextField(Rect frame = {});
  std::string className() const override { return "TextField"; }

  const std::string& text() const { return text_; }
  void setText(std::string text);
  const std::string& placeholder() const { return placeholder_; }
  void setPlaceholder(std::string placeholder);
  // The colour the placeholder is drawn in (light grey unless set); a change notifies as the placeholder.
  const Color& placeholderColor() const { return placeholderColor_; }
  void setPlaceholderColor(Color color);
  const Font& font() const { return font_; }
  void setFont(Font font);
  const Color& textColor() const { return textColor_; }
  void setTextColor(Color color);
  TextAlignment textAlignment() const { return alignment_; }
  void setTextAlignment(TextAlignment alignment);
  bool isSecureTextEntry() const { return secure_; }
  void setSecureTextEntry(bool secure);
  KeyboardType keyboardType() const { return keyboardType_; }
  void setKeyboardType(KeyboardType type) { keyboardType_ = type; }
  ReturnKeyType returnKeyType() const { return returnKeyType_; }
  void setReturnKeyType(ReturnKeyType type) { returnKeyType_ = type; }
  TextBorderStyle borderStyle() const { return borderStyle_; }
  void setBorderStyle(TextBorderStyle style);
  TextFieldViewMode clearButtonMode() const { return clearButtonMode_; }
  void setClearButtonMode(TextFieldViewMode mode) { clearButtonMode_ = mode; }
  bool clearsOnBeginEditing() const { return clearsOnBeginEditing_; }
  void setClearsOnBeginEditing(bool clears) { clearsOnBeginEditing_ = clears; }

  std::shared_ptr<TextFieldDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<TextFieldDelegate> delegate) { delegate_ = std::move(delegate); }

  bool isEditing() const { return editing_; }

  bool canBecomeFirstResponder() const override { return true; }
  bool becomeFirstResponder() override;
  bool resignFirstResponder() override;

  // ---- what a person does while the field edits (the harness and the GTK peer call these) ----
  // Inserts at the caret (the end). False when the field is not editing or the delegate refuses.
  bool userInsertText(std::string_view utf8);
  // Deletes the last character. False when not editing, when the text is empty (the delegate is not
  // asked: there is nothing to delete) or when the delegate refuses.
  bool userDeleteBackward();
  // Replaces a UTF-16 range. False when not editing, when the range is not on character boundaries
  // inside the text, or when the delegate refuses.
  bool userReplace(Range16 range, std::string_view utf8);
  // The return key: asks textFieldShouldReturn and, when it answers true, sends EditingDidEndOnExit.
  bool userReturn();
  // The clear button: asks textFieldShouldClear, then empties the text (EditingChanged).
  bool userClear();

  std::string describeSelf() const override;

 protected:
  void tappedInside() override;
  void forceResignFirstResponder() override;

 private:
  void endEditing();
  bool applyChange(Range16 range, std::string_view replacement);

  std::string text_;
  std::string placeholder_;
  Color placeholderColor_ = Color::gray(0.7);
  Font font_ = Font::system(17);
  Color textColor_ = Color::black();
  TextAlignment alignment_ = TextAlignment::Left;
  bool secure_ = false;
  KeyboardType keyboardType_ = KeyboardType::Default;
  ReturnKeyType returnKeyType_ = ReturnKeyType::Default;
  TextBorderStyle borderStyle_ = TextBorderStyle::None;
  TextFieldViewMode clearButtonMode_ = TextFieldViewMode::Never;
  bool clearsOnBeginEditing_ = false;
  std::weak_ptr<TextFieldDelegate> delegate_;
  bool editing_ = false;
};

}  // namespace ui
