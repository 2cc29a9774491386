#pragma once
// The main run loop on another clock (a ManualClock, mostly) for one scope; the clock it had before
// comes back when the scope ends.

#include <memory>
#include <utility>

#include "platform/runloop/RunLoop.h"
#include "tests/support/ScopedOverride.h"

namespace testsupport {

class ScopedMainClock : public ScopedOverride<std::shared_ptr<rl::Clock>> {
 public:
  explicit ScopedMainClock(std::shared_ptr<rl::Clock> clock)
      : ScopedOverride([](std::shared_ptr<rl::Clock> c) { rl::RunLoop::main().setClock(std::move(c)); },
                       std::move(clock), rl::RunLoop::main().clock()) {}
};

}  // namespace testsupport
