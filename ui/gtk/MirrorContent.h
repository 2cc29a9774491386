#pragma once
// ui::gtk::MirrorContent: what a mirror adds for one kind of view beyond what every mirror draws. Every
// mirror draws its view's background colour, layer (corners, border, shadow), custom drawing (View::draw,
// replayed with cairo) and subviews; a content draws the rest (a label's text, an image, a bar's
// gradient) or brings a native peer (a text input, a web page) that sits under the view's subviews.
//
// A later view class gets a dedicated content by registering it (MirrorRegistry::add); a class without
// one is drawn by the generic mirror alone, which is enough for any view that draws through its layer,
// its draw() and its subviews.

#include <cairo.h>

#include "ui/Geometry.h"
#include "ui/ViewObserver.h"

typedef struct _GtkWidget GtkWidget;
typedef struct _GdkSnapshot GdkSnapshot;
typedef GdkSnapshot GtkSnapshot;

namespace ui {
class View;
}

namespace ui::gtk {

class Mirror;

class MirrorContent {
 public:
  virtual ~MirrorContent() = default;

  // Called once the mirror exists (peers are made here).
  virtual void attached(Mirror& mirror) {}
  // Draws on top of the background and the view's own draw(), under the subviews. `cr` has its origin at
  // the view's top left (whatever its bounds origin) and is clipped to the view; `size` is its size.
  virtual void draw(Mirror& mirror, cairo_t* cr, Size size) {}
  // Draws between the view's subviews: called before `subview` is drawn (the window lays its status bar
  // over its screens here, under the alert layer).
  virtual void drawBeforeSubview(Mirror& mirror, const View& subview, GtkSnapshot* snapshot, Size size) {}
  // A native widget that shows (and takes input for) the view; nullptr when none.
  virtual GtkWidget* peer() const { return nullptr; }
  // Where the peer sits, from the view's top left.
  virtual Rect peerFrame(Mirror& mirror, Size size) const { return {{0, 0}, size}; }
  // Whether a press at this view goes on to the peer (GTK delivers it there) after the model has it.
  virtual bool wantsPointer(Mirror& mirror) const { return peer() != nullptr; }
  // Whether GTK looks through the view's subviews to the peer when it picks the widget under the
  // pointer (a web view's own scroll view lies over its page).
  virtual bool subviewsLetPointerThrough() const { return false; }
  // A property of the view changed (after the mirror has redrawn or relaid itself as needed).
  virtual void changed(Mirror& mirror, ViewProperty property) {}
};

}  // namespace ui::gtk
