#include "librarys/sqldb/SQLDatabasePool.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

#include "platform/runloop/DispatchQueue.h"

namespace {
template <class List>
void removeFrom(List& list, const std::shared_ptr<SQLDatabase>& db) {
  list.erase(std::remove(list.begin(), list.end(), db), list.end());
}
}  // namespace

std::shared_ptr<SQLDatabasePool> SQLDatabasePool::databasePoolWithPath(std::optional<std::string> path) {
  return std::make_shared<SQLDatabasePool>(Token{}, std::move(path));
}

SQLDatabasePool::SQLDatabasePool(Token, std::optional<std::string> path) : path_(std::move(path)) {
  lockQueue_ = rl::DispatchQueue::serial("sqldb." + description());
}

SQLDatabasePool::~SQLDatabasePool() = default;

std::string SQLDatabasePool::description() const {
  char text[64];
  std::snprintf(text, sizeof text, "<SQLDatabasePool: %p>", static_cast<const void*>(this));
  return text;
}

void SQLDatabasePool::executeLocked(const std::function<void()>& block) {
  if (block) lockQueue_->sync(block);
}

std::shared_ptr<SQLDatabase> SQLDatabasePool::db() {
  std::shared_ptr<SQLDatabase> result;
  executeLocked([&] {
    std::shared_ptr<SQLDatabase> db;
    if (!idle_.empty()) {
      db = idle_.back();
      idle_.pop_back();
      handedOut_.push_back(db);
    } else {
      const std::size_t maximum = maximumNumberOfDatabasesToCreate();
      if (maximum > 0 && idle_.size() + handedOut_.size() >= maximum) return;
      db = SQLDatabase::databaseWithPath(path());
    }
    // A connection that fails here is not counted as handed out.
    if (!db->open()) {
      removeFrom(handedOut_, db);
      return;
    }
    if (auto d = delegate(); d && !d->databasePoolShouldAddDatabaseToPool(*this, *db)) {
      db->close();
      removeFrom(handedOut_, db);
      return;
    }
    if (std::find(handedOut_.begin(), handedOut_.end(), db) == handedOut_.end()) handedOut_.push_back(db);
    result = db;
  });
  return result;
}

std::optional<core::Error> SQLDatabasePool::pushDatabaseBackInPool(std::shared_ptr<SQLDatabase> database) {
  if (!database) return std::nullopt;
  std::optional<core::Error> error;
  executeLocked([&] {
    if (std::find(idle_.begin(), idle_.end(), database) != idle_.end()) {
      error = core::Error(kAlreadyInPoolName, 0, kAlreadyInPoolReason);
      return;
    }
    idle_.push_back(database);
    removeFrom(handedOut_, database);
  });
  return error;
}

std::size_t SQLDatabasePool::countOfCheckedInDatabases() {
  std::size_t n = 0;
  executeLocked([&] { n = idle_.size(); });
  return n;
}

std::size_t SQLDatabasePool::countOfCheckedOutDatabases() {
  std::size_t n = 0;
  executeLocked([&] { n = handedOut_.size(); });
  return n;
}

std::size_t SQLDatabasePool::countOfOpenDatabases() {
  std::size_t n = 0;
  executeLocked([&] { n = idle_.size() + handedOut_.size(); });
  return n;
}

void SQLDatabasePool::releaseAllDatabases() {
  executeLocked([&] {
    idle_.clear();
    handedOut_.clear();
  });
}

bool SQLDatabasePool::inDatabase(const DatabaseBlock& block) {
  auto db = this->db();
  if (!db) return false;
  if (block) block(*db);
  pushDatabaseBackInPool(db);
  return true;
}

bool SQLDatabasePool::inTransaction(const TransactionBlock& block) { return beginTransaction(false, block); }

bool SQLDatabasePool::inDeferredTransaction(const TransactionBlock& block) {
  return beginTransaction(true, block);
}

bool SQLDatabasePool::beginTransaction(bool deferred, const TransactionBlock& block) {
  auto db = this->db();
  if (!db) return false;
  const bool committed = SQLDatabaseQueue::runTransaction(*db, deferred, block);
  pushDatabaseBackInPool(db);
  return committed;
}

std::optional<core::Error> SQLDatabasePool::inSavePoint(const TransactionBlock& block) {
  static std::atomic<long> counter{0};
  auto db = this->db();
  if (!db)
    return core::Error(SQLDatabase::kErrorDomain, SQLITE_CANTOPEN, "no connection available from the pool");
  auto error = SQLDatabaseQueue::runSavePoint(*db, "savePoint" + std::to_string(counter++), block);
  pushDatabaseBackInPool(db);
  return error;
}

std::optional<std::string> SQLDatabasePool::path() const {
  std::lock_guard lock(propertiesMutex_);
  return path_;
}

void SQLDatabasePool::setPath(std::optional<std::string> path) {
  std::lock_guard lock(propertiesMutex_);
  path_ = std::move(path);
}

std::shared_ptr<SQLDatabasePoolDelegate> SQLDatabasePool::delegate() const {
  std::lock_guard lock(propertiesMutex_);
  return delegate_.lock();
}

void SQLDatabasePool::setDelegate(std::weak_ptr<SQLDatabasePoolDelegate> delegate) {
  std::lock_guard lock(propertiesMutex_);
  delegate_ = std::move(delegate);
}

std::size_t SQLDatabasePool::maximumNumberOfDatabasesToCreate() const {
  std::lock_guard lock(propertiesMutex_);
  return maximum_;
}

void SQLDatabasePool::setMaximumNumberOfDatabasesToCreate(std::size_t maximum) {
  std::lock_guard lock(propertiesMutex_);
  maximum_ = maximum;
}
