#include "ui/gtk/TextFieldContent.h"

#include <gtk/gtk.h>

#include <cstring>

#include "platform/core/Text.h"
#include "ui/SearchBar.h"
#include "ui/TextField.h"
#include "ui/Utf16.h"
#include "ui/detail/PangoText.h"
#include "ui/gtk/CairoPainter.h"
#include "ui/gtk/Mirror.h"

namespace ui::gtk {

namespace {

// The UTF-16 offset of the character offset `chars` in `text`.
std::size_t utf16Offset(const std::string& text, int chars) {
  if (chars < 0) return core::utf16Length(text);
  const char* end = g_utf8_offset_to_pointer(text.c_str(), chars);
  const std::size_t bytes = std::min<std::size_t>(static_cast<std::size_t>(end - text.c_str()), text.size());
  return core::utf16Length(std::string_view(text).substr(0, bytes));
}

void onInsertText(GtkEditable* editable, const char* text, int length, int* position, gpointer self) {
  const std::string inserted(text, length < 0 ? std::strlen(text) : static_cast<std::size_t>(length));
  if (!static_cast<TextFieldContent*>(self)->offerInsert(inserted, *position))
    g_signal_stop_emission_by_name(editable, "insert-text");
}

void onDeleteText(GtkEditable* editable, int start, int end, gpointer self) {
  if (!static_cast<TextFieldContent*>(self)->offerDelete(start, end))
    g_signal_stop_emission_by_name(editable, "delete-text");
}

void onActivate(GtkText*, gpointer self) { static_cast<TextFieldContent*>(self)->returnPressed(); }

// A click on the field's mirror that no peer takes: the clear button's place.
void onMirrorReleased(GtkGestureClick*, int, double x, double y, gpointer self) {
  static_cast<TextFieldContent*>(self)->clickedAt({x, y});
}

}  // namespace

TextFieldContent::~TextFieldContent() {
  if (focusSource_) g_source_remove(focusSource_);
  if (click_) g_signal_handlers_disconnect_by_data(click_, this);
  if (!text_) return;
  g_signal_handlers_disconnect_by_data(text_, this);
  if (gtk_widget_get_parent(text_)) gtk_widget_unparent(text_);
  g_object_unref(text_);
}

void TextFieldContent::attached(Mirror& mirror) {
  mirror_ = &mirror;
  field_ = &static_cast<TextField&>(mirror.view());
  GtkGesture* click = gtk_gesture_click_new();
  click_ = GTK_EVENT_CONTROLLER(click);
  g_signal_connect(click, "released", G_CALLBACK(onMirrorReleased), this);
  gtk_widget_add_controller(mirror.widget(), click_);  // the mirror owns it
  text_ = gtk_text_new();
  g_object_ref_sink(text_);
  gtk_widget_add_css_class(text_, "vd-text");
  gtk_widget_set_focusable(text_, FALSE);  // the keyboard comes only while the field edits
  hadNoText_ = field_->text().empty();
  applyLook();
  showModelText();
  g_signal_connect(text_, "insert-text", G_CALLBACK(onInsertText), this);
  g_signal_connect(text_, "delete-text", G_CALLBACK(onDeleteText), this);
  g_signal_connect(text_, "activate", G_CALLBACK(onActivate), this);
  // A field that edits already takes the keyboard once its peer is on screen.
  if (field_->isEditing()) {
    focusSource_ = g_idle_add(
        [](gpointer self) -> gboolean {
          auto* me = static_cast<TextFieldContent*>(self);
          me->focusSource_ = 0;
          me->followEditing();
          return G_SOURCE_REMOVE;
        },
        this);
  }
}

namespace {
constexpr double kMagnifierWidth = 22;  // the search bar's magnifier and the room after it
constexpr double kClearWidth = 24;      // the clear button's room at the right
constexpr double kClearRadius = 8;
}  // namespace

bool TextFieldContent::showsClearButton() const {
  if (field_->text().empty() || !field_->isEnabled()) return false;
  switch (field_->clearButtonMode()) {
    case TextFieldViewMode::Always:
      return true;
    case TextFieldViewMode::WhileEditing:
      return field_->isEditing();
    case TextFieldViewMode::UnlessEditing:
      return !field_->isEditing();
    case TextFieldViewMode::Never:
      break;
  }
  return false;
}

Rect TextFieldContent::clearButtonRect(Size size) const {
  const double inset = field_->borderStyle() == TextBorderStyle::None ? 0 : 7;
  return {size.width - inset - kClearWidth, 0, kClearWidth, size.height};
}

void TextFieldContent::clickedAt(Point p) {
  if (!mirror_ || !showsClearButton()) return;
  if (clearButtonRect(mirror_->shownBounds().size).contains(p)) field_->userClear();
}

bool TextFieldContent::inSearchBar() const {
  const View* bar = field_->superview();
  return bar && dynamic_cast<const SearchBar*>(bar) && &static_cast<const SearchBar*>(bar)->searchField() == field_;
}

Rect TextFieldContent::peerFrame(Mirror& mirror, Size size) const {
  const double inset = field_->borderStyle() == TextBorderStyle::None ? 0 : 7;
  const double left = inset + (inSearchBar() ? kMagnifierWidth : 0);
  const double right = inset + (showsClearButton() ? kClearWidth : 0);
  return {left, 0, std::max(0.0, size.width - left - right), size.height};
}

bool TextFieldContent::wantsPointer(Mirror& mirror) const {
  // A press on a field that is not editing is the model's (it begins editing, or refuses to); once the
  // field edits, presses place the caret in the peer. While the clear button shows, a press on it goes
  // on to the field's mirror (the peer does not reach there), which clears the field.
  return field_->isEditing() || showsClearButton();
}

void TextFieldContent::draw(Mirror& mirror, cairo_t* cr, Size size) {
  const Rect r({0, 0}, size);
  switch (field_->borderStyle()) {
    case TextBorderStyle::RoundedRect:
      CairoPainter::addRoundedRect(cr, r.insetBy(0.5, 0.5), 6);
      cairo_set_source_rgb(cr, 1, 1, 1);
      cairo_fill_preserve(cr);
      cairo_set_source_rgb(cr, 0.7, 0.7, 0.72);
      cairo_set_line_width(cr, 1);
      cairo_stroke(cr);
      break;
    case TextBorderStyle::Line:
      cairo_rectangle(cr, 0.5, 0.5, size.width - 1, size.height - 1);
      cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
      cairo_set_line_width(cr, 1);
      cairo_stroke(cr);
      break;
    case TextBorderStyle::Bezel:
      cairo_rectangle(cr, 0, 0, size.width, size.height);
      cairo_set_source_rgb(cr, 1, 1, 1);
      cairo_fill(cr);
      cairo_rectangle(cr, 0.5, 0.5, size.width - 1, size.height - 1);
      cairo_set_source_rgb(cr, 0.45, 0.45, 0.45);
      cairo_set_line_width(cr, 1);
      cairo_stroke(cr);
      break;
    case TextBorderStyle::None:
      break;
  }
  if (showsClearButton()) {
    // The clear button: a grey disc with a white cross.
    const Rect b = clearButtonRect(size);
    const double cx = b.midX(), cy = b.midY(), arm = kClearRadius * 0.42;
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx, cy, kClearRadius, 0, 2 * G_PI);
    cairo_set_source_rgb(cr, 0.7, 0.7, 0.72);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_set_line_width(cr, 1.6);
    cairo_move_to(cr, cx - arm, cy - arm);
    cairo_line_to(cr, cx + arm, cy + arm);
    cairo_move_to(cr, cx + arm, cy - arm);
    cairo_line_to(cr, cx - arm, cy + arm);
    cairo_stroke(cr);
  }
  if (inSearchBar()) {
    // The magnifier: a ring and its handle, in grey.
    const double cx = 7 + 7, cy = size.height / 2 - 1.5, radius = 5;
    cairo_set_source_rgb(cr, 0.56, 0.56, 0.58);
    cairo_set_line_width(cr, 1.6);
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx, cy, radius, 0, 2 * G_PI);
    cairo_stroke(cr);
    cairo_set_line_width(cr, 2);
    cairo_move_to(cr, cx + radius * 0.72, cy + radius * 0.72);
    cairo_line_to(cr, cx + radius * 1.6, cy + radius * 1.6);
    cairo_stroke(cr);
  }
}

