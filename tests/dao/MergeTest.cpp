// Merging update packs into the working copy: the sample pack against the golden file, the edge packs,
// failing statements and their rollback and count, quotes in pack texts, missing and damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

#include "DaoTestSupport.h"
#include "dao/ChapterDAO.h"
#include "dao/DBVersionDAO.h"
#include "dao/ExamGuideDAO.h"
#include "dao/OtherContentDAO.h"
#include "dao/SystemDAO.h"
#include "dao/TestAlterDAO.h"
#include "dao/TestDAO.h"

using namespace daotest;

namespace {

const char* kPack = "GKSample_up_2_3.db";

// The three steps in the update engine's order, stopping at the first failure.
bool mergeAll(const BankHome& home, const std::string& pack) {
  return DBVersionDAO().upgradeDB(pack) && TestAlterDAO().upgradeDB(pack, home.workingCopy()) &&
         OtherContentDAO().upgradeDB(pack);
}

// A pack with the given rows (SQL values lists); tables are always created.
void writePack(const std::string& path, const std::vector<std::string>& batches,
               const std::vector<std::string>& tests, const std::vector<std::string>& deletes,
               const std::vector<std::string>& others) {
  std::vector<std::string> sql = {
      "CREATE TABLE DBVersion (ID INTEGER PRIMARY KEY, Version REAL, Time TEXT, BatchID INTEGER)",
      "CREATE TABLE Test (AID INTEGER, GUID TEXT, Type TEXT, ID INTEGER, BatchID INTEGER, TestContent TEXT)",
      "CREATE TABLE Test_Delete (AID)",
      "CREATE TABLE OtherContent (ID INTEGER, Type TEXT, TID INTEGER, KeyWord TEXT, Content TEXT)"};
  for (const auto& v : batches) sql.push_back("INSERT INTO DBVersion (Version, Time, BatchID) VALUES " + v);
  for (const auto& v : tests) sql.push_back("INSERT INTO Test VALUES " + v);
  for (const auto& v : deletes) sql.push_back("INSERT INTO Test_Delete VALUES " + v);
  for (const auto& v : others) sql.push_back("INSERT INTO OtherContent VALUES " + v);
  runSQL(path, sql);
}

// A snapshot of every table of a database file, for "unchanged" checks.
std::vector<std::string> snapshot(const std::string& path) {
  std::vector<std::string> out;
  for (const char* sql :
       {"select AID || '|' || ifnull(PID, 'NULL') || '|' || TestContent from Test order by AID",
        "select ID || '|' || BatchID || '|' || Time from DBVersion order by ID",
        "select KeyWord || '|' || Content from OtherContent order by rowid"}) {
    for (auto& v : column(path, sql)) out.push_back(std::move(v));
  }
  return out;
}

}  // namespace

