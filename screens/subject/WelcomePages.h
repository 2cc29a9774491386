#pragma once
// WelcomePages: the pages a first start lays over the whole window before the subject choice: a
// paging scroll view the size of the window with the images "introduce1.png" to "introduce3.png" on
// its first three pages and an empty fourth page. Reaching the fourth page (a horizontal content
// offset of three page widths) ends them, as the owner's start does.
//
// The scroll view goes in front of every screen on the window (behind alerts). Its owner hides it
// when the pages end and lets go of it with dismiss(), which takes it off the window on the next turn
// of the main loop: the pages usually end inside the scroll view's own callback, which must not
// destroy the view it runs in.

#include <memory>

#include "ui/ScrollView.h"

class WelcomePages {
 public:
  static constexpr int kImagePages = 3;
  static constexpr double kPageWidth = 320;
  static constexpr double kDecelerationRate = 10.0;

  // Makes the pages with the window's bounds and lays them on the window; nullptr without a window.
  static std::shared_ptr<ui::ScrollView> show(ui::Window* window,
                                              std::weak_ptr<ui::ScrollViewDelegate> delegate);
  // Whether the pages show the empty fourth page: the whole number of the content offset's x over
  // the page width is 3.
  static bool reachedEnd(const ui::ScrollView& pages);
  // Hides the pages and takes them off the window on the next turn of the main loop.
  static void dismiss(const std::shared_ptr<ui::ScrollView>& pages);
};
