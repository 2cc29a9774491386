#include "exam/ExammingViewController.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "app/AppShell.h"
#include "app/ReplyCheck.h"
#include "app/Session.h"
#include "app/SettingDefaults.h"
#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "app/VDNetworkHelper.h"
#include "app/VDViewControllerFactory.h"
#include "exam/AnsweringSettingsScreen.h"
#include "exam/BaseTestHtmlViewController.h"
#include "exam/ErrorFeedbackScreen.h"
#include "exam/QuestionCardViewController.h"
#include "exam/QuestionNotesScreen.h"
#include "exam/TestHtmlVCFactory.h"
#include "exam/WebViewScriptTarget.h"
#include "librarys/json/JsonWriter.h"
#include "platform/core/Bundle.h"
#include "platform/runloop/RunLoop.h"
#include "platform/runloop/Timer.h"
#include "ui/Application.h"
#include "ui/BarButtonItem.h"
#include "ui/FrameTimer.h"
#include "ui/GestureRecognizer.h"
#include "ui/Image.h"
#include "ui/NavigationBar.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"
#include "ui/WeakScreen.h"
#include "ui/Window.h"
#include "widgets/Dialog.h"
#include "widgets/MenuIcon.h"
#include "widgets/ProgressHUD.h"

namespace {

// The page scripts of VDHelper::pageScript.
constexpr int kUserDisAnalysis = 1;
constexpr int kUpdateFavImage = 4;
constexpr int kUpdateFavImageR = 5;

constexpr double kButtonSize = 44;
constexpr double kFootHeight = kButtonSize + 12;
constexpr double kOptionsWidth = 120;
constexpr double kOptionsRowHeight = 44;

std::string localized(const char* key) { return core::Bundle::main().localizedString(key); }

double clockNow() { return rl::RunLoop::main().now(); }

}  // namespace

// The delegate of one favourite request: it knows the question the request is about.
class ExammingViewController::FavouriteReply : public MyFavoriteDelegate {
 public:
  FavouriteReply(std::weak_ptr<ExammingViewController> screen, std::shared_ptr<Questions> test)
      : screen_(std::move(screen)), test_(std::move(test)) {}
  // Either request is done only on a reply of its shape: an object whose "Body" is a boolean.
  void didAddfavour(bool ok, const core::Value& json) override {
    if (auto s = screen_.lock()) s->didAddfavour(ok && bodyIsFlag(json), test_);
    forget();
  }
  void didCancelToFavIDs(bool ok, const core::Value& json) override {
    if (auto s = screen_.lock()) s->didCancelToFavIDs(ok && bodyIsFlag(json), test_);
    forget();
  }

 private:
  static bool bodyIsFlag(const core::Value& json) { return json.isDictionary() && json["Body"].isBool(); }
  void forget() {
    if (auto s = screen_.lock()) {
      auto& replies = s->favouriteReplies_;
      replies.erase(std::remove_if(replies.begin(), replies.end(), [this](const auto& r) { return r.get() == this; }),
                    replies.end());
    }
  }
  std::weak_ptr<ExammingViewController> screen_;
  std::shared_ptr<Questions> test_;
};

ExammingViewController::ExammingViewController() = default;

ExammingViewController::~ExammingViewController() {
  if (timerScroll_) timerScroll_->invalidate();
  if (styleHudTimer_) styleHudTimer_->invalidate();
}

std::shared_ptr<TestHtmlPageOwner> ExammingViewController::asOwner() {
  return std::shared_ptr<TestHtmlPageOwner>(shared_from_this(), static_cast<TestHtmlPageOwner*>(this));
}

const QuestionsArray& ExammingViewController::tests() const {
  static const QuestionsArray kNone;
  return testPager_ ? testPager_->testArray() : kNone;
}

int ExammingViewController::testCount() const { return static_cast<int>(tests().size()); }

int ExammingViewController::indexOf(const std::shared_ptr<Questions>& test) const {
  const auto& all = tests();
  const auto found = std::find(all.begin(), all.end(), test);
  return found == all.end() ? 0 : static_cast<int>(found - all.begin());
}

int ExammingViewController::currentIndex() const {
  if (!myScrollView_) return 0;
  const int index = static_cast<int>(myScrollView_->contentOffset().x / kPageWidth);
  return std::clamp(index, 0, std::max(0, testCount() - 1));
}

std::shared_ptr<ui::WebView> ExammingViewController::pageWebView(int index) const {
  return index >= 1 && index <= 3 ? webViews_[index - 1] : nullptr;
}

std::shared_ptr<BaseTestHtmlViewController> ExammingViewController::basetestVC(int index) const {
  return index >= 1 && index <= 3 ? pages_[index - 1] : nullptr;
}

ui::NavigationBar* ExammingViewController::navigationBar() const {
  auto* nav = navigationController();
  return nav ? &nav->navigationBar() : nullptr;
}

