#pragma once
// The window: the status-bar strip at its top (20 points, black, the time in white) unless the
// application hides the status bar. Like the platform's, it lies over every screen and overlay (a
// full-screen view does not cover it); only the alert layer comes over it.

#include "ui/gtk/MirrorContent.h"

namespace ui::gtk {

class WindowContent : public MirrorContent {
 public:
  void drawBeforeSubview(Mirror& mirror, const View& subview, GtkSnapshot* snapshot, Size size) override;
};

}  // namespace ui::gtk
