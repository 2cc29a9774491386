#include "screens/notes/MainNoteViewController.h"

#include <algorithm>
#include <set>

#include "app/AvatarFile.h"
#include "app/ReplyCheck.h"
#include "app/Session.h"
#include "app/VDAppStatistics.h"
#include "app/VDNetworkHelper.h"
#include "app/VDViewControllerFactory.h"
#include "exam/sets/AnsweringScreen.h"
#include "exam/sets/TestBuilder.h"
#include "platform/core/Bundle.h"
#include "platform/runloop/TaskAndReply.h"
#include "screens/notes/NoteLayout.h"
#include "screens/notes/NoteUpdateContext.h"
#include "screens/notes/UpdateNoteViewController.h"
#include "service/ApiClientSupport.h"
#include "ui/BarButtonItem.h"
#include "ui/GestureRecognizer.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"
#include "ui/WeakScreen.h"
#include "widgets/UIAlertViewBlock.h"

namespace {

constexpr double kWidth = 320;
constexpr double kRowTop = 5;  // a note row's view sits this far below its cell's top
const ui::Color kDarkGray = ui::Color::rgb255(67, 67, 67);
const ui::Color kNoteGray = ui::Color::rgb255(226, 226, 226);

std::string localized(const char* key) { return core::Bundle::main().localizedString(key); }

core::Value session() {
  Session* session = Session::current();
  return session ? session->userSession() : core::Value();
}

std::shared_ptr<ui::Button> imageButton(const char* image, ui::Rect frame) {
  auto button = std::make_shared<ui::Button>(frame);
  button->setImage(ui::Image::create(image, frame.size));
  return button;
}

std::shared_ptr<ui::Label> badgeLabel(ui::Rect frame, double fontSize) {
  auto label = std::make_shared<ui::Label>(frame);
  label->setFont(ui::Font::system(fontSize));
  label->setTextColor(ui::Color::darkGray());
  return label;
}

}  // namespace

void MainNoteViewController::loadView() {
  auto root = std::make_shared<ui::View>(defaultViewFrame());
  root->setBackgroundColor(ui::Color::white());
  setView(root);

  logoView_ = std::make_shared<ui::View>(ui::Rect(0, 0, kWidth, kHeaderHeight));
  root->addSubview(logoView_);
  headImageView_ = std::make_shared<ui::ImageView>(ui::Rect(10, 10, 40, 40));
  logoView_->addSubview(headImageView_);
  nameLable_ = std::make_shared<ui::Label>(ui::Rect(60, 10, 250, 40));
  nameLable_->setFont(ui::Font::boldSystem(16));
  nameLable_->setTextColor(ui::Color::white());
  logoView_->addSubview(nameLable_);

  const ui::Rect bounds = root->bounds();
  myTableView_ = std::make_shared<ui::TableView>(
      ui::Rect(0, kHeaderHeight, bounds.width(), bounds.height() - kHeaderHeight));
  myTableView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  myTableView_->setBackgroundColor(ui::Color::white());
  root->addSubview(myTableView_);
}

void MainNoteViewController::viewDidLoad() {
  isBack_ = false;
  initArray();
  const std::optional<SessionUser> user = Session::currentUser();
  const std::string nick = user ? user->nickName : std::string();
  const std::string userName = user ? user->userName : std::string();
  nameLable_->setText(nick.empty() ? userName : nick);
  const std::string avatar = AvatarFile::path(userName);
  if (!avatar.empty() && VDHelper::isHavefile(avatar)) {
    headImageView_->setImage(ui::Image::create(avatar, {40, 40}));
  } else {
    headImageView_->setImage(nullptr);
  }
  setTitle(kTitle);
  navigationItem().setBackBarButtonItem(
      ui::BarButtonItem::withTitle("返回", ui::BarButtonItem::Style::Plain, {}));
  logoView_->setBackgroundColor(kDarkGray);
}

void MainNoteViewController::viewWillAppear(bool) {
  VDAppStatistics::pageviewStartWithViewController(*this);
  if (isBack_) initArray();
}

void MainNoteViewController::viewWillDisappear(bool) {
  VDAppStatistics::pageviewEndWithViewController(*this);
}

// ---- building ----

