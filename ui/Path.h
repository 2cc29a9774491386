#pragma once
// ui::Path: a drawing path in points (y grows downwards): moves, lines, cubic curves, arcs and closes,
// plus rectangle, rounded-rectangle and ellipse shorthands. Paths are plain values: canvases record them,
// layers keep one as their shadow path, and the GTK presenter replays them with cairo.

#include <string>
#include <vector>

#include "ui/Geometry.h"

namespace ui {

class Path {
 public:
  enum class ElementKind { MoveTo, LineTo, CurveTo, Arc, Close };
  struct Element {
    ElementKind kind = ElementKind::MoveTo;
    Point point;             // MoveTo, LineTo, CurveTo: the end point; Arc: the centre
    Point control1;          // CurveTo
    Point control2;          // CurveTo
    double radius = 0;       // Arc
    double startAngle = 0;   // Arc, radians, 0 = +x axis, growing towards +y
    double endAngle = 0;     // Arc
    bool clockwise = false;  // Arc: the direction on screen (y down), as the platform's paths
    friend bool operator==(const Element&, const Element&) = default;
  };

  Path() = default;
  static Path rect(Rect r);                        // closed rectangle, clockwise from the top left
  static Path roundedRect(Rect r, double radius);  // radius 0 gives rect(r); clamped to half the short side
  static Path ellipse(Rect r);                     // the ellipse inside r (an arc for circles)

  void moveTo(Point p);
  void lineTo(Point p);
  void curveTo(Point control1, Point control2, Point end);
  // An arc around `center`; a line joins the current point to the arc's start when there is one.
  void addArc(Point center, double radius, double startAngle, double endAngle, bool clockwise);
  void addRect(Rect r);
  void addRoundedRect(Rect r, double radius);
  void addEllipse(Rect r);
  void close();

  const std::vector<Element>& elements() const { return elements_; }
  bool isEmpty() const { return elements_.empty(); }
  // The smallest rectangle holding every point and control point (arcs by their full circle's box
  // clipped to the swept angles is not attempted: an arc contributes its circle's box).
  Rect bounds() const;
  // "M 0 0 L 20 0 ... Z" for tests and diagnostics.
  std::string describe() const;

  friend bool operator==(const Path&, const Path&) = default;

 private:
  std::vector<Element> elements_;
};

}  // namespace ui
