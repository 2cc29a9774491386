#pragma once
// Plane geometry of the UI model: points, sizes, rectangles, edge insets and affine transforms, in points
// with the origin at the top left and y growing downwards.

#include <string>

namespace ui {

struct Point {
  double x = 0;
  double y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  double width = 0;
  double height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

struct EdgeInsets {
  double top = 0;
  double left = 0;
  double bottom = 0;
  double right = 0;
  friend bool operator==(const EdgeInsets&, const EdgeInsets&) = default;
};

struct Rect {
  Point origin;
  Size size;

  constexpr Rect() = default;
  constexpr Rect(Point o, Size s) : origin(o), size(s) {}
  constexpr Rect(double x, double y, double width, double height) : origin{x, y}, size{width, height} {}

  double minX() const { return origin.x; }
  double midX() const { return origin.x + size.width / 2; }
  double maxX() const { return origin.x + size.width; }
  double minY() const { return origin.y; }
  double midY() const { return origin.y + size.height / 2; }
  double maxY() const { return origin.y + size.height; }
  double width() const { return size.width; }
  double height() const { return size.height; }
  Point center() const { return {midX(), midY()}; }

  bool isEmpty() const { return size.width <= 0 || size.height <= 0; }
  // Half-open: the left and top edges are inside, the right and bottom edges are not.
  bool contains(Point p) const;
  bool intersects(const Rect& other) const;
  Rect intersection(const Rect& other) const;  // an empty Rect{} when they do not meet
  Rect unionWith(const Rect& other) const;     // empty rectangles are ignored
  Rect offsetBy(double dx, double dy) const {
    return {origin.x + dx, origin.y + dy, size.width, size.height};
  }
  Rect insetBy(double dx, double dy) const;
  Rect inset(const EdgeInsets& insets) const;

  friend bool operator==(const Rect&, const Rect&) = default;
};

// An affine transform: x' = a*x + c*y + tx, y' = b*x + d*y + ty.
struct Transform {
  double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

  static Transform identity() { return {}; }
  static Transform scale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
  static Transform rotation(double radians);
  static Transform translation(double dx, double dy) { return {1, 0, 0, 1, dx, dy}; }

  bool isIdentity() const { return *this == Transform{}; }
  // This transform followed by `then`.
  Transform concat(const Transform& then) const;
  Transform inverted() const;  // the identity when the transform cannot be inverted
  Point apply(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
  Rect applyToRect(const Rect& r) const;  // the bounding box of the transformed rectangle

  friend bool operator==(const Transform&, const Transform&) = default;
};

std::string toString(Point p);        // "{10, 20}"
std::string toString(Size s);         // "{320, 480}"
std::string toString(const Rect& r);  // "{{0, 0}, {320, 480}}"

}  // namespace ui
