#include "librarys/sqldb/SQLResultSet.h"

#include <algorithm>
#include <cctype>

#include "librarys/sqldb/SQLDatabase.h"
#include "librarys/sqldb/SQLStatement.h"

namespace {
std::string lowercased(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}
}  // namespace

std::shared_ptr<SQLResultSet> SQLResultSet::resultSetWithStatement(std::shared_ptr<SQLStatement> statement,
                                                                   std::shared_ptr<SQLDatabase> parent) {
  return std::make_shared<SQLResultSet>(Token{}, std::move(statement), std::move(parent));
}

SQLResultSet::SQLResultSet(Token, std::shared_ptr<SQLStatement> statement,
                           std::shared_ptr<SQLDatabase> parent)
    : statement_(std::move(statement)), parentDB_(std::move(parent)) {}

SQLResultSet::~SQLResultSet() { close(); }

sqlite3_stmt* SQLResultSet::stmt() const { return statement_ ? statement_->statement() : nullptr; }

bool SQLResultSet::next() {
  sqlite3_stmt* st = stmt();
  if (!st) {
    close();
    return false;
  }
  SQLDatabase::BusyRetry retry =
      parentDB_ ? parentDB_->busyRetry() : SQLDatabase::BusyRetry(0, SQLDatabase::kDefaultBusyRetryTimeLimit);
  int rc;
  for (;;) {
    rc = sqlite3_step(st);
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
      if (rc == SQLITE_LOCKED) sqlite3_reset(st);
      if (retry.again()) continue;
    }
    break;
  }
  if (rc != SQLITE_ROW) close();
  return rc == SQLITE_ROW;
}

bool SQLResultSet::hasAnotherRow() const { return parentDB_ && parentDB_->lastErrorCode() == SQLITE_ROW; }

void SQLResultSet::close() {
  if (statement_) {
    statement_->reset();
    statement_.reset();  // an uncached statement is finalized here
  }
  if (parentDB_) {
    auto parent = std::move(parentDB_);
    parentDB_.reset();
    parent->resultSetDidClose(this);
  }
}

int SQLResultSet::columnCount() const {
  sqlite3_stmt* st = stmt();
  return st ? sqlite3_column_count(st) : 0;
}

const std::map<std::string, int>& SQLResultSet::columnNameToIndexMap() {
  if (!columnNamesSetup_) {
    if (sqlite3_stmt* st = stmt()) {
      const int count = sqlite3_column_count(st);
      for (int i = 0; i < count; ++i) {
        const char* name = sqlite3_column_name(st, i);
        columnNameToIndexMap_[lowercased(name ? name : "")] = i;
      }
      columnNamesSetup_ = true;
    }
  }
  return columnNameToIndexMap_;
}

void SQLResultSet::setColumnNameToIndexMap(std::map<std::string, int> map) {
  columnNameToIndexMap_ = std::move(map);
  columnNamesSetup_ = true;
}

int SQLResultSet::columnIndexForName(std::string_view columnName) {
  const auto& map = columnNameToIndexMap();
  auto found = map.find(lowercased(columnName));
  return found == map.end() ? -1 : found->second;
}

std::string SQLResultSet::columnNameForIndex(int columnIndex) const {
  sqlite3_stmt* st = stmt();
  if (!st || columnIndex < 0 || columnIndex >= sqlite3_column_count(st)) return "";
  const char* name = sqlite3_column_name(st, columnIndex);
  return name ? name : "";
}

// A column can be read only on a current row (after next() answered true) and inside its range.
bool SQLResultSet::validColumn(int columnIndex) const {
  sqlite3_stmt* st = stmt();
  return st && columnIndex >= 0 && columnIndex < sqlite3_data_count(st);
}

int SQLResultSet::intForColumnIndex(int columnIndex) const {
  return validColumn(columnIndex) ? sqlite3_column_int(stmt(), columnIndex) : 0;
}

long SQLResultSet::longForColumnIndex(int columnIndex) const {
  return validColumn(columnIndex) ? static_cast<long>(sqlite3_column_int64(stmt(), columnIndex)) : 0;
}

long long SQLResultSet::longLongIntForColumnIndex(int columnIndex) const {
  return validColumn(columnIndex) ? sqlite3_column_int64(stmt(), columnIndex) : 0;
}

unsigned long long SQLResultSet::unsignedLongLongIntForColumnIndex(int columnIndex) const {
  return static_cast<unsigned long long>(longLongIntForColumnIndex(columnIndex));
}

