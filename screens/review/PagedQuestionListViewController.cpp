#include "screens/review/PagedQuestionListViewController.h"

#include <algorithm>
#include <cstdint>
#include <set>

#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "platform/core/Bundle.h"
#include "platform/core/Saturating.h"
#include "platform/runloop/TaskAndReply.h"
#include "screens/common/PageJumpAlert.h"
#include "screens/common/QuestionListPaging.h"
#include "screens/common/QuestionRowCell.h"
#include "screens/review/AnsweringLauncher.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"
#include "ui/WeakScreen.h"
#include "widgets/UIAlertViewBlock.h"

namespace {

using Self = PagedQuestionListViewController;

}  // namespace

std::string Self::localized(const char* key) { return core::Bundle::main().localizedString(key); }

void Self::showAlert(const std::string& title, const std::string& message, const std::string& button) {
  VDHelper::createAlert(title, message, button);
}

// ---- views ----

void Self::loadView() {
  auto root = std::make_shared<ui::View>(defaultViewFrame());
  root->setBackgroundColor(ui::Color::white());
  root->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  tableView_ = std::make_shared<ui::TableView>();
  tableView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  root->addSubview(tableView_);

  btnBatchRemove2_ = std::make_shared<ui::Button>();
  btnBatchRemove2_->setTitle(std::string(kRemoveTitle) + "(0)");
  btnBatchRemove2_->setTitleColor(ui::Color::white());
  btnBatchRemove2_->setBackgroundColor(ui::Color::rgb255(220, 50, 40));
  btnBatchRemove2_->setHidden(true);
  btnBatchRemove2_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleTopMargin);
  btnBatchRemove2_->addTarget(ui::ControlEvent::TouchUpInside,
                              ui::whileAlive(*this, [](Self& s) { s.batchRemove2(); }));
  root->addSubview(btnBatchRemove2_);

  bottomToolBar_ = std::make_shared<ui::Toolbar>();
  bottomToolBar_->setBarStyle(ui::BarStyle::Black);
  bottomToolBar_->setBackgroundColor(ui::Color::black());
  bottomToolBar_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleTopMargin);
  auto item = [this](const char* title, auto action) {
    return ui::BarButtonItem::withTitle(title, ui::BarButtonItem::Style::Bordered,
                                        ui::whileAlive(*this, action));
  };
  auto flexible = [] {
    return ui::BarButtonItem::withSystemItem(ui::BarButtonItem::SystemItem::FlexibleSpace);
  };
  pageButton_ = item("", [](Self& s) { s.fastPaging(); });
  browseButton_ = item(kBrowseTitle, [](Self& s) { s.browsePage(); });
  bottomToolBar_->setItems({item(kPreviousTitle, [](Self& s) { s.previousPage(); }), flexible(), pageButton_,
                            flexible(), item(kNextTitle, [](Self& s) { s.nextPage(); }), flexible(),
                            browseButton_});
  root->addSubview(bottomToolBar_);
  setView(root);
  layoutBottom();
}

void Self::layoutBottom() {
  const ui::Rect b = view().bounds();
  const double barTop = b.height() - ui::Toolbar::kHeight;
  bottomToolBar_->setFrame({0, barTop, b.width(), ui::Toolbar::kHeight});
  btnBatchRemove2_->setFrame({0, barTop - kRemoveButtonHeight, b.width(), kRemoveButtonHeight});
  const double tableBottom = btnBatchRemove2_->isHidden() ? barTop : barTop - kRemoveButtonHeight;
  tableView_->setFrame({0, 0, b.width(), std::max(0.0, tableBottom)});
}

void Self::viewDidLoad() {
  tableView_->setDataSource(weakAs<ui::TableViewDataSource>());
  tableView_->setDelegate(weakAs<ui::TableViewDelegate>());
  btnBatchRemove_ = ui::BarButtonItem::withTitle(kBatchRemoveTitle, ui::BarButtonItem::Style::Bordered,
                                                 ui::whileAlive(*this, [](Self& s) { s.batchRemove(); }));
  selectAllButton_ = ui::BarButtonItem::withTitle(kSelectAllTitle, ui::BarButtonItem::Style::Bordered,
                                                  ui::whileAlive(*this, [](Self& s) { s.selectAllItem(); }));
  navigationItem().setRightBarButtonItems({btnBatchRemove_});
  navigationItem().setBackBarButtonItem(
      ui::BarButtonItem::withTitle(kBackTitle, ui::BarButtonItem::Style::Plain, {}));
  setTitle(caption());
}

