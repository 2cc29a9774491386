// The chapter and exam builders against the loopback API server: the request each sends, and what its
// block gets for a question set, a null "Body", ids the local bank lacks and no reply at all; the set
// built on a worker, and no call for a builder dropped while it builds.

#include <gmock/gmock.h>

#include "exam/sets/ChapterTestBuilder.h"
#include "exam/sets/ExamTestBuilder.h"
#include "service/ExamService.h"
#include "service/ExerciseService.h"
#include "service/User.h"
#include "tests/exam/sets/ExamTestSupport.h"
#include "tests/support/BuildGate.h"

namespace examtest {
namespace {

// What one block call got.
struct Got {
  bool ok = false;
  core::Value reply;
  std::optional<QuestionsArray> questions;
  bool onMainThread = false;
};

struct Recorder {
  std::vector<Got> calls;
  TestBuilder::TestsBlock tests() {
    return [this](bool ok, const core::Value& reply, const std::optional<QuestionsArray>& questions) {
      calls.push_back({ok, reply, questions, rl::RunLoop::isMainThread()});
    };
  }
  TestBuilder::ReplyBlock replies() {
    return [this](bool ok, const core::Value& reply) {
      calls.push_back({ok, reply, std::nullopt, rl::RunLoop::isMainThread()});
    };
  }
  // Runs the main loop until the call arrived and nothing is left in flight.
  bool await(std::size_t count = 1) {
    const bool arrived = runUntil([&] { return calls.size() >= count; });
    runUntil([] { return HTTPRequest::sharedQueue().operationCount() == 0; });
    rl::RunLoop::main().runUntilIdle();
    return arrived;
  }
};

const char* kChapterPath = "/api/1.0/json/exam/GKSample/Chapter/Test/111";

class Builders : public ServerSuite {
 protected:
  std::shared_ptr<ChapterTestBuilder> chapter(const std::string& id) {
    auto b = std::make_shared<ChapterTestBuilder>();
    b->setSoftname(kSubject);
    b->setChapterid(id);
    return b;
  }

  // Logs user01 in through the account client: the session cookie then rides on later requests.
  void logIn() {
    struct Delegate : UserDelegate {
      int calls = 0;
      bool ok = false;
      void didLogin(bool o, const core::Value&) override {
        ++calls;
        ok = o;
      }
    };
    auto d = std::make_shared<Delegate>();
    auto user = std::make_shared<User>();
    user->delegate = d;
    user->login(
        R"({"UserName":"user01","Pwd":"secret1","AppEName":"","Group":0,"ID":0,"LoginCheckCode":"","LoginCount":0})");
    ASSERT_TRUE(runUntil([&] { return d->calls > 0; }));
    ASSERT_TRUE(d->ok);
  }
};

TEST_F(Builders, AChapterSetIsFetchedAndBuiltFromTheLocalBank) {
  Recorder r;
  auto builder = chapter("111");
  builder->generateTests(r.tests());
  EXPECT_TRUE(r.calls.empty()) << "the block runs when the reply arrives, not before";
  ASSERT_TRUE(r.await());
  ASSERT_EQ(r.calls.size(), 1u);
  const Got& got = r.calls[0];
  EXPECT_TRUE(got.onMainThread);
  EXPECT_TRUE(got.ok);
  EXPECT_EQ(got.reply["Body"]["Name"].toString(), "地理常识");
  ASSERT_TRUE(got.questions);
  // The server's set also names 1021, which arrives only with the bank's update: it is left out.
  EXPECT_EQ(got.questions->size(), 22u);
  EXPECT_EQ(got.questions->front()->AllTestID, "1001");
  EXPECT_EQ(got.questions->front()->Cptid, "111");
  EXPECT_EQ(got.questions->front()->Chapter, "地理常识");
  EXPECT_THAT(idsOf(*got.questions), ::testing::Not(::testing::Contains("1021")));

  const auto sent = requests();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0]["method"].toString(), "GET");
  EXPECT_EQ(sent[0]["path"].toString(), kChapterPath);
}

