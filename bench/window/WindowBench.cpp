// window_bench: the application's window beside a minimal WebKitGTK program (window_peer) showing the
// same question pages, in one run on one display, so that the machine's load falls on both alike.
//
//   window_bench [--rounds N]      (on a display: xvfb-run -a window_bench)
//
// Each round starts the application's window (this program with --project) and the peer, one after the
// other, each in a process of its own, and reads what they measured:
// - start to first frame: from the process's start to the end of the window's first painted frame;
// - chapter open: the answering screen pushed over 20 questions, to the frame that shows its first
//   page painted by WebKit (two seconds after the first frame, as a person takes longer to reach a
//   chapter); for the peer, its first page loaded into its one view;
// - a move: the click of "下一题" to the frame that shows the next question, painted by WebKit, with the
//   move's end; for the peer, the next page loaded into its view and painted; and the frames painted a
//   second during the move;
// - memory: the proportional set size of the process and all its children (WebKit's) after 12 moves.
// "Painted by WebKit" is the page's text in its document and two of its animation frames run since; the
// frames are the window's frame clock's paints. The table gives medians over the rounds (over every
// move of every round for the moves). VD_BENCH_VERBOSE=1 prints each move's parts and each process's
// memory on standard error, VD_BENCH_MAPS=1 also the largest mappings of each.

#include <fcntl.h>
#include <gtk/gtk.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "app/VDHelper.h"
#include "app/VDViewControllerFactory.h"
#include "bench/window/BenchClock.h"
#include "exam/BaseTestHtmlViewController.h"
#include "exam/ExammingViewController.h"
#include "exam/QuestionImageStep.h"
#include "exam/TestHtmlVCFactory.h"
#include "exam/sets/AnsweringScreen.h"
#include "model/TestPager.h"
#include "platform/core/Bundle.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "platform/runloop/Clock.h"
#include "platform/runloop/RunLoop.h"
#include "screens/AllScreens.h"
#include "service/ServerConfig.h"
#include "tools/testserver/apiserver/ApiServer.h"
#include "ui/Application.h"
#include "ui/Button.h"
#include "ui/FrameTimer.h"
#include "ui/NavigationController.h"
#include "ui/PangoTextMeasurer.h"
#include "ui/WebView.h"
#include "ui/Window.h"
#include "ui/gtk/GtkPresenter.h"

extern char** environ;

namespace {

using winbench::nowUs;

constexpr int kQuestions = 20;
constexpr int kMoves = 12;
constexpr const char* kSubject = "GKSample";

std::shared_ptr<Questions> question(int n) {
  auto q = std::make_shared<Questions>();
  q->type = "ATEST";
  q->styleID = "1";
  q->style = "单选题";
  q->Style_Explain = "每题只有一个正确答案";
  q->MainTitle = "第" + std::to_string(n + 1) + "题：下列哪一项是正确的？";
  q->Answer = "A";
  q->AllTestID = std::to_string(1000 + n);
  core::Value items = core::Value::newArray();
  for (const char* name : {"A", "B", "C", "D"})
    items.push_back(core::Dictionary{{"Name", name}, {"Text", std::string("选项") + name}});
  q->ChoiceItems = items;
  return q;
}

std::string titleOf(int n) { return "第" + std::to_string(n + 1) + "题"; }

// ---- the application's side (window_bench --project T0) ----

// Asks a page again and again whether WebKit has painted `text` (BenchClock.h's probe); once it has,
// the window is asked for a frame (WebKit's frame may have reached the window already, and then no
// frame of its own follows): the next paint shows the page.
class PaintProbe {
 public:
  PaintProbe(ui::WebView& web, const std::string& text, GtkWidget* window)
      : web_(web.shared_from_this()), script_(winbench::paintProbeScript(text)), window_(window) {}
  // Polls; true once WebKit has painted the text.
  bool poll() {
    if (state_->paintedAt) return true;
    if (!state_->pending) {
      state_->pending = true;
      auto state = state_;
      GtkWidget* window = window_;
      std::static_pointer_cast<ui::WebView>(web_)->stringByEvaluatingJavaScriptFromString(
          script_, [state, window](const std::string& r) {
            state->pending = false;
            if (r == "1" && !state->paintedAt) {
              state->paintedAt = nowUs();
              gtk_widget_queue_draw(window);
            }
          });
    }
    return false;
  }
  std::int64_t paintedAt() const { return state_->paintedAt; }

