#include <climits>
#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

#include "model/Note.h"
#include "model/Reply.h"

TEST(Note, NewRecordsAreEmpty) {
  Note note;
  EXPECT_EQ(note.replyArray, nullptr) << "no reply list until the note is filled";
  EXPECT_EQ(note.NID, 0);
  EXPECT_EQ(note.AID, 0);
  EXPECT_TRUE(note.noteStr.empty());
  Reply reply;
  EXPECT_EQ(reply.RID, 0);
  EXPECT_TRUE(reply.replyName.empty());
}

TEST(Note, FromServerEntry) {
  core::Value entry = core::Dictionary{{"ID", 501},
                                       {"UID", "42"},
                                       {"UserName", "李四"},
                                       {"UserNoteContent", "这道题要注意单位换算"},
                                       {"NoteTime", "2014/03/02 10:11:12"},
                                       {"AllTestID", "12345"},
                                       {"Caption", "第一章 总论"}};
  auto note = Note::fromServerEntry(entry, 3);
  EXPECT_EQ(note->NID, 501);
  EXPECT_EQ(note->userID, 42);
  EXPECT_EQ(note->userName, "李四");
  EXPECT_EQ(note->noteStr, "这道题要注意单位换算");
  EXPECT_EQ(note->noteTime, "2014/03/02 10:11:12");
  EXPECT_EQ(note->AID, 12345);
  EXPECT_EQ(note->caption, "第一章 总论");
  EXPECT_EQ(note->indexPage, 3);
  ASSERT_NE(note->replyArray, nullptr);
  EXPECT_TRUE(note->replyArray->empty());

  auto bare = Note::fromServerEntry(core::Dictionary{{"UserNoteContent", core::Value::null()}}, 1);
  EXPECT_EQ(bare->NID, 0);
  EXPECT_EQ(bare->noteStr, "");
}

// Ids past an int32 stop at its ends: a server id of 2^32 + 5 never becomes note 5 (whose deletion
// would then remove another note).
TEST(Note, IdsPastTheRangeStopAtItsEnds) {
  struct Case {
    core::Value id;
    std::int32_t kept;
  };
  const Case cases[] = {
      {core::Value(std::int64_t{4294967301}), INT32_MAX},
      {core::Value(std::numeric_limits<std::int64_t>::max()), INT32_MAX},
      {core::Value(std::numeric_limits<std::int64_t>::min()), INT32_MIN},
      {core::Value("99999999999999999999999"), INT32_MAX},
      {core::Value(-1), -1},
      {core::Value(0), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id.describe());
    auto note = Note::fromServerEntry(core::Dictionary{{"ID", c.id}, {"UID", c.id}, {"AllTestID", c.id}}, 1);
    EXPECT_EQ(note->NID, c.kept);
    EXPECT_EQ(note->userID, c.kept);
    EXPECT_EQ(note->AID, c.kept);
    auto reply = Reply::fromServerEntry(core::Dictionary{{"ID", c.id}, {"UID", c.id}}, 1);
    EXPECT_EQ(reply->RID, c.kept);
    EXPECT_EQ(reply->userID, c.kept);
  }
}

TEST(Reply, FromServerEntryParsesTheReplyContent) {
  struct Case {
    const char* content;
    int replyID;
    const char* replyStr;
  };
  const Case cases[] = {
      {"ReplyID:501|同意你的看法", 501, "同意你的看法"},
      {"ReplyID:77|a|b", 77, "a|b"},  // only the first "|" separates
      {"ReplyID:88", 88, ""},         // no text
      {"ReplyID:|空", 0, "空"},
      {"ReplyID:", 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.content);
    core::Value entry = core::Dictionary{
        {"ID", "900"}, {"UID", 7}, {"UserName", "王五"}, {"UserNoteContent", c.content}, {"NoteTime", "t"}};
    auto reply = Reply::fromServerEntry(entry, 2);
    EXPECT_EQ(reply->replyID, c.replyID);
    EXPECT_EQ(reply->belongID, c.replyID);
    EXPECT_EQ(reply->replyStr, c.replyStr);
    EXPECT_EQ(reply->RID, 900);
    EXPECT_EQ(reply->userID, 7);
    EXPECT_EQ(reply->userName, "王五");
    EXPECT_EQ(reply->replyTime, "t");
    EXPECT_EQ(reply->indexPage, 2);
  }
  // The first eight characters are skipped whatever they are, counted as characters, not bytes.
  auto shifted = Reply::fromServerEntry(core::Dictionary{{"UserNoteContent", "回复编号::::12|好"}}, 1);
  EXPECT_EQ(shifted->replyID, 12);
  EXPECT_EQ(shifted->replyStr, "好");
}
