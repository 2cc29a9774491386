// Reading the question bank: questions by id under both key rules, bad rows, id lists, keys, chapter
// tree, exam guide and version, missing and damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

#include "DaoTestSupport.h"
#include "dao/BaseDAO.h"
#include "dao/ChapterDAO.h"
#include "dao/DBVersionDAO.h"
#include "dao/ExamGuideDAO.h"
#include "dao/SystemDAO.h"
#include "dao/TestDAO.h"

using namespace daotest;

namespace {

std::string joinIds(const std::vector<std::string>& ids) {
  std::string out;
  for (const auto& id : ids) out += (out.empty() ? "" : ",") + id;
  return out;
}

std::vector<std::string> aids(const core::Array& records) {
  std::vector<std::string> out;
  for (const auto& record : records) out.push_back(record["AID"].toString());
  return out;
}

// Compares the records read for every test row of a golden set with the golden rows: the good rows in
// database order with every JSON leaf, the bad rows left out. Returns the cipher rules seen.
std::set<std::string> expectRowsMatchGolden(const std::string& set) {
  const auto rows = golden("test", set);
  EXPECT_FALSE(rows.empty());
  std::vector<std::string> allIds;
  std::vector<GoldenRecord> good;
  for (const auto& row : rows) {
    allIds.push_back(row.get("AID"));
    if (row.get("Status") == "ok") good.push_back(row);
  }
  // Asked for in reverse: the answer still follows the database.
  std::reverse(allIds.begin(), allIds.end());
  const core::Array records = TestDAO("").getTestListWithType("ATEST", joinIds(allIds));

  std::set<std::string> rules;
  EXPECT_EQ(records.size(), good.size());
  for (std::size_t i = 0; i < std::min(records.size(), good.size()); ++i) {
    SCOPED_TRACE("AID " + good[i].get("AID"));
    EXPECT_EQ(flatten(records.at(i)), good[i].leaves());
    rules.insert(good[i].get("Cipher"));
  }
  return rules;
}

}  // namespace

TEST(TestDAOTest, EveryGoodRowOfTheSampleBankMatchesTheGoldenFileInDatabaseOrder) {
  BankHome home;
  home.installSampleBank();
  const auto rules = expectRowsMatchGolden("bank");
  // Both key rules (PID NULL: whole text; PID set: prefix dropped, whole text as fallback) and both
  // batches took part.
  for (const char* rule : {"pid-null", "pid-null-wrapped", "pid-0", "pid-1", "pid-2", "pid-2-noprefix"}) {
    EXPECT_TRUE(rules.count(rule)) << rule;
  }
}

TEST(TestDAOTest, BadRowsAreLeftOutAndTheOthersKept) {
  BankHome home;
  home.installSampleBank();
  TestDAO dao("");
  for (const auto& row : golden("test", "bank")) {
    if (row.get("Status") != "bad") continue;
    SCOPED_TRACE(row.get("AID") + " " + row.get("Reason"));
    EXPECT_EQ(dao.getTestListWithType("ATEST", row.get("AID")).size(), 0u);
  }
  EXPECT_EQ(aids(dao.getTestListWithType("ATEST", "1904,1001,1901,1902,1903,1216")),
            (std::vector<std::string>{"1001", "1216"}));
}

TEST(TestDAOTest, OnlyDecimalIdsReachTheQuery) {
  BankHome home;
  home.installSampleBank();
  struct Case {
    const char* ids;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"1001,1002", {"1001", "1002"}},
      {" 1001 , 1002 ", {"1001", "1002"}},
      {"", {}},
      {",,,", {}},
      {"9999", {}},
      {"1001) or (1=1", {}},
      {"1002,1001) union select * from Test where (1=1", {"1002"}},
      {"1001); drop table Test; --", {}},
      {"-1001,1e3,0x3E9,1001.0,1003", {"1003"}},
      {"1001,abc,1002", {"1001", "1002"}},
  };
  TestDAO dao("");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ids);
    EXPECT_EQ(aids(dao.getTestListWithType("ATEST", c.ids)), c.expected);
  }
  EXPECT_EQ(scalar(home.liveBank(), "select count(*) from Test"),
            std::to_string(golden("test", "bank").size()));
}

