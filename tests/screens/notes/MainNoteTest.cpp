// The user's notes: the list and its placeholder, option panels and deletion with renumbered rows, a
// note's question opened in the answering screen, the note context shared with that question's notes,
// edits sent under the note's own question, and further pages.

#include <condition_variable>
#include <fstream>
#include <mutex>
#include <map>

#include "NotesTestSupport.h"
#include "app/AvatarFile.h"
#include "screens/notes/MainNoteViewController.h"
#include "screens/notes/MyNoteViewController.h"
#include "screens/notes/NoteLayout.h"
#include "screens/notes/NoteUpdateContext.h"
#include "screens/notes/UpdateNoteViewController.h"
#include "exam/sets/TestBuilder.h"
#include "service/AbstractService.h"
#include "ui/ImageView.h"
#include "platform/runloop/DispatchQueue.h"
#include "ui/Utf16.h"

using namespace notes_test;

namespace {

const char* kSeeded = "这道题要记住。";  // user01's note on question 1003

class MyNotes : public NotesFixture {
 protected:
  // Three more notes of user01, newest first: "三" (1004), "二" (1002), "一" (1001), then the seeded one.
  void writeThreeNotes() {
    ids_["一"] = addNoteOnServer(1001, "一：太平洋");
    ids_["二"] = addNoteOnServer(1002, "二：新疆");
    ids_["三"] = addNoteOnServer(1004, "三：长江");
  }
  // Opens the list as the home screen does, with the first page of the user's notes (Nil when none).
  MainNoteViewController& open() {
    const core::Value body = serverGet("1.0/json/exam/GetMyNotes/GKSample/1")["Body"];
    screen_ = make<MainNoteViewController>("mainNote");
    EXPECT_TRUE(screen_);
    screen_->setJson(body.size() > 0 ? body : core::Value());
    push(screen_);
    waitForFirstPage(*this, *screen_);
    EXPECT_TRUE(server().clearJournal());
    return *screen_;
  }
  std::vector<std::string> shown() { return rowTexts(screen_->viewArr()); }
  void tapOption(std::size_t i) {
    const auto* row = screen_->noteRow(i);
    ASSERT_NE(row, nullptr);
    screen_->myTableView()->scrollToRowAtIndexPath({0, static_cast<int>(i) + 1},
                                                   ui::TableViewScrollPosition::Top, false);
    ASSERT_TRUE(h().tap(*row->showOptionButton));
    h().settle();
  }
  void tapButton(std::size_t i, ui::Button* MainNoteViewController::NoteRow::*button) {
    ASSERT_TRUE(h().tap(*(screen_->noteRow(i)->*button))) << "row " << i;
    h().settle();
  }
  void tapText(std::size_t i) {
    const auto* row = screen_->noteRow(i);
    ASSERT_NE(row, nullptr);
    screen_->myTableView()->scrollToRowAtIndexPath({0, static_cast<int>(i) + 1},
                                                   ui::TableViewScrollPosition::Top, false);
    answering_.reset();  // the screen this tap opens, if any
    ASSERT_TRUE(h().tap(*row->noteLabel));
    settleRequests();
    // The question set is built on a worker: its screen, its toast or an alert follows.
    runUntil([&] {
      h().settle(0.2);
      return answering_ || !toast().empty() || h().alert();
    });
  }
  void deleteRow(std::size_t i) {
    tapOption(i);
    tapButton(i, &MainNoteViewController::NoteRow::deleteButton);
    ASSERT_EQ(alertMessage(), MainNoteViewController::kDeleteQuestion);
    ASSERT_TRUE(h().press("确定"));
    settleRequests();
  }
  std::vector<int> openPanels() {
    std::vector<int> open;
    for (std::size_t i = 0; screen_->noteRow(i); ++i)
      if (!screen_->noteRow(i)->optionsView->isHidden()) open.push_back(static_cast<int>(i));
    return open;
  }
  void goBackTo(const ui::ViewController& screen) {
    navigation().popToViewController(screen, false);
    h().settle();
  }

