// The notes client (MyNote) against the loopback API server: every operation's request and callback,
// the session values its paths carry and what it does without them, the note-integer rule, paged reads
// from another thread, and a note saved and deleted for a real user.
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/runloop/DispatchQueue.h"
#include "service/MyNote.h"
#include "service/User.h"
#include "tests/service/ClientTestSupport.h"

namespace apiclient_test {
namespace {

struct NoteRecorder : MyNoteDelegate, Recorder {
  VD_RECORD(didGetAllNoteByAID)
  VD_RECORD(didGetMyNotes)
  VD_RECORD(didGetMyNote)
  VD_RECORD(didSetUserNoteByID)
  VD_RECORD(didDeleteUserNote)
  VD_RECORD(didFTbyAID)
  VD_RECORD(didSetDataSynchroUserNote)
};

const std::string kNote = R"([{"Key":0,"Value":"记住这一题"}])";
const std::string kNotes =
    R"({"Body":[{"ID":501,"UID":7,"UserName":"考生A","UserNoteContent":"x","AllTestID":1001}]})";

class MyNoteClient : public ClientSuite {
 protected:
  void SetUp() override {
    ClientSuite::SetUp();
    setSession("appInfo", JSONValue(R"({"Name":"常识综合（样例）","EName":"GKSample"})"));
    setSession("ALLTESTID", "1001");
    rec = recorder<NoteRecorder>();
    note = std::make_shared<MyNote>(sessionReader());
    note->delegate = rec;
  }
  std::shared_ptr<NoteRecorder> rec;
  std::shared_ptr<MyNote> note;
};

TEST_F(MyNoteClient, EveryOperationSendsItsRequestAndReportsByItsRule) {
  using C = OpCase<MyNote>;
  const std::vector<C> cases = {
      {"getAllNoteByAID", [](MyNote& n) { n.getAllNoteByAID(1); }, "GET",
       "/api/1.0/json/exam/GetAllNoteByAID/GKSample/1001/1", std::nullopt, "iphone", true, false, kNotes,
       "didGetAllNoteByAID", true},
      {"GetMyNotes page 1 shows the overlay", [](MyNote& n) { n.GetMyNotes(1); }, "GET",
       "/api/1.0/json/exam/GetMyNotes/GKSample/1", std::nullopt, "iphone", true, false, kNotes,
       "didGetMyNotes", true},
      {"GetMyNotes page 2 does not", [](MyNote& n) { n.GetMyNotes(2); }, "GET",
       "/api/1.0/json/exam/GetMyNotes/GKSample/2", std::nullopt, "iphone", false, false, R"({"Body":[]})",
       "didGetMyNotes", false},
      {"getMyNote with no note", [](MyNote& n) { n.getMyNote(); }, "GET",
       "/api/1.0/json/exam/GetMyNote/GKSample/1001", std::nullopt, "iphone", true, false,
       R"({"Body":null,"Message":""})", "didGetMyNote", false},
      {"setUserNoteByID", [](MyNote& n) { n.setUserNoteByID(kNote, 1003); }, "POST",
       "/api/1.0/json/exam/SetUserNoteByID/GKSample/1003", kNote, "iphone", true, false, R"({"Body":1})",
       "didSetUserNoteByID", true},
      {"setUserNoteByID refused with 0", [](MyNote& n) { n.setUserNoteByID(kNote, 1003); }, "POST",
       "/api/1.0/json/exam/SetUserNoteByID/GKSample/1003", kNote, "iphone", true, false, R"({"Body":0})",
       "didSetUserNoteByID", false},
      {"setUserNoteByID with a null Body", [](MyNote& n) { n.setUserNoteByID(kNote, 1003); }, "POST",
       "/api/1.0/json/exam/SetUserNoteByID/GKSample/1003", kNote, "iphone", true, false,
       R"({"Body":null,"Message":"请先登录"})", "didSetUserNoteByID", false},
      {"deleteUserNote puts the note id first", [](MyNote& n) { n.deleteUserNote(501, "GKSample"); }, "GET",
       "/api/1.0/json/exam/DeleteUserNote/501/GKSample", std::nullopt, "iphone", true, false, R"({"Body":1})",
       "didDeleteUserNote", true},
      {"fTbyAID", [](MyNote& n) { n.fTbyAID("1002"); }, "GET", "/api/1.0/json/exam/FTbyAID/GKSample/1002",
       std::nullopt, "iphone", true, false, R"({"Body":{"ID":0,"Name":"x","Sessions":[]}})", "didFTbyAID",
       true},
      {"setDataSynchroUserNote takes the question shown", [](MyNote& n) { n.setDataSynchroUserNote(kNote); },
       "POST", "/api/1.0/json/exam/SetUserNoteByID/GKSample/1001", kNote, "iphone", true, false,
       R"({"Body":"12"})", "didSetDataSynchroUserNote", true},
  };
  runCases(cases, *note, *rec);
}

TEST_F(MyNoteClient, SynchronousReadsReturnTheReply) {
  struct Case {
    const char* name;
    std::function<core::Value(MyNote&)> call;
    std::string rawPath;
  };
  const Case cases[] = {
      {"getAllNoteByAIDSyn", [](MyNote& n) { return n.getAllNoteByAIDSyn(2); },
       "/api/1.0/json/exam/GetAllNoteByAID/GKSample/1001/2"},
      {"getMyNotesSyn", [](MyNote& n) { return n.getMyNotesSyn(1); },
       "/api/1.0/json/exam/GetMyNotes/GKSample/1"},
      {"getDataSynchroUserNoteByAllTestIDSyn",
       [](MyNote& n) { return n.getDataSynchroUserNoteByAllTestIDSyn("1002", "GKSample", 3); },
       "/api/1.0/json/exam/GetAllNoteByAID/GKSample/1002/3"},
      {"getDataSynchroUserNoteSyn",
       [](MyNote& n) { return n.getDataSynchroUserNoteSyn("1002", "GKSample", 1); },
       "/api/1.0/json/exam/GetAllNoteByAID/GKSample/1002/1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(server().reset());
    answer(c.rawPath, kNotes);
    EXPECT_EQ(c.call(*note), JSONValue(kNotes));
    auto sent = requests();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0]["path"].toString(), c.rawPath);
    drop(c.rawPath);
    EXPECT_TRUE(c.call(*note).isNil());
  }
  rl::RunLoop::main().runUntilIdle();
  EXPECT_TRUE(rec->calls.empty());
}

// Without the session's "appInfo" (or its "EName") or "ALLTESTID", a call that needs the missing value
// sends nothing and reports false and null after it returned; a call that does not need it goes.
TEST_F(MyNoteClient, MissingSessionValuesSendNothing) {
  struct Op {
    const char* callback;
    std::function<void(MyNote&)> call;
    bool needsEName;
    bool needsTestId;
  };
  const Op ops[] = {
      {"didGetAllNoteByAID", [](MyNote& n) { n.getAllNoteByAID(1); }, true, true},
      {"didGetMyNotes", [](MyNote& n) { n.GetMyNotes(1); }, true, false},
      {"didGetMyNote", [](MyNote& n) { n.getMyNote(); }, true, true},
      {"didSetUserNoteByID", [](MyNote& n) { n.setUserNoteByID(kNote, 1003); }, true, false},
      {"didDeleteUserNote", [](MyNote& n) { n.deleteUserNote(501, "GKSample"); }, false, false},
      {"didFTbyAID", [](MyNote& n) { n.fTbyAID("1002"); }, true, false},
      {"didSetDataSynchroUserNote", [](MyNote& n) { n.setDataSynchroUserNote(kNote); }, true, true},
  };
  struct SessionCase {
    const char* name;
    core::Value appInfo;
    core::Value testId;
    bool hasEName;
    bool hasTestId;
  };
  const SessionCase sessions[] = {
      {"empty session", core::Value(), core::Value(), false, false},
      {"appInfo without EName", JSONValue(R"({"Name":"x","EName":null})"), "1001", false, true},
      {"no question shown", JSONValue(R"({"EName":"GKSample"})"), core::Value(), true, false},
      {"empty question id", JSONValue(R"({"EName":"GKSample"})"), "", true, false},
  };
  for (const SessionCase& s : sessions) {
    setSession("appInfo", s.appInfo);
    setSession("ALLTESTID", s.testId);
    for (const Op& op : ops) {
      SCOPED_TRACE(std::string(s.name) + " / " + op.callback);
      ASSERT_TRUE(server().reset());
      answer("/api/1.0/json/exam*", R"({"Body":1})", 5);
      rec->calls.clear();
      const bool refused = (op.needsEName && !s.hasEName) || (op.needsTestId && !s.hasTestId);
      op.call(*note);
      EXPECT_TRUE(rec->calls.empty()) << "reported during the call";
      ASSERT_TRUE(awaitCalls(*rec, 1));
      EXPECT_EQ(rec->calls[0].name, op.callback);
      EXPECT_TRUE(rec->calls[0].onMainThread);
      EXPECT_EQ(requests().size(), refused ? 0u : 1u);
      if (refused) {
        EXPECT_FALSE(rec->calls[0].ok);
        EXPECT_TRUE(rec->calls[0].json.isNil());
      }
      for (const core::Value& entry : requests())
        EXPECT_EQ(entry["path"].toString().find("(null)"), std::string::npos);
    }
  }
  setSession("appInfo", core::Value());
  EXPECT_TRUE(note->getAllNoteByAIDSyn(1).isNil());
  EXPECT_TRUE(note->getMyNotesSyn(1).isNil());
  EXPECT_TRUE(requests().empty());
  // A client made without a session reader sees an empty session, however full the application's is.
  setSession("appInfo", JSONValue(R"({"EName":"GKSample"})"));
  setSession("ALLTESTID", "1001");
  auto bare = std::make_shared<MyNote>();
  EXPECT_TRUE(bare->getAllNoteByAIDSyn(1).isNil());
  EXPECT_TRUE(bare->getMyNotesSyn(1).isNil());
  EXPECT_TRUE(requests().empty());
}

// The note screens load further pages on threads of their own; the callback still comes on the main
// thread.
TEST_F(MyNoteClient, PagesRequestedFromAnotherThreadReportOnTheMainThread) {
  answer("/api/1.0/json/exam/GetAllNoteByAID/GKSample/1001/2", kNotes);
  answer("/api/1.0/json/exam/GetMyNotes/GKSample/3", kNotes);
  auto client = note;
  std::thread pager([client] {
    client->getAllNoteByAID(2);
    client->GetMyNotes(3);
  });
  ASSERT_TRUE(awaitCalls(*rec, 2));
  pager.join();
  for (const Call& c : rec->calls) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(c.onMainThread);
    EXPECT_TRUE(c.ok);
  }
  EXPECT_EQ(requests().size(), 2u);
}