// ---------------------------------------------------------------------------------------------------
// Life cycle

void ExammingViewController::loadView() {
  auto root = std::make_shared<ui::View>(defaultViewFrame());
  root->setBackgroundColor(ui::Color::white());
  const ui::Rect bounds = root->bounds();

  // The pages end above a foot that holds the move and tool buttons, so nothing of a page (its tool row
  // of favourite, note and redo above all) ever lies under them.
  myScrollView_ = std::make_shared<ui::ScrollView>(ui::Rect(0, 0, kPageWidth, bounds.height() - kFootHeight));
  myScrollView_->setAutoresizingMask(ui::kAutoresizingFlexibleHeight);
  myScrollView_->setPagingEnabled(true);
  myScrollView_->setShowsHorizontalScrollIndicator(false);
  myScrollView_->setBounces(false);
  myScrollView_->setAlwaysBounceVertical(false);
  myScrollView_->setDecelerationRate(1.0);
  myScrollView_->setScrollViewDelegate(weakAs<ui::ScrollViewDelegate>());
  root->addSubview(myScrollView_);

  const auto weak = ui::weakScreen(*this);
  auto button = [&](ui::Rect frame, const char* title, const char* image, void (ExammingViewController::*action)()) {
    auto b = std::make_shared<ui::Button>(frame);
    if (title) b->setTitle(title);
    if (image) b->setImage(ui::Image::named(image));
    b->addTarget(ui::ControlEvent::TouchUpInside, [weak, action](ui::Control&) {
      if (auto self = weak.lock()) ((*self).*action)();
    });
    return b;
  };
  const double bottom = bounds.height() - kButtonSize - 6;
  previousButton_ = button({6, bottom, kButtonSize + 16, kButtonSize}, kPreviousTitle, nullptr,
                           &ExammingViewController::previousClick);
  nextButton_ = button({bounds.width() - kButtonSize - 22, bottom, kButtonSize + 16, kButtonSize}, kNextTitle,
                       nullptr, &ExammingViewController::nextClick);
  // The bottom button (btnMark) submits in exam mode and reports an error otherwise.
  btnExplain_ = button({bounds.width() / 2 - kButtonSize / 2, bottom, kButtonSize, kButtonSize}, nullptr,
                       "ic_t_wrongredo", &ExammingViewController::explainButtonClick);
  // The move buttons stand in the foot: on a dark ground of their own they show on the white day page's
  // foot and on the night page's.
  for (auto* b : {&previousButton_, &nextButton_}) {
    (*b)->setBackgroundColor(ui::Color::black().withAlpha(0.45));
    (*b)->setTitleColor(ui::Color::white());
    (*b)->layer().setCornerRadius(6);
  }
  for (auto* b : {&previousButton_, &nextButton_, &btnExplain_}) {
    (*b)->setAutoresizingMask(ui::kAutoresizingFlexibleTopMargin);
    root->addSubview(*b);
  }

  // The options panel: a dimmed background that closes it, and the panel with the card and settings.
  bg_moreView_ = std::make_shared<ui::View>(bounds);
  bg_moreView_->setAutoresizingMask(ui::kAutoresizingFlexibleHeight | ui::kAutoresizingFlexibleWidth);
  bg_moreView_->setHidden(true);
  bgBtn_ = button(bg_moreView_->bounds(), nullptr, nullptr, &ExammingViewController::hiddenMoreView);
  bgBtn_->setBackgroundColor(ui::Color::black().withAlpha(0.2));
  bgBtn_->setAutoresizingMask(ui::kAutoresizingFlexibleHeight | ui::kAutoresizingFlexibleWidth);
  bg_moreView_->addSubview(bgBtn_);
  root->addSubview(bg_moreView_);
  optionsView_ = std::make_shared<ui::View>(
      ui::Rect(bounds.width() - kOptionsWidth - 4, 0, kOptionsWidth, 2 * kOptionsRowHeight));
  optionsView_->setBackgroundColor(ui::Color::rgb255(40, 40, 40));
  optionsView_->setHidden(true);
  btnCard_ = button({0, 0, kOptionsWidth, kOptionsRowHeight}, kCardTitle, nullptr, &ExammingViewController::cardClick);
  btnSetting_ = button({0, kOptionsRowHeight, kOptionsWidth, kOptionsRowHeight}, kSettingTitle, nullptr,
                       &ExammingViewController::settingClick);
  for (auto* b : {&btnCard_, &btnSetting_}) {
    (*b)->setTitleColor(ui::Color::white());
    optionsView_->addSubview(*b);
  }
  root->addSubview(optionsView_);
  setView(root);
}

