#include "ui/Path.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace ui {

Path Path::rect(Rect r) {
  Path p;
  p.addRect(r);
  return p;
}

Path Path::roundedRect(Rect r, double radius) {
  Path p;
  p.addRoundedRect(r, radius);
  return p;
}

Path Path::ellipse(Rect r) {
  Path p;
  p.addEllipse(r);
  return p;
}

namespace {
Path::Element element(Path::ElementKind kind, Point p) {
  Path::Element e;
  e.kind = kind;
  e.point = p;
  return e;
}
}  // namespace

void Path::moveTo(Point p) { elements_.push_back(element(ElementKind::MoveTo, p)); }

void Path::lineTo(Point p) { elements_.push_back(element(ElementKind::LineTo, p)); }

void Path::curveTo(Point control1, Point control2, Point end) {
  Element e;
  e.kind = ElementKind::CurveTo;
  e.point = end;
  e.control1 = control1;
  e.control2 = control2;
  elements_.push_back(e);
}

void Path::addArc(Point center, double radius, double startAngle, double endAngle, bool clockwise) {
  Element e;
  e.kind = ElementKind::Arc;
  e.point = center;
  e.radius = radius;
  e.startAngle = startAngle;
  e.endAngle = endAngle;
  e.clockwise = clockwise;
  elements_.push_back(e);
}

void Path::addRect(Rect r) {
  moveTo(r.origin);
  lineTo({r.maxX(), r.minY()});
  lineTo({r.maxX(), r.maxY()});
  lineTo({r.minX(), r.maxY()});
  close();
}

void Path::addRoundedRect(Rect r, double radius) {
  radius = std::clamp(radius, 0.0, std::min(r.width(), r.height()) / 2);
  if (radius <= 0) {
    addRect(r);
    return;
  }
  constexpr double kPi = 3.14159265358979323846;
  moveTo({r.minX() + radius, r.minY()});
  lineTo({r.maxX() - radius, r.minY()});
  addArc({r.maxX() - radius, r.minY() + radius}, radius, -kPi / 2, 0, true);
  lineTo({r.maxX(), r.maxY() - radius});
  addArc({r.maxX() - radius, r.maxY() - radius}, radius, 0, kPi / 2, true);
  lineTo({r.minX() + radius, r.maxY()});
  addArc({r.minX() + radius, r.maxY() - radius}, radius, kPi / 2, kPi, true);
  lineTo({r.minX(), r.minY() + radius});
  addArc({r.minX() + radius, r.minY() + radius}, radius, kPi, 3 * kPi / 2, true);
  close();
}

void Path::addEllipse(Rect r) {
  constexpr double kPi = 3.14159265358979323846;
  if (r.width() == r.height()) {
    moveTo({r.maxX(), r.midY()});
    addArc(r.center(), r.width() / 2, 0, 2 * kPi, true);
    close();
    return;
  }
  // Four cubic quarter arcs.
  const double k = 0.5522847498;
  const double rx = r.width() / 2, ry = r.height() / 2;
  const Point c = r.center();
  moveTo({c.x + rx, c.y});
  curveTo({c.x + rx, c.y + k * ry}, {c.x + k * rx, c.y + ry}, {c.x, c.y + ry});
  curveTo({c.x - k * rx, c.y + ry}, {c.x - rx, c.y + k * ry}, {c.x - rx, c.y});
  curveTo({c.x - rx, c.y - k * ry}, {c.x - k * rx, c.y - ry}, {c.x, c.y - ry});
  curveTo({c.x + k * rx, c.y - ry}, {c.x + rx, c.y - k * ry}, {c.x + rx, c.y});
  close();
}

void Path::close() { elements_.push_back(element(ElementKind::Close, {})); }

Rect Path::bounds() const {
  bool any = false;
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  auto add = [&](Point p) {
    if (!any) {
      x0 = x1 = p.x;
      y0 = y1 = p.y;
      any = true;
      return;
    }
    x0 = std::min(x0, p.x);
    y0 = std::min(y0, p.y);
    x1 = std::max(x1, p.x);
    y1 = std::max(y1, p.y);
  };
  for (const auto& e : elements_) {
    switch (e.kind) {
      case ElementKind::MoveTo:
      case ElementKind::LineTo:
        add(e.point);
        break;
      case ElementKind::CurveTo:
        add(e.control1);
        add(e.control2);
        add(e.point);
        break;
      case ElementKind::Arc:
        add({e.point.x - e.radius, e.point.y - e.radius});
        add({e.point.x + e.radius, e.point.y + e.radius});
        break;
      case ElementKind::Close:
        break;
    }
  }
  return any ? Rect(x0, y0, x1 - x0, y1 - y0) : Rect{};
}

std::string Path::describe() const {
  std::ostringstream out;
  bool first = true;
  auto sep = [&] {
    if (!first) out << ' ';
    first = false;
  };
  for (const auto& e : elements_) {
    sep();
    switch (e.kind) {
      case ElementKind::MoveTo:
        out << "M " << e.point.x << ' ' << e.point.y;
        break;
      case ElementKind::LineTo:
        out << "L " << e.point.x << ' ' << e.point.y;
        break;
      case ElementKind::CurveTo:
        out << "C " << e.control1.x << ' ' << e.control1.y << ' ' << e.control2.x << ' ' << e.control2.y
            << ' ' << e.point.x << ' ' << e.point.y;
        break;
      case ElementKind::Arc:
        out << "A " << e.point.x << ' ' << e.point.y << ' ' << e.radius << ' ' << e.startAngle << ' '
            << e.endAngle << (e.clockwise ? " cw" : " ccw");
        break;
      case ElementKind::Close:
        out << 'Z';
        break;
    }
  }
  return out.str();
}

}  // namespace ui
