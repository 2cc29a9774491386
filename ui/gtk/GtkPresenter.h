#pragma once
// ui::gtk::GtkPresenter: the application's window. It shows the headless model of one ui::Application
// in a phone-sized GTK 4 window (the model window's size in points, one point a pixel, not resizable):
// one mirror widget per model view in the model's z-order (ui/gtk/Mirror.h), text fields and web views
// as native peers inside their mirrors, pointer input through the model's own hit testing
// (InputRouter), the model's animations played from the animation log (AnimationPresenter), and GLib's
// main loop driving the main run loop (GLibRunLoopSource).
//
// Life cycle: the window becoming the active one makes the application active, losing it makes it
// resign; closing the window terminates the application (Application::terminate(0): willTerminate,
// then the terminate handler the presenter installs, which ends run()).
//
// Start: canOpenWindow() says whether a display can be opened (and why not); the constructor installs
// the WebKit engine for every web view made afterwards, the standard mirror contents and the file chooser
// as the image picker's service (ui/gtk/FileChooserImagePicker.h); run() shows the
// window and runs until it closes or the application terminates. Main thread only.
//
// Rendering: the renderer GTK chooses (GL where the display has it; GSK_RENDERER names another). The
// mirrors hand their cairo pictures over as textures they own (ui/gtk/PictureTexture.h). Frames: the
// window's frame clock drives the model's frame timers (ui/FrameTimer.h) in its update phase.
//
// WebKit as root: its web process sandbox cannot start under root, so the presenter turns it off
// (WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS=1) for that case only.

#include <functional>
#include <memory>
#include <string>

namespace ui {
class Application;
}

namespace ui::gtk {

class GtkPresenter {
 public:
  // Initialises GTK when a display is there; false with the reason otherwise (no DISPLAY or
  // WAYLAND_DISPLAY, or GTK could not open it).
  static bool canOpenWindow(std::string* why = nullptr);

  explicit GtkPresenter(Application& app, std::string title = "vardo");
  ~GtkPresenter();
  GtkPresenter(const GtkPresenter&) = delete;
  GtkPresenter& operator=(const GtkPresenter&) = delete;

  // Puts the window on screen (run() does it too).
  void show();
  // Shows the window and runs the main loop until the window closes or the application terminates;
  // returns the exit status.
  int run();
  // Ends run() with `status`.
  void quit(int status);
  bool isOpen() const;

  // For tests and tools: runs the main loop until done() holds or `seconds` of real time pass; returns
  // done(). The window's X11 id (0 on other backends). Whether animations are playing.
  bool runUntil(const std::function<bool()>& done, double seconds);
  unsigned long x11WindowId() const;
  bool isAnimating() const;
  // Shows the window if needed and runs the main loop until nothing is left to do (no posted work, no
  // screen transition, alert dismissal or animation on its way) and what the model holds has been
  // painted; false when that takes over `seconds`.
  bool settle(double seconds = 10);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace ui::gtk
