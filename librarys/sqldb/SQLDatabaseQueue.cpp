#include "librarys/sqldb/SQLDatabaseQueue.h"

#include <atomic>
#include <cstdio>

#include "platform/runloop/DispatchQueue.h"

std::shared_ptr<SQLDatabaseQueue> SQLDatabaseQueue::databaseQueueWithPath(std::optional<std::string> path) {
  auto db = SQLDatabase::databaseWithPath(path);
  if (!db->open()) return nullptr;
  return std::make_shared<SQLDatabaseQueue>(Token{}, std::move(path), std::move(db));
}

SQLDatabaseQueue::SQLDatabaseQueue(Token, std::optional<std::string> path, std::shared_ptr<SQLDatabase> db)
    : path_(std::move(path)), db_(std::move(db)) {
  queue_ = rl::DispatchQueue::serial("sqldb." + description());
}

SQLDatabaseQueue::~SQLDatabaseQueue() = default;

std::string SQLDatabaseQueue::description() const {
  char text[64];
  std::snprintf(text, sizeof text, "<SQLDatabaseQueue: %p>", static_cast<const void*>(this));
  return text;
}

std::optional<std::string> SQLDatabaseQueue::path() const {
  std::lock_guard lock(pathMutex_);
  return path_;
}

void SQLDatabaseQueue::setPath(std::optional<std::string> path) {
  std::lock_guard lock(pathMutex_);
  path_ = std::move(path);
}

void SQLDatabaseQueue::close() {
  queue_->sync([this] {
    if (db_) db_->close();
    db_.reset();
  });
}

std::shared_ptr<SQLDatabase> SQLDatabaseQueue::database() {
  if (!db_) {
    auto db = SQLDatabase::databaseWithPath(path());
    if (!db->open()) {
      lastOpenError_ = db->lastError();
      return nullptr;
    }
    db_ = std::move(db);
  }
  return db_;
}

bool SQLDatabaseQueue::inDatabase(const DatabaseBlock& block) {
  bool ran = false;
  queue_->sync([&] {
    auto db = database();
    if (!db) return;
    if (block) block(*db);
    ran = true;
  });
  return ran;
}

bool SQLDatabaseQueue::inTransaction(const TransactionBlock& block) { return beginTransaction(false, block); }

bool SQLDatabaseQueue::inDeferredTransaction(const TransactionBlock& block) {
  return beginTransaction(true, block);
}

bool SQLDatabaseQueue::runTransaction(SQLDatabase& db, bool deferred, const TransactionBlock& block) {
  const bool began = deferred ? db.beginDeferredTransaction() : db.beginTransaction();
  if (!began) return false;  // without a transaction the block's statements would land one by one
  bool shouldRollback = false;
  if (block) block(db, shouldRollback);
  if (shouldRollback) {
    db.rollback();
    return false;
  }
  if (db.commit()) return true;
  db.rollback();  // leave no transaction half open on the connection
  return false;
}

std::optional<core::Error> SQLDatabaseQueue::runSavePoint(SQLDatabase& db, const std::string& name,
                                                          const TransactionBlock& block) {
  core::Error error;
  if (!db.startSavePointWithName(name, &error)) return error;
  bool shouldRollback = false;
  if (block) block(db, shouldRollback);
  // Released after a rollback too, so that no transaction stays open behind the caller's back.
  if (shouldRollback && !db.rollbackToSavePointWithName(name, &error)) return error;
  if (!db.releaseSavePointWithName(name, &error)) return error;
  return std::nullopt;
}

bool SQLDatabaseQueue::beginTransaction(bool deferred, const TransactionBlock& block) {
  bool committed = false;
  queue_->sync([&] {
    if (auto db = database()) committed = runTransaction(*db, deferred, block);
  });
  return committed;
}

std::optional<core::Error> SQLDatabaseQueue::inSavePoint(const TransactionBlock& block) {
  static std::atomic<long> counter{0};
  std::optional<core::Error> result;
  queue_->sync([&] {
    auto db = database();
    result = db ? runSavePoint(*db, "savePoint" + std::to_string(counter++), block) : lastOpenError_;
  });
  return result;
}
