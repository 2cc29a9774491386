// The notes of one question: the first page and further pages pulled in, the placeholder, the user's
// own note added, edited and deleted in the panel, and the page reloads that follow.

#include <set>

#include "NotesTestSupport.h"
#include "screens/notes/AllNoteViewController.h"
#include "screens/notes/MyNoteViewController.h"
#include "screens/notes/NoteLayout.h"
#include "screens/notes/UpdateNoteViewController.h"
#include "ui/ImageView.h"
#include "ui/Utf16.h"

using namespace notes_test;

namespace {

std::string nth(int n) { return "第" + std::to_string(n) + "条笔记：太平洋是面积最大的大洋。"; }

std::vector<std::string> notesNumbered(int from, int to) {
  std::vector<std::string> out;
  for (int n = from; n <= to; ++n) out.push_back(nth(n));
  return out;
}

class QuestionNotes : public NotesFixture {
 protected:
  AllNoteViewController& open(int aid) {
    screen_ = openQuestionNotes(*this, aid);
    EXPECT_TRUE(server().clearJournal());
    return *screen_;
  }
  MyNoteViewController& panel() { return *screen_->myNoteVC(); }
  std::vector<std::string> shown() { return rowTexts(screen_->viewArr()); }
  std::set<std::int32_t> shownIds() {
    std::set<std::int32_t> ids;
    for (const auto& note : screen_->noteArray()) ids.insert(note->NID);
    return ids;
  }
  void pull() {
    pullPastTheEnd(h(), *screen_->myTabelView());
    EXPECT_TRUE(runUntil([this] { return screen_->isLoadEnd(); }));
    h().settle();
  }
  // Taps a button of the panel (the list is scrolled to the top first, as the panel is row 0).
  void tapInPanel(ui::View& button) {
    screen_->myTabelView()->setContentOffset({0, 0});
    ASSERT_TRUE(h().tap(button)) << h().window().describeTree();
    h().settle();
  }
  ui::Button& panelButton(const char* title) {
    ui::Button* found = h().button(title);
    EXPECT_NE(found, nullptr) << title;
    return *found;
  }
  void confirm() {
    ASSERT_NE(h().alert(), nullptr);
    EXPECT_EQ(alertMessage(), MyNoteViewController::kDeleteQuestion);
    ASSERT_TRUE(h().press("确定"));
    settleRequests();
  }

  std::shared_ptr<AllNoteViewController> screen_;
};

}  // namespace

TEST_F(QuestionNotes, FurtherPagesArePulledInWithoutRepeats) {
  auto& notes = open(1001);
  // Page 1 holds the two replies (threaded under their note) and the eight newest notes.
  EXPECT_EQ(shown(), notesNumbered(1, 8));
  EXPECT_FALSE(panel().isHaveNote()) << "user01 has no note here: the panel offers to add one";
  EXPECT_EQ(notes.nextPage(), 1);

  pull();
  EXPECT_EQ(shown(), notesNumbered(1, 12));
  EXPECT_EQ(notes.nextPage(), 2);
  const auto asked = requests("GetAllNoteByAID");
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0]["decoded_path"].toString(), "/api/1.0/json/exam/GetAllNoteByAID/GKSample/1001/2");
  EXPECT_EQ(notes.loadMoreFooterView()->state(), LoadMoreFooterView::kStateNormal);

  // A page that brings nothing new: empty, only notes already listed, or no answer at all.
  const core::Value pageTwo = serverGet("1.0/json/exam/GetAllNoteByAID/GKSample/1001/2");
  const core::Value faults[] = {
      core::Value(),
      core::Dictionary{{"path", "/api/1.0/json/exam/GetAllNoteByAID/GKSample/1001/3"}, {"body", pageTwo}},
      core::Dictionary{
          {"path", "/api/1.0/json/exam/GetAllNoteByAID/GKSample/1001/3"}, {"drop", true}, {"count", 2}},
  };
  for (const core::Value& f : faults) {
    SCOPED_TRACE(f.describe());
    if (!f.isNil()) fault(f);
    ASSERT_TRUE(server().clearJournal());
    pull();
    EXPECT_EQ(requests("GetAllNoteByAID").front()["decoded_path"].toString(),
              "/api/1.0/json/exam/GetAllNoteByAID/GKSample/1001/3");
    EXPECT_EQ(toast(), AllNoteViewController::kNoMoreToast);
    EXPECT_EQ(shown(), notesNumbered(1, 12));
    EXPECT_EQ(notes.nextPage(), 2) << "the page count advances only with new notes";
    waitOutToast();
  }
}

