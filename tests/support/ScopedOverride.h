#pragma once
// A process-wide hook set for one scope: ScopedOverride calls `set(value)` when it is made and
// `set(restore)` when it goes, so the hook comes back even when an assertion ends the test early.
// `restore` is what was there before: the hook's getter where it has one, else its unset value (the
// nullptr or empty function every hook here takes as "none").
//
//   testsupport::ScopedOverride<std::function<int()>> reach{HTTPRequest::setInternetConnectionStatusHook,
//                                                           [] { return 1; }, nullptr};

#include <functional>
#include <utility>

namespace testsupport {

template <typename T>
class ScopedOverride {
 public:
  ScopedOverride(std::function<void(T)> set, T value, T restore)
      : set_(std::move(set)), restore_(std::move(restore)) {
    set_(std::move(value));
  }
  ~ScopedOverride() { set_(std::move(restore_)); }
  ScopedOverride(const ScopedOverride&) = delete;
  ScopedOverride& operator=(const ScopedOverride&) = delete;

 private:
  std::function<void(T)> set_;
  T restore_;
};

}  // namespace testsupport
