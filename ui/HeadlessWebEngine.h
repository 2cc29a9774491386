#pragma once
// ui::HeadlessWebEngine: the web engine of the headless model (vardo --headless, and any web view made
// while no presenter has installed its own factory). It renders nothing and runs no script: each load
// is offered to the web view on the next turn of the main run loop and, when allowed, starts and
// finishes there; every script answers "" at once. A newer load or stopLoading() drops a load that has
// not run yet.

#include <memory>
#include <string>

#include "ui/WebEngine.h"

namespace ui {

class HeadlessWebEngine : public WebEngine {
 public:
  HeadlessWebEngine();
  ~HeadlessWebEngine() override;

  void loadHTML(const std::string& html, const std::optional<std::string>& baseURL) override;
  void loadURL(const std::string& url) override;
  void stopLoading() override;
  void evaluate(const std::string& script, std::function<void(const std::string& result)> done) override;

 protected:
  // Queues a load of `url`: on the next turn it is offered (unless `offered`: the caller asked already),
  // then started, then finished unless finishesLoads() says no (the test engine holds loads on demand).
  void queueLoad(std::string url, WebViewNavigationType type, bool offered);
  virtual bool finishesLoads() const { return true; }
  // Called when a queued load has started and is not finished by the engine itself.
  virtual void loadHeld() {}

 private:
  std::shared_ptr<int> alive_;  // expires with the engine: posted work checks it
  unsigned generation_ = 0;
};

}  // namespace ui