  std::map<std::string, int> ids_;
  std::shared_ptr<MainNoteViewController> screen_;
};

}  // namespace

TEST_F(MyNotes, NoNotesShowTheSpacerAndThePlaceholder) {
  const std::string avatar = AvatarFile::path("user01");
  { std::ofstream(avatar) << "jpeg"; }
  screen_ = make<MainNoteViewController>("mainNote");
  screen_->setJson(core::Value());  // the home screen's request failed or brought nothing
  push(screen_);
  waitForFirstPage(*this, *screen_);
  EXPECT_EQ(screen_->viewArr().size(), 2u);
  EXPECT_TRUE(screen_->hasPlaceholderRow());
  EXPECT_NE(h().find<ui::ImageView>([](const ui::ImageView& v) {
    return v.image() && v.image()->name() == NoteLayout::kPlaceholderImage;
  }),
            nullptr);
  EXPECT_EQ(screen_->title(), "我的笔记");
  EXPECT_NE(h().label("小明"), nullptr) << "the user's nick name";
  ASSERT_NE(screen_->headImageView()->image(), nullptr);
  EXPECT_EQ(screen_->headImageView()->image()->name(), avatar) << "the avatar of the user name";
}

TEST_F(MyNotes, ANoteOnAQuestionOutsideTheLocalBankIsNotListed) {
  core::Value body = serverGet("1.0/json/exam/GetMyNotes/GKSample/1")["Body"];
  ASSERT_EQ(body.size(), 1u);
  core::Value stranger = body[0].deepCopy();
  stranger.set("ID", 987654);
  stranger.set("AllTestID", 987654);  // no such question in the bank on the device
  stranger.set("UserNoteContent", "别的题库的笔记");
  body.push_back(stranger);
  screen_ = make<MainNoteViewController>("mainNote");
  screen_->setJson(body);
  push(screen_);
  waitForFirstPage(*this, *screen_);
  EXPECT_EQ(shown(), std::vector<std::string>{kSeeded});
  EXPECT_FALSE(screen_->hasPlaceholderRow());
}

TEST_F(MyNotes, DeletingANoteRenumbersTheRowsBelowIt) {
  writeThreeNotes();
  auto& notes = open();
  ASSERT_EQ(shown(), (std::vector<std::string>{"三：长江", "二：新疆", "一：太平洋", kSeeded}));

  tapOption(1);
  EXPECT_EQ(openPanels(), std::vector<int>{1});
  EXPECT_EQ(notes.currentUID(), ids_["二"]);
  tapOption(1);
  EXPECT_TRUE(openPanels().empty()) << "a second tap closes it";

  deleteRow(1);
  const auto deleted = requests("DeleteUserNote");
  ASSERT_EQ(deleted.size(), 1u);
  EXPECT_EQ(deleted[0]["decoded_path"].toString(),
            "/api/1.0/json/exam/DeleteUserNote/" + std::to_string(ids_["二"]) + "/GKSample");
  EXPECT_EQ(shown(), (std::vector<std::string>{"三：长江", "一：太平洋", kSeeded}));
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const auto* row = notes.noteRow(i);
    const int tag = static_cast<int>(i);
    EXPECT_EQ(row->contentView->tag(), tag);
    EXPECT_EQ(row->showOptionButton->tag(), tag);
    EXPECT_EQ(row->editButton->tag(), tag);
    EXPECT_EQ(row->deleteButton->tag(), tag);
    EXPECT_EQ(row->noteLabel->tag(), tag);
  }

  // The rows below the deleted one still open their own panel and their own question.
  tapOption(2);
  EXPECT_EQ(openPanels(), std::vector<int>{2});
  EXPECT_EQ(notes.currentUID(), notes.noteArray()->at(2)->NID);
  tapText(2);
  const auto opened = requests("FTbyAID");
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0]["decoded_path"].toString(), "/api/1.0/json/exam/FTbyAID/GKSample/1003");
  ASSERT_TRUE(answering_);
  EXPECT_EQ(answering_->pager()->currentTest()->AllTestID, "1003");
}

