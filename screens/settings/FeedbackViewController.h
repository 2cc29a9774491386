#pragma once
// FeedbackViewController ("feedback", title "意见反馈"): the user sends a suggestion about the application
// and sees a chat-like page of earlier feedback. The input area at the bottom (sendView) holds the text
// field and the send button; the rest is the web page:
// - a logged-in user sees the server's conversation for his account: the mobile site's
//   "feedback/iPhoneFeedbackChat.aspx?username=<name>";
// - a guest sees a page built here from FeedbackHistory: the welcome bubble, then one bubble per entry,
//   newest first. Texts go into the bubbles HTML-escaped: a sent text is shown as the text it is, never
//   run as markup or script in a page whose base is the bundle's resource directory.
//
// Sending: an empty (or blank) text alerts "您好，反馈内容不能为空!"; without network the application's
// network alert shows; otherwise the text goes to the server (User::feedback). An accepted feedback is
// added to the history (as "游客", whoever sends it), the page is loaded again, the field is cleared and
// the server's message is shown; a refused or failed one alerts "请求失败！" and saves nothing.
// The bar's "全部意见" opens every user's ideas in the web page screen.
//
// While the page loads, a progress overlay ("alertMessage") covers the screen and an activity
// indicator spins; both end when the load finishes or fails.

#include <memory>
#include <string>

#include "platform/core/Value.h"
#include "service/User.h"
#include "ui/Button.h"
#include "ui/TextField.h"
#include "ui/View.h"
#include "ui/ViewController.h"
#include "ui/WebView.h"

class HUDActivityIndicator;
class ProgressHUD;

class FeedbackViewController : public ui::ViewController, public UserDelegate, public ui::WebViewDelegate {
 public:
  static constexpr const char* kIdentifier = "feedback";
  static constexpr const char* kTitle = "意见反馈";
  static constexpr const char* kEmptyMessage = "您好，反馈内容不能为空!";
  static constexpr const char* kFailedMessage = "请求失败！";
  static constexpr const char* kSendTitle = "发送";
  static constexpr const char* kAllIdeasTitle = "全部意见";
  static constexpr const char* kChatPage = "feedback/iPhoneFeedbackChat.aspx?username=";
  static constexpr const char* kReload = "location.reload()";

  std::string className() const override { return "FeedbackViewController"; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // ---- actions ----
  void submitMessage();
  void allIdea();
  void didFeedback(bool ok, const core::Value& json) override;

  // ---- the page ----
  void loadWebView();
  // The feedback request for `content` (the JSON object submitMessage sends).
  core::Value feedbackRequest(const std::string& content) const;
  // One bubble: text, save time and name, each HTML-escaped.
  static std::string loadFeedbackContentHtml(const std::string& feedbackContent, const std::string& time,
                                             const std::string& name);
  // The guest's page for a history (newest first).
  static std::string guestPage(const core::Value& history);
  // "MobileDevicesEntry.aspx?..." on the mobile site: every user's ideas.
  std::string allIdeasURL() const;

  // ---- web view ----
  void webViewDidStartLoad(ui::WebView& webView) override;
  void webViewDidFinishLoad(ui::WebView& webView) override;
  void didFailLoadWithError(ui::WebView& webView, const core::Error& error) override;

  // ---- outlets ----
  ui::TextField* fendbackTextView() const { return fendbackTextView_.get(); }
  ui::View* sendView() const { return sendView_.get(); }
  ui::Button* sendButton() const { return sendButton_.get(); }
  ui::WebView* feedbackWebView() const { return feedbackWebView_.get(); }
  ProgressHUD* hudView() const { return hudView_.get(); }
  HUDActivityIndicator* activityIndicatorView() const { return activityIndicatorView_.get(); }
  const std::string& softName() const { return softName_; }
  const core::Value& feedbackList() const { return feedbackList_; }

 private:
  void showHudView();
  void hideHudView();
  void showAlert(const std::string& title, const std::string& message, const std::string& button);

  std::shared_ptr<ui::TextField> fendbackTextView_;
  std::shared_ptr<ui::View> sendView_;
  std::shared_ptr<ui::Button> sendButton_;
  std::shared_ptr<ui::WebView> feedbackWebView_;
  std::shared_ptr<User> userBll_;
  std::shared_ptr<ProgressHUD> hudView_;
  std::shared_ptr<HUDActivityIndicator> activityIndicatorView_;
  std::string softName_;
  core::Value feedbackList_ = core::Value::newArray();
};
