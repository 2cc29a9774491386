#include "tests/ui/gtk/WindowSession.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <unistd.h>

#include "platform/runloop/Clock.h"
#include "platform/runloop/RunLoop.h"
#include "ui/PangoTextMeasurer.h"
#include "ui/PixbufCodec.h"
#include "ui/TextMeasurer.h"
#include "ui/Window.h"

namespace gtktest {

namespace {

std::string capture(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[65536];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  pclose(pipe);
  return out;
}

void run(const std::string& command) { EXPECT_EQ(std::system(command.c_str()), 0) << command; }

std::string quoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace

void keepShot(const Shot& shot, const std::string& name) {
  const char* dir = std::getenv("VD_GTK_SHOTS");
  if (!dir || !*dir) return;
  if (auto png = ui::PixbufCodec::encode(shot.pixels, "png"))
    std::ofstream(std::string(dir) + "/" + name + ".png", std::ios::binary) << *png;
}

int channel(std::uint32_t rgba, int which) { return static_cast<int>((rgba >> (24 - 8 * which)) & 0xFF); }

bool near(std::uint32_t a, std::uint32_t b, int margin) {
  for (int i = 0; i < 3; ++i) {
    if (std::abs(channel(a, i) - channel(b, i)) > margin) return false;
  }
  return true;
}

double luminance(std::uint32_t rgba) {
  return (0.299 * channel(rgba, 0) + 0.587 * channel(rgba, 1) + 0.114 * channel(rgba, 2)) / 255;
}

std::uint32_t Shot::at(ui::Point p) const {
  return pixels.pixel(static_cast<int>(p.x), static_cast<int>(p.y));
}

int Shot::inkIn(ui::Rect rect, std::uint32_t background, int margin) const {
  int ink = 0;
  for (int y = static_cast<int>(rect.minY()); y < static_cast<int>(rect.maxY()); ++y)
    for (int x = static_cast<int>(rect.minX()); x < static_cast<int>(rect.maxX()); ++x)
      if (!near(pixels.pixel(x, y), background, margin)) ++ink;
  return ink;
}

WindowSession::WindowSession() {
  rl::RunLoop::setMainThread();
  rl::RunLoop::main().clear();
  rl::RunLoop::main().setClock(rl::Clock::real());
  ui::TextMeasurer::setCurrent(std::make_shared<ui::PangoTextMeasurer>());
  app_ = std::make_unique<ui::Application>();
  presenter_ = std::make_unique<ui::gtk::GtkPresenter>(*app_);
}

WindowSession::~WindowSession() {
  presenter_.reset();
  app_.reset();
  rl::RunLoop::main().clear();
  ui::TextMeasurer::setCurrent(nullptr);
}

void WindowSession::open() {
  presenter_->show();
  ASSERT_TRUE(presenter_->settle(20)) << "the window was not painted";
  window_ = std::to_string(presenter_->x11WindowId());
  ASSERT_NE(window_, "0");
  // The keyboard goes to this window (Xvfb runs no window manager to give it the focus).
  run("xdotool windowfocus --sync " + window_);
  presenter_->settle();
}

bool WindowSession::waitFor(const std::function<bool()>& done, double seconds) {
  return presenter_->runUntil(done, seconds);
}

Shot WindowSession::shot() {
  presenter_->settle();
  return shotAsShown();
}

Shot WindowSession::shotAsShown() {
  Shot s;
  const std::string png = capture("import -window " + window_ + " png:-");
  auto image = ui::Image::decoded(png);
  if (image && image->bitmap()) s.pixels = *image->bitmap();
  return s;
}

void WindowSession::click(ui::Point p) {
  const std::string command = "xdotool mousemove --window " + window_ + " " +
                              std::to_string(static_cast<int>(p.x)) + " " +
                              std::to_string(static_cast<int>(p.y)) + " click 1";
  run(command);
}

void WindowSession::drag(ui::Point from, ui::Point to) {
  auto at = [&](ui::Point p) {
    return "mousemove --window " + window_ + " " + std::to_string(static_cast<int>(p.x)) + " " +
           std::to_string(static_cast<int>(p.y));
  };
  std::string command = "xdotool " + at(from) + " mousedown 1";
  constexpr int kSteps = 8;
  for (int i = 1; i <= kSteps; ++i) {
    const double t = static_cast<double>(i) / kSteps;
    command += " " + at({from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t}) + " sleep 0.02";
  }
  command += " mouseup 1";
  runBeside(command);
}

// xdotool types a character the keyboard map lacks by binding it to a spare key for a moment: the window
// must read that key while the binding holds, so it runs beside xdotool (GtkTestMain gives the Chinese
// characters the tests type keys of their own).
void WindowSession::type(const std::string& text) { runBeside("xdotool type --delay 40 -- " + quoted(text)); }

std::string WindowSession::windowNamed(const std::string& title) {
  std::string id;
  presenter_->runUntil(
      [&] {
        id = capture("xdotool search --onlyvisible --name " + quoted("^" + title + "$") + " 2>/dev/null | head -1");
        while (!id.empty() && (id.back() == '\n' || id.back() == ' ')) id.pop_back();
        return !id.empty();
      },
      10);
  return id;
}

void WindowSession::keysTo(const std::string& window, const std::string& keysyms) {
  runBeside("xdotool windowfocus --sync " + window + " key --delay 40 " + keysyms);
}

void WindowSession::typeTo(const std::string& window, const std::string& text) {
  runBeside("xdotool windowfocus --sync " + window + " type --delay 20 -- " + quoted(text));
}

void WindowSession::runBeside(const std::string& command) {
  // xdotool runs beside the window, so the window takes the events as they come, at their pace.
  char marker[] = "/tmp/vd-gtk-input-XXXXXX";
  const int fd = ::mkstemp(marker);
  ASSERT_GE(fd, 0);
  ::close(fd);
  ::unlink(marker);
  run("(" + command + "; touch " + marker + ") >/dev/null 2>&1 &");
  EXPECT_TRUE(presenter_->runUntil([&] { return ::access(marker, F_OK) == 0; }, 30)) << command;
  ::unlink(marker);
}

void WindowSession::key(const std::string& keysym) { run("xdotool key " + keysym); }

ui::Rect WindowSession::frameOf(const ui::View& view) {
  return view.convertRectToView(view.bounds(), nullptr);
}

}  // namespace gtktest
