#pragma once
// ui::test::FakeWebEngine: the scripted web engine the harness gives every web view. It keeps what the
// screen asked of the page and lets the test play the page's part:
//   auto& web = harness.web(view);
//   web.html(); web.baseURL(); web.url(); web.evaluated();      // what the screen loaded and ran
//   web.respond("document.getElementById('textarea_reply').value", "甲");   // a script's answer
//   bool allowed = web.navigate("vdprotocol://replyclickOK/B");  // the page follows a link
//   web.setHoldLoads(true); ... web.finishLoad(); / web.failLoad("offline");
//   web.setDeferResults(true); ... web.deliverResults();         // scripts answer later, as in WebKit
// Loads behave as HeadlessWebEngine's: offered to the web view on the next turn of the main run loop
// (harness.drainMain() runs it), then started and, unless held, finished. Scripts without an answer
// give "".

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ui/HeadlessWebEngine.h"

namespace ui::test {

class FakeWebEngine : public HeadlessWebEngine {
 public:
  void loadHTML(const std::string& html, const std::optional<std::string>& baseURL) override;
  void loadURL(const std::string& url) override;
  void stopLoading() override;
  void evaluate(const std::string& script, std::function<void(const std::string& result)> done) override;
  void setScalesPageToFit(bool scales) override { scalesPageToFit_ = scales; }

  // ---- what the screen did ----
  const std::string& html() const { return html_; }                       // the last HTML loaded
  const std::optional<std::string>& baseURL() const { return baseURL_; }  // ... and its base URL
  const std::string& url() const { return url_; }  // the last URL loaded or navigated to
  int loadCount() const { return loads_; }         // loadHTML and loadURL calls
  int stopCount() const { return stops_; }
  const std::vector<std::string>& evaluated() const { return evaluated_; }  // every script, in order
  bool scalesPageToFit() const { return scalesPageToFit_; }

  // ---- the page's part ----
  void respond(const std::string& script, std::string result) { answers_[script] = std::move(result); }
  // Answers for scripts that have no fixed answer (nullopt: "").
  void respondWith(std::function<std::optional<std::string>(const std::string& script)> answer) {
    answerFn_ = std::move(answer);
  }
  // Deferred: results wait until deliverResults() (in the order the scripts ran).
  void setDeferResults(bool defer) { defer_ = defer; }
  std::size_t pendingResults() const { return pending_.size(); }
  void deliverResults();
  // The page navigates (a link, a script setting window.location): the web view's delegate is asked at
  // once and its answer returned; an allowed navigation then loads as any load does.
  bool navigate(const std::string& url, WebViewNavigationType type = WebViewNavigationType::LinkClicked);
  // Held loads stop after started until finishLoad() or failLoad().
  void setHoldLoads(bool hold) { hold_ = hold; }
  bool hasHeldLoad() const { return held_; }
  void finishLoad();
  void failLoad(const std::string& description);
  // The page scrolled to `offset` of a page of `contentSize`.
  void scrollPage(Point offset, Size contentSize) { reportScrolled(offset, contentSize); }

 protected:
  bool finishesLoads() const override { return !hold_; }
  void loadHeld() override { held_ = true; }

 private:
  std::string html_;
  std::optional<std::string> baseURL_;
  std::string url_;
  int loads_ = 0;
  int stops_ = 0;
  std::vector<std::string> evaluated_;
  std::map<std::string, std::string> answers_;
  std::function<std::optional<std::string>(const std::string&)> answerFn_;
  bool defer_ = false;
  std::vector<std::pair<std::function<void(const std::string&)>, std::string>> pending_;
  bool hold_ = false;
  bool held_ = false;
  bool scalesPageToFit_ = false;
};

}  // namespace ui::test
