#pragma once
// ui::Image: an image by name (a bundle file the presenter draws), by a picture file's bytes (a JPEG or
// PNG the application wrote or downloaded, which the presenter decodes), by pixels (decoded or made from
// other pixels), or by drawing (an ImageContext's recorded operations).
//
// Named images: create(name, size) is a plain reference; named(name) looks the file up in the bundle as
// the platform's imageNamed: did ("name", then "name.png", then "name@2x.png" at scale 2) and takes its
// size in points from the file. Pixels are decoded through gdk-pixbuf (ui/PixbufCodec.h): PNG, JPEG, GIF
// and the other formats it reads.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/Geometry.h"

namespace ui {

struct DrawOp;

// Pixels: straight (not premultiplied) RGBA, 8 bits a channel, rows from the top, no padding.
struct RGBABitmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;  // width * height * 4 bytes

  bool isEmpty() const { return width <= 0 || height <= 0; }
  // The pixel at (x, y) as 0xRRGGBBAA; 0 outside.
  std::uint32_t pixel(int x, int y) const;
  friend bool operator==(const RGBABitmap&, const RGBABitmap&) = default;
};

class Image {
 public:
  // An image called `name` of `size` points at `scale` pixels per point.
  static std::shared_ptr<Image> create(std::string name, Size size = {}, double scale = 1);
  // The bundle image `name` with its file's size; a sizeless reference when the bundle has no such file
  // (said once per name on standard error).
  static std::shared_ptr<Image> named(const std::string& name);
  // An image of a picture file's bytes (JPEG or PNG, as ui::ImageCodec accepts them), sized from the
  // file's header in points of one pixel; nullptr when the header is not such a picture's (a damaged
  // body shows only when the picture is decoded).
  static std::shared_ptr<Image> withData(std::string bytes, std::string name = "");
  // The same for the file at `path` (named after the path); nullptr when it cannot be read or is no
  // picture.
  static std::shared_ptr<Image> withContentsOfFile(const std::string& path);
  // The picture file's bytes; empty for named, drawn and pixel images.
  const std::string& data() const;
  bool hasData() const { return data_ != nullptr; }
  // The same bytes, shared (whoever caches their decoded pixels can tell when they are gone).
  const std::shared_ptr<const std::string>& sharedData() const { return data_; }
  // Decoded pixels of bytes in any format gdk-pixbuf reads; nullptr when they are no such image.
  static std::shared_ptr<Image> decoded(std::string_view bytes, double scale = 1);
  // An image of these pixels (its size is the pixel size divided by the scale).
  static std::shared_ptr<Image> withBitmap(RGBABitmap bitmap, double scale = 1, std::string name = "");

  const std::string& name() const { return name_; }
  Size size() const { return size_; }
  double scale() const { return scale_; }
  // The file a named image was found in ("" when none).
  const std::string& filePath() const { return filePath_; }
  // The decoded pixels; nullptr for references by name and for drawn images.
  const std::shared_ptr<const RGBABitmap>& bitmap() const { return bitmap_; }
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
  std::string filePath_;
  EdgeInsets capInsets_;
  bool resizable_ = false;
  std::shared_ptr<const std::vector<DrawOp>> drawing_;
  std::shared_ptr<const RGBABitmap> bitmap_;
  std::shared_ptr<const std::string> data_;
};

// The pixels of an image: its own, or decoded from its bytes or its bundle file; nullopt for drawn and
// unfound images and for bytes that do not decode.
std::optional<RGBABitmap> pixelsOf(const Image& image);

// UIImagePNGRepresentation / UIImageJPEGRepresentation (quality 0...1): the encoded bytes of an image with
// pixels (pixelsOf); nullopt when there are none or encoding fails.
std::optional<std::string> imagePNGRepresentation(const Image& image);
std::optional<std::string> imageJPEGRepresentation(const Image& image, double quality);

}  // namespace ui
