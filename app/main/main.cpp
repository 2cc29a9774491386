// vardo: the question-bank application.
//
//   vardo --headless                  runs the application on the headless UI model until it ends itself
//   vardo --headless --print-screens  starts it, prints the screens of the window and exits
//
// The window presenter is not part of this build: without --headless the application says so and runs
// as --headless --print-screens.

#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>

#include "app/AppDelegate.h"
#include "app/VDViewControllerFactory.h"
#include "screens/AllScreens.h"
#include "platform/runloop/Clock.h"
#include "platform/runloop/RunLoop.h"
#include "ui/Application.h"
#include "ui/ScreenDescription.h"
#include "ui/Window.h"

namespace {

void usage() {
  std::cout << "usage: vardo [--headless] [--print-screens]\n"
               "  --headless       run on the headless UI model until the application ends\n"
               "  --print-screens  print the window's screens after start-up and exit\n";
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
  if (!headless) {
    std::cout << "vardo: the window presenter is not built yet; running headless with --print-screens\n";
    headless = true;
    printScreens = true;
  }

  rl::RunLoop::setMainThread();
  rl::RunLoop& loop = rl::RunLoop::main();
  loop.setClock(rl::Clock::real());

  registerEveryScreen();
  ui::Application app;
  app.setDelegate(std::make_shared<AppDelegate>());
  app.launch();

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
