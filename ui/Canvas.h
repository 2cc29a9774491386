#pragma once
// ui::Canvas: what a view's custom drawing (View::draw) and an image context draw on. The model never
// rasterises: a canvas records each operation with the graphics state it was made with (fill and stroke
// colours, line width and cap, current transform), and the GTK presenter replays the list with cairo.
// Tests read the list (Harness::render) to check what a view draws.
//
// Graphics state: setFillColor / setStrokeColor / setLineWidth / setLineCap / concat change it; save()
// pushes it and restore() pops it (an unmatched restore is ignored). Defaults: black fill and stroke,
// line width 1, butt caps, identity transform. Coordinates are the drawing view's own (bounds) points.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/Color.h"
#include "ui/Font.h"
#include "ui/Geometry.h"
#include "ui/Path.h"
#include "ui/Text.h"

namespace ui {

class Image;

enum class LineCap { Butt, Round, Square };

struct GradientStop {
  double location = 0;  // 0...1 along the gradient
  Color color;
  friend bool operator==(const GradientStop&, const GradientStop&) = default;
};

enum class DrawOpKind {
  FillPath,        // path, fill
  StrokePath,      // path, stroke, lineWidth, lineCap
  FillRect,        // rect, fill (the path holds the same rectangle)
  StrokeRect,      // rect, stroke, lineWidth
  ClearRect,       // rect: made transparent
  Text,            // text, rect, font, fill (text colour), alignment, lineBreak
  Image,           // image, rect
  LinearGradient,  // start, end, stops
  RadialGradient,  // start = centre, startRadius, endRadius, stops, drawsAfterEnd
  Clip,            // path: later operations are clipped to it until the matching restore
  Save,
  Restore,
};

const char* toString(DrawOpKind kind);

struct DrawOp {
  DrawOpKind kind = DrawOpKind::FillPath;
  Path path;
  Rect rect;
  Color fill;    // fill colour in force (the text colour for Text)
  Color stroke;  // stroke colour in force
  double lineWidth = 1;
  LineCap lineCap = LineCap::Butt;
  Transform transform;  // current transform when recorded
  std::string text;
  Font font;
  TextAlignment alignment = TextAlignment::Left;
  LineBreakMode lineBreak = LineBreakMode::WordWrap;
  std::shared_ptr<const Image> image;
  Point start;
  Point end;
  double startRadius = 0;
  double endRadius = 0;
  bool drawsAfterEnd = false;
  std::vector<GradientStop> stops;
};

class Canvas {
 public:
  Canvas() = default;
  virtual ~Canvas() = default;

  // ---- state ----
  void setFillColor(Color color) { state_.fill = std::move(color); }
  void setStrokeColor(Color color) { state_.stroke = std::move(color); }
  void setLineWidth(double width) { state_.lineWidth = width; }
  void setLineCap(LineCap cap) { state_.lineCap = cap; }
  const Color& fillColor() const { return state_.fill; }
  const Color& strokeColor() const { return state_.stroke; }
  double lineWidth() const { return state_.lineWidth; }
  // Later operations are transformed by t (then by what was in force before).
  void concat(const Transform& t);
  void translate(double dx, double dy) { concat(Transform::translation(dx, dy)); }
  void scale(double sx, double sy) { concat(Transform::scale(sx, sy)); }
  const Transform& currentTransform() const { return state_.transform; }
  void save();
  void restore();

  // ---- drawing ----
  void fillPath(const Path& path);
  void strokePath(const Path& path);
  void fillRect(Rect rect);
  void strokeRect(Rect rect);
  void clearRect(Rect rect);
  void fillEllipse(Rect rect) { fillPath(Path::ellipse(rect)); }
  void strokeEllipse(Rect rect) { strokePath(Path::ellipse(rect)); }
  // Text in the fill colour, laid out in rect.
  void drawText(std::string_view text, Rect rect, const Font& font,
                TextAlignment alignment = TextAlignment::Left,
                LineBreakMode lineBreak = LineBreakMode::WordWrap);
  void drawImage(std::shared_ptr<const Image> image, Rect rect);
  void drawLinearGradient(Point start, Point end, std::vector<GradientStop> stops);
  void drawRadialGradient(Point center, double startRadius, double endRadius, std::vector<GradientStop> stops,
                          bool drawsAfterEnd);
  void clip(const Path& path);

  // ---- the record ----
  const std::vector<DrawOp>& operations() const { return ops_; }
  // Operations of one kind, in order.
  std::vector<DrawOp> operations(DrawOpKind kind) const;
  // Appends another canvas's operations, transformed by `t` first (used to compose a view tree).
  void append(const Canvas& other, const Transform& t);
  void clearOperations() { ops_.clear(); }

 protected:
  // Every recorded operation passes through here; a drawing backend may override it.
  virtual void record(DrawOp op);

 private:
  struct State {
    Color fill = Color::black();
    Color stroke = Color::black();
    double lineWidth = 1;
    LineCap lineCap = LineCap::Butt;
    Transform transform;
  };
  DrawOp make(DrawOpKind kind) const;

  State state_;
  std::vector<State> saved_;
  std::vector<DrawOp> ops_;
};

// ImageContext: an offscreen canvas of a given size whose drawing becomes an Image (the image keeps the
// recorded operations; whoever presents it rasterises them).
class ImageContext {
 public:
  ImageContext(Size size, bool opaque, double scale);
  Canvas& canvas() { return canvas_; }
  // An image of the context's size and scale holding what was drawn so far.
  std::shared_ptr<Image> image(std::string name = "") const;

 private:
  Size size_;
  bool opaque_ = false;
  double scale_ = 1;
  Canvas canvas_;
};

}  // namespace ui
