#include "screens/notes/AllNoteViewController.h"

#include <algorithm>
#include <set>

#include "app/ReplyCheck.h"
#include "app/Session.h"
#include "app/VDAppStatistics.h"
#include "app/VDNetworkHelper.h"
#include "app/VDViewControllerFactory.h"
#include "platform/runloop/TaskAndReply.h"
#include "screens/notes/MyNoteViewController.h"
#include "screens/notes/NoteLayout.h"
#include "service/ApiClientSupport.h"
#include "ui/BarButtonItem.h"
#include "ui/ImageView.h"
#include "ui/NavigationItem.h"
#include "ui/WeakScreen.h"

namespace {

constexpr double kWidth = 320;
constexpr double kRowInset = 5;  // a note row's view sits this far in from its cell

core::Value session() {
  Session* session = Session::current();
  return session ? session->userSession() : core::Value();
}

}  // namespace

void AllNoteViewController::loadView() {
  myTabelView_ = std::make_shared<ui::TableView>(defaultViewFrame());
  myTabelView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  myTabelView_->setBackgroundColor(ui::Color::white());
  setView(myTabelView_);
}

void AllNoteViewController::viewDidLoad() {
  setTitle(kTitle);
  navigationItem().setBackBarButtonItem(
      ui::BarButtonItem::withTitle("返回", ui::BarButtonItem::Style::Plain, {}));
  questionId_ = session()["ALLTESTID"].toString();
  initArray();
}

void AllNoteViewController::viewWillAppear(bool) { VDAppStatistics::pageviewStartWithViewController(*this); }

void AllNoteViewController::viewWillDisappear(bool) { VDAppStatistics::pageviewEndWithViewController(*this); }

// ---- building ----

void AllNoteViewController::initArray() {
  viewArr_.clear();
  isHaveMore_ = true;
  myTabelView_->setDataSource(weakAs<ui::TableViewDataSource>());
  myTabelView_->setDelegate(weakAs<ui::TableViewDelegate>());
  noteArray_.clear();
  nextPage_ = 1;
  updatePage_ = 1;

  // Row 0: the panel with the user's own note.
  auto made = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(
      MyNoteViewController::kIdentifier);
  myNoteVC_ = std::dynamic_pointer_cast<MyNoteViewController>(made);
  if (myNoteVC_) {
    myNoteVC_->setJson(myNoteJson_);
    myNoteVC_->setAllNoteVC(ui::weakScreen(*this));
    myNoteVC_->setIsOne(true);
    ui::View& panel = myNoteVC_->view();
    ui::Rect frame = panel.frame();
    frame.size.height = myNoteVC_->logoBottom();
    panel.setFrame(frame);
    viewArr_.push_back(myNoteVC_->sharedView());
  } else {
    viewArr_.push_back(std::make_shared<ui::View>(ui::Rect(0, 0, kWidth, 10)));
  }

  if (json_.isArray()) noteArray_ = VDHelper::getNoteArr(json_, 1);
  rebuildNoteRows();

  if (!loadMoreFooterView_) {
    loadMoreFooterView_ = std::make_shared<LoadMoreFooterView>(ui::Rect(0, 0, kWidth, kFooterHeight));
    loadMoreFooterView_->setDelegate(weakAs<LoadMoreFooterViewDelegate>());
    myTabelView_->setTableFooterView(loadMoreFooterView_);
    loadMoreFooterView_->setHidden(false);
  }
  myTabelView_->reloadData();
}

void AllNoteViewController::rebuildNoteRows() {
  viewArr_.resize(1);
  placeholder_.reset();
  if (noteArray_.empty()) {
    placeholder_ = getNotNoteView();
    viewArr_.push_back(placeholder_);
    return;
  }
  // A note's row is built when the table first shows it (ensureRow): a long list costs what shows.
  viewArr_.resize(noteArray_.size() + 1);
}

void AllNoteViewController::ensureRow(std::size_t row) {
  if (row == 0 || row >= viewArr_.size() || viewArr_[row] || row - 1 >= noteArray_.size()) return;
  viewArr_[row] = initNoteView(*noteArray_[row - 1], static_cast<int>(row - 1));
}

