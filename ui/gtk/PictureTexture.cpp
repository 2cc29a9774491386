#include "ui/gtk/PictureTexture.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>

namespace ui::gtk {

PictureTexture::PictureTexture(GtkSnapshot* snapshot, double x, double y, double width, double height,
                               int scale)
    : snapshot_(snapshot), x_(x), y_(y), width_(std::max(0.0, width)), height_(std::max(0.0, height)) {
  const int s = scale_ = std::clamp(scale, 1, 8);
  const double pw = std::ceil(width_ * s - 1e-6), ph = std::ceil(height_ * s - 1e-6);
  if (pw >= 1 && ph >= 1 && pw * ph <= kMaxPixels) {
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(pw), static_cast<int>(ph));
    if (cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS) {
      cr_ = cairo_create(surface_);
      cairo_scale(cr_, s, s);
      cairo_rectangle(cr_, 0, 0, width_, height_);
      cairo_clip(cr_);
      return;
    }
    cairo_surface_destroy(surface_);
    surface_ = nullptr;
  }
  graphene_rect_t area = GRAPHENE_RECT_INIT(static_cast<float>(x_), static_cast<float>(y_),
                                            static_cast<float>(width_), static_cast<float>(height_));
  cr_ = gtk_snapshot_append_cairo(snapshot_, &area);
  cairo_translate(cr_, x_, y_);
}

PictureTexture::~PictureTexture() { finish(); }

void PictureTexture::finish() {
  if (!cr_) return;
  cairo_destroy(cr_);
  cr_ = nullptr;
  if (!surface_) return;
  cairo_surface_flush(surface_);
  const int w = cairo_image_surface_get_width(surface_), h = cairo_image_surface_get_height(surface_);
  const int stride = cairo_image_surface_get_stride(surface_);
  // The bytes keep the surface: the texture owns the image it shows.
  GBytes* bytes = g_bytes_new_with_free_func(
      cairo_image_surface_get_data(surface_), static_cast<gsize>(stride) * static_cast<gsize>(h),
      reinterpret_cast<GDestroyNotify>(cairo_surface_destroy), surface_);
  surface_ = nullptr;
  // Cairo's ARGB32 is premultiplied, in the machine's byte order: GDK_MEMORY_DEFAULT.
  GdkTexture* texture = gdk_memory_texture_new(w, h, GDK_MEMORY_DEFAULT, bytes, static_cast<gsize>(stride));
  g_bytes_unref(bytes);
  // Whole device pixels: a part-pixel edge stays transparent rather than stretching the image.
  graphene_rect_t area = GRAPHENE_RECT_INIT(static_cast<float>(x_), static_cast<float>(y_),
                                            static_cast<float>(w) / static_cast<float>(scale_),
                                            static_cast<float>(h) / static_cast<float>(scale_));
  gtk_snapshot_append_texture(snapshot_, texture, &area);
  g_object_unref(texture);
}

}  // namespace ui::gtk
