#pragma once
// ui::gtk::InputRouter: the window's pointer input, given to the model first. It watches every event
// before any widget does (the window's capture phase):
// - a left-button press, the moves while it is held and the release are one touch, fed to the model's
//   touch engine (Window::dispatchTouch) at the pointer's place in window points, so the model's hit
//   testing, controls, recognisers, tables and scroll views decide what happens, as in the tests;
// - the press, moves and release also go on to GTK when the model's hit view lies in a view whose
//   native peer wants the pointer (a web page, a text field that is editing); otherwise they stop here,
//   so a page under an alert or a toast never sees them;
// - the wheel scrolls the innermost model scroll view under the pointer that can move that way, unless
//   a web page is under it first (WebKit scrolls the page).

#include <optional>

#include "ui/Geometry.h"

typedef struct _GtkWidget GtkWidget;
typedef struct _GtkEventController GtkEventController;
typedef struct _GdkEvent GdkEvent;

namespace ui {
class View;
}

namespace ui::gtk {

class MirrorTree;

class InputRouter {
 public:
  InputRouter(GtkWidget* window, MirrorTree& tree);
  ~InputRouter();
  InputRouter(const InputRouter&) = delete;
  InputRouter& operator=(const InputRouter&) = delete;

  // True when the event stops here.
  bool handle(GdkEvent* event);

 private:
  bool toModelPoint(GdkEvent* event, Point* out) const;
  bool peerWants(View* hit) const;
  bool wheel(GdkEvent* event);

  GtkWidget* window_;
  MirrorTree& tree_;
  GtkEventController* controller_ = nullptr;
  bool touching_ = false;
  bool toPeer_ = false;
  std::optional<Point> pointer_;  // where the pointer last moved
};

}  // namespace ui::gtk
