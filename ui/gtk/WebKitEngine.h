#pragma once
// ui::gtk::WebKitEngine: the web engine of the window, a WebKitGTK web view. The web view's mirror shows
// widget() as its native peer, at the web view's place in the z-order.
//
// - HTML is loaded as bytes with an explicit UTF-8 encoding (the question template's meta names another
//   charset), against its base URL, or "vdbundle://bundle/" without one; the navigation the web view
//   hears of for it carries the base URL, or "about:blank".
// - Pages read files only through the "vdbundle" scheme (ui/PageResources.h: the bundle's page resources
//   and the image cache; everything else is not found), never through file URLs; they open no windows
//   and no connection ahead of use (preconnect, DNS prefetch and prefetch links are off).
// - Every page the application makes (HTML it loads, a "vdbundle" page) holds to a content security
//   policy: no network, resources of the "vdbundle" scheme only, scripts only from the bundle, inline
//   script elements and event handlers only those registered with ui::PageResources, no forms sent, no
//   base element. What it blocks is reported to the console listener as an error ("blocked by the page
//   policy: DIRECTIVE URL"). A navigation such a page begins by itself (a refresh in its markup), and
//   one to the network or the disk (http, https, ftp, ws, wss, file, data, blob, javascript URLs) even
//   at a tap, are refused and reported too (a tapped link of that kind is stopped in the page itself,
//   before WebKit would connect); the others (the bridge's scheme, "vdbundle") go on as below.
// - Every navigation WebKit asks about (main frame, frames, new windows) is put to the web view as it
//   comes, the URL with its case kept; a refused one is ignored by WebKit.
// - Script results come back as text: "" for undefined, null and errors.
// - The page reports its scrolling through a small user script, which the web view's scroll view
//   follows. The scroll view's top content inset (the room the answering screen leaves for its bars) is
//   kept as room above the page: the page is padded by it, and its top is offset -inset.
// - What a page writes to its console (console.log/info/warn/error) and the errors it does not catch (a
//   script that throws, a script or style sheet that fails to load) are reported, through a user script
//   that runs before the page's own, to the console listener (setConsoleListener), and so are the
//   errors of the scripts the application evaluates; without a listener, errors go to standard error.
// - One web process for all pages: every engine's view is related to a view that holds the process (a
//   page view showing a page, or else one hidden view), so the pages share its web process instead of
//   starting one each. prewarm() makes the hidden view and starts its process ahead of the first page
//   (the window calls it once it has painted its first frame); the hidden view goes once a page has
//   come in, and comes back (in the same process) when the last page view showing a page goes, so the
//   next page finds the process warm. releaseSharedProcess() lets the process go (the window, when it
//   closes): the pages still open keep it while they live, and no hidden view is made again until the
//   next prewarm().

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ui/Color.h"
#include "ui/WebEngine.h"
#include "ui/WebView.h"

typedef struct _GtkWidget GtkWidget;
typedef struct _WebKitWebView WebKitWebView;

namespace ui::gtk {

class WebKitEngine : public WebEngine {
 public:
  struct ConsoleMessage {
    std::string level;  // "log", "info", "warn", "error"; uncaught errors are "error"
    std::string text;   // for an uncaught error: its message, then " (source:line)" when known
  };
  using ConsoleListener = std::function<void(const ConsoleMessage& message)>;
  // One listener for every page of the process (main thread); an empty one restores the default.
  static void setConsoleListener(ConsoleListener listener);
  // Starts the web process the pages will share, if it is not running yet (main thread).
  static void prewarm();
  // Drops the hidden view that holds the shared process, and makes none again until prewarm().
  static void releaseSharedProcess();

  // `view` is the web view the engine shows (it owns the engine); nullptr for an engine of its own.
  explicit WebKitEngine(WebView* view = nullptr);
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
  static void consoleMessage(const std::string& report);

 private:
  WebView* model_ = nullptr;
  WebKitWebView* view_ = nullptr;
  double paddedTop_ = 0;  // the top inset the page is padded by
  std::shared_ptr<int> alive_;
  bool failed_ = false;
  // The URL to report for the first navigation of HTML just loaded.
  std::optional<std::string> htmlNavigationURL_;
  bool scalesPageToFit_ = false;
  int ownLoadsPending_ = 0;  // loads the web view asked for whose navigation WebKit has not put yet
  bool sandboxed_ = false;       // the page is the application's (HTML it loaded, a "vdbundle" page)
};

}  // namespace ui::gtk
