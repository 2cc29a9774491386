// Question-bank hot paths on the generated sample bank:
//   BuildQuestionSet    100 questions by id: one query, a key derivation per row (its own connection),
//                       DES and JSON per row;
//   DeriveBatchKey      one key derivation (open, one-row query, close, one DES run);
//   DecipherAndParse    DES and JSON of one stored question;
//   MergeUpdatePack     the three merge steps of a 10,000-row update pack (5,000 changed and 5,000 new
//                       questions, 100 deletions) into a fresh working copy of a 5,400-question bank.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "dao/BankLocation.h"
#include "dao/DBVersionDAO.h"
#include "dao/OtherContentDAO.h"
#include "dao/TestAlterDAO.h"
#include "dao/TestDAO.h"
#include "librarys/json/JsonParser.h"
#include "librarys/sqldb/SQLDatabase.h"
#include "librarys/sqldb/SQLResultSet.h"
#include "util/DESEncrypt.h"

namespace fs = std::filesystem;

namespace {

void run(const std::string& path, const std::string& sql) {
  auto db = SQLDatabase::databaseWithPath(path);
  if (!db->open() || !db->executeUpdate(sql)) {
    fprintf(stderr, "bench setup failed: %s: %s\n", sql.c_str(), db->lastErrorMessage().c_str());
    abort();
  }
  db->close();
}

// A temporary bank folder: db/GKSample.db (the sample bank grown to 100 copies of its questions),
// update/ with a 10,000-row pack and a template of the working copy.
class BenchBank {
 public:
  BenchBank() {
    std::string pattern = (fs::temp_directory_path() / "vd-bank-bench-XXXXXX").string();
    root_ = mkdtemp(pattern.data());
    fs::create_directories(root_ / "db");
    fs::create_directories(root_ / "update");
    BankLocation::set(BankLocation{[d = (root_ / "db").string()] { return d; },
                                   [] { return std::string("GKSample"); },
                                   [d = (root_ / "update").string()] { return d; }, [] {}});

    const std::string sample = VD_SAMPLE_DIR;
    const std::string bank = live();
    fs::copy_file(sample + "/GKSample.db", bank);
    // Copy k of the readable questions gets AID + k * 10000 (k = 1..99).
    run(bank,
        "WITH RECURSIVE k(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM k WHERE n < 99) "
        "INSERT INTO Test SELECT AID + n * 10000, GUID, Type, ID, PID, TestContent FROM Test, k WHERE AID < "
        "1900");
    fs::copy_file(bank, workingTemplate());

    const std::string pack = packPath();
    fs::copy_file(sample + "/GKSample_up_2_3.db", pack);
    run(pack, "DELETE FROM Test");
    run(pack, "DELETE FROM Test_Delete");
    // 5,000 changed questions (AIDs already in the bank) and 5,000 new ones, 100 deletions.
    {
      auto db = SQLDatabase::databaseWithPath(pack);
      db->open();
      db->executeUpdate("ATTACH ? AS bank", bank);
      db->executeUpdate(
          "INSERT INTO Test (AID, GUID, Type, ID, BatchID, TestContent) "
          "SELECT AID, GUID, Type, ID, 3, TestContent FROM bank.Test WHERE AID > 20000 ORDER BY AID LIMIT "
          "5000");
      db->executeUpdate(
          "INSERT INTO Test (AID, GUID, Type, ID, BatchID, TestContent) "
          "SELECT AID + 5000000, GUID, Type, ID, 3, TestContent FROM bank.Test WHERE AID > 20000 ORDER BY "
          "AID LIMIT 5000");
      db->executeUpdate(
          "INSERT INTO Test_Delete SELECT AID FROM bank.Test WHERE AID < 20000 ORDER BY AID LIMIT 100");
      const int rows = db->intForQuery("select count(*) from Test");
      db->close();
      if (rows != 10000) {
        fprintf(stderr, "bench setup failed: the pack holds %d questions\n", rows);
        abort();
      }
    }
  }
  ~BenchBank() {
    BankLocation::set(BankLocation{});
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  std::string live() const { return (root_ / "db" / "GKSample.db").string(); }
  std::string workingCopy() const { return (root_ / "update" / "GKSample.db").string(); }
  std::string workingTemplate() const { return (root_ / "template.db").string(); }
  std::string packPath() const { return (root_ / "update" / "GKSample_up_big.db").string(); }

  // 100 readable question ids spread over the bank.
  static std::string hundredIds() {
    static const int base[] = {1001, 1002, 1003, 1004, 1005, 1009, 1012, 1018, 1109, 1112};
    std::string ids;
    for (int copy = 0; copy < 10; ++copy) {
      for (int aid : base) ids += (ids.empty() ? "" : ",") + std::to_string(aid + copy * 70000);
    }
    return ids;
  }

 private:
  fs::path root_;
};

BenchBank& bank() {
  static BenchBank instance;
  return instance;
}

void BuildQuestionSet(benchmark::State& state) {
  bank();
  const std::string ids = BenchBank::hundredIds();
  TestDAO dao("");
  std::size_t count = 0;
  for (auto _ : state) {
    auto records = dao.getTestListWithType("ATEST", ids);
    count = records.size();
    benchmark::DoNotOptimize(records);
  }
  if (count != 100) state.SkipWithError("the set does not hold 100 questions");
  state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BuildQuestionSet)->Unit(benchmark::kMillisecond);

void DeriveBatchKey(benchmark::State& state) {
  bank();
  BaseDAO dao;
  for (auto _ : state) benchmark::DoNotOptimize(dao.getDBTime(2));
}
BENCHMARK(DeriveBatchKey)->Unit(benchmark::kMicrosecond);

void DecipherAndParse(benchmark::State& state) {
  bank();
  auto db = SQLDatabase::databaseWithPath(bank().live());
  db->open();
  const std::string content =
      db->stringForQuery("select TestContent from Test where AID = 1001").value_or("");
  db->close();
  const std::string key = BaseDAO().getDBTime(0).value_or("");
  for (auto _ : state) {
    auto plain = DESEncrypt::decypte(content, key);
    if (plain) plain->resize(plain->find('\0') == std::string::npos ? plain->size() : plain->find('\0'));
    benchmark::DoNotOptimize(JSONValue(plain.value_or("")));
  }
}
BENCHMARK(DecipherAndParse)->Unit(benchmark::kMicrosecond);

void MergeUpdatePack(benchmark::State& state) {
  auto& b = bank();
  for (auto _ : state) {
    state.PauseTiming();
    fs::copy_file(b.workingTemplate(), b.workingCopy(), fs::copy_options::overwrite_existing);
    state.ResumeTiming();
    const bool ok = DBVersionDAO().upgradeDB(b.packPath()) &&
                    TestAlterDAO().upgradeDB(b.packPath(), b.workingCopy()) &&
                    OtherContentDAO().upgradeDB(b.packPath());
    if (!ok) {
      state.SkipWithError("merge failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(MergeUpdatePack)->Unit(benchmark::kMillisecond);

}  // namespace
