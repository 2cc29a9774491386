#include "ui/gtk/CairoPainter.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <numbers>
#include <string>

#include "ui/PixbufCodec.h"
#include "ui/detail/PangoText.h"

namespace ui::gtk {

namespace {

struct SurfaceDeleter {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

SurfacePtr surfaceFromBitmap(const RGBABitmap& b, double scale) {
  if (b.isEmpty()) return nullptr;
  SurfacePtr s(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, b.width, b.height));
  cairo_surface_flush(s.get());
  unsigned char* data = cairo_image_surface_get_data(s.get());
  const int stride = cairo_image_surface_get_stride(s.get());
  for (int y = 0; y < b.height; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    const std::uint8_t* src = b.rgba.data() + static_cast<std::size_t>(y) * b.width * 4;
    for (int x = 0; x < b.width; ++x) {
      const std::uint32_t a = src[x * 4 + 3];
      auto pre = [a](std::uint32_t c) { return (c * a + 127) / 255; };
      row[x] = (a << 24) | (pre(src[x * 4]) << 16) | (pre(src[x * 4 + 1]) << 8) | pre(src[x * 4 + 2]);
    }
  }
  cairo_surface_mark_dirty(s.get());
  cairo_surface_set_device_scale(s.get(), scale, scale);
  return s;
}

// Bundle files by path, decoded pixels by their bitmap, picture bytes by their bytes (dropped when the bitmap is gone).
struct Cache {
  std::map<std::string, SurfacePtr> files;
  std::map<std::string, std::string> pathsByName;  // names without files map to ""
  std::map<const RGBABitmap*, std::pair<std::weak_ptr<const RGBABitmap>, SurfacePtr>> bitmaps;
  // Picture files' bytes by their bytes (dropped when the bytes are gone); nullptr when they do not decode.
  std::map<const std::string*, std::pair<std::weak_ptr<const std::string>, SurfacePtr>> data;
};
Cache& cache() {
  static Cache c;
  return c;
}

std::string fileOf(const Image& image) {
  if (!image.filePath().empty()) return image.filePath();
  if (image.name().empty()) return "";
  auto& names = cache().pathsByName;
  auto it = names.find(image.name());
  if (it == names.end()) it = names.emplace(image.name(), Image::named(image.name())->filePath()).first;
  return it->second;
}

double scaleOfFile(const std::string& path) { return path.find("@2x.") != std::string::npos ? 2 : 1; }

}  // namespace

void CairoPainter::setColor(cairo_t* cr, const Color& color) {
  if (color.pattern) {
    if (cairo_surface_t* s = surfaceFor(*color.pattern)) {
      cairo_pattern_t* p = cairo_pattern_create_for_surface(s);
      cairo_pattern_set_extend(p, CAIRO_EXTEND_REPEAT);
      cairo_set_source(cr, p);
      cairo_pattern_destroy(p);
      return;
    }
  }
  cairo_set_source_rgba(cr, color.r, color.g, color.b, color.a);
}

void CairoPainter::addPath(cairo_t* cr, const Path& path) {
  for (const auto& e : path.elements()) {
    switch (e.kind) {
      case Path::ElementKind::MoveTo:
        cairo_move_to(cr, e.point.x, e.point.y);
        break;
      case Path::ElementKind::LineTo:
        cairo_line_to(cr, e.point.x, e.point.y);
        break;
      case Path::ElementKind::CurveTo:
        cairo_curve_to(cr, e.control1.x, e.control1.y, e.control2.x, e.control2.y, e.point.x, e.point.y);
        break;
      case Path::ElementKind::Arc:
        // Angles grow towards +y: clockwise on screen is cairo's positive direction.
        if (e.clockwise) {
          cairo_arc(cr, e.point.x, e.point.y, e.radius, e.startAngle, e.endAngle);
        } else {
          cairo_arc_negative(cr, e.point.x, e.point.y, e.radius, e.startAngle, e.endAngle);
        }
        break;
      case Path::ElementKind::Close:
        cairo_close_path(cr);
        break;
    }
  }
}

void CairoPainter::addRoundedRect(cairo_t* cr, Rect r, double radius) {
  radius = std::min({radius, r.width() / 2, r.height() / 2});
  if (radius <= 0) {
    cairo_rectangle(cr, r.minX(), r.minY(), r.width(), r.height());
    return;
  }
  cairo_new_sub_path(cr);
  cairo_arc(cr, r.maxX() - radius, r.minY() + radius, radius, -std::numbers::pi / 2, 0);
  cairo_arc(cr, r.maxX() - radius, r.maxY() - radius, radius, 0, std::numbers::pi / 2);
  cairo_arc(cr, r.minX() + radius, r.maxY() - radius, radius, std::numbers::pi / 2, std::numbers::pi);
  cairo_arc(cr, r.minX() + radius, r.minY() + radius, radius, std::numbers::pi, 3 * std::numbers::pi / 2);
  cairo_close_path(cr);
}

void CairoPainter::setTransform(cairo_t* cr, const cairo_matrix_t& base, const Transform& t) {
  cairo_set_matrix(cr, &base);
  cairo_matrix_t m;
  cairo_matrix_init(&m, t.a, t.b, t.c, t.d, t.tx, t.ty);
  cairo_transform(cr, &m);
}

namespace {
cairo_pattern_t* gradient(const DrawOp& op, bool radial) {
  cairo_pattern_t* p = radial ? cairo_pattern_create_radial(op.start.x, op.start.y, op.startRadius,
                                                            op.start.x, op.start.y, op.endRadius)
                              : cairo_pattern_create_linear(op.start.x, op.start.y, op.end.x, op.end.y);
  for (const auto& s : op.stops)
    cairo_pattern_add_color_stop_rgba(p, s.location, s.color.r, s.color.g, s.color.b, s.color.a);
  cairo_pattern_set_extend(p, radial && !op.drawsAfterEnd ? CAIRO_EXTEND_NONE : CAIRO_EXTEND_PAD);
  return p;
}

cairo_line_cap_t capOf(LineCap c) {
  switch (c) {
    case LineCap::Round:
      return CAIRO_LINE_CAP_ROUND;
    case LineCap::Square:
      return CAIRO_LINE_CAP_SQUARE;
    default:
      return CAIRO_LINE_CAP_BUTT;
  }
}
}  // namespace

void CairoPainter::replay(cairo_t* cr, const std::vector<DrawOp>& ops) {
  cairo_matrix_t base;
  cairo_get_matrix(cr, &base);
  int depth = 0;
  for (const DrawOp& op : ops) {
    setTransform(cr, base, op.transform);
    cairo_new_path(cr);
    switch (op.kind) {
      case DrawOpKind::FillPath:
        addPath(cr, op.path);
        setColor(cr, op.fill);
        cairo_fill(cr);
        break;
      case DrawOpKind::StrokePath:
        addPath(cr, op.path);
        setColor(cr, op.stroke);
        cairo_set_line_width(cr, op.lineWidth);
        cairo_set_line_cap(cr, capOf(op.lineCap));
        cairo_stroke(cr);
        break;
      case DrawOpKind::FillRect:
        cairo_rectangle(cr, op.rect.minX(), op.rect.minY(), op.rect.width(), op.rect.height());
        setColor(cr, op.fill);
        cairo_fill(cr);
        break;
      case DrawOpKind::StrokeRect:
        cairo_rectangle(cr, op.rect.minX(), op.rect.minY(), op.rect.width(), op.rect.height());
        setColor(cr, op.stroke);
        cairo_set_line_width(cr, op.lineWidth);
        cairo_stroke(cr);
        break;
      case DrawOpKind::ClearRect:
        cairo_save(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
        cairo_rectangle(cr, op.rect.minX(), op.rect.minY(), op.rect.width(), op.rect.height());
        cairo_fill(cr);
        cairo_restore(cr);
        break;
      case DrawOpKind::Text:
        drawText(cr, op.text, op.rect, op.font, op.fill, op.alignment, op.lineBreak, 0, false);
        break;
      case DrawOpKind::Image:
        if (op.image) drawImage(cr, *op.image, op.rect);
        break;
      case DrawOpKind::LinearGradient:
      case DrawOpKind::RadialGradient: {
        cairo_pattern_t* p = gradient(op, op.kind == DrawOpKind::RadialGradient);
        cairo_set_source(cr, p);
        cairo_paint(cr);
        cairo_pattern_destroy(p);
        break;
      }
      case DrawOpKind::Clip:
        addPath(cr, op.path);
        cairo_clip(cr);
        break;
      case DrawOpKind::Save:
        cairo_save(cr);
        ++depth;
        break;
      case DrawOpKind::Restore:
        if (depth > 0) {
          cairo_restore(cr);
          --depth;
        }
        break;
    }
  }
  while (depth-- > 0) cairo_restore(cr);
  cairo_set_matrix(cr, &base);
  cairo_new_path(cr);
}

cairo_surface_t* CairoPainter::surfaceFor(const Image& image) {
  auto& c = cache();
  if (const auto& bitmap = image.bitmap()) {
    auto it = c.bitmaps.find(bitmap.get());
    if (it != c.bitmaps.end() && it->second.first.lock() == bitmap) return it->second.second.get();
    // Forget surfaces of bitmaps that are gone.
    std::erase_if(c.bitmaps, [](auto& e) { return e.second.first.expired(); });
    auto s = surfaceFromBitmap(*bitmap, image.scale());
    cairo_surface_t* raw = s.get();
    c.bitmaps[bitmap.get()] = {bitmap, std::move(s)};
    return raw;
  }
  if (const auto& bytes = image.sharedData()) {
    auto it = c.data.find(bytes.get());
    if (it != c.data.end() && it->second.first.lock() == bytes) return it->second.second.get();
    std::erase_if(c.data, [](auto& e) { return e.second.first.expired(); });
    auto bitmap = PixbufCodec::decodeData(*bytes);
    auto s = bitmap ? surfaceFromBitmap(*bitmap, image.scale()) : nullptr;
    cairo_surface_t* raw = s.get();
    c.data[bytes.get()] = {bytes, std::move(s)};
    return raw;
  }
  const std::string path = fileOf(image);
  if (path.empty()) return nullptr;
  auto it = c.files.find(path);
  if (it == c.files.end()) {
    auto bitmap = PixbufCodec::decodeFile(path);
    it = c.files.emplace(path, bitmap ? surfaceFromBitmap(*bitmap, scaleOfFile(path)) : nullptr).first;
  }
  return it->second.get();
}

bool CairoPainter::drawImage(cairo_t* cr, const Image& image, Rect rect) {
  if (rect.isEmpty()) return false;
  if (image.isDrawn()) {
    const Size s = image.size();
    cairo_save(cr);
    cairo_rectangle(cr, rect.minX(), rect.minY(), rect.width(), rect.height());
    cairo_clip(cr);
    cairo_translate(cr, rect.minX(), rect.minY());
    if (s.width > 0 && s.height > 0) cairo_scale(cr, rect.width() / s.width, rect.height() / s.height);
    replay(cr, image.drawing());
    cairo_restore(cr);
    return true;
  }
  cairo_surface_t* surface = surfaceFor(image);
  if (!surface) return false;
  double sx = 1, sy = 1;
  cairo_surface_get_device_scale(surface, &sx, &sy);
  const double w = cairo_image_surface_get_width(surface) / sx;   // points
  const double h = cairo_image_surface_get_height(surface) / sy;  // points
  if (w <= 0 || h <= 0) return false;
  // One piece of the source (points) into a piece of the destination.
  auto piece = [&](double x0, double y0, double pw, double ph, double dx, double dy, double dw, double dh) {
    if (pw <= 0 || ph <= 0 || dw <= 0 || dh <= 0) return;
    cairo_save(cr);
    cairo_rectangle(cr, dx, dy, dw, dh);
    cairo_clip(cr);
    cairo_translate(cr, dx, dy);
    cairo_scale(cr, dw / pw, dh / ph);
    cairo_set_source_surface(cr, surface, -x0, -y0);
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_paint(cr);
    cairo_restore(cr);
  };
  const EdgeInsets caps = image.capInsets();
  const bool sliced =
      image.isResizable() && (caps.top > 0 || caps.left > 0 || caps.bottom > 0 || caps.right > 0);
  if (!sliced) {
    piece(0, 0, w, h, rect.minX(), rect.minY(), rect.width(), rect.height());
    return true;
  }
  const double l = std::min(caps.left, w), r = std::min(caps.right, w - l);
  const double t = std::min(caps.top, h), b = std::min(caps.bottom, h - t);
  const double xs[] = {0, l, w - r, w};
  const double ys[] = {0, t, h - b, h};
  const double dxs[] = {rect.minX(), rect.minX() + l, rect.maxX() - r, rect.maxX()};
  const double dys[] = {rect.minY(), rect.minY() + t, rect.maxY() - b, rect.maxY()};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      piece(xs[j], ys[i], xs[j + 1] - xs[j], ys[i + 1] - ys[i], dxs[j], dys[i], dxs[j + 1] - dxs[j],
            dys[i + 1] - dys[i]);
  return true;
}

bool CairoPainter::drawImage(cairo_t* cr, const Image& image, Rect bounds, ContentMode mode) {
  const Size s = image.size();
  if (s.width <= 0 || s.height <= 0 || mode == ContentMode::ScaleToFill) return drawImage(cr, image, bounds);
  Rect r = bounds;
  switch (mode) {
    case ContentMode::ScaleAspectFit:
    case ContentMode::ScaleAspectFill: {
      const double fx = bounds.width() / s.width, fy = bounds.height() / s.height;
      const double f = mode == ContentMode::ScaleAspectFit ? std::min(fx, fy) : std::max(fx, fy);
      r = {bounds.midX() - s.width * f / 2, bounds.midY() - s.height * f / 2, s.width * f, s.height * f};
      break;
    }
    case ContentMode::Center:
      r = {bounds.midX() - s.width / 2, bounds.midY() - s.height / 2, s.width, s.height};
      break;
    case ContentMode::Top:
      r = {bounds.midX() - s.width / 2, bounds.minY(), s.width, s.height};
      break;
    case ContentMode::Bottom:
      r = {bounds.midX() - s.width / 2, bounds.maxY() - s.height, s.width, s.height};
      break;
    case ContentMode::Left:
      r = {bounds.minX(), bounds.midY() - s.height / 2, s.width, s.height};
      break;
    case ContentMode::Right:
      r = {bounds.maxX() - s.width, bounds.midY() - s.height / 2, s.width, s.height};
      break;
    default:
      break;
  }
  return drawImage(cr, image, r);
}

void CairoPainter::drawText(cairo_t* cr, std::string_view text, Rect rect, const Font& font,
                            const Color& color, TextAlignment alignment, LineBreakMode mode, int lines,
                            bool centreVertically) {
  if (text.empty() || rect.width() <= 0) return;
  PangoEllipsizeMode ellipsize = PANGO_ELLIPSIZE_NONE;
  switch (mode) {
    case LineBreakMode::TruncateHead:
      ellipsize = PANGO_ELLIPSIZE_START;
      break;
    case LineBreakMode::TruncateMiddle:
      ellipsize = PANGO_ELLIPSIZE_MIDDLE;
      break;
    case LineBreakMode::TruncateTail:
      ellipsize = PANGO_ELLIPSIZE_END;
      break;
    default:
      break;
  }
  const bool oneLine = lines == 1;
  // One line that is clipped rather than shortened is laid out unbounded and aligned here.
  const bool unbounded = oneLine && ellipsize == PANGO_ELLIPSIZE_NONE;
  PangoLayout* layout = detail::makeLayout(text, font, unbounded ? 0 : rect.width(), mode);
  if (oneLine) {
    pango_layout_set_height(layout, -1);  // one line a paragraph
  } else if (lines > 1) {
    pango_layout_set_height(layout, -lines);
    if (ellipsize == PANGO_ELLIPSIZE_NONE) ellipsize = PANGO_ELLIPSIZE_END;
  } else if (rect.height() > 0) {
    pango_layout_set_height(layout, static_cast<int>(rect.height() * PANGO_SCALE));
    if (ellipsize == PANGO_ELLIPSIZE_NONE && mode != LineBreakMode::Clip) ellipsize = PANGO_ELLIPSIZE_END;
  }
  pango_layout_set_ellipsize(layout, ellipsize);
  pango_layout_set_alignment(layout, alignment == TextAlignment::Center  ? PANGO_ALIGN_CENTER
                                     : alignment == TextAlignment::Right ? PANGO_ALIGN_RIGHT
                                                                         : PANGO_ALIGN_LEFT);
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  const double textWidth = static_cast<double>(logical.width) / PANGO_SCALE;
  const double textHeight = static_cast<double>(logical.height) / PANGO_SCALE;
  double x = rect.minX();
  if (unbounded && alignment == TextAlignment::Center) x += (rect.width() - textWidth) / 2;
  if (unbounded && alignment == TextAlignment::Right) x += rect.width() - textWidth;
  double y = rect.minY();
  if (centreVertically) y += (rect.height() - textHeight) / 2;
  cairo_save(cr);
  if (unbounded) {
    cairo_rectangle(cr, rect.minX(), rect.minY() - textHeight, rect.width(), rect.height() + 2 * textHeight);
    cairo_clip(cr);
  }
  setColor(cr, color);
  cairo_move_to(cr, x, y);
  pango_cairo_show_layout(cr, layout);
  cairo_restore(cr);
  g_object_unref(layout);
}

}  // namespace ui::gtk
