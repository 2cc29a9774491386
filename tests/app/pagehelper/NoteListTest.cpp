// Shaping a page of server notes: notes and replies split, replies threaded under their notes, the
// user's own entries named "我", notes on questions outside the local bank dropped, and reply chains
// that lead back to themselves ending.

#include <gmock/gmock.h>

#include <filesystem>
#include <set>

#include "app/VDHelper.h"
#include "dao/BankLocation.h"
#include "platform/core/Text.h"
#include "tests/app/pagehelper/PageHelperSupport.h"
#include "tests/support/ScopedOverride.h"
#include "tests/support/TempDir.h"

using namespace pagehelper_test;
using ::testing::ElementsAre;

namespace {

core::Value entry(std::int64_t id, std::int64_t uid, const char* userName, const char* content,
                  std::int64_t allTestID = 0, const char* time = "2013-07-10 12:30:00") {
  core::Dictionary d{{"ID", id},
                     {"UID", uid},
                     {"UserName", userName},
                     {"UserNoteContent", content},
                     {"NoteTime", time},
                     {"AllTestID", allTestID},
                     {"Caption", "题干摘录"}};
  return d;
}

// One page as the server sends it, newest first. The logged-in user is "小明" with ID 42.
//   N1 501 on question 1001 by 考生A, answered directly by R1 602 and R4 605; R2 603 answers R1
//      (its author has UID 0), R3 604 answers R2 (letter case of the mark differs).
//   N2 502 on 1002 by UID 42 (the user, under another name), answered by R5 606 (no "|").
//   N3 503 on 1003 by the user's nickname; N4 504 on 9999, a question the bank does not hold.
core::Value fixturePage() {
  return core::Array{
      entry(606, 11, "考生D", "ReplyID:502"),
      entry(605, 7, "考生A", "ReplyID:501|补充", 0, "2013-07-10 12:35:00"),
      entry(604, 9, "考生C", "replyid:603|还有"),
      entry(504, 11, "考生D", "没有题目的笔记", 9999),
      entry(503, 10, "小明", "昵称的笔记", 1003),
      entry(603, 0, "游客甲", "ReplyID:602|谢谢"),
      entry(602, 8, "考生B", "ReplyID:501|同意", 0, "2013-07-10 12:31:00"),
      entry(502, 42, "别名", "我的笔记", 1002),
      entry(501, 7, "考生A", "第一条笔记", 1001, "2013-07-10 12:00:00"),
  };
}

class NoteList : public SessionFixture {
 protected:
  void SetUp() override {
    SessionFixture::SetUp();
    AppServices services;
    services.questionInLocalBank = [this](std::int32_t aid) {
      checked_.push_back(aid);
      return bank_.count(aid) > 0;
    };
    useServices(std::move(services));
  }

  std::set<std::int32_t> bank_{1001, 1002, 1003};
  std::vector<std::int32_t> checked_;
};

bool isReply(const core::Value& e) {
  return core::toLower(e["UserNoteContent"].toString()).find("replyid:") != std::string::npos;
}

core::Array repliesOf(const core::Array& page) {
  core::Array replies;
  for (const auto& e : page)
    if (isReply(e)) replies.push_back(e);
  return replies;
}

std::vector<std::int32_t> rids(const Note& note) {
  std::vector<std::int32_t> out;
  for (const auto& r : *note.replyArray) out.push_back(r->RID);
  return out;
}

}  // namespace

