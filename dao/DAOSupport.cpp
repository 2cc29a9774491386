#include "dao/DAOSupport.h"

#include <vector>

#include "librarys/json/JsonParser.h"
#include "librarys/sqldb/SQLDatabase.h"
#include "librarys/sqldb/SQLResultSet.h"
#include "platform/core/Paths.h"
#include "platform/core/Text.h"
#include "util/DESEncrypt.h"

namespace dao {

bool isDecimalId(std::string_view text) {
  if (text.empty() || text.size() > 19) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

std::string decimalIdList(std::string_view text) {
  std::vector<std::string> kept;
  for (const auto& piece : core::split(text, ",")) {
    std::string id = core::trim(piece);
    if (isDecimalId(id)) kept.push_back(std::move(id));
  }
  return core::join(kept, ",");
}

std::optional<std::string> dropCharacters(std::string_view text, std::size_t n) {
  if (core::utf16Length(text) < n) return std::nullopt;
  return std::string(text.substr(core::utf8OffsetOfUtf16(text, n)));
}

std::optional<std::string> decipherText(std::string_view cipherText, std::string_view key) {
  auto plain = DESEncrypt::decypte(cipherText, key);
  if (!plain) return std::nullopt;
  if (auto nul = plain->find('\0'); nul != std::string::npos) plain->resize(nul);
  return plain;
}

core::Value contentOfFirstRow(const std::shared_ptr<SQLResultSet>& rs) {
  if (!rs || !rs->next()) return core::Value();
  const std::optional<std::string> content = rs->stringForColumn("Content");
  rs->close();
  return content ? JSONValue(*content) : core::Value();
}

std::shared_ptr<SQLDatabase> openExistingDatabase(const std::string& path) {
  if (path.empty() || !core::Paths::isRegularFile(path)) return nullptr;
  auto db = SQLDatabase::databaseWithPath(path);
  if (!db->open()) return nullptr;
  if (!db->goodConnection()) {
    db->close();
    return nullptr;
  }
  return db;
}

bool forEachPackRow(const std::string& packPath, const std::string& sql,
                    const std::function<void(SQLResultSet& row)>& each) {
  auto db = openExistingDatabase(packPath);
  if (!db) return false;
  auto rs = db->executeQuery(sql);
  bool read = rs != nullptr;
  while (rs && rs->next()) each(*rs);
  // The walk ends at the last row or at a failure (a damaged page, a view whose table is gone).
  if (read && db->hadError()) read = false;
  db->close();
  return read;
}

bool packHasTable(const std::string& packPath, const std::string& name) {
  auto db = openExistingDatabase(packPath);
  if (!db) return false;
  const bool has = db->intForQuery(
                       "select count(*) from sqlite_master where type in ('table', 'view') and "
                       "name = ? collate nocase",
                       name) > 0;
  db->close();
  return has;
}

std::optional<std::string> missingPackColumn(const std::string& packPath, const std::string& table,
                                             std::initializer_list<const char*> columns) {
  auto db = openExistingDatabase(packPath);
  if (!db) return std::nullopt;
  std::optional<std::string> missing;
  // The statement is only prepared: its column names are known without reading a row.
  if (auto rs = db->executeQuery("select * from " + table + " limit 0")) {
    for (const char* column : columns) {
      if (rs->columnIndexForName(column) < 0) {
        missing = column;
        break;
      }
    }
    rs->close();
  }
  db->close();
  return missing;
}

std::string missingColumnText(const std::string& table, const std::string& column) {
  return "更新包的" + table + "表缺少" + column + "列";
}

core::Value textOrNull(const std::optional<std::string>& text) {
  return text ? core::Value(*text) : core::Value::null();
}

core::Value textOrNull(std::optional<std::string>&& text) {
  return text ? core::Value(std::move(*text)) : core::Value::null();
}

std::int64_t integerOf(const std::optional<std::string>& text) {
  return text ? core::integerValue(*text) : 0;
}

TransactionResult runExclusiveTransaction(const std::string& path,
                                          const SQLDatabaseQueue::TransactionBlock& block) {
  if (path.empty() || !core::Paths::isRegularFile(path)) return TransactionResult::NotRun;
  auto queue = SQLDatabaseQueue::databaseQueueWithPath(path);
  if (!queue) return TransactionResult::NotRun;
  // The file is the update's working copy: a scratch copy made afresh for every merge and flushed to
  // disk by the update itself before it takes the bank's place. Its commits skip the disk syncs; the
  // rollback journal is still written, so a failed step is still undone.
  queue->inDatabase([](SQLDatabase& db) { db.executeUpdate("PRAGMA synchronous=OFF"); });
  bool ran = false;
  const bool committed = queue->inTransaction([&](SQLDatabase& db, bool& rollback) {
    ran = true;
    // A merge step runs the same few statements for every row of a pack: each is prepared once.
    db.setShouldCacheStatements(true);
    if (block) block(db, rollback);
  });
  queue->close();
  if (committed) return TransactionResult::Committed;
  return ran ? TransactionResult::RolledBack : TransactionResult::NotRun;
}

}  // namespace dao
