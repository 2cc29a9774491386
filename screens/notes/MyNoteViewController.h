#pragma once
// MyNoteViewController ("myNote"): the panel with the user's own note on a question, shown as the first
// row of that question's notes (AllNoteViewController), which makes it and loads its view. With a note it
// shows the note's text and time and, behind the option button, "修改" (the edit sheet) and "删除"; without
// one it offers a text view and "添加" to write one. After a change it lays itself out again and asks the
// notes screen to reload the page its note came from (nothing while isOne: the first build inside the
// notes screen).
//
// An edit or a deletion of a note that the my-notes list opened (NoteUpdateContext) also changes that
// list: the list's note with the same id takes the new text, or leaves the list.

#include <cstdint>
#include <memory>
#include <string>

#include "app/VDHelper.h"
#include "model/Note.h"
#include "platform/core/Value.h"
#include "service/MyNote.h"
#include "ui/Button.h"
#include "ui/Label.h"
#include "ui/TextView.h"
#include "ui/ViewController.h"

class MyNotePanelOwner;
class UpdateNoteViewController;

class MyNoteViewController : public ui::ViewController, public MyNoteDelegate, public ui::TextViewDelegate {
 public:
  static constexpr const char* kIdentifier = "myNote";
  static constexpr const char* kTitle = "我的笔记";
  static constexpr const char* kAllNotesCaption = "全部笔记";
  static constexpr const char* kAddTitle = "添加";
  static constexpr const char* kEditTitle = "修改";
  static constexpr const char* kDeleteTitle = "删除";
  static constexpr const char* kShowOptionImage = "ic_showOption_Btn.png";
  static constexpr const char* kDeleteQuestion = "您确定删除该笔记吗？";
  static constexpr const char* kEmptyToast = "笔记不能为空";
  static constexpr const char* kAddedToast = "添加成功";
  static constexpr const char* kAddFailedToast = "添加失败";
  static constexpr const char* kNotRefreshedToast = "笔记未能及时更新";
  static constexpr const char* kEditedToast = "笔记修改成功";
  static constexpr const char* kDeletedToast = "删除成功";
  static constexpr const char* kDeleteFailedToast = "删除失败";
  static constexpr double kMinimumNoteHeight = 100;

  std::string className() const override { return "MyNoteViewController"; }

  void loadView() override;
  void viewDidLoad() override;

  // ---- set by the notes screen before the view loads ----
  void setJson(const core::Value& json) { json_ = json; }
  const core::Value& json() const { return json_; }
  void setAllNoteVC(std::weak_ptr<MyNotePanelOwner> screen) { allNoteVC_ = std::move(screen); }
  void setIsOne(bool isOne) { isOne_ = isOne; }
  bool isOne() const { return isOne_; }

  // ---- state ----
  const VDHelper::NoteArray& noteArray() const { return noteArray_; }
  const std::shared_ptr<Note>& currentNote() const { return currentNote_; }
  bool isHaveNote() const { return isHaveNote_; }
  std::int32_t unID() const { return unID_; }
  const std::shared_ptr<UpdateNoteViewController>& updateNoteVC() const { return updateNoteVC_; }

  // ---- building ----
  void initContentView();
  void initNoteView();
  void reloadAllTableView();
  void setColor();
  // The bottom edge of the logo strip: the height the panel takes in the notes list.
  double logoBottom() const;

  // ---- actions ----
  void addNote();
  void updateNote();
  void deleteNote();
  void showOption(bool fromButton);
  void hidekeyboard();
  void openUpdateNoteView(std::function<void()> completion, const std::string& noteString);
  void setUserNoteByID(const std::string& noteJson);

  // ---- replies ----
  void didGetMyNote(bool ok, const core::Value& json) override;
  void didSetUserNoteByID(bool ok, const core::Value& json) override;
  void didDeleteUserNote(bool ok, const core::Value& json) override;

  // ---- text view ----
  void textViewDidBeginEditing(ui::TextView& textView) override;
  void textViewDidEndEditing(ui::TextView& textView) override;

  // ---- outlets ----
  ui::View* titleView() const { return titleView_.get(); }
  ui::View* contentView() const { return contentView_.get(); }
  ui::View* noteView() const { return noteView_.get(); }
  ui::Label* noteLabel() const { return noteLabel_.get(); }
  ui::Label* timeLabel() const { return timeLabel_.get(); }
  ui::View* optionsView() const { return optionsView_.get(); }
  ui::View* showOptionView() const { return showOptionView_.get(); }
  ui::Button* showOptionButton() const { return showOption_Btn_.get(); }
  ui::View* addNoteView() const { return addNoteView_.get(); }
  ui::TextView* noteTextView() const { return noteTextView_.get(); }
  ui::View* logoView() const { return logoView_.get(); }

 private:
  void noteEditDone();
  std::shared_ptr<MyNote> newClient();

  core::Value json_;
  VDHelper::NoteArray noteArray_;
  std::shared_ptr<Note> currentNote_ = std::make_shared<Note>();
  bool isHaveNote_ = false;
  std::int32_t unID_ = 0;
  bool isOne_ = false;
  std::weak_ptr<MyNotePanelOwner> allNoteVC_;
  std::shared_ptr<UpdateNoteViewController> updateNoteVC_;
  std::shared_ptr<MyNote> myNoteBll_;

  std::shared_ptr<ui::View> titleView_;
  std::shared_ptr<ui::View> contentView_;
  std::shared_ptr<ui::View> noteView_;
  std::shared_ptr<ui::Label> noteLabel_;
  std::shared_ptr<ui::Label> timeLabel_;
  std::shared_ptr<ui::View> optionsView_;
  std::shared_ptr<ui::View> showOptionView_;
  std::shared_ptr<ui::Button> showOption_Btn_;
  std::shared_ptr<ui::View> addNoteView_;
  std::shared_ptr<ui::TextView> noteTextView_;
  std::shared_ptr<ui::View> logoView_;
};
