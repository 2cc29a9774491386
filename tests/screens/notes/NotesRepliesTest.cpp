// Replies of the wrong shape to every request the notes screens and the error reports make, each
// driven as a person would: the screen says what went wrong (the screens' own failure texts where they
// have one), keeps what it showed, never reports a save or a delete as done, and the next tap against
// the normal reply works.

#include "NotesTestSupport.h"
#include "app/ReplyCheck.h"
#include "screens/notes/ErrorFeedbackViewController.h"
#include "screens/notes/FeedbackRecordViewController.h"
#include "screens/notes/MainNoteViewController.h"
#include "screens/notes/MyNoteViewController.h"
#include "screens/notes/UpdateNoteViewController.h"
#include "tests/support/HostileReplies.h"
#include "ui/Utf16.h"

using namespace notes_test;

namespace {

const char* kSeeded = "这道题要记住。";  // user01's note on question 1003

std::string localized(const char* key) { return core::Bundle::main().localizedString(key); }

// What ReplyCheck::failureMessage says for each hostile reply: no reply at all for the ones that do not
// parse or are no JSON, "no data" for a null "Body", else the malformed text.
std::string failureFor(const std::string& reply) {
  for (const char* none : {"truncated", "not UTF-8", "HTTP 500", "HTML with 200", "5,000 deep"})
    if (reply == none) return localized("requestFaile");
  if (reply == "null body") return localized("nodataMessage");
  return ReplyCheck::kMalformedMessage;
}

class NotesReplies : public NotesFixture {
 protected:
  void replaceText(ui::TextView& view, const std::string& text) {
    h().backspace(view, static_cast<int>(ui::utf8Characters(view.text()).size()));
    ASSERT_TRUE(h().type(view, text));
  }
  void tapTitled(const char* title) {
    ui::Button* button = h().button(title);
    ASSERT_NE(button, nullptr) << title;
    ASSERT_TRUE(h().tap(*button)) << title;
    h().settle();
  }
  void confirmDeletion(const char* question) {
    ASSERT_EQ(alertMessage(), question);
    ASSERT_TRUE(h().press("确定"));
    settleRequests();
  }

  // ---- the user's notes ----
  MainNoteViewController& open() {
    screen_ = make<MainNoteViewController>("mainNote");
    EXPECT_TRUE(screen_);
    screen_->setJson(serverGet("1.0/json/exam/GetMyNotes/GKSample/1")["Body"]);
    push(screen_);
    waitForFirstPage(*this, *screen_);
    return *screen_;
  }
  const MainNoteViewController::NoteRow& row() {
    screen_->myTableView()->scrollToRowAtIndexPath({0, 1}, ui::TableViewScrollPosition::Top, false);
    return *screen_->noteRow(0);
  }
  void tap(ui::View* view) {
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(h().tap(*view)) << view->describeTree();
    h().settle();
  }
  std::vector<std::string> shown() { return rowTexts(screen_->viewArr()); }
  // Opens the row's edit and delete buttons (a refused deletion leaves them open).
  void openOptions() {
    if (row().optionsView->isHidden()) tap(row().showOptionButton);
  }

  // ---- a question's notes ----
  MyNoteViewController& panel() { return *allNotes_->myNoteVC(); }
  void tapInPanel(ui::View& view) {
    allNotes_->myTabelView()->setContentOffset({0, 0});
    ASSERT_TRUE(h().tap(view));
    h().settle();
  }
  void add(const std::string& text) {
    replaceText(*panel().noteTextView(), text);
    allNotes_->myTabelView()->setContentOffset({0, 0});
    tapTitled(MyNoteViewController::kAddTitle);
    settleRequests();
  }

  // ---- error reports ----
  ErrorFeedbackViewController& openReport() {
    auto test = std::make_shared<Questions>();
    test->AllTestID = "1001";
    report_ = make<ErrorFeedbackViewController>("errorFeedback");
    EXPECT_TRUE(report_);
    report_->setCurrentTest(test);
    push(report_);
    return *report_;
  }
  void pressOK() {
    ASSERT_TRUE(h().press("OK"));
    h().settle();
  }

