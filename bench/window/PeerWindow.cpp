// window_peer: the window benchmark's peer, a minimal WebKitGTK program. One 320 x 480 window holding one
// web view; it shows the question pages the application builds (written by window_bench into a folder),
// loading the next one into its one view where the application moves to the next question.
//
//   window_peer T0 PAGES_DIR BASE_URL MOVES
//
// T0 is the start on the monotonic clock in microseconds (the moment window_bench started it). Prints
// "name value" lines: first_frame_ms, open_ms (the first page's load to painted), move_ms (once per next
// page: the load to painted), pss_mb, processes, web_processes, renderer.

#include <gtk/gtk.h>
#include <unistd.h>
#include <webkit/webkit.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "bench/window/BenchClock.h"

namespace {

using winbench::nowUs;

struct Peer {
  GtkWidget* window = nullptr;
  WebKitWebView* view = nullptr;
  winbench::PaintWatch paints;
  std::string pagesDir;
  std::string base;
  bool probing = false;
  bool painted = false;
  std::int64_t paintedAt = 0;
};

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void probe(Peer& peer, const std::string& text) {
  peer.probing = true;
  const std::string script = winbench::paintProbeScript(text);
  webkit_web_view_evaluate_javascript(
      peer.view, script.c_str(), -1, nullptr, nullptr, nullptr,
      [](GObject* object, GAsyncResult* result, gpointer data) {
        auto* p = static_cast<Peer*>(data);
        p->probing = false;
        JSCValue* value =
            webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(object), result, nullptr);
        if (value && jsc_value_is_number(value) && jsc_value_to_int32(value) == 1 && !p->painted) {
          p->painted = true;
          p->paintedAt = nowUs();
          // WebKit's frame may have reached the window already: the next frame shows the page.
          gtk_widget_queue_draw(p->window);
        }
        if (value) g_object_unref(value);
      },
      &peer);
}

// Loads page `index` and runs until WebKit has painted it and the window has shown that; the time from
// the load to that frame, in milliseconds (negative on time-out).
double showPage(Peer& peer, int index) {
  const std::string html = readFile(peer.pagesDir + "/page-" + std::to_string(index) + ".html");
  const std::string text = "第" + std::to_string(index + 1) + "题";
  peer.painted = false;
  const std::int64_t start = nowUs();
  webkit_web_view_load_html(peer.view, html.c_str(), peer.base.c_str());
  const bool ok = winbench::runUntil(
      [&] {
        if (!peer.painted) {
          if (!peer.probing) probe(peer, text);
          return false;
        }
        return peer.paints.firstPaintAfter(peer.paintedAt) != 0;
      },
      60);
  if (!ok) return -1;
  return static_cast<double>(peer.paints.firstPaintAfter(peer.paintedAt) - start) / 1000.0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: window_peer T0 PAGES_DIR BASE_URL MOVES\n");
    return 2;
  }
  const std::int64_t t0 = std::atoll(argv[1]);
  // VD_BENCH_VERBOSE=1: the start's steps, as the application's side prints them.
  const bool verbose = std::getenv("VD_BENCH_VERBOSE") != nullptr;
  auto mark = [&](const char* what) {
    if (verbose)
      std::fprintf(stderr, "peer start: %s %.1f ms\n", what, static_cast<double>(nowUs() - t0) / 1000.0);
  };
  mark("main");
  Peer peer;
  peer.pagesDir = argv[2];
  peer.base = argv[3];
  const int moves = std::atoi(argv[4]);
  if (::geteuid() == 0) setenv("WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS", "1", 0);
  if (!gtk_init_check()) {
    std::fprintf(stderr, "window_peer: no display\n");
    return 2;
  }
  mark("display open");
  peer.window = gtk_window_new();
  gtk_window_set_default_size(GTK_WINDOW(peer.window), 320, 480);
  gtk_window_set_resizable(GTK_WINDOW(peer.window), FALSE);
  peer.view = WEBKIT_WEB_VIEW(webkit_web_view_new());
  WebKitSettings* settings = webkit_web_view_get_settings(peer.view);
  webkit_settings_set_allow_file_access_from_file_urls(settings, TRUE);
  gtk_window_set_child(GTK_WINDOW(peer.window), GTK_WIDGET(peer.view));
  mark("window made");
  gtk_window_present(GTK_WINDOW(peer.window));
  mark("shown");
  peer.paints.attach(peer.window);
  if (!winbench::runUntil([&] { return !peer.paints.paints().empty(); }, 30)) return 1;
  winbench::report("first_frame_ms", static_cast<double>(peer.paints.paints().front() - t0) / 1000.0);
  winbench::reportText("renderer", winbench::rendererOf(peer.window));

  // The first page: what a one-view program pays to show a question from its start.
  winbench::report("open_ms", showPage(peer, 0));
  for (int i = 1; i <= moves; ++i) winbench::report("move_ms", showPage(peer, i));
  winbench::runUntil([] { return false; }, 1.5);  // at rest, as the window's side
  const winbench::Memory memory = winbench::memoryOf(static_cast<int>(::getpid()));
  winbench::report("pss_mb", memory.pssMB);
  winbench::report("processes", memory.processes);
  winbench::report("web_processes", memory.webProcesses);
  gtk_window_destroy(GTK_WINDOW(peer.window));
  return 0;
}