TEST(BaseDAOTest, BatchKeysFollowTheGoldenBatches) {
  BankHome home;
  home.installSampleBank();
  BaseDAO dao;
  const auto batches = golden("batch", "bank");
  ASSERT_EQ(batches.size(), 2u);
  for (const auto& batch : batches) {
    SCOPED_TRACE("batch " + batch.get("BatchID"));
    EXPECT_EQ(dao.getDBTime(std::stoll(batch.get("BatchID"))), batch.get("ContentKey"));
  }
  EXPECT_EQ(dao.getDBTime(0), batches[0].get("ContentKey"));  // the first row
  EXPECT_EQ(dao.getDBTime(7), std::nullopt);                  // no such batch

  // A named object reads the first batch's key of the chosen subject, whatever the name.
  EXPECT_EQ(BaseDAO("Other").dbTime(), batches[0].get("ContentKey"));
  EXPECT_EQ(BaseDAO("").dbTime(), std::nullopt);
}

TEST(BaseDAOTest, PathsFollowTheBankLocation) {
  BankHome home;
  BaseDAO dao;
  EXPECT_EQ(dao.getDBPath(""), home.dbDir() + "/GKSample.db");
  EXPECT_EQ(dao.getDBPath("Other"), home.dbDir() + "/Other.db");
  EXPECT_EQ(dao.getDBPathUpdate(""), home.updateDir() + "/GKSample");
  EXPECT_EQ(dao.getDBPathUpdate("pack.db"), home.updateDir() + "/pack.db");
  EXPECT_EQ(BaseDAO("").dbPath(), home.dbDir() + "/GKSample.db");

  EXPECT_EQ(dao.getDataSource(""), nullptr);  // no file yet
  home.installSampleBank();
  ASSERT_NE(dao.getDataSource(""), nullptr);
  EXPECT_EQ(*dao.getDataSource("")->databasePath(), home.liveBank());
  EXPECT_EQ(dao.getDataSourceUpdate("GKSample_up_2_3.db"), nullptr);
  copyFile(sampleFile("GKSample_up_2_3.db"), home.updateFile("GKSample_up_2_3.db"));
  EXPECT_NE(dao.getDataSourceUpdate("GKSample_up_2_3.db"), nullptr);

  // Without a chosen subject there is no bank.
  auto location = BankLocation::current();
  location.appName = nullptr;
  BankLocation::set(location);
  EXPECT_EQ(dao.getDataSource(""), nullptr);
  EXPECT_EQ(TestDAO().getTestListWithType("ATEST", "1001").size(), 0u);
}

// Key rules on a bank written here: the Version of the first row stored as the integer 3 or as 3.0,
// a Time too short for its prefix, PID 0 with and without a prefix.
TEST(BaseDAOTest, KeyRulesOfAHandWrittenBank) {
  BankHome home;
  const std::string key1 = "Key1Text", key2 = "Key2Text";
  const std::string json = R"({"AID":1,"Title":"x"})";
  struct Case {
    const char* version1;
    std::string time1;
    bool readable;
  };
  const Case cases[] = {
      {"3", "ABCDE" + encipher(key1, BaseDAO::kVersion3Key), true},
      {"3.0", "ABCDE" + encipher(key1, BaseDAO::kVersion3Key), true},
      {"1", encipher(key1, BaseDAO::kDefaultKey), true},
      {"3", encipher(key1, BaseDAO::kVersion3Key).substr(0, 4), false},  // shorter than the prefix
      {"3", encipher(key1, BaseDAO::kDefaultKey), false},                // the wrong fixed key
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.version1) + " " + c.time1);
    std::filesystem::remove(home.liveBank());
    runSQL(home.liveBank(),
           {"CREATE TABLE DBVersion (ID INTEGER PRIMARY KEY, Version, Time TEXT, BatchID INTEGER)",
            "CREATE TABLE Test (AID INTEGER PRIMARY KEY, GUID TEXT, Type TEXT, ID INTEGER, PID INTEGER, "
            "TestContent TEXT)",
            std::string("INSERT INTO DBVersion VALUES (1, ") + c.version1 + ", '" + c.time1 + "', 5)",
            "INSERT INTO DBVersion VALUES (2, 1, '" + encipher(key2, BaseDAO::kDefaultKey) + "', 6)",
            "INSERT INTO Test VALUES (1, 'g', 'ATEST', 1, NULL, '" + encipher(json, key1) + "')",
            "INSERT INTO Test VALUES (2, 'g', 'ATEST', 2, 0, 'pfx01" + encipher(json, key1) + "')",
            "INSERT INTO Test VALUES (3, 'g', 'ATEST', 3, 0, '" + encipher(json, key1) + "')",
            "INSERT INTO Test VALUES (4, 'g', 'ATEST', 4, 6, 'pfx01" + encipher(json, key2) + "')",
            "INSERT INTO Test VALUES (5, 'g', 'ATEST', 5, 5, 'pfx01" + encipher(json, key1) + "')"});
    BaseDAO dao;
    EXPECT_EQ(dao.getDBTime(0), c.readable ? std::optional<std::string>(key1) : std::nullopt);
    EXPECT_EQ(dao.getDBTime(6), key2);
    const auto records = TestDAO("").getTestListWithType("ATEST", "1,2,3,4,5");
    EXPECT_EQ(records.size(), c.readable ? 5u : 1u);  // batch 6 does not depend on the first row
  }
}

