#include "screens/review/FindTestViewController.h"

#include <algorithm>

#include "app/ChosenSubject.h"
#include "app/ReplyCheck.h"
#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "librarys/json/JsonWriter.h"
#include "platform/core/Bundle.h"
#include "platform/core/Text.h"
#include "platform/runloop/TaskAndReply.h"
#include "screens/common/PageJumpAlert.h"
#include "screens/common/QuestionListPaging.h"
#include "screens/common/QuestionRowCell.h"
#include "screens/review/AnsweringLauncher.h"
#include "ui/ActionSheet.h"
#include "ui/GestureRecognizer.h"
#include "ui/NavigationItem.h"
#include "ui/TextMeasurer.h"
#include "ui/WeakScreen.h"
#include "widgets/UIAlertViewBlock.h"

namespace {

using Self = FindTestViewController;

std::string localized(const char* key) { return core::Bundle::main().localizedString(key); }

// The height of a text at 14 points within `width`, at most 1000 (word wrapping).
double textHeight(const std::string& text, double width) {
  if (text.empty()) return 0;
  return ui::sizeWithFont(text, ui::Font::system(QuestionRowCell::kFontSize), {width, 1000}).height;
}

}  // namespace

void Self::showAlert(const std::string& title, const std::string& message) {
  VDHelper::createAlert(title, message, QuestionListPaging::kOKButton);
}

std::string Self::searchJson(const std::string& softName, const std::string& words, int pageIndex) {
  return JSONRepresentation(core::Dictionary{{"AppEName", softName},
                                             {"SbjIDs", ""},
                                             {"Word", words},
                                             {"PageIndex", std::to_string(pageIndex)},
                                             {"PageSize", std::to_string(QuestionListPaging::kPageSize)}})
      .value_or("{}");
}

std::string Self::favouriteJson(const std::string& softName, const std::string& aid) {
  return JSONRepresentation(
             core::Dictionary{
                 {"AppEName", softName}, {"AllTestID", aid}, {"StarNum", "3"}, {"FavTypeID", "1"}})
      .value_or("{}");
}

// ---- views ----

void Self::loadView() {
  auto root = std::make_shared<ui::View>(defaultViewFrame());
  root->setBackgroundColor(ui::Color::white());
  root->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  const ui::Rect b = root->bounds();
  findContentField_ = std::make_shared<ui::SearchBar>(ui::Rect{0, 0, b.width(), ui::SearchBar::kHeight});
  findContentField_->setPlaceholder("请输入关键字");
  findContentField_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth);
  root->addSubview(findContentField_);
  const double top = ui::SearchBar::kHeight;
  lblHint_ = std::make_shared<ui::Label>(ui::Rect{15, top + 10, b.width() - 30, 80});
  lblHint_->setNumberOfLines(0);
  lblHint_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth);
  lblHint_->setFont(ui::Font::system(14));
  lblHint_->setTextColor(ui::Color::gray());
  root->addSubview(lblHint_);
  const double barTop = b.height() - ui::Toolbar::kHeight;
  tableView_ = std::make_shared<ui::TableView>(ui::Rect{0, top, b.width(), barTop - top});
  tableView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  root->addSubview(tableView_);
  bottomToolbar_ = std::make_shared<ui::Toolbar>(ui::Rect{0, barTop, b.width(), ui::Toolbar::kHeight});
  bottomToolbar_->setBarStyle(ui::BarStyle::Black);
  bottomToolbar_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleTopMargin);
  auto item = [this](const char* title, auto action) {
    return ui::BarButtonItem::withTitle(title, ui::BarButtonItem::Style::Bordered,
                                        ui::whileAlive(*this, action));
  };
  auto flexible = [] {
    return ui::BarButtonItem::withSystemItem(ui::BarButtonItem::SystemItem::FlexibleSpace);
  };
  pageButton_ = item("", [](Self& s, auto&&...) { s.fastPaging(); });
  // Four Chinese characters need more room than the toolbar's estimate of a title gives them.
  auto browse = item("浏览本页", [](Self& s, auto&&...) { s.browsePage(); });
  browse->setWidth(84);
  bottomToolbar_->setItems({item("上一页", [](Self& s, auto&&...) { s.previousPage(); }), flexible(),
                            pageButton_, flexible(), item("下一页", [](Self& s, auto&&...) { s.nextPage(); }),
                            flexible(), browse});
  root->addSubview(bottomToolbar_);
  setView(root);
}

