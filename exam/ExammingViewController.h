#pragma once
// ExammingViewController ("examming"): the one screen on which every question set is answered, read or
// redone. A launcher makes it with the screen factory, sets the launch properties (AnsweringScreen) and
// pushes it; the pager must hold at least one question (with none, nothing is built).
//
// Pages: the questions stand side by side, 320 points apart, in a horizontally paging scroll view
// (myScrollView): question i at x = 320 i, and the current question's index is always the offset's x /
// 320. Only three page views exist (myWebView1-3, tags 1-3), each with the page controller of its
// question (basetestVC1-3, made by TestHtmlVCFactory): the current page and its two neighbours. A move
// re-uses the view the user left behind for the question beyond the new neighbour (recycling).
//
// Full build (initialize on entry, resetScrollView from the card, refreshView and redo): view 1 at the
// index, view 2 before it, view 3 after it; the index is loaded into view 1, then its neighbours that
// exist. The progress overlay shows on the key window until every page has loaded (loadNumber 0); then
// the content size is set, the group instructions of the current question show (showStyle_Explain), the
// previous and next buttons appear.
//
// Moves: the buttons (nextClick, previousClick) move the offset at 2 points a millisecond until a whole
// page (320) is passed: the steps of 2 points a 0.001 s timer would have made by then, counted from the
// time passed (the first step at the click), moved once a frame in the window, on each 0.001 s tick
// headless; a swipe that drags more than 310 points from where it began pages at once, a
// shorter one that lets go elsewhere than where it began pages when the scroll view settles on the next
// page (a drag brought back to its start changes nothing). While a move or any page load runs, the
// screen takes no touches. After each move (animationFinish) the pager's currentTest is the question on
// show, its group instructions show once per screen, and the last-learning record is saved.
//
// Tools (the page's commands and the options panel): favourite toggle (favClick), redo (againTest),
// explanations (analysisClick), the question's notes (openMyNote, "allNote"), error feedback
// ("errorFeedback"), settings ("softSetting"), the answer card ("questionCard"); the keep-screen-lit
// setting. A favourite changes the question's flag and the page's star at once and is taken back (with
// the toast "收藏失败" / "取消收藏失败") when the server refuses it or does not answer. The notes screen
// is pushed once, when both note requests have answered (their own counter, not the page counter).
//
// Submission and records (ExammingViewControllerSubmission.cpp): markClick checks what is unanswered
// and submits; markExamPapers opens the result screen over the window (TestResultViewController) and,
// in exam mode or for one wrong practice answer, sends the reply log (ReplyLogRequest). Leaving a run
// stores it in the user's learning history (LearningRecordFile); every move and answer rewrites the run
// in progress (LastLearningRecordFile), which a submission deletes. Nothing is stored or sent for a
// guest.
//
// Main thread only. Page completions and server replies that arrive after the screen is gone are
// dropped (both hold it weakly).

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "exam/AnsweringSettingsDelegate.h"
#include "exam/QuestionCardHost.h"
#include "exam/TestHtmlPageOwner.h"
#include "exam/TestResultViewDelegate.h"
#include "exam/sets/AnsweringScreen.h"
#include "service/MyFavorite.h"
#include "service/MyNote.h"
#include "ui/Button.h"
#include "ui/ScrollView.h"
#include "ui/View.h"
#include "ui/ViewController.h"
#include "ui/WebView.h"

class BaseTestHtmlViewController;
class ProgressHUD;
class SimulationExam;
class TestResultViewController;
namespace ui {
class NavigationBar;
}
namespace rl {
class Timer;
}
namespace ui {
class FrameTimer;
}

