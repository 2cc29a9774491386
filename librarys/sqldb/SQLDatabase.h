#pragma once
// SQLDatabase: one connection to one SQLite file. It opens and closes the connection, prepares
// statements, binds arguments, runs queries (handing back a forward-only cursor, SQLResultSet) and
// updates, runs transactions and savepoints, keeps an optional statement cache and reports the last
// error. Failures are return values (nullptr, false, an error value); nothing is logged and nothing
// throws.
//
// Arguments are core::Values bound by type:
//   Nil / Null            -> NULL
//   Data (bytes)          -> blob (an empty buffer binds an empty blob, not NULL)
//   Date                  -> double, seconds since 1970-01-01
//   Bool                  -> integer 0 or 1
//   Integer               -> 64-bit integer (an unsigned 64-bit value keeps its bits)
//   Double                -> double
//   String                -> text
//   anything else         -> text: the value's describe() (a Decimal binds its exact text)
// Plain C++ arguments are turned into Values first (nullptr binds NULL).
//
// One object is meant for one thread at a time: there is no lock, only an in-use flag that refuses a
// second query or update while one is being prepared, bound or run. Cross-thread use goes through
// SQLDatabaseQueue.

#include <sqlite3.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/Error.h"
#include "platform/core/Value.h"

class SQLResultSet;
class SQLStatement;

namespace sqldb {
inline core::Value toValue(std::nullptr_t) { return core::Value(); }
inline core::Value toValue(const core::Value& v) { return v; }
inline core::Value toValue(core::Value&& v) { return std::move(v); }
template <class T>
core::Value toValue(T&& v) {
  return core::Value(std::forward<T>(v));
}
// The arguments of one statement call, kept beside the call rather than on the heap.
template <class... Args>
std::array<core::Value, sizeof...(Args)> toValueArray(Args&&... args) {
  return {toValue(std::forward<Args>(args))...};
}
template <class... Args>
std::vector<core::Value> toValues(Args&&... args) {
  std::vector<core::Value> out;
  out.reserve(sizeof...(Args));
  (out.push_back(toValue(std::forward<Args>(args))), ...);
  return out;
}
}  // namespace sqldb

class SQLDatabase : public std::enable_shared_from_this<SQLDatabase> {
  struct Token {};

 public:
  // Runs for each call of a custom SQL function: the SQLite context, the argument count and values.
  using FunctionBlock = std::function<void(sqlite3_context* context, int argc, sqlite3_value** argv)>;
  // Runs inside a savepoint; setting `rollback` undoes the block's work.
  using SavePointBlock = std::function<void(bool& rollback)>;

  // Domain of the errors made by errorWithMessage() and lastError().
  static constexpr const char* kErrorDomain = "SQLDatabase";
  // Domain of the error validateSQL() reports (the platform's general error domain).
  static constexpr const char* kGeneralErrorDomain = "NSCocoaErrorDomain";
  // How long busy or locked answers are retried while busyRetryTimeout() is 0.
  static constexpr std::chrono::milliseconds kDefaultBusyRetryTimeLimit{5000};

  // A new, closed connection object for `path`; no path means an in-memory database (":memory:").
  static std::shared_ptr<SQLDatabase> databaseWithPath(std::optional<std::string> path);
  // Use databaseWithPath(). Stops the process when the SQLite library is not built thread-safe.
  SQLDatabase(Token, std::optional<std::string> path);
  ~SQLDatabase();  // closes the connection
  SQLDatabase(const SQLDatabase&) = delete;
  SQLDatabase& operator=(const SQLDatabase&) = delete;

  static std::string sqliteLibVersion();
  static bool isSQLiteThreadSafe();

  // ---- connection ----
  // True at once when already open; otherwise opens (creating the file when missing).
  bool open();
  // Opens with the given SQLite open flags, whether or not a connection is already open.
  bool openWithFlags(int flags);
  // Closes every cached statement and open cursor, then the connection. True also without a connection;
  // false when SQLite keeps answering busy past the busy rule.
  bool close();
  // Whether the connection answers a query of its table list.
  bool goodConnection();
  bool databaseExists() const { return db_ != nullptr; }  // whether a connection is open
  const std::optional<std::string>& databasePath() const { return databasePath_; }
  sqlite3* sqliteHandle() const { return db_; }
  bool setKey(const std::string& key) { return false; }  // encrypted databases are not supported
  bool rekey(const std::string& key) { return false; }
  void warnInUse() {}