TEST_F(Builders, AChapterBuilderReportsEveryKindOfReply) {
  struct Case {
    const char* name;
    std::string chapterId;
    std::function<void()> serverSide;
    bool ok;
    bool reply;
    std::optional<std::size_t> questions;
  };
  const std::string p1222 = "/api/1.0/json/exam/GKSample/Chapter/Test/1222";
  const Case cases[] = {
      // An empty chapter: the server's "Body" is null; no questions.
      {"null Body", "1222", [] {}, false, true, std::nullopt},
      // Ids the bank lacks: a set, but no question of it.
      {"ids not in the bank", "111",
       [] {
         answer(kChapterPath,
                R"({"Body":{"ID":111,"Name":"地理常识","Sessions":[{"Type":"ATEST","ATestid":"1999,1998"}]},)"
                R"("Message":"","LoginState":0})");
       },
       true, true, 0},
      {"no reply", "111", [] { drop(kChapterPath); }, false, false, std::nullopt},
      {"a reply that is not JSON", "111", [] { answer(kChapterPath, "<html>busy</html>"); }, false, false,
       std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(server().reset());
    c.serverSide();
    Recorder r;
    auto builder = chapter(c.chapterId);
    builder->generateTests(r.tests());
    ASSERT_TRUE(r.await());
    ASSERT_EQ(r.calls.size(), 1u);
    const Got& got = r.calls[0];
    EXPECT_EQ(got.ok, c.ok);
    EXPECT_EQ(got.reply.isNil(), !c.reply);
    ASSERT_EQ(got.questions.has_value(), c.questions.has_value());
    if (got.questions) {
      EXPECT_EQ(got.questions->size(), *c.questions);
    }
  }
  // The chapter reply alone: the same request, nothing built.
  ASSERT_TRUE(server().reset());
  Recorder r;
  auto builder = chapter("111");
  builder->chapterTests(r.replies());
  ASSERT_TRUE(r.await());
  ASSERT_EQ(r.calls.size(), 1u);
  EXPECT_TRUE(r.calls[0].ok);
  EXPECT_EQ(r.calls[0].reply["Body"]["ID"].toInt(), 111);
  builder->setChapterid("1222");
  builder->chapterTests(r.replies());
  ASSERT_TRUE(r.await(2));
  EXPECT_FALSE(r.calls[1].ok);
  EXPECT_EQ(r.calls[1].reply["Message"].toString(), "该章节暂无试题");
  drop(kChapterPath);
  builder->setChapterid("111");
  builder->chapterTests(r.replies());
  ASSERT_TRUE(r.await(3));
  EXPECT_FALSE(r.calls[2].ok);
  EXPECT_TRUE(r.calls[2].reply.isNil());
  std::vector<std::string> paths;
  for (const auto& e : requests()) paths.push_back(e["decoded_path"].toString());
  EXPECT_THAT(paths, ::testing::Contains(p1222));
}

TEST_F(Builders, EachRequestHasItsOwnServiceAndABuilderDroppedMeanwhileGetsNoCall) {
  Recorder r;
  auto builder = chapter("111");
  builder->generateTests(r.tests());
  auto first = builder->exerciseService();
  builder->setChapterid("112");
  builder->generateTests(r.tests());
  EXPECT_NE(builder->exerciseService(), first);
  ASSERT_TRUE(r.await(2));
  ASSERT_EQ(r.calls.size(), 2u);  // one call per request
  std::vector<std::string> names = {r.calls[0].reply["Body"]["Name"].toString(),
                                    r.calls[1].reply["Body"]["Name"].toString()};
  EXPECT_THAT(names, ::testing::UnorderedElementsAre("地理常识", "历史常识"));

  Recorder late;
  auto dropped = chapter("111");
  dropped->generateTests(late.tests());
  dropped.reset();
  ASSERT_TRUE(runUntil([] { return HTTPRequest::sharedQueue().operationCount() == 0; }));
  rl::RunLoop::main().runUntilIdle();
  EXPECT_TRUE(late.calls.empty());
  EXPECT_EQ(requests().size(), 3u) << "the request itself was sent";
}

TEST_F(Builders, AnExamAsksForStylesAndSubjectsAndIsBuiltFromTheLocalBank) {
  scenario(R"({"state":"bank"})");  // the server's questions are the local bank's
  logIn();
  Recorder r;
  auto builder = std::make_shared<ExamTestBuilder>();
  builder->setKeywords(core::Array{core::Dictionary{{"Key", "1"}, {"Value", 3}},
                                   core::Dictionary{{"Key", "6"}, {"Value", 0}}});
  builder->setSbjs(core::Array{11, "12"});
  builder->generateTests(r.tests());
  ASSERT_TRUE(r.await());
  ASSERT_EQ(r.calls.size(), 1u);
  const Got& got = r.calls[0];
  EXPECT_TRUE(got.onMainThread);
  EXPECT_TRUE(got.ok) << got.reply.describe();
  EXPECT_EQ(got.reply["Body"]["Name"].toString(), "模拟考试");
  ASSERT_TRUE(got.questions);
  ASSERT_EQ(got.questions->size(), 3u);
  for (const auto& q : *got.questions) EXPECT_EQ(q->type, "ATEST");

  const auto sent = requests();
  ASSERT_EQ(sent.size(), 2u);  // the login and the exam
  EXPECT_EQ(sent[1]["method"].toString(), "POST");
  EXPECT_EQ(sent[1]["path"].toString(), "/api/1.0/json/exam/VirtualExam");
  EXPECT_EQ(
      sent[1]["body"].toString(),
      R"({"AppEName":"GKSample","KeyWord":[{"Key":"1","Value":3},{"Key":"6","Value":0}],"Sbjs":"11,12"})");
}

TEST_F(Builders, AnExamReportsARefusalAndNoReply) {
  Recorder r;
  auto builder = std::make_shared<ExamTestBuilder>();
  builder->setKeywords(core::Array{core::Dictionary{{"Key", "1"}, {"Value", 3}}});
  // Nobody is logged in: the server refuses with a null "Body" and its message. No subject chosen: an
  // empty "Sbjs".
  builder->generateTests(r.tests());
  auto first = builder->examService();
  ASSERT_TRUE(r.await());
  ASSERT_EQ(r.calls.size(), 1u);
  EXPECT_FALSE(r.calls[0].ok);
  EXPECT_EQ(r.calls[0].reply["Message"].toString(), "请先登录");
  EXPECT_FALSE(r.calls[0].questions);
  ASSERT_EQ(requests().size(), 1u);
  EXPECT_EQ(requests()[0]["body"].toString(),
            R"({"AppEName":"GKSample","KeyWord":[{"Key":"1","Value":3}],"Sbjs":""})");

  drop("/api/1.0/json/exam/VirtualExam");
  builder->generateTests(r.tests());
  EXPECT_NE(builder->examService(), first);
  ASSERT_TRUE(r.await(2));
  ASSERT_EQ(r.calls.size(), 2u);
  EXPECT_FALSE(r.calls[1].ok);
  EXPECT_TRUE(r.calls[1].reply.isNil());
  EXPECT_FALSE(r.calls[1].questions);
}

// The main thread never reads the bank for a set: while a worker builds, the main loop goes on; the
// block gets the set on the main thread, or nothing once its builder has been dropped.
TEST_F(Builders, TheSetIsBuiltOnAWorkerAndABuilderDroppedWhileItBuildsGetsNoCall) {
  scenario(R"({"state":"bank"})");
  logIn();
  struct Case {
    const char* name;
    std::function<std::shared_ptr<TestBuilder>()> make;
    bool drop;
    std::size_t questions;
  };
  auto exam = [] {
    auto b = std::make_shared<ExamTestBuilder>();
    b->setKeywords(core::Array{core::Dictionary{{"Key", "1"}, {"Value", 3}}});
    b->setSbjs(core::Array{11});
    return std::static_pointer_cast<TestBuilder>(b);
  };
  const Case cases[] = {
      {"chapter", [this] { return std::static_pointer_cast<TestBuilder>(chapter("111")); }, false, 22},
      {"chapter dropped", [this] { return std::static_pointer_cast<TestBuilder>(chapter("111")); }, true, 0},
      {"exam", exam, false, 3},
      {"exam dropped", exam, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testsupport::BuildGate gate;
    Recorder r;
    auto builder = c.make();
    builder->generateTests(r.tests());
    ASSERT_TRUE(gate.awaitHeld()) << "the reply came and its set is being built";
    rl::RunLoop::main().runUntilIdle();
    EXPECT_TRUE(r.calls.empty()) << "the block waits for the set";
    if (c.drop) builder.reset();
    gate.openAndFinish();
    EXPECT_EQ(gate.buildsOnMainThread(), 0);
    if (c.drop) {
      EXPECT_TRUE(r.calls.empty());
      continue;
    }
    ASSERT_EQ(r.calls.size(), 1u);
    EXPECT_TRUE(r.calls[0].onMainThread);
    EXPECT_TRUE(r.calls[0].ok);
    ASSERT_TRUE(r.calls[0].questions);
    EXPECT_EQ(r.calls[0].questions->size(), c.questions);
  }
}

}  // namespace
}  // namespace examtest
