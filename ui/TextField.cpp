#include "ui/TextField.h"

#include "platform/core/NotificationCenter.h"
#include "platform/core/Text.h"
#include "ui/Notifications.h"
#include "ui/Window.h"
#include "ui/detail/Appearance.h"

namespace ui {

namespace {
void post(const char* name, TextField& field) {
  core::NotificationCenter::defaultCenter().post(name,
                                                 std::static_pointer_cast<void>(field.shared_from_this()));
}
}  // namespace

TextField::TextField(Rect frame) : Control(frame) {}

void TextField::setText(std::string text) {
  detail::assertMainThread("TextField::setText");
  if (text == text_) return;
  text_ = std::move(text);
  notify(ViewProperty::Text);
}

void TextField::setPlaceholder(std::string placeholder) {
  if (placeholder == placeholder_) return;
  placeholder_ = std::move(placeholder);
  notify(ViewProperty::Placeholder);
}

void TextField::setPlaceholderColor(Color color) {
  if (color == placeholderColor_) return;
  placeholderColor_ = std::move(color);
  notify(ViewProperty::Placeholder);
}

void TextField::setFont(Font font) {
  if (font == font_) return;
  font_ = std::move(font);
  notify(ViewProperty::Font);
}

void TextField::setTextColor(Color color) {
  if (color == textColor_) return;
  textColor_ = std::move(color);
  notify(ViewProperty::TextColor);
}

void TextField::setTextAlignment(TextAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  notify(ViewProperty::TextAlignment);
}

void TextField::setSecureTextEntry(bool secure) {
  if (secure == secure_) return;
  secure_ = secure;
  notify(ViewProperty::SecureTextEntry);
}

void TextField::setBorderStyle(TextBorderStyle style) {
  if (style == borderStyle_) return;
  borderStyle_ = style;
  notify(ViewProperty::BackgroundColor);
}

bool TextField::becomeFirstResponder() {
  detail::assertMainThread("TextField::becomeFirstResponder");
  if (editing_) return true;
  if (!isEnabled() || !window()) return false;
  auto keep = shared_from_this();
  if (auto d = delegate(); d && !d->textFieldShouldBeginEditing(*this)) return false;
  if (!Control::becomeFirstResponder()) return false;
  editing_ = true;
  notify(ViewProperty::Editing);
  if (clearsOnBeginEditing_ && !text_.empty()) setText("");
  if (auto d = delegate()) d->textFieldDidBeginEditing(*this);
  sendActionsForControlEvents(ControlEvent::EditingDidBegin);
  post(kTextFieldTextDidBeginEditingNotification, *this);
  return true;
}

bool TextField::resignFirstResponder() {
  if (!editing_) return Control::resignFirstResponder();
  auto keep = shared_from_this();
  if (auto d = delegate(); d && !d->textFieldShouldEndEditing(*this)) return false;
  Control::resignFirstResponder();
  endEditing();
  return true;
}

void TextField::forceResignFirstResponder() {
  auto keep = shared_from_this();
  Control::forceResignFirstResponder();
  if (editing_) endEditing();
}

void TextField::endEditing() {
  editing_ = false;
  notify(ViewProperty::Editing);
  if (auto d = delegate()) d->textFieldDidEndEditing(*this);
  sendActionsForControlEvents(ControlEvent::EditingDidEnd);
  post(kTextFieldTextDidEndEditingNotification, *this);
}

void TextField::tappedInside() {
  if (!editing_) becomeFirstResponder();
}

bool TextField::applyChange(Range16 range, std::string_view replacement) {
  if (!editing_) return false;
  auto changed = replaceUtf16Range(text_, range, replacement);
  if (!changed) return false;
  auto keep = shared_from_this();
  if (auto d = delegate(); d && !d->shouldChangeCharactersInRange(*this, range, std::string(replacement))) {
    return false;
  }
  // The delegate may have changed the text itself; apply the change to what is there now.
  if (auto again = replaceUtf16Range(text_, range, replacement)) changed = std::move(again);
  text_ = std::move(*changed);
  notify(ViewProperty::Text);
  sendActionsForControlEvents(ControlEvent::EditingChanged);
  post(kTextFieldTextDidChangeNotification, *this);
  return true;
}

bool TextField::userInsertText(std::string_view utf8) {
  detail::assertMainThread("TextField::userInsertText");
  if (utf8.empty()) return false;
  return applyChange({core::utf16Length(text_), 0}, utf8);
}

bool TextField::userDeleteBackward() {
  detail::assertMainThread("TextField::userDeleteBackward");
  if (!editing_ || text_.empty()) return false;
  return applyChange(lastCharacterRange(text_), "");
}

bool TextField::userReplace(Range16 range, std::string_view utf8) {
  detail::assertMainThread("TextField::userReplace");
  return applyChange(range, utf8);
}

bool TextField::userReturn() {
  if (!editing_) return false;
  auto keep = shared_from_this();
  if (auto d = delegate(); d && !d->textFieldShouldReturn(*this)) return false;
  sendActionsForControlEvents(ControlEvent::EditingDidEndOnExit);
  return true;
}

bool TextField::userClear() {
  if (!editing_) return false;
  auto keep = shared_from_this();
  if (auto d = delegate(); d && !d->textFieldShouldClear(*this)) return false;
  if (text_.empty()) return true;
  text_.clear();
  notify(ViewProperty::Text);
  sendActionsForControlEvents(ControlEvent::EditingChanged);
  post(kTextFieldTextDidChangeNotification, *this);
  return true;
}

std::string TextField::describeSelf() const {
  std::string s = Control::describeSelf();
  s += " text=\"" + (secure_ ? std::string(core::utf16Length(text_), '*') : text_) + "\"";
  if (!placeholder_.empty()) s += " placeholder=\"" + placeholder_ + "\"";
  if (editing_) s += " editing";
  return s;
}

}  // namespace ui