  // ---- errors ----
  // The connection's last error text and result code. Without a connection, those of the last failed
  // open ("not an error" and 0 when there was none).
  std::string lastErrorMessage() const;
  int lastErrorCode() const;
  bool hadError() const;                                           // the last code is between 1 and 99
  core::Error errorWithMessage(const std::string& message) const;  // domain "SQLDatabase", last code
  core::Error lastError() const;
  std::int64_t lastInsertRowId() const;  // 0 while a statement is being run
  int changes() const;                   // 0 while a statement is being run

  // ---- queries: a cursor, or nullptr on any failure ----
  // One argument per "?" parameter, in order.
  template <class... Args>
  std::shared_ptr<SQLResultSet> executeQuery(const std::string& sql, Args&&... args) {
    auto list = sqldb::toValueArray(std::forward<Args>(args)...);
    const std::span<const core::Value> view(list);
    return queryWith(sql, nullptr, nullptr, &view);
  }
  std::shared_ptr<SQLResultSet> executeQueryWithArgs(const std::string& sql, const core::Array& arguments);
  // Each key binds the parameter ":key"; every parameter needs a key.
  std::shared_ptr<SQLResultSet> executeQueryWithParameters(const std::string& sql,
                                                           const core::Dictionary& parameters);
  // printf-like: each conversion (%@ %c %s %d %i %u %hi %hu %qi %qu %ld %lu %lld %llu %f %g) becomes a
  // "?" bound to the next argument; "%%" is one "%". See extractSQL().
  template <class... Args>
  std::shared_ptr<SQLResultSet> executeQueryWithFormat(const std::string& format, Args&&... args) {
    std::string sql;
    std::vector<core::Value> arguments;
    if (!extractSQL(format, sqldb::toValues(std::forward<Args>(args)...), sql, arguments)) return nullptr;
    const std::span<const core::Value> view(arguments);
    return queryWith(sql, nullptr, nullptr, &view);
  }

  // ---- updates: true when the statement ran to its end ----
  template <class... Args>
  bool executeUpdate(const std::string& sql, Args&&... args) {
    auto list = sqldb::toValueArray(std::forward<Args>(args)...);
    const std::span<const core::Value> view(list);
    return updateWith(sql, nullptr, nullptr, nullptr, &view);
  }
  bool executeUpdateWithArgs(const std::string& sql, const core::Array& arguments);
  bool executeUpdateWithParameters(const std::string& sql, const core::Dictionary& parameters);
  template <class... Args>
  bool executeUpdateWithFormat(const std::string& format, Args&&... args) {
    std::string sql;
    std::vector<core::Value> arguments;
    if (!extractSQL(format, sqldb::toValues(std::forward<Args>(args)...), sql, arguments)) return false;
    const std::span<const core::Value> view(arguments);
    return updateWith(sql, nullptr, nullptr, nullptr, &view);
  }
  // As executeUpdate(); a failure also stores the error in `error` when one is given.
  template <class... Args>
  bool update(const std::string& sql, core::Error* error, Args&&... args) {
    auto list = sqldb::toValueArray(std::forward<Args>(args)...);
    const std::span<const core::Value> view(list);
    return updateWith(sql, error, nullptr, nullptr, &view);
  }

  // ---- transactions and savepoints ----
  bool beginTransaction();          // "begin exclusive transaction"
  bool beginDeferredTransaction();  // "begin deferred transaction"
  bool commit();                    // "commit transaction"
  bool rollback();                  // "rollback transaction"
  bool inTransaction() const { return inTransaction_; }
  bool startSavePointWithName(const std::string& name, core::Error* error = nullptr);
  bool releaseSavePointWithName(const std::string& name, core::Error* error = nullptr);
  bool rollbackToSavePointWithName(const std::string& name, core::Error* error = nullptr);
  // Runs the block inside a savepoint of its own ("dbSavePoint<n>"), rolled back when the block sets its
  // flag, released otherwise. The error of the start, rollback or release, or nothing.
  std::optional<core::Error> inSavePoint(const SavePointBlock& block);

