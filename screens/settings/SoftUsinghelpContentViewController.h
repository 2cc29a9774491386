#pragma once
// SoftUsinghelpContentViewController ("softUsingHelpContent"): shows an HTML file of the application's
// bundle (htmlFileName, such as "AboutSoft.html") under the navigation title navTitle; both are set by
// the opener. A name that is not a plain file name, or a file the bundle does not hold, leaves the page
// blank.

#include <memory>
#include <string>

#include "screens/settings/HelpContentScreen.h"
#include "ui/ViewController.h"
#include "ui/WebView.h"

class SoftUsinghelpContentViewController : public ui::ViewController, public HelpContentScreen {
 public:
  static constexpr const char* kIdentifier = "softUsingHelpContent";

  std::string className() const override { return "SoftUsinghelpContentViewController"; }

  const std::string& htmlFileName() const { return htmlFileName_; }
  void setHtmlFileName(const std::string& name) override { htmlFileName_ = name; }
  const std::string& navTitle() const { return navTitle_; }
  void setNavTitle(const std::string& title) override { navTitle_ = title; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // Loads the bundle's file of that name; false (nothing loaded) when there is none.
  bool loadDocument(const std::string& fileName);

  ui::WebView* helpWebView() const { return helpWebView_.get(); }

 private:
  std::string htmlFileName_;
  std::string navTitle_;
  std::shared_ptr<ui::WebView> helpWebView_;
};
