#include "bench/window/BenchClock.h"

#include <dirent.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

namespace winbench {

void PaintWatch::attach(GtkWidget* window) {
  GdkFrameClock* clock = gtk_widget_get_frame_clock(window);
  if (!clock) return;
  g_signal_connect(clock, "after-paint", G_CALLBACK(+[](GdkFrameClock*, gpointer self) {
                     static_cast<PaintWatch*>(self)->paints_.push_back(nowUs());
                   }),
                   this);
}

std::int64_t PaintWatch::firstPaintAfter(std::int64_t t) const {
  for (std::int64_t p : paints_)
    if (p > t) return p;
  return 0;
}

int PaintWatch::paintsBetween(std::int64_t from, std::int64_t to) const {
  int n = 0;
  for (std::int64_t p : paints_)
    if (p > from && p <= to) ++n;
  return n;
}

std::string paintProbeScript(const std::string& text) {
  return "(function () {"
         "  if (!(document.body && document.body.innerText.indexOf('" +
         text +
         "') >= 0)) return 0;"
         "  if (window.__vdProbe === undefined) {"
         "    window.__vdProbe = 0;"
         "    requestAnimationFrame(function () { requestAnimationFrame(function () { window.__vdProbe = 1; "
         "}); });"
         "  }"
         "  return window.__vdProbe;"
         "})()";
}

namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

Memory memoryOf(int pid) {
  // Parents of every process, from /proc/N/stat (the field after the parenthesised name).
  std::map<int, int> parent;
  std::map<int, std::string> name;
  if (DIR* dir = opendir("/proc")) {
    while (dirent* e = readdir(dir)) {
      const int p = std::atoi(e->d_name);
      if (p <= 0) continue;
      const std::string stat = readFile("/proc/" + std::string(e->d_name) + "/stat");
      const auto open = stat.find('('), close = stat.rfind(')');
      if (open == std::string::npos || close == std::string::npos || close + 4 >= stat.size()) continue;
      name[p] = stat.substr(open + 1, close - open - 1);
      parent[p] = std::atoi(stat.c_str() + close + 4);  // ") S PPID"
    }
    closedir(dir);
  }
  Memory m;
  std::vector<int> todo{pid};
  while (!todo.empty()) {
    const int p = todo.back();
    todo.pop_back();
    ++m.processes;
    if (name[p].starts_with("WebKitWebProces")) ++m.webProcesses;
    std::istringstream rollup(readFile("/proc/" + std::to_string(p) + "/smaps_rollup"));
    for (std::string line; std::getline(rollup, line);)
      if (line.starts_with("Pss:")) {
        const double mb = std::atof(line.c_str() + 4) / 1024.0;
        m.pssMB += mb;
        if (std::getenv("VD_BENCH_VERBOSE")) std::fprintf(stderr, "pss %s %.1f MB\n", name[p].c_str(), mb);
        if (std::getenv("VD_BENCH_MAPS")) {
          // The largest mappings, by what they add to the figure.
          std::istringstream maps(readFile("/proc/" + std::to_string(p) + "/smaps"));
          std::map<std::string, double> by;
          std::string mapping;
          for (std::string l; std::getline(maps, l);) {
            if (!l.empty() && std::isxdigit(static_cast<unsigned char>(l[0])) && l.find('-') < 16) {
              const auto slash = l.find_first_of("/[");
              mapping = slash == std::string::npos ? "[anon]" : l.substr(slash);
            } else if (l.starts_with("Pss:")) {
              by[mapping] += std::atof(l.c_str() + 4) / 1024.0;
            }
          }
          std::vector<std::pair<double, std::string>> top;
          for (const auto& [k, v] : by) top.push_back({v, k});
          std::sort(top.rbegin(), top.rend());
          for (std::size_t i = 0; i < top.size() && i < 8; ++i)
            std::fprintf(stderr, "    %7.1f MB %s\n", top[i].first, top[i].second.c_str());
        }
      }
    for (const auto& [child, up] : parent)
      if (up == p) todo.push_back(child);
  }
  return m;
}

void report(const std::string& name, double value) {
  std::printf("%s %.3f\n", name.c_str(), value);
  std::fflush(stdout);
}

void reportText(const std::string& name, const std::string& value) {
  std::printf("%s %s\n", name.c_str(), value.c_str());
  std::fflush(stdout);
}

std::string rendererOf(GtkWidget* window) {
  GskRenderer* renderer = gtk_native_get_renderer(GTK_NATIVE(window));
  return renderer ? G_OBJECT_TYPE_NAME(renderer) : "none";
}

}  // namespace winbench