TEST(ChapterAndGuideTest, TreeGuideAndArticlesMatchTheGoldenFile) {
  BankHome home;
  home.installSampleBank();

  // The chapter tree in pre-order.
  const core::Value tree = ChapterDAO().getChapterList();
  ASSERT_TRUE(tree.isDictionary());
  std::vector<std::string> seen;
  std::function<void(const core::Value&, std::int64_t, int)> walk = [&](const core::Value& nodes,
                                                                        std::int64_t parent, int level) {
    for (const auto& node : nodes.array()) {
      seen.push_back(node["ID"].toString() + "|" + node["Name"].toString() + "|" + node["Total"].toString() +
                     "|" + std::to_string(parent) + "|" + std::to_string(level) + "|" +
                     (node["Childs"].isNull() ? "yes" : "no"));
      walk(node["Childs"], node["ID"].toInt(), level + 1);
    }
  };
  walk(tree["Body"], 0, 1);
  std::vector<std::string> expected;
  for (const auto& c : golden("chapter", "bank")) {
    expected.push_back(c.get("ID") + "|" + c.get("Name") + "|" + c.get("Total") + "|" + c.get("Parent") +
                       "|" + c.get("Level") + "|" + c.get("Leaf"));
  }
  EXPECT_EQ(seen, expected);

  // The guide index and its articles.
  ExamGuideDAO guide;
  const core::Value index = guide.getExamGuideList();
  std::vector<std::string> items;
  for (const auto& item : index["Body"].array())
    items.push_back(item["InfoID"].toString() + "|" + item["Title"].toString());
  std::vector<std::string> expectedItems;
  for (const auto& g : golden("guide", "bank"))
    expectedItems.push_back(g.get("InfoID") + "|" + g.get("Title"));
  EXPECT_EQ(items, expectedItems);
  for (const auto& article : golden("article", "bank")) {
    EXPECT_EQ(guide.getExamGuideContent(article.get("KeyWord"))["Body"].toString(), article.get("Body"));
  }
  EXPECT_TRUE(guide.getExamGuideContent("no such title").isNil());
}

TEST(VersionTest, LocalVersionAndLargestBatchMatchTheGoldenFile) {
  BankHome home;
  home.installSampleBank();
  const auto version = golden("version", "bank").at(0);
  EXPECT_FLOAT_EQ(SystemDAO().getDBVersion(), std::stof(version.get("DBVersion")));
  EXPECT_EQ(DBVersionDAO().getMaxBatchID(), std::stoll(version.get("MaxBatchID")));
  EXPECT_EQ(DBVersionDAO().getMaxBatchID(home.liveBank()), std::stoll(version.get("MaxBatchID")));
}

TEST(VersionTest, LocalVersionFallsBackToTheFirstRowWhenTheLargestBatchIsZero) {
  BankHome home;
  runSQL(home.liveBank(),
         {"CREATE TABLE DBVersion (ID INTEGER PRIMARY KEY, Version REAL, Time TEXT, BatchID)",
          "INSERT INTO DBVersion VALUES (1, 1, 't', 0)", "INSERT INTO DBVersion VALUES (2, 1, 't', -4)"});
  EXPECT_FLOAT_EQ(SystemDAO().getDBVersion(), 0.0f);  // the largest is 0, the first row's is 0
  runSQL(home.liveBank(), {"UPDATE DBVersion SET BatchID = '2.5' WHERE ID = 1",
                           "UPDATE DBVersion SET BatchID = 0 WHERE ID = 2"});
  EXPECT_FLOAT_EQ(SystemDAO().getDBVersion(), 2.5f);
}

