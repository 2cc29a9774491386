#include "screens/settings/FeedbackViewController.h"

#include "app/AppShell.h"
#include "app/ChosenSubject.h"
#include "app/Session.h"
#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "app/VDViewControllerFactory.h"
#include "exam/BaseTestHtmlViewController.h"
#include "exam/PageText.h"
#include "librarys/json/JsonWriter.h"
#include "platform/core/Bundle.h"
#include "platform/core/Text.h"
#include "platform/core/URL.h"
#include "screens/settings/ExamWebSiteViewController.h"
#include "screens/settings/FeedbackHistory.h"
#include "screens/settings/FeedbackPageTemplate.h"
#include "screens/settings/SiteAddresses.h"
#include "ui/AlertView.h"
#include "ui/BarButtonItem.h"
#include "ui/Image.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"
#include "ui/WeakScreen.h"
#include "widgets/HUDActivityIndicator.h"
#include "widgets/ProgressHUD.h"

namespace {

constexpr double kSendViewHeight = 50;
constexpr double kIndicatorSize = 32;

std::string localized(const char* key) { return core::Bundle::main().localizedString(key); }

core::Value session() {
  Session* session = Session::current();
  return session ? session->userSession() : core::Value();
}

// The logged-in user's name; empty for a guest.
std::string loggedInUserName() {
  const std::optional<SessionUser> user = Session::currentUser();
  return user ? user->userName : std::string();
}

}  // namespace

void FeedbackViewController::loadView() {
  auto root = std::make_shared<ui::View>(defaultViewFrame());
  root->setBackgroundColor(ui::Color::white());
  const ui::Size size = root->bounds().size;

  feedbackWebView_ = std::make_shared<ui::WebView>(ui::Rect(0, 0, size.width, size.height - kSendViewHeight));
  feedbackWebView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  root->addSubview(feedbackWebView_);

  sendView_ = std::make_shared<ui::View>(ui::Rect(0, size.height - kSendViewHeight, size.width, kSendViewHeight));
  sendView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleTopMargin);
  sendView_->setBackgroundColor(ui::Color::rgb255(226, 231, 230));
  fendbackTextView_ = std::make_shared<ui::TextField>(ui::Rect(8, 8, 244, 34));
  fendbackTextView_->setBackgroundColor(ui::Color::white());
  fendbackTextView_->setFont(ui::Font::system(15));
  fendbackTextView_->setPlaceholder("请输入您的意见或建议");
  sendView_->addSubview(fendbackTextView_);
  sendButton_ = std::make_shared<ui::Button>(ui::Rect(258, 8, 54, 34));
  sendButton_->setTitle(kSendTitle);
  sendButton_->setTitleColor(ui::Color::white());
  sendButton_->setBackgroundColor(ui::Color::rgb255(46, 156, 143));
  sendButton_->layer().setCornerRadius(6);
  sendButton_->addTarget(ui::ControlEvent::TouchUpInside,
                         ui::whileAlive(*this, [](FeedbackViewController& self) { self.submitMessage(); }));
  sendView_->addSubview(sendButton_);
  root->addSubview(sendView_);
  setView(root);
}

void FeedbackViewController::viewDidLoad() {
  setTitle(kTitle);
  feedbackWebView_->setScalesPageToFit(true);
  feedbackWebView_->setDelegate(weakAs<ui::WebViewDelegate>());

  const ui::Size size = view().bounds().size;
  activityIndicatorView_ = std::make_shared<HUDActivityIndicator>();
  activityIndicatorView_->setFrame(
      ui::Rect((size.width - kIndicatorSize) / 2, (size.height - kIndicatorSize) / 2, kIndicatorSize, kIndicatorSize));
  activityIndicatorView_->setHidden(true);
  view().addSubview(activityIndicatorView_);

  sendView_->layer().setContents(ui::Image::named("feedback_background.png"));
  fendbackTextView_->layer().setCornerRadius(6);
  fendbackTextView_->setClipsToBounds(true);

  auto allIdeas = ui::BarButtonItem::withTitle(
      kAllIdeasTitle, ui::BarButtonItem::Style::Bordered,
      ui::whileAlive(*this, [](FeedbackViewController& self) { self.allIdea(); }));
  allIdeas->setWidth(76);  // room for its four characters
  navigationItem().setRightBarButtonItem(allIdeas);

  loadWebView();
  softName_ = ChosenSubject::current().product.value;
}

void FeedbackViewController::viewWillAppear(bool) { VDAppStatistics::pageviewStartWithViewController(*this); }

void FeedbackViewController::viewWillDisappear(bool) { VDAppStatistics::pageviewEndWithViewController(*this); }

// ---- sending ----

core::Value FeedbackViewController::feedbackRequest(const std::string& content) const {
  const core::Value appName = session()["appInfo"]["Name"];
  const std::string user = loggedInUserName();
  return core::Dictionary{{"AppCName", appName.isString() ? appName.toString() : std::string()},
                          {"AppEName", softName_},
                          {"AppVersion", "越狱版" + core::Bundle::main().version()},
                          {"UserName", user.empty() ? std::string(FeedbackHistory::kGuestName) : user},
                          {"phone", ""},
                          {"Content", content}};
}

