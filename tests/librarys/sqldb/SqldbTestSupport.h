#pragma once
// Small helpers shared by the SQLite tests: a temporary directory, a recorder of the SQL texts a
// connection runs, and a few one-line readers.

#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "librarys/sqldb/SQLDatabase.h"
#include "librarys/sqldb/SQLResultSet.h"
#include "tests/support/TempDir.h"

namespace sqldbtest {

// The shared temporary directory (tests/support/TempDir.h), naming files as these tests do.
class TempDir : public testsupport::TempDir {
 public:
  TempDir() : testsupport::TempDir("sqldb-test") {}
  std::string file(const std::string& name) const { return *this / name; }
};

inline void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// Records the text of every statement a connection starts to run.
class StatementLog {
 public:
  void attach(SQLDatabase& db) {
    sqlite3_trace_v2(db.sqliteHandle(), SQLITE_TRACE_STMT, &StatementLog::record, this);
  }
  const std::vector<std::string>& texts() const { return texts_; }
  void clear() { texts_.clear(); }

 private:
  static int record(unsigned, void* self, void*, void* text) {
    static_cast<StatementLog*>(self)->texts_.push_back(static_cast<const char*>(text));
    return 0;
  }
  std::vector<std::string> texts_;
};

inline std::shared_ptr<SQLDatabase> openDatabase(std::optional<std::string> path = std::nullopt) {
  auto db = SQLDatabase::databaseWithPath(std::move(path));
  db->open();
  return db;
}

// The integers of column 0 of every row, in order.
inline std::vector<long long> column0(SQLDatabase& db, const std::string& sql) {
  std::vector<long long> out;
  auto rs = db.executeQuery(sql);
  while (rs && rs->next()) out.push_back(rs->longLongIntForColumnIndex(0));
  return out;
}

}  // namespace sqldbtest
