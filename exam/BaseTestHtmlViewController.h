#pragma once
// BaseTestHtmlViewController: one question shown as one HTML page in one of the answering screen's web
// views. It fills the question page template ("QuestionPageTemplate.html" of the bundle) from the
// question, inlines the question's images (QuestionImageStep, fetching missing ones into the bank's
// image cache), loads the page with the bundle directory as base URL, restores an earlier answer once
// the page has loaded, and turns the page's "vdprotocol://" links into replies and into calls of the
// answering screen (TestHtmlPageOwner). Each question type has its own subclass (TestHtmlVCFactory makes
// them): it writes the reply area and marks replies. The base writes an empty reply area.
//
// Life: the factory makes a page for the pager's currentLoadTest in a given web view
// (initWithExammingViewController); the answering screen keeps it while that web view shows the question
// and calls AsynloadWebViewHtml. The page is the web view's delegate (held weakly by it) and holds the
// screen weakly.
//
// Building (AsynloadWebViewHtml): on the main thread the page takes a copy of what it is built from
// (pageInput: the question, the mode, its place, the settings, the image folders) and sets the page
// background (night mode) on the three page views, their scroll views and the paging scroll view; the
// page text, with the image fetches, is then made on the global queue from that copy alone; back on the
// main thread the text is loaded into myWebView, unless the page is gone or another page has taken the
// web view meanwhile. Each placeholder of the template is replaced once, in the template only: question
// texts that contain placeholder names are left as they are.
//
// After the load (webViewDidFinishLoad -> didFinishLoad): showExplain for the question at the page's
// place, the onComplete block, then restorePage by the page's mode:
//   2 reading    free-text types: displayExplain(true); then displayResult()
//   1 exam       answered: displaySelect(reply) (earlier choices show, unmarked)
//   0 practice   answered single-answer or free-text: displayExplain(true) for free text; displayResult()
//                answered A3TEST/XTEST: displayExplain(true), displayResult(), then the last step
//                not answered: A3TEST/XTEST displaySelect(reply) (a partial choice), then the last step
//                last step: displayExplain(true) when the screen's isShowExplain is set
// In reading mode while the screen builds its first pages (isFirstHud), a page in another web view than
// myWebView1 is restored 2.0 s after its load (on the main run loop's clock).
//
// The bridge (shouldStartLoadWithRequest): the web view that asks becomes myWebView. A URL that does not
// begin with "vdprotocol://" loads; every "vdprotocol://" URL is refused. Its text after the scheme is
// split at "/": the first piece is the command, the second (when there is one) the argument.
//   "imageclick"                 the image viewer ("imageBrowser") on imgDic's entry for the argument,
//                                presented by the screen; nothing for a name without an entry
//   "analysisClick", "noteClick", "wrongredoClick", "favClick", "chongzuoClick", "markClick"
//                                the screen's analysisClick, openMyNote, errorFeedback, favClick,
//                                againTest, markClick
//   "replyclick", "replyclickOK" the reply (below), then the screen's saveToLastLearningRecord
//   anything else                the screen's saveToLastLearningRecord
// Reply: the argument is percent-decoded (empty when there is none). A reply longer than kMaxReplyBytes
// (4 KiB, before or after decoding) is no option of any page and is ignored: nothing is marked, stored
// or sent. So is an empty reply to a single-answer page (ATEST, BTEST, PDTEST): no option was chosen.
// A free-text answer read from the text box is kept to its first kMaxReplyBytes (cut between
// characters). "replyclick" on an A3TEST/XTEST
// page while the screen is in practice mode only records a partial choice (replyClickOK). Otherwise a
// free-text page first reads its text box ("document.getElementById('textarea_reply').value"; the
// rest waits for the answer) and shows the explanation in practice mode when the text is not empty;
// then replyClick marks the reply, and a wrong answer in practice mode has the screen send its reply log
// at once (markExamPapers(true)).
//
// Main thread, except the static building functions (any thread).

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "exam/QuestionImageStep.h"
#include "exam/QuestionPageInput.h"
#include "exam/TestHtmlPageOwner.h"
#include "model/AnsweringMode.h"
#include "model/Questions.h"
#include "ui/Color.h"
#include "ui/WebView.h"