TEST_F(MyNotes, DeletingTheLastNoteBringsBackThePlaceholder) {
  auto& notes = open();
  ASSERT_EQ(shown(), std::vector<std::string>{kSeeded});
  deleteRow(0);
  EXPECT_TRUE(notes.noteArray()->empty());
  EXPECT_TRUE(notes.hasPlaceholderRow());
  EXPECT_EQ(notes.viewArr().size(), 2u);
}

TEST_F(MyNotes, ARefusedDeletionKeepsTheNote) {
  auto& notes = open();
  fault(core::Dictionary{
      {"path", "/api/1.0/json/exam/DeleteUserNote/*"},
      {"body", core::Dictionary{{"Body", false}, {"Message", "删除失败"}, {"LoginState", 1}}}});
  deleteRow(0);
  EXPECT_EQ(toast(), MainNoteViewController::kDeleteFailedToast);
  EXPECT_EQ(shown(), std::vector<std::string>{kSeeded});
  EXPECT_FALSE(notes.hasPlaceholderRow());
}

TEST_F(MyNotes, ANotesTextOpensItsQuestionForPractice) {
  writeThreeNotes();
  auto& notes = open();
  tapText(2);  // "一" on question 1001

  EXPECT_EQ(requests("FTbyAID").front()["decoded_path"].toString(),
            "/api/1.0/json/exam/FTbyAID/GKSample/1001");
  ASSERT_TRUE(answering_);
  EXPECT_EQ(h().topScreen(), answering_.get());
  EXPECT_EQ(answering_->calls, (std::vector<std::string>{"setTestPager:", "setOriginalMode:0",
                                                         "setUnSaveRecord:YES", "setIsAllow:NO"}));
  EXPECT_EQ(answering_->pager()->testArray().size(), 1u);
  EXPECT_EQ(answering_->pager()->currentTest()->AllTestID, "1001");

  auto context = NoteUpdateContext::current();
  ASSERT_TRUE(context);
  EXPECT_EQ(context->currentNote->NID, ids_["一"]);
  EXPECT_EQ(context->noteArray, notes.noteArray()) << "the list's own array, not a copy";
  EXPECT_EQ(app().userSession()["updateNote"]["AID"].toInt(), 1001);
  EXPECT_TRUE(notes.isBack());
}

TEST_F(MyNotes, AQuestionThatCannotBeFoundGivesTheToast) {
  std::string pastTheLimit = "1003";  // a set naming more ids than a set may
  for (std::size_t i = 0; i < TestBuilder::kMaxQuestionIds; ++i) pastTheLimit += ",1003";
  core::Value sessions = core::Value::newArray();
  sessions.push_back(core::Dictionary{{"Type", "ATEST"}, {"ATestid", pastTheLimit}});
  const core::Value bodies[] = {
      core::Value::null(),  // the server has no such question
      core::Dictionary{
          {"ID", 0}, {"Name", "试题"}, {"Sessions", core::Value::newArray()}},  // nothing to build
      core::Dictionary{{"ID", 0}, {"Name", "试题"}, {"Sessions", sessions}},
  };
  open();
  for (const core::Value& body : bodies) {
    SCOPED_TRACE(body.describe());
    fault(core::Dictionary{{"path", "/api/1.0/json/exam/FTbyAID/*"},
                           {"body", core::Dictionary{{"Body", body}, {"Message", ""}, {"LoginState", 1}}}});
    tapText(0);
    EXPECT_EQ(toast(), core::Bundle::main().localizedString("notCaption"));
    EXPECT_FALSE(answering_) << "the answering screen is not opened";
    waitOutToast();
  }

  // A forced logout has its own alert and no toast here.
  fault(core::Dictionary{
      {"path", "/api/1.0/json/exam/FTbyAID/*"},
      {"body", core::Dictionary{{"Body", core::Value::null()}, {"Message", ""}, {"LoginState", 2}}}});
  tapText(0);
  EXPECT_EQ(toast(), "");
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->title(), AbstractService::kForcedLogoutTitle);
  EXPECT_FALSE(answering_);
}

