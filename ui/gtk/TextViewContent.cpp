#include "ui/gtk/TextViewContent.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/core/Text.h"
#include "ui/TextView.h"
#include "ui/detail/PangoText.h"
#include "ui/gtk/Mirror.h"

namespace ui::gtk {

namespace {

constexpr double kInset = 8;  // the text's distance from the view's edges

// The UTF-16 offset of the character offset `chars` in `text` (the end for a negative one).
std::size_t utf16Offset(const std::string& text, int chars) {
  if (chars < 0) return core::utf16Length(text);
  const char* end = g_utf8_offset_to_pointer(text.c_str(), chars);
  const std::size_t bytes = std::min<std::size_t>(static_cast<std::size_t>(end - text.c_str()), text.size());
  return core::utf16Length(std::string_view(text).substr(0, bytes));
}

void onInsertText(GtkTextBuffer* buffer, GtkTextIter* location, const char* text, int length, gpointer self) {
  const std::string inserted(text, length < 0 ? std::strlen(text) : static_cast<std::size_t>(length));
  if (!static_cast<TextViewContent*>(self)->offerInsert(inserted, gtk_text_iter_get_offset(location)))
    g_signal_stop_emission_by_name(buffer, "insert-text");
}

void onDeleteRange(GtkTextBuffer* buffer, GtkTextIter* start, GtkTextIter* end, gpointer self) {
  if (!static_cast<TextViewContent*>(self)->offerDelete(gtk_text_iter_get_offset(start),
                                                         gtk_text_iter_get_offset(end)))
    g_signal_stop_emission_by_name(buffer, "delete-range");
}

void onChanged(GtkTextBuffer*, gpointer self) { static_cast<TextViewContent*>(self)->restyle(); }

}  // namespace

TextViewContent::~TextViewContent() {
  if (focusSource_) g_source_remove(focusSource_);
  if (resyncSource_) g_source_remove(resyncSource_);
  if (!scroller_) return;
  g_signal_handlers_disconnect_by_data(buffer_, this);
  if (gtk_widget_get_parent(scroller_)) gtk_widget_unparent(scroller_);
  g_object_unref(scroller_);
}

void TextViewContent::attached(Mirror& mirror) {
  view_ = &static_cast<TextView&>(mirror.view());
  text_ = gtk_text_view_new();
  gtk_widget_add_css_class(text_, "vd-textview");
  gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(text_), GTK_WRAP_WORD_CHAR);
  gtk_text_view_set_left_margin(GTK_TEXT_VIEW(text_), static_cast<int>(kInset));
  gtk_text_view_set_right_margin(GTK_TEXT_VIEW(text_), static_cast<int>(kInset));
  gtk_text_view_set_top_margin(GTK_TEXT_VIEW(text_), static_cast<int>(kInset));
  gtk_text_view_set_bottom_margin(GTK_TEXT_VIEW(text_), static_cast<int>(kInset));
  gtk_widget_set_focusable(text_, FALSE);  // the keyboard comes only while the view edits
  scroller_ = gtk_scrolled_window_new();
  g_object_ref_sink(scroller_);
  gtk_widget_add_css_class(scroller_, "vd-textview");
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller_), GTK_POLICY_NEVER, GTK_POLICY_AUTOMATIC);
  gtk_scrolled_window_set_child(GTK_SCROLLED_WINDOW(scroller_), text_);
  buffer_ = gtk_text_view_get_buffer(GTK_TEXT_VIEW(text_));
  look_ = gtk_text_buffer_create_tag(buffer_, nullptr, nullptr);
  applyLook();
  showModelText();
  g_signal_connect(buffer_, "insert-text", G_CALLBACK(onInsertText), this);
  g_signal_connect(buffer_, "delete-range", G_CALLBACK(onDeleteRange), this);
  g_signal_connect_after(buffer_, "changed", G_CALLBACK(onChanged), this);
  if (view_->isEditing()) {
    focusSource_ = g_idle_add(
        [](gpointer self) -> gboolean {
          auto* me = static_cast<TextViewContent*>(self);
          me->focusSource_ = 0;
          me->followEditing();
          return G_SOURCE_REMOVE;
        },
        this);
  }
}

Rect TextViewContent::peerFrame(Mirror&, Size size) const { return {{0, 0}, size}; }

bool TextViewContent::wantsPointer(Mirror&) const {
  // A press on an editable view that is not editing is the model's (it begins editing); once it edits,
  // presses place the caret. A read-only text is the peer's to scroll and select.
  return view_->isEditing() || !view_->isEditable();
}

