#include "screens/notes/MyNoteViewController.h"

#include <algorithm>
#include <set>

#include "app/ReplyCheck.h"
#include "app/Session.h"
#include "app/VDNetworkHelper.h"
#include "app/VDViewControllerFactory.h"
#include "librarys/json/JsonWriter.h"
#include "platform/core/Bundle.h"
#include "screens/notes/MyNotePanelOwner.h"
#include "screens/notes/NoteLayout.h"
#include "screens/notes/NoteUpdateContext.h"
#include "screens/notes/UpdateNoteViewController.h"
#include "ui/WeakScreen.h"
#include "widgets/UIAlertViewBlock.h"

namespace {

constexpr double kWidth = 320;
constexpr double kTitleHeight = 30;
constexpr double kLogoHeight = 40;  // the list shows the panel 10 points shorter than it is
const ui::Color kDarkGray = ui::Color::rgb255(67, 67, 67);
const ui::Color kLightGray = ui::Color::rgb255(240, 240, 240);

std::string localized(const char* key) { return core::Bundle::main().localizedString(key); }

core::Value session() {
  Session* session = Session::current();
  return session ? session->userSession() : core::Value();
}

std::shared_ptr<ui::Button> textButton(const std::string& title, ui::Rect frame) {
  auto button = std::make_shared<ui::Button>(frame);
  button->setTitle(title);
  button->setTitleColor(ui::Color::white());
  button->titleLabel().setFont(ui::Font::system(14));
  return button;
}

std::shared_ptr<ui::Label> caption(const std::string& text, ui::Rect frame) {
  auto label = std::make_shared<ui::Label>(frame, text);
  label->setFont(ui::Font::boldSystem(15));
  label->setTextColor(ui::Color::white());
  return label;
}

}  // namespace

void MyNoteViewController::loadView() {
  auto root = std::make_shared<ui::View>(ui::Rect(0, 0, kWidth, 200));
  root->setBackgroundColor(ui::Color::white());
  setView(root);

  // Taps on the panel outside its controls close the keyboard and the options.
  auto background = std::make_shared<ui::Button>(root->bounds());
  background->setAutoresizingMask(ui::kAutoresizingFlexibleHeight | ui::kAutoresizingFlexibleWidth);
  background->addTarget(
      ui::ControlEvent::TouchUpInside,
      ui::whileAlive(*this, [](MyNoteViewController& self, ui::Control&) { self.hidekeyboard(); }));
  root->addSubview(background);

  titleView_ = std::make_shared<ui::View>(ui::Rect(0, 0, kWidth, kTitleHeight));
  titleView_->addSubview(caption(kTitle, ui::Rect(10, 0, 200, kTitleHeight)));
  titleView_->setUserInteractionEnabled(false);
  root->addSubview(titleView_);

  contentView_ = std::make_shared<ui::View>(ui::Rect(0, kTitleHeight, kWidth, 150));
  root->addSubview(contentView_);
  noteView_ = std::make_shared<ui::View>(ui::Rect(10, 5, 300, kMinimumNoteHeight));
  noteView_->setUserInteractionEnabled(false);
  contentView_->addSubview(noteView_);
  noteLabel_ = std::make_shared<ui::Label>(ui::Rect(10, 10, 280, 20));
  noteView_->addSubview(noteLabel_);
  showOptionView_ = std::make_shared<ui::View>(ui::Rect(10, kMinimumNoteHeight + 10, 300, 30));
  contentView_->addSubview(showOptionView_);
  timeLabel_ = std::make_shared<ui::Label>(ui::Rect(0, 0, 200, 30));
  timeLabel_->setFont(ui::Font::system(13));
  timeLabel_->setTextColor(ui::Color::gray());
  showOptionView_->addSubview(timeLabel_);
  showOption_Btn_ = std::make_shared<ui::Button>(ui::Rect(270, 0, 30, 30));
  showOption_Btn_->setImage(ui::Image::create(kShowOptionImage, {30, 30}));
  showOption_Btn_->addTarget(
      ui::ControlEvent::TouchUpInside,
      ui::whileAlive(*this, [](MyNoteViewController& self, ui::Control&) { self.showOption(true); }));
  showOptionView_->addSubview(showOption_Btn_);
  optionsView_ = std::make_shared<ui::View>(ui::Rect(150, kMinimumNoteHeight + 10, 118, 30));
  contentView_->addSubview(optionsView_);
  auto edit = textButton(kEditTitle, ui::Rect(0, 0, 59, 30));
  edit->addTarget(ui::ControlEvent::TouchUpInside,
                  ui::whileAlive(*this, [](MyNoteViewController& self, ui::Control&) { self.updateNote(); }));
  optionsView_->addSubview(edit);
  auto remove = textButton(kDeleteTitle, ui::Rect(59, 0, 59, 30));
  remove->addTarget(
      ui::ControlEvent::TouchUpInside,
      ui::whileAlive(*this, [](MyNoteViewController& self, ui::Control&) { self.deleteNote(); }));
  optionsView_->addSubview(remove);

  addNoteView_ = std::make_shared<ui::View>(ui::Rect(0, 0, kWidth, 140));
  root->addSubview(addNoteView_);
  noteTextView_ = std::make_shared<ui::TextView>(ui::Rect(10, 10, 300, 80));
  noteTextView_->setFont(ui::Font::named(NoteLayout::kTextFont, 14));
  addNoteView_->addSubview(noteTextView_);
  auto add = std::make_shared<ui::Button>(ui::Rect(220, 98, 90, 32));
  add->setTitle(kAddTitle);
  add->setTitleColor(ui::Color::white());
  add->setBackgroundColor(kDarkGray);
  add->addTarget(ui::ControlEvent::TouchUpInside,
                 ui::whileAlive(*this, [](MyNoteViewController& self, ui::Control&) { self.addNote(); }));
  addNoteView_->addSubview(add);

  logoView_ = std::make_shared<ui::View>(ui::Rect(0, 180, kWidth, kLogoHeight));
  logoView_->addSubview(caption(kAllNotesCaption, ui::Rect(10, 0, 200, kTitleHeight)));
  logoView_->setUserInteractionEnabled(false);
  root->addSubview(logoView_);
}