void Self::viewDidLoad() {
  VDAppStatistics::pageviewStartWithViewController(*this);
  setTitle(kTitle);
  lblHint_->setText(kHint);
  findContentField_->setDelegate(weakAs<ui::SearchBarDelegate>());
  tableView_->setDataSource(weakAs<ui::TableViewDataSource>());
  tableView_->setDelegate(weakAs<ui::TableViewDelegate>());
  auto press = std::make_shared<ui::LongPressGestureRecognizer>(
      ui::whileAlive(*this, [](Self& s, ui::GestureRecognizer& r) { s.longPressed(r); }));
  press->setMinimumPressDuration(kLongPressDuration);
  tableView_->addGestureRecognizer(press);
  pageIndex_ = 1;
  softName_ = ChosenSubject::current().product.value;
  tableView_->setHidden(true);
  bottomToolbar_->setHidden(true);
  navigationItem().setBackBarButtonItem(
      ui::BarButtonItem::withTitle("返回", ui::BarButtonItem::Style::Plain, {}));
}

void Self::viewDidDisappear(bool animated) { VDAppStatistics::pageviewEndWithViewController(*this); }

// ---- searching ----

void Self::searchBarSearchButtonClicked(ui::SearchBar& searchBar) {
  searchBar.resignFirstResponder();
  findContent_ = searchBar.text();
  const std::size_t length = core::utf16Length(findContent_);
  if (length == 0) {
    showAlert("提示", "请输入关键字");
  } else if (length == 1) {
    showAlert("提示", "关键字不得少于2个汉字");
  } else {
    pageIndex_ = 1;
    search();
    searchBar.resignFirstResponder();
  }
}

void Self::search() {
  searchTestBll_ = std::make_shared<SearchTest>();
  searchTestBll_->findTest(
      searchJson(softName_, findContent_, pageIndex_),
      ui::whileAlive(*this, [](Self& s, bool ok, const core::Value& json) { s.searchReplied(ok, json); }));
}

void Self::restoreShownSearch() {
  findContent_ = shownContent_;
  pageIndex_ = shownPage_ > 0 ? shownPage_ : 1;
}

void Self::searchReplied(bool ok, const core::Value& json) {
  // A later reply supersedes a page still being built.
  const std::uint64_t serial = ++searchSerial_;
  if (!ok) {
    restoreShownSearch();
    showAlert(kListTitle, localized(json.isNil() ? "requestFaile" : "unFindTest"));
    return;
  }
  const core::Value body = json["Body"];
  if (!QuestionListPaging::mayHoldQuestions(body)) {
    showResults(0, std::nullopt);
    return;
  }
  // The page reads the bank: built on a worker, shown when it is back (and only while this screen is).
  rl::postTaskAndReply(
      rl::DispatchQueue::global(), ui::weakScreen(*this),
      [body = body.deepCopy()] { return QuestionListPaging::buildPage(body); },
      [serial, hits = json["Message"].toInt()](Self& self, std::optional<QuestionListPaging::Page> page) {
        if (serial == self.searchSerial_) self.showResults(hits, std::move(page));
      });
}

void Self::showResults(std::int64_t hits, std::optional<QuestionListPaging::Page> page) {
  if (!page) {
    restoreShownSearch();
    showAlert(kListTitle, localized("unFindTest"));
    return;
  }
  testsList_ = std::move(page->questions);
  findTestsArray_ = std::move(page->rows);
  testsCount_ = hits;
  pageCount_ = QuestionListPaging::pageCountFor(testsCount_);
  shownContent_ = findContent_;
  shownPage_ = pageIndex_;
  tableView_->setHidden(false);
  bottomToolbar_->setHidden(false);
  setTitle("“" + findContent_ + "”查找到" + std::to_string(testsCount_) + "题");
  pageButton_->setTitle(QuestionListPaging::pageButtonTitle(pageIndex_, pageCount_));
  tableView_->reloadData();
  tableView_->setContentOffset({0, 0});
}

// ---- paging ----

void Self::previousPage() {
  if (pageIndex_ <= 1) {
    showAlert(kListTitle, QuestionListPaging::kFirstPageMessage);
    return;
  }
  --pageIndex_;
  search();
}