  // ---- statement cache ----
  bool shouldCacheStatements() const { return shouldCacheStatements_; }
  void setShouldCacheStatements(bool value);  // off drops the cache
  std::shared_ptr<SQLStatement> cachedStatementForQuery(const std::string& query) const;
  void setCachedStatement(std::shared_ptr<SQLStatement> statement, const std::string& query);
  void clearCachedStatements();  // closes every cached statement, then empties the cache

  // ---- open cursors ----
  bool hasOpenResultSets() const;
  void closeOpenResultSets();
  void resultSetDidClose(SQLResultSet* resultSet);  // called by a cursor when it closes

  // ---- custom functions ----
  // Registers a UTF-8 SQL function of `name` taking up to `maximumArguments` (-1: any number). The block
  // is kept as long as this object. False when SQLite refuses it or there is no connection.
  bool makeFunctionNamed(const std::string& name, int maximumArguments, FunctionBlock block);

  // ---- building blocks ----
  // Binds `value` to parameter `column` (from 1) by the rules at the top of this file.
  int bindObject(const core::Value& value, int column, sqlite3_stmt* statement);
  // Turns a printf-like format into SQL with "?" parameters and the arguments they take, in order.
  // False when the format asks for more arguments than were given.
  static bool extractSQL(const std::string& format, const std::vector<core::Value>& argumentsList,
                         std::string& sql, std::vector<core::Value>& arguments);

  // ---- busy handling ----
  // 0 (the default): busy or locked answers are retried for at most busyRetryTimeLimit() after the first;
  // n > 0: retried every 20 microseconds, giving up at the (n+2)-th busy answer in a row.
  int busyRetryTimeout() const { return busyRetryTimeout_; }
  void setBusyRetryTimeout(int value) { busyRetryTimeout_ = value; }
  std::chrono::milliseconds busyRetryTimeLimit() const { return busyRetryTimeLimit_.load(); }
  void setBusyRetryTimeLimit(std::chrono::milliseconds limit) { busyRetryTimeLimit_ = limit; }

  // Retry state of one busy loop: again() after a busy or locked answer sleeps 20 microseconds and says
  // whether to try once more.
  class BusyRetry {
   public:
    BusyRetry(int limit, std::chrono::milliseconds timeLimit);
    bool again();

   private:
    int limit_;
    int retries_ = 0;
    std::chrono::milliseconds timeLimit_;
    std::optional<std::chrono::steady_clock::time_point> deadline_;  // set at the first busy answer
  };
  BusyRetry busyRetry() const { return BusyRetry(busyRetryTimeout(), busyRetryTimeLimit()); }

  // Stored only; nothing reads them.
  bool logsErrors() const { return logsErrors_; }
  void setLogsErrors(bool v) { logsErrors_ = v; }
  bool crashOnErrors() const { return crashOnErrors_; }
  void setCrashOnErrors(bool v) { crashOnErrors_ = v; }
  bool traceExecution() const { return traceExecution_; }
  void setTraceExecution(bool v) { traceExecution_ = v; }
  bool checkedOut() const { return checkedOut_; }
  void setCheckedOut(bool v) { checkedOut_ = v; }

