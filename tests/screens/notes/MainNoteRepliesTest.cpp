// Further pages of the user's notes of the wrong shape: the list says there is no more, keeps what it
// shows and still pulls in a good page.

#include "NotesTestSupport.h"
#include "screens/notes/MainNoteViewController.h"
#include "tests/support/HostileReplies.h"

using namespace notes_test;

namespace {

using MyNotesReplies = NotesFixture;

TEST_F(MyNotesReplies, FurtherPagesOfTheWrongShapeSayThereIsNoMore) {
  for (int i = 1; i <= 10; ++i) ASSERT_GT(addNoteOnServer(1000 + i, "笔记" + std::to_string(i)), 0);
  auto notes = make<MainNoteViewController>("mainNote");
  ASSERT_TRUE(notes);
  notes->setJson(serverGet("1.0/json/exam/GetMyNotes/GKSample/1")["Body"]);
  push(notes);
  waitForFirstPage(*this, *notes);
  ASSERT_EQ(notes->noteArray()->size(), 10u);

  std::vector<testsupport::HostileReply> replies = testsupport::hostileReplies();
  std::string longPage = "[";
  for (std::size_t i = 0; i <= MyNote::kMaxNotesPerPage; ++i)
    longPage += std::string(i ? "," : "") + R"({"ID":)" + std::to_string(5000 + i) +
                R"(,"UID":1,"UserNoteContent":"多","NoteTime":"2020-01-01 10:00:00","AllTestID":1001})";
  replies.push_back(
      {"a page past the limit", core::Dictionary{{"body", testsupport::replyWithBody(longPage + "]")}}});
  for (const testsupport::HostileReply& r : replies) {
    SCOPED_TRACE(r.name);
    fault(testsupport::withPath(r.fault, "/api/1.0/json/exam/GetMyNotes/GKSample/2"));
    pullPastTheEnd(h(), *notes->myTableView());
    ASSERT_TRUE(runUntil([&] { return notes->isLoadEnd(); }));
    h().settle();
    EXPECT_EQ(toast(), MainNoteViewController::kNoMoreToast);
    EXPECT_EQ(notes->noteArray()->size(), 10u);
    EXPECT_EQ(notes->nextPage(), 1);
    waitOutToast();
  }
  pullPastTheEnd(h(), *notes->myTableView());
  ASSERT_TRUE(runUntil([&] { return notes->isLoadEnd(); }));
  h().settle();
  EXPECT_EQ(notes->noteArray()->size(), 11u);
  EXPECT_EQ(notes->nextPage(), 2);
}

}  // namespace
