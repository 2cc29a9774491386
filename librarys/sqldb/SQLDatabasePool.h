#pragma once
// SQLDatabasePool: a pool of connections to one database file. A borrower takes a connection with db()
// (or through inDatabase() and the transaction forms, which hand it back afterwards), uses it on its own
// thread and pushes it back. The two lists (idle and handed out) are guarded by a serial lock queue.

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "librarys/sqldb/SQLDatabase.h"
#include "librarys/sqldb/SQLDatabaseQueue.h"
#include "platform/core/Error.h"

namespace rl {
class DispatchQueue;
}

class SQLDatabasePool;

// May veto each connection the pool opens or hands out. The default lets every one through.
struct SQLDatabasePoolDelegate {
  virtual ~SQLDatabasePoolDelegate() = default;
  virtual bool databasePoolShouldAddDatabaseToPool(SQLDatabasePool& pool, SQLDatabase& database) {
    return true;
  }
};

class SQLDatabasePool {
  struct Token {};

 public:
  using DatabaseBlock = SQLDatabaseQueue::DatabaseBlock;
  using TransactionBlock = SQLDatabaseQueue::TransactionBlock;

  // The failure pushDatabaseBackInPool() reports for a connection already idle in the pool: the error's
  // domain is the name, its description the reason.
  static constexpr const char* kAlreadyInPoolName = "Database already in pool";
  static constexpr const char* kAlreadyInPoolReason =
      "The SQLDatabase being put back into the pool is already present in the pool";

  static std::shared_ptr<SQLDatabasePool> databasePoolWithPath(std::optional<std::string> path);
  SQLDatabasePool(Token, std::optional<std::string> path);  // use databasePoolWithPath()
  ~SQLDatabasePool();
  SQLDatabasePool(const SQLDatabasePool&) = delete;
  SQLDatabasePool& operator=(const SQLDatabasePool&) = delete;

  // Runs the block on the lock queue, waiting (a block already on it runs at once).
  void executeLocked(const std::function<void()>& block);

  // An open connection: the most recently idle one, or a new one. nullptr when the maximum is reached,
  // the open fails or the delegate vetoes it (a vetoed connection is closed).
  std::shared_ptr<SQLDatabase> db();
  // Makes a handed-out connection idle again. A connection already idle is refused with the
  // "Database already in pool" error and the lists stay as they were. Nothing for nullptr.
  std::optional<core::Error> pushDatabaseBackInPool(std::shared_ptr<SQLDatabase> database);

  std::size_t countOfCheckedInDatabases();
  std::size_t countOfCheckedOutDatabases();
  std::size_t countOfOpenDatabases();
  // Forgets every connection (those handed out stay with their borrowers).
  void releaseAllDatabases();

  // A connection from db(), the block with it, then back into the pool. False when there was none.
  bool inDatabase(const DatabaseBlock& block);
  // As SQLDatabaseQueue's: true exactly when the block ran and its work was committed.
  bool inTransaction(const TransactionBlock& block);
  bool inDeferredTransaction(const TransactionBlock& block);
  bool beginTransaction(bool deferred, const TransactionBlock& block);
  std::optional<core::Error> inSavePoint(const TransactionBlock& block);

  std::optional<std::string> path() const;
  void setPath(std::optional<std::string> path);
  std::shared_ptr<SQLDatabasePoolDelegate> delegate() const;
  void setDelegate(std::weak_ptr<SQLDatabasePoolDelegate> delegate);
  std::size_t maximumNumberOfDatabasesToCreate() const;  // 0: no limit
  void setMaximumNumberOfDatabasesToCreate(std::size_t maximum);
  std::string description() const;  // "<SQLDatabasePool: 0x...>"

 private:
  mutable std::mutex propertiesMutex_;  // path, delegate, maximum
  std::optional<std::string> path_;
  std::weak_ptr<SQLDatabasePoolDelegate> delegate_;
  std::size_t maximum_ = 0;
  std::vector<std::shared_ptr<SQLDatabase>> idle_;       // on the lock queue only
  std::vector<std::shared_ptr<SQLDatabase>> handedOut_;  // on the lock queue only
  std::shared_ptr<rl::DispatchQueue> lockQueue_;
};
