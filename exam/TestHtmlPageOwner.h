#pragma once
// TestHtmlPageOwner: what a question page (BaseTestHtmlViewController) needs of the answering screen
// that owns it. The answering screen implements it and hands itself to TestHtmlVCFactory with each page
// it makes; the page holds it weakly and does nothing more for the screen once it is gone.
//
// The page reads the screen's state when it is made (the pager's currentLoadTest becomes its question;
// the mode, isShowExplain and the three page views are copied) and again while it works (currentMode
// when a command arrives, isShowExplain and isFirstHud when its load ends). The commands of the page
// ("vdprotocol://" links, see BaseTestHtmlViewController) end in the calls below. Main thread only.

#include <memory>

#include "model/AnsweringMode.h"
#include "model/TestPager.h"

namespace ui {
class ScrollView;
class ViewController;
class WebView;
}  // namespace ui

class TestHtmlPageOwner {
 public:
  virtual ~TestHtmlPageOwner() = default;

  // ---- state the pages read ----
  virtual std::shared_ptr<TestPager> testPager() const = 0;
  virtual AnsweringMode currentMode() const = 0;
  virtual bool isShowExplain() const = 0;
  // true while the screen builds its three pages for the first time (its progress overlay shows).
  virtual bool isFirstHud() const = 0;
  // The page views myWebView1, myWebView2, myWebView3 (index 1 to 3; nullptr when there is none) and the
  // paging scroll view myScrollView that holds them.
  virtual std::shared_ptr<ui::WebView> pageWebView(int index) const = 0;
  virtual std::shared_ptr<ui::ScrollView> pageScrollView() const = 0;

  // ---- what the page's commands ask of the screen ----
  virtual void analysisClick() = 0;             // "analysisClick"
  virtual void openMyNote() = 0;                // "noteClick"
  virtual void errorFeedback() = 0;             // "wrongredoClick"
  virtual void favClick() = 0;                  // "favClick"
  virtual void againTest() = 0;                 // "chongzuoClick"
  virtual void markClick() = 0;                 // "markClick" (the submission)
  virtual void saveToLastLearningRecord() = 0;  // after a reply, and after any other command
  // After a wrong practice answer: send the reply log now, without the result screen.
  virtual void markExamPapers(bool immediately) = 0;
  // "imageclick": the image viewer, to be presented modally, animated.
  virtual void presentImageBrowser(std::shared_ptr<ui::ViewController> browser) = 0;
};
