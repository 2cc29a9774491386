#pragma once
// What the window benchmark's programs share: the clock (CLOCK_MONOTONIC microseconds, the same in every
// process of the run, and GLib's and GDK's frame clock's), the paint watch of a window, the probe that
// tells when WebKit has painted a page, and the memory of a process with its children.

#include <glib.h>

#include <cstdint>
#include <string>
#include <vector>

typedef struct _GtkWidget GtkWidget;
typedef struct _GdkFrameClock GdkFrameClock;

namespace winbench {

inline std::int64_t nowUs() { return g_get_monotonic_time(); }

// Every frame the window paints, by the time its paint ended.
class PaintWatch {
 public:
  // Watches the window's frame clock (the window must be shown).
  void attach(GtkWidget* window);
  const std::vector<std::int64_t>& paints() const { return paints_; }
  // The first paint that ended after `t`; 0 when none yet.
  std::int64_t firstPaintAfter(std::int64_t t) const;
  int paintsBetween(std::int64_t from, std::int64_t to) const;

 private:
  std::vector<std::int64_t> paints_;
};

// A script to evaluate again and again until it returns "1": the page holds `text`, and WebKit has run
// two animation frames since (so it has painted the page holding it).
std::string paintProbeScript(const std::string& text);

// Runs the GLib main loop until done() or `seconds`; false on time-out.
template <typename Done>
bool runUntil(Done done, double seconds) {
  const std::int64_t end = nowUs() + static_cast<std::int64_t>(seconds * 1e6);
  const guint wake = g_timeout_add(
      5, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  while (!done() && nowUs() < end) g_main_context_iteration(nullptr, TRUE);
  g_source_remove(wake);
  return done();
}

struct Memory {
  double pssMB = 0;  // the process and all its descendants (smaps_rollup)
  int processes = 0;
  int webProcesses = 0;  // WebKit web processes among them
};
Memory memoryOf(int pid);

// One result line of a run ("name value"), on standard output.
void report(const std::string& name, double value);
void reportText(const std::string& name, const std::string& value);
// The renderer GTK chose for the window ("GskGLRenderer", "GskCairoRenderer", ...).
std::string rendererOf(GtkWidget* window);

}  // namespace winbench