void ExammingViewController::viewDidLoad() {
  style_ExplainArr_.clear();
  previousButton_->setHidden(true);
  nextButton_->setHidden(true);
  isFirstEnter_ = true;
  navigationItem().setBackBarButtonItem(ui::BarButtonItem::withTitle("返回", ui::BarButtonItem::Style::Plain, {}));
  const auto weak = ui::weakScreen(*this);
  navigationItem().setLeftBarButtonItem(
      ui::BarButtonItem::withTitle("返回", ui::BarButtonItem::Style::Plain, [weak](ui::BarButtonItem&) {
        if (auto self = weak.lock()) self->backClick();
      }));
  if (!chapterName_.empty()) setTitle(chapterName_);
  currentMode_ = originalMode_;
  loadMainView(currentMode_);
  if (testCount() > 0) initialize(testPager_->currentTest() ? indexOf(testPager_->currentTest()) : 0);
  if (SettingDefaults::isScreenAlwaysLight()) ui::Application::shared().setIdleTimerDisabled(true);
}

void ExammingViewController::viewWillAppear(bool animated) {
  // The foot takes the page's colour (night mode may have changed in the settings).
  view().setBackgroundColor(BaseTestHtmlViewController::backgroundColor(SettingDefaults::isNightMode()));
  VDAppStatistics::pageviewStartWithViewController(*this);
  const auto weak = ui::weakScreen(*this);
  navigationItem().setRightBarButtonItem(ui::BarButtonItem::withImage(
      MenuIcon::image(), ui::BarButtonItem::Style::Plain, [weak](ui::BarButtonItem&) {
        if (auto self = weak.lock()) self->hiddenMoreView();
      }));
  isMoreViewHidden_ = true;
  bg_moreView_->setHidden(true);
  optionsView_->setHidden(true);
  if (auto* bar = navigationBar()) bar->setBarStyle(ui::BarStyle::BlackTranslucent);
  setNavigationBarHidden();
}

void ExammingViewController::viewWillDisappear(bool animated) {
  setNavigationBarHidden();
  ui::Application::shared().setIdleTimerDisabled(false);
  if (auto* bar = navigationBar()) bar->setBarStyle(ui::BarStyle::Black);
  hideStyleHud();
  // A screen left while its pages build takes its progress overlay with it.
  if (isFirstHud_) Dialog::Instance()->hideProgress();
  VDAppStatistics::pageviewEndWithViewController(*this);
}

// ---------------------------------------------------------------------------------------------------
// Modes and building

void ExammingViewController::loadMainView(AnsweringMode mode) {
  if (btnExplain_)
    btnExplain_->setImage(ui::Image::named(mode == AnsweringMode::Exam ? "ic_t_submit" : "ic_t_wrongredo"));
  startTime_ = clockNow();
  if (mode == AnsweringMode::Practice) {
    isShowExplain_ = false;
    return;
  }
  isShowExplain_ = mode == AnsweringMode::Reading;
  runVisiblePageScript(kUserDisAnalysis);
}

void ExammingViewController::changeExamMode(AnsweringMode mode, bool reset) {
  currentMode_ = mode;
  if (reset)
    for (const auto& test : tests()) {
      test->state = AnswerState::NotAnswered;
      test->reply.clear();
    }
  loadMainView(mode);
  resetScrollView(0);
}

void ExammingViewController::skipTestWithIndex(int index) { resetScrollView(index); }

void ExammingViewController::refreshView() {
  if (!testPager_) return;
  resetScrollView(indexOf(testPager_->currentTest()));
}

void ExammingViewController::initialize(int index) {
  for (int i = 0; i < 3; ++i) {
    if (webViews_[i]) webViews_[i]->removeFromSuperview();
    auto web = std::make_shared<ui::WebView>(ui::Rect(0, 0, kPageWidth, myScrollView_->bounds().height()));
    web->setTag(i + 1);
    web->setAutoresizingMask(ui::kAutoresizingFlexibleHeight);
    web->scrollView().setScrollViewDelegate(weakAs<ui::ScrollViewDelegate>());
    myScrollView_->addSubview(web);
    webViews_[i] = web;
  }
  resetScrollView(index);
}

void ExammingViewController::resetScrollView(int index) {
  const int count = testCount();
  if (count == 0 || !webViews_[0]) return;
  index = std::clamp(index, 0, count - 1);
  if (timerScroll_) timerScroll_->invalidate();
  scrollSlide_ = 0;
  testPager_->setCurrentTest(tests()[static_cast<std::size_t>(index)]);
  isFirstHud_ = true;
  loadNumber_ = 0;
  setInteraction(false);
  const double x = kPageWidth * index;
  auto place = [&](int view, double at) {
    ui::Rect frame = webViews_[view]->frame();
    frame.origin = {at, 0};
    webViews_[view]->setFrame(frame);
  };
  place(0, x);
  place(1, x - kPageWidth);
  place(2, x + kPageWidth);
  setNavigationBarHidden();
  myScrollView_->setContentOffset({x, 0});
  currentX_ = x;

  // A view with no neighbour to show drops the page it held before: it must not answer for a question.
  const bool previous = count >= 2 && index > 0;
  const bool next = count >= 2 && index < count - 1;
  for (int view : {1, 2})
    if (!(view == 1 ? previous : next) && pages_[view]) {
      pages_[view].reset();
      webViews_[view]->stopLoading();
      webViews_[view]->stringByEvaluatingJavaScriptFromString("document.body.innerHTML='';", {});
    }
  setWebViewContent(index, webViews_[0], 0);
  if (previous) setWebViewContent(index - 1, webViews_[1], 0);
  if (next) setWebViewContent(index + 1, webViews_[2], 0);
}

