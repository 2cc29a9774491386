#include "screens/practice/FastLearnDetailViewController.h"

#include <algorithm>

#include "app/AppShell.h"
#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "exam/sets/CreateTestsList.h"
#include "exam/sets/TestBuilder.h"
#include "model/AnsweringMode.h"
#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/TaskAndReply.h"
#include "screens/common/PageJumpAlert.h"
#include "screens/common/QuestionListPaging.h"
#include "screens/common/QuestionRowCell.h"
#include "screens/practice/PracticeLaunch.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"
#include "ui/WeakScreen.h"
#include "widgets/UIAlertViewBlock.h"

namespace {

using Self = FastLearnDetailViewController;

// The entries of `all` from `start`, at most `count` of them.
template <class T>
std::vector<T> cut(const std::vector<T>& all, std::size_t start, std::size_t count) {
  if (start >= all.size()) return {};
  const std::size_t end = std::min(all.size(), start + count);
  return std::vector<T>(all.begin() + static_cast<std::ptrdiff_t>(start), all.begin() + static_cast<std::ptrdiff_t>(end));
}

}  // namespace

void Self::loadView() {
  auto root = std::make_shared<ui::View>(defaultViewFrame());
  root->setBackgroundColor(ui::Color::white());
  root->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  const ui::Rect b = root->bounds();
  fastLearnTableView_ = std::make_shared<ui::TableView>(ui::Rect{0, 0, b.width(), b.height() - ui::Toolbar::kHeight});
  fastLearnTableView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  root->addSubview(fastLearnTableView_);

  bottomToolBar_ = std::make_shared<ui::Toolbar>(ui::Rect{0, b.height() - ui::Toolbar::kHeight, b.width(), ui::Toolbar::kHeight});
  bottomToolBar_->setBarStyle(ui::BarStyle::Black);
  bottomToolBar_->setBackgroundColor(ui::Color::black());
  bottomToolBar_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleTopMargin);
  auto item = [this](const char* title, auto action) {
    return ui::BarButtonItem::withTitle(title, ui::BarButtonItem::Style::Bordered,
                                        ui::whileAlive(*this, action));
  };
  auto flexible = [] { return ui::BarButtonItem::withSystemItem(ui::BarButtonItem::SystemItem::FlexibleSpace); };
  pageButton_ = item("", [](Self& s) { s.fastPaging(); });
  bottomToolBar_->setItems({item("上一页", [](Self& s) { s.previousPage(); }), flexible(), pageButton_, flexible(),
                            item("下一页", [](Self& s) { s.nextPage(); }), flexible(),
                            item("浏览本页", [](Self& s) { s.browsePage(); })});
  root->addSubview(bottomToolBar_);
  setView(root);
}

void Self::viewDidLoad() {
  pageIndex_ = 1;
  fastLearnTableView_->setDataSource(weakAs<ui::TableViewDataSource>());
  fastLearnTableView_->setDelegate(weakAs<ui::TableViewDelegate>());
  fastLearnTableView_->setHidden(true);
  bottomToolBar_->setHidden(true);
  setTitle(navTitle_);
  navigationItem().setBackBarButtonItem(ui::BarButtonItem::withTitle("返回", ui::BarButtonItem::Style::Plain, {}));
  getChapterTests();
}

void Self::viewWillAppear(bool animated) {
  VDAppStatistics::pageviewStartWithViewController(*this);
  if (ui::NavigationController* nav = navigationController()) nav->setNavigationBarHidden(false, animated);
}

void Self::viewWillDisappear(bool) { VDAppStatistics::pageviewEndWithViewController(*this); }

// ---- loading ----

void Self::getChapterTests() {
  chapterBll_ = std::make_shared<ChapterTestBuilder>();
  chapterBll_->setSoftname(softname_);
  chapterBll_->setChapterid(chapterid_);
  const auto weak = ui::weakScreen(*this);
  chapterBll_->chapterTests([weak](bool ok, const core::Value& reply) {
    if (auto self = weak.lock()) self->chapterAnswered(ok, reply);
  });
}

void Self::chapterAnswered(bool ok, const core::Value& reply) {
  if (!ok) {
    VDHelper::createAlert(navTitle_, PracticeLaunch::localized(reply.isNil() ? "requestFaile" : "nodataMessage"),
                          "OK");
    return;
  }
  // The chapter's questions are read from the bank on a worker (from a copy of the reply), with their
  // rows; they are shown when they are back, while this screen is.
  struct Built {
    QuestionsArray questions;
    std::vector<QuestionListRow> rows;
  };
  rl::postTaskAndReply(
      rl::DispatchQueue::global(), ui::weakScreen(*this),
      [body = TestBuilder::copyForBuild(reply["Body"])] {
        Built built;
        built.questions = TestBuilder::changeJSonToTestArrayByDB(body).value_or(QuestionsArray{});
        for (const auto& q : built.questions) built.rows.push_back(CreateTestsList::analysisListItem(*q));
        return built;
      },
      [reply](Self& self, Built built) {
        self.chapterBuilt(reply, std::move(built.questions), std::move(built.rows));
      });
}