TEST(MergeTest, TheSamplePackGivesTheGoldenUpdatedBank) {
  BankHome home;
  home.prepareWorkingCopy();
  const std::string pack = home.updateFile(kPack);
  copyFile(sampleFile(kPack), pack);

  DBVersionDAO versions;
  ASSERT_TRUE(versions.upgradeDB(pack));
  EXPECT_EQ(versions.dbUpdateName(), kPack);
  TestAlterDAO tests;
  ASSERT_TRUE(tests.upgradeDB(pack, home.workingCopy()));
  EXPECT_EQ(tests.pid(), 3);
  ASSERT_TRUE(OtherContentDAO().upgradeDB(pack));
  EXPECT_EQ(home.sqlErrors(), 0);

  // Raw rows: every golden row with its PID, the deleted ones gone.
  std::vector<std::string> expectedRows;
  for (const auto& row : golden("test", "updated"))
    expectedRows.push_back(row.get("AID") + "|" + row.get("PID"));
  EXPECT_EQ(column(home.workingCopy(), "select AID || '|' || ifnull(PID, 'NULL') from Test"), expectedRows);
  EXPECT_EQ(column(home.workingCopy(), "select count(*) from Test where AID in (1107, 1902)"),
            std::vector<std::string>{"0"});

  // Read back as the bank: questions, keys, chapter tree, guide and version.
  home.readFromUpdateFolder();
  const auto rules = [] {
    std::set<std::string> seen;
    const auto rows = golden("test", "updated");
    std::string ids;
    std::vector<GoldenRecord> good;
    for (const auto& row : rows) {
      ids += (ids.empty() ? "" : ",") + row.get("AID");
      if (row.get("Status") == "ok") good.push_back(row);
    }
    const core::Array records = TestDAO("").getTestListWithType("ATEST", ids);
    EXPECT_EQ(records.size(), good.size());
    for (std::size_t i = 0; i < std::min(records.size(), good.size()); ++i) {
      SCOPED_TRACE("AID " + good[i].get("AID"));
      EXPECT_EQ(flatten(records.at(i)), good[i].leaves());
      seen.insert(good[i].get("Cipher"));
    }
    return seen;
  }();
  EXPECT_TRUE(rules.count("pack-max"));  // changed: the pack's largest batch
  EXPECT_TRUE(rules.count("pack-own"));  // added: its own batch

  for (const auto& batch : golden("batch", "updated")) {
    EXPECT_EQ(BaseDAO().getDBTime(std::stoll(batch.get("BatchID"))), batch.get("ContentKey"));
  }
  const auto version = golden("version", "updated").at(0);
  EXPECT_EQ(DBVersionDAO().getMaxBatchID(), std::stoll(version.get("MaxBatchID")));
  EXPECT_FLOAT_EQ(SystemDAO().getDBVersion(), std::stof(version.get("DBVersion")));

  std::vector<std::string> totals, expectedTotals;
  std::function<void(const core::Value&)> walk = [&](const core::Value& nodes) {
    for (const auto& node : nodes.array()) {
      totals.push_back(node["ID"].toString() + ":" + node["Total"].toString());
      walk(node["Childs"]);
    }
  };
  walk(ChapterDAO().getChapterList()["Body"]);
  for (const auto& c : golden("chapter", "updated"))
    expectedTotals.push_back(c.get("ID") + ":" + c.get("Total"));
  EXPECT_EQ(totals, expectedTotals);

  std::vector<std::string> guide, expectedGuide;
  for (const auto& item : ExamGuideDAO().getExamGuideList()["Body"].array())
    guide.push_back(item["Title"].toString());
  for (const auto& g : golden("guide", "updated")) expectedGuide.push_back(g.get("Title"));
  EXPECT_EQ(guide, expectedGuide);
  for (const auto& article : golden("article", "updated")) {
    EXPECT_EQ(ExamGuideDAO().getExamGuideContent(article.get("KeyWord"))["Body"].toString(),
              article.get("Body"));
  }
}

TEST(MergeTest, APackWithoutBatchesFailsAndLeavesTheCopyUnchanged) {
  BankHome home;
  home.prepareWorkingCopy();
  const auto before = snapshot(home.workingCopy());
  const std::string pack = home.updateFile("GKSample_up_nodbversion.db");
  copyFile(sampleFile("edge/GKSample_up_nodbversion.db"), pack);
  EXPECT_FALSE(mergeAll(home, pack));
  EXPECT_EQ(snapshot(home.workingCopy()), before);
}

TEST(MergeTest, APackWithoutOtherContentEmptiesTheTable) {
  BankHome home;
  home.prepareWorkingCopy();
  const std::string pack = home.updateFile("GKSample_up_noothercontent.db");
  copyFile(sampleFile("edge/GKSample_up_noothercontent.db"), pack);
  EXPECT_TRUE(mergeAll(home, pack));
  EXPECT_EQ(scalar(home.workingCopy(), "select count(*) from OtherContent"), "0");
  EXPECT_EQ(home.sqlErrors(), 0);
}

TEST(MergeTest, MissingOrEmptyDeleteTableDeletesNothing) {
  BankHome home;
  home.prepareWorkingCopy();
  const std::string pack = home.updateFile("nodelete.db");
  writePack(pack, {"(1, 'x', 3)"}, {}, {}, {});
  const auto count = scalar(home.workingCopy(), "select count(*) from Test");
  EXPECT_TRUE(TestAlterDAO().upgradeDB(pack, home.workingCopy()));
  runSQL(pack, {"DROP TABLE Test_Delete"});
  EXPECT_TRUE(TestAlterDAO().upgradeDB(pack, home.workingCopy()));
  EXPECT_EQ(scalar(home.workingCopy(), "select count(*) from Test"), count);
}