void FeedbackViewController::submitMessage() {
  const std::string text = fendbackTextView_->text();
  if (core::trim(text).empty()) {
    showAlert(kTitle, kEmptyMessage, "确认");
    return;
  }
  AppShell* app = AppShell::current();
  if (app && !app->isReachable()) {
    app->networkAlert(localized("alertNetwork"));
    return;
  }
  view().endEditing(true);
  userBll_ = std::make_shared<User>();
  userBll_->delegate = weakAs<UserDelegate>();
  userBll_->feedback(JSONRepresentation(feedbackRequest(text)).value_or("{}"));
}

void FeedbackViewController::didFeedback(bool ok, const core::Value& json) {
  if (!ok) {
    showAlert(kTitle, kFailedMessage, "关闭");
    return;
  }
  FeedbackHistory::add(FeedbackHistory::entry(fendbackTextView_->text(), VDHelper::now()));
  loadWebView();
  fendbackTextView_->setText("");
  showAlert(kTitle, json["Message"].toString(), "关闭");
}

void FeedbackViewController::showAlert(const std::string& title, const std::string& message,
                                       const std::string& button) {
  std::make_shared<ui::AlertView>(title, message, std::weak_ptr<ui::AlertViewDelegate>(), button)->show();
}

// ---- the page ----

std::string FeedbackViewController::loadFeedbackContentHtml(const std::string& feedbackContent,
                                                            const std::string& time, const std::string& name) {
  std::string html;
  html += "<table class=\"msg\"><tr><td></td><td class=\"topleft\"></td><td class=\"topmiddle\"></td>"
          "<td class=\"topright\"></td></tr>";
  html += "<tr><td class=\"middlemdk\"></td> <td class=\"middleleft\" style=\" vertical-align:text-top;\">"
          "<img src=\"c_fill.png\" height=\"22px;\" alt=\"\"/></td>";
  html += "<td class=\"middlemiddle\"> " + htmlEscaped(feedbackContent) +
          " <br/><div style=\" font-size:12px;float:right; color:#a9a9a9;\">" + htmlEscaped(time) +
          " &nbsp;&nbsp;&nbsp;&nbsp;" + htmlEscaped(name) + "</div></td>";
  html += "<td class=\"middleright\"></td></tr><tr><td></td><td class=\"bottomleft\"></td>"
          "<td class=\"bottommiddle\"></td><td class=\"bottomright\"></td></tr></table>";
  return html;
}

std::string FeedbackViewController::guestPage(const core::Value& history) {
  std::string page = feedbackPageTemplate(SiteAddresses::serviceHotline());
  const std::size_t count = history.size();
  const std::string slot = kFeedbackSlot;
  for (std::size_t i = 0; i < count; ++i) {
    const core::Value entry = history[i];
    std::string bubble = loadFeedbackContentHtml(entry["FeedbackContent"].toString(), entry["SaveTime"].toString(),
                                                 entry["UserName"].toString());
    if (i + 1 < count) bubble += slot;
    // The slot is where the next bubble goes; the escaped texts cannot hold one of their own.
    const std::size_t at = page.find(slot);
    if (at != std::string::npos) page.replace(at, slot.size(), bubble);
  }
  return page;
}

void FeedbackViewController::loadWebView() {
  const std::string user = loggedInUserName();
  if (!user.empty()) {
    feedbackWebView_->loadRequest(SiteAddresses::mobileSite() + kChatPage + core::escapeComponent(user));
    return;
  }
  feedbackList_ = FeedbackHistory::read();
  feedbackWebView_->loadHTMLString(guestPage(feedbackList_), BaseTestHtmlViewController::bundleBaseURL());
  feedbackWebView_->stringByEvaluatingJavaScriptFromString(kReload);
}

std::string FeedbackViewController::allIdeasURL() const {
  const core::Value appName = session()["appInfo"]["Name"];
  return SiteAddresses::mobileSite() + "MobileDevicesEntry.aspx?type=opinion&username=" +
         core::escapeComponent(loggedInUserName()) +
         "&softname=" + core::escapeComponent(appName.isString() ? appName.toString() : std::string()) +
         "&version=" + core::escapeComponent(core::Bundle::main().version()) + "&terminal=iphone";
}

void FeedbackViewController::allIdea() {
  auto screen = std::dynamic_pointer_cast<ExamWebSiteViewController>(
      VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(
          ExamWebSiteViewController::kIdentifier));
  ui::NavigationController* nav = navigationController();
  if (!screen || !nav) return;
  screen->setTitle(kAllIdeasTitle);
  screen->setSUrl(allIdeasURL());
  nav->pushViewController(screen, true);
}

// ---- loading ----

void FeedbackViewController::showHudView() {
  if (!hudView_) {
    hudView_ = std::make_shared<ProgressHUD>(view());
    view().addSubview(hudView_);
  }
  view().bringSubviewToFront(*hudView_);
  hudView_->setLabelText(localized("alertMessage"));
  hudView_->show(true);
}

void FeedbackViewController::hideHudView() {
  if (hudView_) hudView_->removeFromSuperview();
  hudView_.reset();
  if (activityIndicatorView_) {
    activityIndicatorView_->stopAnimating();
    activityIndicatorView_->setHidden(true);
  }
}

void FeedbackViewController::webViewDidStartLoad(ui::WebView&) {
  showHudView();
  activityIndicatorView_->setHidden(false);
  view().bringSubviewToFront(*activityIndicatorView_);
  activityIndicatorView_->startAnimating();
}

void FeedbackViewController::webViewDidFinishLoad(ui::WebView&) { hideHudView(); }

void FeedbackViewController::didFailLoadWithError(ui::WebView&, const core::Error&) { hideHudView(); }
