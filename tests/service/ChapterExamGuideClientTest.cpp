// The chapter and exam-guide clients (Chapter, ExamGuide): the local reads of the chosen subject's bank
// on a worker queue with their callbacks on the main thread, their rules (an empty chapter tree fails,
// an empty guide index does not), a missing bank, and the unused server operations' requests, the
// article title escaped once.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "librarys/sqldb/SQLDatabase.h"
#include "service/Chapter.h"
#include "service/ExamGuide.h"
#include "tests/service/ClientTestSupport.h"

namespace apiclient_test {
namespace {

struct ChapterRecorder : ChapterDelegate, Recorder {
  VD_RECORD(didGetNavigation)
};
struct GuideRecorder : ExamGuideDelegate, Recorder {
  VD_RECORD(didGetExamGuide)
  VD_RECORD(didGetExamGuideContent)
};

class ChapterExamGuideClient : public ClientSuite {
 protected:
  void SetUp() override {
    ClientSuite::SetUp();
    chapterRec = recorder<ChapterRecorder>();
    chapter = std::make_shared<Chapter>();
    chapter->delegate = chapterRec;
    guideRec = recorder<GuideRecorder>();
    guide = std::make_shared<ExamGuide>();
    guide->delegate = guideRec;
  }

  // Replaces the Content of the bank's OtherContent row with `keyWord`.
  void setContent(const std::string& keyWord, const std::string& content) {
    auto db = SQLDatabase::databaseWithPath(bankFile());
    ASSERT_TRUE(db->open());
    ASSERT_TRUE(db->executeUpdate("update OtherContent set Content = ? where KeyWord = ?", content, keyWord));
    db->close();
  }

  std::shared_ptr<ChapterRecorder> chapterRec;
  std::shared_ptr<Chapter> chapter;
  std::shared_ptr<GuideRecorder> guideRec;
  std::shared_ptr<ExamGuide> guide;
};

TEST_F(ChapterExamGuideClient, LocalReadsAnswerOnTheMainThreadAfterTheCall) {
  installSampleBank();
  chapter->getLocalNavigation();
  EXPECT_NE(chapter->charpterDao(), nullptr);
  guide->getLocalExamGuide();
  guide->getLocalExamGuideContent("考试对象");
  EXPECT_NE(guide->examGuideDao(), nullptr);
  EXPECT_TRUE(chapterRec->calls.empty());
  EXPECT_TRUE(guideRec->calls.empty());
  ASSERT_TRUE(awaitCalls(*chapterRec, 1));
  ASSERT_TRUE(awaitCalls(*guideRec, 2));

  const Call& tree = chapterRec->calls[0];
  EXPECT_EQ(tree.name, "didGetNavigation");
  EXPECT_TRUE(tree.ok);
  EXPECT_TRUE(tree.onMainThread);
  EXPECT_FALSE(tree.overlayShown);
  EXPECT_EQ(tree.json["Body"][0]["Name"].toString(), "常识综合");

  // Two reads on one client in quick succession both answer, each with its own result.
  std::vector<std::string> names;
  for (const Call& c : guideRec->calls) {
    names.push_back(c.name);
    EXPECT_TRUE(c.ok) << c.name;
    EXPECT_TRUE(c.onMainThread) << c.name;
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"didGetExamGuide", "didGetExamGuideContent"}));
  for (const Call& c : guideRec->calls) {
    if (c.name == "didGetExamGuide") {
      EXPECT_EQ(c.json["Body"][0]["Title"].toString(), "考试简介");
    } else {
      EXPECT_NE(c.json["Body"].toString().find("本样例题库"), std::string::npos) << c.json.describe();
    }
  }
  EXPECT_TRUE(requests().empty()) << "local reads send nothing";
}

TEST_F(ChapterExamGuideClient, LocalRulesAndMissingData) {
  struct Case {
    const char* name;
    bool installBank;
    const char* chapterContent;  // nullptr: as generated
    const char* guideContent;
    bool chapterOk;
    bool chapterNil;
    bool guideOk;
    bool guideNil;
  };
  const Case cases[] = {
      {"no bank", false, nullptr, nullptr, false, true, false, true},
      {"empty lists", true, R"({"Body":[],"Message":""})", R"({"Body":[],"Message":""})", false, false, true,
       false},
      {"null bodies", true, R"({"Body":null})", R"({"Body":null})", false, false, false, false},
      {"not JSON", true, "<broken", "<broken", false, true, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(bankFile());
    if (c.installBank) installSampleBank();
    if (c.chapterContent) setContent("ChapterList", c.chapterContent);
    if (c.guideContent) setContent("TestInfoList", c.guideContent);
    chapterRec->calls.clear();
    guideRec->calls.clear();
    chapter->getLocalNavigation();
    guide->getLocalExamGuide();
    ASSERT_TRUE(awaitCalls(*chapterRec, 1));
    ASSERT_TRUE(awaitCalls(*guideRec, 1));
    EXPECT_EQ(chapterRec->calls[0].ok, c.chapterOk);
    EXPECT_EQ(chapterRec->calls[0].json.isNil(), c.chapterNil);
    EXPECT_EQ(guideRec->calls[0].ok, c.guideOk);
    EXPECT_EQ(guideRec->calls[0].json.isNil(), c.guideNil);
  }
  installSampleBank();
  guideRec->calls.clear();
  guide->getLocalExamGuideContent("没有这一条");
  ASSERT_TRUE(awaitCalls(*guideRec, 1));
  EXPECT_FALSE(guideRec->calls[0].ok);
  EXPECT_TRUE(guideRec->calls[0].json.isNil());
}

TEST_F(ChapterExamGuideClient, ServerOperationsSendTheirRequests) {
  using GC = OpCase<ExamGuide>;
  const std::vector<GC> guideCases = {
      {"getExamGuide", [](ExamGuide& g) { g.getExamGuide("GKSample"); }, "GET",
       "/api/1.0/json/exam/GKSample/GetTestInfo", std::nullopt, "iphone", true, false, R"({"Body":[]})",
       "didGetExamGuide", false},
      {"getExamGuideContent escapes the title once",
       [](ExamGuide& g) { g.getExamGuideContent("GKSample", "考试 对象/1"); }, "GET",
       "/api/1.0/json/exam/GKSample/GetTestInfoContent/%E8%80%83%E8%AF%95%20%E5%AF%B9%E8%B1%A1%2F1",
       std::nullopt, "iphone", true, false, R"({"Body":"<p>x</p>"})", "didGetExamGuideContent", true},
  };
  runCases(guideCases, *guide, *guideRec);

  using CC = OpCase<Chapter>;
  const std::vector<CC> chapterCases = {
      {"getNavigation", [](Chapter& c) { c.getNavigation("GKSample"); }, "GET",
       "/api/1.0/json/exam/GKSample/Navigation", std::nullopt, "iphone", true, false,
       R"({"Body":[{"ID":1,"Name":"常识综合","Childs":[]}]})", "didGetNavigation", true},
  };
  runCases(chapterCases, *chapter, *chapterRec);

  // The server finds the article by the title it decodes once.
  ASSERT_TRUE(server().reset());
  guideRec->calls.clear();
  guide->getExamGuideContent("GKSample", "考试对象");
  ASSERT_TRUE(awaitCalls(*guideRec, 1));
  EXPECT_TRUE(guideRec->calls[0].ok) << guideRec->calls[0].json.describe();
  EXPECT_NE(guideRec->calls[0].json["Body"].toString().find("本样例题库"), std::string::npos)
      << guideRec->calls[0].json.describe();
}

}  // namespace
}  // namespace apiclient_test
