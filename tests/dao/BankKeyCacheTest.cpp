// Batch keys kept between question sets: whatever changes the bank, the next set is read with the
// keys of the bank as it is now.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "DaoTestSupport.h"
#include "dao/BankKeyCache.h"
#include "dao/BaseDAO.h"
#include "dao/DBVersionDAO.h"
#include "dao/TestDAO.h"

using namespace daotest;

namespace {

// A bank whose batch 5 has `key`, holding questions 1 to 3 of that batch titled `title`.
void writeBank(const std::string& path, const std::string& key, const std::string& title) {
  std::filesystem::remove(path);
  std::vector<std::string> sql = {
      "CREATE TABLE DBVersion (ID INTEGER PRIMARY KEY, Version REAL, Time TEXT, BatchID INTEGER)",
      "CREATE TABLE Test (AID INTEGER PRIMARY KEY, GUID TEXT, Type TEXT, ID INTEGER, PID INTEGER, "
      "TestContent TEXT)",
      "INSERT INTO DBVersion VALUES (1, 1, '" + encipher(key, BaseDAO::kDefaultKey) + "', 5)"};
  for (int aid = 1; aid <= 3; ++aid) {
    const std::string json = R"({"AllTestID":)" + std::to_string(aid) + R"(,"Title":")" + title + R"("})";
    sql.push_back("INSERT INTO Test VALUES (" + std::to_string(aid) + ", 'g', 'ATEST', 1, 5, 'pfx01" +
                  encipher(json, key) + "')");
  }
  runSQL(path, sql);
}

std::vector<std::string> titles(const std::string& ids = "1,2,3") {
  std::vector<std::string> out;
  for (const auto& record : TestDAO("").getTestListWithType("ATEST", ids))
    out.push_back(record["Title"].str());
  return out;
}

void keepTimes(const std::string& path, const std::function<void()>& change) {
  struct stat before {};
  ASSERT_EQ(::stat(path.c_str(), &before), 0);
  change();
  const struct timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

}  // namespace

TEST(BankKeyCacheTest, AChangedBankIsReadWithItsNewKeys) {
  struct Case {
    const char* name;
    std::function<void(BankHome&)> change;  // puts bank "new" (other key, same batch) in place
  };
  const Case cases[] = {
      {"replaced by a rename, as an update does",
       [](BankHome& home) {
         writeBank(home.updateFile("next.db"), "Key2Text", "new");
         std::filesystem::rename(home.updateFile("next.db"), home.liveBank());
       }},
      {"removed, then another unpacked in its place",
       [](BankHome& home) {
         std::filesystem::remove(home.liveBank());
         BankKeyCache::invalidate();
         writeBank(home.updateFile("next.db"), "Key2Text", "new");
         std::filesystem::rename(home.updateFile("next.db"), home.liveBank());
         BankKeyCache::invalidate();
       }},
      {"rewritten in place with its file times put back, then announced",
       [](BankHome& home) {
         writeBank(home.updateFile("next.db"), "Key2Text", "new");
         keepTimes(home.liveBank(),
                   [&] { writeBytes(home.liveBank(), readBytes(home.updateFile("next.db"))); });
         BankKeyCache::invalidate();
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BankHome home;
    writeBank(home.liveBank(), "Key1Text", "old");
    ASSERT_EQ(titles(), (std::vector<std::string>{"old", "old", "old"}));  // the key of batch 5 is kept now
    c.change(home);
    EXPECT_EQ(titles(), (std::vector<std::string>{"new", "new", "new"}));
    EXPECT_EQ(BaseDAO().getDBTime(5), "Key2Text");
  }
}

// The two writes to the live bank itself: an old file gaining its BatchID column, and a batch row
// added for a larger batch id. Both give keys to questions that had none a moment before.
TEST(BankKeyCacheTest, TheLiveBanksOwnWritesGiveKeysToWaitingQuestions) {
  BankHome home;
  const std::string key = "Key1Text";
  const std::string json = R"({"Title":"q"})";
  runSQL(home.liveBank(),
         {"CREATE TABLE DBVersion (ID INTEGER PRIMARY KEY, Version REAL, Time TEXT)",
          "INSERT INTO DBVersion VALUES (1, 1, '" + encipher(key, BaseDAO::kDefaultKey) + "')",
          "CREATE TABLE Test (AID INTEGER PRIMARY KEY, GUID TEXT, Type TEXT, ID INTEGER, "
          "PID INTEGER, TestContent TEXT)",
          "INSERT INTO Test VALUES (1, 'g', 'ATEST', 1, 1, 'pfx01" + encipher(json, key) + "')",
          "INSERT INTO Test VALUES (2, 'g', 'ATEST', 2, 9, 'pfx01" + encipher(json, key) + "')"});
  // Without a BatchID column no batch is found: neither question has a key yet.
  EXPECT_TRUE(titles("1,2").empty());
  EXPECT_EQ(DBVersionDAO().getMaxBatchID(), 1);  // adds the column, 1 in every row
  EXPECT_EQ(titles("1,2"), std::vector<std::string>{"q"});
  EXPECT_TRUE(DBVersionDAO().updateDBVersion(9));  // batch 9 repeats the largest batch's key
  EXPECT_EQ(titles("1,2"), (std::vector<std::string>{"q", "q"}));
}

// The cache's own rules, on a file that does not change: a kept key is used again; invalidate()
// drops it; a reader that began before invalidate() keeps nothing it derives afterwards.
TEST(BankKeyCacheTest, InvalidateDropsKeptKeysAndWhatEarlierReadersFind) {
  BankHome home;
  writeBank(home.liveBank(), "Key1Text", "old");
  auto derived = [](const char* key) { return [key] { return std::optional<std::string>(key); }; };

  const BankKeyCache::Snapshot first = BankKeyCache::snapshot(home.liveBank());
  EXPECT_EQ(first.keyFor(5, derived("A")), "A");
  EXPECT_EQ(first.keyFor(5, derived("B")), "A");                                    // kept
  EXPECT_EQ(BankKeyCache::snapshot(home.liveBank()).keyFor(5, derived("B")), "A");  // for later readers too
  EXPECT_EQ(first.keyFor(6, [] { return std::optional<std::string>(); }), std::nullopt);
  EXPECT_EQ(first.keyFor(6, derived("F")), std::nullopt);  // a batch without a key is kept as such

  BankKeyCache::invalidate();
  EXPECT_EQ(first.keyFor(5, derived("C")), "C");  // began before: derives, keeps nothing
  const BankKeyCache::Snapshot second = BankKeyCache::snapshot(home.liveBank());
  EXPECT_EQ(second.keyFor(5, derived("D")), "D");
  EXPECT_EQ(second.keyFor(5, derived("E")), "D");
  EXPECT_EQ(BankKeyCache::snapshot(home.updateFile("missing.db")).keyFor(5, derived("G")), "G");
}
