#include "ui/gtk/GtkPresenter.h"

#include <gtk/gtk.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/RunLoop.h"
#include "ui/Application.h"
#include "ui/FrameTimer.h"
#include "ui/Timing.h"
#include "ui/WebView.h"
#include "ui/Window.h"
#include "ui/gtk/AnimationPresenter.h"
#include "ui/gtk/FileChooserImagePicker.h"
#include "ui/gtk/GLibRunLoopSource.h"
#include "ui/gtk/InputRouter.h"
#include "ui/gtk/MirrorRegistry.h"
#include "ui/gtk/MirrorTree.h"
#include "ui/gtk/WebKitEngine.h"

// Last: the X11 headers define macros (Bool, None, Status) the headers above use as names.
#include <gdk/x11/gdkx.h>

namespace ui::gtk {

namespace {

// The peers inherit nothing of GTK's theme that would change what the model lays out.
constexpr const char* kCSS = R"CSS(
window.vd-window { background: black; }
text.vd-text { background: none; padding: 0; margin: 0; min-height: 0; min-width: 0; border: none;
               caret-color: black; color: black; }
text.vd-text > placeholder { color: #b3b3b3; }
text.vd-text selection { background-color: rgba(40, 110, 220, 0.35); }
scrolledwindow.vd-textview, textview.vd-textview, textview.vd-textview text {
  background: none; padding: 0; margin: 0; border: none; min-height: 0; min-width: 0; caret-color: black; }
textview.vd-textview text selection { background-color: rgba(40, 110, 220, 0.35); }
)CSS";

}  // namespace

// Ticks the model's frame timers from the window's frame clock, in its update phase: what they move is
// laid out and painted in the same frame.
struct FrameTicks : FrameTimer::Driver {
  GdkFrameClock* clock = nullptr;
  gulong handler = 0;
  bool updating = false;
  gint64 updateAt = 0;   // the update phase of the frame on its way (0: none)
  double paintCost = 0;  // seconds from the last ticked frame's update to its paint

  void attach(GdkFrameClock* c) {
    clock = c;
    handler = g_signal_connect(clock, "update", G_CALLBACK(+[](GdkFrameClock* fc, gpointer self) {
                                 static_cast<FrameTicks*>(self)->update(fc);
                               }),
                               this);
    FrameTimer::setDriver(this);
  }
  void detach() {
    if (!clock) return;
    FrameTimer::setDriver(nullptr);
    if (updating) gdk_frame_clock_end_updating(clock);
    updating = false;
    g_signal_handler_disconnect(clock, handler);
    clock = nullptr;
  }
  void wake() override {
    if (clock && !updating) {
      updating = true;
      gdk_frame_clock_begin_updating(clock);
    }
  }
  // After each paint: how long the frame took from its update to its paint (at most a tenth of a second).
  void painted() {
    if (updateAt == 0) return;
    paintCost = std::clamp(static_cast<double>(g_get_monotonic_time() - updateAt) / 1e6, 0.0, 0.1);
    updateAt = 0;
  }
  void update(GdkFrameClock* fc) {
    if (!updating) return;
    // The frame's time is when it will show: now, in its update phase, and the time the last frame
    // took from here to its paint. (GDK's own frame time is smoothed onto the refresh grid and can trail
    // the real time by most of a frame, which would end a movement that much late.)
    updateAt = g_get_monotonic_time();
    FrameTimer::tickFrame(rl::RunLoop::main().now() + paintCost);
    if (!FrameTimer::running() && updating) {
      updating = false;
      gdk_frame_clock_end_updating(fc);
    }
  }
};

struct GtkPresenter::Impl {
  Application& app;
  GtkWidget* window = nullptr;
  std::unique_ptr<GLibRunLoopSource> loopSource;
  std::unique_ptr<MirrorTree> tree;
  std::unique_ptr<InputRouter> input;
  std::unique_ptr<AnimationPresenter> animations;
  GMainLoop* mainLoop = nullptr;
  int status = 0;
  bool open = false;
  guint clockTimer = 0;
  long paints = 0;          // frames painted since the window was mapped
  // Once the window has stopped painting for a while (a screen or a move has settled), the heap it
  // freed meanwhile (pages of pictures, layouts and textures it drew) goes back to the system.
  static constexpr gint64 kQuietUs = 1'000'000;
  gint64 lastPaint = 0;
  guint trimTimer = 0;
  void paintedNow() {
    lastPaint = g_get_monotonic_time();
    if (!trimTimer) trimTimer = g_timeout_add(kQuietUs / 1000, &Impl::quietCheck, this);
  }
  static gboolean quietCheck(gpointer data) {
    auto* impl = static_cast<Impl*>(data);
    if (g_get_monotonic_time() - impl->lastPaint < kQuietUs) return G_SOURCE_CONTINUE;
    impl->trimTimer = 0;
    rl::DispatchQueue::global().async([] { malloc_trim(0); });  // off the main thread: it walks the heap
    return G_SOURCE_REMOVE;
  }
  guint prewarmIdle = 0;
  gulong paintHandler = 0;  // on the window's frame clock
  GdkFrameClock* frameClock = nullptr;
  FrameTicks frameTicks;
  // Keeping the desktop from going idle while the model asks for it (Application::setIdleTimerDisabled).
  GtkApplication* inhibitor = nullptr;
  guint inhibitCookie = 0;

