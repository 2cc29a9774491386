#pragma once
// TestHtmlVCFactory: makes the page controller of a question type.
//
//   "ATEST" ATestHtmlViewController    "BTEST" BTestHtmlViewController    "A3TEST" A3TestHtmlViewController
//   "XTEST" XTestHtmlViewController    "PDTEST" PDTestHtmlViewController  "JDTEST" JDTestHtmlViewController
//   "TKTEST" TKTestHtmlViewController
// The type text must match exactly (upper case, no spaces); any other text makes no page.

#include <memory>
#include <string>

class BaseTestHtmlViewController;
class TestHtmlPageOwner;
namespace ui {
class WebView;
}

class TestHtmlVCFactory {
 public:
  // A new page for the question the screen's pager is loading (its currentLoadTest), shown in `webView`
  // (initWithExammingViewController); nullptr for an unknown type.
  static std::shared_ptr<BaseTestHtmlViewController> createTestHtmlVC(
      const std::string& type, const std::shared_ptr<TestHtmlPageOwner>& examVC,
      const std::shared_ptr<ui::WebView>& webView);
};
