#include "screens/common/ScreenLayout.h"

namespace {

std::shared_ptr<ui::Button> bottomButton(const char* title, ui::Rect frame, ui::Color colour) {
  auto b = std::make_shared<ui::Button>(frame);
  b->setTitle(title);
  b->setTitleColor(ui::Color::white());
  b->setBackgroundColor(colour);
  b->setAutoresizingMask(ui::kAutoresizingFlexibleTopMargin);
  return b;
}

}  // namespace

ScreenLayout::TableScreen ScreenLayout::tableScreen(ui::Rect frame, double bottomInset) {
  TableScreen v;
  v.root = std::make_shared<ui::View>(frame);
  v.root->setBackgroundColor(ui::Color::white());
  v.root->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  const ui::Rect b = v.root->bounds();
  v.table = std::make_shared<ui::TableView>(ui::Rect{0, 0, b.width(), b.height() - bottomInset});
  v.table->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  v.root->addSubview(v.table);
  return v;
}

ScreenLayout::BottomButtons ScreenLayout::bottomButtons(ui::View& root, const char* left, const char* right) {
  const double y = root.bounds().height() - kBottomBarHeight + 8;
  BottomButtons v;
  v.left = bottomButton(left, {20, y, 130, 40}, ui::Color::rgb255(120, 120, 120));
  v.right = bottomButton(right, {170, y, 130, 40}, ui::Color::rgb255(52, 120, 200));
  root.addSubview(v.left);
  root.addSubview(v.right);
  return v;
}
