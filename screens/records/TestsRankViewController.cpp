#include "screens/records/TestsRankViewController.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/AppShell.h"
#include "app/ChosenSubject.h"
#include "app/ReplyCheck.h"
#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "app/VDViewControllerFactory.h"
#include "exam/sets/AnsweringScreen.h"
#include "exam/sets/CreateTestsList.h"
#include "exam/sets/TestBuilder.h"
#include "model/TestPager.h"
#include "platform/core/Bundle.h"
#include "platform/core/Text.h"
#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/TaskAndReply.h"
#include "screens/common/QuestionListPaging.h"
#include "screens/common/QuestionRowCell.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"
#include "ui/TextMeasurer.h"
#include "ui/WeakScreen.h"
#include "widgets/UIAlertViewBlock.h"

namespace {

using Self = TestsRankViewController;

constexpr double kBarHeight = 44;

std::string localized(const char* key) { return core::Bundle::main().localizedString(key); }

// The height of a text in the rows' font within `width`, at most 1000.
double textHeight(const std::string& text, double width) {
  if (text.empty()) return 0;
  return ui::sizeWithFont(text, ui::Font::system(QuestionRowCell::kFontSize), {width, 1000}).height;
}

}  // namespace

std::string Self::pageTitle(int pageIndex, int pageCount) {
  char text[64];
  std::snprintf(text, sizeof text, "     %d/%d", pageIndex, pageCount);
  return text;
}

void Self::showAlertTitle(const std::string& message) {
  VDHelper::createAlert(localized("alertTitle"), message, "OK");
}

// ---- views ----

void Self::loadView() {
  auto root = std::make_shared<ui::View>(defaultViewFrame());
  root->setBackgroundColor(ui::Color::white());
  root->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  const ui::Rect b = root->bounds();
  const auto weak = ui::weakScreen(*this);

  auto top = std::make_shared<ui::View>(ui::Rect{0, 0, b.width(), kBarHeight});
  top->setBackgroundColor(ui::Color::rgb255(240, 240, 240));
  top->setAutoresizingMask(ui::kAutoresizingFlexibleWidth);
  segmentedControl_ = std::make_shared<ui::SegmentedControl>(
      std::vector<std::string>{kErrorRank, kFavourRank},
      ui::Rect{20, (kBarHeight - ui::SegmentedControl::kHeight) / 2, b.width() - 40, ui::SegmentedControl::kHeight});
  segmentedControl_->setSelectedSegmentIndex(0);
  segmentedControl_->addTarget(ui::ControlEvent::ValueChanged, [weak](ui::Control&) {
    if (auto self = weak.lock()) self->segSwitch();
  });
  top->addSubview(segmentedControl_);
  root->addSubview(top);

  rankScrollView_ =
      std::make_shared<ui::ScrollView>(ui::Rect{0, kBarHeight, b.width(), b.height() - 2 * kBarHeight});
  root->addSubview(rankScrollView_);

  auto bottom = std::make_shared<ui::View>(ui::Rect{0, b.height() - kBarHeight, b.width(), kBarHeight});
  bottom->setBackgroundColor(ui::Color::rgb255(40, 40, 40));
  bottom->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleTopMargin);
  pageButton_ = ui::Button::buttonWithType(ui::ButtonType::Custom, {b.width() / 2 - 60, 0, 120, kBarHeight});
  pageButton_->setTitleColor(ui::Color::white());
  pageButton_->setHidden(true);
  pageButton_->addTarget(ui::ControlEvent::TouchUpInside, [weak](ui::Control&) {
    if (auto self = weak.lock()) self->fastPaging();
  });
  bottom->addSubview(pageButton_);
  root->addSubview(bottom);
  setView(root);
}

void Self::viewDidLoad() {
  if (title().empty()) setTitle(kTitle);
  navigationItem().setBackBarButtonItem(
      ui::BarButtonItem::withTitle("返回", ui::BarButtonItem::Style::Plain, {}));
  softName_ = ChosenSubject::current().product.value;
  AppShell* app = AppShell::current();
  if (app && !app->isReachable()) {
    app->networkAlert(localized("alertNetwork"));
    return;
  }
  getErrorTestRank(softName_);
}

