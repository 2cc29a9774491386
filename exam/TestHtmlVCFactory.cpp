#include "exam/TestHtmlVCFactory.h"

#include "exam/A3TestHtmlViewController.h"
#include "exam/ATestHtmlViewController.h"
#include "exam/BTestHtmlViewController.h"
#include "exam/JDTestHtmlViewController.h"
#include "exam/PDTestHtmlViewController.h"
#include "exam/TKTestHtmlViewController.h"
#include "exam/XTestHtmlViewController.h"

namespace {
template <class Page>
std::shared_ptr<BaseTestHtmlViewController> make(const std::shared_ptr<TestHtmlPageOwner>& examVC,
                                                 const std::shared_ptr<ui::WebView>& webView) {
  auto page = std::make_shared<Page>();
  page->initWithExammingViewController(examVC, webView);
  return page;
}
}  // namespace

std::shared_ptr<BaseTestHtmlViewController> TestHtmlVCFactory::createTestHtmlVC(
    const std::string& type, const std::shared_ptr<TestHtmlPageOwner>& examVC,
    const std::shared_ptr<ui::WebView>& webView) {
  if (type == "ATEST") return make<ATestHtmlViewController>(examVC, webView);
  if (type == "BTEST") return make<BTestHtmlViewController>(examVC, webView);
  if (type == "A3TEST") return make<A3TestHtmlViewController>(examVC, webView);
  if (type == "XTEST") return make<XTestHtmlViewController>(examVC, webView);
  if (type == "PDTEST") return make<PDTestHtmlViewController>(examVC, webView);
  if (type == "JDTEST") return make<JDTestHtmlViewController>(examVC, webView);
  if (type == "TKTEST") return make<TKTestHtmlViewController>(examVC, webView);
  return nullptr;
}