void MainNoteViewController::initArray() {
  myTableView_->setDataSource(weakAs<ui::TableViewDataSource>());
  myTableView_->setDelegate(weakAs<ui::TableViewDelegate>());
  if (!loadMoreFooterView_) {
    loadMoreFooterView_ = std::make_shared<LoadMoreFooterView>(ui::Rect(0, 0, kWidth, kFooterHeight));
    loadMoreFooterView_->setDelegate(weakAs<LoadMoreFooterViewDelegate>());
    myTableView_->setTableFooterView(loadMoreFooterView_);
    loadMoreFooterView_->setHidden(false);
  }
  timeDic_ = core::Value::dictionary();
  viewArr_.clear();
  rows_.clear();
  headView_ = std::make_shared<ui::View>();
  viewArr_.push_back(headView_);
  isHaveMore_ = true;
  nextPage_ = 1;
  updatePage_ = 1;

  // Back from a note's question: the list is this screen's own array, which the question's notes panel
  // may have changed meanwhile (NoteUpdateContext). Else the first page is shaped on a worker (it looks
  // its notes' questions up in the bank) and comes in through showFirstPage.
  if (!isBack_) {
    noteArray_->clear();
    if (json_.isArray() && json_.size() > 0) shapeFirstPage();
  }
  // A note's row is built when the table first shows it (ensureRow).
  rows_.resize(noteArray_->size());
  viewArr_.resize(noteArray_->size() + 1);
  placeholder_.reset();
  showPlaceholderWhenEmpty();
  myTableView_->reloadData();
}

std::shared_ptr<ui::View> MainNoteViewController::notNoteView() const {
  const double height = std::max(myTableView_->frame().height() - headView_->frame().height(),
                                 NoteLayout::kPlaceholderImageY + 48);
  auto placeholder = std::make_shared<ui::View>(ui::Rect(0, 0, kWidth, height));
  auto image = std::make_shared<ui::ImageView>(ui::Rect(10, NoteLayout::kPlaceholderImageY, 300, 48));
  image->setImage(ui::Image::create(NoteLayout::kPlaceholderImage, {300, 48}));
  placeholder->addSubview(image);
  return placeholder;
}

void MainNoteViewController::shapeFirstPage() {
  shapingFirstPage_ = true;
  rl::postTaskAndReply(
      rl::DispatchQueue::global(), ui::weakScreen(*this),
      [page = json_.deepCopy(), context = VDHelper::notePageContext()] {
        return VDHelper::getNoteArr(page, 1, context);
      },
      [](MainNoteViewController& self, VDHelper::NoteArray notes) { self.showFirstPage(std::move(notes)); });
}

void MainNoteViewController::showFirstPage(VDHelper::NoteArray notes) {
  shapingFirstPage_ = false;
  // Before anything a further page brought meanwhile; each row is built when it shows.
  const std::size_t count = notes.size();
  noteArray_->insert(noteArray_->begin(), notes.begin(), notes.end());
  rows_.insert(rows_.begin(), count, NoteRow{});
  viewArr_.insert(viewArr_.begin() + 1, count, nullptr);
  againSetTage();
  showPlaceholderWhenEmpty();
  myTableView_->reloadData();
}

void MainNoteViewController::showPlaceholderWhenEmpty() {
  // No placeholder while the first page is being shaped: the list is not known to be empty yet.
  if (noteArray_->empty() && !placeholder_ && !shapingFirstPage_) {
    placeholder_ = notNoteView();
    viewArr_.push_back(placeholder_);
  } else if (!noteArray_->empty() && placeholder_) {
    std::erase(viewArr_, placeholder_);
    placeholder_.reset();
  }
}

