#pragma once
// UpdateNoteViewController ("updateNote"): the sheet in which the user changes the text of one of his
// notes. The opener (the my-notes list or a question's notes panel) makes it with the screen factory,
// keeps it, gives it the completion action, the note's id, its question and its text, and lays it over
// the window (Window::addOverlay). The sheet closes by taking its view off the window.
//
// Saving: unchanged text closes the sheet without a request and without the completion action; a text
// of spaces only (other white space counts as text) is refused with the toast "内容不能为空" and the
// sheet stays; anything else is posted as [{"Key": note id, "Value": text as typed}] under the note's
// own question. A save the server accepts stores the text as the session's "noteText", shows "修改成功",
// runs the completion action and closes the sheet. A failed save shows "修改失败" and keeps the sheet
// open with the typed text, so that nothing typed is lost; the user may try again or close it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "service/MyNote.h"
#include "ui/Button.h"
#include "ui/TextView.h"
#include "ui/ViewController.h"

class UpdateNoteViewController : public ui::ViewController, public MyNoteDelegate {
 public:
  static constexpr const char* kIdentifier = "updateNote";
  static constexpr const char* kEmptyToast = "内容不能为空";
  static constexpr const char* kSavedToast = "修改成功";
  static constexpr const char* kFailedToast = "修改失败";
  static constexpr const char* kTitle = "修改笔记";
  static constexpr const char* kSaveTitle = "保存";
  static constexpr const char* kCancelTitle = "取消";

  std::string className() const override { return "UpdateNoteViewController"; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // ---- set by the opener before the sheet shows ----
  using CompletionBlock = std::function<void()>;
  void setCacelBlock(CompletionBlock block) { cacelBlock_ = std::move(block); }
  void setUnID(std::int32_t nid) { unID_ = nid; }
  std::int32_t unID() const { return unID_; }
  void setNoteStr(std::string text) { noteStr_ = std::move(text); }
  const std::string& noteStr() const { return noteStr_; }
  // The question the note is on; 0 leaves the question of the session's "ALLTESTID".
  void setAID(std::int32_t aid) { AID_ = aid; }
  std::int32_t AID() const { return AID_; }

  // Lays the sheet over the application's window.
  void showOnWindow();
  bool isOpen() const;

  // ---- actions ----
  void updateNote();    // save
  void cancelBtn();     // close without a request
  void hidekeyboard();  // end editing
  void setUserNoteByID(const std::string& noteJson);
  void didSetUserNoteByID(bool ok, const core::Value& json) override;

  ui::TextView* noteTextView() const { return noteTextView_.get(); }

 private:
  void close();

  CompletionBlock cacelBlock_;
  std::int32_t unID_ = 0;
  std::int32_t AID_ = 0;
  std::string noteStr_;
  std::string sentText_;  // the text of the save in flight
  std::shared_ptr<MyNote> myNoteBll_;
  std::shared_ptr<ui::TextView> noteTextView_;
  std::shared_ptr<ui::View> panel_;
};
