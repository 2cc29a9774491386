#include "librarys/sqldb/SQLDatabase.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <regex>

#include "librarys/sqldb/SQLResultSet.h"
#include "librarys/sqldb/SQLStatement.h"
#include "tests/librarys/sqldb/SqldbTestSupport.h"

using sqldbtest::column0;
using sqldbtest::openDatabase;
using sqldbtest::StatementLog;
using sqldbtest::TempDir;

namespace {

// A small question table like the bank's: AID, Version (declared in mixed case), Content.
std::shared_ptr<SQLDatabase> bankLike() {
  auto db = openDatabase();
  EXPECT_TRUE(db->executeUpdate("create table Test (AID integer primary key, Version text, Content text)"));
  EXPECT_TRUE(
      db->executeUpdate("insert into Test values (1, '3', 'one'), (2, '3.0', 'two'), (3, '4', 'three')"));
  return db;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Connection

TEST(SQLDatabaseConnection, OpenTwiceKeepsOneConnectionAndCloseForgetsIt) {
  TempDir dir;
  auto db = SQLDatabase::databaseWithPath(dir.file("a.db"));
  EXPECT_FALSE(db->databaseExists());
  ASSERT_TRUE(db->open());
  sqlite3* first = db->sqliteHandle();
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(db->open());
  EXPECT_EQ(db->sqliteHandle(), first);
  EXPECT_TRUE(db->goodConnection());
  EXPECT_TRUE(db->close());
  EXPECT_FALSE(db->databaseExists());
  EXPECT_EQ(db->sqliteHandle(), nullptr);
  EXPECT_TRUE(db->close());  // closing without a connection is fine
  EXPECT_TRUE(std::filesystem::exists(dir.file("a.db")));
}

TEST(SQLDatabaseConnection, NeverOpenedObjectRefusesWorkWithoutTouchingSQLite) {
  auto db = SQLDatabase::databaseWithPath(std::nullopt);
  EXPECT_EQ(db->executeQuery("select 1"), nullptr);
  EXPECT_FALSE(db->executeUpdate("create table t (a)"));
  core::Error error;
  EXPECT_FALSE(db->update("create table t (a)", &error));
  EXPECT_EQ(error.domain, "SQLDatabase");
  EXPECT_FALSE(db->goodConnection());
  EXPECT_FALSE(db->makeFunctionNamed("f", 0, [](sqlite3_context*, int, sqlite3_value**) {}));
  EXPECT_EQ(db->lastErrorCode(), 0);
  EXPECT_FALSE(db->hadError());
}

TEST(SQLDatabaseConnection, NoPathIsAnInMemoryDatabase) {
  auto db = openDatabase();
  ASSERT_TRUE(db->databaseExists());
  ASSERT_TRUE(db->executeUpdate("create table t (a)"));
  ASSERT_TRUE(db->executeUpdate("insert into t values (?)", 7));
  EXPECT_EQ(db->lastInsertRowId(), 1);
  EXPECT_EQ(db->changes(), 1);
  EXPECT_EQ(column0(*db, "select a from t"), std::vector<long long>{7});
  EXPECT_TRUE(SQLDatabase::isSQLiteThreadSafe());
  EXPECT_FALSE(db->setKey("k"));
}

TEST(SQLDatabaseConnection, OpenInAMissingDirectoryFailsWithSQLitesError) {
  TempDir dir;
  auto db = SQLDatabase::databaseWithPath(dir.file("missing/a.db"));
  EXPECT_FALSE(db->open());
  EXPECT_FALSE(db->databaseExists());
  EXPECT_EQ(db->lastErrorCode(), SQLITE_CANTOPEN);
  EXPECT_EQ(db->lastErrorMessage(), "unable to open database file");
  EXPECT_TRUE(db->hadError());
}

TEST(SQLDatabaseConnection, OpenWithFlagsReadOnlyRefusesWrites) {
  TempDir dir;
  {
    auto db = openDatabase(dir.file("ro.db"));
    ASSERT_TRUE(db->executeUpdate("create table t (a)"));
  }
  auto db = SQLDatabase::databaseWithPath(dir.file("ro.db"));
  ASSERT_TRUE(db->openWithFlags(SQLITE_OPEN_READONLY));
  EXPECT_FALSE(db->executeUpdate("insert into t values (1)"));
  EXPECT_EQ(db->lastErrorCode(), SQLITE_READONLY);
  ASSERT_TRUE(db->openWithFlags(SQLITE_OPEN_READWRITE));  // replaces the read-only connection
  EXPECT_TRUE(db->executeUpdate("insert into t values (1)"));
}

// Files that are not a usable database open (SQLite reads lazily) but every statement fails with the
// file's error, readable afterwards; nothing crashes and the object stays usable for closing.
TEST(SQLDatabaseConnection, CorruptOrNonDatabaseFilesFailWithTheirError) {
  TempDir dir;
  // A real database of several pages whose table pages are then overwritten.
  const std::string damaged = dir.file("damaged.db");
  {
    auto db = openDatabase(damaged);
    ASSERT_TRUE(db->executeUpdate("create table t (a integer, b text)"));
    ASSERT_TRUE(db->beginTransaction());
    for (int i = 0; i < 200; ++i)
      ASSERT_TRUE(db->executeUpdate("insert into t values (?, ?)", i, std::string(100, 'x')));
    ASSERT_TRUE(db->commit());
  }
  {
    std::fstream f(damaged, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(4096);  // page 2 onwards: the table's pages
    std::string junk(8192, '\xA5');
    f.write(junk.data(), static_cast<std::streamsize>(junk.size()));
  }
  sqldbtest::writeFile(dir.file("text.db"), std::string(2048, 'T'));

  struct Case {
    const char* name;
    std::string path;
    int code;
    const char* message;
  } cases[] = {
      {"text file", dir.file("text.db"), SQLITE_NOTADB, "file is not a database"},
      {"damaged pages", damaged, SQLITE_CORRUPT, "database disk image is malformed"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto db = SQLDatabase::databaseWithPath(c.path);
    ASSERT_TRUE(db->open());
    bool gotRows = false;
    if (auto rs = db->executeQuery("select count(*), sum(a) from t")) gotRows = rs->next();
    EXPECT_FALSE(gotRows);
    EXPECT_EQ(db->lastErrorCode(), c.code);
    EXPECT_EQ(db->lastErrorMessage(), c.message);
    EXPECT_TRUE(db->hadError());
    EXPECT_FALSE(db->executeUpdate("insert into t values (1, 'y')"));
    EXPECT_FALSE(db->hasOpenResultSets());
    EXPECT_TRUE(db->close());
  }
}

TEST(SQLDatabaseConnection, CloseClosesOpenCursorsFirst) {
  auto db = bankLike();
  auto rs = db->executeQuery("select AID from Test order by AID");
  ASSERT_TRUE(rs && rs->next());
  EXPECT_TRUE(db->hasOpenResultSets());
  EXPECT_TRUE(db->close());
  EXPECT_FALSE(db->hasOpenResultSets());
  EXPECT_EQ(rs->statement(), nullptr);
  EXPECT_FALSE(rs->next());
  EXPECT_EQ(rs->intForColumn("AID"), 0);
}

TEST(SQLDatabaseConnection, ACursorKeepsItsConnectionAliveUntilItCloses) {
  auto db = bankLike();
  std::weak_ptr<SQLDatabase> weak = db;
  auto rs = db->executeQuery("select AID from Test order by AID");
  db.reset();
  ASSERT_FALSE(weak.expired());
  std::vector<int> ids;
  while (rs->next()) ids.push_back(rs->intForColumnIndex(0));
  EXPECT_EQ(ids, (std::vector<int>{1, 2, 3}));
  EXPECT_TRUE(weak.expired());  // the end of the rows closed the cursor, which let the connection go
}

// ---------------------------------------------------------------------------------------------------
// Binding by type

TEST(SQLDatabaseBinding, EachValueTypeBindsAsItsStorageClass) {
  struct Case {
    const char* name;
    core::Value value;
    const char* typeOf;
    const char* quoted;  // nullptr: not compared
  } cases[] = {
      {"nil", core::Value(), "null", "NULL"},
      {"null", core::Value::null(), "null", "NULL"},
      {"empty data", core::Value(core::Bytes{}), "blob", "X''"},
      {"data", core::Value(core::Bytes{0x01, 0xff}), "blob", "X'01FF'"},
      {"date", core::Value(core::Date{1500000000.25}), "real", "1500000000.25"},
      {"true", core::Value(true), "integer", "1"},
      {"false", core::Value(false), "integer", "0"},
      {"integer", core::Value(std::int64_t{-9007199254740993}), "integer", "-9007199254740993"},
      {"unsigned max", core::Value(std::numeric_limits<std::uint64_t>::max()), "integer", "-1"},
      {"double", core::Value(2.5), "real", "2.5"},
      {"string", core::Value("it's"), "text", "'it''s'"},
      {"chinese", core::Value("刚刚"), "text", "'刚刚'"},
      {"decimal", core::Value(*core::Decimal::parse("12.50")), "text", "'12.5'"},
      {"array", core::Value(core::Array{1, 2}), "text", nullptr},
  };
  auto db = openDatabase();
  ASSERT_TRUE(db->executeUpdate("create table t (v)"));  // no affinity: values keep their class
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(db->executeUpdate("delete from t"));
    ASSERT_TRUE(db->executeUpdateWithArgs("insert into t values (?)", core::Array{c.value}));
    auto rs = db->executeQuery("select typeof(v), quote(v) from t");
    ASSERT_TRUE(rs && rs->next());
    EXPECT_EQ(rs->stringForColumnIndex(0), c.typeOf);
    if (c.quoted) {
      EXPECT_EQ(rs->stringForColumnIndex(1), c.quoted);
    }
    rs->close();
  }
}

TEST(SQLDatabaseBinding, PlainArgumentsOfTheVariableListBindByType) {
  auto db = openDatabase();
  ASSERT_TRUE(db->executeUpdate("create table t (a, b, c, d, e, f, g)"));
  const char* text = "c-string";
  ASSERT_TRUE(db->executeUpdate("insert into t values (?, ?, ?, ?, ?, ?, ?)", 7, 2.5, text, std::string("s"),
                                nullptr, core::Bytes{9}, true));
  auto rs = db->executeQuery(
      "select typeof(a), typeof(b), typeof(c), typeof(d), typeof(e), typeof(f), typeof(g), c, g from t");
  ASSERT_TRUE(rs && rs->next());
  const char* expected[] = {"integer", "real", "text", "text", "null", "blob", "integer"};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(rs->stringForColumnIndex(i), expected[i]) << "column " << i;
  EXPECT_EQ(rs->stringForColumnIndex(7), "c-string");
  EXPECT_EQ(rs->intForColumnIndex(8), 1);
}

// ---------------------------------------------------------------------------------------------------
// Column readers

TEST(SQLResultSetReaders, EveryReaderByNameAndByIndex) {
  auto db = openDatabase();
  ASSERT_TRUE(db->executeUpdate(
      "create table t (I integer, R real, T text, B blob, N, Big integer, D real, E blob)"));
  ASSERT_TRUE(db->executeUpdate("insert into t values (?, ?, ?, ?, ?, ?, ?, ?)", 3, 3.0, "abc",
                                core::Bytes{0x00, 0xff}, nullptr, std::numeric_limits<std::uint64_t>::max(),
                                core::Date{1500000000.5}, core::Bytes{}));
  auto rs = db->executeQuery("select * from t");
  ASSERT_TRUE(rs);
  EXPECT_EQ(rs->intForColumn("I"), 0);  // before the first row: nothing to read
  ASSERT_TRUE(rs->next());

  EXPECT_EQ(rs->columnCount(), 8);
  EXPECT_EQ(rs->columnNameForIndex(0), "I");
  EXPECT_EQ(rs->columnIndexForName("big"), 5);
  EXPECT_EQ(rs->columnIndexForName("missing"), -1);

  EXPECT_EQ(rs->intForColumn("i"), 3);
  EXPECT_EQ(rs->intForColumnIndex(0), 3);
  EXPECT_EQ(rs->longForColumn("I"), 3);
  EXPECT_EQ(rs->longLongIntForColumn("I"), 3);
  EXPECT_EQ(rs->unsignedLongLongIntForColumn("BIG"), std::numeric_limits<std::uint64_t>::max());
  EXPECT_TRUE(rs->boolForColumn("i"));
  EXPECT_FALSE(rs->boolForColumn("n"));
  EXPECT_DOUBLE_EQ(rs->doubleForColumn("r"), 3.0);
  EXPECT_DOUBLE_EQ(rs->doubleForColumnIndex(0), 3.0);

  EXPECT_EQ(rs->stringForColumn("i"), "3");
  EXPECT_EQ(rs->stringForColumn("r"), "3.0");
  EXPECT_EQ(rs->stringForColumn("t"), "abc");
  EXPECT_EQ(rs->stringForColumn("n"), std::nullopt);
  EXPECT_EQ(rs->stringForColumn("missing"), std::nullopt);

  ASSERT_TRUE(rs->dateForColumn("d"));
  EXPECT_DOUBLE_EQ(rs->dateForColumn("d")->secondsSince1970, 1500000000.5);
  EXPECT_EQ(rs->dateForColumn("n"), std::nullopt);

  EXPECT_EQ(rs->dataForColumn("b"), (core::Bytes{0x00, 0xff}));
  EXPECT_EQ(rs->dataForColumn("e"), core::Bytes{});  // an empty blob is data, not nothing
  EXPECT_EQ(rs->dataForColumn("n"), std::nullopt);
  auto view = rs->dataNoCopyForColumn("B");
  ASSERT_TRUE(view);
  ASSERT_EQ(view->size(), 2u);
  EXPECT_EQ((*view)[1], 0xff);
  EXPECT_EQ(rs->dataNoCopyForColumn("missing"), std::nullopt);

  EXPECT_TRUE(rs->columnIsNull("n"));
  EXPECT_TRUE(rs->columnIsNull("missing"));
  EXPECT_FALSE(rs->columnIsNull("e"));
  EXPECT_STREQ(rs->UTF8StringForColumnName("t"), "abc");
  EXPECT_EQ(rs->UTF8StringForColumnName("n"), nullptr);

  EXPECT_EQ(rs->objectForColumnName("i").type(), core::Value::Type::Integer);
  EXPECT_EQ(rs->objectForColumnName("i"), core::Value(3));
  EXPECT_EQ(rs->objectForColumnName("r").type(), core::Value::Type::Double);
  EXPECT_EQ(rs->objectForColumnName("t"), core::Value("abc"));
  EXPECT_EQ(rs->objectForColumnName("b"), core::Value(core::Bytes{0x00, 0xff}));
  EXPECT_TRUE(rs->objectForColumnName("n").isNull());
  EXPECT_TRUE(rs->objectForColumnName("missing").isNil());

  auto row = rs->resultDictionary();
  ASSERT_TRUE(row);
  EXPECT_EQ(row->keys(), (std::vector<std::string>{"I", "R", "T", "B", "N", "Big", "D", "E"}));
  EXPECT_TRUE(row->get("N").isNull());
  auto lower = rs->resultDict();
  ASSERT_TRUE(lower);
  EXPECT_EQ(lower->get("big"), core::Value(-1));
  EXPECT_FALSE(lower->contains("Big"));

  core::Dictionary object;
  rs->kvcMagic(object);
  EXPECT_EQ(object.get("T"), core::Value("abc"));
  EXPECT_EQ(object.get("I"), core::Value("3"));
  EXPECT_FALSE(object.contains("N"));

  EXPECT_FALSE(rs->next());
  EXPECT_EQ(rs->intForColumn("I"), 0);
  EXPECT_EQ(rs->stringForColumn("T"), std::nullopt);
  EXPECT_FALSE(rs->resultDictionary());
}

TEST(SQLResultSetReaders, NamesMatchWithoutRegardToCase) {
  auto db = bankLike();
  auto rs = db->executeQuery("select * from Test where AID = ?", 2);
  ASSERT_TRUE(rs && rs->next());
  EXPECT_EQ(rs->stringForColumn("version"), "3.0");
  EXPECT_EQ(rs->intForColumn("aid"), 2);
}

TEST(SQLResultSetReaders, AQueryWithoutRowsClosesAtTheFirstNext) {
  auto db = bankLike();
  auto rs = db->executeQuery("select * from Test where AID = ?", 99);
  ASSERT_TRUE(rs);
  EXPECT_TRUE(db->hasOpenResultSets());
  EXPECT_FALSE(rs->next());
  EXPECT_FALSE(db->hasOpenResultSets());
  EXPECT_EQ(rs->intForColumn("AID"), 0);
  EXPECT_FALSE(rs->hasAnotherRow());
  rs->close();  // closing twice is harmless
}

TEST(SQLResultSetReaders, HasAnotherRowFollowsTheLastStep) {
  auto db = bankLike();
  auto rs = db->executeQuery("select AID from Test");
  ASSERT_TRUE(rs->next());
  EXPECT_TRUE(rs->hasAnotherRow());
}

// ---------------------------------------------------------------------------------------------------
// Positional and named arguments

TEST(SQLDatabaseArguments, CountsMustMatchTheStatementsParameters) {
  auto db = bankLike();
  const std::string byId = "select AID, Content from Test where AID = ?";
  const std::string byName = "select AID, Content from Test where AID = :aid";
  struct Case {
    const char* name;
    std::function<std::shared_ptr<SQLResultSet>()> run;
    std::optional<std::string> content;  // nothing: the call must give no cursor
  } cases[] = {
      {"string argument binds as text", [&] { return db->executeQuery(byId, "2"); }, "two"},
      {"array", [&] { return db->executeQueryWithArgs(byId, core::Array{3}); }, "three"},
      {"array with extra elements",
       [&] {
         return db->executeQueryWithArgs(byId, core::Array{1, 2});
       },
       "one"},
      {"empty array", [&] { return db->executeQueryWithArgs(byId, core::Array{}); }, std::nullopt},
      {"no variable argument", [&] { return db->executeQuery(byId); }, std::nullopt},
      {"too few for two", [&] { return db->executeQuery(byId + " and Version = ?", 1); }, std::nullopt},
      {"dictionary",
       [&] {
         return db->executeQueryWithParameters(byName, {{"aid", 1}});
       },
       "one"},
      {"dictionary with extra key",
       [&] {
         return db->executeQueryWithParameters(byName, {{"aid", 2}, {"other", 5}});
       },
       "two"},
      {"misspelt key",
       [&] {
         return db->executeQueryWithParameters(byName, {{"aId", 1}});
       },
       std::nullopt},
      {"empty dictionary", [&] { return db->executeQueryWithParameters(byName, {}); }, std::nullopt},
      {"dictionary for a positional parameter",
       [&] {
         return db->executeQueryWithParameters(byId, {{"aid", 1}});
       },
       std::nullopt},
      {"named parameter by position", [&] { return db->executeQuery(byName, 3); }, "three"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto rs = c.run();
    if (!c.content) {
      EXPECT_EQ(rs, nullptr);
      continue;
    }
    ASSERT_TRUE(rs && rs->next());
    EXPECT_EQ(rs->stringForColumn("Content"), c.content);
    rs->close();
  }
  EXPECT_FALSE(db->hasOpenResultSets());
  EXPECT_FALSE(
      db->executeUpdateWithParameters("update Test set Content = :c where AID = :aid", {{"c", "x"}}));
  EXPECT_TRUE(db->executeUpdateWithParameters("update Test set Content = :c where AID = :aid",
                                              {{"c", "x"}, {"aid", 1}}));
  EXPECT_EQ(db->stringForQuery("select Content from Test where AID = 1"), "x");
  core::Error error;
  EXPECT_FALSE(db->update("update Test set Content = ?", &error));
  EXPECT_EQ(error.code, SQLITE_RANGE);
}

// ---------------------------------------------------------------------------------------------------
// Errors

TEST(SQLDatabaseErrors, BadStatementsReportSQLitesCodeAndText) {
  struct Case {
    const char* sql;
    bool isQuery;
    int code;
    const char* message;
  } cases[] = {
      {"selec 1", true, SQLITE_ERROR, "near \"selec\": syntax error"},
      {"select * from Missing", true, SQLITE_ERROR, "no such table: Missing"},
      {"select Nope from Test", true, SQLITE_ERROR, "no such column: Nope"},
      {"insert into Test (AID) values (1)", false, SQLITE_CONSTRAINT, "UNIQUE constraint failed: Test.AID"},
      {"insert into Test (AID, Version) values (9)", false, SQLITE_ERROR, "1 values for 2 columns"},
      {"create table Test (a)", false, SQLITE_ERROR, "table Test already exists"},
  };
  auto db = bankLike();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    if (c.isQuery) {
      EXPECT_EQ(db->executeQuery(c.sql), nullptr);
    } else {
      core::Error error;
      EXPECT_FALSE(db->update(c.sql, &error));
      EXPECT_EQ(error.domain, "SQLDatabase");
      EXPECT_EQ(error.code, c.code);
      EXPECT_EQ(error.description, c.message);
    }
    EXPECT_EQ(db->lastErrorCode(), c.code);
    EXPECT_EQ(db->lastErrorMessage(), c.message);
    EXPECT_TRUE(db->hadError());
    const core::Error last = db->lastError();
    EXPECT_EQ(last.domain, SQLDatabase::kErrorDomain);
    EXPECT_EQ(last.code, c.code);
    EXPECT_EQ(last.description, c.message);
    EXPECT_EQ(db->intForQuery("select count(*) from Test"), 3);  // the connection stays usable
    EXPECT_FALSE(db->hadError());
  }
}

TEST(SQLDatabaseErrors, AnUpdateThatYieldsARowFails) {
  auto db = bankLike();
  EXPECT_FALSE(db->executeUpdate("select * from Test"));
  EXPECT_FALSE(db->hadError());        // a row is not an error code
  EXPECT_TRUE(db->executeUpdate(""));  // nothing to run
}

TEST(SQLDatabaseErrors, AFailingCustomFunctionEndsTheRowsWithItsMessage) {
  auto db = bankLike();
  ASSERT_TRUE(db->makeFunctionNamed("boom", 1, [](sqlite3_context* context, int, sqlite3_value** argv) {
    if (sqlite3_value_int(argv[0]) == 2) {
      sqlite3_result_error(context, "bad row", -1);
    } else {
      sqlite3_result_int(context, 0);
    }
  }));
  auto rs = db->executeQuery("select boom(AID) from Test order by AID");
  ASSERT_TRUE(rs);
  EXPECT_TRUE(rs->next());
  EXPECT_FALSE(rs->next());
  EXPECT_FALSE(db->hasOpenResultSets());
  EXPECT_EQ(db->lastErrorCode(), SQLITE_ERROR);
  EXPECT_EQ(db->lastErrorMessage(), "bad row");
}

// ---------------------------------------------------------------------------------------------------
// Format extraction

TEST(SQLDatabaseFormat, ConversionsBecomeParameters) {
  struct Case {
    const char* format;
    std::vector<core::Value> args;
    const char* sql;
    std::vector<core::Value> bound;
  } cases[] = {
      {"%d", {5}, "?", {5}},
      {"100%%d", {}, "100%d", {}},
      {"%%%d", {7}, "%?", {7}},
      {"a=%s and b=%@", {"x", 2.5}, "a=? and b=?", {"x", 2.5}},
      {"%c", {'A'}, "?", {"A"}},
      {"%i %D %u", {-1, 4, -1}, "? ? ?", {-1, 4, 4294967295LL}},
      {"%hi %hu", {70000, -1}, "? ?", {4464, 65535}},
      {"%qi %qu %ld %lu %lld %llu", {1, 2, 3, 4, 5, 6}, "? ? ? ? ? ?", {1, 2, 3, 4, 5, 6}},
      {"%f %g", {0.1, 0.5}, "? ?", {0.1, 0.5}},
      {"%lx %hx %q", {}, "lx hx q", {}},
      {"50% off", {}, "50 off", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    std::string sql;
    std::vector<core::Value> bound;
    ASSERT_TRUE(SQLDatabase::extractSQL(c.format, c.args, sql, bound));
    EXPECT_EQ(sql, c.sql);
    EXPECT_EQ(bound, c.bound);
  }
  std::string sql;
  std::vector<core::Value> bound;
  std::vector<core::Value> args{0.1};
  ASSERT_TRUE(SQLDatabase::extractSQL("%g", args, sql, bound));
  EXPECT_EQ(bound[0].toDouble(), static_cast<double>(0.1f));            // %g takes a float
  EXPECT_FALSE(SQLDatabase::extractSQL("%d and %d", {1}, sql, bound));  // runs out of arguments
}

TEST(SQLDatabaseFormat, FormatQueriesAndUpdatesRun) {
  auto db = bankLike();
  ASSERT_TRUE(db->executeUpdateWithFormat("insert into Test values (%d, %@, %s)", 5, "5", "five"));
  auto rs =
      db->executeQueryWithFormat("select Content from Test where AID = %ld and Content like '%%ive'", 5L);
  ASSERT_TRUE(rs && rs->next());
  EXPECT_EQ(rs->stringForColumnIndex(0), "five");
  rs->close();
  EXPECT_FALSE(db->executeUpdateWithFormat("delete from Test where AID = %d"));
  EXPECT_EQ(db->intForQuery("select count(*) from Test"), 4);
}

// ---------------------------------------------------------------------------------------------------
// Statement cache

TEST(SQLDatabaseCache, OffByDefault) {
  auto db = bankLike();
  EXPECT_FALSE(db->shouldCacheStatements());
  db->executeQuery("select AID from Test")->close();
  EXPECT_EQ(db->cachedStatementForQuery("select AID from Test"), nullptr);
}

TEST(SQLDatabaseCache, ReusesOneStatementPerQueryText) {
  auto db = bankLike();
  db->setShouldCacheStatements(true);
  const std::string sql = "select Content from Test where AID = ?";
  for (int id : {1, 2}) {
    auto rs = db->executeQuery(sql, id);
    ASSERT_TRUE(rs && rs->next());
    rs->close();
  }
  auto cached = db->cachedStatementForQuery(sql);
  ASSERT_NE(cached, nullptr);
  EXPECT_EQ(cached->useCount(), 2);
  EXPECT_TRUE(std::regex_match(cached->description(),
                               std::regex("<SQLStatement: 0x[0-9a-f]+> 2 hit\\(s\\) for query " +
                                          std::regex_replace(sql, std::regex("[?()]"), "\\$&"))));

  const std::string update = "update Test set Version = ? where AID = ?";
  ASSERT_TRUE(db->executeUpdate(update, "5", 1));
  ASSERT_TRUE(db->executeUpdate(update, "6", 2));
  ASSERT_NE(db->cachedStatementForQuery(update), nullptr);
  EXPECT_EQ(db->cachedStatementForQuery(update)->useCount(), 2);
  EXPECT_EQ(db->stringForQuery("select Version from Test where AID = 2"), "6");

  db->clearCachedStatements();
  EXPECT_EQ(db->cachedStatementForQuery(sql), nullptr);
  EXPECT_EQ(cached->statement(), nullptr);  // closed by the clearing
  db->setShouldCacheStatements(false);
  db->executeQuery(sql, 1)->close();
  EXPECT_EQ(db->cachedStatementForQuery(sql), nullptr);
}

// A cached statement finalized because its arguments did not match is never handed out again.
TEST(SQLDatabaseCache, AStatementFinalizedOnAnArgumentMismatchIsEvicted) {
  auto db = bankLike();
  db->setShouldCacheStatements(true);
  const std::string sql = "select Content from Test where AID = ?";
  db->executeQuery(sql, 1)->close();
  ASSERT_NE(db->cachedStatementForQuery(sql), nullptr);
  EXPECT_EQ(db->executeQuery(sql), nullptr);
  EXPECT_EQ(db->cachedStatementForQuery(sql), nullptr);
  auto rs = db->executeQuery(sql, 3);
  ASSERT_TRUE(rs && rs->next());
  EXPECT_EQ(rs->stringForColumnIndex(0), "three");
  rs->close();
  ASSERT_NE(db->cachedStatementForQuery(sql), nullptr);
  EXPECT_EQ(db->cachedStatementForQuery(sql)->useCount(), 1);
}

// The same query text run while a cursor over the cached statement is still open gets a statement of
// its own; the outer cursor's rows are not disturbed.
TEST(SQLDatabaseCache, NestedQueriesOfTheSameTextStayIndependent) {
  auto db = bankLike();
  db->setShouldCacheStatements(true);
  const std::string sql = "select AID from Test where AID >= ? order by AID";
  auto outer = db->executeQuery(sql, 1);
  std::vector<int> outerIds, innerCounts;
  while (outer->next()) {
    outerIds.push_back(outer->intForColumnIndex(0));
    auto inner = db->executeQuery(sql, outer->intForColumnIndex(0));
    int n = 0;
    while (inner && inner->next()) ++n;
    innerCounts.push_back(n);
  }
  EXPECT_EQ(outerIds, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(innerCounts, (std::vector<int>{3, 2, 1}));
}

// ---------------------------------------------------------------------------------------------------
// Busy handling

TEST(SQLDatabaseBusy, ASecondConnectionGivesUpUnderTheRetryRule) {
  TempDir dir;
  auto holder = openDatabase(dir.file("busy.db"));
  ASSERT_TRUE(holder->executeUpdate("create table t (a)"));
  auto other = openDatabase(dir.file("busy.db"));
  ASSERT_EQ(other->intForQuery("select count(*) from t"), 0);  // schema loaded before the lock

  ASSERT_TRUE(holder->beginTransaction());  // exclusive: the other connection cannot even read
  EXPECT_EQ(other->busyRetryTimeout(), 0);
  EXPECT_EQ(other->busyRetryTimeLimit(), SQLDatabase::kDefaultBusyRetryTimeLimit);
  ASSERT_TRUE(holder->executeUpdate("insert into t values (1)"));

  struct Case {
    const char* name;
    int retries;
    std::chrono::milliseconds timeLimit;
  } cases[] = {{"limit 3", 3, std::chrono::milliseconds(60000)},
               {"default with a short time limit", 0, std::chrono::milliseconds(30)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    other->setBusyRetryTimeout(c.retries);
    other->setBusyRetryTimeLimit(c.timeLimit);
    EXPECT_FALSE(other->executeUpdate("insert into t values (2)"));
    EXPECT_EQ(other->lastErrorCode(), SQLITE_BUSY);
    EXPECT_EQ(other->lastErrorMessage(), "database is locked");
    auto rs = other->executeQuery("select a from t");
    EXPECT_FALSE(rs && rs->next());
    EXPECT_EQ(other->lastErrorCode(), SQLITE_BUSY);
    EXPECT_FALSE(other->hasOpenResultSets());
  }

  // SQLite asks a busy handler once per busy answer: with a limit of n the connection gives up at the
  // (n+2)-th one, for updates and for stepping a cursor alike.
  int busyAnswers = 0;
  sqlite3_busy_handler(
      other->sqliteHandle(),
      [](void* counter, int) {
        ++*static_cast<int*>(counter);
        return 0;
      },
      &busyAnswers);
  for (int limit : {1, 4}) {
    SCOPED_TRACE(limit);
    other->setBusyRetryTimeout(limit);
    busyAnswers = 0;
    EXPECT_FALSE(other->executeUpdate("insert into t values (2)"));
    EXPECT_EQ(busyAnswers, limit + 2);
    busyAnswers = 0;
    auto rs = other->executeQuery("select a from t");
    ASSERT_TRUE(rs);
    EXPECT_FALSE(rs->next());
    EXPECT_EQ(busyAnswers, limit + 2);
  }
  sqlite3_busy_handler(other->sqliteHandle(), nullptr, nullptr);

  ASSERT_TRUE(holder->commit());
  EXPECT_TRUE(other->executeUpdate("insert into t values (2)"));
  EXPECT_EQ(column0(*other, "select a from t order by a"), (std::vector<long long>{1, 2}));
}

// ---------------------------------------------------------------------------------------------------
// Transactions and savepoints

TEST(SQLDatabaseTransactions, StatementsAndTheInTransactionFlag) {
  auto db = bankLike();
  StatementLog log;
  log.attach(*db);
  struct Step {
    const char* name;
    std::function<bool()> run;
    const char* sql;
    bool inTransactionAfter;
  } steps[] = {
      {"begin", [&] { return db->beginTransaction(); }, "begin exclusive transaction", true},
      {"commit", [&] { return db->commit(); }, "commit transaction", false},
      {"deferred", [&] { return db->beginDeferredTransaction(); }, "begin deferred transaction", true},
      {"rollback", [&] { return db->rollback(); }, "rollback transaction", false},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.name);
    log.clear();
    EXPECT_TRUE(s.run());
    ASSERT_EQ(log.texts().size(), 1u);
    EXPECT_EQ(log.texts()[0], s.sql);
    EXPECT_EQ(db->inTransaction(), s.inTransactionAfter);
  }
  EXPECT_FALSE(db->commit());  // nothing to commit
  EXPECT_FALSE(db->inTransaction());
}

TEST(SQLDatabaseTransactions, RollbackUndoesAndCommitKeeps) {
  auto db = bankLike();
  ASSERT_TRUE(db->beginTransaction());
  ASSERT_TRUE(db->executeUpdate("delete from Test"));
  ASSERT_TRUE(db->rollback());
  EXPECT_EQ(db->intForQuery("select count(*) from Test"), 3);
  ASSERT_TRUE(db->beginTransaction());
  ASSERT_TRUE(db->executeUpdate("delete from Test where AID = 1"));
  ASSERT_TRUE(db->commit());
  EXPECT_EQ(db->intForQuery("select count(*) from Test"), 2);
}

TEST(SQLDatabaseSavePoints, NamedSavePointsNest) {
  auto db = openDatabase();
  ASSERT_TRUE(db->executeUpdate("create table t (a)"));
  StatementLog log;
  log.attach(*db);
  ASSERT_TRUE(db->startSavePointWithName("outer"));
  ASSERT_TRUE(db->executeUpdate("insert into t values (1)"));
  ASSERT_TRUE(db->startSavePointWithName("it's inner"));
  ASSERT_TRUE(db->executeUpdate("insert into t values (2)"));
  ASSERT_TRUE(db->rollbackToSavePointWithName("it's inner"));
  ASSERT_TRUE(db->releaseSavePointWithName("it's inner"));
  ASSERT_TRUE(db->executeUpdate("insert into t values (3)"));
  ASSERT_TRUE(db->releaseSavePointWithName("outer"));
  EXPECT_EQ(column0(*db, "select a from t order by a"), (std::vector<long long>{1, 3}));
  EXPECT_EQ(log.texts()[0], "savepoint 'outer';");
  EXPECT_EQ(log.texts()[4], "rollback transaction to savepoint 'it''s inner';");
  EXPECT_EQ(log.texts()[5], "release savepoint 'it''s inner';");

  core::Error error;
  EXPECT_FALSE(db->releaseSavePointWithName("nope", &error));
  EXPECT_EQ(error.domain, "SQLDatabase");
  EXPECT_EQ(error.description, "no such savepoint: nope");
}

TEST(SQLDatabaseSavePoints, InSavePointRollsBackOnlyItsOwnWork) {
  TempDir dir;
  auto db = openDatabase(dir.file("sp.db"));
  ASSERT_TRUE(db->executeUpdate("create table t (a)"));
  StatementLog log;
  log.attach(*db);
  auto error = db->inSavePoint([&](bool& rollback) {
    db->executeUpdate("insert into t values (1)");
    auto inner = db->inSavePoint([&](bool& innerRollback) {
      db->executeUpdate("insert into t values (2)");
      innerRollback = true;
    });
    EXPECT_FALSE(inner);
    db->executeUpdate("insert into t values (3)");
  });
  EXPECT_FALSE(error);
  EXPECT_EQ(column0(*db, "select a from t order by a"), (std::vector<long long>{1, 3}));
  ASSERT_GE(log.texts().size(), 2u);
  EXPECT_TRUE(log.texts()[0].starts_with("savepoint 'dbSavePoint"));
  EXPECT_NE(log.texts()[0], log.texts()[2]);  // the inner savepoint has a name of its own

  // A rolled-back savepoint begun outside a transaction leaves none open: later work is committed.
  EXPECT_FALSE(db->inSavePoint([&](bool& rollback) {
    db->executeUpdate("insert into t values (4)");
    rollback = true;
  }));
  EXPECT_NE(sqlite3_get_autocommit(db->sqliteHandle()), 0);
  ASSERT_TRUE(db->executeUpdate("insert into t values (5)"));
  auto reader = openDatabase(dir.file("sp.db"));
  EXPECT_EQ(column0(*reader, "select a from t order by a"), (std::vector<long long>{1, 3, 5}));
}

// ---------------------------------------------------------------------------------------------------
// Custom functions

TEST(SQLDatabaseFunctions, BlocksRunAsSQLFunctions) {
  auto db = bankLike();
  ASSERT_TRUE(db->makeFunctionNamed("twice", 1, [](sqlite3_context* context, int argc, sqlite3_value** argv) {
    sqlite3_result_int64(context, 2 * sqlite3_value_int64(argv[0]));
  }));
  std::vector<int> argumentCounts;
  ASSERT_TRUE(
      db->makeFunctionNamed("joined", -1, [&](sqlite3_context* context, int argc, sqlite3_value** argv) {
        argumentCounts.push_back(argc);
        std::string out;
        for (int i = 0; i < argc; ++i) {
          const unsigned char* text = sqlite3_value_text(argv[i]);
          out += text ? reinterpret_cast<const char*>(text) : "";
        }
        sqlite3_result_text(context, out.c_str(), -1, SQLITE_TRANSIENT);
      }));
  EXPECT_EQ(db->intForQuery("select twice(21)"), 42);
  EXPECT_EQ(column0(*db, "select twice(AID) from Test order by AID"), (std::vector<long long>{2, 4, 6}));
  EXPECT_EQ(db->stringForQuery("select joined('a', ?, 'c')", "b"), "abc");
  EXPECT_EQ(db->stringForQuery("select joined()"), "");
  EXPECT_EQ(argumentCounts, (std::vector<int>{3, 0}));
  EXPECT_EQ(db->executeQuery("select twice(1, 2)"), nullptr);  // wrong number of arguments
  EXPECT_EQ(db->lastErrorMessage(), "wrong number of arguments to function twice()");
}

// A query started from inside a function while an update is being run is refused, not re-entered.
TEST(SQLDatabaseFunctions, ReentryDuringAnUpdateIsRefused) {
  auto db = bankLike();
  std::shared_ptr<SQLResultSet> nested;
  bool called = false;
  SQLDatabase* raw = db.get();
  ASSERT_TRUE(db->makeFunctionNamed("nested", 0, [&](sqlite3_context* context, int, sqlite3_value**) {
    called = true;
    nested = raw->executeQuery("select 1");
    sqlite3_result_int(context, nested ? 1 : 0);
  }));
  ASSERT_TRUE(db->executeUpdate("update Test set Version = nested() where AID = 1"));
  EXPECT_TRUE(called);
  EXPECT_EQ(nested, nullptr);
  EXPECT_EQ(db->stringForQuery("select Version from Test where AID = 1"), "0");
}

// ---------------------------------------------------------------------------------------------------
// Additions

TEST(SQLDatabaseAdditions, ConvenienceQueries) {
  auto db = openDatabase();
  ASSERT_TRUE(db->executeUpdate("create table Kinds (Name text, N integer, R real, B blob, D real)"));
  ASSERT_TRUE(db->executeUpdate("insert into Kinds values (?, ?, ?, ?, ?)", "x", 7, 1.25, core::Bytes{1, 2},
                                core::Date{86400}));
  EXPECT_EQ(db->stringForQuery("select Name from Kinds"), "x");
  EXPECT_EQ(db->intForQuery("select N from Kinds where Name = ?", "x"), 7);
  EXPECT_EQ(db->longForQuery("select N * 1000000000 from Kinds"), 7000000000L);
  EXPECT_TRUE(db->boolForQuery("select N from Kinds"));
  EXPECT_DOUBLE_EQ(db->doubleForQuery("select R from Kinds"), 1.25);
  EXPECT_EQ(db->dataForQuery("select B from Kinds"), (core::Bytes{1, 2}));
  ASSERT_TRUE(db->dateForQuery("select D from Kinds"));
  EXPECT_EQ(db->dateForQuery("select D from Kinds")->secondsSince1970, 86400);

  const std::string none = "select Name from Kinds where 0";
  EXPECT_EQ(db->stringForQuery(none), std::nullopt);
  EXPECT_EQ(db->intForQuery(none), 0);
  EXPECT_FALSE(db->boolForQuery(none));
  EXPECT_EQ(db->doubleForQuery(none), 0.0);
  EXPECT_EQ(db->dataForQuery(none), std::nullopt);
  EXPECT_EQ(db->dateForQuery(none), std::nullopt);
  EXPECT_EQ(db->stringForQuery("select bad sql"), std::nullopt);

  EXPECT_TRUE(db->tableExists("KINDS"));
  EXPECT_FALSE(db->tableExists("Nope"));
  EXPECT_TRUE(db->columnExistsInTableWithName("NAME", "kinds"));
  EXPECT_TRUE(db->columnExistsColumnName("Kinds", "d"));
  EXPECT_FALSE(db->columnExistsInTableWithName("Other", "Kinds"));
  EXPECT_FALSE(db->columnExistsColumnName("Nope", "Name"));

  std::vector<std::string> names;
  auto schema = db->getSchema();
  while (schema && schema->next()) names.push_back(schema->stringForColumn("name").value_or(""));
  EXPECT_EQ(names, std::vector<std::string>{"Kinds"});
  std::vector<std::string> columns;
  auto table = db->getTableSchema("Kinds");
  while (table && table->next()) columns.push_back(table->stringForColumn("name").value_or(""));
  EXPECT_EQ(columns, (std::vector<std::string>{"Name", "N", "R", "B", "D"}));
  EXPECT_FALSE(db->columnExistsInTableWithName("a", "x') union select 1,'a',3,4,5,6 --"));

  core::Error error;
  EXPECT_TRUE(db->validateSQL("select * from Kinds", &error));
  EXPECT_FALSE(db->validateSQL("select * from Nope", &error));
  EXPECT_EQ(error.domain, SQLDatabase::kGeneralErrorDomain);
  EXPECT_EQ(error.code, SQLITE_ERROR);
  EXPECT_EQ(error.description, "no such table: Nope");
  EXPECT_FALSE(db->hasOpenResultSets());
}