std::size_t AllNoteViewController::builtRows() const {
  std::size_t built = 0;
  for (std::size_t row = 1; row < viewArr_.size(); ++row)
    if (viewArr_[row] && viewArr_[row] != placeholder_) ++built;
  return built;
}

const std::vector<std::shared_ptr<ui::View>>& AllNoteViewController::viewArr() {
  for (std::size_t row = 1; row < viewArr_.size(); ++row) ensureRow(row);
  return viewArr_;
}

double AllNoteViewController::noteViewHeight(const Note& note) {
  // As initNoteView lays the row out: the text with 10 above and below, the name bar of 30, 10 below.
  constexpr double kNoteWidth = kWidth - 2 * kRowInset;
  auto label = std::make_shared<ui::Label>(ui::Rect(10, 10, 0, 0));
  NoteLayout::setLabel(*label, note.noteStr, 17, NoteLayout::kTextFont, ui::Color::black(), kNoteWidth - 20);
  return label->frame().height() + 20 + 30 + 10;
}

std::shared_ptr<ui::View> AllNoteViewController::getNotNoteView() const {
  const double panel = viewArr_.empty() ? 0 : viewArr_.front()->frame().height();
  const double height = std::max(myTabelView_->frame().height() - panel, NoteLayout::kPlaceholderImageY + 48);
  auto placeholder = std::make_shared<ui::View>(ui::Rect(0, 0, kWidth, height));
  auto image = std::make_shared<ui::ImageView>(ui::Rect(10, NoteLayout::kPlaceholderImageY, 300, 48));
  image->setImage(ui::Image::create(NoteLayout::kPlaceholderImage, {300, 48}));
  placeholder->addSubview(image);
  return placeholder;
}

std::shared_ptr<ui::View> AllNoteViewController::initNoteView(const Note& note, int index) const {
  constexpr double kNoteWidth = kWidth - 2 * kRowInset;
  auto testLabel = std::make_shared<ui::Label>(ui::Rect(10, 10, 0, 0));
  NoteLayout::setLabel(*testLabel, note.noteStr, 17, NoteLayout::kTextFont, ui::Color::black(),
                       kNoteWidth - 20);
  auto testView = std::make_shared<ui::View>(ui::Rect(0, 0, kNoteWidth, testLabel->frame().height() + 20));
  testView->addSubview(testLabel);

  auto otherView = std::make_shared<ui::View>(ui::Rect(0, testView->frame().maxY(), kNoteWidth, 30));
  otherView->setTag(104);
  auto nameLabel = std::make_shared<ui::Label>(ui::Rect(10, 5, 0, 0));
  VDHelper::setLabel(*nameLabel, note.userName, 14, kNoteWidth / 2);
  nameLabel->setTextColor(ui::Color::darkGray());
  otherView->addSubview(nameLabel);
  auto timeLabel = std::make_shared<ui::Label>(ui::Rect(kNoteWidth / 2, 5, 0, 0));
  VDHelper::setLabel(*timeLabel, NoteLayout::rowTimeText(note.noteTime), 14, kNoteWidth / 2);
  timeLabel->setTextColor(ui::Color::gray());
  otherView->addSubview(timeLabel);

  const double height = testView->frame().height() + otherView->frame().height() + 10;
  auto noteView = std::make_shared<ui::View>(ui::Rect(0, 0, kNoteWidth, height));
  noteView->addSubview(testView);
  noteView->addSubview(otherView);
  auto contentView = std::make_shared<ui::View>(ui::Rect(kRowInset, kRowInset, kNoteWidth, height));
  contentView->addSubview(noteView);
  contentView->setTag(index);
  contentView->setUserInteractionEnabled(false);
  return contentView;
}

// ---- what the panel asks ----

void AllNoteViewController::panelDidChange() { myTabelView_->reloadData(); }

void AllNoteViewController::reloadNotePage(int page) {
  updatePage_ = page;
  isNextPage_ = false;
  getAllNoteByAID(page);
}

void AllNoteViewController::noteDeleted(std::int32_t nid) {
  std::erase_if(noteArray_, [nid](const std::shared_ptr<Note>& note) { return note->NID == nid; });
  rebuildNoteRows();
  isHaveMore_ = true;
  myTabelView_->reloadData();
}

// ---- loading ----

