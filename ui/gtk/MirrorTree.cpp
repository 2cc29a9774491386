#include "ui/gtk/MirrorTree.h"

#include <gtk/gtk.h>

#include "ui/gtk/MirrorRegistry.h"

namespace ui::gtk {

MirrorTree::MirrorTree(Window& window) : window_(window) {
  build(window_);
  window_.addObserver(this);
}

MirrorTree::~MirrorTree() {
  window_.removeObserver(this);
  drop(window_);
  if (leavingSource_) g_source_remove(leavingSource_);
  leaving_.clear();
}

Mirror* MirrorTree::mirrorOf(const View& view) const {
  auto it = mirrors_.find(&view);
  return it == mirrors_.end() ? nullptr : it->second.get();
}

Mirror& MirrorTree::build(View& view) {
  auto mirror = std::make_unique<Mirror>(*this, view, MirrorRegistry::contentFor(view));
  Mirror& m = *mirror;
  mirrors_[&view] = std::move(mirror);
  const auto& subviews = view.subviews();
  for (std::size_t i = 0; i < subviews.size(); ++i) m.placeChild(build(*subviews[i]), i);
  return m;
}

void MirrorTree::drop(View& view) {
  for (auto& child : view.subviews()) drop(*child);
  auto it = mirrors_.find(&view);
  if (it == mirrors_.end()) return;
  std::unique_ptr<Mirror> mirror = std::move(it->second);
  mirrors_.erase(it);
  if (gtk_widget_get_parent(mirror->widget())) gtk_widget_unparent(mirror->widget());
  leaving_.push_back(std::move(mirror));
  if (!leavingSource_) {
    leavingSource_ = g_idle_add(
        [](gpointer self) -> gboolean {
          auto* tree = static_cast<MirrorTree*>(self);
          tree->leavingSource_ = 0;
          auto leaving = std::move(tree->leaving_);
          tree->leaving_.clear();
          return G_SOURCE_REMOVE;
        },
        this);
  }
}

void MirrorTree::viewAdded(View& parent, View& child, std::size_t index) {
  Mirror* p = mirrorOf(parent);
  if (!p) return;
  if (mirrorOf(child)) drop(child);
  p->placeChild(build(child), index);
}

void MirrorTree::viewRemoved(View& parent, View& child) {
  drop(child);
  if (Mirror* p = mirrorOf(parent)) gtk_widget_queue_allocate(p->widget());
}

void MirrorTree::viewReordered(View& parent, View& child, std::size_t index) {
  Mirror* p = mirrorOf(parent);
  Mirror* c = mirrorOf(child);
  if (p && c) p->placeChild(*c, index);
}

void MirrorTree::viewChanged(View& view, ViewProperty property) {
  if (Mirror* m = mirrorOf(view)) m->changed(property);
}

}  // namespace ui::gtk