TEST_F(MyNotes, ChangesMadeInTheQuestionsNotesShowOnReturn) {
  writeThreeNotes();
  auto& notes = open();
  tapText(2);  // "一" on question 1001: the answering screen shows it
  ASSERT_TRUE(answering_);

  // From the answering screen the user opens the question's notes and edits his note there.
  auto questionNotes = openQuestionNotes(*this, 1001);
  MyNoteViewController& panel = *questionNotes->myNoteVC();
  ASSERT_EQ(panel.noteLabel()->text(), "一：太平洋");
  ASSERT_TRUE(h().tap(*panel.showOptionButton()));
  ASSERT_TRUE(h().tap(*h().button(MyNoteViewController::kEditTitle)));
  h().settle();
  h().type(*panel.updateNoteVC()->noteTextView(), "（重点）");
  ASSERT_TRUE(h().tap(*h().button(UpdateNoteViewController::kSaveTitle)));
  settleRequests();
  waitOutToast();

  goBackTo(notes);
  EXPECT_EQ(shown(), (std::vector<std::string>{"三：长江", "二：新疆", "一：太平洋（重点）", kSeeded}));

  // Again, and this time the note is deleted there.
  tapText(2);
  questionNotes = openQuestionNotes(*this, 1001);
  ASSERT_TRUE(h().tap(*questionNotes->myNoteVC()->showOptionButton()));
  ASSERT_TRUE(h().tap(*h().button(MyNoteViewController::kDeleteTitle)));
  ASSERT_TRUE(h().press("确定"));
  settleRequests();
  waitOutToast();
  goBackTo(notes);
  EXPECT_EQ(shown(), (std::vector<std::string>{"三：长江", "二：新疆", kSeeded}));
  EXPECT_EQ(notes.noteRow(2)->noteLabel->tag(), 2);
}

TEST_F(MyNotes, AnEditIsSentUnderTheNotesOwnQuestionAndItsPageReloads) {
  writeThreeNotes();
  app().userSession().set("ALLTESTID", "1001");  // the question the answering screen showed last
  auto& notes = open();
  tapOption(1);  // "二" on question 1002
  tapButton(1, &MainNoteViewController::NoteRow::editButton);
  auto sheet = notes.updateNoteVC();
  ASSERT_TRUE(sheet && sheet->isOpen());
  ui::TextView& text = *sheet->noteTextView();
  EXPECT_EQ(text.text(), "二：新疆");
  h().backspace(text, static_cast<int>(ui::utf8Characters(text.text()).size()));
  h().type(text, "二：新疆最大");
  ASSERT_TRUE(h().tap(*h().button(UpdateNoteViewController::kSaveTitle)));
  settleRequests();
  ASSERT_TRUE(runUntil([&] {
    return requests("GetMyNotes").size() == 1 && notes.noteArray()->front()->noteStr != "三：长江";
  }));

  const auto sent = requests("SetUserNoteByID");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0]["decoded_path"].toString(), "/api/1.0/json/exam/SetUserNoteByID/GKSample/1002");
  EXPECT_EQ(JSONValue(sent[0]["body"].toString()),
            JSONValue(R"([{"Key":)" + std::to_string(ids_["二"]) + R"(,"Value":"二：新疆最大"}])"));
  EXPECT_EQ(requests("GetMyNotes").front()["decoded_path"].toString(),
            "/api/1.0/json/exam/GetMyNotes/GKSample/1");
  // The reloaded page in the server's order (an edited note is the newest).
  EXPECT_EQ(shown(), (std::vector<std::string>{"二：新疆最大", "三：长江", "一：太平洋", kSeeded}));
}

