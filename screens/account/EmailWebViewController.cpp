#include "screens/account/EmailWebViewController.h"

#include "app/ReplyCheck.h"
#include "app/VDAppStatistics.h"
#include "librarys/json/JsonParser.h"
#include "platform/core/Bundle.h"
#include "screens/account/AccountShared.h"
#include "service/ApiClientSupport.h"
#include "ui/NavigationController.h"
#include "ui/WeakScreen.h"
#include "widgets/HUDActivityIndicator.h"
#include "widgets/UIAlertViewBlock.h"

namespace {
constexpr double kIndicatorSize = 32;
}

void EmailWebViewController::loadView() {
  auto root = std::make_shared<ui::View>(defaultViewFrame());
  root->setBackgroundColor(ui::Color::white());
  emailWebView_ = std::make_shared<ui::WebView>(root->bounds());
  emailWebView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  emailWebView_->setScalesPageToFit(true);
  root->addSubview(emailWebView_);
  setView(root);
}

void EmailWebViewController::viewDidLoad() {
  setTitle("邮箱验证");
  emailWebView_->setDelegate(weakAs<ui::WebViewDelegate>());
  if (!emailUrl_.empty()) emailWebView_->loadRequest(emailUrl_);
}

void EmailWebViewController::viewWillAppear(bool) { VDAppStatistics::pageviewStartWithViewController(*this); }

void EmailWebViewController::viewWillDisappear(bool) { VDAppStatistics::pageviewEndWithViewController(*this); }

int EmailWebViewController::overlayCount() const {
  int count = 0;
  if (ui::View* root = viewIfLoaded())
    for (const auto& v : root->subviews())
      if (v->tag() == kOverlayTag) ++count;
  return count;
}

void EmailWebViewController::webViewDidStartLoad(ui::WebView&) {
  if (emailUrl_.find(kSingleOverlayProvider) != std::string::npos) {
    if (isActivityIndicator_) return;
  }
  isActivityIndicator_ = true;
  ui::View& root = view();
  auto overlay = std::make_shared<ui::View>(ui::Rect(0, 0, 320, root.bounds().size.height));
  overlay->setBackgroundColor(ui::Color::gray(0, 0.5));
  overlay->setTag(kOverlayTag);
  overlay->setAutoresizingMask(ui::kAutoresizingFlexibleHeight);  // stays as high as the view
  auto indicator = std::make_shared<HUDActivityIndicator>();
  indicator->setFrame(ui::Rect((320 - kIndicatorSize) / 2, (root.bounds().size.height - kIndicatorSize) / 2,
                               kIndicatorSize, kIndicatorSize));
  indicator->startAnimating();
  overlay->addSubview(indicator);
  root.addSubview(overlay);
}

void EmailWebViewController::removeOverlay() {
  ui::View* root = viewIfLoaded();
  ui::View* overlay = root ? root->viewWithTag(kOverlayTag) : nullptr;
  if (!overlay) return;
  for (const auto& v : overlay->subviews())
    if (auto* indicator = dynamic_cast<HUDActivityIndicator*>(v.get())) indicator->stopAnimating();
  overlay->removeFromSuperview();
}

void EmailWebViewController::didFailLoadWithError(ui::WebView&, const core::Error&) { removeOverlay(); }

void EmailWebViewController::webViewDidFinishLoad(ui::WebView& webView) {
  removeOverlay();
  const auto w = ui::weakScreen(*this);
  webView.stringByEvaluatingJavaScriptFromString(kPageText, [w](const std::string& text) {
    if (auto self = w.lock()) self->readPage(text);
  });
}

void EmailWebViewController::readPage(const std::string& text) {
  const core::Value reply = JSONValue(text);
  if (!reply.isDictionary()) return;
  emailWebView_->stringByEvaluatingJavaScriptFromString(kBlankPage);
  const core::Value body = reply["Body"];
  if (body.isNilOrNull()) return;
  // Only a "Body" that says true is a verified address: a page of another shape sends the user back.
  const bool ok = apiclient::bodyIsTrue(reply);
  const core::Value said = reply["Message"];
  std::string message = said.isString() ? ReplyCheck::shortened(said.str()) : std::string();
  if (message.empty() && !ok) message = replyMessage(reply);
  const auto w = ui::weakScreen(*this);
  auto alert = std::make_shared<UIAlertViewBlock>(
      core::Bundle::main().localizedString("alertTitle"), message,
      [w, ok](bool, int) {
        if (auto self = w.lock()) self->verified(ok);
      },
      std::optional<std::string>("确定"), std::vector<std::string>{});
  alert->show();
}

void EmailWebViewController::verified(bool ok) {
  if (ok) {
    showLoginAsWindowRoot();
    return;
  }
  ui::NavigationController* nav = navigationController();
  if (nav && nav->viewControllers().size() > 1 && nav->viewControllers().back().get() == this)
    nav->popViewController(true);
}
