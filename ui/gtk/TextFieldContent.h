#pragma once
// A text field: its border style drawn by the mirror and a GtkText as the native peer that takes the
// keyboard and input methods. The model stays the owner of the text: every insertion and deletion the
// peer is about to make goes to the field as a user edit (TextField::userReplace, so the delegate's
// shouldChangeCharactersInRange decides, with UTF-16 ranges); a refused edit never reaches the peer, and
// the peer shows whatever the field holds afterwards. Enter is the return key. The peer has the keyboard
// focus exactly while the field is editing. A search bar's field shows a magnifier at its left. The clear
// button shows at the right, as the field's clearButtonMode says, while there is text; a click on it is
// the field's userClear.

#include <string>

#include "ui/gtk/MirrorContent.h"

typedef struct _GtkEventController GtkEventController;

namespace ui {
class TextField;
}

namespace ui::gtk {

class TextFieldContent : public MirrorContent {
 public:
  ~TextFieldContent() override;

  void attached(Mirror& mirror) override;
  void draw(Mirror& mirror, cairo_t* cr, Size size) override;
  GtkWidget* peer() const override { return text_; }
  Rect peerFrame(Mirror& mirror, Size size) const override;
  bool wantsPointer(Mirror& mirror) const override;
  void changed(Mirror& mirror, ViewProperty property) override;

  // From the peer's signals.
  bool offerInsert(const std::string& text, int position);
  bool offerDelete(int start, int end);
  void returnPressed();
  void clickedAt(Point point);  // a click on the mirror, in the view's coordinates
  bool showsClearButton() const;
  Rect clearButtonRect(Size size) const;

 private:
  void showModelText();
  void applyLook();
  void followEditing();

  bool inSearchBar() const;

  Mirror* mirror_ = nullptr;
  GtkEventController* click_ = nullptr;  // on the mirror, which owns it
  TextField* field_ = nullptr;
  GtkWidget* text_ = nullptr;
  bool showing_ = false;   // the peer's text is being set from the model
  bool offering_ = false;  // an edit is with the model
  bool hadNoText_ = true;  // the field was empty when its look was last applied
  unsigned focusSource_ = 0;
};

}  // namespace ui::gtk
