#pragma once
// SidePanelContainer: the root container of the main screen as the shell builds it (showMainVC): the
// home screen in a navigation controller as centre panel, the "more" menu as left panel. Each load of
// its view starts the background question-bank check the shell hands in (BankCheck).
//
// The home screens' folder implements it (SidePanelController) and registers the maker at start-up
// (registerAllScreens); without a maker the shell makes no main screen. Main thread.

#include <functional>
#include <memory>
#include <string>

namespace ui {
class ViewController;
}  // namespace ui

class SidePanelContainer {
 public:
  // The background question-bank check, from the owner. bankFile (main thread) names the chosen
  // subject's database file ("" without a subject); whether that file exists is looked up on a worker;
  // finished then gets the answer on the main thread. Without them the check does nothing.
  struct BankCheck {
    std::function<std::string()> bankFile;
    std::function<void(bool databaseExists)> finished;
  };

  virtual ~SidePanelContainer() = default;
  virtual void setCenterPanel(std::shared_ptr<ui::ViewController> panel) = 0;
  virtual void setLeftPanel(std::shared_ptr<ui::ViewController> panel) = 0;

  // A new container: the screen itself and its container face (the same object), both null while no
  // maker is registered.
  struct Made {
    std::shared_ptr<ui::ViewController> screen;
    SidePanelContainer* container = nullptr;
  };
  using Maker = std::function<Made(BankCheck check)>;
  static void registerMaker(Maker maker);  // replaces an earlier maker; an empty one removes it
  static Made make(BankCheck check);
};
