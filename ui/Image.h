#pragma once
// A reference to an image by name and size. The model never decodes pixels: whoever presents the model
// (the GTK window) loads the named image itself. An image drawn in code (ImageContext) has no file: it
// carries the drawing operations that make it instead. An image made from a picture file's bytes (a
// JPEG or PNG the application wrote or downloaded) carries those bytes, which the presenter decodes.

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

  // An image of a picture file's bytes (JPEG or PNG, as ui::ImageCodec accepts them), sized from the
  // file's header in points of one pixel; nullptr when the header is not such a picture's (a damaged
  // body shows only when the picture is decoded).
  static std::shared_ptr<Image> withData(std::string bytes, std::string name = "");
  // The same for the file at `path` (named after the path); nullptr when it cannot be read or is no
  // picture.
  static std::shared_ptr<Image> withContentsOfFile(const std::string& path);
  // The picture file's bytes; empty for named and drawn images.
  const std::string& data() const;
  bool hasData() const { return data_ != nullptr; }

  Image(std::string name, Size size, double scale);  // use create()

 private:
  std::string name_;
  Size size_;
  double scale_ = 1;
  EdgeInsets capInsets_;
  bool resizable_ = false;
  std::shared_ptr<const std::vector<DrawOp>> drawing_;
  std::shared_ptr<const std::string> data_;
};

}  // namespace ui
