#include "screens/subject/WelcomePages.h"

#include <string>

#include "platform/runloop/RunLoop.h"
#include "ui/Image.h"
#include "ui/ImageView.h"
#include "ui/Window.h"

std::shared_ptr<ui::ScrollView> WelcomePages::show(ui::Window* window,
                                                   std::weak_ptr<ui::ScrollViewDelegate> delegate) {
  if (!window) return nullptr;
  const ui::Rect bounds = window->bounds();
  const double width = bounds.size.width;
  const double height = bounds.size.height;
  auto pages = std::make_shared<ui::ScrollView>(bounds);
  pages->setContentSize({(kImagePages + 1) * width, height});
  pages->setPagingEnabled(true);
  pages->setShowsHorizontalScrollIndicator(false);
  pages->setBounces(false);
  pages->setDecelerationRate(kDecelerationRate);
  pages->setScrollViewDelegate(std::move(delegate));
  for (int i = 1; i <= kImagePages; ++i) {
    auto image = std::make_shared<ui::ImageView>(ui::Rect{(i - 1) * width, 0, width, height});
    image->setImage(ui::Image::create("introduce" + std::to_string(i) + ".png", {width, height}));
    pages->addSubview(image);
  }
  window->addFrontView(pages);
  return pages;
}

bool WelcomePages::reachedEnd(const ui::ScrollView& pages) {
  return static_cast<int>(pages.contentOffset().x / kPageWidth) == kImagePages;
}

void WelcomePages::dismiss(const std::shared_ptr<ui::ScrollView>& pages) {
  if (!pages) return;
  pages->setHidden(true);
  rl::RunLoop::main().post([pages] { pages->removeFromSuperview(); });
}
