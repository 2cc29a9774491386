#pragma once
// WebViewScriptTarget: a web view as a page that native code runs scripts in (PageScriptTarget), for
// VDHelper's page calls. It holds the web view weakly: once the view is gone, scripts are dropped and
// its frame is empty.

#include <memory>
#include <string>
#include <utility>

#include "app/PageScriptTarget.h"
#include "ui/WebView.h"

class WebViewScriptTarget : public PageScriptTarget {
 public:
  explicit WebViewScriptTarget(const std::shared_ptr<ui::WebView>& webView) : webView_(webView) {}

  void evaluateJavaScript(const std::string& script, Completion done) override {
    if (auto view = webView_.lock()) view->stringByEvaluatingJavaScriptFromString(script, std::move(done));
  }
  ui::Rect frame() const override {
    auto view = webView_.lock();
    return view ? view->frame() : ui::Rect{};
  }

 private:
  std::weak_ptr<ui::WebView> webView_;
};
