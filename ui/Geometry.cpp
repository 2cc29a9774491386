#include "ui/Geometry.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace ui {

bool Rect::contains(Point p) const {
  return !isEmpty() && p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
}

bool Rect::intersects(const Rect& other) const { return !intersection(other).isEmpty(); }

Rect Rect::intersection(const Rect& other) const {
  const double x0 = std::max(minX(), other.minX());
  const double y0 = std::max(minY(), other.minY());
  const double x1 = std::min(maxX(), other.maxX());
  const double y1 = std::min(maxY(), other.maxY());
  if (x1 <= x0 || y1 <= y0) return Rect{};
  return {x0, y0, x1 - x0, y1 - y0};
}

Rect Rect::unionWith(const Rect& other) const {
  if (isEmpty()) return other;
  if (other.isEmpty()) return *this;
  const double x0 = std::min(minX(), other.minX());
  const double y0 = std::min(minY(), other.minY());
  const double x1 = std::max(maxX(), other.maxX());
  const double y1 = std::max(maxY(), other.maxY());
  return {x0, y0, x1 - x0, y1 - y0};
}

Rect Rect::insetBy(double dx, double dy) const {
  return {origin.x + dx, origin.y + dy, size.width - 2 * dx, size.height - 2 * dy};
}

Rect Rect::inset(const EdgeInsets& e) const {
  return {origin.x + e.left, origin.y + e.top, size.width - e.left - e.right, size.height - e.top - e.bottom};
}

Transform Transform::rotation(double radians) {
  const double c = std::cos(radians);
  const double s = std::sin(radians);
  return {c, s, -s, c, 0, 0};
}

Transform Transform::concat(const Transform& t) const {
  return {a * t.a + b * t.c, a * t.b + b * t.d,          c * t.a + d * t.c,
          c * t.b + d * t.d, tx * t.a + ty * t.c + t.tx, tx * t.b + ty * t.d + t.ty};
}

Transform Transform::inverted() const {
  const double det = a * d - b * c;
  if (det == 0 || !std::isfinite(det)) return {};
  return {d / det, -b / det, -c / det, a / det, (c * ty - d * tx) / det, (b * tx - a * ty) / det};
}

Rect Transform::applyToRect(const Rect& r) const {
  const Point p[4] = {apply({r.minX(), r.minY()}), apply({r.maxX(), r.minY()}), apply({r.minX(), r.maxY()}),
                      apply({r.maxX(), r.maxY()})};
  double x0 = p[0].x, x1 = p[0].x, y0 = p[0].y, y1 = p[0].y;
  for (const auto& q : p) {
    x0 = std::min(x0, q.x);
    x1 = std::max(x1, q.x);
    y0 = std::min(y0, q.y);
    y1 = std::max(y1, q.y);
  }
  return {x0, y0, x1 - x0, y1 - y0};
}

namespace {
std::string num(double v) {
  std::ostringstream out;
  out << v;
  return out.str();
}
}  // namespace

std::string toString(Point p) { return "{" + num(p.x) + ", " + num(p.y) + "}"; }
std::string toString(Size s) { return "{" + num(s.width) + ", " + num(s.height) + "}"; }
std::string toString(const Rect& r) { return "{" + toString(r.origin) + ", " + toString(r.size) + "}"; }

}  // namespace ui
