#pragma once
// A reference to an image by name and size. The model never decodes pixels: whoever presents the model
// (the GTK window) loads the named image itself. An image drawn in code (ImageContext) has no file: it
// carries the drawing operations that make it instead.

#include <memory>
#include <string>
#include <vector>

#include "ui/Geometry.h"

namespace ui {

struct DrawOp;

class Image {
 public:
  // An image called `name` of `size` points at `scale` pixels per point.
  static std::shared_ptr<Image> create(std::string name, Size size = {}, double scale = 1);

  const std::string& name() const { return name_; }
  Size size() const { return size_; }
  double scale() const { return scale_; }
  // The parts that stay unstretched when the image is drawn larger (all zero: stretched as a whole).
  const EdgeInsets& capInsets() const { return capInsets_; }
  bool isResizable() const { return resizable_; }
  // A copy that stretches with the given caps (stretchableImage / resizableImageWithCapInsets).
  std::shared_ptr<Image> resizable(EdgeInsets caps) const;

  // The operations that draw the image, for images made by an ImageContext; empty for named images.
  const std::vector<DrawOp>& drawing() const;
  bool isDrawn() const { return drawing_ != nullptr; }
  // An image made by drawing (ImageContext::image).
  static std::shared_ptr<Image> drawn(std::string name, Size size, double scale,
                                      std::shared_ptr<const std::vector<DrawOp>> ops);

  Image(std::string name, Size size, double scale);  // use create()

 private:
  std::string name_;
  Size size_;
  double scale_ = 1;
  EdgeInsets capInsets_;
  bool resizable_ = false;
  std::shared_ptr<const std::vector<DrawOp>> drawing_;
};

}  // namespace ui