void AllNoteViewController::getAllNoteByAID(int page) {
  reloadPage_ = page;
  myNoteBll_ = std::make_shared<MyNote>(&Session::copiedEntry);
  myNoteBll_->delegate = weakAs<MyNoteDelegate>();
  myNoteBll_->getAllNoteByAID(page);
}

void AllNoteViewController::loadMoreTableFooterDidTriggerRefresh(LoadMoreFooterView&) {
  if (!isLoading_) return;
  isLoadEnd_ = false;
  isHaveMore_ = true;
  updatePage_ = nextPage_ + 1;
  isNextPage_ = true;
  loadFurtherPage();
}

void AllNoteViewController::loadFurtherPage() {
  // Everything the worker needs is read here; the worker only asks the server and returns the reply.
  const std::string eName = session()["appInfo"]["EName"].toString();
  const std::string question = questionId_;
  const int page = updatePage_;
  struct Page {
    bool ok = false;
    VDHelper::NoteArray notes;
  };
  // The worker also shapes the page, which looks its notes' questions up in the bank (one read).
  rl::postTaskAndReply(
      rl::DispatchQueue::global(), ui::weakScreen(*this),
      [eName, question, page, context = VDHelper::notePageContext()] {
        Page out;
        if (eName.empty() || question.empty()) return out;
        const core::Value reply = std::make_shared<MyNote>()->getDataSynchroUserNoteSyn(question, eName, page);
        out.ok = !reply.isNil() && apiclient::bodyNonEmpty(reply) && pageIsUsable(reply);
        if (out.ok) out.notes = VDHelper::getNoteArr(reply["Body"], page, context);
        return out;
      },
      [page](AllNoteViewController& self, Page reply) {
        self.updatePage_ = page;
        self.isNextPage_ = true;
        self.mergeNotes(reply.ok, std::move(reply.notes));
      });
}

bool AllNoteViewController::pageIsUsable(const core::Value& reply) {
  return ReplyCheck::bodyIsRecordList(reply, MyNote::kMaxNotesPerPage);
}

void AllNoteViewController::didGetAllNoteByAID(bool ok, const core::Value& json) {
  myNoteBll_.reset();
  const int page = reloadPage_;
  if (!ok || !pageIsUsable(json)) {
    updatePage_ = page;
    isNextPage_ = false;
    mergeNotes(false, {});
    return;
  }
  // The page is shaped on a worker (it looks its notes' questions up in the bank), then merged.
  rl::postTaskAndReply(
      rl::DispatchQueue::global(), ui::weakScreen(*this),
      [body = json["Body"].deepCopy(), page, context = VDHelper::notePageContext()] {
        return VDHelper::getNoteArr(body, page, context);
      },
      [page](AllNoteViewController& self, VDHelper::NoteArray notes) {
        self.updatePage_ = page;
        self.isNextPage_ = false;
        self.mergeNotes(true, std::move(notes));
      });
}

void AllNoteViewController::mergeNotes(bool ok, VDHelper::NoteArray notes) {
  currentLoadNoteArray_.clear();
  if (ok) {
    if (isNextPage_) {
      std::set<std::int32_t> shown;
      for (const auto& note : noteArray_) shown.insert(note->NID);
      std::erase_if(notes, [&](const std::shared_ptr<Note>& n) { return shown.count(n->NID) > 0; });
    }
    if (!notes.empty()) {
      if (isNextPage_) ++nextPage_;
      currentLoadNoteArray_ = std::move(notes);
      nextInitArray();
    } else {
      VDNetworkHelper::hudPrompt(kNoMoreToast);
    }
  } else {
    if (isLoading_) VDNetworkHelper::hudPrompt(kNoMoreToast);
    nextInitArray();
  }
  finishLoading();
}

void AllNoteViewController::finishLoading() {
  if (isLoadEnd_) return;
  isLoadEnd_ = true;
  isLoading_ = false;
  loadMoreFooterView_->loadMoreshScrollViewDataSourceDidFinishedLoading(*myTabelView_);
}

