// vardo: the question-bank application.
//
//   vardo                             opens the application's window on the display (DISPLAY or
//                                     WAYLAND_DISPLAY); without a display it says so and exits with 2
//   vardo --headless                  runs the application on the headless UI model until it ends itself
//   vardo --headless --print-screens  starts it, prints the screens of the window and exits
//
// Both ways measure text with Pango in the window's fonts, so a headless run lays screens out as the
// window shows them.

#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>

#include "app/AppDelegate.h"
#include "app/VDViewControllerFactory.h"
#include "platform/runloop/Clock.h"
#include "platform/runloop/RunLoop.h"
#include "screens/AllScreens.h"
#include "ui/Application.h"
#include "ui/PangoTextMeasurer.h"
#include "ui/ScreenDescription.h"
#include "ui/Window.h"
#include "ui/gtk/GtkPresenter.h"

namespace {

void usage() {
  std::cout << "usage: vardo [--headless [--print-screens]]\n"
               "  (no option)      open the application's window on the display\n"
               "  --headless       run on the headless UI model until the application ends\n"
               "  --print-screens  with --headless: print the window's screens after start-up and exit\n";
}

}  // namespace

int main(int argc, char** argv) {
  bool headless = false;
  bool printScreens = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--headless") == 0) {
      headless = true;
    } else if (std::strcmp(argv[i], "--print-screens") == 0) {
      printScreens = true;
    } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      usage();
      return 0;
    } else {
      std::cerr << "vardo: unknown option " << argv[i] << "\n";
      usage();
      return 2;
    }
  }
  if (printScreens && !headless) {
    std::cerr << "vardo: --print-screens goes with --headless\n";
    return 2;
  }
  // The fonts load while the display opens.
  ui::PangoTextMeasurer::startLoadingFonts();
  std::string why;
  if (!headless && !ui::gtk::GtkPresenter::canOpenWindow(&why)) {
    std::cerr
        << "vardo: cannot open the window: " << why
        << "; run it on a display (for example: xvfb-run -a vardo), or without a window: vardo --headless\n";
    return 2;
  }

  rl::RunLoop::setMainThread();
  rl::RunLoop& loop = rl::RunLoop::main();
  loop.setClock(rl::Clock::real());
  ui::TextMeasurer::setCurrent(std::make_shared<ui::PangoTextMeasurer>());

  registerEveryScreen();
  ui::Application app;
  std::unique_ptr<ui::gtk::GtkPresenter> window;
  if (!headless) window = std::make_unique<ui::gtk::GtkPresenter>(app);
  app.setDelegate(std::make_shared<AppDelegate>(AppServices::standard()));
  app.launch();

  if (window) return window->run();
  if (printScreens) {
    loop.runUntilIdle();
    std::cout << ui::describeScreens(app.keyWindow());
    std::cout.flush();
    app.terminate(0);  // the run's end, as the application would end it (the session ends with it)
    return 0;
  }
  // Runs until the application ends the process (Application::terminate).
  loop.run();
  return 0;
}
