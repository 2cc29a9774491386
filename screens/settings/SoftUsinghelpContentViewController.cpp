#include "screens/settings/SoftUsinghelpContentViewController.h"

#include "app/VDAppStatistics.h"
#include "exam/QuestionImageStep.h"
#include "platform/core/Bundle.h"
#include "platform/core/Paths.h"
#include "platform/core/URL.h"
#include "ui/PageResources.h"

void SoftUsinghelpContentViewController::loadView() {
  auto root = std::make_shared<ui::View>(defaultViewFrame());
  root->setBackgroundColor(ui::Color::white());
  helpWebView_ = std::make_shared<ui::WebView>(root->bounds());
  helpWebView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  root->addSubview(helpWebView_);
  setView(root);
}

void SoftUsinghelpContentViewController::viewDidLoad() {
  setTitle(navTitle_);
  loadDocument(htmlFileName_);
}

void SoftUsinghelpContentViewController::viewWillAppear(bool) {
  VDAppStatistics::pageviewStartWithViewController(*this);
}

void SoftUsinghelpContentViewController::viewWillDisappear(bool) {
  VDAppStatistics::pageviewEndWithViewController(*this);
}

bool SoftUsinghelpContentViewController::loadDocument(const std::string& fileName) {
  // Only files of the bundle's resource folder itself.
  if (!QuestionImageStep::isUsableImageName(fileName)) return false;
  const std::string path = core::Bundle::main().resourcePath() + "/" + fileName;
  if (!core::Paths::isRegularFile(path)) return false;
  helpWebView_->loadRequest(ui::PageResources::bundleBaseURL() + core::escapeComponent(fileName));
  return true;
}
