#include "ui/HeadlessWebEngine.h"

#include "platform/runloop/RunLoop.h"

namespace ui {

HeadlessWebEngine::HeadlessWebEngine() : alive_(std::make_shared<int>(0)) {}

HeadlessWebEngine::~HeadlessWebEngine() = default;

void HeadlessWebEngine::loadHTML(const std::string& html, const std::optional<std::string>& baseURL) {
  queueLoad(baseURL.value_or("about:blank"), WebViewNavigationType::Other, false);
}

void HeadlessWebEngine::loadURL(const std::string& url) {
  queueLoad(url, WebViewNavigationType::Other, false);
}

void HeadlessWebEngine::stopLoading() { ++generation_; }

void HeadlessWebEngine::evaluate(const std::string& script,
                                 std::function<void(const std::string& result)> done) {
  if (done) done("");
}

void HeadlessWebEngine::queueLoad(std::string url, WebViewNavigationType type, bool offered) {
  const unsigned generation = ++generation_;
  std::weak_ptr<int> alive = alive_;
  rl::RunLoop::main().post([this, alive, generation, url = std::move(url), type, offered] {
    if (alive.expired() || generation != generation_) return;
    if (!offered && !offerNavigation(url, type)) return;
    if (alive.expired() || generation != generation_) return;
    reportStarted();
    if (alive.expired() || generation != generation_) return;
    if (finishesLoads()) {
      reportFinished();
    } else {
      loadHeld();
    }
  });
}

}  // namespace ui