void Self::nextPage() {
  if (pageIndex_ >= pageCount_) {
    showAlert(kListTitle, "已经是最后一页了！");
    return;
  }
  ++pageIndex_;
  search();
}

void Self::fastPaging() {
  if (pageCount_ <= 1) return;
  PageJumpAlert::show("快速翻页", ui::whileAlive(*this, [](Self& self, const std::string& typed) {
                        if (auto page = PageJumpAlert::pageToOpen(typed, self.pageIndex_, self.pageCount_,
                                                                  QuestionListPaging::kSamePageMessage)) {
                          self.pageIndex_ = *page;
                          self.search();
                        }
                      }));
}

void Self::browsePage() {
  if (testsList_.empty()) return;
  AnsweringLauncher::open(*this, testsList_, testsList_.front(), FunctionModule::FindTest, kTitle,
                          std::nullopt);
}

// ---- favourites ----

void Self::longPressed(ui::GestureRecognizer& recognizer) {
  const ui::GestureState state = recognizer.state();
  if (state != ui::GestureState::Began && state != ui::GestureState::Changed) return;
  longPressRow_ = tableView_->indexPathForRowAtPoint(recognizer.locationInView(tableView_.get()));
  if (state != ui::GestureState::Began || !longPressRow_) return;
  auto sheet = std::make_shared<ui::ActionSheet>(kListTitle, std::weak_ptr<ui::ActionSheetDelegate>{}, "取消",
                                                 std::nullopt, std::vector<std::string>{kFavouriteTitle});
  const auto weak = ui::weakScreen(*this);
  sheet->onClicked = [weak](ui::ActionSheet& s, int index) {
    auto self = weak.lock();
    if (!self || index != s.firstOtherButtonIndex() || !self->longPressRow_) return;
    const int row = self->longPressRow_->row;
    if (row < 0 || row >= static_cast<int>(self->findTestsArray_.size())) return;
    self->addFavourite(self->findTestsArray_[static_cast<std::size_t>(row)].AID);
  };
  sheet->showInView(view());
}

void Self::addFavourite(const std::string& aid) {
  myFavoriteBll_ = std::make_shared<MyFavorite>();
  myFavoriteBll_->delegate = weakAs<MyFavoriteDelegate>();
  myFavoriteBll_->addfavour(favouriteJson(softName_, aid));
}

void Self::didAddfavour(bool ok, const core::Value& json) {
  if (!ok) {
    showAlert(kFavouriteTitle, localized(json.isNil() ? "requestFaile" : "nodataMessage"));
    return;
  }
  // The server's word on the favourite, when its answer has the shape of one (a flag and a text);
  // else what is wrong with the reply.
  const core::Value body = json["Body"];
  const core::Value message = json["Message"];
  const bool flag = body.isBool() || body.isNumber();
  if (flag && message.isString() && !message.str().empty()) {
    showAlert(kFavouriteTitle, ReplyCheck::shortened(message.str()));
  } else {
    showAlert(kFavouriteTitle, ReplyCheck::kMalformedMessage);
  }
}

// ---- table ----

int Self::numberOfRowsInSection(ui::TableView&, int) { return static_cast<int>(findTestsArray_.size()); }

std::shared_ptr<ui::TableViewCell> Self::cellForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath ip) {
  auto cell = QuestionRowCell::dequeue(tableView, "testCell");
  if (ip.row >= 0 && ip.row < static_cast<int>(findTestsArray_.size()))
    cell->fill(findTestsArray_[static_cast<std::size_t>(ip.row)]);
  return cell;
}

double Self::heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath ip) {
  if (ip.row < 0 || ip.row >= static_cast<int>(findTestsArray_.size())) return tableView.rowHeight();
  const QuestionListRow& row = findTestsArray_[static_cast<std::size_t>(ip.row)];
  const double width = tableView.bounds().width();
  return textHeight(row.Title, width) + textHeight(QuestionRowCell::answerLine(row), width) + 34;
}

void Self::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath ip) {
  tableView.deselectRowAtIndexPath(ip, true);
  if (ip.row < 0 || ip.row >= static_cast<int>(testsList_.size())) return;
  AnsweringLauncher::open(*this, testsList_, testsList_[static_cast<std::size_t>(ip.row)],
                          FunctionModule::FindTest, kTitle, std::nullopt);
}
