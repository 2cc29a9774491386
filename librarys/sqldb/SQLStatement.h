#pragma once
// SQLStatement: one prepared SQLite statement with the query text it was made from and the number of
// times it was handed out. It finalizes the statement when it is closed or destroyed.

#include <sqlite3.h>

#include <string>

class SQLStatement {
 public:
  SQLStatement() = default;
  SQLStatement(sqlite3_stmt* statement, std::string query);
  ~SQLStatement();  // close()
  SQLStatement(const SQLStatement&) = delete;
  SQLStatement& operator=(const SQLStatement&) = delete;

  // Finalizes the statement when there is one and forgets it.
  void close();
  // Resets the statement (to run it again) when there is one.
  void reset();

  sqlite3_stmt* statement() const { return statement_; }
  void setStatement(sqlite3_stmt* statement) { statement_ = statement; }
  const std::string& query() const { return query_; }
  void setQuery(std::string query) { query_ = std::move(query); }
  long useCount() const { return useCount_; }
  void setUseCount(long count) { useCount_ = count; }

  // "<SQLStatement: 0x...> 3 hit(s) for query select ..."
  std::string description() const;

 private:
  sqlite3_stmt* statement_ = nullptr;
  std::string query_;
  long useCount_ = 0;
};