void ExammingViewController::setWebViewContent(int index, const std::shared_ptr<ui::WebView>& webView, double move) {
  if (index < 0 || index >= testCount() || !webView) return;
  const auto& test = tests()[static_cast<std::size_t>(index)];
  testPager_->setCurrentLoadTest(test);
  if (webView->tag() == 1 && isFirstHud_) Dialog::Instance()->showProgress(ui::Application::shared().keyWindow());
  webView->stopLoading();
  webView->stringByEvaluatingJavaScriptFromString("document.body.innerHTML='';", {});
  if (move != 0) {
    ui::Rect frame = webView->frame();
    frame.origin.x = currentX_ + move;
    webView->setFrame(frame);
  }
  ++loadNumber_;
  loadContentView(test, index, webView);
}

void ExammingViewController::loadContentView(const std::shared_ptr<Questions>& test, int index,
                                             const std::shared_ptr<ui::WebView>& webView) {
  const int slot = webView->tag() - 1;
  if (slot < 0 || slot > 2) return;
  auto page = TestHtmlVCFactory::createTestHtmlVC(test->type, asOwner(), webView);
  pages_[slot] = page;  // the earlier page of this view is dropped: its load never completes
  const auto weak = ui::weakScreen(*this);
  if (!page) {
    // A question of a type no page shows: count it as loaded, on the next turn (after the other loads
    // of this build have been counted).
    rl::RunLoop::main().post([weak] {
      if (auto self = weak.lock()) self->loadFinish();
    });
    return;
  }
  page->AsynloadWebViewHtml([weak] {
    if (auto self = weak.lock()) self->loadFinish();
  });
}

void ExammingViewController::loadFinish() {
  if (loadNumber_ > 0) --loadNumber_;
  if (loadNumber_ > 0) return;
  if (scrollSlide_ == 0) setInteraction(true);
  if (!isFirstHud_) return;
  myScrollView_->setContentSize({kPageWidth * testCount(), myScrollView_->bounds().height()});
  showStyle_Explain(currentIndex());
  // The view between the other two is the current page.
  double xs[3];
  for (int i = 0; i < 3; ++i) xs[i] = webViews_[i]->frame().origin.x;
  std::sort(xs, xs + 3);
  myScrollView_->setContentOffset({xs[1], 0});
  myScrollView_->setContentInset({});
  Dialog::Instance()->hideProgress();
  previousButton_->setHidden(false);
  nextButton_->setHidden(false);
  isFirstHud_ = false;
}

void ExammingViewController::setInteraction(bool enabled) {
  if (myScrollView_) myScrollView_->setScrollEnabled(enabled);
  if (isViewLoaded()) view().setUserInteractionEnabled(enabled);
}

// ---------------------------------------------------------------------------------------------------
// Moves

void ExammingViewController::nextClick() { startMove(true); }

void ExammingViewController::previousClick() { startMove(false); }

void ExammingViewController::startMove(bool forward) {
  if (testCount() == 0 || (timerScroll_ && timerScroll_->isValid())) return;
  scrollSlide_ = 0;
  currentX_ = myScrollView_->contentOffset().x;
  const int index = currentIndex();
  if (forward && index >= testCount() - 1) {
    VDNetworkHelper::hudPrompt(kLastQuestion);
    return;
  }
  if (!forward && index <= 0) {
    VDNetworkHelper::hudPrompt(kFirstQuestion);
    return;
  }
  view().setUserInteractionEnabled(false);
  if (forward)
    rightSlide(index + 1);
  else
    leftSlide(index - 1);
  const auto weak = ui::weakScreen(*this);
  moveStart_ = clockNow();
  timerScroll_ = ui::FrameTimer::scheduled(kMoveInterval, [weak, forward](ui::FrameTimer& timer, double now) {
    auto self = weak.lock();
    if (!self) return timer.invalidate();
    forward ? self->rightAnimation(now) : self->leftAnimation(now);
  });
  timerScroll_->fire();
}

