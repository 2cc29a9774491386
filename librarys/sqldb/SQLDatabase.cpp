#include "librarys/sqldb/SQLDatabase.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <thread>

#include "librarys/sqldb/SQLResultSet.h"
#include "librarys/sqldb/SQLStatement.h"

namespace {

bool isBusy(int rc) { return rc == SQLITE_BUSY || rc == SQLITE_LOCKED; }

// Prepares `sql` into `raw`, trying again after busy or locked answers while `retry` allows; the result
// code of the last attempt (raw is null after a busy one).
int prepareRetryingBusy(sqlite3* db, const std::string& sql, SQLDatabase::BusyRetry& retry,
                        sqlite3_stmt*& raw) {
  for (;;) {
    const int rc = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &raw, nullptr);
    if (!isBusy(rc)) return rc;
    sqlite3_finalize(raw);
    raw = nullptr;
    if (!retry.again()) return rc;
  }
}

std::string lowercased(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

// A name placed between single quotes in SQL: quotes inside it are doubled.
std::string quotedName(const std::string& name) {
  std::string out = "'";
  for (char c : name) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

constexpr const char* kArgumentCountMessage =
    "the number of arguments does not match the statement's parameters";

void customFunctionTrampoline(sqlite3_context* context, int argc, sqlite3_value** argv) {
  auto* block = static_cast<SQLDatabase::FunctionBlock*>(sqlite3_user_data(context));
  if (block && *block) (*block)(context, argc, argv);
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Busy retry

SQLDatabase::BusyRetry::BusyRetry(int limit, std::chrono::milliseconds timeLimit)
    : limit_(limit), timeLimit_(timeLimit) {}

bool SQLDatabase::BusyRetry::again() {
  // The clock is read only once an answer was busy: a statement that runs at once never reads it.
  if (limit_ <= 0 && !deadline_) deadline_ = std::chrono::steady_clock::now() + timeLimit_;
  std::this_thread::sleep_for(std::chrono::microseconds(20));
  if (limit_ > 0) return retries_++ <= limit_;
  return std::chrono::steady_clock::now() < *deadline_;
}

// ---------------------------------------------------------------------------------------------------
// Creation and connection

std::shared_ptr<SQLDatabase> SQLDatabase::databaseWithPath(std::optional<std::string> path) {
  return std::make_shared<SQLDatabase>(Token{}, std::move(path));
}

SQLDatabase::SQLDatabase(Token, std::optional<std::string> path) : databasePath_(std::move(path)) {
  if (!sqlite3_threadsafe()) {
    std::fputs("SQLDatabase: assertion failed: sqlite3_threadsafe()\n", stderr);
    std::abort();
  }
  openErrorMessage_ = sqlite3_errstr(SQLITE_OK);
}

SQLDatabase::~SQLDatabase() { close(); }

std::string SQLDatabase::sqliteLibVersion() { return sqlite3_libversion(); }

bool SQLDatabase::isSQLiteThreadSafe() { return sqlite3_threadsafe() != 0; }

bool SQLDatabase::open() {
  if (db_) return true;
  return openWithFlags(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
}

bool SQLDatabase::openWithFlags(int flags) {
  // A connection already open is closed first, so that it is not leaked.
  if (db_ && !close()) return false;
  const std::string file = databasePath_ ? *databasePath_ : std::string(":memory:");
  sqlite3* handle = nullptr;
  int rc = sqlite3_open_v2(file.c_str(), &handle, flags, nullptr);
  if (rc != SQLITE_OK) {
    openErrorCode_ = handle ? sqlite3_errcode(handle) : rc;
    openErrorMessage_ = handle ? sqlite3_errmsg(handle) : sqlite3_errstr(rc);
    sqlite3_close(handle);
    return false;
  }
  db_ = handle;
  openErrorCode_ = SQLITE_OK;
  openErrorMessage_ = sqlite3_errstr(SQLITE_OK);
  return true;
}

bool SQLDatabase::close() {
  clearCachedStatements();
  closeOpenResultSets();
  if (!db_) return true;

  // Statements still alive outside the cache (held by a caller) are finalized through their owners, so
  // that none is finalized twice.
  for (auto& weak : statements_) {
    if (auto statement = weak.lock()) statement->close();
  }
  statements_.clear();

  BusyRetry retry = busyRetry();
  bool finalizedStragglers = false;
  for (;;) {
    int rc = sqlite3_close(db_);
    if (!isBusy(rc)) break;
    if (!finalizedStragglers) {
      finalizedStragglers = true;
      while (sqlite3_stmt* statement = sqlite3_next_stmt(db_, nullptr)) sqlite3_finalize(statement);
    }
    if (!retry.again()) return false;
  }
  forgetConnection();
  return true;
}

void SQLDatabase::forgetConnection() {
  db_ = nullptr;
  inTransaction_ = false;
}

bool SQLDatabase::goodConnection() {
  if (!db_) return false;
  auto rs = executeQuery("select name from sqlite_master where type='table'");
  if (!rs) return false;
  rs->close();
  return true;
}

// ---------------------------------------------------------------------------------------------------
// Errors

std::string SQLDatabase::lastErrorMessage() const {
  return db_ ? std::string(sqlite3_errmsg(db_)) : openErrorMessage_;
}

int SQLDatabase::lastErrorCode() const { return db_ ? sqlite3_errcode(db_) : openErrorCode_; }

bool SQLDatabase::hadError() const {
  int code = lastErrorCode();
  return code > SQLITE_OK && code < SQLITE_ROW;
}

core::Error SQLDatabase::errorWithMessage(const std::string& message) const {
  return core::Error(kErrorDomain, lastErrorCode(), message);
}

core::Error SQLDatabase::lastError() const { return errorWithMessage(lastErrorMessage()); }

std::int64_t SQLDatabase::lastInsertRowId() const {
  if (inUse_ || !db_) return 0;
  return sqlite3_last_insert_rowid(db_);
}

int SQLDatabase::changes() const {
  if (inUse_ || !db_) return 0;
  return sqlite3_changes(db_);
}

// ---------------------------------------------------------------------------------------------------
// Queries and updates

std::shared_ptr<SQLResultSet> SQLDatabase::executeQueryWithArgs(const std::string& sql,
                                                                const core::Array& arguments) {
  return queryWith(sql, &arguments, nullptr, nullptr);
}

std::shared_ptr<SQLResultSet> SQLDatabase::executeQueryWithParameters(const std::string& sql,
                                                                      const core::Dictionary& parameters) {
  return queryWith(sql, nullptr, &parameters, nullptr);
}

bool SQLDatabase::executeUpdateWithArgs(const std::string& sql, const core::Array& arguments) {
  return updateWith(sql, nullptr, &arguments, nullptr, nullptr);
}

bool SQLDatabase::executeUpdateWithParameters(const std::string& sql, const core::Dictionary& parameters) {
  return updateWith(sql, nullptr, nullptr, &parameters, nullptr);
}

bool SQLDatabase::statementHeldByOpenCursor(const SQLStatement* statement) const {
  for (const auto& [raw, weak] : openResultSets_) {
    if (auto rs = weak.lock(); rs && rs->statement().get() == statement) return true;
  }
  return false;
}

void SQLDatabase::trackStatement(const std::shared_ptr<SQLStatement>& statement) {
  if (statements_.size() >= 64) {
    std::erase_if(statements_, [](const std::weak_ptr<SQLStatement>& w) { return w.expired(); });
  }
  statements_.push_back(statement);
}

std::shared_ptr<SQLStatement> SQLDatabase::prepareAndBind(const std::string& sql, const core::Array* array,
                                                          const core::Dictionary* dictionary,
                                                          const std::span<const core::Value>* list,
                                                          bool& fromCache, bool& prepareFailed,
                                                          bool copyArguments) {
  fromCache = false;
  prepareFailed = false;
  std::shared_ptr<SQLStatement> statement;
  if (shouldCacheStatements_ && cachedStatements_) {
    auto found = cachedStatements_->find(sql);
    if (found != cachedStatements_->end()) {
      if (!found->second->statement()) {
        cachedStatements_->erase(found);  // closed behind the cache's back: never hand it out again
      } else if (!statementHeldByOpenCursor(found->second.get())) {
        statement = found->second;
        statement->reset();
        fromCache = true;
      }
      // A cached statement still being stepped by an open cursor is left alone; a fresh one is used.
    }
  }

  if (!statement) {
    sqlite3_stmt* raw = nullptr;
    BusyRetry retry = busyRetry();
    const int rc = prepareRetryingBusy(db_, sql, retry, raw);
    if (rc != SQLITE_OK) {
      sqlite3_finalize(raw);
      prepareFailed = true;
      return nullptr;
    }
    statement = std::make_shared<SQLStatement>(raw, sql);
    trackStatement(statement);
  }

  sqlite3_stmt* raw = statement->statement();
  const int parameterCount = sqlite3_bind_parameter_count(raw);
  int bound = 0;
  bool bindFailed = false;
  if (dictionary) {
    // Only keys that name a parameter count, so a misspelt key cannot leave a parameter NULL unnoticed.
    for (const auto& [key, value] : *dictionary) {
      const std::string name = ":" + key;
      int index = sqlite3_bind_parameter_index(raw, name.c_str());
      if (index > 0) {
        if (bindArgument(value, index, raw, copyArguments) != SQLITE_OK) bindFailed = true;
        ++bound;
      }
    }
  } else {
    const std::size_t available = array ? array->size() : list ? list->size() : 0;
    while (bound < parameterCount && static_cast<std::size_t>(bound) < available) {
      const core::Value& value = array ? array->items()[bound] : (*list)[bound];
      if (bindArgument(value, bound + 1, raw, copyArguments) != SQLITE_OK) bindFailed = true;
      ++bound;
    }
  }

  if (bound != parameterCount || bindFailed) {
    if (fromCache && cachedStatements_) {
      auto found = cachedStatements_->find(sql);
      if (found != cachedStatements_->end() && found->second == statement) cachedStatements_->erase(found);
    }
    statement->close();
    fromCache = false;
    return nullptr;
  }
  return statement;
}

std::shared_ptr<SQLResultSet> SQLDatabase::queryWith(const std::string& sql, const core::Array* array,
                                                     const core::Dictionary* dictionary,
                                                     const std::span<const core::Value>* list) {
  if (!db_) return nullptr;
  bool expected = false;
  if (!inUse_.compare_exchange_strong(expected, true)) {
    warnInUse();
    return nullptr;
  }
  bool fromCache = false, prepareFailed = false;
  // The cursor steps the statement after the arguments are gone: SQLite keeps copies of them.
  auto statement = prepareAndBind(sql, array, dictionary, list, fromCache, prepareFailed, true);
  if (!statement) {
    inUse_ = false;
    return nullptr;
  }
  if (!fromCache && shouldCacheStatements_ && cachedStatements_ && !cachedStatements_->contains(sql)) {
    setCachedStatement(statement, sql);
  }
  auto rs = SQLResultSet::resultSetWithStatement(statement, shared_from_this());
  rs->setQuery(sql);
  openResultSets_.emplace_back(rs.get(), rs);
  statement->setUseCount(statement->useCount() + 1);
  inUse_ = false;
  return rs;
}

bool SQLDatabase::updateWith(const std::string& sql, core::Error* error, const core::Array* array,
                             const core::Dictionary* dictionary, const std::span<const core::Value>* list) {
  if (!db_) {
    if (error) *error = core::Error(kErrorDomain, SQLITE_MISUSE, "the database is not open");
    return false;
  }
  bool expected = false;
  if (!inUse_.compare_exchange_strong(expected, true)) {
    warnInUse();
    if (error) *error = core::Error(kErrorDomain, SQLITE_MISUSE, "the database is in use");
    return false;
  }
  bool fromCache = false, prepareFailed = false;
  // An update runs to its end here, while the arguments are alive: SQLite reads texts and blobs where
  // they are, and forgets them before this returns.
  auto statement = prepareAndBind(sql, array, dictionary, list, fromCache, prepareFailed, false);
  if (!statement) {
    if (error) {
      *error = prepareFailed ? errorWithMessage(lastErrorMessage())
                             : core::Error(kErrorDomain, SQLITE_RANGE, kArgumentCountMessage);
    }
    inUse_ = false;
    return false;
  }

  int rc = SQLITE_DONE;  // a text holding no statement has nothing to run
  if (sqlite3_stmt* raw = statement->statement()) {
    BusyRetry retry = busyRetry();
    for (;;) {
      rc = sqlite3_step(raw);
      if (isBusy(rc)) {
        if (rc == SQLITE_LOCKED) sqlite3_reset(raw);
        if (retry.again()) continue;
      }
      break;
    }
  }
  const bool ok = rc == SQLITE_DONE || rc == SQLITE_OK;
  if (!ok && error) *error = errorWithMessage(lastErrorMessage());

  if (!fromCache && shouldCacheStatements_ && cachedStatements_ && !cachedStatements_->contains(sql)) {
    setCachedStatement(statement, sql);
    fromCache = true;
  }
  if (fromCache) {
    statement->setUseCount(statement->useCount() + 1);
    statement->reset();
    if (sqlite3_stmt* raw = statement->statement()) sqlite3_clear_bindings(raw);
  } else {
    statement->close();
  }
  inUse_ = false;
  return ok;
}

int SQLDatabase::bindObject(const core::Value& value, int column, sqlite3_stmt* statement) {
  return bindArgument(value, column, statement, true);
}

int SQLDatabase::bindArgument(const core::Value& value, int column, sqlite3_stmt* statement, bool copy) {
  using T = core::Value::Type;
  const sqlite3_destructor_type keep = copy ? SQLITE_TRANSIENT : SQLITE_STATIC;
  switch (value.type()) {
    case T::Nil:
    case T::Null:
      return sqlite3_bind_null(statement, column);
    case T::Data: {
      static const std::uint8_t kNoBytes = 0;
      const core::Bytes& bytes = value.data();
      return sqlite3_bind_blob64(statement, column, bytes.empty() ? &kNoBytes : bytes.data(), bytes.size(),
                                 keep);
    }
    case T::Date:
      return sqlite3_bind_double(statement, column, value.date().secondsSince1970);
    case T::Bool:
      return sqlite3_bind_int(statement, column, value.boolean() ? 1 : 0);
    case T::Integer:
      return sqlite3_bind_int64(statement, column, value.integer());
    case T::Double:
      return sqlite3_bind_double(statement, column, value.toDouble());
    case T::String: {
      const std::string& text = value.str();
      return sqlite3_bind_text64(statement, column, text.data(), text.size(), keep, SQLITE_UTF8);
    }
    default: {
      const std::string text = value.describe();
      return sqlite3_bind_text64(statement, column, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    }
  }
}

bool SQLDatabase::extractSQL(const std::string& format, const std::vector<core::Value>& argumentsList,
                             std::string& sql, std::vector<core::Value>& arguments) {
  std::size_t nextArgument = 0;
  auto take = [&](core::Value& out) {
    if (nextArgument >= argumentsList.size()) return false;
    out = argumentsList[nextArgument++];
    return true;
  };

  char last = '\0';
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char current = format[i];
    if (last != '%') {
      if (current != '%') sql += current;  // a "%" itself is dropped
      last = current;
      continue;
    }

    // The character after a "%": a conversion taking the next argument, or an ordinary character.
    enum class Kind {
      None,
      Object,
      Char,
      CString,
      Int,
      UInt,
      Short,
      UShort,
      LongLong,
      ULongLong,
      Double,
      Float
    };
    static const std::pair<std::string_view, Kind> kConversions[] = {
        // Longest spellings first; "long" is 64-bit here.
        {"lld", Kind::LongLong}, {"llu", Kind::ULongLong}, {"ld", Kind::LongLong}, {"lu", Kind::ULongLong},
        {"qi", Kind::LongLong},  {"qu", Kind::ULongLong},  {"hi", Kind::Short},    {"hu", Kind::UShort},
        {"@", Kind::Object},     {"c", Kind::Char},        {"s", Kind::CString},   {"d", Kind::Int},
        {"D", Kind::Int},        {"i", Kind::Int},         {"u", Kind::UInt},      {"U", Kind::UInt},
        {"f", Kind::Double},     {"g", Kind::Float},
    };
    Kind kind = Kind::None;
    for (const auto& [spelling, k] : kConversions) {
      if (format.compare(i, spelling.size(), spelling) == 0) {
        kind = k;
        i += spelling.size() - 1;
        break;
      }
    }
    last = '\0';  // whatever came, the next character is an ordinary one again
    if (kind == Kind::None) {
      sql += current;  // copied unchanged ("%%" yields one "%")
      continue;
    }

    core::Value argument;
    if (!take(argument)) return false;
    switch (kind) {
      case Kind::Object:
        break;
      case Kind::Char: {
        char c = argument.isString() ? (argument.str().empty() ? '\0' : argument.str()[0])
                                     : static_cast<char>(argument.toInt());
        argument = core::Value(std::string(1, c));
        break;
      }
      case Kind::CString:
        argument = argument.isNilOrNull() ? core::Value::null() : core::Value(argument.toString());
        break;
      case Kind::Int:
        argument = core::Value(static_cast<std::int32_t>(argument.toInt()));
        break;
      case Kind::UInt:
        argument = core::Value(static_cast<std::uint32_t>(argument.toInt()));
        break;
      case Kind::Short:
        argument = core::Value(static_cast<std::int16_t>(argument.toInt()));
        break;
      case Kind::UShort:
        argument = core::Value(static_cast<std::uint16_t>(argument.toInt()));
        break;
      case Kind::LongLong:
      case Kind::ULongLong:
        argument = core::Value(argument.toInt());
        break;
      case Kind::Double:
        argument = core::Value(argument.toDouble());
        break;
      case Kind::Float:
        argument = core::Value(static_cast<double>(static_cast<float>(argument.toDouble())));
        break;
      case Kind::None:
        break;
    }
    sql += '?';
    arguments.push_back(std::move(argument));
  }
  return true;
}

// ---------------------------------------------------------------------------------------------------
// Transactions and savepoints

bool SQLDatabase::beginTransaction() {
  bool ok = executeUpdate("begin exclusive transaction");
  if (ok) inTransaction_ = true;
  return ok;
}

bool SQLDatabase::beginDeferredTransaction() {
  bool ok = executeUpdate("begin deferred transaction");
  if (ok) inTransaction_ = true;
  return ok;
}

bool SQLDatabase::commit() {
  bool ok = executeUpdate("commit transaction");
  // The flag follows the connection: cleared on success, and also when no transaction is left open.
  if (ok || (db_ && sqlite3_get_autocommit(db_))) inTransaction_ = false;
  return ok;
}

bool SQLDatabase::rollback() {
  bool ok = executeUpdate("rollback transaction");
  if (ok || (db_ && sqlite3_get_autocommit(db_))) inTransaction_ = false;
  return ok;
}

bool SQLDatabase::runSavePointStatement(const std::string& sql, core::Error* error) {
  bool ok = executeUpdate(sql);
  if (!ok && error) *error = lastError();
  return ok;
}

bool SQLDatabase::startSavePointWithName(const std::string& name, core::Error* error) {
  return runSavePointStatement("savepoint " + quotedName(name) + ";", error);
}

bool SQLDatabase::releaseSavePointWithName(const std::string& name, core::Error* error) {
  return runSavePointStatement("release savepoint " + quotedName(name) + ";", error);
}

bool SQLDatabase::rollbackToSavePointWithName(const std::string& name, core::Error* error) {
  return runSavePointStatement("rollback transaction to savepoint " + quotedName(name) + ";", error);
}

std::optional<core::Error> SQLDatabase::inSavePoint(const SavePointBlock& block) {
  static std::atomic<long> counter{0};
  const std::string name = "dbSavePoint" + std::to_string(counter++);
  core::Error error;
  if (!startSavePointWithName(name, &error)) return error;
  bool shouldRollback = false;
  if (block) block(shouldRollback);
  // A rolled-back savepoint is released as well: left on the stack it would keep a transaction open
  // (and every later statement uncommitted) when the savepoint began outside one.
  if (shouldRollback && !rollbackToSavePointWithName(name, &error)) return error;
  if (!releaseSavePointWithName(name, &error)) return error;
  return std::nullopt;
}

// ---------------------------------------------------------------------------------------------------
// Statement cache and open cursors

void SQLDatabase::setShouldCacheStatements(bool value) {
  shouldCacheStatements_ = value;
  if (value && !cachedStatements_) cachedStatements_.emplace();
  if (!value) cachedStatements_.reset();
}

std::shared_ptr<SQLStatement> SQLDatabase::cachedStatementForQuery(const std::string& query) const {
  if (!cachedStatements_) return nullptr;
  auto found = cachedStatements_->find(query);
  return found == cachedStatements_->end() ? nullptr : found->second;
}

void SQLDatabase::setCachedStatement(std::shared_ptr<SQLStatement> statement, const std::string& query) {
  if (!statement) return;
  statement->setQuery(query);
  if (cachedStatements_) (*cachedStatements_)[query] = std::move(statement);
}

void SQLDatabase::clearCachedStatements() {
  if (!cachedStatements_) return;
  for (auto& [query, statement] : *cachedStatements_) statement->close();
  cachedStatements_->clear();
}

bool SQLDatabase::hasOpenResultSets() const { return !openResultSets_.empty(); }

void SQLDatabase::closeOpenResultSets() {
  auto keepAlive = weak_from_this().lock();  // cursors letting go of this object must not end it here
  auto sets = std::move(openResultSets_);
  openResultSets_.clear();
  for (auto& [raw, weak] : sets) {
    if (auto rs = weak.lock()) {
      rs->setParentDB(nullptr);
      rs->close();
    }
  }
}

void SQLDatabase::resultSetDidClose(SQLResultSet* resultSet) {
  std::erase_if(openResultSets_, [resultSet](const auto& entry) { return entry.first == resultSet; });
}

// ---------------------------------------------------------------------------------------------------
// Custom functions

bool SQLDatabase::makeFunctionNamed(const std::string& name, int maximumArguments, FunctionBlock block) {
  if (!db_ || !block) return false;
  auto holder = std::make_unique<FunctionBlock>(std::move(block));
  int rc = sqlite3_create_function(db_, name.c_str(), maximumArguments, SQLITE_UTF8, holder.get(),
                                   &customFunctionTrampoline, nullptr, nullptr);
  if (rc != SQLITE_OK) return false;
  functions_.push_back(std::move(holder));
  return true;
}

// ---------------------------------------------------------------------------------------------------
// Additions

namespace {
void finish(const std::shared_ptr<SQLResultSet>& rs) {
  rs->close();
  rs->setParentDB(nullptr);
}
}  // namespace

namespace {
// The first column of the first row read with `read`, or `none` without a cursor or a row; the cursor
// is finished either way.
template <typename T, typename Read>
T firstValue(const std::shared_ptr<SQLResultSet>& rs, T none, Read read) {
  if (!rs) return none;
  T out = none;
  if (rs->next()) out = read(*rs);
  finish(rs);
  return out;
}
}  // namespace

std::optional<std::string> SQLDatabase::firstString(std::shared_ptr<SQLResultSet> rs) {
  return firstValue<std::optional<std::string>>(rs, std::nullopt,
                                                [](SQLResultSet& r) { return r.stringForColumnIndex(0); });
}

std::int64_t SQLDatabase::firstInteger(std::shared_ptr<SQLResultSet> rs) {
  return firstValue<std::int64_t>(rs, 0, [](SQLResultSet& r) { return r.longLongIntForColumnIndex(0); });
}

double SQLDatabase::firstDouble(std::shared_ptr<SQLResultSet> rs) {
  return firstValue<double>(rs, 0.0, [](SQLResultSet& r) { return r.doubleForColumnIndex(0); });
}

std::optional<core::Bytes> SQLDatabase::firstData(std::shared_ptr<SQLResultSet> rs) {
  return firstValue<std::optional<core::Bytes>>(rs, std::nullopt,
                                                [](SQLResultSet& r) { return r.dataForColumnIndex(0); });
}

std::optional<core::Date> SQLDatabase::firstDate(std::shared_ptr<SQLResultSet> rs) {
  return firstValue<std::optional<core::Date>>(rs, std::nullopt,
                                               [](SQLResultSet& r) { return r.dateForColumnIndex(0); });
}

bool SQLDatabase::tableExists(const std::string& tableName) {
  auto rs = executeQuery("select [sql] from sqlite_master where [type] = 'table' and lower(name) = ?",
                         lowercased(tableName));
  if (!rs) return false;
  bool found = rs->next();
  finish(rs);
  return found;
}

std::shared_ptr<SQLResultSet> SQLDatabase::getSchema() {
  return executeQuery(
      "SELECT type, name, tbl_name, rootpage, sql FROM (SELECT * FROM sqlite_master UNION ALL SELECT * FROM "
      "sqlite_temp_master) WHERE type != 'meta' AND name NOT LIKE 'sqlite_%' ORDER BY tbl_name, type DESC, "
      "name");
}

std::shared_ptr<SQLResultSet> SQLDatabase::getTableSchema(const std::string& tableName) {
  return executeQuery("PRAGMA table_info(" + quotedName(tableName) + ")");
}

bool SQLDatabase::columnExistsInTableWithName(const std::string& columnName, const std::string& tableName) {
  auto rs = getTableSchema(lowercased(tableName));
  if (!rs) return false;
  const std::string wanted = lowercased(columnName);
  bool found = false;
  while (!found && rs->next()) {
    auto name = rs->stringForColumn("name");
    found = name && lowercased(*name) == wanted;
  }
  finish(rs);
  return found;
}

bool SQLDatabase::columnExistsColumnName(const std::string& tableName, const std::string& columnName) {
  return columnExistsInTableWithName(columnName, tableName);
}

bool SQLDatabase::validateSQL(const std::string& sql, core::Error* error) {
  if (!db_) {
    if (error) *error = core::Error(kGeneralErrorDomain, SQLITE_MISUSE, sqlite3_errstr(SQLITE_MISUSE));
    return false;
  }
  sqlite3_stmt* raw = nullptr;
  BusyRetry retry(0, busyRetryTimeLimit());  // busy answers retried for the time limit, whatever the count
  const int rc = prepareRetryingBusy(db_, sql, retry, raw);
  const bool ok = rc == SQLITE_OK;
  if (!ok && error) *error = core::Error(kGeneralErrorDomain, lastErrorCode(), lastErrorMessage());
  sqlite3_finalize(raw);
  return ok;
}