TEST_F(NoteList, PageShapedIntoNotesWithThreadedReplies) {
  logIn("小明", 42);
  const VDHelper::NoteArray notes = VDHelper::getNoteArr(fixturePage(), 3);

  // Notes in page order; N4's question is not in the bank.
  ASSERT_EQ(notes.size(), 3u);
  EXPECT_THAT(checked_, ElementsAre(9999, 1003, 1002, 1001));  // one look-up per note
  const Note& n3 = *notes[0];
  const Note& n2 = *notes[1];
  const Note& n1 = *notes[2];
  EXPECT_EQ(n3.NID, 503);
  EXPECT_EQ(n2.NID, 502);
  EXPECT_EQ(n1.NID, 501);

  // The note's own fields.
  EXPECT_EQ(n1.userID, 7);
  EXPECT_EQ(n1.userName, "考生A");
  EXPECT_EQ(n1.noteStr, "第一条笔记");
  EXPECT_EQ(n1.noteTime, "2013-07-10 12:00:00");
  EXPECT_EQ(n1.AID, 1001);
  EXPECT_EQ(n1.caption, "题干摘录");
  EXPECT_EQ(n1.indexPage, 3);

  // "我": by the user's ID (N2) and by the nickname (N3).
  EXPECT_EQ(n2.userName, "我");
  EXPECT_EQ(n3.userName, "我");

  // Under N1, going from the last reply of the page to the first: R1 (direct), then the answers to
  // answers of the thread in page order (R3, R2), then R4 (direct). Direct replies lose their reply name.
  EXPECT_THAT(rids(n1), ElementsAre(602, 604, 603, 605));
  const Reply& r1 = *(*n1.replyArray)[0];
  const Reply& r3 = *(*n1.replyArray)[1];
  const Reply& r2 = *(*n1.replyArray)[2];
  const Reply& r4 = *(*n1.replyArray)[3];
  EXPECT_EQ(r1.replyID, 501);
  EXPECT_EQ(r1.belongID, 501);
  EXPECT_EQ(r1.replyName, "");
  EXPECT_EQ(r1.userName, "考生B");
  EXPECT_EQ(r1.userID, 8);
  EXPECT_EQ(r1.replyStr, "同意");
  EXPECT_EQ(r1.replyTime, "2013-07-10 12:31:00");
  EXPECT_EQ(r1.indexPage, 3);

  EXPECT_EQ(r3.replyID, 603);
  EXPECT_EQ(r3.belongID, 501);    // 603 -> 602 -> 501
  EXPECT_EQ(r3.replyName, "我");  // R2's author has UID 0
  EXPECT_EQ(r3.replyStr, "还有");
  EXPECT_EQ(r3.userName, "考生C");

  EXPECT_EQ(r2.replyID, 602);
  EXPECT_EQ(r2.belongID, 501);
  EXPECT_EQ(r2.userName, "我");
  EXPECT_EQ(r2.replyName, "考生B");

  EXPECT_EQ(r4.replyName, "");
  EXPECT_EQ(r4.replyStr, "补充");

  // A content without "|": an empty text, the whole remainder is the answered id.
  ASSERT_EQ(n2.replyArray->size(), 1u);
  const Reply& r5 = *(*n2.replyArray)[0];
  EXPECT_EQ(r5.RID, 606);
  EXPECT_EQ(r5.replyID, 502);
  EXPECT_EQ(r5.replyStr, "");
  EXPECT_EQ(r5.replyName, "");

  EXPECT_TRUE(n3.replyArray->empty());
}

TEST_F(NoteList, NamesOfOthersAndOfTheUserWhenLoggedOut) {
  // The reply list on its own: names answered come from the whole page; the reply rule knows only
  // UID 0 and the nickname, not the user's ID.
  logIn("小明", 42);
  const core::Array page = fixturePage().array();
  const core::Array replies = repliesOf(page);
  ASSERT_EQ(replies.size(), 5u);
  const ReplyArray shaped = VDHelper::setReplyArr(replies, page, 1);
  ASSERT_EQ(shaped.size(), 5u);
  EXPECT_EQ(shaped[0]->RID, 606);
  EXPECT_EQ(shaped[0]->replyName, "别名");  // N2 is the user's by ID only
  EXPECT_EQ(shaped[1]->replyName, "考生A");
  EXPECT_EQ(shaped[2]->replyName, "我");

  // Logged out: only UID 0 is "我".
  logOut();
  const VDHelper::NoteArray notes = VDHelper::getNoteArr(fixturePage(), 1);
  ASSERT_EQ(notes.size(), 3u);
  EXPECT_EQ(notes[0]->userName, "小明");
  EXPECT_EQ(notes[1]->userName, "别名");
  EXPECT_EQ((*notes[2]->replyArray)[2]->userName, "我");  // R2, UID 0
}