// The slide a move has made by `now`: the steps of kMoveStep a kMoveInterval timer would have made since
// the first one (at the click), however often the ticks come; at most a page.
void ExammingViewController::slideTo(double now) {
  const double elapsed = std::max(0.0, now - moveStart_);
  // A hair over the step's time counts it: a tick on the interval's grid is not lost to rounding.
  const double steps = 1 + std::floor(elapsed / kMoveInterval + 1e-6);
  scrollSlide_ = static_cast<int>(std::min(kPageWidth, steps * kMoveStep));
}

void ExammingViewController::rightAnimation(double now) {
  slideTo(now);
  myScrollView_->setContentOffset({currentX_ + scrollSlide_, 0});
  if (scrollSlide_ >= kPageWidth) {
    timerScroll_->invalidate();
    animationFinish();
  }
}

void ExammingViewController::leftAnimation(double now) {
  slideTo(now);
  myScrollView_->setContentOffset({currentX_ - scrollSlide_, 0});
  if (scrollSlide_ >= kPageWidth) {
    timerScroll_->invalidate();
    animationFinish();
  }
}

void ExammingViewController::rightSlide(int index) {
  isTouch_ = false;
  if (index >= testCount() - 1) return;
  for (const auto& web : webViews_)
    if (web && web->frame().origin.x < currentX_) {
      setWebViewContent(index + 1, web, 2 * kPageWidth);
      return;
    }
}

void ExammingViewController::leftSlide(int index) {
  isTouch_ = false;
  if (index <= 0) return;
  for (const auto& web : webViews_)
    if (web && web->frame().origin.x > currentX_) {
      setWebViewContent(index - 1, web, -2 * kPageWidth);
      return;
    }
}

void ExammingViewController::animationFinish() {
  setNavigationBarHidden();
  const int index = currentIndex();
  if (index < testCount()) testPager_->setCurrentTest(tests()[static_cast<std::size_t>(index)]);
  showStyle_Explain(index);
  if (!unSaveRecord_) saveToLastLearningRecord();
  scrollSlide_ = 0;
  if (loadNumber_ == 0) setInteraction(true);
}

void ExammingViewController::scrollLoad() {
  isDidScroll_ = false;
  scrollX_ = myScrollView_->contentOffset().x;
  if (scrollX_ > currentX_ && static_cast<int>(currentX_ / kPageWidth) < testCount() - 1)
    rightSlide(static_cast<int>(currentX_ / kPageWidth) + 1);
  else if (scrollX_ < currentX_ && currentX_ > 0)
    leftSlide(static_cast<int>(currentX_ / kPageWidth) - 1);
  // The move is done: the next one starts from here.
  currentX_ = std::round(scrollX_ / kPageWidth) * kPageWidth;
  animationFinish();
}

// ---------------------------------------------------------------------------------------------------
// Scroll views: the paging view's swipes, and the pages' own vertical scrolling for the bar.

void ExammingViewController::scrollViewWillBeginDragging(ui::ScrollView& scrollView) {
  if (&scrollView != myScrollView_.get()) return;
  currentX_ = scrollView.contentOffset().x;
  isDidScroll_ = false;
}

void ExammingViewController::scrollViewDidScroll(ui::ScrollView& scrollView) {
  if (&scrollView == myScrollView_.get()) {
    // Only a finger's drag pages early; the button moves pass here too.
    if (!scrollView.isDragging() || isDidScroll_ || isFirstHud_ || isTouch_) return;
    // Past the threshold the page is taken; scrolling stops when the finger lifts (stopping it under
    // the finger would cancel the drag before it settles on the page).
    if (std::abs(scrollView.contentOffset().x - currentX_) > kSwipeThreshold) {
      isDidScroll_ = true;
      view().setUserInteractionEnabled(false);
    }
    return;
  }
  // A page scrolled vertically: the navigation bar follows it.
  auto* bar = navigationBar();
  if (!bar) return;
  const double offsetY = scrollView.contentOffset().y;
  const double pageHeight = scrollView.bounds().height();
  BarInput in{bar->frame().origin.y,
              bar->frame().height(),
              statusBarHeight_,
              topInset_Y_,
              lastOffsetY_,
              offsetY,
              scrollView.contentSize().height > pageHeight - kBarHeight - statusBarHeight_,
              offsetY >= scrollView.maximumContentOffset().y};
  if (in.tall) {
    ui::Rect frame = bar->frame();
    frame.origin.y = followingBarY(in);
    bar->setFrame(frame);
  }
  lastOffsetY_ = offsetY;
}

void ExammingViewController::scrollViewDidEndDragging(ui::ScrollView& scrollView, bool willDecelerate) {
  if (&scrollView != myScrollView_.get()) return;
  scrollX_ = scrollView.contentOffset().x;
  if (scrollX_ == currentX_) {
    isDidScroll_ = false;
    setInteraction(true);
    return;
  }
  myScrollView_->setScrollEnabled(false);
  view().setUserInteractionEnabled(false);
  if (isDidScroll_) scrollLoad();
}