void Self::viewWillAppear(bool) { VDAppStatistics::pageviewStartWithViewController(*this); }

void Self::viewWillDisappear(bool) { VDAppStatistics::pageviewEndWithViewController(*this); }

// ---- the two ranks ----

Self::Rank Self::shownRank() const {
  return segmentedControl_->selectedSegmentIndex() == 1 ? Rank::Favour : Rank::Error;
}

void Self::segSwitch() {
  pageIndex_ = 1;
  const int segment = segmentedControl_->selectedSegmentIndex();
  VDAppStatistics::logEvent(VDAppStatistics::kSegSwitchEvent,
                            std::optional<std::string>(segmentedControl_->titleForSegmentAtIndex(segment)),
                            VDAppStatistics::kRankingScreenName);
  if (segment == 0)
    getErrorTestRank(softName_);
  else
    getFavourRank(softName_);
}

void Self::getErrorTestRank(const std::string& bank) {
  if (!errorTestsArray_.empty() && !errorTestsList_.empty()) {
    testsJSON_ = errorTestsJSON_;
    intRankView(errorTestsArray_, errorTestsList_);
    return;
  }
  wrongRedoBll_ = std::make_shared<WrongRedo>();
  wrongRedoBll_->delegate = weakAs<WrongRedoDelegate>();
  wrongRedoBll_->errorTestRank(bank);
}

void Self::getFavourRank(const std::string& bank) {
  if (!favTestsArray_.empty() && !favTestsList_.empty()) {
    testsJSON_ = favTestsJSON_;
    intRankView(favTestsArray_, favTestsList_);
    return;
  }
  myFavoriteBll_ = std::make_shared<MyFavorite>();
  myFavoriteBll_->delegate = weakAs<MyFavoriteDelegate>();
  myFavoriteBll_->favourRank(bank);
}

void Self::didErrorTestRank(bool ok, const core::Value& json) { rankReplied(Rank::Error, ok, json); }

void Self::didFavourRank(bool ok, const core::Value& json) { rankReplied(Rank::Favour, ok, json); }

void Self::rankReplied(Rank rank, bool ok, const core::Value& json) {
  if (!ok) {
    // A null "Body" comes with the client's no-data text; a reply of the wrong shape says so.
    showAlertTitle(ReplyCheck::failureMessage(json));
    return;
  }
  // The rank reads the bank: its questions and rows are built on a worker from a copy of the reply and
  // shown when they are back, while this screen is.
  struct Built {
    QuestionsArray questions;
    std::vector<QuestionListRow> rows;
  };
  rl::postTaskAndReply(
      rl::DispatchQueue::global(), ui::weakScreen(*this),
      [body = TestBuilder::copyForBuild(json["Body"])] {
        Built built;
        built.questions = TestBuilder::changeJSonToTestArrayByDB(body).value_or(QuestionsArray());
        for (const auto& q : built.questions) built.rows.push_back(CreateTestsList::analysisListItem(*q));
        return built;
      },
      [rank, json](Self& self, Built built) {
        self.rankBuilt(rank, json, std::move(built.questions), std::move(built.rows));
      });
}

void Self::rankBuilt(Rank rank, const core::Value& json, QuestionsArray questions,
                     std::vector<QuestionListRow> rows) {
  QuestionsArray& list = rank == Rank::Error ? errorTestsList_ : favTestsList_;
  (rank == Rank::Error ? errorTestsJSON_ : favTestsJSON_) = json;
  if (questions.empty()) {
    list.clear();
    showAlertTitle(localized("nodataMessage"));
    return;
  }
  list = std::move(questions);
  std::vector<QuestionListRow>& shownRows = rank == Rank::Error ? errorTestsArray_ : favTestsArray_;
  shownRows = std::move(rows);
  // A rank that comes back after the user has switched to the other one waits for its segment.
  if (rank != shownRank()) return;
  testsJSON_ = json;
  intRankView(shownRows, list);
}

