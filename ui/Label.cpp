#include "ui/Label.h"

#include "ui/ImageView.h"

namespace ui {

Label::Label(Rect frame, std::string text) : View(frame), text_(std::move(text)) {
  setUserInteractionEnabled(false);
}

void Label::setText(std::string text) {
  if (text == text_) return;
  text_ = std::move(text);
  notify(ViewProperty::Text);
}

void Label::setFont(Font font) {
  if (font == font_) return;
  font_ = std::move(font);
  notify(ViewProperty::Font);
}

void Label::setTextColor(Color color) {
  if (color == textColor_) return;
  textColor_ = std::move(color);
  notify(ViewProperty::TextColor);
}

void Label::setTextAlignment(TextAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  notify(ViewProperty::TextAlignment);
}

void Label::setNumberOfLines(int lines) {
  if (lines < 0) lines = 0;
  if (lines == numberOfLines_) return;
  numberOfLines_ = lines;
  notify(ViewProperty::NumberOfLines);
}

void Label::setLineBreakMode(LineBreakMode mode) {
  if (mode == lineBreakMode_) return;
  lineBreakMode_ = mode;
  notify(ViewProperty::NumberOfLines);
}

void Label::setShadow(Color color, Size offset) {
  shadowColor_ = std::move(color);
  shadowOffset_ = offset;
  notify(ViewProperty::Shadow);
}

void Label::setAdjustsFontSizeToFitWidth(bool adjusts) {
  if (adjusts == adjustsFontSize_) return;
  adjustsFontSize_ = adjusts;
  notify(ViewProperty::Font);
}

std::string Label::describeSelf() const { return View::describeSelf() + " \"" + text_ + "\""; }

// ---- ImageView ----

ImageView::ImageView(Rect frame) : View(frame) { setUserInteractionEnabled(false); }

ImageView::ImageView(std::shared_ptr<Image> image)
    : View(Rect({0, 0}, image ? image->size() : Size{})), image_(std::move(image)) {
  setUserInteractionEnabled(false);
}

void ImageView::setImage(std::shared_ptr<Image> image) {
  if (image == image_) return;
  image_ = std::move(image);
  notify(ViewProperty::Image);
}

void ImageView::setHighlightedImage(std::shared_ptr<Image> image) {
  if (image == highlightedImage_) return;
  highlightedImage_ = std::move(image);
  notify(ViewProperty::Image);
}

void ImageView::setHighlighted(bool highlighted) {
  if (highlighted == highlighted_) return;
  highlighted_ = highlighted;
  notify(ViewProperty::Image);
}

const std::shared_ptr<Image>& ImageView::currentImage() const {
  return highlighted_ && highlightedImage_ ? highlightedImage_ : image_;
}

void ImageView::setContentMode(ContentMode mode) {
  if (mode == contentMode_) return;
  contentMode_ = mode;
  notify(ViewProperty::Image);
}

std::string ImageView::describeSelf() const {
  const auto& img = currentImage();
  return View::describeSelf() + (img ? " image=" + img->name() : std::string());
}

}  // namespace ui
