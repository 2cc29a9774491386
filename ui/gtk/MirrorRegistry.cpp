#include "ui/gtk/MirrorRegistry.h"

#include <vector>

namespace ui::gtk {

namespace {
std::vector<MirrorRegistry::Factory>& factories() {
  static std::vector<MirrorRegistry::Factory> f;
  return f;
}
}  // namespace

void MirrorRegistry::add(Factory factory) {
  if (factory) factories().push_back(std::move(factory));
}

std::unique_ptr<MirrorContent> MirrorRegistry::contentFor(View& view) {
  auto& all = factories();
  for (auto it = all.rbegin(); it != all.rend(); ++it) {
    if (auto content = (*it)(view)) return content;
  }
  return nullptr;
}

}  // namespace ui::gtk