void TextFieldContent::changed(Mirror& mirror, ViewProperty property) {
  switch (property) {
    case ViewProperty::Text:
      if (!offering_) showModelText();
      if (field_->text().empty() != hadNoText_) {
        hadNoText_ = field_->text().empty();
        applyLook();
      }
      gtk_widget_queue_allocate(mirror.widget());  // the clear button may come or go
      break;
    case ViewProperty::Editing:
      followEditing();
      gtk_widget_queue_allocate(mirror.widget());
      break;
    case ViewProperty::Placeholder:
    case ViewProperty::Font:
    case ViewProperty::TextColor:
    case ViewProperty::TextAlignment:
    case ViewProperty::SecureTextEntry:
    case ViewProperty::ControlState:
      applyLook();
      break;
    default:
      break;
  }
}

void TextFieldContent::showModelText() {
  const char* current = gtk_editable_get_text(GTK_EDITABLE(text_));
  if (field_->text() == (current ? current : "")) return;
  showing_ = true;
  const int caret = gtk_editable_get_position(GTK_EDITABLE(text_));
  gtk_editable_set_text(GTK_EDITABLE(text_), field_->text().c_str());
  gtk_editable_set_position(
      GTK_EDITABLE(text_),
      caret < 0 ? -1 : std::min(caret, static_cast<int>(g_utf8_strlen(field_->text().c_str(), -1))));
  showing_ = false;
}

