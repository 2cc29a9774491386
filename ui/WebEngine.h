#pragma once
// ui::WebEngine: what renders and runs the pages of one ui::WebView. The model never parses HTML or runs
// scripts itself; it hands loads and scripts to its engine and hears back through the engine's sink.
// Engines: HeadlessWebEngine (the default: no rendering, every load ends at once), the scripted fake of
// the tests (ui/test/FakeWebEngine.h) and the WebKitGTK engine of the window (ui/gtk).
//
// What an engine promises its web view:
// - every navigation of the page (the first load of HTML or of a URL included) is offered to
//   sink().navigation(url, type) before anything of it is loaded, and a refused navigation loads
//   nothing; for HTML the URL offered is the base URL, or "about:blank" without one;
// - a main-frame load that began reports started() once and then finished() or failed() (the web view
//   sorts out duplicates and stray reports, so an engine may pass on what its toolkit says);
// - evaluate() hands the script's result to `done` as text, later or at once: "" for undefined, null and
//   errors, the text form of anything else; `done` may be empty (nothing is reported);
// - nothing is reported after the engine is destroyed. A report may destroy the engine (the delegate
//   removed the last hold on its web view): an engine returns at once after reporting.
// Engines are made by the process-wide factory (setFactory) when a web view first needs one, and are
// used on the main thread only.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/core/Error.h"
#include "ui/Geometry.h"

namespace ui {

class WebView;

// Errors of web view loads: a load stopped or replaced before it ended, and any other failure.
inline constexpr const char* kWebViewErrorDomain = "WebViewErrorDomain";
inline constexpr int kWebViewErrorCancelled = -999;
inline constexpr int kWebViewErrorLoadFailed = -1;

enum class WebViewNavigationType { LinkClicked, FormSubmitted, BackForward, Reload, FormResubmitted, Other };
const char* toString(WebViewNavigationType type);

class WebEngine {
 public:
  struct Sink {
    // Asked before a navigation; false refuses it.
    std::function<bool(const std::string& url, WebViewNavigationType type)> navigation;
    std::function<void()> started;
    std::function<void()> finished;
    std::function<void(const core::Error& error)> failed;
    // The page scrolled or changed size (offset into the page, page size): the web view's scroll view
    // follows.
    std::function<void(Point offset, Size contentSize)> scrolled;
  };
  using Factory = std::function<std::unique_ptr<WebEngine>(WebView& view)>;

  WebEngine() = default;
  virtual ~WebEngine() = default;
  WebEngine(const WebEngine&) = delete;
  WebEngine& operator=(const WebEngine&) = delete;

  // The HTML is UTF-8 whatever its own meta tags say; the base URL resolves its relative references.
  virtual void loadHTML(const std::string& html, const std::optional<std::string>& baseURL) = 0;
  virtual void loadURL(const std::string& url) = 0;
  virtual void stopLoading() = 0;
  virtual void evaluate(const std::string& script, std::function<void(const std::string& result)> done) = 0;
  virtual void setScalesPageToFit(bool scales) {}

  void setSink(Sink sink) { sink_ = std::move(sink); }
  const Sink& sink() const { return sink_; }

  // The factory every new engine comes from; an empty one restores HeadlessWebEngine.
  static void setFactory(Factory factory);
  static std::unique_ptr<WebEngine> make(WebView& view);

 protected:
  // Safe to call whether or not the web view set the sink function.
  bool offerNavigation(const std::string& url, WebViewNavigationType type) const {
    return !sink_.navigation || sink_.navigation(url, type);
  }
  void reportStarted() const {
    if (sink_.started) sink_.started();
  }
  void reportFinished() const {
    if (sink_.finished) sink_.finished();
  }
  void reportFailed(const core::Error& error) const {
    if (sink_.failed) sink_.failed(error);
  }
  void reportScrolled(Point offset, Size contentSize) const {
    if (sink_.scrolled) sink_.scrolled(offset, contentSize);
  }

 private:
  Sink sink_;
};

}  // namespace ui