TEST_F(QuestionNotes, AQuestionWithoutNotesShowsThePlaceholderUntilTheUsersFirstNote) {
  auto& notes = open(1004);
  EXPECT_TRUE(notes.hasPlaceholderRow());
  ASSERT_EQ(notes.viewArr().size(), 2u) << "the panel and the placeholder";
  EXPECT_NE(h().find<ui::ImageView>([](const ui::ImageView& v) {
    return v.image() && v.image()->name() == NoteLayout::kPlaceholderImage;
  }),
            nullptr);
  EXPECT_FALSE(panel().addNoteView()->isHidden());
  EXPECT_TRUE(panel().contentView()->isHidden());

  tapInPanel(panelButton(MyNoteViewController::kAddTitle));
  EXPECT_EQ(toast(), MyNoteViewController::kEmptyToast);
  EXPECT_TRUE(requests("SetUserNoteByID").empty());
  waitOutToast();

  ASSERT_TRUE(h().type(*panel().noteTextView(), "海洋面积要记住"));
  tapInPanel(panelButton(MyNoteViewController::kAddTitle));
  settleRequests();
  const auto added = requests("SetUserNoteByID");
  ASSERT_EQ(added.size(), 1u);
  EXPECT_EQ(added[0]["decoded_path"].toString(), "/api/1.0/json/exam/SetUserNoteByID/GKSample/1004");
  EXPECT_EQ(JSONValue(added[0]["body"].toString()), JSONValue(R"([{"Key":0,"Value":"海洋面积要记住"}])"));
  EXPECT_EQ(requests("GetMyNote/GKSample/1004").size(), 1u) << "the panel fetches the user's note";
  EXPECT_EQ(requests("GetAllNoteByAID/GKSample/1004/1").size(), 1u) << "and the list reloads page 1";

  EXPECT_TRUE(panel().isHaveNote());
  EXPECT_EQ(panel().noteLabel()->text(), "海洋面积要记住");
  EXPECT_FALSE(notes.hasPlaceholderRow());
  EXPECT_EQ(shown(), std::vector<std::string>{"海洋面积要记住"});
  EXPECT_EQ(notes.noteArray().front()->userName, "我");
}

TEST_F(QuestionNotes, DeletingTheUsersOnlyNoteLeavesTheAddStateAndThePlaceholder) {
  auto& notes = open(1003);
  ASSERT_TRUE(panel().isHaveNote());
  EXPECT_EQ(panel().noteLabel()->text(), "这道题要记住。");
  ASSERT_EQ(shown(), std::vector<std::string>{"这道题要记住。"});
  const std::int32_t id = notes.noteArray().front()->NID;

  tapInPanel(*panel().showOptionButton());
  ASSERT_FALSE(panel().optionsView()->isHidden());
  tapInPanel(panelButton(MyNoteViewController::kDeleteTitle));
  ASSERT_TRUE(h().press("取消"));
  h().settle();
  EXPECT_TRUE(requests("DeleteUserNote").empty()) << "cancelled: nothing sent";

  ASSERT_FALSE(panel().optionsView()->isHidden()) << "the options stay open after a cancel";
  tapInPanel(panelButton(MyNoteViewController::kDeleteTitle));
  confirm();
  const auto deleted = requests("DeleteUserNote");
  ASSERT_EQ(deleted.size(), 1u);
  EXPECT_EQ(deleted[0]["decoded_path"].toString(),
            "/api/1.0/json/exam/DeleteUserNote/" + std::to_string(id) + "/GKSample");
  EXPECT_EQ(toast(), MyNoteViewController::kDeletedToast);
  EXPECT_FALSE(panel().isHaveNote());
  EXPECT_FALSE(panel().addNoteView()->isHidden());
  EXPECT_TRUE(notes.hasPlaceholderRow()) << "the deleted note is not listed any more";
  EXPECT_TRUE(notes.noteArray().empty());
}

