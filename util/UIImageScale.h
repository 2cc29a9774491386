#pragma once
// The image extension UIImageScale: a part of an image's pixels, and an image fitted into a size.
// Both work on pixels: an image decoded from a file or bytes, or a bundle image (read from its file);
// an image drawn in code has none and gives nullptr.

#include <memory>

#include "ui/Image.h"

// -[UIImage getSubImage:]: the pixels of `image` inside `rect` (in pixels, cut to whole pixels and to the
// image), as a new image of scale 1; nullptr when the rectangle misses the image.
std::shared_ptr<ui::Image> getSubImage(const ui::Image& image, ui::Rect rect);

// -[UIImage scaleToSize:]: a transparent canvas of `size` (scale 1) with the image scaled by the smaller
// of size.height / pixel height and size.width / pixel width drawn centred on it, its origin at half the
// free width and half the free height, each cut to a whole number. nullptr for an empty size.
std::shared_ptr<ui::Image> scaleToSize(const ui::Image& image, ui::Size size);
