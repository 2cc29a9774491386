#include "ui/TextView.h"

#include "platform/core/NotificationCenter.h"
#include "platform/core/Text.h"
#include "ui/Notifications.h"
#include "ui/Window.h"
#include "ui/detail/Appearance.h"

namespace ui {

namespace {
void post(const char* name, TextView& view) {
  core::NotificationCenter::defaultCenter().post(name,
                                                 std::static_pointer_cast<void>(view.shared_from_this()));
}
}  // namespace

TextView::TextView(Rect frame) : View(frame) { setBackgroundColor(Color::white()); }

void TextView::setText(std::string text) {
  detail::assertMainThread("TextView::setText");
  if (text == text_) return;
  text_ = std::move(text);
  notify(ViewProperty::Text);
}

void TextView::setFont(Font font) {
  if (font == font_) return;
  font_ = std::move(font);
  notify(ViewProperty::Font);
}

void TextView::setTextColor(Color color) {
  if (color == textColor_) return;
  textColor_ = std::move(color);
  notify(ViewProperty::TextColor);
}

void TextView::setTextAlignment(TextAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  notify(ViewProperty::TextAlignment);
}

void TextView::setEditable(bool editable) {
  if (editable == editable_) return;
  if (!editable && editing_) forceResignFirstResponder();
  editable_ = editable;
  notify(ViewProperty::UserInteraction);
}

bool TextView::becomeFirstResponder() {
  detail::assertMainThread("TextView::becomeFirstResponder");
  if (editing_) return true;
  if (!editable_ || !window()) return false;
  auto keep = shared_from_this();
  if (auto d = delegate(); d && !d->textViewShouldBeginEditing(*this)) return false;
  if (!View::becomeFirstResponder()) return false;
  editing_ = true;
  notify(ViewProperty::Editing);
  if (auto d = delegate()) d->textViewDidBeginEditing(*this);
  post(kTextViewTextDidBeginEditingNotification, *this);
  return true;
}

bool TextView::resignFirstResponder() {
  if (!editing_) return View::resignFirstResponder();
  auto keep = shared_from_this();
  if (auto d = delegate(); d && !d->textViewShouldEndEditing(*this)) return false;
  View::resignFirstResponder();
  endEditing();
  return true;
}

void TextView::forceResignFirstResponder() {
  auto keep = shared_from_this();
  View::forceResignFirstResponder();
  if (editing_) endEditing();
}

void TextView::endEditing() {
  editing_ = false;
  notify(ViewProperty::Editing);
  if (auto d = delegate()) d->textViewDidEndEditing(*this);
  post(kTextViewTextDidEndEditingNotification, *this);
}

bool TextView::applyChange(Range16 range, std::string_view replacement) {
  if (!editing_) return false;
  auto changed = replaceUtf16Range(text_, range, replacement);
  if (!changed) return false;
  auto keep = shared_from_this();
  if (auto d = delegate(); d && !d->shouldChangeTextInRange(*this, range, std::string(replacement))) {
    return false;
  }
  // The delegate may have changed the text itself; apply the change to what is there now.
  if (auto again = replaceUtf16Range(text_, range, replacement)) changed = std::move(again);
  text_ = std::move(*changed);
  notify(ViewProperty::Text);
  if (auto d = delegate()) d->textViewDidChange(*this);
  post(kTextViewTextDidChangeNotification, *this);
  return true;
}

bool TextView::userInsertText(std::string_view utf8) {
  detail::assertMainThread("TextView::userInsertText");
  if (utf8.empty()) return false;
  return applyChange({core::utf16Length(text_), 0}, utf8);
}

bool TextView::userDeleteBackward() {
  detail::assertMainThread("TextView::userDeleteBackward");
  if (!editing_ || text_.empty()) return false;
  return applyChange(lastCharacterRange(text_), "");
}

bool TextView::userReplace(Range16 range, std::string_view utf8) {
  detail::assertMainThread("TextView::userReplace");
  return applyChange(range, utf8);
}

void TextView::touchesBegan(const TouchSet& touches) {
  if (!editable_ || touches.empty()) {
    touchInside_ = false;
    View::touchesBegan(touches);
    return;
  }
  touchInside_ = true;
}

void TextView::touchesMoved(const TouchSet& touches) {
  if (!touchInside_) View::touchesMoved(touches);
}

void TextView::touchesEnded(const TouchSet& touches) {
  if (!touchInside_) {
    View::touchesEnded(touches);
    return;
  }
  touchInside_ = false;
  if (touches.empty() || !bounds().contains(touches.front().locationInView(this))) return;
  if (!editing_) becomeFirstResponder();
}

void TextView::touchesCancelled(const TouchSet& touches) {
  if (!touchInside_) {
    View::touchesCancelled(touches);
    return;
  }
  touchInside_ = false;
}

std::string TextView::describeSelf() const {
  std::string s = View::describeSelf();
  s += " text=\"" + text_ + "\"";
  if (!editable_) s += " read-only";
  if (editing_) s += " editing";
  return s;
}

}  // namespace ui
