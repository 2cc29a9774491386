#pragma once
// A multi-line text view: a GtkTextView (in a scrolled window, so that a long text scrolls inside the
// view) as the native peer, drawn in the view's font, colour and alignment, wrapping at words. As with a
// text field, the model owns the text: every insertion and deletion the peer is about to make goes to the
// view as a user edit (TextView::userReplace, with UTF-16 ranges, so the delegate decides); a refused
// edit never reaches the peer, and the peer shows whatever the view holds afterwards. The peer has the
// keyboard focus exactly while the view edits; a view that is not editable shows its text read-only and
// lets the peer scroll and select it.

#include <string>

#include "ui/gtk/MirrorContent.h"

typedef struct _GtkTextBuffer GtkTextBuffer;
typedef struct _GtkTextTag GtkTextTag;

namespace ui {
class TextView;
}

namespace ui::gtk {

class TextViewContent : public MirrorContent {
 public:
  ~TextViewContent() override;

  void attached(Mirror& mirror) override;
  GtkWidget* peer() const override { return scroller_; }
  Rect peerFrame(Mirror& mirror, Size size) const override;
  bool wantsPointer(Mirror& mirror) const override;
  void changed(Mirror& mirror, ViewProperty property) override;

  // From the buffer's signals (character offsets of the buffer's text).
  bool offerInsert(const std::string& text, int position);
  bool offerDelete(int start, int end);
  void restyle();

 private:
  void showModelText();
  void applyLook();
  void followEditing();
  void resyncLater();  // shows the model's text once the buffer's current change is over

  TextView* view_ = nullptr;
  GtkWidget* scroller_ = nullptr;
  GtkWidget* text_ = nullptr;
  GtkTextBuffer* buffer_ = nullptr;
  GtkTextTag* look_ = nullptr;
  bool showing_ = false;   // the peer's text is being set from the model
  bool offering_ = false;  // an edit is with the model
  bool restyling_ = false;
  unsigned focusSource_ = 0;
  unsigned resyncSource_ = 0;
};

}  // namespace ui::gtk