void TextViewContent::changed(Mirror&, ViewProperty property) {
  switch (property) {
    case ViewProperty::Text:
      if (!offering_) showModelText();
      break;
    case ViewProperty::Editing:
      followEditing();
      break;
    case ViewProperty::Font:
    case ViewProperty::TextColor:
    case ViewProperty::TextAlignment:
    case ViewProperty::UserInteraction:
      applyLook();
      break;
    default:
      break;
  }
}

void TextViewContent::showModelText() {
  GtkTextIter start, end;
  gtk_text_buffer_get_bounds(buffer_, &start, &end);
  char* current = gtk_text_buffer_get_text(buffer_, &start, &end, FALSE);
  const bool same = view_->text() == (current ? current : "");
  g_free(current);
  if (same) return;
  showing_ = true;
  gtk_text_buffer_set_text(buffer_, view_->text().c_str(), static_cast<int>(view_->text().size()));
  showing_ = false;
  restyle();
}

void TextViewContent::restyle() {
  if (restyling_) return;
  restyling_ = true;
  GtkTextIter start, end;
  gtk_text_buffer_get_bounds(buffer_, &start, &end);
  gtk_text_buffer_apply_tag(buffer_, look_, &start, &end);
  restyling_ = false;
}

void TextViewContent::resyncLater() {
  if (resyncSource_) return;
  resyncSource_ = g_idle_add(
      [](gpointer self) -> gboolean {
        auto* me = static_cast<TextViewContent*>(self);
        me->resyncSource_ = 0;
        me->showModelText();
        return G_SOURCE_REMOVE;
      },
      this);
}

void TextViewContent::applyLook() {
  PangoFontDescription* desc = ui::detail::fontDescription(view_->font());
  const Color& c = view_->textColor();
  GdkRGBA rgba{static_cast<float>(c.r), static_cast<float>(c.g), static_cast<float>(c.b),
               static_cast<float>(c.a)};
  g_object_set(look_, "font-desc", desc, "foreground-rgba", &rgba, nullptr);
  pango_font_description_free(desc);
  const GtkJustification justification = view_->textAlignment() == TextAlignment::Center  ? GTK_JUSTIFY_CENTER
                                         : view_->textAlignment() == TextAlignment::Right ? GTK_JUSTIFY_RIGHT
                                                                                          : GTK_JUSTIFY_LEFT;
  gtk_text_view_set_justification(GTK_TEXT_VIEW(text_), justification);
  gtk_text_view_set_editable(GTK_TEXT_VIEW(text_), view_->isEditable());
  gtk_text_view_set_cursor_visible(GTK_TEXT_VIEW(text_), view_->isEditable());
  restyle();
}

void TextViewContent::followEditing() {
  if (view_->isEditing()) {
    gtk_widget_set_focusable(text_, TRUE);
    gtk_widget_grab_focus(text_);
    GtkTextIter end;
    gtk_text_buffer_get_end_iter(buffer_, &end);
    gtk_text_buffer_place_cursor(buffer_, &end);
  } else {
    if (GtkRoot* root = gtk_widget_get_root(text_); root && gtk_widget_has_focus(text_))
      gtk_root_set_focus(root, nullptr);
    gtk_widget_set_focusable(text_, FALSE);
  }
}

bool TextViewContent::offerInsert(const std::string& text, int position) {
  if (showing_) return true;
  const std::string before = view_->text();
  offering_ = true;
  const bool taken = view_->userReplace({utf16Offset(before, position), 0}, text);
  offering_ = false;
  if (!taken) return false;
  // The peer makes the same change, unless the delegate changed the text itself: then it shows the
  // model, after this emission (the buffer may not change while it inserts).
  std::string expected = before;
  const char* p = g_utf8_offset_to_pointer(before.c_str(), position);
  expected.insert(static_cast<std::size_t>(p - before.c_str()), text);
  if (view_->text() == expected) return true;
  resyncLater();
  return false;
}

bool TextViewContent::offerDelete(int start, int end) {
  if (showing_) return true;
  const std::string before = view_->text();
  const std::size_t from = utf16Offset(before, start);
  const std::size_t to = utf16Offset(before, end);
  if (to <= from) return true;
  offering_ = true;
  const bool taken = view_->userReplace({from, to - from}, "");
  offering_ = false;
  if (!taken) return false;
  std::string expected = before;
  const char* a = g_utf8_offset_to_pointer(before.c_str(), start);
  const char* b = g_utf8_offset_to_pointer(before.c_str(), end);
  expected.erase(static_cast<std::size_t>(a - before.c_str()), static_cast<std::size_t>(b - a));
  if (view_->text() == expected) return true;
  resyncLater();
  return false;
}

}  // namespace ui::gtk