MainNoteViewController::NoteRow MainNoteViewController::initNoteView(const Note& note, int index) {
  NoteRow row;
  constexpr double kNoteX = 10;
  constexpr double kNoteWidth = kWidth - 2 * kNoteX;

  auto testView = std::make_shared<ui::View>(ui::Rect(kNoteX, 0, kNoteWidth, 0));
  testView->setBackgroundColor(kNoteGray);
  auto xianBtn = std::make_shared<ui::Button>(ui::Rect(0, 0, kNoteWidth, 5));
  xianBtn->setTag(kLineTag);
  testView->addSubview(xianBtn);
  auto noteLabel = std::make_shared<ui::Label>(ui::Rect(10, xianBtn->frame().maxY() + 10, 0, 0));
  NoteLayout::setLabel(*noteLabel, note.noteStr, 14, NoteLayout::kTextFont, ui::Color::black(),
                       kNoteWidth - 20);
  noteLabel->setTag(kNoteLabelTag);
  testView->addSubview(noteLabel);
  testView->setFrame({kNoteX, 0, kNoteWidth, noteLabel->frame().maxY() + 20});
  row.noteLabel = noteLabel.get();

  auto showOptionView =
      std::make_shared<ui::View>(ui::Rect(kNoteX, testView->frame().maxY() + 5, kNoteWidth, 30));
  showOptionView->setTag(kShowOptionViewTag);
  auto badge = std::make_shared<ui::View>(ui::Rect(0, 0, 200, 30));
  badge->setUserInteractionEnabled(false);
  auto todayLabel = badgeLabel(ui::Rect(0, 0, 200, 30), 13);
  badge->addSubview(todayLabel);
  auto timeView = std::make_shared<ui::View>(ui::Rect(0, 0, 80, 30));
  auto monthLabel = badgeLabel(ui::Rect(0, 0, 40, 30), 13);
  auto dayLabel = badgeLabel(ui::Rect(40, 0, 40, 30), 20);
  timeView->addSubview(monthLabel);
  timeView->addSubview(dayLabel);
  badge->addSubview(timeView);
  showOptionView->addSubview(badge);
  auto showOptionButton = imageButton(kShowOptionImage, ui::Rect(kNoteWidth - 30, 0, 30, 30));
  showOptionView->addSubview(showOptionButton);
  row.showOptionView = showOptionView.get();
  row.showOptionButton = showOptionButton.get();
  row.todayLabel = todayLabel.get();
  row.timeView = timeView.get();
  row.monthLabel = monthLabel.get();
  row.dayLabel = dayLabel.get();
  initTimeView(note, row);

  auto optionsView = std::make_shared<ui::View>(
      ui::Rect(kNoteX + kNoteWidth - 30 - 120, showOptionView->frame().minY(), 118, 30));
  optionsView->setTag(kOptionsTag);
  optionsView->setBackgroundColor(kDarkGray);
  auto edit = imageButton(kEditImage, ui::Rect(0, 0, 59, 30));
  auto remove = imageButton(kDeleteImage, ui::Rect(59, 0, 59, 30));
  optionsView->addSubview(edit);
  optionsView->addSubview(remove);
  row.optionsView = optionsView.get();
  row.editButton = edit.get();
  row.deleteButton = remove.get();

  const double height = showOptionView->frame().maxY() + 5;
  auto noteView = std::make_shared<ui::View>(ui::Rect(0, 0, kWidth, height));
  noteView->addSubview(testView);
  noteView->addSubview(showOptionView);
  noteView->addSubview(optionsView);
  row.contentView = std::make_shared<ui::View>(ui::Rect(0, kRowTop, kWidth, height));
  row.contentView->addSubview(noteView);
  row.contentView->setTag(index);
  return row;
}

double MainNoteViewController::noteViewHeight(const Note& note) {
  // As initNoteView lays the row out: the text from y 15, 20 below it, the 5-point gap, the option
  // bar of 30 and 5 below that.
  constexpr double kNoteWidth = kWidth - 20;
  auto label = std::make_shared<ui::Label>(ui::Rect(10, 15, 0, 0));
  NoteLayout::setLabel(*label, note.noteStr, 14, NoteLayout::kTextFont, ui::Color::black(), kNoteWidth - 20);
  return label->frame().maxY() + 20 + 5 + 30 + 5;
}

void MainNoteViewController::ensureRow(std::size_t index) {
  if (index >= rows_.size() || index >= noteArray_->size() || rows_[index].contentView) return;
  NoteRow row = initNoteView(*(*noteArray_)[index], static_cast<int>(index));
  btnAddTarget(row);
  rows_[index] = row;
  viewArr_[index + 1] = row.contentView;
}

