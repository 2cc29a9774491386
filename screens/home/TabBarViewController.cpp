#include "screens/home/TabBarViewController.h"

#include <array>

#include "ui/Image.h"

namespace {
// The picture names by tag: selected, unselected.
constexpr std::array<std::pair<const char*, const char*>, 4> kPictures{{
    {"homepage_down@2x", "homepage_up@2x"},
    {"chapter_down@2x", "chapter_up@2x"},
    {"exam_down@2x", "exam_up@2x"},
    {"more_down@2x", "more_up@2x"},
}};

std::shared_ptr<ui::Image> atScale2(const char* name) {
  auto image = ui::Image::named(name);
  if (image->scale() == 2) return image;
  return ui::Image::create(name, {image->size().width / 2, image->size().height / 2}, 2);
}
}  // namespace

void TabBarViewController::viewDidLoad() {
  for (const auto& item : tabbar().items()) {
    const int tag = item->tag();
    if (tag >= 0 && tag < static_cast<int>(kPictures.size())) {
      const auto& [selected, unselected] = kPictures[static_cast<std::size_t>(tag)];
      item->setFinishedSelectedImage(atScale2(selected), atScale2(unselected));
    }
    item->setImageInsets({6, 0, -6, 0});
  }
}
