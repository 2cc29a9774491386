#include "app/DownloadState.h"

namespace {

constexpr const char* kFirstOpenMain = "isFirstOpenMain";
constexpr const char* kEvenMore = "isEvenMore";
constexpr const char* kHavefileName = "isHavefileName";
constexpr const char* kMain = "Main";
constexpr const char* kUpdateDB = "isUpdateDB";

bool flag(const core::Value& down, const char* key) { return down[key].toBool(false); }

}  // namespace

DownloadState DownloadState::from(const core::Value& downSession) {
  if (!downSession.isDictionary()) return {};
  return {.isFirstOpenMain = flag(downSession, kFirstOpenMain),
          .isEvenMore = flag(downSession, kEvenMore),
          .isHavefileName = flag(downSession, kHavefileName),
          .main = flag(downSession, kMain),
          .isUpdateDB = flag(downSession, kUpdateDB)};
}

void DownloadState::writeTo(core::Value& downSession) const {
  if (!downSession.isDictionary()) return;
  downSession.set(kFirstOpenMain, isFirstOpenMain);
  downSession.set(kEvenMore, isEvenMore);
  downSession.set(kHavefileName, isHavefileName);
  downSession.set(kMain, main);
  downSession.set(kUpdateDB, isUpdateDB);
}
