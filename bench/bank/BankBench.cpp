// Question-bank hot paths on the generated sample bank, each beside the same work done with the
// plainest tools (CPU time of the whole process: the merge runs on the database queue's thread):
//   BuildQuestionSet             100 questions by id through TestDAO (one query, kept batch keys, DES
//                                and JSON per row);
//   BuildQuestionSet_Primitives  the sum of its parts on the same rows: 100 primary-key reads through
//                                SQLite's C API on one open connection, 100 decipherments, 100 parses;
//   DeriveBatchKey               one key derivation (open, one-row query, close, one DES run);
//   DecipherAndParse             DES and JSON of one stored question;
//   MergeUpdatePack              the three merge steps of a 10,000-row update pack (5,000 changed and
//                                5,000 new questions, 100 deletions) into a fresh working copy of a
//                                5,400-question bank;
//   MergeUpdatePack_CAPI         the same statements through SQLite's C API, prepared once, in one
//                                transaction, with the merge's pragma (commits without disk syncs) and
//                                the pack's questions read row by row as they are written, as the merge
//                                reads them.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "bench/support/PeerComparison.h"
#include "dao/BankLocation.h"
#include "dao/BaseDAO.h"
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
  std::string capiCopy() const { return (root_ / "capi.db").string(); }
  std::string packPath() const { return (root_ / "update" / "GKSample_up_big.db").string(); }

  // 100 readable question ids spread over the bank.
  static std::vector<int> hundredIdList() {
    static const int base[] = {1001, 1002, 1003, 1004, 1005, 1009, 1012, 1018, 1109, 1112};
    std::vector<int> ids;
    for (int copy = 0; copy < 10; ++copy) {
      for (int aid : base) ids.push_back(aid + copy * 70000);
    }
    return ids;
  }
  static std::string hundredIds() {
    std::string ids;
    for (int aid : hundredIdList()) ids += (ids.empty() ? "" : ",") + std::to_string(aid);
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
BENCHMARK(BuildQuestionSet)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

// What a row's key and cipher text are, read the plainest way.
sqlite3* openReadOnly(const std::string& path) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    fprintf(stderr, "bench setup failed: cannot open %s\n", path.c_str());
    abort();
  }
  return db;
}

sqlite3_stmt* prepare(sqlite3* db, const char* sql) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
    fprintf(stderr, "bench setup failed: %s: %s\n", sql, sqlite3_errmsg(db));
    abort();
  }
  return statement;
}

std::string columnText(sqlite3_stmt* statement, int column) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
  return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, column)))
              : std::string();
}

// The primitives of a question set on the same 100 rows: a primary-key read each on one open
// connection (statement prepared once, the reads in one read transaction), then DES with the row's
// batch key (the keys known in advance) and JSON.
void BuildQuestionSet_Primitives(benchmark::State& state) {
  auto& b = bank();
  sqlite3* db = openReadOnly(b.live());
  std::map<std::int64_t, std::string> keys;
  for (std::int64_t batch : {0, 1, 2, 3}) keys[batch] = BaseDAO().getDBTime(batch).value_or("");
  const std::vector<int> ids = BenchBank::hundredIdList();
  sqlite3_stmt* read = prepare(db, "select PID, TestContent from Test where AID = ?");
  std::size_t count = 0;
  for (auto _ : state) {
    core::Array records;
    sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);  // one read lock for the 100 reads
    for (int aid : ids) {
      sqlite3_bind_int64(read, 1, aid);
      if (sqlite3_step(read) == SQLITE_ROW) {
        // A row with a PID carries 5 characters before its cipher text (when that fails, the whole
        // text is tried); one without uses the first batch's key on the whole text.
        const bool hasPid = sqlite3_column_type(read, 0) != SQLITE_NULL;
        const std::string& key = keys[sqlite3_column_int64(read, 0)];
        const std::string content = columnText(read, 1);
        auto plain = DESEncrypt::decypte(std::string_view(content).substr(hasPid ? 5 : 0), key);
        if (!plain && hasPid) plain = DESEncrypt::decypte(content, key);  // stored without the 5
        if (plain) plain->resize(plain->find('\0') == std::string::npos ? plain->size() : plain->find('\0'));
        core::Value record = JSONValue(plain.value_or(""));
        if (record.isDictionary()) records.push_back(std::move(record));
      }
      sqlite3_reset(read);
    }
    sqlite3_exec(db, "commit", nullptr, nullptr, nullptr);
    count = records.size();
    benchmark::DoNotOptimize(records);
  }
  sqlite3_finalize(read);
  sqlite3_close(db);
  if (count != 100) state.SkipWithError("the primitives did not read 100 questions");
  state.SetItemsProcessed(state.iterations() * 100);
}

