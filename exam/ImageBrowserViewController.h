#pragma once
// ImageBrowserViewController ("imageBrowser"): one question image full screen in a web view. The
// question page's "imageclick" makes it, sets webhtml to "<img src='URL' />" of the cached image and has
// the answering screen present it modally. The HTML loads with no base URL; the web view does not
// bounce; its own zoom and scrolling stay. One tap anywhere (recognised together with any other gesture,
// touches still reaching the page) dismisses the viewer, animated.

#include <memory>
#include <string>

#include "ui/GestureRecognizer.h"
#include "ui/ViewController.h"
#include "ui/WebView.h"

class ImageBrowserViewController : public ui::ViewController, public ui::GestureRecognizerDelegate {
 public:
  static constexpr const char* kIdentifier = "imageBrowser";

  std::string className() const override { return "ImageBrowserViewController"; }

  const std::shared_ptr<ui::WebView>& imgWebView() const { return imgWebView_; }
  const std::string& webhtml() const { return webhtml_; }
  void setWebhtml(std::string html) { webhtml_ = std::move(html); }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  void tapClick(ui::GestureRecognizer& recognizer);
  bool shouldRecognizeSimultaneously(ui::GestureRecognizer& recognizer,
                                     ui::GestureRecognizer& other) override {
    return true;
  }

 private:
  std::shared_ptr<ui::WebView> imgWebView_;
  std::string webhtml_;
};
