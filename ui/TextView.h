#pragma once
// ui::TextView: a multi-line text input (note texts, reports). Like a text field, every change a person
// makes (typed text, a line break, a deletion, a paste) is offered to the delegate first as a UTF-16
// range and a replacement; a refused change leaves the text alone, an accepted one is followed by
// textViewDidChange. Programmatic setText() asks nobody and tells nobody.
//
// A text view edits while it is the window's first responder: a tap inside an editable view (or
// becomeFirstResponder) asks textViewShouldBeginEditing, then begins; resigning asks
// textViewShouldEndEditing, then ends with textViewDidEndEditing. Leaving the window ends editing without
// asking. A view that is not editable takes no keyboard and passes its touches on. The model keeps the
// caret at the end of the text; a presenter with a native text view scrolls the text itself.

#include <memory>
#include <string>
#include <string_view>

#include "ui/Font.h"
#include "ui/Text.h"
#include "ui/Utf16.h"
#include "ui/View.h"

namespace ui {

class TextView;

// Every method is optional: the defaults allow everything.
struct TextViewDelegate {
  virtual ~TextViewDelegate() = default;
  virtual bool textViewShouldBeginEditing(TextView& textView) { return true; }
  virtual void textViewDidBeginEditing(TextView& textView) {}
  virtual bool textViewShouldEndEditing(TextView& textView) { return true; }
  virtual void textViewDidEndEditing(TextView& textView) {}
  // `range` counts UTF-16 units of the current text; `replacement` is UTF-8 ("" for a deletion).
  virtual bool shouldChangeTextInRange(TextView& textView, Range16 range, const std::string& replacement) {
    return true;
  }
  virtual void textViewDidChange(TextView& textView) {}
};

class TextView : public View {
 public:
  explicit TextView(Rect frame = {});
  std::string className() const override { return "TextView"; }

  const std::string& text() const { return text_; }
  void setText(std::string text);
  const Font& font() const { return font_; }
  void setFont(Font font);
  const Color& textColor() const { return textColor_; }
  void setTextColor(Color color);
  TextAlignment textAlignment() const { return alignment_; }
  void setTextAlignment(TextAlignment alignment);
  bool isEditable() const { return editable_; }
  void setEditable(bool editable);  // a view that stops being editable while it edits ends editing

  std::shared_ptr<TextViewDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<TextViewDelegate> delegate) { delegate_ = std::move(delegate); }

  bool isEditing() const { return editing_; }

  bool canBecomeFirstResponder() const override { return editable_; }
  bool becomeFirstResponder() override;
  bool resignFirstResponder() override;

  // ---- what a person does while the view edits (the harness and the window's native peer) ----
  // Inserts at the caret (the end); "\n" is a line break. False when not editing or refused.
  bool userInsertText(std::string_view utf8);
  // Deletes the last character. False when not editing, when there is nothing to delete (the delegate
  // is not asked) or when refused.
  bool userDeleteBackward();
  // Replaces a UTF-16 range. False when not editing, when the range is not on character boundaries
  // inside the text, or when refused.
  bool userReplace(Range16 range, std::string_view utf8);

  void touchesBegan(const TouchSet& touches) override;
  void touchesMoved(const TouchSet& touches) override;
  void touchesEnded(const TouchSet& touches) override;
  void touchesCancelled(const TouchSet& touches) override;

  std::string describeSelf() const override;

 protected:
  void forceResignFirstResponder() override;

 private:
  void endEditing();
  bool applyChange(Range16 range, std::string_view replacement);

  std::string text_;
  Font font_ = Font::system(17);
  Color textColor_ = Color::black();
  TextAlignment alignment_ = TextAlignment::Left;
  bool editable_ = true;
  std::weak_ptr<TextViewDelegate> delegate_;
  bool editing_ = false;
  bool touchInside_ = false;
};

}  // namespace ui
