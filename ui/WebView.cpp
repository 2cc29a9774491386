#include "ui/WebView.h"

#include "platform/runloop/RunLoop.h"
#include "ui/HeadlessWebEngine.h"
#include "ui/PageResources.h"
#include "ui/detail/Appearance.h"

namespace ui {

namespace {
WebEngine::Factory& factory() {
  static WebEngine::Factory f;
  return f;
}
}  // namespace

const char* toString(WebViewNavigationType type) {
  switch (type) {
    case WebViewNavigationType::LinkClicked:
      return "LinkClicked";
    case WebViewNavigationType::FormSubmitted:
      return "FormSubmitted";
    case WebViewNavigationType::BackForward:
      return "BackForward";
    case WebViewNavigationType::Reload:
      return "Reload";
    case WebViewNavigationType::FormResubmitted:
      return "FormResubmitted";
    case WebViewNavigationType::Other:
      return "Other";
  }
  return "?";
}

void WebEngine::setFactory(Factory f) { factory() = std::move(f); }

std::unique_ptr<WebEngine> WebEngine::make(WebView& view) {
  if (auto& f = factory()) {
    if (auto engine = f(view)) return engine;
  }
  return std::make_unique<HeadlessWebEngine>();
}

WebView::WebView(Rect frame) : View(frame) {
  setBackgroundColor(Color::white());
  scrollView_ = std::make_shared<ScrollView>(bounds());
  addSubview(scrollView_);
}

WebView::~WebView() {
  // The engine goes first: nothing it still has running may report to a half-destroyed view.
  engine_.reset();
}

WebEngine& WebView::engine() {
  if (!engine_) {
    engine_ = WebEngine::make(*this);
    std::weak_ptr<View> weak = weak_from_this();
    auto self = [weak] { return std::static_pointer_cast<WebView>(weak.lock()); };
    WebEngine::Sink sink;
    sink.navigation = [self](const std::string& url, WebViewNavigationType type) {
      auto v = self();
      return v && v->navigationOffered(url, type);
    };
    sink.started = [self] {
      if (auto v = self()) v->loadStarted();
    };
    sink.finished = [self] {
      if (auto v = self()) v->loadFinished();
    };
    sink.failed = [self](const core::Error& error) {
      if (auto v = self()) v->loadFailed(error);
    };
    sink.scrolled = [self](Point offset, Size contentSize) {
      if (auto v = self()) v->pageScrolled(offset, contentSize);
    };
    engine_->setSink(std::move(sink));
    engine_->setScalesPageToFit(scalesPageToFit_);
  }
  return *engine_;
}

void WebView::loadHTMLString(std::string html, std::optional<std::string> baseURL) {
  detail::assertMainThread("WebView::loadHTMLString");
  if (baseURL && PageResources::isFileURL(*baseURL)) return refuseFileLoad();
  engine().loadHTML(html, baseURL);
}

void WebView::loadRequest(std::string url) {
  detail::assertMainThread("WebView::loadRequest");
  if (PageResources::isFileURL(url)) return refuseFileLoad();
  engine().loadURL(url);
}

void WebView::refuseFileLoad() {
  engine().stopLoading();  // what loads now is replaced, as by any newer load
  std::weak_ptr<View> weak = weak_from_this();
  rl::RunLoop::main().post([weak] {
    auto v = std::static_pointer_cast<WebView>(weak.lock());
    if (!v) return;
    v->loadStarted();
    v->loadFailed({kWebViewErrorDomain, kWebViewErrorLoadFailed, "file URLs are not shown"});
  });
}

void WebView::stopLoading() {
  detail::assertMainThread("WebView::stopLoading");
  if (!engine_) return;
  auto keep = shared_from_this();
  engine_->stopLoading();
  if (loading_) loadFailed({kWebViewErrorDomain, kWebViewErrorCancelled, "the load was stopped"});
}

void WebView::stringByEvaluatingJavaScriptFromString(std::string script,
                                                     std::function<void(const std::string& result)> done) {
  detail::assertMainThread("WebView::stringByEvaluatingJavaScriptFromString");
  if (!done) {
    engine().evaluate(script, {});
    return;
  }
  std::weak_ptr<View> weak = weak_from_this();
  engine().evaluate(script, [weak, done = std::move(done)](const std::string& result) {
    if (auto keep = weak.lock()) done(result);
  });
}

void WebView::setScalesPageToFit(bool scales) {
  if (scales == scalesPageToFit_) return;
  scalesPageToFit_ = scales;
  if (engine_) engine_->setScalesPageToFit(scales);
}

bool WebView::navigationOffered(const std::string& url, WebViewNavigationType type) {
  auto keep = shared_from_this();
  if (auto d = delegate()) return d->shouldStartLoadWithRequest(*this, url, type);
  return true;
}

void WebView::loadStarted() {
  auto keep = shared_from_this();
  if (loading_) {
    // The engine began another load before the last one ended: that one was replaced.
    loading_ = false;
    if (auto d = delegate())
      d->didFailLoadWithError(*this,
                              {kWebViewErrorDomain, kWebViewErrorCancelled, "replaced by a newer load"});
  }
  loading_ = true;
  if (auto d = delegate()) d->webViewDidStartLoad(*this);
}

void WebView::loadFinished() {
  if (!loading_) return;
  auto keep = shared_from_this();
  loading_ = false;
  if (auto d = delegate()) d->webViewDidFinishLoad(*this);
}

void WebView::loadFailed(const core::Error& error) {
  if (!loading_) return;
  auto keep = shared_from_this();
  loading_ = false;
  if (auto d = delegate()) d->didFailLoadWithError(*this, error);
}

void WebView::pageScrolled(Point offset, Size contentSize) {
  auto keep = shared_from_this();
  scrollView_->setContentSize(contentSize);
  if (scrollView_->contentOffset() != offset) scrollView_->setContentOffset(offset);
}

void WebView::layoutSubviews() {
  if (scrollView_) scrollView_->setFrame(bounds());
}

std::string WebView::describeSelf() const {
  std::string s = View::describeSelf();
  if (loading_) s += " loading";
  return s;
}

}  // namespace ui
