#include "ui/gtk/InputRouter.h"

#include <gtk/gtk.h>

#include "platform/runloop/RunLoop.h"
#include "ui/ScrollView.h"
#include "ui/Window.h"
#include "ui/gtk/Mirror.h"
#include "ui/gtk/MirrorTree.h"

namespace ui::gtk {

namespace {
constexpr double kPointsPerWheelStep = 40;

gboolean onEvent(GtkEventControllerLegacy*, GdkEvent* event, gpointer self) {
  return static_cast<InputRouter*>(self)->handle(event) ? GDK_EVENT_STOP : GDK_EVENT_PROPAGATE;
}

double now() { return rl::RunLoop::main().now(); }
}  // namespace

InputRouter::InputRouter(GtkWidget* window, MirrorTree& tree) : window_(window), tree_(tree) {
  controller_ = gtk_event_controller_legacy_new();
  gtk_event_controller_set_propagation_phase(controller_, GTK_PHASE_CAPTURE);
  g_signal_connect(controller_, "event", G_CALLBACK(onEvent), this);
  gtk_widget_add_controller(window_, controller_);  // the window owns it
}

InputRouter::~InputRouter() {
  g_signal_handlers_disconnect_by_data(controller_, this);
  gtk_widget_remove_controller(window_, controller_);
}

bool InputRouter::toModelPoint(GdkEvent* event, Point* out) const {
  double x = 0, y = 0;
  if (!gdk_event_get_position(event, &x, &y)) return false;
  double sx = 0, sy = 0;
  gtk_native_get_surface_transform(GTK_NATIVE(window_), &sx, &sy);
  double mx = 0, my = 0;
  if (!gtk_widget_translate_coordinates(window_, tree_.root().widget(), x - sx, y - sy, &mx, &my))
    return false;
  *out = {mx, my};
  return true;
}

bool InputRouter::peerWants(View* hit) const {
  for (View* v = hit; v; v = v->superview()) {
    Mirror* m = tree_.mirrorOf(*v);
    if (m && m->content() && m->content()->peer()) return m->content()->wantsPointer(*m);
  }
  return false;
}

bool InputRouter::handle(GdkEvent* event) {
  Window& window = tree_.window();
  const GdkEventType type = gdk_event_get_event_type(event);
  Point p;
  switch (type) {
    case GDK_BUTTON_PRESS: {
      if (gdk_button_event_get_button(event) != GDK_BUTTON_PRIMARY || !toModelPoint(event, &p)) {
        return !peerWants(toModelPoint(event, &p) ? window.hitTest(p) : nullptr);
      }
      if (touching_) return !toPeer_;
      View* hit = window.hitTest(p);
      toPeer_ = peerWants(hit);
      touching_ = window.dispatchTouch(TouchPhase::Began, p, 0, now()) != nullptr;
      return !toPeer_;
    }
    case GDK_MOTION_NOTIFY:
      if (!toModelPoint(event, &p)) return false;
      pointer_ = p;
      if (touching_) {
        window.dispatchTouch(TouchPhase::Moved, p, 0, now());
        return !toPeer_;
      }
      return !peerWants(window.hitTest(p));
    case GDK_BUTTON_RELEASE: {
      if (gdk_button_event_get_button(event) != GDK_BUTTON_PRIMARY) return false;
      const bool toPeer = toPeer_;
      if (touching_ && toModelPoint(event, &p)) {
        touching_ = false;
        window.dispatchTouch(TouchPhase::Ended, p, 0, now());
      }
      touching_ = false;
      toPeer_ = false;
      return !toPeer;
    }
    case GDK_GRAB_BROKEN:
    case GDK_TOUCH_CANCEL:
      if (touching_) {
        touching_ = false;
        window.dispatchTouch(TouchPhase::Cancelled, {}, 0, now());
      }
      return false;
    case GDK_SCROLL:
      return wheel(event);
    default:
      return false;
  }
}

bool InputRouter::wheel(GdkEvent* event) {
  Point p;
  // Wheel events may come without a place: they happen where the pointer last was.
  if (toModelPoint(event, &p)) {
    pointer_ = p;
  } else if (pointer_) {
    p = *pointer_;
  } else {
    return true;
  }
  if (touching_) return true;
  double dx = 0, dy = 0;
  switch (gdk_scroll_event_get_direction(event)) {
    case GDK_SCROLL_UP:
      dy = -1;
      break;
    case GDK_SCROLL_DOWN:
      dy = 1;
      break;
    case GDK_SCROLL_LEFT:
      dx = -1;
      break;
    case GDK_SCROLL_RIGHT:
      dx = 1;
      break;
    case GDK_SCROLL_SMOOTH:
      gdk_scroll_event_get_deltas(event, &dx, &dy);
      break;
  }
  const Point delta{dx * kPointsPerWheelStep, dy * kPointsPerWheelStep};
  View* hit = tree_.window().hitTest(p);
  if (peerWants(hit)) return false;  // a page scrolls itself
  for (View* v = hit; v; v = v->superview()) {
    if (auto* scroll = dynamic_cast<ScrollView*>(v); scroll && scroll->userWheel(delta)) return true;
  }
  return true;
}

}  // namespace ui::gtk