void Self::intRankView(const std::vector<QuestionListRow>& rows, const QuestionsArray& questions) {
  rankArray_ = setTestsRankData(rows);
  testsList_ = setTestsRankData(questions);
  initScrollView(0, true);
  setPageButton();
}

// ---- page tables ----

int Self::pageWidth() const { return std::max(1, static_cast<int>(rankScrollView_->bounds().width())); }

int Self::shownPage() const { return static_cast<int>(rankScrollView_->contentOffset().x) / pageWidth(); }

std::vector<int> Self::pagesWithTables() const {
  std::vector<int> pages;
  for (const auto& view : rankScrollView_->subviews())
    if (dynamic_cast<ui::TableView*>(view.get())) pages.push_back(view->tag() - 1);
  std::sort(pages.begin(), pages.end());
  return pages;
}

void Self::removeTables(const std::function<bool(int page)>& drop) {
  const auto views = rankScrollView_->subviews();  // a copy: removal changes the list
  for (const auto& view : views)
    if (dynamic_cast<ui::TableView*>(view.get()) && drop(view->tag() - 1)) view->removeFromSuperview();
}

void Self::addTable(int page) {
  // A page kept on screen while the window moved (see loadTestView) still has its table.
  for (const auto& view : rankScrollView_->subviews())
    if (dynamic_cast<ui::TableView*>(view.get()) && view->tag() == page + 1) return;
  const ui::Rect frame = rankScrollView_->frame();
  auto table = std::make_shared<ui::TableView>(
      ui::Rect{static_cast<double>(page) * pageWidth(), 0, frame.width(), frame.height()});
  table->setTag(page + 1);
  table->setDataSource(weakAs<ui::TableViewDataSource>());
  table->setDelegate(weakAs<ui::TableViewDelegate>());
  rankScrollView_->addSubview(table);
  table->reloadData();
}

void Self::initScrollView(int page, bool isFirst) {
  removeTables([](int) { return true; });
  rankScrollView_->setPagingEnabled(true);
  rankScrollView_->setShowsHorizontalScrollIndicator(false);
  rankScrollView_->setBounces(false);
  rankScrollView_->setDecelerationRate(1.0);
  rankScrollView_->setScrollViewDelegate(weakAs<ui::ScrollViewDelegate>());

  const int pages = pageCount();
  const int first = std::max(0, pages < kMaxTables ? page - pages / 2 : page - 4);
  locIndex_ = first;
  int made = 0;
  for (int g = first; g < pages; ++g) {
    addTable(g);
    ++made;
    if (g == pages - 1) endIndex_ = pages - 1;
    if (made == kMaxTables) {
      endIndex_ = first + kMaxTables - 1;
      break;
    }
  }
  if (isFirst) rankScrollView_->setContentOffset({0, 0});
  rankScrollView_->setContentSize(
      {static_cast<double>(pages) * pageWidth(), rankScrollView_->frame().height()});
}

void Self::loadTestView(int page) {
  const int pages = pageCount();
  int n = 0;
  int step = 1;
  if (page == endIndex_ + 1) {
    if (endIndex_ == pages) return;
    n = std::min(kLoadStep, pages - page);
    if (n < 1) return;
  } else {
    if (locIndex_ == 0) return;
    n = page < kLoadStep ? page + 1 : kLoadStep;
    step = -1;
  }
  for (int i = 0; i < n; ++i) addTable(page + i * step);
  // Drop the tables at the far end; the page on show and its neighbours keep theirs, so a window
  // narrower than usual (few pages, after a jump) never empties the page the user is looking at.
  const int shown = shownPage();
  const int from = locIndex_, to = endIndex_;
  removeTables([&](int p) {
    const bool out = step > 0 ? p < from + n : p > to - n;
    return out && std::abs(p - shown) > 1;
  });
  locIndex_ += n * step;
  endIndex_ += n * step;
}

void Self::scrollViewDidScroll(ui::ScrollView& scrollView) {
  if (&scrollView != rankScrollView_.get()) return;
  const int x = static_cast<int>(scrollView.contentOffset().x);
  if (x > lastOffsetX_) {
    lastOffsetX_ = x;
    if (x / pageWidth() > endIndex_ - 3) loadTestView(endIndex_ + 1);
  } else if (x < lastOffsetX_) {
    lastOffsetX_ = x;
    if (x / pageWidth() < locIndex_ + 3) loadTestView(locIndex_ - 1);
  }
  setPageButton();
}