  std::shared_ptr<MainNoteViewController> screen_;
  std::shared_ptr<AllNoteViewController> allNotes_;
  std::shared_ptr<ErrorFeedbackViewController> report_;
};

// ---- the user's notes: delete, open the question, edit ----

TEST_F(NotesReplies, MyNotesDeleteOpenAndEditSayWhatWentWrongAndKeepTheNote) {
  MainNoteViewController& notes = open();
  ASSERT_EQ(shown(), std::vector<std::string>{kSeeded});
  for (const testsupport::HostileReply& r : testsupport::hostileReplies()) {
    SCOPED_TRACE(r.name);

    // Delete: the toast of a refused deletion, the note stays listed.
    fault(testsupport::withPath(r.fault, "/api/1.0/json/exam/DeleteUserNote/*"));
    openOptions();
    tap(row().deleteButton);
    confirmDeletion(MainNoteViewController::kDeleteQuestion);
    EXPECT_EQ(toast(), MainNoteViewController::kDeleteFailedToast);
    EXPECT_EQ(shown(), std::vector<std::string>{kSeeded});
    EXPECT_FALSE(notes.hasPlaceholderRow());
    waitOutToast();

    // The note's question: the toast that it cannot be found, the list stays on top.
    fault(testsupport::withPath(r.fault, "/api/1.0/json/exam/FTbyAID/GKSample/1003"));
    tap(row().noteLabel);
    settleRequests();
    ASSERT_TRUE(runUntil([&] {
      h().settle(0.2);
      return !toast().empty();
    }));
    EXPECT_EQ(toast(), localized("notCaption"));
    EXPECT_FALSE(answering_);
    EXPECT_EQ(h().topScreen(), &notes);
    waitOutToast();

    // Edit: the sheet's failure toast; the sheet stays open with the typed text, the list unchanged.
    fault(testsupport::withPath(r.fault, "/api/1.0/json/exam/SetUserNoteByID/*"));
    openOptions();
    tap(row().editButton);
    auto sheet = notes.updateNoteVC();
    ASSERT_TRUE(sheet && sheet->isOpen());
    replaceText(*sheet->noteTextView(), "改过的笔记");
    tapTitled(UpdateNoteViewController::kSaveTitle);
    settleRequests();
    EXPECT_EQ(toast(), UpdateNoteViewController::kFailedToast);
    EXPECT_TRUE(sheet->isOpen());
    EXPECT_EQ(sheet->noteTextView()->text(), "改过的笔记");
    waitOutToast();
    tapTitled(UpdateNoteViewController::kCancelTitle);
    EXPECT_FALSE(sheet->isOpen());
    EXPECT_EQ(shown(), std::vector<std::string>{kSeeded});
  }
  EXPECT_EQ(serverGet("1.0/json/exam/GetMyNote/GKSample/1003")["Body"][0]["UserNoteContent"].toString(), kSeeded)
      << "no hostile reply saved anything";

  // Against the normal replies the list works: the question opens, and the note is deleted.
  tap(row().noteLabel);
  settleRequests();
  ASSERT_TRUE(runUntil([&] {
    h().settle(0.2);
    return answering_ != nullptr;
  }));
  EXPECT_EQ(answering_->pager()->currentTest()->AllTestID, "1003");
  navigation().popToViewController(notes, false);
  h().settle();
  openOptions();
  tap(row().deleteButton);
  confirmDeletion(MainNoteViewController::kDeleteQuestion);
  EXPECT_TRUE(notes.noteArray()->empty());
  EXPECT_TRUE(notes.hasPlaceholderRow());
}

// ---- a question's notes: further pages, the user's own note ----

TEST_F(NotesReplies, AQuestionsNotesPagesDeletionsAddsAndReloadsSayWhatWentWrong) {
  // On 1001 the list holds more than a page of others' notes, and the user's own note is in the panel.
  ASSERT_GT(addNoteOnServer(1001, "我的笔记"), 0);
  allNotes_ = openQuestionNotes(*this, 1001);
  ASSERT_TRUE(panel().isHaveNote());
  const std::vector<std::string> listed = rowTexts(allNotes_->viewArr());
  for (const testsupport::HostileReply& r : testsupport::hostileReplies()) {
    SCOPED_TRACE(r.name);
    fault(testsupport::withPath(r.fault, "/api/1.0/json/exam/GetAllNoteByAID/GKSample/1001/2"));
    pullPastTheEnd(h(), *allNotes_->myTabelView());
    ASSERT_TRUE(runUntil([&] { return allNotes_->isLoadEnd(); }));
    h().settle();
    EXPECT_EQ(toast(), AllNoteViewController::kNoMoreToast);
    EXPECT_EQ(rowTexts(allNotes_->viewArr()), listed);
    waitOutToast();

    fault(testsupport::withPath(r.fault, "/api/1.0/json/exam/DeleteUserNote/*"));
    allNotes_->myTabelView()->setContentOffset({0, 0});  // the panel is row 0
    if (panel().optionsView()->isHidden()) tapInPanel(*panel().showOptionButton());
    tapTitled(MyNoteViewController::kDeleteTitle);
    confirmDeletion(MyNoteViewController::kDeleteQuestion);
    EXPECT_EQ(toast(), MyNoteViewController::kDeleteFailedToast);
    EXPECT_TRUE(panel().isHaveNote());
    EXPECT_EQ(rowTexts(allNotes_->viewArr()), listed);
    waitOutToast();
  }
  navigation().popViewController(false);
  h().settle();

  // On 1004 the user has no note yet: adding it, and the panel's reload after an add.
  allNotes_ = openQuestionNotes(*this, 1004);
  ASSERT_FALSE(panel().isHaveNote());
  for (const testsupport::HostileReply& r : testsupport::hostileReplies()) {
    SCOPED_TRACE(r.name);
    fault(testsupport::withPath(r.fault, "/api/1.0/json/exam/SetUserNoteByID/GKSample/1004"));
    add("要记住");
    if (r.name == "number for the body") {
      // A number is the new note's id: the add is taken as done, and the panel's reload finds no note.
      EXPECT_EQ(toast(), MyNoteViewController::kNotRefreshedToast);
    } else {
      EXPECT_EQ(toast(), MyNoteViewController::kAddFailedToast);
      EXPECT_EQ(panel().noteTextView()->text(), "要记住") << "the typed note stays";
    }
    EXPECT_FALSE(panel().isHaveNote());
    waitOutToast();
  }
  EXPECT_TRUE(serverGet("1.0/json/exam/GetMyNote/GKSample/1004")["Body"].isNilOrNull() ||
              serverGet("1.0/json/exam/GetMyNote/GKSample/1004")["Body"].size() == 0)
      << "no hostile reply added a note";
  for (const testsupport::HostileReply& r : testsupport::hostileReplies()) {
    SCOPED_TRACE(r.name);
    fault(testsupport::withPath(r.fault, "/api/1.0/json/exam/GetMyNote/GKSample/1004"));
    add("要记住");  // saved; the reload of the panel comes wrong
    EXPECT_EQ(toast(), MyNoteViewController::kNotRefreshedToast);
    EXPECT_FALSE(panel().isHaveNote());
    waitOutToast();
  }
  // Against the normal replies the note is added and the panel shows the user's note.
  add("最后一条");
  EXPECT_TRUE(panel().isHaveNote());
  EXPECT_TRUE(panel().addNoteView()->isHidden());
  EXPECT_FALSE(panel().noteLabel()->text().empty());
}

// ---- error reports and their records ----

TEST_F(NotesReplies, SendingListingAndDeletingReportsSayWhatWentWrong) {
  ErrorFeedbackViewController& report = openReport();
  ASSERT_TRUE(h().tap(*h().button("答案有误")));
  for (const testsupport::HostileReply& r : testsupport::hostileReplies()) {
    SCOPED_TRACE(r.name);
    fault(testsupport::withPath(r.fault, "/api/1.0/json/user/UserSuggestion"));
    tapTitled(ErrorFeedbackViewController::kSubmitTitle);
    settleRequests();
    EXPECT_EQ(alertMessage(), failureFor(r.name));
    EXPECT_EQ(h().topScreen(), &report) << "not taken for sent";
    pressOK();
  }

  // The records: listing them, then deleting one.
  for (const testsupport::HostileReply& r : testsupport::hostileReplies()) {
    SCOPED_TRACE(r.name);
    fault(testsupport::withPath(r.fault, "/api/1.0/json/user/GetSuggestion"));
    ASSERT_TRUE(h().tap(*report.feedbackLab()));
    settleRequests();
    auto* records = dynamic_cast<FeedbackRecordViewController*>(h().topScreen());
    ASSERT_NE(records, nullptr);
    // A null "Body" is an empty list: the picture alone says so.
    if (r.name == "null body") {
      EXPECT_EQ(h().alert(), nullptr);
    } else {
      EXPECT_EQ(alertMessage(), failureFor(r.name));
      pressOK();
    }
    EXPECT_EQ(records->tableView()->numberOfRowsInSection(0), 0);
    EXPECT_NE(records->emptyImage(), nullptr);
    navigation().popViewController(false);
    h().settle();
  }
  ASSERT_TRUE(h().tap(*report.feedbackLab()));
  settleRequests();
  auto* records = dynamic_cast<FeedbackRecordViewController*>(h().topScreen());
  ASSERT_NE(records, nullptr);
  ASSERT_EQ(records->tableView()->numberOfRowsInSection(0), 1);
  for (const testsupport::HostileReply& r : testsupport::hostileReplies()) {
    SCOPED_TRACE(r.name);
    fault(testsupport::withPath(r.fault, "/api/1.0/json/user/RemoveSuggestion/*"));
    ASSERT_TRUE(h().tap(*records->tableView()->cellForRowAtIndexPath({0, 0})->accessoryView()));
    confirmDeletion(FeedbackRecordViewController::kDeleteQuestion);
    EXPECT_EQ(alertMessage(), failureFor(r.name) == localized("requestFaile")
                                  ? localized("requestFaile")
                                  : std::string(FeedbackRecordViewController::kDeleteFailedMessage));
    pressOK();
    EXPECT_EQ(records->tableView()->numberOfRowsInSection(0), 1);
  }
  // Against the normal reply the record goes.
  ASSERT_TRUE(h().tap(*records->tableView()->cellForRowAtIndexPath({0, 0})->accessoryView()));
  confirmDeletion(FeedbackRecordViewController::kDeleteQuestion);
  EXPECT_EQ(alertMessage(), FeedbackRecordViewController::kDeletedMessage);
  pressOK();
  settleRequests();
  EXPECT_EQ(records->tableView()->numberOfRowsInSection(0), 0);
}

}  // namespace