TEST_F(MyNotes, FurtherPagesArePulledIn) {
  for (int i = 1; i <= 10; ++i) ASSERT_GT(addNoteOnServer(1000 + i, "笔记" + std::to_string(i)), 0);
  auto& notes = open();
  ASSERT_EQ(notes.noteArray()->size(), 10u);

  pullPastTheEnd(h(), *notes.myTableView());
  ASSERT_TRUE(runUntil([&] { return notes.isLoadEnd(); }));
  h().settle();
  EXPECT_EQ(requests("GetMyNotes").front()["decoded_path"].toString(),
            "/api/1.0/json/exam/GetMyNotes/GKSample/2");
  EXPECT_EQ(notes.noteArray()->size(), 11u);
  EXPECT_EQ(shown().back(), kSeeded);
  EXPECT_EQ(notes.nextPage(), 2);
  EXPECT_EQ(notes.noteRow(10)->noteLabel->tag(), 10);

  pullPastTheEnd(h(), *notes.myTableView());
  ASSERT_TRUE(runUntil([&] { return notes.isLoadEnd(); }));
  EXPECT_EQ(toast(), MainNoteViewController::kNoMoreToast);
  EXPECT_EQ(notes.noteArray()->size(), 11u);
  EXPECT_EQ(notes.nextPage(), 2);
}

// A page as long as a page may be: only the rows that show are built, a row measured before it is
// built is as tall as once built, and the last row shows its note when scrolled to.
TEST_F(MyNotes, ALongListBuildsOnlyTheRowsItShows) {
  const std::string longText(40, 'x');
  std::string longer;
  for (int i = 0; i < 30; ++i) longer += "很长的笔记";
  std::string body = "[";
  for (std::size_t i = 0; i < MyNote::kMaxNotesPerPage; ++i) {
    const std::string text = i % 3 == 0 ? "短" : i % 3 == 1 ? longText : longer;
    body += std::string(i ? "," : "") + R"({"ID":)" + std::to_string(9000 + i) +
            R"(,"UID":1,"UserName":"user01","UserNoteContent":")" + text + std::to_string(i) +
            R"(","NoteTime":"2020-01-01 10:00:00","AllTestID":1001})";
  }
  screen_ = make<MainNoteViewController>("mainNote");
  ASSERT_TRUE(screen_);
  screen_->setJson(JSONValue(body + "]"));
  push(screen_);
  waitForFirstPage(*this, *screen_);
  ASSERT_EQ(screen_->noteArray()->size(), MyNote::kMaxNotesPerPage);
  EXPECT_LT(screen_->builtRows(), 20u);

  ui::TableView& table = *screen_->myTableView();
  for (int row : {1, 2, 3, 500, 999}) {
    SCOPED_TRACE(row);
    const double measured = screen_->heightForRowAtIndexPath(table, {0, row});
    ASSERT_NE(screen_->noteRow(static_cast<std::size_t>(row) - 1), nullptr);
    EXPECT_EQ(screen_->heightForRowAtIndexPath(table, {0, row}), measured);
  }

  const int last = static_cast<int>(MyNote::kMaxNotesPerPage);
  table.scrollToRowAtIndexPath({0, last}, ui::TableViewScrollPosition::Bottom, false);
  h().settle();
  ui::TableViewCell* cell = table.cellForRowAtIndexPath({0, last});
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(firstLabelText(cell->contentView()), "短" + std::to_string(MyNote::kMaxNotesPerPage - 1));
  EXPECT_LT(screen_->builtRows(), 40u);
}

// ---- off the main thread ----

