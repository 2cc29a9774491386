#pragma once
// SQLResultSet: the forward-only cursor a query of SQLDatabase hands out. It steps through the rows of
// one prepared statement and reads their columns by index or by name (names match without regard to
// case), converted to the application's value types. It closes itself when next() finds no further row
// or an error; after that every reader gives 0, nothing or false.
//
// The cursor keeps its parent connection alive until it closes; the parent lists it among its open
// cursors and closes it when the connection closes.

#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/core/Value.h"

class SQLDatabase;
class SQLStatement;

class SQLResultSet : public std::enable_shared_from_this<SQLResultSet> {
  struct Token {};

 public:
  // Made by SQLDatabase only.
  static std::shared_ptr<SQLResultSet> resultSetWithStatement(std::shared_ptr<SQLStatement> statement,
                                                              std::shared_ptr<SQLDatabase> parent);
  SQLResultSet(Token, std::shared_ptr<SQLStatement> statement, std::shared_ptr<SQLDatabase> parent);
  ~SQLResultSet();  // close()
  SQLResultSet(const SQLResultSet&) = delete;
  SQLResultSet& operator=(const SQLResultSet&) = delete;

  // Steps to the next row: true when there is one. Busy and locked answers are retried under the
  // parent's busy rule. Without a further row (or on an error) the cursor closes.
  bool next();
  // Whether the parent connection's last result code is SQLITE_ROW.
  bool hasAnotherRow() const;
  // Resets the statement and lets it go, tells the parent and lets it go. Closing twice is harmless.
  void close();
  int columnCount() const;

  // -1 when the statement has no column of that name (any case).
  int columnIndexForName(std::string_view columnName);
  // The statement's column name as it is; "" for an index out of range.
  std::string columnNameForIndex(int columnIndex) const;

  // ---- readers by index (the by-name forms look the index up first) ----
  int intForColumnIndex(int columnIndex) const;  // SQLite's conversion; 0 for NULL
  long longForColumnIndex(int columnIndex) const;
  long long longLongIntForColumnIndex(int columnIndex) const;
  unsigned long long unsignedLongLongIntForColumnIndex(int columnIndex) const;
  bool boolForColumnIndex(int columnIndex) const;
  double doubleForColumnIndex(int columnIndex) const;
  std::optional<std::string> stringForColumnIndex(int columnIndex) const;  // nothing for NULL
  std::optional<core::Date> dateForColumnIndex(int columnIndex) const;     // seconds since 1970
  std::optional<core::Bytes> dataForColumnIndex(int columnIndex) const;    // a copy of the bytes
  // The bytes in place, valid until the cursor moves or closes.
  std::optional<std::span<const std::uint8_t>> dataNoCopyForColumnIndex(int columnIndex) const;
  bool columnIndexIsNull(int columnIndex) const;
  // The UTF-8 text in place (valid until the cursor moves); nullptr for NULL.
  const char* UTF8StringForColumnIndex(int columnIndex) const;
  // By storage class: blob -> Data, float -> Double, integer -> Integer, text -> String,
  // NULL -> Value::null(); Nil when there is no such column or row.
  core::Value objectForColumnIndex(int columnIndex) const;

  int intForColumn(std::string_view name) { return intForColumnIndex(columnIndexForName(name)); }
  long longForColumn(std::string_view name) { return longForColumnIndex(columnIndexForName(name)); }
  long long longLongIntForColumn(std::string_view name) {
    return longLongIntForColumnIndex(columnIndexForName(name));
  }
  unsigned long long unsignedLongLongIntForColumn(std::string_view name) {
    return unsignedLongLongIntForColumnIndex(columnIndexForName(name));
  }
  bool boolForColumn(std::string_view name) { return boolForColumnIndex(columnIndexForName(name)); }
  double doubleForColumn(std::string_view name) { return doubleForColumnIndex(columnIndexForName(name)); }
  std::optional<std::string> stringForColumn(std::string_view name) {
    return stringForColumnIndex(columnIndexForName(name));
  }
  std::optional<core::Date> dateForColumn(std::string_view name) {
    return dateForColumnIndex(columnIndexForName(name));
  }
  std::optional<core::Bytes> dataForColumn(std::string_view name) {
    return dataForColumnIndex(columnIndexForName(name));
  }
  std::optional<std::span<const std::uint8_t>> dataNoCopyForColumn(std::string_view name) {
    return dataNoCopyForColumnIndex(columnIndexForName(name));
  }
  bool columnIsNull(std::string_view name) { return columnIndexIsNull(columnIndexForName(name)); }
  const char* UTF8StringForColumnName(std::string_view name) {
    return UTF8StringForColumnIndex(columnIndexForName(name));
  }
  core::Value objectForColumnName(std::string_view name) {
    return objectForColumnIndex(columnIndexForName(name));
  }

  // ---- whole rows: nothing when the current row has no data ----
  // Column name as the statement gives it -> objectForColumnIndex().
  std::optional<core::Dictionary> resultDictionary() const;
  // The same keyed by the lower-cased names.
  std::optional<core::Dictionary> resultDict();
  // Sets, for each column whose text is not NULL, the key named like the column to that text.
  void kvcMagic(core::Dictionary object) const;

  // ---- accessors ----
  const std::string& query() const { return query_; }
  void setQuery(std::string query) { query_ = std::move(query); }
  const std::shared_ptr<SQLStatement>& statement() const { return statement_; }
  void setStatement(std::shared_ptr<SQLStatement> statement) { statement_ = std::move(statement); }
  // Lower-cased column name -> index; built on first use.
  const std::map<std::string, int>& columnNameToIndexMap();
  void setColumnNameToIndexMap(std::map<std::string, int> map);
  void setParentDB(std::shared_ptr<SQLDatabase> parent) { parentDB_ = std::move(parent); }

 private:
  sqlite3_stmt* stmt() const;
  bool validColumn(int columnIndex) const;

  std::shared_ptr<SQLStatement> statement_;
  std::shared_ptr<SQLDatabase> parentDB_;
  std::string query_;
  std::map<std::string, int> columnNameToIndexMap_;
  bool columnNamesSetup_ = false;
};
