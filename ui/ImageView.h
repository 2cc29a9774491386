#pragma once
// ui::ImageView: shows an image (a reference by name; the presenter draws it). Touches pass through.

#include <memory>

#include "ui/Image.h"
#include "ui/View.h"

namespace ui {

enum class ContentMode { ScaleToFill, ScaleAspectFit, ScaleAspectFill, Center, Top, Bottom, Left, Right };

class ImageView : public View {
 public:
  explicit ImageView(Rect frame = {});
  explicit ImageView(std::shared_ptr<Image> image);  // sized to the image
  std::string className() const override { return "ImageView"; }

  const std::shared_ptr<Image>& image() const { return image_; }
  void setImage(std::shared_ptr<Image> image);
  const std::shared_ptr<Image>& highlightedImage() const { return highlightedImage_; }
  void setHighlightedImage(std::shared_ptr<Image> image);
  bool isHighlighted() const { return highlighted_; }
  void setHighlighted(bool highlighted);
  // The image on show: the highlighted one while highlighted (when there is one).
  const std::shared_ptr<Image>& currentImage() const;
  ContentMode contentMode() const { return contentMode_; }
  void setContentMode(ContentMode mode);

  std::string describeSelf() const override;

 private:
  std::shared_ptr<Image> image_;
  std::shared_ptr<Image> highlightedImage_;
  bool highlighted_ = false;
  ContentMode contentMode_ = ContentMode::ScaleToFill;
};

}  // namespace ui