void TextFieldContent::applyLook() {
  PangoAttrList* attrs = pango_attr_list_new();
  PangoFontDescription* desc = ui::detail::fontDescription(field_->font());
  pango_attr_list_insert(attrs, pango_attr_font_desc_new(desc));
  pango_font_description_free(desc);
  // The text's colour only while there is text: GTK draws the placeholder with the same attributes.
  if (!field_->text().empty()) {
    const Color& c = field_->textColor();
    auto channel = [](double v) { return static_cast<guint16>(std::clamp(v, 0.0, 1.0) * 65535); };
    pango_attr_list_insert(attrs, pango_attr_foreground_new(channel(c.r), channel(c.g), channel(c.b)));
  }
  gtk_text_set_attributes(GTK_TEXT(text_), attrs);
  pango_attr_list_unref(attrs);
  gtk_text_set_placeholder_text(GTK_TEXT(text_), field_->placeholder().c_str());
  gtk_text_set_visibility(GTK_TEXT(text_), !field_->isSecureTextEntry());
  const float xalign = field_->textAlignment() == TextAlignment::Center  ? 0.5f
                       : field_->textAlignment() == TextAlignment::Right ? 1.0f
                                                                         : 0.0f;
  gtk_editable_set_alignment(GTK_EDITABLE(text_), xalign);
  GtkInputPurpose purpose = GTK_INPUT_PURPOSE_FREE_FORM;
  switch (field_->keyboardType()) {
    case KeyboardType::NumberPad:
      purpose = GTK_INPUT_PURPOSE_DIGITS;
      break;
    case KeyboardType::DecimalPad:
    case KeyboardType::NumbersAndPunctuation:
      purpose = GTK_INPUT_PURPOSE_NUMBER;
      break;
    case KeyboardType::PhonePad:
    case KeyboardType::NamePhonePad:
      purpose = GTK_INPUT_PURPOSE_PHONE;
      break;
    case KeyboardType::EmailAddress:
      purpose = GTK_INPUT_PURPOSE_EMAIL;
      break;
    case KeyboardType::URL:
      purpose = GTK_INPUT_PURPOSE_URL;
      break;
    default:
      break;
  }
  gtk_text_set_input_purpose(GTK_TEXT(text_), purpose);
  gtk_editable_set_editable(GTK_EDITABLE(text_), field_->isEnabled());
}

void TextFieldContent::followEditing() {
  if (field_->isEditing()) {
    gtk_widget_set_focusable(text_, TRUE);
    gtk_widget_grab_focus(text_);
    gtk_editable_set_position(GTK_EDITABLE(text_), -1);
  } else {
    if (GtkRoot* root = gtk_widget_get_root(text_); root && gtk_widget_has_focus(text_))
      gtk_root_set_focus(root, nullptr);
    gtk_widget_set_focusable(text_, FALSE);
  }
}

bool TextFieldContent::offerInsert(const std::string& text, int position) {
  if (showing_) return true;
  const std::string before = field_->text();
  const std::size_t at = utf16Offset(before, position);
  offering_ = true;
  const bool taken = field_->userReplace({at, 0}, text);
  offering_ = false;
  if (!taken) return false;
  // The peer makes the same change, unless the delegate changed the text itself: then it shows the model.
  std::string expected = before;
  const char* p =
      g_utf8_offset_to_pointer(before.c_str(), position < 0 ? g_utf8_strlen(before.c_str(), -1) : position);
  expected.insert(static_cast<std::size_t>(p - before.c_str()), text);
  if (field_->text() == expected) return true;
  showModelText();
  return false;
}

bool TextFieldContent::offerDelete(int start, int end) {
  if (showing_) return true;
  const std::string before = field_->text();
  const std::size_t from = utf16Offset(before, start);
  const std::size_t to = utf16Offset(before, end);
  if (to <= from) return true;
  offering_ = true;
  const bool taken = field_->userReplace({from, to - from}, "");
  offering_ = false;
  if (!taken) return false;
  std::string expected = before;
  const char* a = g_utf8_offset_to_pointer(before.c_str(), start);
  const char* b = end < 0 ? before.c_str() + before.size() : g_utf8_offset_to_pointer(before.c_str(), end);
  expected.erase(static_cast<std::size_t>(a - before.c_str()), static_cast<std::size_t>(b - a));
  if (field_->text() == expected) return true;
  showModelText();
  return false;
}

void TextFieldContent::returnPressed() { field_->userReturn(); }

}  // namespace ui::gtk
