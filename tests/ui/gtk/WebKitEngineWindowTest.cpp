// The pages of the window share one web process: pages shown side by side run in one process, and a
// page that comes after every other page has gone finds that process still running rather than
// starting one of its own.

#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/ui/gtk/WindowSession.h"
#include "ui/gtk/WebKitEngine.h"

using gtktest::WindowSession;

namespace {

// The web processes among this process's descendants.
std::set<int> webProcesses() {
  std::map<int, int> parent;
  std::map<int, std::string> name;
  if (DIR* dir = opendir("/proc")) {
    while (dirent* e = readdir(dir)) {
      const int p = std::atoi(e->d_name);
      if (p <= 0) continue;
      std::ifstream in("/proc/" + std::string(e->d_name) + "/stat");
      std::stringstream text;
      text << in.rdbuf();
      const std::string stat = text.str();
      const auto open = stat.find('('), close = stat.rfind(')');
      if (open == std::string::npos || close == std::string::npos || close + 4 >= stat.size()) continue;
      name[p] = stat.substr(open + 1, close - open - 1);
      parent[p] = std::atoi(stat.c_str() + close + 4);  // ") S PPID"
    }
    closedir(dir);
  }
  std::set<int> found;
  for (const auto& [p, n] : name) {
    if (!n.starts_with("WebKitWebProces")) continue;
    for (int up = parent[p], steps = 0; up > 1 && steps < 16; up = parent[up], ++steps)
      if (up == static_cast<int>(::getpid())) {
        found.insert(p);
        break;
      }
  }
  return found;
}

// Loads a page into an engine of its own and waits until its document is the page.
void show(WindowSession& s, ui::gtk::WebKitEngine& engine, const std::string& title) {
  engine.loadHTML("<!DOCTYPE html><title>" + title + "</title><p>" + title, std::nullopt);
  auto asked = std::make_shared<std::optional<std::string>>();
  auto ask = [&engine, asked] {
    engine.evaluate("document.title", [asked](const std::string& r) { *asked = r; });
  };
  ask();
  EXPECT_TRUE(s.waitFor(
      [&] {
        if (!*asked) return false;
        if (**asked == title) return true;
        asked->reset();
        ask();
        return false;
      },
      30))
      << title;
}

TEST(WebKitEngineWindow, PagesShareOneWebProcessEvenAfterEveryPageHasGone) {
  WindowSession s;
  s.open();
  std::set<int> started;
  {
    ui::gtk::WebKitEngine first, second;
    show(s, first, "first");
    // One process (a window closed before may leave one on its way out for a moment).
    ASSERT_TRUE(s.waitFor([] { return webProcesses().size() == 1; }, 30)) << webProcesses().size();
    started = webProcesses();
    show(s, second, "second");
    EXPECT_EQ(webProcesses(), started);
  }
  // Every page has gone; the next one still finds the process running.
  ui::gtk::WebKitEngine later;
  show(s, later, "later");
  EXPECT_EQ(webProcesses(), started);
}

}  // namespace