void DeriveBatchKey(benchmark::State& state) {
  bank();
  BaseDAO dao;
  for (auto _ : state) benchmark::DoNotOptimize(dao.getDBTime(2));
}
BENCHMARK(BuildQuestionSet_Primitives)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
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
BENCHMARK(MergeUpdatePack)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// One row of a pack table, every column as text (NULL as nothing), as the merge reads them.
using PackRow = std::vector<std::optional<std::string>>;

std::vector<PackRow> readPack(sqlite3* db, const char* sql, int columns) {
  std::vector<PackRow> rows;
  sqlite3_stmt* statement = prepare(db, sql);
  while (sqlite3_step(statement) == SQLITE_ROW) {
    PackRow row;
    for (int c = 0; c < columns; ++c) {
      if (sqlite3_column_type(statement, c) == SQLITE_NULL) {
        row.emplace_back();
      } else {
        row.emplace_back(columnText(statement, c));
      }
    }
    rows.push_back(std::move(row));
  }
  sqlite3_finalize(statement);
  return rows;
}

void bindText(sqlite3_stmt* statement, int index, const std::optional<std::string>& text) {
  if (text) {
    sqlite3_bind_text(statement, index, text->data(), static_cast<int>(text->size()), SQLITE_STATIC);
  } else {
    sqlite3_bind_null(statement, index);
  }
}

std::int64_t integerOf(const std::optional<std::string>& text) {
  return text ? std::atoll(text->c_str()) : 0;
}

// A text column of a pack row bound as it is (NULL stays NULL); valid until the row's statement steps.
void bindColumn(sqlite3_stmt* statement, int index, sqlite3_stmt* row, int column) {
  if (sqlite3_column_type(row, column) == SQLITE_NULL) {
    sqlite3_bind_null(statement, index);
    return;
  }
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(row, column));
  sqlite3_bind_text(statement, index, text, sqlite3_column_bytes(row, column), SQLITE_STATIC);
}

// An integer column of a pack row: its text's leading number, 0 for NULL.
std::int64_t integerOf(sqlite3_stmt* row, int column) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(row, column));
  return text ? std::atoll(text) : 0;
}

bool stepDone(sqlite3_stmt* statement) {
  const bool done = sqlite3_step(statement) == SQLITE_DONE;
  sqlite3_reset(statement);
  return done;
}