TEST(VersionTest, LargestBatchOfOldAndOddFiles) {
  BankHome home;
  struct Case {
    const char* name;
    std::vector<std::string> setup;
    std::int64_t expected;
    std::vector<std::string> batchIdsAfter;  // "select BatchID from DBVersion" afterwards, {} = no column
  };
  const Case cases[] = {
      {"rows without the column get it with 1",
       {"CREATE TABLE DBVersion (ID INTEGER PRIMARY KEY, Version REAL, Time TEXT)",
        "INSERT INTO DBVersion (Version, Time) VALUES (3, 'a')",
        "INSERT INTO DBVersion (Version, Time) VALUES (1, 'b')"},
       1,
       {"1", "1"}},
      {"an empty table gets no column",
       {"CREATE TABLE DBVersion (ID INTEGER PRIMARY KEY, Version REAL, Time TEXT)"},
       0,
       {}},
      {"a NULL beside other values keeps the others",
       {"CREATE TABLE DBVersion (ID INTEGER PRIMARY KEY, Version REAL, Time TEXT, BatchID INTEGER)",
        "INSERT INTO DBVersion VALUES (1, 3, 'a', 4)", "INSERT INTO DBVersion VALUES (2, 1, 'b', NULL)"},
       4,
       {"4", "NULL"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(home.liveBank());
    runSQL(home.liveBank(), c.setup);
    EXPECT_EQ(DBVersionDAO().getMaxBatchID(), c.expected);
    if (c.batchIdsAfter.empty()) {
      EXPECT_EQ(
          scalar(home.liveBank(), "select count(*) from pragma_table_info('DBVersion') where name='BatchID'"),
          "0");
    } else {
      EXPECT_EQ(column(home.liveBank(), "select BatchID from DBVersion order by ID"), c.batchIdsAfter);
    }
  }
}

TEST(MissingBankTest, EveryReaderGivesItsEmptyValueAndCreatesNothing) {
  BankHome home;
  EXPECT_EQ(TestDAO("").getTestListWithType("ATEST", "1001").size(), 0u);
  EXPECT_TRUE(ChapterDAO().getChapterList().isNil());
  EXPECT_TRUE(ExamGuideDAO().getExamGuideList().isNil());
  EXPECT_TRUE(ExamGuideDAO().getExamGuideContent("考试对象").isNil());
  EXPECT_EQ(SystemDAO().getDBVersion(), 0.0f);
  EXPECT_EQ(BaseDAO().getDBTime(0), std::nullopt);
  EXPECT_EQ(DBVersionDAO().getMaxBatchID(), 0);
  EXPECT_EQ(DBVersionDAO().getMaxBatchID(home.updateFile("none.db")), 0);
  EXPECT_TRUE(std::filesystem::is_empty(home.dbDir()));
  EXPECT_TRUE(std::filesystem::is_empty(home.updateDir()));
}

TEST(MissingBankTest, AFileThatIsNotADatabaseReadsAsEmptyAndStaysAsItWas) {
  BankHome home;
  const std::string junk = "this is not a database, just some bytes\n" + std::string(4096, 'x');
  writeBytes(home.liveBank(), junk);
  EXPECT_EQ(TestDAO("").getTestListWithType("ATEST", "1001,1002").size(), 0u);
  EXPECT_TRUE(ChapterDAO().getChapterList().isNil());
  EXPECT_TRUE(ExamGuideDAO().getExamGuideList().isNil());
  EXPECT_EQ(SystemDAO().getDBVersion(), 0.0f);
  EXPECT_EQ(BaseDAO().getDBTime(1), std::nullopt);
  EXPECT_EQ(DBVersionDAO().getMaxBatchID(), 0);
  EXPECT_EQ(readBytes(home.liveBank()), junk);
}

TEST(MissingBankTest, MissingChapterRowAndUnparsableContentGiveNil) {
  BankHome home;
  home.installSampleBank();
  runSQL(home.liveBank(),
         {"DELETE FROM OtherContent WHERE KeyWord = 'ChapterList'",
          "UPDATE OtherContent SET Content = '{\"Body\": [' WHERE KeyWord = 'TestInfoList'"});
  EXPECT_TRUE(ChapterDAO().getChapterList().isNil());
  EXPECT_TRUE(ExamGuideDAO().getExamGuideList().isNil());
  EXPECT_TRUE(ExamGuideDAO().getExamGuideContent("考试对象").isDictionary());
}
