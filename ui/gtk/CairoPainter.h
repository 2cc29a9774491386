#pragma once
// ui::gtk::CairoPainter: the model's drawing with cairo: colours (and pattern images), paths, the
// operations a Canvas recorded (View::draw, drawn images), images (bundle files, decoded pixels, drawn
// images; nine slices for stretchable ones) and text in the fonts the measurer measures with.

#include <cairo.h>

#include <string_view>
#include <vector>

#include "ui/Canvas.h"
#include "ui/Color.h"
#include "ui/Font.h"
#include "ui/Image.h"
#include "ui/ImageView.h"
#include "ui/Path.h"
#include "ui/Text.h"

namespace ui::gtk {

class CairoPainter {
 public:
  static void setColor(cairo_t* cr, const Color& color);
  static void addPath(cairo_t* cr, const Path& path);
  static void addRoundedRect(cairo_t* cr, Rect rect, double radius);
  static void setTransform(cairo_t* cr, const cairo_matrix_t& base, const Transform& t);
  // Replays recorded operations in the current coordinates.
  static void replay(cairo_t* cr, const std::vector<DrawOp>& ops);
  // Draws `image` into `rect` (stretched, or nine-sliced when it has caps). False when it has nothing to
  // draw (a name with no file).
  static bool drawImage(cairo_t* cr, const Image& image, Rect rect);
  // Places the image in `bounds` as the content mode says, then draws it.
  static bool drawImage(cairo_t* cr, const Image& image, Rect bounds, ContentMode mode);
  // Text laid out in rect.width (lines: 0 = as many as fit the rect's height), from the top or centred
  // vertically in the rect.
  static void drawText(cairo_t* cr, std::string_view text, Rect rect, const Font& font, const Color& color,
                       TextAlignment alignment, LineBreakMode mode, int lines, bool centreVertically);
  // The pixels of an image as a cairo surface (cached; nullptr when there are none). The surface's
  // device scale is the image's scale.
  static cairo_surface_t* surfaceFor(const Image& image);
};

}  // namespace ui::gtk