void Self::viewWillAppear(bool animated) {
  VDAppStatistics::pageviewStartWithViewController(*this);
  if (batchMode_) leaveBatchMode(false);
  pageIndex_ = 1;
  shownPage_ = 0;
  ++pageSerial_;  // a page of the last appearance still being built is not shown
  tableView_->setHidden(true);
  btnBatchRemove_->setEnabled(false);
  bottomToolBar_->setHidden(true);
  if (ui::NavigationController* nav = navigationController()) nav->setNavigationBarHidden(false, animated);
  if (!beginLoading()) return;
  deleteList_.clear();
  requestPage();
}

void Self::viewWillDisappear(bool animated) { VDAppStatistics::pageviewEndWithViewController(*this); }

// ---- pages ----

void Self::goToPage(int page) {
  pageIndex_ = page;
  requestPage();
}

void Self::restoreShownPage() { pageIndex_ = shownPage_ > 0 ? shownPage_ : 1; }

void Self::pageLoaded(bool ok, const core::Value& json) {
  // A later reply supersedes a page still being built.
  const std::uint64_t serial = ++pageSerial_;
  if (!ok) {
    restoreShownPage();
    showPageFailure(!json.isNil());
    return;
  }
  const core::Value body = json["Body"];
  if (!QuestionListPaging::mayHoldQuestions(body)) {
    showPage(json, std::nullopt);
    return;
  }
  // The page reads the bank: built on a worker, shown when it is back (and only while this screen is).
  rl::postTaskAndReply(
      rl::DispatchQueue::global(), ui::weakScreen(*this),
      [body = body.deepCopy()] { return QuestionListPaging::buildPage(body); },
      [serial, json](Self& self, std::optional<QuestionListPaging::Page> page) {
        if (serial == self.pageSerial_) self.showPage(json, std::move(page));
      });
}

void Self::showPage(const core::Value& json, std::optional<QuestionListPaging::Page> page) {
  if (!page) {
    restoreShownPage();
    showAlert(texts().listTitle, localized("nodataMessage"), QuestionListPaging::kOKButton);
    return;
  }
  testsList_ = std::move(page->questions);
  testsJSON_ = json;
  rows_ = std::move(page->rows);
  pageCount_ = QuestionListPaging::pageCountFor(testsCount_);
  shownPage_ = pageIndex_;
  tableView_->setHidden(false);
  btnBatchRemove_->setEnabled(true);
  bottomToolBar_->setHidden(false);
  setTitle(batchMode_ ? kBatchRemoveTitle : caption());
  updatePageButton();
  tableView_->reloadData();
  tableView_->setContentOffset({0, 0});
}

void Self::updatePageButton() {
  pageButton_->setEnabled(pageCount_ > 1);
  pageButton_->setTitle(QuestionListPaging::pageButtonTitle(pageIndex_, pageCount_));
}

void Self::previousPage() {
  if (pageIndex_ <= 1) {
    showAlert(texts().listTitle, QuestionListPaging::kFirstPageMessage, QuestionListPaging::kOKButton);
    return;
  }
  goToPage(pageIndex_ - 1);
}

void Self::nextPage() {
  if (pageIndex_ >= pageCount_) {
    showAlert(texts().listTitle, texts().lastPageMessage, QuestionListPaging::kOKButton);
    return;
  }
  goToPage(pageIndex_ + 1);
}

void Self::fastPaging() {
  PageJumpAlert::show(texts().jumpTitle, ui::whileAlive(*this, [](Self& self, const std::string& typed) {
                        if (auto page = PageJumpAlert::pageToOpen(typed, self.pageIndex_, self.pageCount_,
                                                                  QuestionListPaging::kSamePageMessage))
                          self.goToPage(*page);
                      }));
}

void Self::browsePage() {
  if (!browseButton_->isEnabled() || testsList_.empty()) return;
  AnsweringLauncher::open(*this, testsList_, testsList_.front(), texts().module, texts().answeringTitle,
                          testsJSON_);
}

void Self::disableBrowsing() { browseButton_->setEnabled(false); }