std::size_t MainNoteViewController::builtRows() const {
  return static_cast<std::size_t>(
      std::count_if(rows_.begin(), rows_.end(), [](const NoteRow& r) { return r.contentView != nullptr; }));
}

const std::vector<std::shared_ptr<ui::View>>& MainNoteViewController::viewArr() {
  for (std::size_t i = 0; i < rows_.size(); ++i) ensureRow(i);
  return viewArr_;
}

void MainNoteViewController::initTimeView(const Note& note, NoteRow& row) {
  if (std::optional<std::string> relative = NoteLayout::relativeTime(note.noteTime)) {
    row.timeView->setHidden(true);
    row.todayLabel->setHidden(false);
    row.todayLabel->setText(*relative);
    return;
  }
  row.todayLabel->setHidden(true);
  row.timeView->setHidden(false);
  if (std::optional<NoteLayout::MonthDay> md = NoteLayout::monthDay(note.noteTime)) {
    timeDic_ = core::Dictionary{{"month", md->month}, {"day", md->day}};
    row.monthLabel->setText(std::to_string(md->month) + "月");
    row.dayLabel->setText(std::to_string(md->day));
  } else {
    row.monthLabel->setText("");
    row.dayLabel->setText("");
  }
}

void MainNoteViewController::btnAddTarget(NoteRow& row) {
  row.showOptionButton->addTarget(
      ui::ControlEvent::TouchUpInside,
      ui::whileAlive(*this,
                     [](MainNoteViewController& self, ui::Control& sender) { self.showOption(&sender); }));
  row.editButton->addTarget(ui::ControlEvent::TouchUpInside,
                            ui::whileAlive(*this, [](MainNoteViewController& self, ui::Control& sender) {
                              self.updateNote(sender);
                            }));
  row.deleteButton->addTarget(ui::ControlEvent::TouchUpInside,
                              ui::whileAlive(*this, [](MainNoteViewController& self, ui::Control& sender) {
                                self.deleteNote(sender);
                              }));
  if (ui::View* line = row.contentView->viewWithTag(kLineTag); line && line != row.contentView.get()) {
    if (auto* button = dynamic_cast<ui::Button*>(line)) {
      button->setImage(ui::Image::create(kLineImage, button->frame().size));
    }
    line->setUserInteractionEnabled(false);
  }
  row.optionsView->setHidden(true);
  row.noteLabel->setUserInteractionEnabled(true);
  ui::Label* label = row.noteLabel;
  label->addGestureRecognizer(std::make_shared<ui::TapGestureRecognizer>(
      ui::whileAlive(*this, [label](MainNoteViewController& self, ui::GestureRecognizer& tap) {
        if (tap.state() == ui::GestureState::Ended) self.getFTbyAID(label->tag());
      })));
  setViewTage(row, row.contentView->tag());
}

void MainNoteViewController::setViewTage(NoteRow& row, int tag) {
  row.contentView->setTag(tag);
  row.showOptionButton->setTag(tag);
  row.editButton->setTag(tag);
  row.deleteButton->setTag(tag);
  row.noteLabel->setTag(tag);
}

void MainNoteViewController::againSetTage() {
  for (std::size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].contentView) setViewTage(rows_[i], static_cast<int>(i));
}

const MainNoteViewController::NoteRow* MainNoteViewController::noteRow(std::size_t index) {
  if (index >= rows_.size()) return nullptr;
  ensureRow(index);
  return &rows_[index];
}

std::shared_ptr<MyNote> MainNoteViewController::newClient() {
  myNoteBll_ = std::make_shared<MyNote>(&Session::copiedEntry);
  myNoteBll_->delegate = weakAs<MyNoteDelegate>();
  return myNoteBll_;
}

// ---- option panels ----

void MainNoteViewController::showOption(ui::Control* sender) {
  int open = -1;
  if (sender) {
    const int i = sender->tag();
    if (i < 0 || static_cast<std::size_t>(i) >= noteArray_->size()) return;
    currentUID_ = (*noteArray_)[static_cast<std::size_t>(i)]->NID;
    updatePage_ = (*noteArray_)[static_cast<std::size_t>(i)]->indexPage;
    open = i;
  }
  for (NoteRow& row : rows_) {
    if (!row.contentView) continue;  // not built: its panel is closed
    const bool mine = row.contentView->tag() == open;
    row.optionsView->setHidden(!(mine && row.optionsView->isHidden()));
  }
  view().endEditing(true);
}