bool SQLResultSet::boolForColumnIndex(int columnIndex) const { return intForColumnIndex(columnIndex) != 0; }

double SQLResultSet::doubleForColumnIndex(int columnIndex) const {
  return validColumn(columnIndex) ? sqlite3_column_double(stmt(), columnIndex) : 0.0;
}

bool SQLResultSet::columnIndexIsNull(int columnIndex) const {
  return !validColumn(columnIndex) || sqlite3_column_type(stmt(), columnIndex) == SQLITE_NULL;
}

std::optional<std::string> SQLResultSet::stringForColumnIndex(int columnIndex) const {
  if (columnIndexIsNull(columnIndex)) return std::nullopt;
  const unsigned char* text = sqlite3_column_text(stmt(), columnIndex);
  const int bytes = sqlite3_column_bytes(stmt(), columnIndex);
  if (!text) return std::string();
  return std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(bytes));
}

std::optional<core::Date> SQLResultSet::dateForColumnIndex(int columnIndex) const {
  if (columnIndexIsNull(columnIndex)) return std::nullopt;
  return core::Date{sqlite3_column_double(stmt(), columnIndex)};
}

std::optional<std::span<const std::uint8_t>> SQLResultSet::dataNoCopyForColumnIndex(int columnIndex) const {
  if (columnIndexIsNull(columnIndex)) return std::nullopt;
  const void* blob = sqlite3_column_blob(stmt(), columnIndex);
  const int bytes = sqlite3_column_bytes(stmt(), columnIndex);
  if (!blob || bytes <= 0) return std::span<const std::uint8_t>();
  return std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(blob),
                                       static_cast<std::size_t>(bytes));
}

std::optional<core::Bytes> SQLResultSet::dataForColumnIndex(int columnIndex) const {
  auto bytes = dataNoCopyForColumnIndex(columnIndex);
  if (!bytes) return std::nullopt;
  return core::Bytes(bytes->begin(), bytes->end());
}

const char* SQLResultSet::UTF8StringForColumnIndex(int columnIndex) const {
  if (columnIndexIsNull(columnIndex)) return nullptr;
  return reinterpret_cast<const char*>(sqlite3_column_text(stmt(), columnIndex));
}

core::Value SQLResultSet::objectForColumnIndex(int columnIndex) const {
  if (!validColumn(columnIndex)) return core::Value();
  switch (sqlite3_column_type(stmt(), columnIndex)) {
    case SQLITE_INTEGER:
      return core::Value(static_cast<std::int64_t>(sqlite3_column_int64(stmt(), columnIndex)));
    case SQLITE_FLOAT:
      return core::Value(sqlite3_column_double(stmt(), columnIndex));
    case SQLITE_BLOB:
      return core::Value(dataForColumnIndex(columnIndex).value_or(core::Bytes()));
    case SQLITE_NULL:
      return core::Value::null();
    default:
      return core::Value(stringForColumnIndex(columnIndex).value_or(std::string()));
  }
}

std::optional<core::Dictionary> SQLResultSet::resultDictionary() const {
  sqlite3_stmt* st = stmt();
  if (!st || sqlite3_data_count(st) <= 0) return std::nullopt;
  core::Dictionary row;
  const int count = sqlite3_column_count(st);
  for (int i = 0; i < count; ++i) row.set(columnNameForIndex(i), objectForColumnIndex(i));
  return row;
}

std::optional<core::Dictionary> SQLResultSet::resultDict() {
  sqlite3_stmt* st = stmt();
  if (!st || sqlite3_data_count(st) <= 0) return std::nullopt;
  const auto& map = columnNameToIndexMap();
  core::Dictionary row;
  // In column order, under the lower-cased names of the map.
  const int count = sqlite3_column_count(st);
  for (int i = 0; i < count; ++i) {
    const std::string key = lowercased(columnNameForIndex(i));
    auto found = map.find(key);
    if (found != map.end() && found->second == i) row.set(key, objectForColumnIndex(i));
  }
  return row;
}

void SQLResultSet::kvcMagic(core::Dictionary object) const {
  sqlite3_stmt* st = stmt();
  if (!st) return;
  const int count = sqlite3_column_count(st);
  for (int i = 0; i < count; ++i) {
    if (const char* text = UTF8StringForColumnIndex(i)) object.set(columnNameForIndex(i), core::Value(text));
  }
}