namespace rl {
class Timer;
}

class BaseTestHtmlViewController : public ui::WebViewDelegate,
                                   public std::enable_shared_from_this<BaseTestHtmlViewController> {
 public:
  // The parts of the page each question type writes itself, as plain functions of the page's input so
  // that the page can be built on a worker.
  struct PageAreas {
    std::string (*replyArea)(const QuestionPageInput& input, QuestionImageStep& images);
    std::string (*hiddenAnswer)(const QuestionPageInput& input);
  };

  static constexpr const char* kScheme = "vdprotocol://";
  static constexpr const char* kTemplateName = "QuestionPageTemplate.html";
  static constexpr double kPageWidth = 320;  // the answering screen lays its pages out this far apart
  static constexpr double kDelayedRestoreSeconds = 2.0;
  // The longest reply the bridge takes from a page, in bytes of UTF-8.
  static constexpr std::size_t kMaxReplyBytes = 4096;
  // The script that reads a free-text answer.
  static constexpr const char* kTextareaScript = "document.getElementById('textarea_reply').value";

  BaseTestHtmlViewController() = default;
  ~BaseTestHtmlViewController() override;
  BaseTestHtmlViewController(const BaseTestHtmlViewController&) = delete;
  BaseTestHtmlViewController& operator=(const BaseTestHtmlViewController&) = delete;

  // Copies from the screen: currentTest = its pager's currentLoadTest, currentMode, testArray,
  // isShowExplain and the three page views; becomes the web view's delegate, switches off the bounce of
  // its scroll view and starts an empty imgDic. Called once, by the factory.
  void initWithExammingViewController(const std::shared_ptr<TestHtmlPageOwner>& exammingVC,
                                      const std::shared_ptr<ui::WebView>& webView);

  // ---- what the page holds ----
  std::shared_ptr<TestHtmlPageOwner> exammingVC() const { return exammingVC_.lock(); }
  const std::shared_ptr<ui::WebView>& myWebView() const { return myWebView_; }
  const std::shared_ptr<ui::WebView>& myWebView1() const { return myWebView1_; }
  const std::shared_ptr<ui::WebView>& myWebView2() const { return myWebView2_; }
  const std::shared_ptr<ui::WebView>& myWebView3() const { return myWebView3_; }
  const std::shared_ptr<Questions>& currentTest() const { return currentTest_; }
  AnsweringMode currentMode() const { return currentMode_; }
  const QuestionsArray& testArray() const { return testArray_; }
  bool isShowExplain() const { return isShowExplain_; }
  const std::string& favImage() const { return favImage_; }
  const std::string& favImage_down() const { return favImage_down_; }
  // Image name key (QuestionImageStep::imageKey) -> page URL, for the "imageclick" command.
  const std::map<std::string, std::string>& imgDic() const { return imgDic_; }

  // ---- loading ----
  // Builds the page in the background and loads it; onComplete runs once the page has loaded (after
  // showExplain, before the restore).
  void AsynloadWebViewHtml(std::function<void()> onComplete);
  // The copy the page is built from, taken now; also chooses favImage and favImage_down.
  QuestionPageInput pageInput();
  // The page's place in the set: the x of myWebView divided by 320, truncated.
  int pagePosition() const;
  // The question at the page's place (currentTest when the place is outside the set).
  std::shared_ptr<Questions> testAtPagePosition() const;

  // ---- building (any thread) ----
  // The template with each placeholder replaced by its area; "" when the template is empty.
  static std::string loadWebViewHtml(std::string_view pageTemplate, const QuestionPageInput& input,
                                     const PageAreas& areas, QuestionImageStep& images);
  static std::string loadStyleAreaHtml(const QuestionPageInput& input);
  static std::string loadDescriptionHtml(const QuestionPageInput& input);
  static std::string loadFrontTitleHtml(const QuestionPageInput& input, QuestionImageStep& images);
  static std::string loadMainTitleHtml(const QuestionPageInput& input, QuestionImageStep& images);
  static std::string loadReplyAreaHtml(const QuestionPageInput& input, QuestionImageStep& images);
  static std::string loadExplainHtml(const QuestionPageInput& input, QuestionImageStep& images);
  static std::string loadHiddenAnswerHtml(const QuestionPageInput& input);
  static std::string loadBelowView(const QuestionPageInput& input);
  static std::string loadMarkBtn(const QuestionPageInput& input);
  // The bundle's template, read once; "" when it is missing.
  static std::string questionPageTemplate();
  // "vdbundle://bundle/": the base URL of every page (ui/PageResources.h).
  static std::string bundleBaseURL();
  // Registers the inline handlers the question pages carry with the page policy (ui/PageResources.h).
  static void trustPageHandlers();
  // The page background: night (26, 33, 49) or white.
  static ui::Color backgroundColor(bool nightMode);
  // This type's reply and hidden-answer areas.
  virtual PageAreas pageAreas() const;

  // ---- after the load ----
  void didFinishLoad(ui::WebView& webView);
  // Reading mode with isShowExplain: userDisAnalysis(); practice: userDisAnalysis() for an answered
  // question, else userAnalysis(); exam: nothing.
  void showExplain(const Questions& test);
  // Shows the stored answer as the mode says (the table above).
  void restorePage();

  // ---- the hooks of each type ----
  // Marks a reply. Base: unless the screen is in exam mode, updateAnalysisImage().
  virtual void replyClick(const std::string& reply);
  // Records a partial choice. Base: unless the screen is in exam mode, and only when the question's reply
  // is the text "replyclickOK", updateAnalysisImage().
  virtual void replyClickOK(const std::string& reply);
  // Shows a stored reply unmarked. Base: nothing.
  virtual void displaySelect(const std::string& reply);
  // Shows the stored reply marked. Base: in practice mode for an answered question, userDisAnalysis()
  // then updateAnalysisImage().
  virtual void displayResult();
  // Shows ("displayexplain()") or hides ("dismissexplain()") the explanation.
  virtual void displayExplain(bool show);

  static bool isSingleAnswerTest(std::string_view type);  // "ATEST", "BTEST", "PDTEST"
  static bool isMultipleTest(std::string_view type);  // "A3TEST", "XTEST"
  static bool isFreeTextTest(std::string_view type);  // "JDTEST", "TKTEST"

  // ---- web view delegate ----
  bool shouldStartLoadWithRequest(ui::WebView& webView, const std::string& url,
                                  ui::WebViewNavigationType navigationType) override;
  void webViewDidFinishLoad(ui::WebView& webView) override;

 protected:
  // Runs a script in myWebView; its result is not used.
  void evaluate(const std::string& script);
  // Runs the page call of VDHelper::pageScript(jsType) in myWebView.
  void jsClickType(int jsType);
  // The screen's mode now; the page's own when the screen is gone.
  AnsweringMode ownerMode() const;

 private:
  struct BuiltPage {
    std::string html;
    std::map<std::string, std::string> imgDic;
  };
  void pageBuilt(BuiltPage page);
  void handleReply(const std::string& command, const std::string& argument);
  void markReply(const std::string& reply);
  void openImageBrowser(const std::string& argument);
  void setBackgroundColor(const ui::Color& color);

  std::weak_ptr<TestHtmlPageOwner> exammingVC_;
  std::shared_ptr<ui::WebView> myWebView_;
  std::shared_ptr<ui::WebView> myWebView1_;
  std::shared_ptr<ui::WebView> myWebView2_;
  std::shared_ptr<ui::WebView> myWebView3_;
  std::shared_ptr<Questions> currentTest_;
  AnsweringMode currentMode_ = AnsweringMode::Practice;
  QuestionsArray testArray_;
  bool isShowExplain_ = false;
  std::function<void()> onComplete_;
  std::string favImage_ = "ic_t_fav_false.png";
  std::string favImage_down_ = "favBtn.png";
  std::map<std::string, std::string> imgDic_;
  std::shared_ptr<rl::Timer> delayLoadTimer_;
};