// ---- editing ----

void MainNoteViewController::updateNote(ui::Control& sender) {
  const int i = sender.tag();
  if (i < 0 || static_cast<std::size_t>(i) >= noteArray_->size()) return;
  const std::shared_ptr<Note> note = (*noteArray_)[static_cast<std::size_t>(i)];
  currentOperating_ = 2;
  currentUID_ = note->NID;
  updatePage_ = note->indexPage;
  auto made = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(
      UpdateNoteViewController::kIdentifier);
  auto sheet = std::dynamic_pointer_cast<UpdateNoteViewController>(made);
  if (!sheet) return;
  sheet->setCacelBlock(ui::whileAlive(*this, [](MainNoteViewController& self) { self.noteEditDone(); }));
  sheet->setUnID(currentUID_);
  sheet->setAID(note->AID);  // the edit goes to the note's own question
  sheet->setNoteStr(note->noteStr);
  updateNoteVC_ = sheet;
  sheet->showOnWindow();
}

void MainNoteViewController::noteEditDone() {
  view().endEditing(true);
  isNextPage_ = false;
  GetMyNotes(updatePage_);
}

// ---- deleting ----

void MainNoteViewController::deleteNote(ui::Control& sender) {
  const int i = sender.tag();
  if (i < 0 || static_cast<std::size_t>(i) >= noteArray_->size()) return;
  currentOperating_ = 1;
  updateRow_ = i;
  currentUID_ = (*noteArray_)[static_cast<std::size_t>(i)]->NID;
  auto alert = std::make_shared<UIAlertViewBlock>(
      localized("alertTitle"), kDeleteQuestion,
      ui::whileAlive(*this,
                     [](MainNoteViewController& self, bool cancelled, int) {
                       if (cancelled) return;
                       self.newClient()->deleteUserNote(self.currentUID_,
                                                        session()["appInfo"]["EName"].toString());
                     }),
      std::string("取消"), std::vector<std::string>{"确定"});
  alert->show();
}

void MainNoteViewController::didDeleteUserNote(bool ok, const core::Value& json) {
  myNoteBll_.reset();
  // Only a reply of its shape saying done removes the row: anything else keeps the note listed.
  if (!ok || !MyNote::bodyIsDeleted(json)) {
    VDNetworkHelper::hudPrompt(kDeleteFailedToast);
    return;
  }
  // The row of the deleted note, found again by its id: the list may have changed while the request ran.
  auto at = std::find_if(noteArray_->begin(), noteArray_->end(),
                         [this](const std::shared_ptr<Note>& n) { return n->NID == currentUID_; });
  if (at != noteArray_->end()) {
    const auto index = static_cast<std::size_t>(at - noteArray_->begin());
    viewArr_.erase(viewArr_.begin() + static_cast<std::ptrdiff_t>(index + 1));
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index));
    noteArray_->erase(at);
  }
  showPlaceholderWhenEmpty();
  isHaveMore_ = true;
  againSetTage();
  myTableView_->reloadData();
}

// ---- a note's question ----

void MainNoteViewController::getFTbyAID(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= noteArray_->size()) return;
  const std::shared_ptr<Note> note = (*noteArray_)[static_cast<std::size_t>(index)];
  auto context = std::make_shared<NoteUpdateContext>();
  context->currentNote = note;
  context->noteArray = noteArray_;
  NoteUpdateContext::store(context);
  newClient()->fTbyAID(std::to_string(note->AID));
}

void MainNoteViewController::didFTbyAID(bool ok, const core::Value& json) {
  myNoteBll_.reset();
  if (!ok) {
    if (json["LoginState"].toInt() != 2) VDNetworkHelper::hudPrompt(localized("notCaption"));
    return;
  }
  isBack_ = true;
  // The set reads the bank: built on a worker, opened when it is back (and only while this screen is).
  rl::postTaskAndReply(
      rl::DispatchQueue::global(), ui::weakScreen(*this),
      [body = json["Body"].deepCopy()] { return TestBuilder::changeJSonToTestArrayByDB(body); },
      [](MainNoteViewController& self, std::optional<QuestionsArray> tests) { self.openNoteQuestion(tests); });
}