// The merge's statements through the C API: the pack read as the merge reads it (its questions row by
// row as they are written), every write in one exclusive transaction on the working copy, each statement
// prepared once.
bool mergeThroughCAPI(const std::string& packPath, const std::string& workingCopy) {
  sqlite3* pack = openReadOnly(packPath);
  const auto batches = readPack(pack, "select Version, Time, BatchID from DBVersion", 3);
  const auto deletions = readPack(pack, "select AID from Test_Delete", 1);
  const auto others = readPack(pack, "select ID, Type, TID, KeyWord, Content from OtherContent", 5);
  sqlite3_stmt* maxBatch = prepare(pack, "SELECT MAX(BatchID) FROM DBVersion");
  const std::int64_t pid = sqlite3_step(maxBatch) == SQLITE_ROW ? sqlite3_column_int64(maxBatch, 0) : 0;
  sqlite3_finalize(maxBatch);

  sqlite3* db = nullptr;
  if (sqlite3_open(workingCopy.c_str(), &db) != SQLITE_OK) return false;
  // The working copy's commits do not wait for the disk, as in the merge.
  bool ok = sqlite3_exec(db, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr) == SQLITE_OK;
  ok = ok && sqlite3_exec(db, "begin exclusive transaction", nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_stmt* insertBatch = prepare(db, "INSERT INTO DBVersion(Version,Time,BatchID) VALUES(?,?,?)");
  for (const auto& row : batches) {
    if (!ok) break;
    sqlite3_bind_double(insertBatch, 1, row[0] ? std::atof(row[0]->c_str()) : 0);
    bindText(insertBatch, 2, row[1]);
    bindText(insertBatch, 3, row[2]);
    ok = stepDone(insertBatch);
  }
  std::string ids;
  for (const auto& row : deletions) ids += (ids.empty() ? "" : ",") + row[0].value_or("0");
  ok = ok && sqlite3_exec(db, ("delete from Test where AID in (" + ids + ")").c_str(), nullptr, nullptr,
                          nullptr) == SQLITE_OK;
  sqlite3_stmt* find = prepare(db, "select * from Test where AID = ?");
  sqlite3_stmt* update = prepare(db, "update Test set GUID=?,Type=?,ID=?, PID=?, TestContent=? WHERE AID=?");
  sqlite3_stmt* insert =
      prepare(db, "insert into Test(AID, GUID, Type, ID, PID, TestContent) values(?, ?, ?, ?, ?, ?)");
  // The pack's questions are read one at a time as they are written, each text bound where SQLite
  // holds it.
  sqlite3_stmt* questions = prepare(pack, "select AID, GUID, Type, ID, BatchID, TestContent from Test");
  while (ok && sqlite3_step(questions) == SQLITE_ROW) {
    const std::int64_t aid = integerOf(questions, 0);
    sqlite3_bind_int64(find, 1, aid);
    const bool exists = sqlite3_step(find) == SQLITE_ROW;
    sqlite3_reset(find);
    if (exists) {
      bindColumn(update, 1, questions, 1);
      bindColumn(update, 2, questions, 2);
      sqlite3_bind_int64(update, 3, integerOf(questions, 3));
      sqlite3_bind_int64(update, 4, pid);
      bindColumn(update, 5, questions, 5);
      sqlite3_bind_int64(update, 6, aid);
      ok = stepDone(update);
    } else {
      sqlite3_bind_int64(insert, 1, aid);
      bindColumn(insert, 2, questions, 1);
      bindColumn(insert, 3, questions, 2);
      sqlite3_bind_int64(insert, 4, integerOf(questions, 3));
      sqlite3_bind_int64(insert, 5, integerOf(questions, 4));
      bindColumn(insert, 6, questions, 5);
      ok = stepDone(insert);
    }
  }
  sqlite3_finalize(questions);
  sqlite3_close(pack);
  ok = ok && sqlite3_exec(db, "delete from OtherContent", nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_stmt* insertOther =
      prepare(db, "INSERT INTO OtherContent(ID,Type,TID,KeyWord,Content) VALUES(?,?,?,?,?)");
  for (const auto& row : others) {
    if (!ok) break;
    sqlite3_bind_int64(insertOther, 1, integerOf(row[0]));
    bindText(insertOther, 2, row[1]);
    sqlite3_bind_int64(insertOther, 3, integerOf(row[2]));
    bindText(insertOther, 4, row[3]);
    bindText(insertOther, 5, row[4]);
    ok = stepDone(insertOther);
  }
  for (sqlite3_stmt* statement : {insertBatch, find, update, insert, insertOther})
    sqlite3_finalize(statement);
  ok = sqlite3_exec(db, ok ? "commit transaction" : "rollback transaction", nullptr, nullptr, nullptr) ==
           SQLITE_OK &&
       ok;
  sqlite3_close(db);
  return ok;
}

void MergeUpdatePack_CAPI(benchmark::State& state) {
  auto& b = bank();
  for (auto _ : state) {
    state.PauseTiming();
    fs::copy_file(b.workingTemplate(), b.capiCopy(), fs::copy_options::overwrite_existing);
    state.ResumeTiming();
    if (!mergeThroughCAPI(b.packPath(), b.capiCopy())) {
      state.SkipWithError("merge failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(MergeUpdatePack_CAPI)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// A summary of what a merge left, to see that both merges did the same work.
std::string mergedDigest(const std::string& path) {
  auto db = SQLDatabase::databaseWithPath(path);
  db->open();
  const std::string digest =
      db->stringForQuery(
            "select (select count(*) || '/' || sum(PID) || '/' || total(length(TestContent)) || '/' || "
            "sum(AID) from Test) || '|' || (select count(*) from DBVersion) || '|' || "
            "(select count(*) || '/' || total(length(Content)) from OtherContent)")
          .value_or("");
  db->close();
  return digest;
}

void checkSameMerge() {
  auto& b = bank();
  fs::copy_file(b.workingTemplate(), b.workingCopy(), fs::copy_options::overwrite_existing);
  fs::copy_file(b.workingTemplate(), b.capiCopy(), fs::copy_options::overwrite_existing);
  const bool ours = DBVersionDAO().upgradeDB(b.packPath()) &&
                    TestAlterDAO().upgradeDB(b.packPath(), b.workingCopy()) &&
                    OtherContentDAO().upgradeDB(b.packPath());
  const bool theirs = mergeThroughCAPI(b.packPath(), b.capiCopy());
  if (!ours || !theirs || mergedDigest(b.workingCopy()) != mergedDigest(b.capiCopy())) {
    fprintf(stderr, "bank_bench: the two merges do not agree (%s / %s)\n",
            mergedDigest(b.workingCopy()).c_str(), mergedDigest(b.capiCopy()).c_str());
    exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Both sides keep the memory they free for their next repetition. Left to itself, glibc hands freed
  // heap back to the system whenever its free top passes a threshold it moves with what was freed
  // before, and a repetition then faults its pages in again: whether that happens to one side, the other
  // or both depends on where each side's last allocations lie, and it made the merge's figures jump by
  // tens of milliseconds between otherwise equal runs.
  mallopt(M_TRIM_THRESHOLD, 64000000);
  checkSameMerge();
  using vdbench::compare;
  compare({"100-question set (TestDAO)", "BuildQuestionSet", "BuildQuestionSet_Primitives", "its primitives",
           2.0});
  compare({"10,000-row update merge (3 DAO steps)", "MergeUpdatePack", "MergeUpdatePack_CAPI", "SQLite C API",
           1.5});
  return vdbench::runAndCompare(argc, argv);
}