void ExammingViewController::scrollViewDidEndDecelerating(ui::ScrollView& scrollView) {
  if (&scrollView != myScrollView_.get()) return;
  scrollLoad();
}

// ---------------------------------------------------------------------------------------------------
// Bars and panels

void ExammingViewController::setNavigationBarHidden() {
  auto* bar = navigationBar();
  if (!bar) return;
  if (isFirstEnter_) {
    topInset_Y_ = bar->frame().origin.y + statusBarHeight_;
    isFirstEnter_ = false;
  }
  // Room at the top of each page for the bar when the pages run on under it (a translucent bar); an
  // opaque bar already stands above the pages, and room there would only be an empty band.
  const double underBar = bar->isTranslucent() ? bar->frame().height() + statusBarHeight_ : 0;
  for (const auto& web : webViews_) {
    if (!web) continue;
    ui::EdgeInsets inset = web->scrollView().contentInset();
    inset.top = underBar;
    web->scrollView().setContentInset(inset);
    web->scrollView().setContentOffset({web->scrollView().contentOffset().x, -underBar});
  }
  bar->setBackgroundColor(ui::Color::black());
  ui::Rect frame = bar->frame();
  frame.origin.y = topInset_Y_;
  bar->setFrame(frame);
}

double ExammingViewController::followingBarY(const BarInput& in) {
  const double moved = in.offsetY - in.lastOffsetY;
  const double hiddenY = -(in.barHeight + in.statusBarHeight);
  if (moved > 0 && in.offsetY >= -(in.barHeight + in.statusBarHeight) &&
      in.barY + in.barHeight > in.topInsetY - in.statusBarHeight)
    return std::max(in.barY - moved, hiddenY);
  // Coming back only while the reader scrolls back up, and not from the bounce at the page's end.
  if (moved >= 0 || in.atBottom) return in.barY;
  return std::min({in.barY - moved, in.statusBarHeight, in.topInsetY});
}

void ExammingViewController::hiddenMoreView() {
  isMoreViewHidden_ = !isMoreViewHidden_;
  bg_moreView_->setHidden(isMoreViewHidden_);
  optionsView_->setHidden(isMoreViewHidden_);
  ui::Rect frame = optionsView_->frame();
  frame.origin.y = (navigationBar() ? navigationBar()->frame().origin.y : 0) + kBarHeight;
  optionsView_->setFrame(frame);
  if (!isMoreViewHidden_) {
    view().bringSubviewToFront(*bg_moreView_);
    view().bringSubviewToFront(*optionsView_);
  }
}

void ExammingViewController::explainButtonClick() { markClick(btnMark()); }

void ExammingViewController::hideView() {
  isMoreViewHidden_ = !isMoreViewHidden_;
  bg_moreView_->setHidden(isMoreViewHidden_);
}

void ExammingViewController::backClick() {
  if (isAllow_) saveToLearningRecord();
  isAllow_ = true;
  if (auto* nav = navigationController()) nav->popViewController(true);
}

// ---------------------------------------------------------------------------------------------------
// Tools

void ExammingViewController::runVisiblePageScript(int jsType) {
  if (!myScrollView_) return;
  WebViewScriptTarget t1(webViews_[0]), t2(webViews_[1]), t3(webViews_[2]);
  VDHelper::jsClickType(webViews_[0] ? &t1 : nullptr, webViews_[1] ? &t2 : nullptr,
                        webViews_[2] ? &t3 : nullptr, *myScrollView_, jsType);
}

void ExammingViewController::favouriteChanged(const std::shared_ptr<Questions>& test, bool fav) {
  test->IsFav = fav;
  // The star of the page that shows the question.
  for (int i = 0; i < 3; ++i)
    if (pages_[i] && webViews_[i] && pages_[i]->testAtPagePosition() == test) {
      WebViewScriptTarget target(webViews_[i]);
      VDHelper::jsClickType(target, fav ? kUpdateFavImage : kUpdateFavImageR);
    }
}

