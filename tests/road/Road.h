#pragma once
// The road's driver: the application as `vardo` starts it (every screen registered, the standard
// services, the real window), on a fresh home, against the loopback API server with the sample bank,
// driven with real X input under the tests' Xvfb (tests/ui/gtk/WindowSession.h). Views are found in the
// model, by what they show; clicks go to where they show in the window. Pictures of the window are kept,
// numbered, in the shots folder, and each one is checked: every visible text drawn in glyphs the fonts
// have, and whole (not cut by its own frame or by what clips it).
//
// WebKit's console messages of every page are collected; a page's script error is a failure of the step
// in which it happened.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/ui/gtk/WindowSession.h"
#include "tests/support/TempDir.h"
#include "tools/testserver/apiserver/ApiServer.h"
#include "ui/AlertPanel.h"
#include "ui/Button.h"
#include "ui/Label.h"
#include "ui/TableView.h"
#include "ui/TextField.h"
#include "ui/TextView.h"
#include "ui/ViewController.h"
#include "ui/WebView.h"
#include "ui/gtk/WebKitEngine.h"

class AppDelegate;

namespace road {

// Where a driver's pictures go: the folder `env` names, else the one `defaultEnv` names, else `fallback`
// in the temporary directory; named "NN-name.png" in order when numbered, "name.png" otherwise.
struct Pictures {
  std::string env = "VD_ROAD_SHOTS";
  std::string defaultEnv = "VD_ROAD_DEFAULT_SHOTS";
  std::string fallback = "vd-road-shots";
  bool numbered = true;
};

class Road {
 public:
  Road() : Road(Pictures{}) {}
  explicit Road(Pictures pictures);
  ~Road();
  Road(const Road&) = delete;
  Road& operator=(const Road&) = delete;

  // The server and the fresh home; false (with failure()) when either cannot be had.
  bool prepare();
  const std::string& failure() const { return failure_; }
  testserver::ApiServer& server() { return server_; }
  const std::string& home() const { return home_->path(); }

  // Starts the application in its window (as `vardo` does), or ends it as closing the window does
  // (willTerminate, then the window goes). start() after stop() is the next start on the same home.
  void start();
  void stop();
  bool running() const { return session_ != nullptr; }
  AppDelegate& app();
  gtktest::WindowSession& window() { return *session_; }

  // ---- waiting (the window runs meanwhile; never a sleep) ----
  bool waitFor(const std::function<bool()>& done, double seconds = 20);
  // Until the window has nothing left to do and no request of the application is on its way.
  void settle();

  // ---- what shows ----
  // The screen the user sees: the front-most screen on the window, down to the child on show.
  ui::ViewController* topScreen();
  std::string topName();  // its class name ("" when none)
  // The front-most visible view of type T matching the predicate.
  template <class T>
  T* find(const std::function<bool(T&)>& match = {}) {
    T* found = nullptr;
    forEachVisible([&](ui::View& v) {
      auto* t = dynamic_cast<T*>(&v);
      if (t && (!match || match(*t))) found = t;
      return found != nullptr;
    });
    return found;
  }
  ui::Button* button(const std::string& title);  // a button or bar button showing this title
  ui::Label* label(const std::string& text);
  ui::Label* labelContaining(const std::string& part);
  ui::TableViewCell* row(const std::string& text);  // a row one of whose labels shows this text
  ui::TextField* field(const std::string& placeholder);
  ui::AlertPanel* alert();  // the top alert or sheet, or nullptr
  std::string alertText();  // its title and message
  // Where a view shows in the window: its frame clipped by the window and every clipping ancestor.
  ui::Rect visibleRect(const ui::View& view);
  std::string describe();  // the screens and what they show, for failure messages

  // ---- input: real X input at the view's place ----
  // Clicks the middle of what shows of the view; false (and nothing clicked) when nothing of it shows.
  bool click(const ui::View& view);
  void click(ui::Point windowPoint);
  bool clickButton(const std::string& title);
  bool clickRow(const std::string& text);
  // Clicks the field and types into it once it edits.
  bool typeInto(ui::TextField& field, const std::string& text);
  bool typeInto(ui::TextView& view, const std::string& text);
  // Answers the top alert with the button of this title.
  bool answerAlert(const std::string& buttonTitle);
  // A finger's drag across the window.
  void drag(ui::Point from, ui::Point to);
  // Drags the scroll view that holds the view until all of the view shows; false when it cannot.
  bool scrollIntoView(const ui::View& view);
  // The way back from the screen on show: its navigation bar's back button, or a "返回" button of its bar.
  bool back();

  // ---- web pages ----
  // Runs a script in the page and returns its result as text ("" for undefined, null and errors).
  std::string evaluate(ui::WebView& page, const std::string& script);
  // Clicks the element the CSS selector finds first in the page; false when there is none.
  bool clickInPage(ui::WebView& page, const std::string& selector);
  const std::vector<ui::gtk::WebKitEngine::ConsoleMessage>& console() const { return console_; }
  // The script errors of the pages since the last call (console errors and uncaught exceptions).
  std::vector<std::string> takeScriptErrors();

  // ---- pictures ----
  // Takes a picture of the window as the next numbered one ("NN-name.png") and checks what shows on it.
  gtktest::Shot shot(const std::string& name);
  const std::string& shotsDirectory() const { return shots_; }

  // Every visible view that shows in the window, front-most first, until f returns true.
  void forEachVisible(const std::function<bool(ui::View&)>& f);

 private:
  void checkTexts(const gtktest::Shot& shot, const std::string& name);

  std::string failure_;
  testserver::ApiServer server_;
  std::unique_ptr<testsupport::TempHome> home_;
  std::unique_ptr<gtktest::WindowSession> session_;
  std::shared_ptr<AppDelegate> delegate_;
  std::vector<ui::gtk::WebKitEngine::ConsoleMessage> console_;
  std::size_t reportedConsole_ = 0;
  Pictures pictures_;
  std::string shots_;
  int shotNumber_ = 0;
};

}  // namespace road