void MainNoteViewController::openNoteQuestion(const std::optional<QuestionsArray>& tests) {
  if (!tests || tests->empty()) {
    VDNetworkHelper::hudPrompt(localized("notCaption"));
    return;
  }
  auto made = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("examming");
  auto* answering = dynamic_cast<AnsweringScreen*>(made.get());
  ui::NavigationController* nav = navigationController();
  if (!answering || !nav) return;
  answering->setTestPager(std::make_shared<TestPager>(*tests));
  answering->setOriginalMode(AnsweringMode::Practice);
  answering->setUnSaveRecord(true);
  answering->setIsAllow(false);
  nav->pushViewController(made, true);
}

// ---- pages ----

void MainNoteViewController::loadMoreTableFooterDidTriggerRefresh(LoadMoreFooterView&) {
  if (!isLoading_) return;
  isLoadEnd_ = false;
  updatePage_ = nextPage_ + 1;
  isNextPage_ = true;
  GetMyNotes(updatePage_);
}

void MainNoteViewController::GetMyNotes(int page) {
  // Everything the worker needs is read here; the worker only asks the server and returns the reply.
  // The worker also shapes the page, which looks its notes' questions up in the bank (one read).
  const std::string eName = session()["appInfo"]["EName"].toString();
  const bool further = isNextPage_;
  struct Page {
    bool ok = false;
    VDHelper::NoteArray notes;
  };
  rl::postTaskAndReply(
      rl::DispatchQueue::global(), ui::weakScreen(*this),
      [eName, page, context = VDHelper::notePageContext()] {
        Page out;
        if (eName.empty()) return out;
        const core::Value reply = std::make_shared<MyNote>()->getMyNotesSyn(eName, page);
        // A page past the client's limit, or not of note records, counts as a failed one.
        out.ok = !reply.isNil() && apiclient::bodyNonEmpty(reply) &&
                 ReplyCheck::bodyIsRecordList(reply, MyNote::kMaxNotesPerPage);
        if (out.ok) out.notes = VDHelper::getNoteArr(reply["Body"], page, context);
        return out;
      },
      [page, further](MainNoteViewController& self, Page reply) {
        self.updatePage_ = page;
        self.isNextPage_ = further;
        self.showPage(reply.ok, std::move(reply.notes));
      });
}

void MainNoteViewController::didGetMyNotes(bool ok, const core::Value& json) {
  showPage(ok, ok ? VDHelper::getNoteArr(json["Body"], updatePage_) : VDHelper::NoteArray{});
}

void MainNoteViewController::showPage(bool ok, VDHelper::NoteArray notes) {
  currentLoadNoteArray_.clear();
  if (ok) {
    if (isNextPage_) {
      std::set<std::int32_t> shown;
      for (const auto& note : *noteArray_) shown.insert(note->NID);
      std::erase_if(notes, [&](const std::shared_ptr<Note>& n) { return shown.count(n->NID) > 0; });
    }
    if (!notes.empty()) {
      if (isNextPage_) ++nextPage_;
      currentLoadNoteArray_ = std::move(notes);
      nextInitArray();
    } else {
      VDNetworkHelper::hudPrompt(kNoMoreToast);
    }
  } else if (isLoading_) {
    VDNetworkHelper::hudPrompt(kNoMoreToast);
  }
  finishLoading();
}

void MainNoteViewController::finishLoading() {
  if (isLoadEnd_) return;
  isLoadEnd_ = true;
  isLoading_ = false;
  loadMoreFooterView_->loadMoreshScrollViewDataSourceDidFinishedLoading(*myTableView_);
}