TEST_F(NoteList, BadInputGivesNoNotes) {
  EXPECT_TRUE(VDHelper::getNoteArr(core::Value(), 1).empty());
  EXPECT_TRUE(VDHelper::getNoteArr(core::Value::null(), 1).empty());
  EXPECT_TRUE(VDHelper::getNoteArr(core::Dictionary{{"ID", 501}}, 1).empty());
  // Entries that are not dictionaries are passed over; an entry without content is a note.
  core::Array page{core::Value("text"), core::Value(7), core::Dictionary{{"ID", 9}, {"AllTestID", 1001}}};
  const VDHelper::NoteArray notes = VDHelper::getNoteArr(page, 1);
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0]->NID, 9);
  EXPECT_EQ(notes[0]->noteStr, "");
  EXPECT_EQ(notes[0]->userName, "我");  // UID missing reads as 0
}

TEST_F(NoteList, ReplyChainsThatLeadBackEnd) {
  struct Case {
    const char* name;
    core::Array page;
    std::set<std::int32_t> ring;  // the replies that go round
  };
  const Case cases[] = {
      // Two replies that answer each other, the last reply of the page among them.
      {"answer each other",
       core::Array{entry(702, 8, "考生B", "ReplyID:501|你好"), entry(501, 7, "考生A", "笔记", 1001),
                   entry(700, 8, "考生B", "ReplyID:701|a"), entry(701, 9, "考生C", "ReplyID:700|b")},
       {700, 701}},
      // A reply that answers itself, last on the page.
      {"answers itself",
       core::Array{entry(702, 8, "考生B", "ReplyID:501|你好"), entry(501, 7, "考生A", "笔记", 1001),
                   entry(703, 8, "考生B", "ReplyID:703|me")},
       {703}},
      // A ring through three replies, each answering the one before it on the page.
      {"ring of three",
       core::Array{entry(702, 8, "考生B", "ReplyID:501|你好"), entry(501, 7, "考生A", "笔记", 1001),
                   entry(712, 8, "B", "ReplyID:711|x"), entry(711, 8, "B", "ReplyID:710|y"),
                   entry(710, 8, "B", "ReplyID:712|z")},
       {710, 711, 712}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const VDHelper::NoteArray notes = runBounded([&] { return VDHelper::getNoteArr(c.page, 1); });
    ASSERT_EQ(notes.size(), 1u);
    // The direct reply is listed; the ring is no part of the note's thread.
    EXPECT_THAT(rids(*notes[0]), ElementsAre(702));

    const ReplyArray shaped = runBounded([&] { return VDHelper::setReplyArr(repliesOf(c.page), c.page, 1); });
    ASSERT_EQ(shaped.size(), c.ring.size() + 1);
    EXPECT_EQ(shaped[0]->belongID, 501);
    for (std::size_t i = 1; i < shaped.size(); ++i) {
      SCOPED_TRACE(shaped[i]->RID);
      EXPECT_EQ(c.ring.count(shaped[i]->belongID), 1u);  // the search stayed inside the ring
    }
  }
}

// The default check reads the chosen subject's bank: a note on a question of the generated sample
// bank is kept, one on an id the bank does not hold is dropped.
TEST_F(NoteList, DefaultCheckReadsTheLocalBank) {
  useServices(AppServices{});
  const char* sampleDir = std::getenv("VD_SAMPLE_DIR");
  ASSERT_NE(sampleDir, nullptr);
  const std::filesystem::path sample = std::filesystem::path(sampleDir) / "GKSample.db";
  ASSERT_TRUE(std::filesystem::exists(sample)) << sample;

  const testsupport::TempDir temp("vd-pagehelper");
  ASSERT_FALSE(temp.path().empty());
  const std::filesystem::path root = temp.path();
  std::filesystem::create_directories(root / "db");
  std::filesystem::copy_file(sample, root / "db" / "GKSample.db");
  VDHelper::NoteArray notes;
  {
    testsupport::ScopedOverride<BankLocation> bank{
        BankLocation::set,
        BankLocation{[dir = (root / "db").string()] { return dir; }, [] { return std::string("GKSample"); }, {}, {}},
        BankLocation::current()};
    core::Array page{entry(501, 7, "考生A", "在题库里", 1001), entry(502, 7, "考生A", "不在题库里", 99999)};
    notes = VDHelper::getNoteArr(page, 1);
  }

  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0]->AID, 1001);
}
