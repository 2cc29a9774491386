#include "ui/test/FakeWebEngine.h"

namespace ui::test {

void FakeWebEngine::loadHTML(const std::string& html, const std::optional<std::string>& baseURL) {
  html_ = html;
  baseURL_ = baseURL;
  ++loads_;
  held_ = false;
  HeadlessWebEngine::loadHTML(html, baseURL);
}

void FakeWebEngine::loadURL(const std::string& url) {
  url_ = url;
  ++loads_;
  held_ = false;
  HeadlessWebEngine::loadURL(url);
}

void FakeWebEngine::stopLoading() {
  ++stops_;
  held_ = false;
  HeadlessWebEngine::stopLoading();
}

void FakeWebEngine::evaluate(const std::string& script, std::function<void(const std::string& result)> done) {
  evaluated_.push_back(script);
  std::string result;
  if (auto it = answers_.find(script); it != answers_.end()) {
    result = it->second;
  } else if (answerFn_) {
    result = answerFn_(script).value_or("");
  }
  if (!done) return;
  if (defer_) {
    pending_.emplace_back(std::move(done), std::move(result));
    return;
  }
  done(result);
}

void FakeWebEngine::deliverResults() {
  auto pending = std::move(pending_);
  pending_.clear();
  for (auto& [done, result] : pending) done(result);
}

bool FakeWebEngine::navigate(const std::string& url, WebViewNavigationType type) {
  if (!offerNavigation(url, type)) return false;
  url_ = url;
  held_ = false;
  queueLoad(url, type, true);
  return true;
}

void FakeWebEngine::finishLoad() {
  if (!held_) return;
  held_ = false;
  reportFinished();
}

void FakeWebEngine::failLoad(const std::string& description) {
  if (!held_) return;
  held_ = false;
  reportFailed({kWebViewErrorDomain, kWebViewErrorLoadFailed, description});
}

}  // namespace ui::test