// A note's question set is built on a worker: not within the reply's call, and never opened for a list
// that was closed meanwhile.
TEST_F(MyNotes, ANotesQuestionSetIsBuiltOnAWorkerAndNotOpenedForAClosedList) {
  auto& notes = open();
  const core::Value reply = serverGet("1.0/json/exam/FTbyAID/GKSample/1003");
  ASSERT_TRUE(reply["Body"].isDictionary());
  notes.didFTbyAID(true, reply);
  EXPECT_FALSE(answering_) << "the set is not built within the reply's call";
  ASSERT_TRUE(runUntil([&] {
    h().settle(0.2);
    return answering_ != nullptr;
  }));
  EXPECT_EQ(answering_->pager()->currentTest()->AllTestID, "1003");
  answering_.reset();
  navigation().popToRootViewController(false);
  h().settle();

  // A list gone before the main loop runs again: whenever the set is built, its reply finds no list.
  auto closing = make<MainNoteViewController>("mainNote");
  ASSERT_TRUE(closing);
  closing->didFTbyAID(true, reply);
  std::weak_ptr<MainNoteViewController> closed = closing;
  closing.reset();
  EXPECT_TRUE(closed.expired()) << "the worker does not keep the list";
  rl::DispatchQueue::global().waitIdle();
  h().settle();
  EXPECT_FALSE(answering_);
  EXPECT_EQ(toast(), "");
}

// The bank look-up of a page's notes, on its worker; the test can hold it there.
class MyNotesLookUps : public MyNotes {
 protected:
  AppServices services() override {
    AppServices s = MyNotes::services();
    s.questionInLocalBank = [this](std::int32_t) {
      std::unique_lock lock(mutex_);
      onMain_.push_back(rl::RunLoop::isMainThread());
      released_.wait(lock, [this] { return !hold_; });
      return true;
    };
    return s;
  }
  void hold(bool on) {
    {
      std::lock_guard lock(mutex_);
      hold_ = on;
    }
    released_.notify_all();
  }
  std::vector<bool> lookUps() {
    std::lock_guard lock(mutex_);
    return onMain_;
  }
  void TearDown() override {
    hold(false);
    MyNotes::TearDown();
  }

  std::mutex mutex_;
  std::condition_variable released_;
  bool hold_ = false;
  std::vector<bool> onMain_;
};

TEST_F(MyNotesLookUps, PagesAreShapedOnAWorkerAndAClosedListIsNotCalled) {
  for (int i = 1; i <= 10; ++i) ASSERT_GT(addNoteOnServer(1001 + i % 4, "笔记" + std::to_string(i)), 0);

  // Held on its worker while the list is closed: the main thread goes on, the reply finds no list.
  std::weak_ptr<MainNoteViewController> closed;
  {
    auto& notes = open();
    ASSERT_EQ(notes.noteArray()->size(), 10u);
    const std::vector<bool> firstPage = lookUps();
    ASSERT_FALSE(firstPage.empty());
    EXPECT_EQ(std::count(firstPage.begin(), firstPage.end(), true), 0) << "the first page, too, on a worker";
    hold(true);
    const std::size_t before = lookUps().size();
    pullPastTheEnd(h(), *notes.myTableView());
    ASSERT_TRUE(runUntil([&] { return lookUps().size() > before; })) << "the page is shaped meanwhile";
    EXPECT_FALSE(lookUps().back()) << "not on the main thread";
    closed = screen_;
    navigation().popToRootViewController(false);
    h().settle();
    screen_.reset();
  }
  EXPECT_TRUE(closed.expired());
  hold(false);
  rl::DispatchQueue::global().waitIdle();
  h().settle();
  EXPECT_EQ(toast(), "");

  // Open again, the page comes in: every look-up of its notes ran on the worker, at most one per note.
  auto& notes = open();
  const std::size_t before = lookUps().size();
  pullPastTheEnd(h(), *notes.myTableView());
  ASSERT_TRUE(runUntil([&] { return notes.isLoadEnd(); }));
  h().settle();
  EXPECT_EQ(notes.noteArray()->size(), 11u);
  const std::vector<bool> all = lookUps();
  ASSERT_GT(all.size(), before);
  EXPECT_LE(all.size() - before, 1u) << "page 2 holds one note";
  for (std::size_t i = before; i < all.size(); ++i) EXPECT_FALSE(all[i]) << i;
}
