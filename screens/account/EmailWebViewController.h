#pragma once
// EmailWebViewController: the in-application browser of the e-mail verification ("emailWeb"). It opens
// the user's web mail and watches every page it loads: while a load runs, a loading overlay (a
// half-black view, tag 108, with a white activity indicator) covers the page; when a page finishes, its
// text is read and, when it is a server reply ({"Body", "Message", ...}: the answer to the verification
// link), the page is blanked and, for a "Body" that is there and not null, an alert shows the reply's
// "Message". On "确定": a true "Body" (the address is verified) makes a new login screen the window's
// root; any other pops the browser.
//
// Every load that ends (finished, failed or replaced by a newer one) takes one overlay away, so no
// overlay outlives the loads. For the one provider whose web mail loads many pages in a row, only the
// first load of the screen shows the overlay.
//
// Main thread only.

#include <memory>
#include <string>

#include "ui/ViewController.h"
#include "ui/WebView.h"

class EmailWebViewController : public ui::ViewController, public ui::WebViewDelegate {
 public:
  static constexpr const char* kIdentifier = "emailWeb";
  static constexpr int kOverlayTag = 108;
  // The provider whose web mail shows the overlay for the first load only.
  static constexpr const char* kSingleOverlayProvider = "qq.com";
  static constexpr const char* kPageText = "document.documentElement.innerText";
  static constexpr const char* kBlankPage = "document.documentElement.innerHTML=''";

  std::string className() const override { return "EmailWebViewController"; }

  const std::string& emailUrl() const { return emailUrl_; }
  void setEmailUrl(std::string url) { emailUrl_ = std::move(url); }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  void webViewDidStartLoad(ui::WebView& webView) override;
  void webViewDidFinishLoad(ui::WebView& webView) override;
  void didFailLoadWithError(ui::WebView& webView, const core::Error& error) override;

  ui::WebView* emailWebView() const { return emailWebView_.get(); }
  bool isActivityIndicator() const { return isActivityIndicator_; }
  // The loading overlays on show (one per load that runs).
  int overlayCount() const;

 private:
  void removeOverlay();
  void readPage(const std::string& text);
  void verified(bool ok);

  std::string emailUrl_;
  std::shared_ptr<ui::WebView> emailWebView_;
  bool isActivityIndicator_ = false;
};