TEST_F(QuestionNotes, ThePanelsEditShowsInThePanelAndTheList) {
  open(1003);
  tapInPanel(*panel().showOptionButton());
  tapInPanel(panelButton(MyNoteViewController::kEditTitle));
  auto sheet = panel().updateNoteVC();
  ASSERT_TRUE(sheet && sheet->isOpen());
  EXPECT_EQ(sheet->noteTextView()->text(), "这道题要记住。");
  ui::TextView& text = *sheet->noteTextView();
  h().backspace(text, static_cast<int>(ui::utf8Characters(text.text()).size()));
  h().type(text, "重点：第三章");
  ASSERT_TRUE(h().tap(*h().button(UpdateNoteViewController::kSaveTitle)));
  settleRequests();

  EXPECT_FALSE(sheet->isOpen());
  EXPECT_EQ(toast(), MyNoteViewController::kEditedToast);
  EXPECT_EQ(panel().noteLabel()->text(), "重点：第三章");
  EXPECT_EQ(shown(), std::vector<std::string>{"重点：第三章"}) << "the list reloaded the note's page";
}

TEST_F(QuestionNotes, ReloadsReplaceTheirPageInPlaceAndNeverListANoteTwice) {
  const int mine = addNoteOnServer(1001, "我的太平洋笔记");
  ASSERT_GT(mine, 0);
  auto& notes = open(1001);
  pull();
  std::vector<std::string> all = {"我的太平洋笔记"};
  for (const auto& t : notesNumbered(1, 12)) all.push_back(t);
  ASSERT_EQ(shown(), all);

  // Editing the user's note reloads page 1: its places take the page's notes again, page 2 stays.
  tapInPanel(*panel().showOptionButton());
  tapInPanel(panelButton(MyNoteViewController::kEditTitle));
  ui::TextView& text = *panel().updateNoteVC()->noteTextView();
  h().type(text, "（已复习）");
  ASSERT_TRUE(h().tap(*h().button(UpdateNoteViewController::kSaveTitle)));
  settleRequests();
  all[0] = "我的太平洋笔记（已复习）";
  EXPECT_EQ(shown(), all);
  EXPECT_EQ(shownIds().size(), 13u);
  EXPECT_EQ(requests("SetUserNoteByID").front()["decoded_path"].toString(),
            "/api/1.0/json/exam/SetUserNoteByID/GKSample/1001");
  waitOutToast();

  // Deleting it: it leaves at once, and the reloaded page 1 now reaches into what page 2 showed.
  tapInPanel(*panel().showOptionButton());
  tapInPanel(panelButton(MyNoteViewController::kDeleteTitle));
  confirm();
  EXPECT_EQ(shownIds().count(mine), 0u);
  EXPECT_EQ(shownIds().size(), 12u) << "no note twice";
  std::vector<std::string> texts = shown();
  std::sort(texts.begin(), texts.end());
  std::vector<std::string> expected = notesNumbered(1, 12);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(texts, expected);
  EXPECT_EQ(notes.nextPage(), 2);
}

TEST_F(QuestionNotes, RefusedChangesToTheUsersNoteAreToldAndChangeNothing) {
  const auto refusal = [](const char* path, const core::Value& body) {
    return core::Dictionary{
        {"path", std::string("/api/1.0/json/exam/") + path},
        {"body", core::Dictionary{{"Body", body}, {"Message", "失败"}, {"LoginState", 1}}}};
  };
  struct Case {
    const char* name;
    int aid;
    core::Value fault;
    bool remove;  // delete the user's note, else add one
    const char* toast;
  };
  const Case cases[] = {
      {"add refused", 1004, refusal("SetUserNoteByID/*", 0), false, MyNoteViewController::kAddFailedToast},
      // The note is saved, but the panel cannot fetch it back: it says so and keeps its add state.
      {"added, not fetched back", 1004, refusal("GetMyNote/*", core::Value::null()), false,
       MyNoteViewController::kNotRefreshedToast},
      {"delete refused", 1003, refusal("DeleteUserNote/*", false), true,
       MyNoteViewController::kDeleteFailedToast},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto& notes = open(c.aid);
    const std::vector<std::string> before = shown();
    const bool hadNote = panel().isHaveNote();
    const bool hadPlaceholder = notes.hasPlaceholderRow();
    fault(c.fault);
    if (c.remove) {
      tapInPanel(*panel().showOptionButton());
      tapInPanel(panelButton(MyNoteViewController::kDeleteTitle));
      confirm();
    } else {
      ASSERT_TRUE(h().type(*panel().noteTextView(), "要记住"));
      tapInPanel(panelButton(MyNoteViewController::kAddTitle));
      settleRequests();
      EXPECT_EQ(panel().noteTextView()->text(), "要记住") << "the typed note stays";
    }
    EXPECT_EQ(toast(), c.toast);
    EXPECT_EQ(panel().isHaveNote(), hadNote);
    EXPECT_EQ(shown(), before);
    EXPECT_EQ(notes.hasPlaceholderRow(), hadPlaceholder);
    EXPECT_TRUE(requests("GetAllNoteByAID").empty()) << "no reload after a refusal";
    waitOutToast();
    navigation().popViewController(false);
    h().settle();
    ASSERT_TRUE(server().reset());
    logIn("user01", "secret1");
  }
}