void Self::chapterBuilt(const core::Value& reply, QuestionsArray questions,
                        std::vector<QuestionListRow> rows) {
  testsList_ = std::move(questions);
  testsJSON_ = reply;
  AppShell* app = AppShell::current();
  if (app && !app->isReachable()) {
    app->networkAlert(PracticeLaunch::localized("alertNetwork"));
    return;
  }
  if (testsList_.empty()) {
    VDHelper::createAlert(kListTitle, PracticeLaunch::failureText(reply, "requestFaile", "nodataMessage"),
                          "OK");
    return;
  }
  initFastLearnData(std::move(rows));
}

void Self::initFastLearnData(std::vector<QuestionListRow> rows) {
  chapterTestArray_ = std::move(rows);
  testsCount_ = static_cast<std::int64_t>(chapterTestArray_.size());
  pageCount_ = getPageCount(testsCount_);
  pageIndex_ = 1;
  fastLearnTableView_->setHidden(false);
  bottomToolBar_->setHidden(false);
  showPage();
}

int Self::getPageCount(std::int64_t count) { return QuestionListPaging::pageCountFor(count); }

void Self::showPage() {
  const std::size_t start = static_cast<std::size_t>(pageIndex_ - 1) * kPageSize;
  displayArray_ = cut(chapterTestArray_, start, kPageSize);
  currentPageTestsArray_ = cut(testsList_, start, kPageSize);
  fastLearnTableView_->reloadData();
  fastLearnTableView_->setContentOffset({0, 0});
  setToolBarPageButton();
}

void Self::setToolBarPageButton() { pageButton_->setTitle(QuestionListPaging::pageButtonTitle(pageIndex_, pageCount_)); }

// ---- paging ----

void Self::previousPage() {
  if (pageIndex_ <= 1) {
    VDHelper::createAlert(navTitle_, QuestionListPaging::kFirstPageMessage, "OK");
    return;
  }
  --pageIndex_;
  showPage();
}

void Self::nextPage() {
  if (pageIndex_ >= pageCount_) {
    VDHelper::createAlert(navTitle_, kLastPageMessage, "OK");
    return;
  }
  ++pageIndex_;
  showPage();
}

void Self::fastPaging() {
  PageJumpAlert::show(kJumpTitle, ui::whileAlive(*this, [](Self& self, const std::string& typed) {
                        if (auto page = PageJumpAlert::pageToOpen(typed, self.pageIndex_, self.pageCount_,
                                                                  kSamePageMessage)) {
                          self.pageIndex_ = *page;
                          self.showPage();
                        }
                      }));
}

void Self::browsePage() {
  if (!currentPageTestsArray_.empty()) pushToExamingVC(currentPageTestsArray_.front());
}

void Self::pushToExamingVC(const std::shared_ptr<Questions>& current) {
  PracticeLaunch::open(*this, currentPageTestsArray_, current, [this](AnsweringScreen& screen) {
    screen.setOriginalMode(AnsweringMode::Reading);
    screen.setRedoMode(AnsweringMode::Exam);
    screen.setChapterName(kListTitle);
    screen.setTestsJSON(testsJSON_);
    screen.setIsAllow(false);
  });
}

// ---- table ----

int Self::numberOfRowsInSection(ui::TableView&, int) { return static_cast<int>(displayArray_.size()); }

std::shared_ptr<ui::TableViewCell> Self::cellForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  auto cell = QuestionRowCell::dequeue(tableView, kCellIdentifier);
  if (indexPath.row >= 0 && indexPath.row < static_cast<int>(displayArray_.size()))
    cell->fill(displayArray_[static_cast<std::size_t>(indexPath.row)]);
  return cell;
}

double Self::heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  if (indexPath.row < 0 || indexPath.row >= static_cast<int>(displayArray_.size())) return tableView.rowHeight();
  return QuestionRowCell::rowHeight(tableView, displayArray_[static_cast<std::size_t>(indexPath.row)]);
}

void Self::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  tableView.deselectRowAtIndexPath(indexPath, true);
  if (indexPath.row < 0 || indexPath.row >= static_cast<int>(currentPageTestsArray_.size())) return;
  pushToExamingVC(currentPageTestsArray_[static_cast<std::size_t>(indexPath.row)]);
}
