#pragma once
// Internal: the appearance engine shared by views (automatic calls as controller views enter or leave a
// window) and by the containers (navigation, presentation, root switch), which drive the calls themselves
// in the fixed order: old will-disappear, new will-appear, [transition], old did-disappear, new did-appear.

#include <functional>
#include <memory>
#include <vector>

namespace rl {
class Timer;
}

namespace ui {
class View;
class ViewController;
class Window;
}  // namespace ui

namespace ui::detail {

struct ControllerRef {
  ViewController* vc = nullptr;
  std::shared_ptr<ViewController> keep;  // keeps a shared controller alive until its calls are made
};
using ControllerList = std::vector<ControllerRef>;

// Controllers whose root views lie in the subtree of `root`, parents before children.
ControllerList controllersIn(View& root);
// For a subtree about to enter a window: will-appear for each controller not yet appearing.
ControllerList beginEntering(View& root, bool animated);
// For a subtree about to leave a window: will-disappear for each controller that appeared or is appearing.
ControllerList beginLeaving(View& root, bool animated);
// did-appear / did-disappear for the controllers begun above.
void finish(const ControllerList& list);

// A transition between screens: outgoing views leave, an incoming view arrives. start() makes the
// will-calls, runs attach (which puts the incoming view in place), and either finishes at once or, when
// animated, after kTransitionDuration on the main run loop's clock (touches are ignored meanwhile).
// Finishing runs detach (which removes the outgoing views), makes the did-calls, then runs done.
class Transition : public std::enable_shared_from_this<Transition> {
 public:
  static constexpr double kTransitionDuration = 0.35;

  struct Steps {
    std::vector<View*> outgoing;  // views whose controllers disappear (only those in a window count)
    View* incoming = nullptr;     // the view whose controllers appear
    bool incomingEntersWindow = false;
    bool animated = false;
    std::function<void()> attach;
    std::function<void()> detach;
    std::function<void()> done;
  };

  static std::shared_ptr<Transition> start(Window* window, Steps steps);
  void finish();
  bool isFinished() const { return finished_; }

  // Finishes every transition still running (before a new one starts, and when the application goes).
  static void finishAll();

 private:
  Steps steps_;
  ControllerList outgoing_;
  ControllerList incoming_;
  std::weak_ptr<View> window_;
  std::shared_ptr<rl::Timer> timer_;
  bool blocking_ = false;
  bool finished_ = false;
};

// Keeps an object alive until the main run loop's next turn (controllers released from inside their
// own calls), or until releasePending().
void releaseLater(std::shared_ptr<void> object);
void releasePending();

// Aborts in debug builds when called off the main thread.
void assertMainThread(const char* what);

}  // namespace ui::detail
