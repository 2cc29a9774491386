#include "librarys/sqldb/SQLDatabaseQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "librarys/sqldb/SQLDatabasePool.h"
#include "librarys/sqldb/SQLResultSet.h"
#include "tests/librarys/sqldb/SqldbTestSupport.h"

using sqldbtest::column0;
using sqldbtest::openDatabase;
using sqldbtest::StatementLog;
using sqldbtest::TempDir;

namespace {

std::shared_ptr<SQLDatabaseQueue> queueWithTable(const std::string& path) {
  auto queue = SQLDatabaseQueue::databaseQueueWithPath(path);
  EXPECT_NE(queue, nullptr);
  if (queue) queue->inDatabase([](SQLDatabase& db) { EXPECT_TRUE(db.executeUpdate("create table t (a)")); });
  return queue;
}

std::vector<long long> rowsOf(const std::string& path) {
  auto db = openDatabase(path);
  return column0(*db, "select a from t order by a");
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Queue

TEST(SQLDatabaseQueue, AFileThatCannotBeOpenedGivesNoQueue) {
  TempDir dir;
  EXPECT_EQ(SQLDatabaseQueue::databaseQueueWithPath(dir.file("missing/a.db")), nullptr);
  auto queue = SQLDatabaseQueue::databaseQueueWithPath(dir.file("a.db"));
  ASSERT_NE(queue, nullptr);
  EXPECT_EQ(queue->path(), dir.file("a.db"));
}

TEST(SQLDatabaseQueue, TransactionsCommitOrRollBackAsTheBlockSays) {
  struct Case {
    const char* name;
    bool deferred;
    std::function<void(SQLDatabase&, bool&)> block;
    bool committed;
    std::vector<long long> rows;
    std::vector<std::string> statements;
  } cases[] = {
      {"two inserts then rollback",
       false,
       [](SQLDatabase& db, bool& rollback) {
         EXPECT_TRUE(db.executeUpdate("insert into t values (1)"));
         EXPECT_TRUE(db.executeUpdate("insert into t values (2)"));
         rollback = true;
       },
       false,
       {},
       {"begin exclusive transaction", "insert into t values (1)", "insert into t values (2)",
        "rollback transaction"}},
      {"two inserts",
       false,
       [](SQLDatabase& db, bool&) {
         EXPECT_TRUE(db.executeUpdate("insert into t values (1)"));
         EXPECT_TRUE(db.executeUpdate("insert into t values (2)"));
       },
       true,
       {1, 2},
       {"begin exclusive transaction", "insert into t values (1)", "insert into t values (2)",
        "commit transaction"}},
      {"empty block commits",
       false,
       [](SQLDatabase&, bool&) {},
       true,
       {},
       {"begin exclusive transaction", "commit transaction"}},
      {"deferred",
       true,
       [](SQLDatabase& db, bool&) { db.executeUpdate("insert into t values (3)"); },
       true,
       {3},
       {"begin deferred transaction", "insert into t values (3)", "commit transaction"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    auto queue = queueWithTable(dir.file("q.db"));
    ASSERT_NE(queue, nullptr);
    StatementLog log;
    queue->inDatabase([&](SQLDatabase& db) { log.attach(db); });
    const bool committed = c.deferred ? queue->inDeferredTransaction(c.block) : queue->inTransaction(c.block);
    EXPECT_EQ(committed, c.committed);
    EXPECT_EQ(log.texts(), c.statements);
    queue->inDatabase([](SQLDatabase& db) { EXPECT_FALSE(db.inTransaction()); });
    EXPECT_EQ(rowsOf(dir.file("q.db")), c.rows);
  }
}

// A transaction that cannot begin runs nothing: its statements would otherwise land one by one.
TEST(SQLDatabaseQueue, ABeginThatCannotTakeTheLockRunsNothingAndReportsFailure) {
  TempDir dir;
  auto queue = queueWithTable(dir.file("q.db"));
  ASSERT_NE(queue, nullptr);
  queue->inDatabase([](SQLDatabase& db) { db.setBusyRetryTimeout(2); });
  auto holder = openDatabase(dir.file("q.db"));
  ASSERT_TRUE(holder->beginTransaction());

  bool ran = false;
  EXPECT_FALSE(queue->inTransaction([&](SQLDatabase& db, bool&) {
    ran = true;
    db.executeUpdate("insert into t values (1)");
  }));
  EXPECT_FALSE(ran);
  queue->inDatabase([](SQLDatabase& db) {
    EXPECT_EQ(db.lastErrorCode(), SQLITE_BUSY);
    EXPECT_FALSE(db.inTransaction());
  });
  // A deferred begin takes no lock, so its block runs; the insert cannot, and the block rolls back.
  EXPECT_FALSE(queue->inDeferredTransaction([&](SQLDatabase& db, bool& rollback) {
    if (!db.executeUpdate("insert into t values (2)")) rollback = true;
  }));

  ASSERT_TRUE(holder->commit());
  EXPECT_EQ(rowsOf(dir.file("q.db")), std::vector<long long>{});
  EXPECT_TRUE(
      queue->inTransaction([](SQLDatabase& db, bool&) { db.executeUpdate("insert into t values (3)"); }));
  EXPECT_EQ(rowsOf(dir.file("q.db")), std::vector<long long>{3});
}

// A commit that cannot take the lock (a reader on another connection is mid-query) is rolled back, so
// the connection is not left inside a transaction, and the call reports failure.
TEST(SQLDatabaseQueue, ACommitThatFailsIsRolledBack) {
  TempDir dir;
  auto queue = queueWithTable(dir.file("q.db"));
  ASSERT_NE(queue, nullptr);
  queue->inDatabase([](SQLDatabase& db) {
    db.executeUpdate("insert into t values (1)");
    db.setBusyRetryTimeout(2);
  });
  auto reader = openDatabase(dir.file("q.db"));
  auto rs = reader->executeQuery("select a from t");
  ASSERT_TRUE(rs && rs->next());  // holds a shared lock while the cursor is on a row

  bool ran = false;
  EXPECT_FALSE(queue->inDeferredTransaction([&](SQLDatabase& db, bool&) {
    ran = true;
    EXPECT_TRUE(db.executeUpdate("insert into t values (2)"));
  }));
  EXPECT_TRUE(ran);
  queue->inDatabase([](SQLDatabase& db) {
    EXPECT_FALSE(db.inTransaction());
    EXPECT_NE(sqlite3_get_autocommit(db.sqliteHandle()), 0);
  });
  rs->close();
  EXPECT_EQ(rowsOf(dir.file("q.db")), std::vector<long long>{1});
}

TEST(SQLDatabaseQueue, ANonDatabaseFileRunsNoTransaction) {
  TempDir dir;
  sqldbtest::writeFile(dir.file("junk.db"), std::string(4096, 'J'));
  auto queue = SQLDatabaseQueue::databaseQueueWithPath(dir.file("junk.db"));
  ASSERT_NE(queue, nullptr);  // SQLite opens lazily
  bool ran = false;
  EXPECT_FALSE(queue->inTransaction([&](SQLDatabase&, bool&) { ran = true; }));
  EXPECT_FALSE(ran);
  queue->inDatabase([](SQLDatabase& db) {
    EXPECT_EQ(db.executeQuery("select * from t"), nullptr);
    EXPECT_EQ(db.lastErrorCode(), SQLITE_NOTADB);
  });
}

TEST(SQLDatabaseQueue, SavePointsNestWithNamesOfTheirOwn) {
  TempDir dir;
  auto queue = queueWithTable(dir.file("q.db"));
  ASSERT_NE(queue, nullptr);
  StatementLog log;
  queue->inDatabase([&](SQLDatabase& db) { log.attach(db); });

  auto outer = queue->inSavePoint([&](SQLDatabase& db, bool&) {
    db.executeUpdate("insert into t values (1)");
    auto inner = queue->inSavePoint([](SQLDatabase& db, bool& rollback) {
      db.executeUpdate("insert into t values (2)");
      rollback = true;
    });
    EXPECT_FALSE(inner);
    db.executeUpdate("insert into t values (3)");
  });
  EXPECT_FALSE(outer);
  EXPECT_EQ(rowsOf(dir.file("q.db")), (std::vector<long long>{1, 3}));

  std::vector<std::string> starts;
  for (const auto& text : log.texts()) {
    if (text.starts_with("savepoint ")) starts.push_back(text);
  }
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_TRUE(starts[0].starts_with("savepoint 'savePoint"));
  EXPECT_NE(starts[0], starts[1]);

  log.clear();
  EXPECT_FALSE(queue->inSavePoint([](SQLDatabase&, bool&) {}));
  EXPECT_FALSE(queue->inSavePoint([](SQLDatabase&, bool&) {}));
  ASSERT_EQ(log.texts().size(), 4u);
  EXPECT_NE(log.texts()[0], log.texts()[2]);  // consecutive calls use different names
}

TEST(SQLDatabaseQueue, BlocksFromTwoThreadsRunOneAtATime) {
  TempDir dir;
  auto queue = SQLDatabaseQueue::databaseQueueWithPath(dir.file("q.db"));
  ASSERT_NE(queue, nullptr);
  queue->inDatabase([](SQLDatabase& db) {
    db.executeUpdate("pragma synchronous = off");  // no disk flush per transaction: this test is about order
    db.executeUpdate("create table counter (n integer)");
    db.executeUpdate("insert into counter values (0)");
  });
  std::atomic<int> inside{0}, overlaps{0}, failures{0};
  auto work = [&] {
    for (int i = 0; i < 200; ++i) {
      queue->inDatabase([&](SQLDatabase& db) {
        if (inside.fetch_add(1) != 0) overlaps.fetch_add(1);
        const int n = db.intForQuery("select n from counter");  // read-modify-write on one connection
        if (!db.executeUpdate("update counter set n = ?", n + 1)) failures.fetch_add(1);
        inside.fetch_sub(1);
      });
      const bool ok = queue->inTransaction([&](SQLDatabase& db, bool&) {
        if (inside.fetch_add(1) != 0) overlaps.fetch_add(1);
        if (!db.executeUpdate("update counter set n = n + 1")) failures.fetch_add(1);
        inside.fetch_sub(1);
      });
      if (!ok) failures.fetch_add(1);
    }
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
  EXPECT_EQ(overlaps.load(), 0);
  EXPECT_EQ(failures.load(), 0);
  int total = 0;
  queue->inDatabase([&](SQLDatabase& db) { total = db.intForQuery("select n from counter"); });
  EXPECT_EQ(total, 800);
}

TEST(SQLDatabaseQueue, CloseThenTheNextOperationOpensAgain) {
  TempDir dir;
  auto queue = queueWithTable(dir.file("q.db"));
  ASSERT_NE(queue, nullptr);
  std::shared_ptr<SQLDatabase> before;
  queue->inDatabase([&](SQLDatabase& db) { before = db.shared_from_this(); });
  queue->close();
  EXPECT_FALSE(before->databaseExists());
  EXPECT_TRUE(
      queue->inTransaction([](SQLDatabase& db, bool&) { db.executeUpdate("insert into t values (7)"); }));
  EXPECT_EQ(rowsOf(dir.file("q.db")), std::vector<long long>{7});

  // A reopen that fails leaves the block unrun.
  queue->close();
  queue->setPath(dir.file("missing/q.db"));
  bool ran = false;
  EXPECT_FALSE(queue->inDatabase([&](SQLDatabase&) { ran = true; }));
  EXPECT_FALSE(queue->inTransaction([&](SQLDatabase&, bool&) { ran = true; }));
  auto error = queue->inSavePoint([&](SQLDatabase&, bool&) { ran = true; });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->code, SQLITE_CANTOPEN);
  EXPECT_FALSE(ran);
}

// ---------------------------------------------------------------------------------------------------
// Pool

TEST(SQLDatabasePool, HandsOutAndTakesBackConnections) {
  TempDir dir;
  auto pool = SQLDatabasePool::databasePoolWithPath(dir.file("p.db"));
  pool->setMaximumNumberOfDatabasesToCreate(1);
  auto first = pool->db();
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(first->databaseExists());
  EXPECT_EQ(pool->db(), nullptr);  // the maximum is reached while the first is handed out
  EXPECT_EQ(pool->countOfCheckedOutDatabases(), 1u);
  EXPECT_EQ(pool->countOfCheckedInDatabases(), 0u);

  EXPECT_FALSE(pool->pushDatabaseBackInPool(first));
  EXPECT_EQ(pool->countOfCheckedInDatabases(), 1u);
  EXPECT_EQ(pool->countOfCheckedOutDatabases(), 0u);
  auto again = pool->pushDatabaseBackInPool(first);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->domain, "Database already in pool");
  EXPECT_EQ(again->description,
            "The SQLDatabase being put back into the pool is already present in the pool");
  EXPECT_EQ(pool->countOfOpenDatabases(), 1u);

  EXPECT_EQ(pool->db(), first);  // the idle connection is handed out again
  EXPECT_FALSE(pool->pushDatabaseBackInPool(first));
  EXPECT_FALSE(pool->pushDatabaseBackInPool(nullptr));
  pool->releaseAllDatabases();
  EXPECT_EQ(pool->countOfOpenDatabases(), 0u);
}

TEST(SQLDatabasePool, TheDelegateMayVetoAConnection) {
  struct Veto : SQLDatabasePoolDelegate {
    bool allow = false;
    std::shared_ptr<SQLDatabase> seen;
    bool databasePoolShouldAddDatabaseToPool(SQLDatabasePool& pool, SQLDatabase& db) override {
      seen = db.shared_from_this();
      return allow;
    }
  };
  auto delegate = std::make_shared<Veto>();
  auto pool = SQLDatabasePool::databasePoolWithPath(std::nullopt);
  pool->setDelegate(delegate);
  EXPECT_EQ(pool->db(), nullptr);
  ASSERT_NE(delegate->seen, nullptr);
  EXPECT_FALSE(delegate->seen->databaseExists());  // the vetoed connection was closed
  EXPECT_EQ(pool->countOfOpenDatabases(), 0u);
  delegate->allow = true;
  EXPECT_NE(pool->db(), nullptr);
  EXPECT_EQ(pool->countOfCheckedOutDatabases(), 1u);
}

TEST(SQLDatabasePool, BlocksBorrowAConnectionAndGiveItBack) {
  TempDir dir;
  auto pool = SQLDatabasePool::databasePoolWithPath(dir.file("p.db"));
  EXPECT_TRUE(pool->inDatabase([](SQLDatabase& db) { EXPECT_TRUE(db.executeUpdate("create table t (a)")); }));
  EXPECT_TRUE(
      pool->inTransaction([](SQLDatabase& db, bool&) { db.executeUpdate("insert into t values (1)"); }));
  EXPECT_FALSE(pool->inTransaction([](SQLDatabase& db, bool& rollback) {
    db.executeUpdate("insert into t values (2)");
    rollback = true;
  }));
  EXPECT_FALSE(
      pool->inSavePoint([](SQLDatabase& db, bool&) { db.executeUpdate("insert into t values (3)"); }));
  EXPECT_EQ(pool->countOfCheckedInDatabases(), 1u);
  EXPECT_EQ(pool->countOfCheckedOutDatabases(), 0u);
  EXPECT_EQ(rowsOf(dir.file("p.db")), (std::vector<long long>{1, 3}));

  // A begin that cannot take the lock runs nothing here either.
  auto holder = openDatabase(dir.file("p.db"));
  ASSERT_TRUE(holder->beginTransaction());
  pool->inDatabase([](SQLDatabase& db) { db.setBusyRetryTimeout(2); });
  bool ran = false;
  EXPECT_FALSE(pool->inTransaction([&](SQLDatabase&, bool&) { ran = true; }));
  EXPECT_FALSE(ran);
  EXPECT_EQ(pool->countOfCheckedOutDatabases(), 0u);
  ASSERT_TRUE(holder->rollback());
}