  // ---- additions: column 0 of the first row (nothing, 0, false or 0.0 without a row) ----
  template <class... Args>
  std::optional<std::string> stringForQuery(const std::string& sql, Args&&... args) {
    return firstString(executeQuery(sql, std::forward<Args>(args)...));
  }
  template <class... Args>
  int intForQuery(const std::string& sql, Args&&... args) {
    return static_cast<int>(firstInteger(executeQuery(sql, std::forward<Args>(args)...)));
  }
  template <class... Args>
  long longForQuery(const std::string& sql, Args&&... args) {
    return static_cast<long>(firstInteger(executeQuery(sql, std::forward<Args>(args)...)));
  }
  template <class... Args>
  bool boolForQuery(const std::string& sql, Args&&... args) {
    return firstInteger(executeQuery(sql, std::forward<Args>(args)...)) != 0;
  }
  template <class... Args>
  double doubleForQuery(const std::string& sql, Args&&... args) {
    return firstDouble(executeQuery(sql, std::forward<Args>(args)...));
  }
  template <class... Args>
  std::optional<core::Bytes> dataForQuery(const std::string& sql, Args&&... args) {
    return firstData(executeQuery(sql, std::forward<Args>(args)...));
  }
  template <class... Args>
  std::optional<core::Date> dateForQuery(const std::string& sql, Args&&... args) {
    return firstDate(executeQuery(sql, std::forward<Args>(args)...));
  }
  bool tableExists(const std::string& tableName);
  // type, name, tbl_name, rootpage, sql of every table, index, view and trigger (temporary ones too).
  std::shared_ptr<SQLResultSet> getSchema();
  // "PRAGMA table_info" of the table.
  std::shared_ptr<SQLResultSet> getTableSchema(const std::string& tableName);
  bool columnExistsInTableWithName(const std::string& columnName, const std::string& tableName);
  bool columnExistsColumnName(const std::string& tableName, const std::string& columnName);
  // Whether `sql` prepares; otherwise the error (general domain, last code and message) in `error`.
  bool validateSQL(const std::string& sql, core::Error* error);

 private:
  std::shared_ptr<SQLResultSet> queryWith(const std::string& sql, const core::Array* array,
                                          const core::Dictionary* dictionary,
                                          const std::span<const core::Value>* list);
  bool updateWith(const std::string& sql, core::Error* error, const core::Array* array,
                  const core::Dictionary* dictionary, const std::span<const core::Value>* list);
  // Steps 1-4 shared by queries and updates: the bound statement, or nullptr (flag cleared).
  std::shared_ptr<SQLStatement> prepareAndBind(const std::string& sql, const core::Array* array,
                                               const core::Dictionary* dictionary,
                                               const std::span<const core::Value>* list, bool& fromCache,
                                               bool& prepareFailed, bool copyArguments);
  // bindObject(); with `copy` false, texts and blobs are bound where they are (SQLITE_STATIC), for a
  // statement run and reset while the value is alive.
  int bindArgument(const core::Value& value, int column, sqlite3_stmt* statement, bool copy);
  bool statementHeldByOpenCursor(const SQLStatement* statement) const;
  void trackStatement(const std::shared_ptr<SQLStatement>& statement);
  bool runSavePointStatement(const std::string& sql, core::Error* error);
  void forgetConnection();

  std::optional<std::string> firstString(std::shared_ptr<SQLResultSet> rs);
  std::int64_t firstInteger(std::shared_ptr<SQLResultSet> rs);
  double firstDouble(std::shared_ptr<SQLResultSet> rs);
  std::optional<core::Bytes> firstData(std::shared_ptr<SQLResultSet> rs);
  std::optional<core::Date> firstDate(std::shared_ptr<SQLResultSet> rs);

  std::optional<std::string> databasePath_;
  sqlite3* db_ = nullptr;
  int openErrorCode_ = SQLITE_OK;  // of the last failed open, while there is no connection
  std::string openErrorMessage_;
  // The cursors handed out and not yet closed (a few at most: a list, not a tree of nodes to allocate).
  std::vector<std::pair<SQLResultSet*, std::weak_ptr<SQLResultSet>>> openResultSets_;
  std::vector<std::weak_ptr<SQLStatement>> statements_;  // every statement made on this connection
  std::optional<std::map<std::string, std::shared_ptr<SQLStatement>>> cachedStatements_;
  bool shouldCacheStatements_ = false;
  std::atomic<bool> inUse_{false};
  bool inTransaction_ = false;
  std::atomic<int> busyRetryTimeout_{0};
  std::atomic<std::chrono::milliseconds> busyRetryTimeLimit_{kDefaultBusyRetryTimeLimit};
  std::atomic<bool> logsErrors_{false}, crashOnErrors_{false}, traceExecution_{false}, checkedOut_{false};
  std::list<std::unique_ptr<FunctionBlock>> functions_;
};