void Self::scrollViewDidEndDecelerating(ui::ScrollView& scrollView) {
  if (&scrollView == rankScrollView_.get()) setPageButton();
}

void Self::setPageButton() {
  pageButton_->setHidden(false);
  pageIndex_ = static_cast<int>(rankScrollView_->contentOffset().x / pageWidth() + 1);
  pageButton_->setTitle(pageTitle(pageIndex_, pageCount()));
}

// ---- jump to a page ----

void Self::fastPaging() {
  auto alert = std::make_shared<UIAlertViewBlock>("快速翻页", QuestionListPaging::kJumpMessage, nullptr,
                                                  QuestionListPaging::kCancelButton,
                                                  std::vector<std::string>{QuestionListPaging::kJumpButton});
  alert->setAlertViewStyle(ui::AlertView::Style::PlainTextInput);
  if (ui::TextField* field = alert->textFieldAtIndex(0)) field->setKeyboardType(ui::KeyboardType::NumberPad);
  std::weak_ptr<ui::AlertPanel> weakAlert = alert->weak_from_this();
  const auto weak = ui::weakScreen(*this);
  alert->setCompletion([weak, weakAlert](bool, int buttonIndex) {
    auto self = weak.lock();
    auto shown = std::static_pointer_cast<ui::AlertView>(weakAlert.lock());
    if (buttonIndex != 1 || !self || !shown) return;
    const ui::TextField* field = shown->textFieldAtIndex(0);
    const int n = core::intValue(field ? field->text() : "");
    const int pages = self->pageCount();
    if (n == 0 || static_cast<unsigned>(n) > static_cast<unsigned>(pages)) {
      showAlertTitle(QuestionListPaging::rangeMessage(pages));
      return;
    }
    if (n - 1 == self->shownPage()) return;
    self->rankScrollView_->setContentOffset({static_cast<double>((n - 1) * self->pageWidth()), 0});
    self->initScrollView(n - 1, n == 1);
    self->setPageButton();
  });
  alert->show();
}

// ---- rows ----

int Self::numberOfRowsInSection(ui::TableView& tableView, int) {
  const int page = tableView.tag() - 1;
  if (page < 0 || page >= pageCount()) return 0;
  return static_cast<int>(rankArray_[page].size());
}

std::shared_ptr<ui::TableViewCell> Self::cellForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  auto cell = QuestionRowCell::dequeue(tableView, kCellIdentifier);
  cell->fill(rankArray_[tableView.tag() - 1][indexPath.row]);
  return cell;
}

double Self::heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  const QuestionListRow& row = rankArray_[tableView.tag() - 1][indexPath.row];
  const double width = tableView.bounds().width();
  return textHeight(row.Title, width) + textHeight(QuestionRowCell::answerLine(row), width) + 20;
}

void Self::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  tableView.deselectRowAtIndexPath(indexPath, true);
  pushToExamingVC(tableView.tag() - 1, indexPath.row);
}

void Self::pushToExamingVC(int page, int row) {
  if (page < 0 || page >= static_cast<int>(testsList_.size())) return;
  const QuestionsArray& questions = testsList_[page];
  if (row < 0 || row >= static_cast<int>(questions.size())) return;
  ui::NavigationController* nav = navigationController();
  auto made = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("examming");
  auto* screen = dynamic_cast<AnsweringScreen*>(made.get());
  if (!nav || !screen) return;
  auto pager = std::make_shared<TestPager>(questions);
  pager->setCurrentTest(questions[row]);
  screen->setTestPager(pager);
  screen->setOriginalMode(AnsweringMode::Reading);
  screen->setRedoMode(AnsweringMode::Exam);
  screen->setChapterName(kTitle);
  screen->setTestsJSON(testsJSON_);
  screen->setIsAllow(false);
  nav->pushViewController(made, true);
}