void AllNoteViewController::nextInitArray() {
  // A deleted note has left the list already (noteDeleted).
  isDelete_ = false;
  std::vector<std::size_t> positions;
  for (std::size_t i = 0; i < noteArray_.size(); ++i) {
    if (noteArray_[i]->indexPage == updatePage_) positions.push_back(i);
  }
  std::vector<bool> fromReply(noteArray_.size(), false);
  for (std::size_t k = 0; k < currentLoadNoteArray_.size(); ++k) {
    if (k < positions.size()) {
      noteArray_[positions[k]] = currentLoadNoteArray_[k];
      fromReply[positions[k]] = true;
    } else {
      noteArray_.push_back(currentLoadNoteArray_[k]);
      fromReply.push_back(true);
    }
  }
  if (!isNextPage_ && !currentLoadNoteArray_.empty()) {
    // Notes move between pages as others write or delete: a note the reload brings is not listed again
    // where another page showed it before.
    std::set<std::int32_t> loaded;
    for (const auto& note : currentLoadNoteArray_) loaded.insert(note->NID);
    VDHelper::NoteArray kept;
    for (std::size_t i = 0; i < noteArray_.size(); ++i) {
      if (fromReply[i] || !loaded.count(noteArray_[i]->NID)) kept.push_back(noteArray_[i]);
    }
    noteArray_ = std::move(kept);
  }
  rebuildNoteRows();
  myTabelView_->reloadData();
}

// ---- table ----

int AllNoteViewController::numberOfRowsInSection(ui::TableView&, int) {
  return static_cast<int>(viewArr_.size());
}

std::shared_ptr<ui::TableViewCell> AllNoteViewController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                                ui::IndexPath indexPath) {
  auto cell = tableView.dequeueReusableCellWithIdentifier(kCellIdentifier);
  if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, kCellIdentifier);
  for (const auto& sub : std::vector(cell->contentView().subviews())) sub->removeFromSuperview();
  cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
  const auto row = static_cast<std::size_t>(indexPath.row);
  if (row >= 2) {
    auto line = std::make_shared<ui::View>(ui::Rect(0, 0, kWidth, 1));
    line->setBackgroundColor(ui::Color::lightGray());
    cell->contentView().addSubview(line);
  }
  ensureRow(row);
  if (row < viewArr_.size() && viewArr_[row]) cell->contentView().addSubview(viewArr_[row]);

  if (row + 1 == viewArr_.size()) {
    // The last row: the first rendering after a load hides the footer's strip below the end, and the
    // list scrolls (and offers more) only when it is longer than the screen.
    if (isHaveMore_) {
      ui::Size size = tableView.contentSize();
      size.height += updatePage_ == 1 ? -kFooterHeight : 20;
      tableView.setContentSize(size);
      isHaveMore_ = false;
    }
    const bool scrolls = tableView.contentSize().height - kFooterHeight >= tableView.frame().height();
    tableView.setScrollEnabled(scrolls);
    loadMoreFooterView_->setHidden(!scrolls);
  }
  return cell;
}

double AllNoteViewController::heightForRowAtIndexPath(ui::TableView&, ui::IndexPath indexPath) {
  const auto row = static_cast<std::size_t>(indexPath.row);
  if (row >= viewArr_.size()) return 0;
  // A row not built yet is measured from its note's text.
  const ui::Rect frame = viewArr_[row] ? viewArr_[row]->frame()
                                       : ui::Rect(kRowInset, kRowInset, kWidth - 2 * kRowInset,
                                                  noteViewHeight(*noteArray_[row - 1]));
  if (row == 0) return frame.height() - 10;
  return frame.height() + 2 * frame.minY();
}

void AllNoteViewController::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  tableView.deselectRowAtIndexPath(indexPath, true);
  if (myNoteVC_ && myNoteVC_->isViewLoaded()) myNoteVC_->showOption(false);
  view().endEditing(true);
}

void AllNoteViewController::scrollViewDidScroll(ui::ScrollView& scrollView) {
  const double bottom = static_cast<int>(scrollView.contentOffset().y) + scrollView.frame().height();
  isLoading_ = bottom > scrollView.contentSize().height + kPullDistance;
  if (isLoading_) loadMoreFooterView_->loadMoreScrollViewDidScroll(scrollView);
}

void AllNoteViewController::scrollViewDidEndDragging(ui::ScrollView& scrollView, bool) {
  if (isLoading_) loadMoreFooterView_->loadMoreshScrollViewDidEndDragging(scrollView);
}
