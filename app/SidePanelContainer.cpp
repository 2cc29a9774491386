#include "app/SidePanelContainer.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace {

struct MakerSlot {
  std::mutex mutex;
  SidePanelContainer::Maker maker;
};

MakerSlot& slot() {
  static MakerSlot s;
  return s;
}

}  // namespace

void SidePanelContainer::registerMaker(Maker maker) {
  std::lock_guard lock(slot().mutex);
  slot().maker = std::move(maker);
}

SidePanelContainer::Made SidePanelContainer::make(BankCheck check) {
  Maker maker;
  {
    std::lock_guard lock(slot().mutex);
    maker = slot().maker;
  }
  if (!maker) {
    std::fprintf(stderr, "vardo: error: no side-panel container is registered\n");
    return {};
  }
  return maker(std::move(check));
}
