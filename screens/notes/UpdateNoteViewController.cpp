#include "screens/notes/UpdateNoteViewController.h"

#include "app/AppShell.h"
#include "app/Session.h"
#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "app/VDNetworkHelper.h"
#include "librarys/json/JsonWriter.h"
#include "ui/Label.h"
#include "ui/WeakScreen.h"
#include "ui/Window.h"

namespace {

const ui::Color kBorderOrange = ui::Color::orange();

std::shared_ptr<ui::Button> sheetButton(const std::string& title, ui::Rect frame) {
  auto button = std::make_shared<ui::Button>(frame);
  button->setTitle(title);
  button->setTitleColor(ui::Color::white());
  button->setBackgroundColor(ui::Color::rgb255(67, 67, 67));
  button->layer().setCornerRadius(4);
  return button;
}

}  // namespace

void UpdateNoteViewController::loadView() {
  // The sheet covers the whole window: a dimmed backdrop with the editing panel near the top, so that
  // the keyboard leaves it in view.
  ui::Rect frame(0, 0, 320, 480);
  if (AppShell* app = AppShell::current(); app && app->window()) frame = app->window()->bounds();
  auto backdrop = std::make_shared<ui::View>(frame);
  backdrop->setBackgroundColor(ui::Color::black().withAlpha(0.4));
  setView(backdrop);

  panel_ = std::make_shared<ui::View>(ui::Rect(10, 60, 300, 220));
  panel_->setBackgroundColor(ui::Color::white());
  panel_->layer().setCornerRadius(8);
  backdrop->addSubview(panel_);

  auto title = std::make_shared<ui::Label>(ui::Rect(10, 10, 280, 24), kTitle);
  title->setFont(ui::Font::boldSystem(17));
  title->setTextAlignment(ui::TextAlignment::Center);
  panel_->addSubview(title);

  noteTextView_ = std::make_shared<ui::TextView>(ui::Rect(10, 44, 280, 120));
  noteTextView_->setFont(ui::Font::named("Helvetica", 15));
  panel_->addSubview(noteTextView_);

  auto cancel = sheetButton(kCancelTitle, ui::Rect(10, 174, 135, 36));
  cancel->addTarget(
      ui::ControlEvent::TouchUpInside,
      ui::whileAlive(*this, [](UpdateNoteViewController& self, ui::Control&) { self.cancelBtn(); }));
  panel_->addSubview(cancel);
  auto save = sheetButton(kSaveTitle, ui::Rect(155, 174, 135, 36));
  save->addTarget(
      ui::ControlEvent::TouchUpInside,
      ui::whileAlive(*this, [](UpdateNoteViewController& self, ui::Control&) { self.updateNote(); }));
  panel_->addSubview(save);

  // A tap outside the text and the buttons ends editing: a plain button fills the back of the backdrop
  // and of the panel.
  for (ui::View* v : {backdrop.get(), panel_.get()}) {
    auto background = std::make_shared<ui::Button>(v->bounds());
    background->addTarget(
        ui::ControlEvent::TouchUpInside,
        ui::whileAlive(*this, [](UpdateNoteViewController& self, ui::Control&) { self.hidekeyboard(); }));
    v->insertSubview(background, 0);
  }
}

void UpdateNoteViewController::viewDidLoad() {
  noteTextView_->setText(noteStr_);
  noteTextView_->layer().setCornerRadius(6);
  noteTextView_->setClipsToBounds(true);
  noteTextView_->layer().setBorderColor(kBorderOrange);
  noteTextView_->layer().setBorderWidth(2);
}

void UpdateNoteViewController::viewWillAppear(bool) {
  VDAppStatistics::pageviewStartWithViewController(*this);
}

void UpdateNoteViewController::viewDidAppear(bool) { noteTextView_->becomeFirstResponder(); }

void UpdateNoteViewController::viewWillDisappear(bool) {
  VDAppStatistics::pageviewEndWithViewController(*this);
}

void UpdateNoteViewController::showOnWindow() {
  AppShell* app = AppShell::current();
  if (!app || !app->window()) return;
  app->window()->addOverlay(shared_from_this());
}

bool UpdateNoteViewController::isOpen() const {
  ui::View* v = viewIfLoaded();
  return v && v->window();
}

void UpdateNoteViewController::close() {
  ui::View* v = viewIfLoaded();
  if (!v) return;
  auto keep = shared_from_this();
  v->endEditing(true);
  if (ui::Window* w = v->window()) {
    w->removeOverlay(*this);
  } else {
    v->removeFromSuperview();
  }
}

void UpdateNoteViewController::updateNote() {
  const std::string text = noteTextView_->text();
  std::string withoutSpaces = text;
  std::erase(withoutSpaces, ' ');
  if (text == noteStr_) {
    close();
    return;
  }
  if (withoutSpaces.empty()) {
    view().endEditing(true);
    VDNetworkHelper::hudPrompt(kEmptyToast);
    return;
  }
  core::Value note = core::Value::dictionary();
  note.set("Key", unID_);
  note.set("Value", text);
  core::Value body = core::Value::newArray();
  body.push_back(note);
  sentText_ = text;
  setUserNoteByID(JSONRepresentation(body).value_or("[]"));
}

void UpdateNoteViewController::cancelBtn() { close(); }

void UpdateNoteViewController::hidekeyboard() { view().endEditing(true); }

void UpdateNoteViewController::setUserNoteByID(const std::string& noteJson) {
  std::int32_t question = AID_;
  if (question == 0) {
    if (const Session* session = Session::current())
      question = static_cast<std::int32_t>(session->entry("ALLTESTID").toInt());
  }
  myNoteBll_ = std::make_shared<MyNote>(&Session::copiedEntry);
  myNoteBll_->delegate = weakAs<MyNoteDelegate>();
  myNoteBll_->setUserNoteByID(noteJson, question);
}

void UpdateNoteViewController::didSetUserNoteByID(bool ok, const core::Value& json) {
  auto keep = shared_from_this();
  myNoteBll_.reset();
  // Only a reply of its shape saying done counts as saved: an edit is answered with the note's own id.
  if (!ok || !MyNote::bodyIsNoteId(json) || (unID_ != 0 && json["Body"].integer() != unID_)) {
    // The typed text stays in the sheet: closing it here would throw the user's work away.
    VDNetworkHelper::hudPrompt(kFailedToast);
    return;
  }
  if (Session* session = Session::current()) session->setEntry("noteText", sentText_);
  noteStr_ = sentText_;
  VDNetworkHelper::hudPrompt(kSavedToast);
  if (cacelBlock_) cacelBlock_();
  close();
}