  explicit Impl(Application& a) : app(a) {}

  // The desktop is asked through its session services, which live on the session bus: without one there
  // is nobody to ask (and nothing is started to find one), so the flag stays the model's alone.
  void setIdleInhibited(bool inhibit) {
    if (inhibit && inhibitCookie == 0) {
      const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
      if (!bus || !*bus) return;
      if (!inhibitor) {
        inhibitor = gtk_application_new(nullptr, G_APPLICATION_NON_UNIQUE);
        if (!g_application_register(G_APPLICATION(inhibitor), nullptr, nullptr)) return;
      }
      inhibitCookie = gtk_application_inhibit(inhibitor, GTK_WINDOW(window), GTK_APPLICATION_INHIBIT_IDLE,
                                              "vardo: keep the screen lit while answering");
    } else if (!inhibit && inhibitCookie != 0) {
      gtk_application_uninhibit(inhibitor, inhibitCookie);
      inhibitCookie = 0;
    }
  }
};

bool GtkPresenter::canOpenWindow(std::string* why) {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if ((!x11 || !*x11) && (!wayland || !*wayland)) {
    if (why) *why = "no display (neither DISPLAY nor WAYLAND_DISPLAY is set)";
    return false;
  }
  if (!gtk_init_check()) {
    if (why)
      *why = std::string("the display cannot be opened (DISPLAY=") + (x11 ? x11 : "") +
             ", WAYLAND_DISPLAY=" + (wayland ? wayland : "") + ")";
    return false;
  }
  return true;
}

GtkPresenter::GtkPresenter(Application& app, std::string title) : impl_(std::make_unique<Impl>(app)) {
  if (::geteuid() == 0) setenv("WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS", "1", 0);
  // The web process starts later and inherits this environment; a value the user set stands.
  // The question pages are text and small pictures: the web process paints them on the processor, and
  // only composites with GL, instead of keeping a GL painter's textures and caches for each page view
  // (about 45 MB less with the three page views of the answering screen).
  setenv("WEBKIT_SKIA_ENABLE_CPU_RENDERING", "1", 0);
  gtk_init();
  MirrorRegistry::registerStandardContents();
  WebEngine::setFactory([](WebView& view) { return std::make_unique<WebKitEngine>(&view); });

  GtkCssProvider* css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(css, kCSS, -1);
  gtk_style_context_add_provider_for_display(gdk_display_get_default(), GTK_STYLE_PROVIDER(css),
                                             GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(css);

  Window& model = app.keyWindow();
  const Size size = model.bounds().size;
  impl_->window = gtk_window_new();
  g_object_ref_sink(impl_->window);
  gtk_widget_add_css_class(impl_->window, "vd-window");
  gtk_window_set_title(GTK_WINDOW(impl_->window), title.c_str());
  gtk_window_set_default_size(GTK_WINDOW(impl_->window), static_cast<int>(size.width),
                              static_cast<int>(size.height));
  gtk_window_set_resizable(GTK_WINDOW(impl_->window), FALSE);

  impl_->loopSource = std::make_unique<GLibRunLoopSource>(rl::RunLoop::main());
  impl_->tree = std::make_unique<MirrorTree>(model);
  GtkWidget* root = impl_->tree->root().widget();
  gtk_widget_set_size_request(root, static_cast<int>(size.width), static_cast<int>(size.height));
  gtk_window_set_child(GTK_WINDOW(impl_->window), root);
  impl_->input = std::make_unique<InputRouter>(impl_->window, *impl_->tree);
  impl_->animations = std::make_unique<AnimationPresenter>(app, *impl_->tree);

  g_signal_connect(impl_->window, "close-request", G_CALLBACK(+[](GtkWindow*, gpointer self) -> gboolean {
                     auto* me = static_cast<GtkPresenter*>(self);
                     // The application ends itself; the terminate handler ends run().
                     me->impl_->app.terminate(0);
                     return TRUE;
                   }),
                   this);
  g_signal_connect(impl_->window, "notify::is-active",
                   G_CALLBACK(+[](GObject* w, GParamSpec*, gpointer self) {
                     auto* me = static_cast<GtkPresenter*>(self);
                     if (gtk_window_is_active(GTK_WINDOW(w))) {
                       me->impl_->app.becomeActive();
                     } else {
                       me->impl_->app.resignActive();
                     }
                   }),
                   this);
  app.setTerminateHandler([this](int status) { quit(status); });
  app.setIdleInhibitHook([impl = impl_.get()](bool inhibit) { impl->setIdleInhibited(inhibit); });
  // Pictures for the image picker come from the user's files.
  ImagePickerService::install(std::make_shared<FileChooserImagePicker>(GTK_WINDOW(impl_->window)));
  // The status bar's clock.
  impl_->clockTimer = g_timeout_add_seconds(
      20,
      [](gpointer self) -> gboolean {
        auto* me = static_cast<GtkPresenter*>(self);
        gtk_widget_queue_draw(me->impl_->tree->root().widget());
        return G_SOURCE_CONTINUE;
      },
      this);
}

GtkPresenter::~GtkPresenter() {
  impl_->app.setTerminateHandler({});
  impl_->app.setIdleInhibitHook({});
  impl_->setIdleInhibited(false);
  if (impl_->inhibitor) g_object_unref(impl_->inhibitor);
  ImagePickerService::install(nullptr);
  impl_->frameTicks.detach();
  if (impl_->prewarmIdle) g_source_remove(impl_->prewarmIdle);
  if (impl_->trimTimer) g_source_remove(impl_->trimTimer);
  if (impl_->frameClock && impl_->paintHandler)
    g_signal_handler_disconnect(impl_->frameClock, impl_->paintHandler);
  if (impl_->clockTimer) g_source_remove(impl_->clockTimer);
  g_signal_handlers_disconnect_by_data(impl_->window, this);
  impl_->animations.reset();
  impl_->input.reset();
  WebKitEngine::releaseSharedProcess();  // before the page views go, so none hands the process on
  gtk_window_set_child(GTK_WINDOW(impl_->window), nullptr);
  impl_->tree.reset();
  gtk_window_destroy(GTK_WINDOW(impl_->window));
  g_object_unref(impl_->window);
  impl_->loopSource.reset();
  if (impl_->mainLoop) g_main_loop_unref(impl_->mainLoop);
  WebEngine::setFactory({});
}

void GtkPresenter::show() {
  impl_->open = true;
  gtk_window_present(GTK_WINDOW(impl_->window));
  if (!impl_->frameClock) {
    impl_->frameClock = gtk_widget_get_frame_clock(impl_->window);
    if (impl_->frameClock) {
      impl_->paintHandler =
          g_signal_connect(impl_->frameClock, "after-paint", G_CALLBACK(+[](GdkFrameClock*, gpointer data) {
                             auto* impl = static_cast<Impl*>(data);
                             impl->frameTicks.painted();
                             impl->paintedNow();
                             // Once the first frame is up, the web process the pages will share starts.
                             if (++impl->paints == 1)
                               impl->prewarmIdle = g_idle_add_once(
                                   [](gpointer data) {
                                     static_cast<Impl*>(data)->prewarmIdle = 0;
                                     WebKitEngine::prewarm();
                                   },
                                   impl);
                           }),
                           impl_.get());
      impl_->frameTicks.attach(impl_->frameClock);
    }
  }
}

bool GtkPresenter::settle(double seconds) {
  show();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  auto left = [&] {
    return std::chrono::duration<double>(deadline - std::chrono::steady_clock::now()).count();
  };
  // Twice: what the first painted frame set off (a relayout, a page's first paint) gets painted too.
  for (int round = 0; round < 2; ++round) {
    // Transitions, alert dismissals and animation completions are the model's own pending work.
    if (!runUntil(
            [this] {
              return !isAnimating() && !FrameTimer::running() && !rl::RunLoop::main().hasPendingWork() &&
                     !nextScheduledTime();
            },
            left()))
      return false;
    const long before = impl_->paints;
    gtk_widget_queue_draw(impl_->tree->root().widget());
    if (!runUntil([this, before] { return impl_->paints > before; }, left())) return false;
  }
  return true;
}

int GtkPresenter::run() {
  show();
  if (!impl_->mainLoop) impl_->mainLoop = g_main_loop_new(nullptr, FALSE);
  g_main_loop_run(impl_->mainLoop);
  return impl_->status;
}

void GtkPresenter::quit(int status) {
  impl_->status = status;
  impl_->open = false;
  gtk_widget_set_visible(impl_->window, FALSE);
  if (impl_->mainLoop && g_main_loop_is_running(impl_->mainLoop)) g_main_loop_quit(impl_->mainLoop);
}

bool GtkPresenter::isOpen() const { return impl_->open; }

bool GtkPresenter::runUntil(const std::function<bool()>& done, double seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  // Wakes at least every 10 ms to look at the deadline.
  const guint wake = g_timeout_add(
      10, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  while (!done() && std::chrono::steady_clock::now() < deadline) g_main_context_iteration(nullptr, TRUE);
  g_source_remove(wake);
  return done();
}

unsigned long GtkPresenter::x11WindowId() const {
  GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(impl_->window));
  if (!surface || !GDK_IS_X11_SURFACE(surface)) return 0;
  return gdk_x11_surface_get_xid(surface);
}

bool GtkPresenter::isAnimating() const { return impl_->animations->isAnimating(); }

}  // namespace ui::gtk
