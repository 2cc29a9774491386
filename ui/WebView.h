#pragma once
// ui::WebView: a view showing a web page: HTML given as text (with a base URL for its relative
// references) or a page loaded from a URL. The page itself lives in the view's engine (ui/WebEngine.h):
// the WebKitGTK engine in the window, a stand-in headless, a scripted fake in tests.
//
// What the delegate hears:
// - shouldStartLoadWithRequest for every navigation of the page, the first load of HTML included (the
//   URL is then the base URL, or "about:blank" without one); false refuses it and nothing of it loads;
// - webViewDidStartLoad when a load of the page begins, then exactly one of webViewDidFinishLoad and
//   didFailLoadWithError for it. A load that is stopped (stopLoading) or replaced by a newer load before
//   it ends fails with kWebViewErrorCancelled.
// Loads begin later, never inside loadHTMLString / loadRequest.
// File URLs are never shown: a page reads its files through the "vdbundle" scheme (ui/PageResources.h).
// loadRequest of a file URL, or loadHTMLString with a file base URL, is not offered to the delegate: it
// replaces what loads now and fails (webViewDidStartLoad, then didFailLoadWithError with
// kWebViewErrorLoadFailed), the same in every engine.
//
// Scripts: stringByEvaluatingJavaScriptFromString hands the result to `done` as text ("" for undefined,
// null and errors). In the window the result comes later; the caller goes on in `done`. Results for a
// web view that is gone are dropped.
//
// scrollView() is the view the page scrolls in: it is as large as the web view and follows the page's
// own scrolling (its delegate hears scrollViewDidScroll), so screens can watch it.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/core/Error.h"
#include "ui/ScrollView.h"
#include "ui/View.h"
#include "ui/WebEngine.h"

namespace ui {

class WebView;

// Every method is optional.
struct WebViewDelegate {
  virtual ~WebViewDelegate() = default;
  virtual bool shouldStartLoadWithRequest(WebView& webView, const std::string& url,
                                          WebViewNavigationType navigationType) {
    return true;
  }
  virtual void webViewDidStartLoad(WebView& webView) {}
  virtual void webViewDidFinishLoad(WebView& webView) {}
  virtual void didFailLoadWithError(WebView& webView, const core::Error& error) {}
};

class WebView : public View {
 public:
  explicit WebView(Rect frame = {});
  ~WebView() override;
  std::string className() const override { return "WebView"; }

  std::shared_ptr<WebViewDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<WebViewDelegate> delegate) { delegate_ = std::move(delegate); }

  // `html` is UTF-8 text, whatever charset its meta tags name.
  void loadHTMLString(std::string html, std::optional<std::string> baseURL);
  // http(s) and "vdbundle" URLs.
  void loadRequest(std::string url);
  void stopLoading();
  bool isLoading() const { return loading_; }
  void stringByEvaluatingJavaScriptFromString(std::string script,
                                              std::function<void(const std::string& result)> done = {});

  bool scalesPageToFit() const { return scalesPageToFit_; }
  void setScalesPageToFit(bool scales);

  ScrollView& scrollView() const { return *scrollView_; }

  // The engine (made by WebEngine's factory on first use).
  WebEngine& engine();
  WebEngine* engineIfMade() const { return engine_.get(); }

  std::string describeSelf() const override;

 protected:
  void layoutSubviews() override;

 private:
  bool navigationOffered(const std::string& url, WebViewNavigationType type);
  void refuseFileLoad();
  void loadStarted();
  void loadFinished();
  void loadFailed(const core::Error& error);
  void pageScrolled(Point offset, Size contentSize);

  std::weak_ptr<WebViewDelegate> delegate_;
  std::unique_ptr<WebEngine> engine_;
  std::shared_ptr<ScrollView> scrollView_;
  bool loading_ = false;
  bool scalesPageToFit_ = false;
};

}  // namespace ui
