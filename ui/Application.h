#pragma once
// ui::Application: the one application object of the process, with its key window (the screen size,
// 320 x 480 points by default), its delegate and the application-wide state the screens read (status bar,
// idle timer). The life-cycle calls (launch, activation, termination) go to the delegate in the order the
// platform made them.
//
// Exactly one Application exists at a time: constructing one makes it current(); shared() returns the
// current one (making a default one when there is none). Tests make their own through the harness.

#include <functional>
#include <memory>

#include "ui/Animation.h"
#include "ui/Geometry.h"

namespace rl {
class ScopedDisallowBlocking;
}

namespace ui {

class Application;
class Window;

// The application's delegate. Every method but didFinishLaunching is optional.
struct ApplicationDelegate {
  virtual ~ApplicationDelegate() = default;
  // The platform sets `window` before didFinishLaunching; the delegate never makes a window itself.
  std::shared_ptr<Window> window;

  virtual bool didFinishLaunching(Application& app) = 0;
  virtual void willResignActive(Application& app) {}
  virtual void didEnterBackground(Application& app) {}
  virtual void willEnterForeground(Application& app) {}
  virtual void didBecomeActive(Application& app) {}
  virtual void willTerminate(Application& app) {}
};

enum class StatusBarStyle { Default = 0, LightContent = 1, BlackOpaque = 2 };
enum class InterfaceOrientation {
  Portrait = 1,
  PortraitUpsideDown = 2,
  LandscapeLeft = 4,
  LandscapeRight = 3
};

class Application {
 public:
  explicit Application(Size screen = {320, 480});
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  static Application& shared();
  static Application* current();  // nullptr when none exists

  Window& keyWindow() { return *window_; }
  std::shared_ptr<Window> sharedWindow() const { return window_; }
  Size screenSize() const { return screen_; }

  std::shared_ptr<ApplicationDelegate> delegate() const { return delegate_; }
  void setDelegate(std::shared_ptr<ApplicationDelegate> delegate) { delegate_ = std::move(delegate); }

  // The start as the platform's main makes it: window handed to the delegate, didFinishLaunching, then
  // didBecomeActive. Returns what didFinishLaunching answered (false without a delegate).
  // From here until the application goes, the main thread may not block on a socket or the disk
  // (rl::assertBlockingAllowed); the launch itself and willTerminate may.
  bool launch();
  void resignActive();     // willResignActive
  void enterBackground();  // didEnterBackground
  void enterForeground();  // willEnterForeground
  void becomeActive();     // didBecomeActive
  bool isActive() const { return active_; }

  // Ends the process with `status` after willTerminate. With a terminate handler set (tests), the
  // handler gets the status instead and the process goes on.
  void terminate(int status);
  void setTerminateHandler(std::function<void(int status)> handler) {
    terminateHandler_ = std::move(handler);
  }

  StatusBarStyle statusBarStyle() const { return statusBarStyle_; }
  void setStatusBarStyle(StatusBarStyle style, bool animated = false) { statusBarStyle_ = style; }
  bool isStatusBarHidden() const;
  void setStatusBarHidden(bool hidden, bool animated = false);
  InterfaceOrientation statusBarOrientation() const { return orientation_; }
  void setStatusBarOrientation(InterfaceOrientation orientation) { orientation_ = orientation; }
  Rect statusBarFrame() const;    // (0, 0, width, 20); empty when hidden
  Rect applicationFrame() const;  // the screen less the status bar: (0, 20, 320, 460)

  // Keeping the display lit: the flag is recorded (headless, it is all there is); a window that can
  // keep the desktop from going idle installs a hook, told of the current flag at once and of every
  // change after (an empty function removes it).
  bool isIdleTimerDisabled() const { return idleTimerDisabled_; }
  void setIdleTimerDisabled(bool disabled);
  void setIdleInhibitHook(std::function<void(bool inhibit)> hook);

  // Every view animation made while this application runs (ui/Animation.h).
  AnimationLog& animations() { return animations_; }
  const AnimationLog& animations() const { return animations_; }

 private:
  Size screen_;
  std::shared_ptr<Window> window_;
  std::shared_ptr<ApplicationDelegate> delegate_;
  std::function<void(int)> terminateHandler_;
  StatusBarStyle statusBarStyle_ = StatusBarStyle::Default;
  InterfaceOrientation orientation_ = InterfaceOrientation::Portrait;
  bool idleTimerDisabled_ = false;
  std::function<void(bool)> idleInhibitHook_;
  bool active_ = false;
  AnimationLog animations_;
  std::unique_ptr<rl::ScopedDisallowBlocking> noBlocking_;
};

}  // namespace ui
