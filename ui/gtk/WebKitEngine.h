#pragma once
// ui::gtk::WebKitEngine: the web engine of the window, a WebKitGTK web view. The web view's mirror shows
// widget() as its native peer, at the web view's place in the z-order.
//
// - HTML is loaded as bytes with an explicit UTF-8 encoding (the question template's meta names another
//   charset), against its base URL, or "file:///" without one so that a page may show cached file
//   images; the navigation the web view hears of for it carries the base URL, or "about:blank".
// - File pages may read other files (the bundle's style sheet and scripts, the image cache).
// - Every navigation WebKit asks about (main frame, frames, new windows) is put to the web view as it
//   comes, the URL with its case kept; a refused one is ignored by WebKit.
// - Script results come back as text: "" for undefined, null and errors.
// - The page reports its scrolling through a small user script, which the web view's scroll view
//   follows.
// - Console messages (console.log, info, warn, error, debug) and the page's script errors (uncaught
//   exceptions, unhandled promise rejections) are reported through a second user script, injected before
//   the page's own scripts, to the process-wide console observer, when one is set.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ui/Color.h"
#include "ui/WebEngine.h"

typedef struct _GtkWidget GtkWidget;
typedef struct _WebKitWebView WebKitWebView;

namespace ui::gtk {

// One console message of a page: its level ("log", "info", "warn", "error", "debug", or "exception" for
// an uncaught script error or unhandled rejection), its text, and where it came from (the script's URL and
// line, when the engine knows them; otherwise the page's URL).
struct ConsoleMessage {
  std::string level;
  std::string text;
  std::string source;
  int line = 0;
};

class WebKitEngine : public WebEngine {
 public:
  using ConsoleObserver = std::function<void(const ConsoleMessage& message)>;
  // Every engine's console messages go to `observer` (main thread); an empty one drops them (the default).
  static void setConsoleObserver(ConsoleObserver observer);

  WebKitEngine();
  ~WebKitEngine() override;

  GtkWidget* widget() const;

  void loadHTML(const std::string& html, const std::optional<std::string>& baseURL) override;
  void loadURL(const std::string& url) override;
  void stopLoading() override;
  void evaluate(const std::string& script, std::function<void(const std::string& result)> done) override;
  void setScalesPageToFit(bool scales) override;
  void setBackgroundColor(const Color& color);

  // Toolkit callbacks (public for the C trampolines).
  bool decideNavigation(const std::string& url, WebViewNavigationType type, bool mainFrameOther);
  void loadChanged(int event);
  void loadFailed(const std::string& message, bool cancelled);
  void pageScrolled(const std::string& report);
  void consoleMessage(const std::string& report);

 private:
  WebKitWebView* view_ = nullptr;
  std::shared_ptr<int> alive_;
  bool failed_ = false;
  // The URL to report for the first navigation of HTML just loaded.
  std::optional<std::string> htmlNavigationURL_;
  bool scalesPageToFit_ = false;
};

}  // namespace ui::gtk