void MainNoteViewController::nextInitArray() {
  VDHelper::NoteArray& notes = *noteArray_;
  std::vector<std::size_t> positions;
  for (std::size_t i = 0; i < notes.size(); ++i) {
    if (notes[i]->indexPage == updatePage_) positions.push_back(i);
  }
  std::vector<bool> fromReply(notes.size(), false);
  for (std::size_t k = 0; k < currentLoadNoteArray_.size(); ++k) {
    const std::shared_ptr<Note>& note = currentLoadNoteArray_[k];
    if (k < positions.size()) {
      const std::size_t at = positions[k];
      notes[at] = note;
      fromReply[at] = true;
      // Built again, from the new note, when it shows.
      rows_[at] = NoteRow{};
      viewArr_[at + 1] = nullptr;
    } else {
      notes.push_back(note);
      fromReply.push_back(true);
      // Before the placeholder, which an empty list ends with (the rows follow the spacer row).
      viewArr_.insert(viewArr_.begin() + static_cast<std::ptrdiff_t>(rows_.size() + 1), nullptr);
      rows_.push_back(NoteRow{});
    }
  }
  if (!isNextPage_) {
    // A note that the reload brings is not listed again where another page showed it before.
    std::set<std::int32_t> loaded;
    for (const auto& note : currentLoadNoteArray_) loaded.insert(note->NID);
    for (std::size_t i = notes.size(); i-- > 0;) {
      if (fromReply[i] || !loaded.count(notes[i]->NID)) continue;
      viewArr_.erase(viewArr_.begin() + static_cast<std::ptrdiff_t>(i + 1));
      rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(i));
      notes.erase(notes.begin() + static_cast<std::ptrdiff_t>(i));
    }
    againSetTage();
  }
  showPlaceholderWhenEmpty();
  myTableView_->reloadData();
}

// ---- table ----

int MainNoteViewController::numberOfRowsInSection(ui::TableView&, int) {
  return static_cast<int>(viewArr_.size());
}

std::shared_ptr<ui::TableViewCell> MainNoteViewController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                                 ui::IndexPath indexPath) {
  auto cell = tableView.dequeueReusableCellWithIdentifier(kCellIdentifier);
  if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, kCellIdentifier);
  for (const auto& sub : std::vector(cell->contentView().subviews())) {
    if (sub->frame().height() > 5) sub->removeFromSuperview();
  }
  cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
  const auto row = static_cast<std::size_t>(indexPath.row);
  if (row >= 1) ensureRow(row - 1);
  if (row < viewArr_.size() && viewArr_[row]) cell->contentView().addSubview(viewArr_[row]);
  cell->setBackgroundView(noteArray_->empty() ? std::make_shared<ui::View>() : nullptr);

  if (row + 1 == viewArr_.size()) {
    if (isHaveMore_) {
      ui::Size size = tableView.contentSize();
      size.height += updatePage_ == 1 ? -kFooterHeight : 20;
      tableView.setContentSize(size);
      isHaveMore_ = false;
    }
    if (tableView.contentSize().height < tableView.frame().height()) {
      loadMoreFooterView_->setHidden(true);
    } else {
      tableView.setScrollEnabled(true);
      loadMoreFooterView_->setHidden(false);
    }
  }
  return cell;
}

double MainNoteViewController::heightForRowAtIndexPath(ui::TableView&, ui::IndexPath indexPath) {
  const auto row = static_cast<std::size_t>(indexPath.row);
  if (row >= viewArr_.size()) return 0;
  // A row not built yet is measured from its note's text.
  const ui::Rect frame = viewArr_[row]
                             ? viewArr_[row]->frame()
                             : ui::Rect(0, kRowTop, kWidth, noteViewHeight(*(*noteArray_)[row - 1]));
  double height = frame.height() + frame.minY() + 5;
  if (row + 1 == viewArr_.size()) height += 10;
  if (row == 0) height -= 5;
  return height;
}

void MainNoteViewController::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  tableView.deselectRowAtIndexPath(indexPath, true);
  showOption(nullptr);
}

void MainNoteViewController::scrollViewDidScroll(ui::ScrollView& scrollView) {
  const double bottom = static_cast<int>(scrollView.contentOffset().y) + scrollView.frame().height();
  isLoading_ = bottom > scrollView.contentSize().height + kPullDistance;
  if (isLoading_) loadMoreFooterView_->loadMoreScrollViewDidScroll(scrollView);
}

void MainNoteViewController::scrollViewDidEndDragging(ui::ScrollView& scrollView, bool) {
  if (isLoading_) loadMoreFooterView_->loadMoreshScrollViewDidEndDragging(scrollView);
}
