// The note edit sheet: what a save sends and where, what it refuses, and what stays after a failure.

#include "NotesFixture.h"
#include "screens/notes/UpdateNoteViewController.h"
#include "ui/Utf16.h"

using namespace notes_test;

namespace {

class EditSheet : public NotesFixture {
 protected:
  void SetUp() override {
    NotesFixture::SetUp();
    const core::Value mine = serverGet("1.0/json/exam/GetMyNote/GKSample/1003")["Body"];
    ASSERT_EQ(mine.size(), 1u);
    noteId_ = static_cast<int>(mine[0]["ID"].toInt());
    // The answering screen last showed another question than the note's own.
    app().userSession().set("ALLTESTID", "1001");
    navigation();
  }

  // Opens the sheet for user01's note on question 1003, as an opener does.
  std::shared_ptr<UpdateNoteViewController> open() {
    auto sheet = make<UpdateNoteViewController>("updateNote");
    EXPECT_TRUE(sheet);
    sheet->setCacelBlock([this] { ++completions_; });
    sheet->setUnID(noteId_);
    sheet->setAID(1003);
    sheet->setNoteStr("这道题要记住。");
    sheet->showOnWindow();
    h().settle();
    return sheet;
  }
  // Replaces the sheet's text the way a person does: deletes it and types the new one.
  void retype(UpdateNoteViewController& sheet, const std::string& text) {
    ui::TextView& view = *sheet.noteTextView();
    h().backspace(view, static_cast<int>(ui::utf8Characters(view.text()).size()));
    h().type(view, text);
  }
  void save() {
    ASSERT_TRUE(h().tap(*h().button(UpdateNoteViewController::kSaveTitle)));
    settleRequests();
  }

  int noteId_ = 0;
  int completions_ = 0;
};

}  // namespace

TEST_F(EditSheet, ShowsTheNoteReadyToEdit) {
  auto sheet = open();
  EXPECT_EQ(h().topScreen(), sheet.get()) << "laid over everything";
  EXPECT_EQ(sheet->noteTextView()->text(), "这道题要记住。");
  EXPECT_TRUE(sheet->noteTextView()->isEditing()) << "the keyboard comes up at once";
  EXPECT_EQ(sheet->noteTextView()->layer().borderWidth(), 2);
  ASSERT_TRUE(h().tap(*h().button(UpdateNoteViewController::kCancelTitle)));
  h().settle();
  EXPECT_FALSE(sheet->isOpen());
  EXPECT_TRUE(requests("SetUserNoteByID").empty());
  EXPECT_EQ(completions_, 0);
}

TEST_F(EditSheet, WhatASaveSendsOrRefuses) {
  struct Case {
    const char* name;
    const char* text;  // what the text becomes
    bool sent;
    const char* toast;
    bool staysOpen;
  };
  const Case cases[] = {
      {"unchanged", "这道题要记住。", false, "", false},
      {"spaces only", "   ", false, UpdateNoteViewController::kEmptyToast, true},
      // Line breaks are text here; the server then refuses the blank note, and the sheet keeps it.
      {"line breaks only", "\n\n", true, UpdateNoteViewController::kFailedToast, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(server().clearJournal());
    auto sheet = open();
    retype(*sheet, c.text);
    save();
    const auto sent = requests("SetUserNoteByID");
    EXPECT_EQ(sent.size(), c.sent ? 1u : 0u);
    if (c.sent && !sent.empty()) {
      EXPECT_EQ(JSONValue(sent[0]["body"].toString()),
                JSONValue(R"([{"Key":)" + std::to_string(noteId_) + R"(,"Value":"\n\n"}])"));
    }
    EXPECT_EQ(toast(), c.toast);
    EXPECT_EQ(sheet->isOpen(), c.staysOpen);
    if (c.staysOpen) {
      EXPECT_EQ(sheet->noteTextView()->text(), c.text) << "nothing typed is lost";
    }
    EXPECT_EQ(completions_, 0);
    EXPECT_FALSE(app().userSession().contains("noteText"));
    waitOutToast();
    if (sheet->isOpen()) {
      ASSERT_TRUE(h().tap(*h().button(UpdateNoteViewController::kCancelTitle)));
    }
    h().settle();
  }
}

TEST_F(EditSheet, ASavedEditGoesToTheNotesOwnQuestion) {
  auto sheet = open();
  retype(*sheet, "改过的笔记");
  save();
  const auto sent = requests("SetUserNoteByID");
  ASSERT_EQ(sent.size(), 1u);
  // Under the note's own question, not under "ALLTESTID" (1001), which the answering screen last showed.
  EXPECT_EQ(sent[0]["decoded_path"].toString(), "/api/1.0/json/exam/SetUserNoteByID/GKSample/1003");
  EXPECT_EQ(JSONValue(sent[0]["body"].toString()),
            JSONValue(R"([{"Key":)" + std::to_string(noteId_) + R"(,"Value":"改过的笔记"}])"));
  EXPECT_EQ(toast(), UpdateNoteViewController::kSavedToast);
  EXPECT_EQ(app().userSession()["noteText"].toString(), "改过的笔记");
  EXPECT_EQ(completions_, 1);
  EXPECT_FALSE(sheet->isOpen());
  const core::Value mine = serverGet("1.0/json/exam/GetMyNote/GKSample/1003")["Body"];
  EXPECT_EQ(mine[0]["UserNoteContent"].toString(), "改过的笔记");
}

TEST_F(EditSheet, AFailedSaveKeepsTheSheetAndTheTypedText) {
  fault(
      core::Dictionary{{"path", "/api/1.0/json/exam/SetUserNoteByID/*"},
                       {"body", core::Dictionary{{"Body", 0}, {"Message", "保存失败"}, {"LoginState", 1}}}});
  auto sheet = open();
  retype(*sheet, "很长的一段修改");
  save();
  EXPECT_EQ(toast(), UpdateNoteViewController::kFailedToast);
  EXPECT_TRUE(sheet->isOpen());
  EXPECT_EQ(sheet->noteTextView()->text(), "很长的一段修改");
  EXPECT_FALSE(app().userSession().contains("noteText"));
  EXPECT_EQ(completions_, 0);

  // The next try goes through.
  waitOutToast();
  save();
  EXPECT_EQ(toast(), UpdateNoteViewController::kSavedToast);
  EXPECT_EQ(completions_, 1);
  EXPECT_FALSE(sheet->isOpen());
}
