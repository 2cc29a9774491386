#pragma once
// SQLDatabaseQueue: serialises all work on one database file through one connection and one serial
// dispatch queue. Every operation hands its block to the queue and waits for it, so blocks from any
// thread run one at a time on that connection. Different queue objects on the same file are not
// serialised against each other; SQLite's own locking (exclusive transactions) applies between them.
//
// A block may call operations of its own queue: they run at once on the same thread (so a transaction
// inside a transaction fails to begin rather than waiting on itself).

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "librarys/sqldb/SQLDatabase.h"
#include "platform/core/Error.h"

namespace rl {
class DispatchQueue;
}

class SQLDatabaseQueue {
  struct Token {};

 public:
  using DatabaseBlock = std::function<void(SQLDatabase& db)>;
  // Setting `rollback` undoes the block's work instead of committing it.
  using TransactionBlock = std::function<void(SQLDatabase& db, bool& rollback)>;

  // A queue with its connection open, or nullptr when the file cannot be opened (no path: in memory).
  static std::shared_ptr<SQLDatabaseQueue> databaseQueueWithPath(std::optional<std::string> path);
  SQLDatabaseQueue(Token, std::optional<std::string> path, std::shared_ptr<SQLDatabase> db);  // use the above
  ~SQLDatabaseQueue();
  SQLDatabaseQueue(const SQLDatabaseQueue&) = delete;
  SQLDatabaseQueue& operator=(const SQLDatabaseQueue&) = delete;

  // On the queue, waiting: closes the connection and lets it go. A later operation opens a new one.
  void close();
  // For use inside the queue: the connection, opened anew when there is none; nullptr when that fails.
  std::shared_ptr<SQLDatabase> database();

  // On the queue, waiting: runs the block with the connection. False (block not run) without one.
  bool inDatabase(const DatabaseBlock& block);
  // On the queue, waiting: begins an exclusive (or deferred) transaction, runs the block, then rolls
  // back when the block set its flag and commits otherwise. When the transaction cannot begin (the file
  // is locked past the busy rule, or is not a database) the block does not run. A commit that fails is
  // rolled back. True exactly when the block ran and its work was committed.
  bool inTransaction(const TransactionBlock& block);
  bool inDeferredTransaction(const TransactionBlock& block);
  bool beginTransaction(bool deferred, const TransactionBlock& block);
  // On the queue, waiting: runs the block inside a savepoint of its own ("savePoint<n>"), rolled back
  // when the block set its flag, then released. The error of these steps, or nothing.
  std::optional<core::Error> inSavePoint(const TransactionBlock& block);

  // The transaction and savepoint steps themselves, on a connection the caller holds (shared with the
  // pool).
  static bool runTransaction(SQLDatabase& db, bool deferred, const TransactionBlock& block);
  static std::optional<core::Error> runSavePoint(SQLDatabase& db, const std::string& name,
                                                 const TransactionBlock& block);

  std::optional<std::string> path() const;
  void setPath(std::optional<std::string> path);
  std::string description() const;  // "<SQLDatabaseQueue: 0x...>"

 private:
  mutable std::mutex pathMutex_;
  std::optional<std::string> path_;
  std::shared_ptr<SQLDatabase> db_;           // used on the queue only
  core::Error lastOpenError_;                 // why database() could not open a connection
  std::shared_ptr<rl::DispatchQueue> queue_;  // declared last: drained before the connection goes
};