void MyNoteViewController::viewDidLoad() {
  currentNote_ = std::make_shared<Note>();
  setColor();
  noteTextView_->setDelegate(weakAs<ui::TextViewDelegate>());
  initContentView();
  setTitle(kTitle);
  noteTextView_->layer().setCornerRadius(6);
  noteTextView_->setClipsToBounds(true);
  noteTextView_->layer().setBorderColor(ui::Color::orange());
  noteTextView_->layer().setBorderWidth(2);
}

void MyNoteViewController::setColor() {
  titleView_->setBackgroundColor(kDarkGray);
  optionsView_->setBackgroundColor(kDarkGray);
  noteView_->setBackgroundColor(kLightGray);
  logoView_->setBackgroundColor(kDarkGray);
}

double MyNoteViewController::logoBottom() const { return logoView_ ? logoView_->frame().maxY() : 0; }

void MyNoteViewController::initContentView() {
  noteArray_ = VDHelper::getNoteArr(json_, 1);
  isHaveNote_ = !noteArray_.empty();
  if (isHaveNote_) currentNote_ = noteArray_.back();
  contentView_->setHidden(!isHaveNote_);
  titleView_->setHidden(!isHaveNote_);
  addNoteView_->setHidden(isHaveNote_);
  initNoteView();
  const ui::Rect shown = showOptionView_->frame();
  contentView_->setFrame({0, titleView_->frame().maxY(), kWidth, shown.maxY()});
  const double logoY = isHaveNote_ ? contentView_->frame().maxY() : addNoteView_->frame().maxY();
  logoView_->setFrame({0, logoY, kWidth, kLogoHeight});
  ui::Rect frame = view().frame();
  frame.size.height = logoBottom();
  view().setFrame(frame);
  reloadAllTableView();
}

void MyNoteViewController::initNoteView() {
  unID_ = currentNote_->NID;
  timeLabel_->setText(currentNote_->noteTime);
  NoteLayout::setLabel(*noteLabel_, currentNote_->noteStr, 14, NoteLayout::kTextFont, ui::Color::black(),
                       noteView_->frame().width() - 20);
  ui::Rect note = noteView_->frame();
  note.size.height = std::max(noteLabel_->frame().height() + 20, kMinimumNoteHeight);
  noteView_->setFrame(note);
  const double optionY = note.maxY() + 5;
  showOptionView_->setFrame({showOptionView_->frame().minX(), optionY, showOptionView_->frame().width(), 30});
  optionsView_->setFrame({150, optionY, optionsView_->frame().width(), 30});
  optionsView_->setHidden(true);
}

void MyNoteViewController::reloadAllTableView() {
  if (isOne_) return;
  ui::Rect frame = view().frame();
  frame.size.height = logoBottom();
  view().setFrame(frame);
  auto screen = allNoteVC_.lock();
  if (!screen) return;
  screen->panelDidChange();
  screen->reloadNotePage(std::max<std::int32_t>(1, currentNote_->indexPage));
}

std::shared_ptr<MyNote> MyNoteViewController::newClient() {
  myNoteBll_ = std::make_shared<MyNote>(&Session::copiedEntry);
  myNoteBll_->delegate = weakAs<MyNoteDelegate>();
  return myNoteBll_;
}

// ---- adding ----

void MyNoteViewController::addNote() {
  const std::string text = noteTextView_->text();
  if (text.empty()) {
    VDNetworkHelper::hudPrompt(kEmptyToast);
    return;
  }
  core::Value note = core::Value::dictionary();
  note.set("Key", 0);
  note.set("Value", text);
  core::Value body = core::Value::newArray();
  body.push_back(note);
  setUserNoteByID(JSONRepresentation(body).value_or("[]"));
}

void MyNoteViewController::setUserNoteByID(const std::string& noteJson) {
  const auto question = static_cast<int>(session()["ALLTESTID"].toInt());
  newClient()->setUserNoteByID(noteJson, question);
}