class ExammingViewController : public ui::ViewController,
                               public AnsweringScreen,
                               public TestHtmlPageOwner,
                               public TestResultViewDelegate,
                               public AnsweringSettingsDelegate,
                               public ui::ScrollViewDelegate,
                               public MyNoteDelegate,
                               public QuestionCardHost {
 public:
  static constexpr const char* kIdentifier = "examming";
  static constexpr double kPageWidth = 320;
  static constexpr double kSwipeThreshold = 310;
  static constexpr double kMoveStep = 2;
  static constexpr double kMoveInterval = 0.001;
  static constexpr double kBannerSeconds = 5;
  static constexpr double kBarHeight = 44;
  static constexpr const char* kFirstQuestion = "已经是第一题";
  static constexpr const char* kLastQuestion = "已经是最后一题";
  static constexpr const char* kFavAdded = "收藏成功";
  static constexpr const char* kFavCancelled = "取消收藏成功";
  static constexpr const char* kFavAddFailed = "收藏失败";
  static constexpr const char* kFavCancelFailed = "取消收藏失败";
  static constexpr const char* kPreviousTitle = "上一题";
  static constexpr const char* kNextTitle = "下一题";
  static constexpr const char* kCardTitle = "答题卡";
  static constexpr const char* kSettingTitle = "设置";

  ExammingViewController();
  ~ExammingViewController() override;
  std::string className() const override { return "ExammingViewController"; }

  // ---- launch properties ----
  void setTestPager(std::shared_ptr<TestPager> pager) override { testPager_ = std::move(pager); }
  void setOriginalMode(AnsweringMode mode) override { originalMode_ = mode; }
  void setRedoMode(AnsweringMode mode) override { redoMode_ = mode; }
  void setFunctionState(FunctionModule module) override { functionState_ = module; }
  void setChapterName(const std::string& name) override { chapterName_ = name; }
  void setChapterID(const std::string& id) override { chapterID_ = id; }
  void setTestsJSON(const core::Value& json) override { testsJSON_ = json; }
  void setIsAllow(bool v) override { isAllow_ = v; }
  void setIsChapterTest(bool v) override { isChapterTest_ = v; }
  void setUnSaveRecord(bool v) override { unSaveRecord_ = v; }
  AnsweringMode originalMode() const { return originalMode_; }
  AnsweringMode redoMode() const { return redoMode_; }
  std::optional<FunctionModule> functionState() const { return functionState_; }
  const std::string& chapterName() const { return chapterName_; }
  const std::string& chapterID() const { return chapterID_; }
  const core::Value& testsJSON() const { return testsJSON_; }
  bool isAllow() const { return isAllow_; }
  bool isChapterTest() const { return isChapterTest_; }
  bool unSaveRecord() const { return unSaveRecord_; }

  // ---- what the pages read (TestHtmlPageOwner) ----
  std::shared_ptr<TestPager> testPager() const override { return testPager_; }
  AnsweringMode currentMode() const override { return currentMode_; }
  bool isShowExplain() const override { return isShowExplain_; }
  bool isFirstHud() const override { return isFirstHud_; }
  std::shared_ptr<ui::WebView> pageWebView(int index) const override;
  std::shared_ptr<ui::ScrollView> pageScrollView() const override { return myScrollView_; }

  // ---- screen state ----
  double startTime() const { return startTime_; }  // clock time of the last loadMainView
  int loadNumber() const { return loadNumber_; }
  bool isTouch() const { return isTouch_; }
  double currentX() const { return currentX_; }
  int scrollSlide() const { return scrollSlide_; }
  const std::vector<std::string>& style_ExplainArr() const { return style_ExplainArr_; }
  // basetestVC1-3 (index 1 to 3); nullptr before a page was made in that view.
  std::shared_ptr<BaseTestHtmlViewController> basetestVC(int index) const;
  // The index of the question at the scroll view's offset.
  int currentIndex() const;
  ui::Button* previousButton() const { return previousButton_.get(); }
  ui::Button* nextButton() const { return nextButton_.get(); }
  // The bottom button: btnExplain where its picture follows the mode ("ic_t_submit" in exam mode,
  // "ic_t_wrongredo" otherwise), btnMark where it sends markClick with itself as the sender.
  ui::Button* btnExplain() const { return btnExplain_.get(); }
  ui::Button* btnMark() const { return btnExplain_.get(); }
  ui::Button* btnCard() const { return btnCard_.get(); }
  ui::Button* btnSetting() const { return btnSetting_.get(); }
  ui::View* optionsView() const { return optionsView_.get(); }
  bool isMoreViewHidden() const { return isMoreViewHidden_; }
  // The group-instructions banner on show (nullptr when none).
  ProgressHUD* styleHud() const { return styleHud_.get(); }

  // ---- life cycle ----
  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // ---- modes and building ----
  void loadMainView(AnsweringMode mode);
  void changeExamMode(AnsweringMode mode, bool reset);
  void skipTestWithIndex(int index) override;
  void refreshView() override;
  void initialize(int index);
  void resetScrollView(int index);
  void setWebViewContent(int index, const std::shared_ptr<ui::WebView>& webView, double move);
  void loadContentView(const std::shared_ptr<Questions>& test, int index,
                       const std::shared_ptr<ui::WebView>& webView);
  void loadFinish();

  // ---- moves ----
  void nextClick();
  void previousClick();
  void rightSlide(int index);
  void leftSlide(int index);
  void rightAnimation(double now);
  void leftAnimation(double now);
  void slideTo(double now);
  void animationFinish();
  void scrollLoad();

  // ---- bars and panels ----
  void setNavigationBarHidden();
  // Where the navigation bar goes when a page scrolls vertically from lastOffsetY to offsetY: the bar
  // follows the page up (not above -(barHeight + statusBar)) while the reader moves down, and comes back
  // (not below min(statusBar, topInsetY)) when the reader moves up, unless the page is at its bottom end.
  // `tall`: the page's content is taller than the page less the bar and the status bar.
  struct BarInput {
    double barY, barHeight, statusBarHeight, topInsetY, lastOffsetY, offsetY;
    bool tall, atBottom;
  };
  static double followingBarY(const BarInput& in);
  void hiddenMoreView();
  void hideView();
  // The bottom button's action: markClick with the button as the sender.
  void explainButtonClick();
  void backClick();

  // ---- tools ----
  void favClick() override;
  void againTest() override;
  void analysisClick() override;
  void openMyNote() override;
  void errorFeedback() override;
  void settingClick();
  void cardClick();
  void enableScreenLight(bool enable) override;
  void showStyle_Explain(int index);
  void styleHudPrompt(const std::string& title, const std::string& text);
  void hideStyleHud();
  // The banner title of the group of the question at index: "(first-last)题", or "(n)题" for a group of
  // one (positions from 1; the group is every question with the same instructions).
  static std::string styleExplainTitle(const QuestionsArray& tests, int index);

  // ---- submission and records (ExammingViewControllerSubmission.cpp) ----
  static constexpr const char* kNothingAnswered = "您还没有对任何一题作答，请答题后再提交。";
  static constexpr const char* kConfirmTitle = "确认";
  // The submission from the page (no sender).
  void markClick() override;
  // A submission sent by a button of the screen (btnMark): outside exam mode it is no submission but an
  // error report on the question shown; nullptr is the page's submission.
  void markClick(ui::Control* sender);
  // false: finish the run (result screen; the reply log in exam mode); true: log only the current
  // question (a wrong practice answer), no result screen.
  void markExamPapers(bool onlyCurrent) override;
  int getFunctionModule() const;
  std::string getCaption() const;
  bool replyIsEmpty() const;  // true: something worth storing (not reading mode, a reply given)
  void resultBrowseClick() override;
  void resultViewExitClick() override;
  core::Value createDicLearningRecord();
  void saveToLearningRecord();
  void saveToLastLearningRecord() override;
  void delectLastLearningRecord();
  static bool fileIsExists(const std::string& path);
  const std::string& chapterCurrentID() const { return chapterCurrentID_; }
  std::shared_ptr<TestResultViewController> testResultVC() const { return testResultVC_; }
  std::shared_ptr<SimulationExam> examBll() const { return examBll_; }
  void presentImageBrowser(std::shared_ptr<ui::ViewController> browser) override;

  // ---- replies ----
  // The answer to a favourite sent for `test` that set its flag to `fav`: a refusal (or no answer) takes
  // the change back, when the flag still is what this request set.
  void didAddfavour(bool ok, const std::shared_ptr<Questions>& test);
  void didCancelToFavIDs(bool ok, const std::shared_ptr<Questions>& test);
  void didGetMyNote(bool ok, const core::Value& json) override;
  void didGetAllNoteByAID(bool ok, const core::Value& json) override;
  std::shared_ptr<MyFavorite> favoriteBLL() const { return favoriteBLL_; }
  std::shared_ptr<MyNote> myNoteBll() const { return myNoteBll_; }
  const core::Value& myNoteJson() const { return myNoteJson_; }
  const core::Value& allNoteJson() const { return allNoteJson_; }

  // ---- scroll views ----
  void scrollViewDidScroll(ui::ScrollView& scrollView) override;
  void scrollViewWillBeginDragging(ui::ScrollView& scrollView) override;
  void scrollViewDidEndDragging(ui::ScrollView& scrollView, bool willDecelerate) override;
  void scrollViewDidEndDecelerating(ui::ScrollView& scrollView) override;

 private:
  std::shared_ptr<TestHtmlPageOwner> asOwner();
  const QuestionsArray& tests() const;
  int testCount() const;
  int indexOf(const std::shared_ptr<Questions>& test) const;  // 0 when not in the set
  void setInteraction(bool enabled);
  void startMove(bool forward);
  void runVisiblePageScript(int jsType);
  void favouriteChanged(const std::shared_ptr<Questions>& test, bool fav);  // flag and the page's star
  void favouriteRefused(const std::shared_ptr<Questions>& test, bool fav);
  void pushNotes();
  // Keeps the message for a note reply that is neither a list of note records nor empty.
  void noteReplyOfShape(const core::Value& json);
  void pushScreen(const std::shared_ptr<ui::ViewController>& screen);
  ui::NavigationBar* navigationBar() const;

  // launch properties
  std::shared_ptr<TestPager> testPager_;
  AnsweringMode originalMode_ = AnsweringMode::Practice;
  AnsweringMode redoMode_ = AnsweringMode::Practice;
  std::optional<FunctionModule> functionState_;
  std::string chapterName_;
  std::string chapterID_;
  core::Value testsJSON_;
  bool isAllow_ = false;
  bool isChapterTest_ = false;
  bool unSaveRecord_ = false;

  // state
  AnsweringMode currentMode_ = AnsweringMode::Practice;
  bool isShowExplain_ = false;
  double startTime_ = 0;
  std::shared_ptr<ui::ScrollView> myScrollView_;
  std::shared_ptr<ui::WebView> webViews_[3];
  std::shared_ptr<BaseTestHtmlViewController> pages_[3];
  double currentX_ = 0;
  double scrollX_ = 0;
  int scrollSlide_ = 0;
  std::shared_ptr<ui::FrameTimer> timerScroll_;
  double moveStart_ = 0;  // clock time of the move's first step
  int loadNumber_ = 0;
  bool isFirstHud_ = false;
  bool isDidScroll_ = false;
  bool isTouch_ = false;
  // The window keeps its status strip outside the screens: nothing stands above the bar, from the
  // first layout (which runs before the screen appears) on.
  double statusBarHeight_ = 0;
  double topInset_Y_ = 0;
  bool isFirstEnter_ = true;
  double lastOffsetY_ = 0;
  std::vector<std::string> style_ExplainArr_;
  std::shared_ptr<ProgressHUD> styleHud_;
  std::shared_ptr<rl::Timer> styleHudTimer_;

  // buttons and panels
  std::shared_ptr<ui::Button> previousButton_, nextButton_, btnExplain_, btnCard_, btnSetting_, bgBtn_;
  std::shared_ptr<ui::View> bg_moreView_, optionsView_;
  bool isMoreViewHidden_ = true;

  // tools
  std::shared_ptr<MyFavorite> favoriteBLL_;
  std::shared_ptr<MyNote> myNoteBll_;
  core::Value myNoteJson_;
  core::Value allNoteJson_;
  int noteReplies_ = 0;
  // What to tell the user about the first note reply of the wrong shape ("" when both were usable).
  std::string noteFailure_;
  // Each favourite request answers to one of these, which knows its question.
  class FavouriteReply;
  std::vector<std::shared_ptr<FavouriteReply>> favouriteReplies_;

  // submission and records
  std::string userName() const;  // the logged-in user's name; "" for a guest
  std::string chapterCurrentID_;
  std::shared_ptr<TestResultViewController> testResultVC_;
  std::shared_ptr<SimulationExam> examBll_;
};
