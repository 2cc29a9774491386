#pragma once
// ui::gtk::GLibRunLoopSource: drives an rl::RunLoop (the main thread's) from GLib's main loop, so the
// model's posted tasks, timers and watched file descriptors run while GTK runs. GLib sleeps on the run
// loop's wakeup fd and its watched fds, for no longer than the next timer; each dispatch is one pass of
// the run loop in its default mode that never waits.

typedef struct _GSource GSource;

namespace rl {
class RunLoop;
}

namespace ui::gtk {

class GLibRunLoopSource {
 public:
  explicit GLibRunLoopSource(rl::RunLoop& loop);  // attached to GLib's default main context
  ~GLibRunLoopSource();
  GLibRunLoopSource(const GLibRunLoopSource&) = delete;
  GLibRunLoopSource& operator=(const GLibRunLoopSource&) = delete;

 private:
  GSource* source_ = nullptr;
};

}  // namespace ui::gtk