void MyNoteViewController::didSetUserNoteByID(bool ok, const core::Value& json) {
  // Only a reply of its shape saying done counts: the typed text stays for another try otherwise.
  if (!ok || !MyNote::bodyIsNoteId(json)) {
    VDNetworkHelper::hudPrompt(kAddFailedToast);
    return;
  }
  VDNetworkHelper::hudPrompt(kAddedToast);
  newClient()->getMyNote();
}

void MyNoteViewController::didGetMyNote(bool ok, const core::Value& json) {
  // Not a list of note records within the client's limit: the panel keeps what it shows.
  if (!ok || !ReplyCheck::bodyIsRecordList(json, MyNote::kMaxNotesPerPage)) {
    VDNetworkHelper::hudPrompt(kNotRefreshedToast);
    return;
  }
  // The user's notes on the question without repeated ids, the first of each kept.
  core::Value items = core::Value::newArray();
  std::set<std::int64_t> seen;
  for (const core::Value& item : json["Body"].array()) {
    if (item.isDictionary() && !seen.insert(item["ID"].toInt()).second) continue;
    items.push_back(item);
  }
  json_ = items;
  isOne_ = false;
  initContentView();
}

// ---- editing ----

void MyNoteViewController::updateNote() {
  openUpdateNoteView(ui::whileAlive(*this, [](MyNoteViewController& self) { self.noteEditDone(); }),
                     noteLabel_->text());
}

void MyNoteViewController::openUpdateNoteView(std::function<void()> completion,
                                              const std::string& noteString) {
  auto made = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(
      UpdateNoteViewController::kIdentifier);
  auto sheet = std::dynamic_pointer_cast<UpdateNoteViewController>(made);
  if (!sheet) return;
  sheet->setCacelBlock(std::move(completion));
  sheet->setUnID(unID_);
  sheet->setAID(currentNote_->AID);
  sheet->setNoteStr(noteString);
  updateNoteVC_ = sheet;
  sheet->showOnWindow();
}

void MyNoteViewController::noteEditDone() {
  view().endEditing(true);
  VDNetworkHelper::hudPrompt(kEditedToast);
  const std::string text = session()[NoteUpdateContext::kNoteTextKey].toString();
  currentNote_->noteStr = text;
  if (auto context = NoteUpdateContext::current()) context->noteEdited(unID_, text);
  initNoteView();
  contentView_->setFrame({0, titleView_->frame().maxY(), kWidth, showOptionView_->frame().maxY()});
  logoView_->setFrame({0, contentView_->frame().maxY(), kWidth, kLogoHeight});
  isOne_ = false;
  reloadAllTableView();
}

// ---- deleting ----

void MyNoteViewController::deleteNote() {
  auto alert = std::make_shared<UIAlertViewBlock>(
      localized("alertTitle"), kDeleteQuestion,
      ui::whileAlive(*this,
                     [](MyNoteViewController& self, bool cancelled, int) {
                       if (cancelled) return;
                       self.newClient()->deleteUserNote(self.currentNote_->NID,
                                                        session()["appInfo"]["EName"].toString());
                     }),
      std::string("取消"), std::vector<std::string>{"确定"});
  alert->show();
}

void MyNoteViewController::didDeleteUserNote(bool ok, const core::Value& json) {
  // Only a reply of its shape saying done removes the note: anything else keeps it.
  if (!ok || !MyNote::bodyIsDeleted(json)) {
    VDNetworkHelper::hudPrompt(kDeleteFailedToast);
    return;
  }
  const std::int32_t deleted = currentNote_->NID;
  if (auto context = NoteUpdateContext::current()) context->noteDeleted(deleted);
  isHaveNote_ = false;
  noteArray_.clear();
  contentView_->setHidden(true);
  titleView_->setHidden(true);
  addNoteView_->setHidden(false);
  logoView_->setFrame({0, addNoteView_->frame().maxY(), kWidth, kLogoHeight});
  VDNetworkHelper::hudPrompt(kDeletedToast);
  isOne_ = false;
  json_ = core::Value::newArray();
  noteTextView_->setText("");
  if (auto screen = allNoteVC_.lock()) {
    screen->setIsDelete(true);
    screen->noteDeleted(deleted);
  }
  reloadAllTableView();
}

// ---- options and keyboard ----

void MyNoteViewController::showOption(bool fromButton) {
  optionsView_->setHidden(fromButton ? !optionsView_->isHidden() : true);
}

void MyNoteViewController::hidekeyboard() {
  view().endEditing(true);
  optionsView_->setHidden(true);
}

void MyNoteViewController::textViewDidBeginEditing(ui::TextView& textView) {
  // What the user has written so far stays: a second tap into the field must not wipe the note.
  textView.setTextColor(ui::Color::black());
  textView.layer().setBorderColor(ui::Color::orange());
  textView.layer().setBorderWidth(2);
}

void MyNoteViewController::textViewDidEndEditing(ui::TextView& textView) {
  textView.layer().setBorderColor(ui::Color::gray());
  textView.layer().setBorderWidth(1);
}