void ExammingViewController::favClick() {
  AppShell* app = AppShell::current();
  if (!testPager_ || testCount() == 0) return;
  if (!app || !app->isReachable()) {
    if (app) app->networkAlert(localized("alertNetwork"));
    return;
  }
  const auto test = tests()[static_cast<std::size_t>(currentIndex())];
  favoriteBLL_ = std::make_shared<MyFavorite>();
  auto reply = std::make_shared<FavouriteReply>(
      std::static_pointer_cast<ExammingViewController>(shared_from_this()), test);
  favouriteReplies_.push_back(reply);
  favoriteBLL_->delegate = reply;
  const std::string bank = VDHelper::getSubjectEName();
  if (test->IsFav) {
    core::Value ids = core::Value::newArray();
    ids.push_back(core::Value(test->AllTestID));
    favoriteBLL_->cancelToFavIDs(bank, ids);
    favouriteChanged(test, false);
    VDNetworkHelper::hudPrompt(kFavCancelled);
  } else {
    core::Value body = core::Dictionary{{"AllTestID", core::Value(static_cast<std::int64_t>(std::strtoll(test->AllTestID.c_str(), nullptr, 10)))},
                                        {"AppEName", core::Value(bank)},
                                        {"FavTypeID", core::Value("1")},
                                        {"StarNum", core::Value("3")}};
    favoriteBLL_->addfavour(JSONRepresentation(body).value_or("{}"));
    favouriteChanged(test, true);
    VDNetworkHelper::hudPrompt(kFavAdded);
  }
}

void ExammingViewController::favouriteRefused(const std::shared_ptr<Questions>& test, bool fav) {
  // A later toggle of the same question has its own request; only the latest change is taken back.
  if (!test || test->IsFav != fav) return;
  favouriteChanged(test, !fav);
  VDNetworkHelper::hudPrompt(fav ? kFavAddFailed : kFavCancelFailed);
}

void ExammingViewController::didAddfavour(bool ok, const std::shared_ptr<Questions>& test) {
  if (!ok) favouriteRefused(test, true);
}

void ExammingViewController::didCancelToFavIDs(bool ok, const std::shared_ptr<Questions>& test) {
  if (!ok) favouriteRefused(test, false);
}

void ExammingViewController::againTest() {
  changeExamMode(originalMode_ == AnsweringMode::Reading ? redoMode_ : originalMode_, true);
}

void ExammingViewController::analysisClick() {
  isShowExplain_ = !isShowExplain_;
  for (const auto& page : pages_)
    if (page) page->displayExplain(isShowExplain_);
}

void ExammingViewController::openMyNote() {
  if (testCount() == 0) return;
  allNoteJson_ = core::Value();
  myNoteJson_ = core::Value::newArray();
  noteReplies_ = 0;
  noteFailure_.clear();
  isTouch_ = true;
  const auto test = tests()[static_cast<std::size_t>(currentIndex())];
  if (Session* session = Session::current()) session->setEntry("ALLTESTID", core::Value(test->AllTestID));
  myNoteBll_ = std::make_shared<MyNote>(&Session::copiedEntry);
  myNoteBll_->delegate = weakAs<MyNoteDelegate>();
  myNoteBll_->getMyNote();
  myNoteBll_->getAllNoteByAID(1);
}

void ExammingViewController::noteReplyOfShape(const core::Value& json) {
  // "Body" null or empty is no note; a forced logout has its own alert.
  if (!noteFailure_.empty() || ReplyCheck::bodyIsRecordList(json, MyNote::kMaxNotesPerPage) ||
      ReplyCheck::bodyIsEmpty(json) || json["LoginState"].toInt() == 2)
    return;
  noteFailure_ = ReplyCheck::failureMessage(json);
}

void ExammingViewController::didGetMyNote(bool ok, const core::Value& json) {
  noteReplyOfShape(json);
  // Only a list of note records within the client's limit is read: anything else is no note.
  if (ReplyCheck::bodyIsRecordList(json, MyNote::kMaxNotesPerPage)) {
    for (const core::Value& item : json["Body"].array()) {
      const core::Value id = item["ID"];
      bool kept = false;
      for (const core::Value& have : myNoteJson_.array())
        if (have["ID"] == id) kept = true;
      if (!kept) myNoteJson_.push_back(item);
    }
  }
  if (++noteReplies_ == 2) pushNotes();
}

void ExammingViewController::didGetAllNoteByAID(bool ok, const core::Value& json) {
  noteReplyOfShape(json);
  allNoteJson_ = ok && ReplyCheck::bodyIsRecordList(json, MyNote::kMaxNotesPerPage) ? json["Body"] : core::Value();
  if (++noteReplies_ == 2) pushNotes();
}

void ExammingViewController::pushNotes() {
  noteReplies_ = 0;
  auto screen = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("allNote");
  if (!screen) return;
  if (auto* notes = dynamic_cast<QuestionNotesScreen*>(screen.get())) {
    notes->setMyNoteJson(myNoteJson_);
    notes->setJson(allNoteJson_);
  }
  pushScreen(screen);
  // The notes screen opens with what came; a reply that came wrong also says so.
  if (!noteFailure_.empty()) VDNetworkHelper::hudPrompt(noteFailure_);
}

void ExammingViewController::pushScreen(const std::shared_ptr<ui::ViewController>& screen) {
  if (auto* nav = navigationController()) nav->pushViewController(screen, true);
}

