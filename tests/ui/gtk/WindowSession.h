#pragma once
// One application in a real window under the tests' Xvfb: the model, the GTK presenter, pictures of
// the window (imagemagick's import) and real X input (xdotool). Points are window points: the window
// shows one model point per pixel.

#include <functional>
#include <memory>
#include <string>

#include "ui/Application.h"
#include "ui/Image.h"
#include "ui/View.h"
#include "ui/gtk/GtkPresenter.h"

namespace gtktest {

// A picture of the window, read back from the X server.
struct Shot {
  ui::RGBABitmap pixels;
  std::uint32_t at(ui::Point p) const;  // 0xRRGGBBAA
  // How many pixels of `rect` differ from `background` by more than `margin` in any channel.
  int inkIn(ui::Rect rect, std::uint32_t background, int margin = 40) const;
};

// With VD_GTK_SHOTS set to a directory, keeps the picture there as name.png, to be looked at.
void keepShot(const Shot& shot, const std::string& name);

int channel(std::uint32_t rgba, int which);  // 0 red, 1 green, 2 blue
bool near(std::uint32_t a, std::uint32_t b, int margin);
double luminance(std::uint32_t rgba);  // 0...1

class WindowSession {
 public:
  WindowSession();
  ~WindowSession();
  WindowSession(const WindowSession&) = delete;
  WindowSession& operator=(const WindowSession&) = delete;

  ui::Application& app() { return *app_; }
  ui::gtk::GtkPresenter& presenter() { return *presenter_; }
  void open();  // shows the window and waits for it to be painted

  // Runs the window until done() or `seconds`.
  bool waitFor(const std::function<bool()>& done, double seconds = 10);
  bool settle() { return presenter_->settle(); }
  Shot shot();
  // The window as it shows this moment, without waiting for anything on its way (a move) to end.
  Shot shotAsShown();
  // Real X input: a left click at a window point, a drag, keys typed into the focused window, one key by name.
  void click(ui::Point windowPoint);
  // A press at `from`, moves in small steps to `to`, a release there: a finger's drag.
  void drag(ui::Point from, ui::Point to);
  void type(const std::string& text);
  void key(const std::string& keysym);
  // Another window of the application (a file chooser): its X id by its title ("" when none shows within
  // a few seconds); keys and text sent to it.
  std::string windowNamed(const std::string& title);
  void keysTo(const std::string& window, const std::string& keysyms);
  void typeTo(const std::string& window, const std::string& text);
  // Where a view shows in the window.
  static ui::Rect frameOf(const ui::View& view);

 private:
  void runBeside(const std::string& command);  // runs it while the window runs, until it ends

  std::unique_ptr<ui::Application> app_;
  std::unique_ptr<ui::gtk::GtkPresenter> presenter_;
  std::string window_;  // the X window id as text
};

}  // namespace gtktest
