#pragma once
// ui::gtk::MirrorTree: keeps one Mirror per view of a model window, following the window's observer
// calls: a subtree that enters gets mirrors (each with the content the registry gives its class), one
// that leaves loses them, a reordered view moves, a changed property reaches its mirror.

#include <memory>
#include <unordered_map>
#include <vector>

#include "ui/ViewObserver.h"
#include "ui/Window.h"
#include "ui/gtk/Mirror.h"

namespace ui::gtk {

class MirrorTree : public ViewObserver {
 public:
  explicit MirrorTree(Window& window);
  ~MirrorTree() override;
  MirrorTree(const MirrorTree&) = delete;
  MirrorTree& operator=(const MirrorTree&) = delete;

  Window& window() const { return window_; }
  Mirror& root() const { return *mirrorOf(window_); }
  Mirror* mirrorOf(const View& view) const;

  void viewAdded(View& parent, View& child, std::size_t index) override;
  void viewRemoved(View& parent, View& child) override;
  void viewReordered(View& parent, View& child, std::size_t index) override;
  void viewChanged(View& view, ViewProperty property) override;

 private:
  Mirror& build(View& view);  // the view's mirror and those of its subtree
  void drop(View& view);      // ... and forgets them

  Window& window_;
  std::unordered_map<const View*, std::unique_ptr<Mirror>> mirrors_;
  // Mirrors of views that left, kept until the main loop is idle again: the change that removed them
  // may have come from inside one of their own signal handlers.
  std::vector<std::unique_ptr<Mirror>> leaving_;
  unsigned leavingSource_ = 0;
};

}  // namespace ui::gtk
