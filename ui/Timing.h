#pragma once
// Work the UI model schedules on the main run loop's clock: the end of screen transitions, alert
// dismissals and (later) animation completions. It runs in the run loop's common modes, so it waits while
// a synchronous request runs the loop in its own mode, as the platform's did.

#include <functional>
#include <memory>
#include <optional>

namespace rl {
class Timer;
}

namespace ui {

// Runs fn on the main thread `seconds` from now (on the main run loop's clock). Invalidate the returned
// timer to cancel it.
std::shared_ptr<rl::Timer> scheduleAfter(double seconds, std::function<void()> fn);
// The earliest fire time of UI work still pending, on the main run loop's clock; nullopt when none.
// The test harness's settle() advances the clock to it until nothing is left.
std::optional<double> nextScheduledTime();

}  // namespace ui
