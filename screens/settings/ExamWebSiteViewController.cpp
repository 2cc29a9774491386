#include "screens/settings/ExamWebSiteViewController.h"

#include "platform/core/Bundle.h"
#include "widgets/ProgressHUD.h"

void ExamWebSiteViewController::loadView() {
  auto root = std::make_shared<ui::View>(defaultViewFrame());
  root->setBackgroundColor(ui::Color::white());
  vardoWebView_ = std::make_shared<ui::WebView>(root->bounds());
  vardoWebView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  root->addSubview(vardoWebView_);
  setView(root);
}

void ExamWebSiteViewController::viewDidLoad() {
  vardoWebView_->setDelegate(weakAs<ui::WebViewDelegate>());
  vardoWebView_->setScalesPageToFit(true);
  if (!sUrl_.empty()) vardoWebView_->loadRequest(sUrl_);
}

void ExamWebSiteViewController::showHudView() {
  if (!hudView_) {
    hudView_ = std::make_shared<ProgressHUD>(view());
    view().addSubview(hudView_);
  }
  view().bringSubviewToFront(*hudView_);
  hudView_->setLabelText(core::Bundle::main().localizedString("alertMessage"));
  hudView_->show(true);
}

void ExamWebSiteViewController::removeHudView() {
  if (hudView_) hudView_->removeFromSuperview();
  hudView_.reset();
}

void ExamWebSiteViewController::webViewDidStartLoad(ui::WebView&) { showHudView(); }

void ExamWebSiteViewController::webViewDidFinishLoad(ui::WebView&) { removeHudView(); }

// A page that cannot load must not leave the screen covered.
void ExamWebSiteViewController::didFailLoadWithError(ui::WebView&, const core::Error&) { removeHudView(); }