void Self::openAnsweringAtRow(int row) {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return;
  std::shared_ptr<Questions> question;
  if (rows_.size() == testsList_.size()) {
    question = testsList_[static_cast<std::size_t>(row)];
  } else {
    const std::string& aid = rows_[static_cast<std::size_t>(row)].AID;
    for (const auto& q : testsList_) {
      if (q->AllTestID == aid) {
        question = q;
        break;
      }
    }
  }
  AnsweringLauncher::open(*this, testsList_, question, texts().module, texts().answeringTitle, testsJSON_);
}

// ---- table ----

int Self::numberOfRowsInSection(ui::TableView&, int) { return static_cast<int>(rows_.size()); }

std::shared_ptr<ui::TableViewCell> Self::cellForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath ip) {
  auto cell = QuestionRowCell::dequeue(tableView, texts().rowIdentifier);
  if (ip.row >= 0 && ip.row < static_cast<int>(rows_.size()))
    cell->fill(rows_[static_cast<std::size_t>(ip.row)]);
  return cell;
}

double Self::heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath ip) {
  if (ip.row < 0 || ip.row >= static_cast<int>(rows_.size())) return tableView.rowHeight();
  return QuestionRowCell::rowHeight(tableView, rows_[static_cast<std::size_t>(ip.row)]);
}

void Self::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath ip) {
  if (!tableView.isEditing()) {
    tableView.deselectRowAtIndexPath(ip, true);
    openAnsweringAtRow(ip.row);
    return;
  }
  if (ip.row < static_cast<int>(rows_.size()))
    setRowsOfQuestions(rows_[static_cast<std::size_t>(ip.row)].AID, true);
  showSelectedCount();
}

void Self::didDeselectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath ip) {
  if (!tableView.isEditing()) return;
  if (ip.row < static_cast<int>(rows_.size()))
    setRowsOfQuestions(rows_[static_cast<std::size_t>(ip.row)].AID, false);
  selectAllButton_->setTitle(kSelectAllTitle);
  showSelectedCount();
}

void Self::setRowsOfQuestions(const std::string& aid, bool selected) {
  for (std::size_t r = 0; r < rows_.size(); ++r) {
    if (rows_[r].AID != aid) continue;
    const ui::IndexPath ip{0, static_cast<int>(r)};
    if (selected) {
      tableView_->selectRowAtIndexPath(ip, false);
    } else {
      tableView_->deselectRowAtIndexPath(ip, false);
    }
  }
}

void Self::showSelectedCount() {
  const auto n = tableView_->indexPathsForSelectedRows().size();
  if (n > 0) {
    btnBatchRemove2_->setTitle(std::string(kRemoveTitle) + "(" + std::to_string(n) + ")");
    if (n == rows_.size()) selectAllButton_->setTitle(kDeselectAllTitle);
  } else {
    selectAllButton_->setTitle(kSelectAllTitle);
    btnBatchRemove2_->setTitle(std::string(kRemoveTitle) + "(0)");
  }
}

// ---- removal ----

void Self::commitEditingStyle(ui::TableView& tableView, ui::TableViewCellEditingStyle style,
                              ui::IndexPath ip) {
  if (style != ui::TableViewCellEditingStyle::Delete || ip.row < 0 ||
      ip.row >= static_cast<int>(rows_.size()))
    return;
  deleteList_ = {rows_[static_cast<std::size_t>(ip.row)].AID};
  originalArray_ = rows_;
  rows_.erase(rows_.begin() + ip.row);
  tableView.deleteRowsAtIndexPaths({ip}, ui::TableViewRowAnimation::Automatic);
  requestRemoval(deleteList_);
}

void Self::batchRemove() {
  if (batchMode_) {
    removeSelected();
  } else {
    enterBatchMode();
  }
}

void Self::batchRemove2() {
  if (batchMode_) removeSelected();
}

void Self::enterBatchMode() {
  batchMode_ = true;
  tableView_->setAllowsMultipleSelectionDuringEditing(true);
  tableView_->setEditing(true, true);
  tableView_->reloadData();
  btnBatchRemove_->setTitle(kDoneTitle);
  setTitle(kBatchRemoveTitle);
  btnBatchRemove2_->setHidden(false);
  btnBatchRemove2_->setTitle(std::string(kRemoveTitle) + "(0)");
  selectAllButton_->setTitle(kSelectAllTitle);
  navigationItem().setRightBarButtonItems({selectAllButton_});
  layoutBottom();
}

