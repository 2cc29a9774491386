#include "librarys/sqldb/SQLStatement.h"

#include <cstdio>

SQLStatement::SQLStatement(sqlite3_stmt* statement, std::string query)
    : statement_(statement), query_(std::move(query)) {}

SQLStatement::~SQLStatement() { close(); }

void SQLStatement::close() {
  if (statement_) {
    sqlite3_finalize(statement_);
    statement_ = nullptr;
  }
}

void SQLStatement::reset() {
  if (statement_) sqlite3_reset(statement_);
}

std::string SQLStatement::description() const {
  char base[64];
  std::snprintf(base, sizeof base, "<SQLStatement: %p>", static_cast<const void*>(this));
  return std::string(base) + " " + std::to_string(useCount_) + " hit(s) for query " + query_;
}