void ExammingViewController::errorFeedback() {
  if (testCount() == 0) return;
  isTouch_ = true;
  auto screen = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("errorFeedback");
  if (!screen) return;
  if (auto* feedback = dynamic_cast<ErrorFeedbackScreen*>(screen.get()))
    feedback->setCurrentTest(tests()[static_cast<std::size_t>(currentIndex())]);
  pushScreen(screen);
}

void ExammingViewController::settingClick() {
  if (!isMoreViewHidden_) hiddenMoreView();
  VDAppStatistics::logEvent("Setting");
  isTouch_ = true;
  auto screen = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("softSetting");
  if (!screen) return;
  if (auto* settings = dynamic_cast<AnsweringSettingsScreen*>(screen.get())) {
    settings->setDelegate(weakAs<AnsweringSettingsDelegate>());
    settings->setIsTest(true);
  }
  pushScreen(screen);
}

void ExammingViewController::cardClick() {
  if (!isMoreViewHidden_) hiddenMoreView();
  auto screen = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(
      QuestionCardViewController::kIdentifier);
  auto card = std::dynamic_pointer_cast<QuestionCardViewController>(screen);
  if (!card) return;
  card->setExamVC(std::static_pointer_cast<ExammingViewController>(shared_from_this()));
  presentViewController(card, true);
}

void ExammingViewController::enableScreenLight(bool enable) {
  ui::Application::shared().setIdleTimerDisabled(enable);
}

void ExammingViewController::presentImageBrowser(std::shared_ptr<ui::ViewController> browser) {
  presentViewController(std::move(browser), true);
}

// ---------------------------------------------------------------------------------------------------
// The group-instructions banner

std::string ExammingViewController::styleExplainTitle(const QuestionsArray& tests, int index) {
  if (index < 0 || index >= static_cast<int>(tests.size())) return std::string();
  const std::string& text = tests[static_cast<std::size_t>(index)]->Style_Explain;
  int first = 0, last = 0;
  for (int i = 0; i < static_cast<int>(tests.size()); ++i)
    if (tests[static_cast<std::size_t>(i)]->Style_Explain == text) {
      if (first == 0) first = i + 1;
      last = i + 1;
    }
  if (first == last) return "(" + std::to_string(first) + ")题";
  return "(" + std::to_string(first) + "-" + std::to_string(last) + ")题";
}

void ExammingViewController::showStyle_Explain(int index) {
  if (index < 0 || index >= testCount()) return;
  // Pages that finish loading after the user left the screen show nothing over the next one.
  const ui::AppearanceState shown = appearanceState();
  if (shown == ui::AppearanceState::Disappeared || shown == ui::AppearanceState::Disappearing) return;
  const std::string& text = tests()[static_cast<std::size_t>(index)]->Style_Explain;
  if (std::find(style_ExplainArr_.begin(), style_ExplainArr_.end(), text) != style_ExplainArr_.end()) return;
  style_ExplainArr_.push_back(text);
  styleHudPrompt(styleExplainTitle(tests(), index), text);
}

void ExammingViewController::styleHudPrompt(const std::string& title, const std::string& text) {
  hideStyleHud();
  ui::Window& window = ui::Application::shared().keyWindow();
  window.endEditing(true);
  auto hud = ProgressHUD::showHUDAddedTo(window, true);
  hud->setMode(ProgressHUD::Mode::Text);
  hud->setDetailsLabelText(title + "\n\n" + text);
  hud->setDetailsLabelFont(ui::Font::system(20));
  hud->setMargin(15);
  hud->setYOffset(0);
  hud->setRemoveFromSuperViewOnHide(true);
  hud->label().setTextAlignment(ui::TextAlignment::Left);
  hud->label().setNumberOfLines(0);
  hud->detailsLabel().setTextAlignment(ui::TextAlignment::Left);
  hud->detailsLabel().setNumberOfLines(0);
  // A dimmed cover under the box: a tap anywhere takes the banner away at once.
  auto cover = std::make_shared<ui::View>(hud->bounds());
  cover->setBackgroundColor(ui::Color::black());
  cover->setAlpha(0.4);
  const auto weak = ui::weakScreen(*this);
  cover->addGestureRecognizer(std::make_shared<ui::TapGestureRecognizer>([weak](ui::GestureRecognizer& tap) {
    if (tap.state() != ui::GestureState::Ended) return;
    if (auto self = weak.lock()) self->hideStyleHud();
  }));
  hud->insertSubview(cover, 0);
  styleHud_ = hud;
  styleHudTimer_ = rl::Timer::scheduled(kBannerSeconds, false, [weak](rl::Timer&) {
    if (auto self = weak.lock()) self->hideStyleHud();
  });
}

void ExammingViewController::hideStyleHud() {
  if (styleHudTimer_) styleHudTimer_->invalidate();
  styleHudTimer_.reset();
  if (!styleHud_) return;
  styleHud_->removeFromSuperview();
  styleHud_.reset();
}