void Self::selectAllItem() {
  if (!batchMode_) return;
  if (selectAllButton_->title() == kSelectAllTitle) {
    for (std::size_t r = 0; r < rows_.size(); ++r)
      tableView_->selectRowAtIndexPath(ui::IndexPath{0, static_cast<int>(r)}, false);
    selectAllButton_->setTitle(kDeselectAllTitle);
  } else {
    for (const ui::IndexPath& ip : tableView_->indexPathsForSelectedRows())
      tableView_->deselectRowAtIndexPath(ip, false);
    selectAllButton_->setTitle(kSelectAllTitle);
  }
  showSelectedCount();
}

void Self::removeSelected() {
  originalArray_ = rows_;
  deleteList_.clear();
  std::set<int> chosen;
  for (const ui::IndexPath& ip : tableView_->indexPathsForSelectedRows()) {
    if (ip.row < 0 || ip.row >= static_cast<int>(rows_.size())) continue;
    chosen.insert(ip.row);
    const std::string& aid = rows_[static_cast<std::size_t>(ip.row)].AID;
    if (std::find(deleteList_.begin(), deleteList_.end(), aid) == deleteList_.end())
      deleteList_.push_back(aid);
  }
  std::vector<QuestionListRow> kept;
  for (std::size_t r = 0; r < rows_.size(); ++r)
    if (!chosen.count(static_cast<int>(r))) kept.push_back(rows_[r]);
  rows_ = std::move(kept);
  tableView_->setAllowsMultipleSelectionDuringEditing(false);
  if (deleteList_.empty()) {
    leaveBatchMode(true);
    return;
  }
  const std::string message =
      "您确定要移除（" + std::to_string(deleteList_.size()) + "）题吗？（移除后将不可恢复）";
  const auto weak = ui::weakScreen(*this);
  auto confirm = std::make_shared<UIAlertViewBlock>(
      kConfirmTitle, message,
      [weak](bool cancelled, int) {
        auto self = weak.lock();
        if (!self) return;
        if (cancelled) {
          self->leaveBatchMode(true);
        } else {
          self->requestRemoval(self->deleteList_);
        }
      },
      "取消", std::vector<std::string>{"确定"});
  confirm->show();
}

void Self::leaveBatchMode(bool restoreRows) {
  if (restoreRows) rows_ = originalArray_;
  deleteList_.clear();
  batchMode_ = false;
  btnBatchRemove_->setTitle(kBatchRemoveTitle);
  setTitle(caption());
  btnBatchRemove2_->setHidden(true);
  btnBatchRemove2_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleTopMargin);
  navigationItem().setRightBarButtonItems({btnBatchRemove_});
  tableView_->setEditing(false, true);
  layoutBottom();
  tableView_->reloadData();
}

void Self::removalAnswered(bool ok, const core::Value& json) {
  const std::size_t removed = deleteList_.size();
  if (ok) {
    const auto weak = ui::weakScreen(*this);
    auto done = std::make_shared<UIAlertViewBlock>(
        texts().removalTitle, kDoneMessage,
        [weak, removed](bool, int) {
          if (auto self = weak.lock()) self->afterRemoval(removed);
        },
        "确定", std::vector<std::string>{});
    done->show();
    leaveBatchMode(false);
    return;
  }
  showAlert(texts().removalTitle, localized(json.isNil() ? "requestFaile" : "nodataMessage"),
            QuestionListPaging::kOKButton);
  disableBrowsing();
  rows_ = originalArray_;
  leaveBatchMode(false);
}

void Self::afterRemoval(std::size_t removed) {
  const std::int64_t before = testsCount_;
  const auto gone = static_cast<std::int64_t>(std::min<std::size_t>(removed, INT64_MAX));
  // The total came from the server and may be any count: never below zero, never overflowing.
  testsCount_ = std::max<std::int64_t>(0, core::satSub(testsCount_, gone));
  if (gone >= before) {
    // Nothing is left of the subject: no page to ask for, nor one still being built to show.
    ++pageSerial_;
    disableBrowsing();
    rows_.clear();
    tableView_->reloadData();
    return;
  }
  // The total changed: the page count with it, and the page to reload must be one that exists.
  pageCount_ = QuestionListPaging::pageCountFor(testsCount_);
  pageIndex_ = QuestionListPaging::clampPage(pageIndex_, pageCount_);
  shownPage_ = QuestionListPaging::clampPage(shownPage_, pageCount_);
  requestPage();
}
