#pragma once
// ui::gtk::PictureTexture: a cairo picture added to a GTK snapshot as a texture it owns.
//
// GTK's cairo render nodes leave it to the renderer to turn the drawing into a texture, and its GL
// renderer caches that texture under the node's address, in a cache all windows of the display share: a
// node made later at the address of a freed one (in another window of the process, or the same) could
// show the freed node's picture. Here the picture is drawn into an image of our own and handed over as
// a GdkTexture: whatever a renderer keeps for it lives and dies with that texture, whichever renderer
// GTK chose (GL, Vulkan or cairo).
//
// The image has the widget's scale (device pixels per point); the drawing is in points, with the origin
// at the area's top left and clipped to it. An area over kMaxPixels device pixels (a view far larger than
// any window) is drawn as a cairo node instead, as GTK would.
//
//   PictureTexture picture(snapshot, area, gtk_widget_get_scale_factor(widget));
//   cairo_rectangle(picture.cr(), ...); ...
//   // appended when it goes out of scope (or at finish())

#include <cairo.h>

typedef struct _GdkSnapshot GdkSnapshot;
typedef GdkSnapshot GtkSnapshot;

namespace ui::gtk {

class PictureTexture {
 public:
  static constexpr double kMaxPixels = 16.0 * 1024 * 1024;

  PictureTexture(GtkSnapshot* snapshot, double x, double y, double width, double height, int scale);
  ~PictureTexture();
  PictureTexture(const PictureTexture&) = delete;
  PictureTexture& operator=(const PictureTexture&) = delete;

  cairo_t* cr() const { return cr_; }
  // Ends the drawing and appends it to the snapshot (once).
  void finish();

 private:
  GtkSnapshot* snapshot_;
  double x_, y_, width_, height_;
  int scale_ = 1;
  cairo_surface_t* surface_ = nullptr;  // null when drawn as a cairo node
  cairo_t* cr_ = nullptr;
};

}  // namespace ui::gtk
