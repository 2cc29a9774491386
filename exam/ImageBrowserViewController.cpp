#include "exam/ImageBrowserViewController.h"

#include "app/VDAppStatistics.h"
#include "ui/WeakScreen.h"

void ImageBrowserViewController::loadView() {
  ui::ViewController::loadView();
  imgWebView_ = std::make_shared<ui::WebView>(view().bounds());
  imgWebView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  view().addSubview(imgWebView_);
}

void ImageBrowserViewController::viewDidLoad() {
  imgWebView_->scrollView().setBounces(false);
  imgWebView_->loadHTMLString(webhtml_, std::nullopt);
  auto tap = std::make_shared<ui::TapGestureRecognizer>();
  tap->setNumberOfTapsRequired(1);
  tap->setNumberOfTouchesRequired(1);
  tap->setCancelsTouchesInView(false);
  tap->setDelegate(weakAs<ui::GestureRecognizerDelegate>());
  const auto weak = ui::weakScreen(*this);
  tap->addAction([weak](ui::GestureRecognizer& recognizer) {
    auto self = weak.lock();
    if (self && recognizer.state() == ui::GestureState::Ended) self->tapClick(recognizer);
  });
  view().addGestureRecognizer(tap);
}

void ImageBrowserViewController::viewWillAppear(bool) {
  VDAppStatistics::pageviewStartWithViewController(*this);
}

void ImageBrowserViewController::viewWillDisappear(bool) {
  VDAppStatistics::pageviewEndWithViewController(*this);
}

void ImageBrowserViewController::tapClick(ui::GestureRecognizer&) { dismissViewController(true); }