// A statement that fails inside a step (made to fail by a trigger on the working copy) rolls that
// step's transaction back, makes the step fail, and is counted as the update rules say.
TEST(MergeTest, AFailingStatementRollsItsTransactionBackAndIsCountedByTheRules) {
  struct Case {
    const char* name;
    const char* trigger;
    int step;  // 1 batches, 2 questions, 3 auxiliary content
    int counted;
    std::function<void(const BankHome&, const std::vector<std::string>& before)> check;
  };
  const auto unchanged = [](const BankHome& home, const std::vector<std::string>& before) {
    EXPECT_EQ(snapshot(home.workingCopy()), before);
  };
  const Case cases[] = {
      {"batch insert", "CREATE TRIGGER t BEFORE INSERT ON DBVersion BEGIN SELECT RAISE(ABORT, 'no'); END", 1,
       1, unchanged},
      {"question update (third of five)",
       "CREATE TRIGGER t BEFORE UPDATE ON Test WHEN OLD.AID = 1003 BEGIN SELECT RAISE(ABORT, 'no'); END", 2,
       1,
       [](const BankHome& home, const std::vector<std::string>& before) {
         // The deletion committed before stays; the two updates before the failure are rolled back.
         EXPECT_EQ(scalar(home.workingCopy(), "select count(*) from Test where AID = 1004"), "0");
         EXPECT_EQ(column(home.workingCopy(),
                          "select ifnull(PID, 'NULL') from Test where AID in (1001, 1002) order by AID"),
                   (std::vector<std::string>{"NULL", "0"}));
         EXPECT_EQ(scalar(home.workingCopy(), "select count(*) from Test where AID >= 5000"), "0");
       }},
      {"question insert", "CREATE TRIGGER t BEFORE INSERT ON Test BEGIN SELECT RAISE(ABORT, 'no'); END", 2, 0,
       [](const BankHome& home, const std::vector<std::string>&) {
         EXPECT_EQ(scalar(home.workingCopy(), "select count(*) from Test where AID = 1004"), "0");
         EXPECT_EQ(scalar(home.workingCopy(), "select ifnull(PID, 'NULL') from Test where AID = 1001"),
                   "NULL");
       }},
      {"question deletion", "CREATE TRIGGER t BEFORE DELETE ON Test BEGIN SELECT RAISE(ABORT, 'no'); END", 2,
       0, unchanged},
      {"auxiliary delete",
       "CREATE TRIGGER t BEFORE DELETE ON OtherContent BEGIN SELECT RAISE(ABORT, 'no'); END", 3, 1,
       unchanged},
      {"auxiliary insert",
       "CREATE TRIGGER t BEFORE INSERT ON OtherContent WHEN NEW.ID = 2 BEGIN SELECT RAISE(ABORT, 'no'); END",
       3, 1,
       [](const BankHome& home, const std::vector<std::string>&) {
         // The emptying committed by itself; none of the new rows stayed.
         EXPECT_EQ(scalar(home.workingCopy(), "select count(*) from OtherContent"), "0");
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BankHome home;
    home.prepareWorkingCopy();
    const std::string pack = home.updateFile("five.db");
    const std::string content = "'pfx01" + encipher(R"({"AID":1,"Title":"t"})", "GkBatch3") + "'";
    writePack(
        pack, {"(3, 'UpxyZ" + encipher("GkBatch3", "19970325") + "', 3)"},
        {"(1001, 'g1', 'ATEST', 101, 3, " + content + ")", "(1002, 'g2', 'ATEST', 102, 3, " + content + ")",
         "(1003, 'g3', 'ATEST', 103, 3, " + content + ")", "(5001, 'g4', 'ATEST', 901, 3, " + content + ")",
         "(5002, 'g5', 'ATEST', 902, 3, " + content + ")"},
        {"(1004)"}, {"(1, 'Chapter', 0, 'ChapterList', '{}')", "(2, 'TestInfo', 0, 'TestInfoList', '{}')"});
    runSQL(home.workingCopy(), {c.trigger});
    const auto before = snapshot(home.workingCopy());

    bool result = true;
    if (c.step == 1) result = DBVersionDAO().upgradeDB(pack);
    if (c.step == 2) result = TestAlterDAO().upgradeDB(pack, home.workingCopy());
    if (c.step == 3) result = OtherContentDAO().upgradeDB(pack);
    EXPECT_FALSE(result);
    EXPECT_EQ(home.sqlErrors(), c.counted);
    c.check(home, before);
  }
}

TEST(MergeTest, QuotesAndJunkInPackTextsStayData) {
  BankHome home;
  home.prepareWorkingCopy();
  const std::string pack = home.updateFile("quotes.db");
  const std::string content = "'pfx01" + encipher(R"({"AID":5001,"Title":"it's"})", "GkBatch3") + "'";
  writePack(pack, {"(3, 'UpxyZ" + encipher("GkBatch3", "19970325") + "', 3)"},
            {"(1001, 'O''Brien', 'ATEST''); DELETE FROM Test; --', 101, 3, " + content + ")",
             "(5001, 'x'' OR ''1''=''1', 'ATEST', 901, 3, " + content + ")"},
            {"('1002) OR (1=1')", "('1003')", "(' 1005')", "(1006)"},
            {"(1, 'Chapter', 0, 'ChapterList', '{\"Body\":[],\"Message\":\"it''s\"}')",
             "(2, 'TestInfoContent', 0, 'O''Brien''s; DROP TABLE OtherContent; --', "
             "'{\"Body\":\"<p>''''</p>\"}')"});
  const auto countBefore = std::stoi(scalar(home.workingCopy(), "select count(*) from Test"));
  ASSERT_TRUE(mergeAll(home, pack));
  EXPECT_EQ(home.sqlErrors(), 0);

  // Only the decimal entries of the delete list took effect; nothing else was deleted.
  EXPECT_EQ(
      column(home.workingCopy(), "select AID from Test where AID in (1002, 1003, 1005, 1006) order by AID"),
      (std::vector<std::string>{"1002", "1005"}));
  EXPECT_EQ(std::stoi(scalar(home.workingCopy(), "select count(*) from Test")), countBefore - 2 + 1);
  EXPECT_EQ(scalar(home.workingCopy(), "select GUID || '|' || Type from Test where AID = 1001"),
            "O'Brien|ATEST'); DELETE FROM Test; --");
  EXPECT_EQ(scalar(home.workingCopy(), "select GUID from Test where AID = 5001"), "x' OR '1'='1");
  EXPECT_EQ(column(home.workingCopy(), "select KeyWord from OtherContent order by rowid"),
            (std::vector<std::string>{"ChapterList", "O'Brien's; DROP TABLE OtherContent; --"}));

  home.readFromUpdateFolder();
  const auto records = TestDAO("").getTestListWithType("ATEST", "5001");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records.at(0)["Title"].toString(), "it's");
  EXPECT_EQ(ExamGuideDAO().getExamGuideContent("O'Brien's; DROP TABLE OtherContent; --")["Body"].toString(),
            "<p>''</p>");
}

TEST(MergeTest, APackRowWithoutADecimalIdFailsTheQuestionStep) {
  BankHome home;
  home.prepareWorkingCopy();
  const std::string pack = home.updateFile("badaid.db");
  writePack(pack, {"(3, 'x', 3)"},
            {"(1001, 'g', 'ATEST', 101, 3, 'c')", "('12abc', 'g', 'ATEST', 1, 3, 'c')"}, {}, {});
  const auto before = snapshot(home.workingCopy());
  EXPECT_FALSE(TestAlterDAO().upgradeDB(pack, home.workingCopy()));
  EXPECT_EQ(home.sqlErrors(), 1);
  EXPECT_EQ(snapshot(home.workingCopy()), before);
}

// The questions are written as they are read: a pack whose Test rows stop reading part-way (here the
// fourth row fails to compute) undoes the rows written before it. The deletion committed before stays,
// and the failure is counted once.
TEST(MergeTest, APackThatFailsPartWayThroughItsQuestionsRollsThemAllBack) {
  BankHome home;
  home.prepareWorkingCopy();
  const std::string pack = home.updateFile("partway.db");
  writePack(pack, {"(3, 'x', 3)"},
            {"(1001, 'g1', 'ATEST', 101, 3, 'c')", "(5001, 'g2', 'ATEST', 901, 3, 'c')",
             "(1002, 'g3', 'ATEST', 102, 3, 'c')", "(5002, 'g4', 'ATEST', 902, 3, 'c')"},
            {"(1004)"}, {});
  runSQL(pack, {"ALTER TABLE Test RENAME TO Rows",
                "CREATE VIEW Test AS SELECT AID, GUID, Type, ID, BatchID, CASE WHEN AID = 5002 THEN "
                "abs(-9223372036854775807 - 1) ELSE TestContent END AS TestContent FROM Rows"});
  const std::string before1001 = scalar(home.workingCopy(), "select TestContent from Test where AID = 1001");

  EXPECT_FALSE(TestAlterDAO().upgradeDB(pack, home.workingCopy()));
  EXPECT_EQ(home.sqlErrors(), 1);
  EXPECT_EQ(scalar(home.workingCopy(), "select count(*) from Test where AID = 1004"), "0");
  EXPECT_EQ(scalar(home.workingCopy(), "select TestContent from Test where AID = 1001"), before1001);
  EXPECT_EQ(scalar(home.workingCopy(), "select count(*) from Test where AID >= 5000"), "0");
}

// A pack that is not there, or is not a database, fails every step before anything changes; no file is
// made in its place.
TEST(MergeTest, AMissingOrDamagedPackFailsEveryStep) {
  for (const bool damaged : {false, true}) {
    SCOPED_TRACE(damaged ? "damaged" : "missing");
    BankHome home;
    home.prepareWorkingCopy();
    const auto before = snapshot(home.workingCopy());
    const std::string pack = home.updateFile("GKSample_up_9_10.db");
    const std::string junk = "PK\x03\x04 not a database";
    if (damaged) writeBytes(pack, junk);

    EXPECT_FALSE(DBVersionDAO().upgradeDB(pack));
    EXPECT_FALSE(TestAlterDAO().upgradeDB(pack, home.workingCopy()));
    EXPECT_FALSE(OtherContentDAO().upgradeDB(pack));
    EXPECT_EQ(home.sqlErrors(), 3);
    EXPECT_EQ(DBVersionDAO().getMaxBatchID(pack), 0);
    EXPECT_EQ(snapshot(home.workingCopy()), before);
    if (damaged) {
      EXPECT_EQ(readBytes(pack), junk);
    } else {
      EXPECT_FALSE(std::filesystem::exists(pack));
    }
  }
}

// A working copy that is missing, or on which no transaction can begin, fails each step without
// running it; the failure is counted and nothing is created.
TEST(MergeTest, AWorkingCopyWithoutATransactionFailsEveryStep) {
  for (const bool present : {false, true}) {
    SCOPED_TRACE(present ? "not a database" : "missing");
    BankHome home;
    const std::string pack = home.updateFile(kPack);
    copyFile(sampleFile(kPack), pack);
    const std::string junk(2048, 'z');
    if (present) writeBytes(home.workingCopy(), junk);

    EXPECT_FALSE(DBVersionDAO().upgradeDB(pack));
    EXPECT_FALSE(TestAlterDAO().upgradeDB(pack, home.workingCopy()));
    EXPECT_FALSE(OtherContentDAO().upgradeDB(pack));
    EXPECT_EQ(home.sqlErrors(), 3);
    if (present) {
      EXPECT_EQ(readBytes(home.workingCopy()), junk);
    } else {
      EXPECT_FALSE(std::filesystem::exists(home.workingCopy()));
    }
  }
}

TEST(MergeTest, RecordingANewerBatchKeepsEveryQuestionReadable) {
  BankHome home;
  home.installSampleBank();
  const auto before = TestDAO("").getTestListWithType("ATEST", "1001,1002,1003,1004,1109,1216").size();
  ASSERT_EQ(before, 6u);

  DBVersionDAO dao;
  dao.updateMaxBatchid(core::Value(core::Dictionary{{"updateItem", core::Dictionary{{"max_batchid", "1"}}}}));
  EXPECT_EQ(dao.getMaxBatchID(), 2);  // not newer: nothing recorded
  dao.updateMaxBatchid(core::Value(core::Dictionary{{"updateItem", core::Dictionary{{"max_batchid", 9}}}}));
  EXPECT_EQ(dao.getMaxBatchID(), 9);
  EXPECT_FLOAT_EQ(SystemDAO().getDBVersion(), 9.0f);
  EXPECT_EQ(column(home.liveBank(), "select BatchID from DBVersion order by ID"),
            (std::vector<std::string>{"1", "2", "9"}));
  EXPECT_EQ(TestDAO("").getTestListWithType("ATEST", "1001,1002,1003,1004,1109,1216").size(), before);
}

TEST(MergeTest, DeleteTestEmptiesTheQuestionTable) {
  BankHome home;
  home.prepareWorkingCopy();
  EXPECT_TRUE(TestAlterDAO().deleteTest(home.workingCopy()));
  EXPECT_EQ(scalar(home.workingCopy(), "select count(*) from Test"), "0");
  EXPECT_FALSE(TestAlterDAO().deleteTest(home.updateFile("none.db")));
  EXPECT_FALSE(std::filesystem::exists(home.updateFile("none.db")));
}
