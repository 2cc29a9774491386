#include "ui/Canvas.h"

#include "ui/Image.h"

namespace ui {

const char* toString(DrawOpKind kind) {
  switch (kind) {
    case DrawOpKind::FillPath:
      return "fillPath";
    case DrawOpKind::StrokePath:
      return "strokePath";
    case DrawOpKind::FillRect:
      return "fillRect";
    case DrawOpKind::StrokeRect:
      return "strokeRect";
    case DrawOpKind::ClearRect:
      return "clearRect";
    case DrawOpKind::Text:
      return "text";
    case DrawOpKind::Image:
      return "image";
    case DrawOpKind::LinearGradient:
      return "linearGradient";
    case DrawOpKind::RadialGradient:
      return "radialGradient";
    case DrawOpKind::Clip:
      return "clip";
    case DrawOpKind::Save:
      return "save";
    case DrawOpKind::Restore:
      return "restore";
  }
  return "?";
}

void Canvas::concat(const Transform& t) { state_.transform = t.concat(state_.transform); }

void Canvas::save() {
  saved_.push_back(state_);
  record(make(DrawOpKind::Save));
}

void Canvas::restore() {
  if (saved_.empty()) return;
  state_ = saved_.back();
  saved_.pop_back();
  record(make(DrawOpKind::Restore));
}

DrawOp Canvas::make(DrawOpKind kind) const {
  DrawOp op;
  op.kind = kind;
  op.fill = state_.fill;
  op.stroke = state_.stroke;
  op.lineWidth = state_.lineWidth;
  op.lineCap = state_.lineCap;
  op.transform = state_.transform;
  return op;
}

void Canvas::record(DrawOp op) { ops_.push_back(std::move(op)); }

void Canvas::fillPath(const Path& path) {
  DrawOp op = make(DrawOpKind::FillPath);
  op.path = path;
  op.rect = path.bounds();
  record(std::move(op));
}

void Canvas::strokePath(const Path& path) {
  DrawOp op = make(DrawOpKind::StrokePath);
  op.path = path;
  op.rect = path.bounds();
  record(std::move(op));
}

void Canvas::fillRect(Rect rect) {
  DrawOp op = make(DrawOpKind::FillRect);
  op.rect = rect;
  op.path = Path::rect(rect);
  record(std::move(op));
}

void Canvas::strokeRect(Rect rect) {
  DrawOp op = make(DrawOpKind::StrokeRect);
  op.rect = rect;
  op.path = Path::rect(rect);
  record(std::move(op));
}

void Canvas::clearRect(Rect rect) {
  DrawOp op = make(DrawOpKind::ClearRect);
  op.rect = rect;
  record(std::move(op));
}

void Canvas::drawText(std::string_view text, Rect rect, const Font& font, TextAlignment alignment,
                      LineBreakMode lineBreak) {
  DrawOp op = make(DrawOpKind::Text);
  op.text = std::string(text);
  op.rect = rect;
  op.font = font;
  op.alignment = alignment;
  op.lineBreak = lineBreak;
  record(std::move(op));
}

void Canvas::drawImage(std::shared_ptr<const Image> image, Rect rect) {
  if (!image) return;
  DrawOp op = make(DrawOpKind::Image);
  op.image = std::move(image);
  op.rect = rect;
  record(std::move(op));
}

void Canvas::drawLinearGradient(Point start, Point end, std::vector<GradientStop> stops) {
  DrawOp op = make(DrawOpKind::LinearGradient);
  op.start = start;
  op.end = end;
  op.stops = std::move(stops);
  record(std::move(op));
}

void Canvas::drawRadialGradient(Point center, double startRadius, double endRadius,
                                std::vector<GradientStop> stops, bool drawsAfterEnd) {
  DrawOp op = make(DrawOpKind::RadialGradient);
  op.start = center;
  op.end = center;
  op.startRadius = startRadius;
  op.endRadius = endRadius;
  op.stops = std::move(stops);
  op.drawsAfterEnd = drawsAfterEnd;
  record(std::move(op));
}

void Canvas::clip(const Path& path) {
  DrawOp op = make(DrawOpKind::Clip);
  op.path = path;
  op.rect = path.bounds();
  record(std::move(op));
}

std::vector<DrawOp> Canvas::operations(DrawOpKind kind) const {
  std::vector<DrawOp> out;
  for (const auto& op : ops_) {
    if (op.kind == kind) out.push_back(op);
  }
  return out;
}

void Canvas::append(const Canvas& other, const Transform& t) {
  for (DrawOp op : other.ops_) {
    op.transform = op.transform.concat(t);
    record(std::move(op));
  }
}

// ---- ImageContext ----

ImageContext::ImageContext(Size size, bool opaque, double scale)
    : size_(size), opaque_(opaque), scale_(scale > 0 ? scale : 1) {}

std::shared_ptr<Image> ImageContext::image(std::string name) const {
  auto ops = std::make_shared<const std::vector<DrawOp>>(canvas_.operations());
  return Image::drawn(std::move(name), size_, scale_, std::move(ops));
}

}  // namespace ui
