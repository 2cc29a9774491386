#pragma once
// ExamWebSiteViewController ("examWebSite"): a web page screen that other screens push with an address
// (sUrl) and a title. The page loads when the screen loads; while a load runs a progress overlay
// ("alertMessage") covers the screen, and it goes when the load finishes or fails. Reports no page views.

#include <memory>
#include <string>

#include "ui/ViewController.h"
#include "ui/WebView.h"

class ProgressHUD;

class ExamWebSiteViewController : public ui::ViewController, public ui::WebViewDelegate {
 public:
  static constexpr const char* kIdentifier = "examWebSite";

  std::string className() const override { return "ExamWebSiteViewController"; }

  const std::string& sUrl() const { return sUrl_; }
  void setSUrl(std::string url) { sUrl_ = std::move(url); }

  void loadView() override;
  void viewDidLoad() override;

  void webViewDidStartLoad(ui::WebView& webView) override;
  void webViewDidFinishLoad(ui::WebView& webView) override;
  void didFailLoadWithError(ui::WebView& webView, const core::Error& error) override;

  ui::WebView* vardoWebView() const { return vardoWebView_.get(); }
  ProgressHUD* hudView() const { return hudView_.get(); }

 private:
  void showHudView();
  void removeHudView();

  std::string sUrl_;
  std::shared_ptr<ui::WebView> vardoWebView_;
  std::shared_ptr<ProgressHUD> hudView_;
};