 private:
  struct State {
    bool pending = false;
    std::int64_t paintedAt = 0;
  };
  std::shared_ptr<ui::View> web_;
  std::string script_;
  GtkWidget* window_;
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

int runProject(std::int64_t t0) {
  const bool verbose = std::getenv("VD_BENCH_VERBOSE") != nullptr;
  auto mark = [&](const char* what) {
    if (verbose)
      std::fprintf(stderr, "start: %s %.1f ms\n", what, static_cast<double>(nowUs() - t0) / 1000.0);
  };
  mark("main");
  ui::PangoTextMeasurer::startLoadingFonts();  // as the application's start does
  std::string why;
  if (!ui::gtk::GtkPresenter::canOpenWindow(&why)) {
    std::fprintf(stderr, "window_bench: %s\n", why.c_str());
    return 2;
  }
  rl::RunLoop::setMainThread();
  rl::RunLoop::main().setClock(rl::Clock::real());
  ui::TextMeasurer::setCurrent(std::make_shared<ui::PangoTextMeasurer>());
  auto& defaults = core::UserDefaults::standard();
  defaults.setBool("isFirstOpen", true);  // a later start: no welcome pages
  defaults.setBool("isFirstMain", false);
  defaults.setBool("isFirstLoginApp", false);
  defaults.setBool("isAutoLogon", false);
  defaults.synchronize();
  mark("display open");
  registerEveryScreen();
  ui::Application app;
  ui::gtk::GtkPresenter window(app);
  mark("window made");
  auto delegate = std::make_shared<AppDelegate>(AppServices::standard());
  app.setDelegate(delegate);
  app.launch();
  mark("launched");
  window.show();
  mark("shown");
  GtkWidget* toplevel = nullptr;
  GListModel* toplevels = gtk_window_get_toplevels();
  for (guint i = 0; i < g_list_model_get_n_items(toplevels) && !toplevel; ++i) {
    auto* w = static_cast<GtkWidget*>(g_list_model_get_item(toplevels, i));
    if (gtk_widget_get_visible(w)) toplevel = w;
    g_object_unref(w);
  }
  if (!toplevel) return 1;
  winbench::PaintWatch paints;
  paints.attach(toplevel);
  if (!window.runUntil([&] { return !paints.paints().empty(); }, 30)) return 1;
  winbench::report("first_frame_ms", static_cast<double>(paints.paints().front() - t0) / 1000.0);
  winbench::reportText("renderer", winbench::rendererOf(toplevel));

  // The way to a chapter: the subject chosen, its bank in place, two seconds after the first frame.
  VDHelper::saveQuoteProduct(core::Dictionary{{"Key", "常识综合（样例）"}, {"Value", kSubject}});
  VDHelper::installBankLocation();
  std::error_code error;
  std::filesystem::copy_file(std::filesystem::path(testserver::ApiServer::defaultSampleDir()) / "GKSample.db",
                             VDHelper::dbSavePath() + "/" + kSubject + ".db",
                             std::filesystem::copy_options::overwrite_existing, error);
  delegate->userSession().set("appInfo", core::Dictionary{{"Name", "常识综合（样例）"}, {"EName", kSubject}});
  auto nav = std::make_shared<ui::NavigationController>(std::make_shared<ui::ViewController>());
  app.keyWindow().setRootViewController(nav);
  window.settle(10);
  const std::int64_t ready = paints.paints().front() + 2'000'000;
  window.runUntil([&] { return nowUs() >= ready; }, 10);

  QuestionsArray questions;
  for (int n = 0; n < kQuestions; ++n) questions.push_back(question(n));
  auto screen = std::dynamic_pointer_cast<ExammingViewController>(
      VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("examming"));
  if (!screen) return 1;
  auto pager = std::make_shared<TestPager>(questions);
  pager->setCurrentTest(questions[0]);
  AnsweringScreen& launch = *screen;
  launch.setTestPager(pager);
  launch.setOriginalMode(AnsweringMode::Practice);
  launch.setRedoMode(AnsweringMode::Practice);
  launch.setChapterName("第一章");
  const std::int64_t open = nowUs();
  nav->pushViewController(screen, false);
  window.runUntil([&] { return screen->pageWebView(1) != nullptr; }, 30);
  if (!screen->pageWebView(1)) return 1;
  PaintProbe first(*screen->pageWebView(1), titleOf(0), toplevel);
  window.runUntil([&] { return first.poll() && paints.firstPaintAfter(first.paintedAt()) != 0; }, 60);
  const std::int64_t opened = first.paintedAt() ? paints.firstPaintAfter(first.paintedAt()) : 0;
  if (std::getenv("VD_BENCH_VERBOSE"))
    std::fprintf(stderr, "open: page painted %.1f ms, shown %.1f ms\n", (first.paintedAt() - open) / 1000.0,
                 (opened - open) / 1000.0);
  if (!opened) return 1;
  winbench::report("open_ms", static_cast<double>(opened - open) / 1000.0);
  window.runUntil([&] { return screen->loadNumber() == 0; }, 60);
  window.settle(10);

  for (int move = 1; move <= kMoves; ++move) {
    // The view that holds the next question (it stands a page to the right).
    const double next = ExammingViewController::kPageWidth * move;
    std::shared_ptr<ui::WebView> target;
    for (int v = 1; v <= 3; ++v)
      if (auto web = screen->pageWebView(v); web && web->frame().origin.x == next) target = web;
    if (!target) return 1;
    PaintProbe probe(*target, titleOf(move), toplevel);
    const std::int64_t click = nowUs();
    screen->nextButton()->sendActionsForControlEvents(ui::ControlEvent::TouchUpInside);
    // The move's last step, seen in the frame that makes it (after the window's own update handler).
    struct LastStep {
      ExammingViewController* screen;
      std::int64_t at = 0;
    } last{screen.get()};
    auto ended = [](LastStep& l) {
      if (!l.at && !ui::FrameTimer::running() && l.screen->scrollSlide() == 0) l.at = nowUs();
    };
    const gulong update = g_signal_connect(
        gtk_widget_get_frame_clock(toplevel), "update", G_CALLBACK(+[](GdkFrameClock*, gpointer data) {
          auto* l = static_cast<LastStep*>(data);
          if (!l->at && !ui::FrameTimer::running() && l->screen->scrollSlide() == 0) l->at = nowUs();
        }),
        &last);
    std::int64_t& moved = last.at;
    window.runUntil(
        [&] {
          ended(last);
          const bool painted = probe.poll();
          return moved && paints.firstPaintAfter(moved) != 0 && painted &&
                 paints.firstPaintAfter(probe.paintedAt()) != 0;
        },
        30);
    g_signal_handler_disconnect(gtk_widget_get_frame_clock(toplevel), update);
    const std::int64_t shown = probe.paintedAt() ? paints.firstPaintAfter(probe.paintedAt()) : 0;
    if (!moved || !shown) return 1;
    const std::int64_t end = std::max(paints.firstPaintAfter(moved), shown);
    if (std::getenv("VD_BENCH_VERBOSE"))
      std::fprintf(stderr,
                   "move: last step %.1f ms, its frame %.1f ms, the page painted %.1f ms, shown %.1f ms\n",
                   (moved - click) / 1000.0, (paints.firstPaintAfter(moved) - click) / 1000.0,
                   (probe.paintedAt() - click) / 1000.0, (shown - click) / 1000.0);
    winbench::report("move_ms", static_cast<double>(end - click) / 1000.0);
    const std::int64_t lastPaint = paints.firstPaintAfter(moved);
    winbench::report("fps",
                     paints.paintsBetween(click, lastPaint) / (static_cast<double>(lastPaint - click) / 1e6));
    window.runUntil([&] { return screen->loadNumber() == 0; }, 30);
    window.settle(10);
  }
  window.runUntil([] { return false; }, 1.5);  // at rest: the window has stopped painting a while
  const winbench::Memory memory = winbench::memoryOf(static_cast<int>(::getpid()));
  winbench::report("pss_mb", memory.pssMB);
  winbench::report("processes", memory.processes);
  winbench::report("web_processes", memory.webProcesses);
  return 0;
}

// ---- the run (window_bench [--rounds N]) ----

using Figures = std::map<std::string, std::vector<double>>;

// Starts a program, reads its "name value" lines into `figures`; false when it fails or takes over
// `seconds` (then it is killed, by its process id).
bool runChild(const std::vector<std::string>& args, Figures& figures,
              std::map<std::string, std::string>& texts, double seconds) {
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (spawned != 0) {
    close(out[0]);
    return false;
  }
  // Read until the program ends (its web processes may hold the pipe a little longer).
  std::string text;
  const std::int64_t end = nowUs() + static_cast<std::int64_t>(seconds * 1e6);
  char buffer[4096];
  int status = 0;
  bool ended = false;
  while (!ended && nowUs() < end) {
    pollfd p{out[0], POLLIN, 0};
    if (poll(&p, 1, 100) > 0) {
      const ssize_t n = read(out[0], buffer, sizeof buffer);
      if (n > 0) text.append(buffer, static_cast<std::size_t>(n));
    }
    ended = waitpid(pid, &status, WNOHANG) == pid;
  }
  fcntl(out[0], F_SETFL, O_NONBLOCK);
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;)
    text.append(buffer, static_cast<std::size_t>(n));
  close(out[0]);
  if (!ended) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    std::fprintf(stderr, "window_bench: %s took too long\n", args[0].c_str());
  }
  std::istringstream lines(text);
  for (std::string name, value; lines >> name >> value;) {
    char* rest = nullptr;
    const double v = std::strtod(value.c_str(), &rest);
    if (rest && *rest == '\0') {
      figures[name].push_back(v);
    } else {
      texts[name] = value;
    }
  }
  return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double median(std::vector<double> v) {
  v.erase(std::remove_if(v.begin(), v.end(), [](double x) { return x < 0; }), v.end());
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  const std::size_t m = v.size() / 2;
  return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

// The question pages as the answering screen builds them, for the peer.
bool writePages(const std::string& dir) {
  const std::string pageTemplate = BaseTestHtmlViewController::questionPageTemplate();
  if (pageTemplate.empty()) return false;
  for (int n = 0; n <= kMoves; ++n) {
    QuestionPageInput input;
    input.question = *question(n);
    input.mode = 0;
    input.number = n + 1;
    input.count = kQuestions;
    input.isLast = n == kQuestions - 1;
    auto page = TestHtmlVCFactory::createTestHtmlVC(input.question.type, nullptr, nullptr);
    if (!page) return false;
    QuestionImageStep step{std::string(), std::string()};
    const std::string html =
        BaseTestHtmlViewController::loadWebViewHtml(pageTemplate, input, page->pageAreas(), step);
    if (!core::Paths::atomicWrite(dir + "/page-" + std::to_string(n) + ".html", std::string_view(html)))
      return false;
  }
  return true;
}

std::string self() {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "";
  path[n] = '\0';
  return path;
}

int runBench(int rounds) {
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
    std::fprintf(stderr, "window_bench: no display; run it as: xvfb-run -a window_bench\n");
    return 2;
  }
  const std::string work =
      std::filesystem::temp_directory_path() / ("vd-window-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(work + "/pages");
  if (!writePages(work + "/pages")) {
    std::fprintf(stderr, "window_bench: the question pages cannot be built (no bundle?)\n");
    return 1;
  }
  // The application's servers: the loopback server, a process of this program (not of the window's).
  testserver::ApiServer server;
  if (!server.start()) {
    std::fprintf(stderr, "window_bench: the loopback server did not start: %s\n", server.failure().c_str());
    return 1;
  }
  server.scenario(R"({"state": "bank", "notices": []})");
  setenv(ServerConfig::kMainAPIBaseEnv, server.mainBase().c_str(), 1);
  setenv(ServerConfig::kUpdateCentreBaseEnv, server.updateBase().c_str(), 1);
  setenv(ServerConfig::kResourceRootEnv, server.origin().c_str(), 1);
  setenv("VARDO_STATS_HOST", server.statisticsHost().c_str(), 1);
  setenv("VARDO_STATS_FALLBACK_HOST", server.statisticsHost().c_str(), 1);
  setenv("DBUS_SESSION_BUS_ADDRESS", "", 1);  // the keyring stays out of it

  const std::string exe = self();
  const std::string peer = (std::filesystem::path(exe).parent_path() / "window_peer").string();
  const std::string base = BaseTestHtmlViewController::bundleBaseURL();
  Figures project, other;
  std::map<std::string, std::string> projectTexts, peerTexts;
  for (int round = 0; round < rounds; ++round) {
    const std::string home = work + "/home-" + std::to_string(round);
    std::filesystem::create_directories(home);
    setenv("VARDO_HOME", home.c_str(), 1);
    // The two sides take turns at going first.
    for (int side = 0; side < 2; ++side) {
      const bool projectSide = (side + round) % 2 == 0;
      const std::string t0 = std::to_string(nowUs());
      const bool ok = projectSide ? runChild({exe, "--project", t0}, project, projectTexts, 300)
                                  : runChild({peer, t0, work + "/pages", base, std::to_string(kMoves)}, other,
                                             peerTexts, 300);
      if (!ok)
        std::fprintf(stderr, "window_bench: round %d: the %s failed\n", round + 1,
                     projectSide ? "window" : "peer");
    }
  }
  std::filesystem::remove_all(work);

  std::printf(
      "\nThe window beside a minimal WebKitGTK program (one 320 x 480 window, one web view), %d rounds;\n"
      "renderer: window %s, peer %s; web processes after %d moves: window %.0f, peer %.0f\n\n",
      rounds, projectTexts["renderer"].c_str(), peerTexts["renderer"].c_str(), kMoves,
      median(project["web_processes"]), median(other["web_processes"]));
  std::printf("%-46s %12s %12s %8s  %s\n", "Measured", "Project", "Peer", "Ratio", "Goal");
  auto row = [&](const char* what, const char* key, const char* unit, const char* goal, bool ratio) {
    const double p = median(project[key]), q = median(other[key]);
    char ps[32] = "missing", qs[32] = "-", rs[16] = "-";
    if (p >= 0) std::snprintf(ps, sizeof ps, "%.1f %s", p, unit);
    if (q >= 0) std::snprintf(qs, sizeof qs, "%.1f %s", q, unit);
    if (ratio && p >= 0 && q > 0) std::snprintf(rs, sizeof rs, "%.2fx", p / q);
    std::printf("%-46s %12s %12s %8s  %s\n", what, ps, qs, rs, goal);
  };
  row("Start to first frame", "first_frame_ms", "ms", "<= 1x", true);
  row("Chapter open to first question painted", "open_ms", "ms", "<= 300 ms", true);
  row("Click to next question painted", "move_ms", "ms", "<= 180 ms", true);
  row("Frames a second during a move", "fps", "fps", ">= 55", false);
  row("PSS with children after 12 moves", "pss_mb", "MB", "<= 1.2x", true);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("VARDO_BUNDLE", VD_BUNDLE_DIR, 0);  // the build tree's bundle, unless one is named
  if (argc >= 3 && std::strcmp(argv[1], "--project") == 0) return runProject(std::atoll(argv[2]));
  int rounds = 3;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: window_bench [--rounds N]\n");
      return 2;
    }
  }
  return runBench(rounds);
}