// A page as long as a page may be: only the rows that show are built, a row measured before it is
// built is as tall as once built, and the last row shows its note when scrolled to.
TEST_F(QuestionNotes, ALongListBuildsOnlyTheRowsItShows) {
  std::string longer;
  for (int i = 0; i < 30; ++i) longer += "很长的笔记";
  std::string body = "[";
  for (std::size_t i = 0; i < MyNote::kMaxNotesPerPage; ++i) {
    const std::string text = i % 3 == 0 ? "短" : i % 3 == 1 ? std::string(40, 'x') : longer;
    body += std::string(i ? "," : "") + R"({"ID":)" + std::to_string(9000 + i) +
            R"(,"UID":5,"UserName":"别人","UserNoteContent":")" + text + std::to_string(i) +
            R"(","NoteTime":"2020-01-01 10:00:00","AllTestID":1001})";
  }
  app().userSession().set("ALLTESTID", "1001");
  screen_ = make<AllNoteViewController>("allNote");
  ASSERT_TRUE(screen_);
  screen_->setJson(JSONValue(body + "]"));
  push(screen_);
  ASSERT_EQ(screen_->noteArray().size(), MyNote::kMaxNotesPerPage);
  EXPECT_LT(screen_->builtRows(), 20u);

  ui::TableView& table = *screen_->myTabelView();
  const int last = static_cast<int>(MyNote::kMaxNotesPerPage);
  for (int row : {1, 2, 3, 500, last}) {
    SCOPED_TRACE(row);
    const double measured = screen_->heightForRowAtIndexPath(table, {0, row});
    table.scrollToRowAtIndexPath({0, row}, ui::TableViewScrollPosition::Bottom, false);
    h().settle();
    ui::TableViewCell* cell = table.cellForRowAtIndexPath({0, row});
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(screen_->heightForRowAtIndexPath(table, {0, row}), measured);
    const std::size_t i = static_cast<std::size_t>(row) - 1;
    EXPECT_EQ(firstLabelText(cell->contentView()),
              (i % 3 == 0 ? "短" : i % 3 == 1 ? std::string(40, 'x') : longer) + std::to_string(i));
  }
  EXPECT_LT(screen_->builtRows(), 80u);
}

TEST(NoteTimes, RelativeWhenRecentElseMonthAndDay) {
  ui::test::Harness harness;
  AppServices services;
  services.clock = [] { return *VDHelper::dateFromString("2024-05-21 12:00:00"); };
  harness.app().setDelegate(std::make_shared<AppDelegate>(std::move(services)));
  struct Case {
    const char* time;
    const char* row;
  };
  const Case cases[] = {
      {"2024-05-21 11:59:30", "刚刚"},    {"2024-05-21 09:00:00", "3小时前"},
      {"2024/05/18 12:00:00", "3天前"},   // slashes read as dashes
      {"2024-05-01 08:00:00", "5月1日"},  // more than ten days back
      {"2024/04/30 08:00:00", "4月30日"}, {"不是时间", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.time);
    EXPECT_EQ(NoteLayout::rowTimeText(c.time), c.row);
  }
  harness.app().setDelegate(nullptr);
}

TEST_F(QuestionNotes, APageThatArrivesAfterTheScreenHasGoneIsDropped) {
  fault(core::Dictionary{{"path", "/api/1.0/json/exam/GetAllNoteByAID/GKSample/1001/2"}, {"delay", 0.5}});
  open(1001);
  pullPastTheEnd(h(), *screen_->myTabelView());
  ASSERT_FALSE(screen_->isLoadEnd()) << "the page is on its way";

  std::weak_ptr<AllNoteViewController> gone = screen_;
  navigation().popViewController(false);
  screen_.reset();
  h().settle();
  EXPECT_TRUE(gone.expired());

  rl::DispatchQueue::global().waitIdle();  // the worker gets its answer ...
  rl::RunLoop::main().runUntilIdle();      // ... and its reply finds no screen
  EXPECT_EQ(requests("GetAllNoteByAID/GKSample/1001/2").size(), 1u);
}