// For a real user: a new note comes back as its id (non-zero: success), and deleting it answers 1.
TEST_F(MyNoteClient, ARealUserSavesAndDeletesANote) {
  struct LoginRecorder : UserDelegate, Recorder {
    VD_RECORD(didLogin)
  };
  auto loginRec = recorder<LoginRecorder>();
  auto user = std::make_shared<User>();
  user->delegate = loginRec;
  user->login(
      R"({"UserName":"user01","Pwd":"secret1","AppEName":"","Group":0,"ID":0,"LoginCheckCode":"","LoginCount":0})");
  ASSERT_TRUE(awaitCalls(*loginRec, 1));
  ASSERT_TRUE(loginRec->calls[0].ok);
  shell_->loggedIn = true;

  note->setUserNoteByID(R"([{"Key":0,"Value":"地理常识要多看"}])", 1002);
  ASSERT_TRUE(awaitCalls(*rec, 1));
  ASSERT_TRUE(rec->calls[0].ok) << rec->calls[0].json.describe();
  const std::int64_t id = rec->calls[0].json["Body"].toInt();
  EXPECT_GT(id, 0);

  note->deleteUserNote(static_cast<int>(id), "GKSample");
  ASSERT_TRUE(awaitCalls(*rec, 2));
  EXPECT_EQ(rec->calls[1].name, "didDeleteUserNote");
  EXPECT_TRUE(rec->calls[1].ok) << rec->calls[1].json.describe();

  note->deleteUserNote(static_cast<int>(id), "GKSample");
  ASSERT_TRUE(awaitCalls(*rec, 3));
  EXPECT_FALSE(rec->calls[2].ok) << "already gone: " << rec->calls[2].json.describe();
}

}  // namespace
}  // namespace apiclient_test
