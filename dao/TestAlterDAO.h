#pragma once
// TestAlterDAO: the question step of an update: deletions, changes and additions from an update pack
// merged into the working copy.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dao/BaseDAO.h"
#include "model/TestAlter.h"

class SQLDatabase;

class TestAlterDAO : public BaseDAO {
 public:
  using BaseDAO::BaseDAO;

  // The pack's file name, its largest BatchID and the result of the last step.
  const std::string& dbUpdateName() const { return dbUpdateName_; }
  std::int64_t pid() const { return pid_; }
  bool operateSuccess() const { return operateSuccess_; }

  // Merges the questions of the pack at `packPath` into the working copy at `destinationPath`, in
  // two exclusive transactions:
  //   1. deletes the rows whose AID is listed in the pack's Test_Delete (a missing or empty table
  //      deletes nothing; entries that are not decimal ids are ignored);
  //   2. for each pack Test row in order: a row whose AID is in the copy is updated in place with
  //      PID = the pack's largest BatchID; any other row is inserted with PID = its own BatchID.
  //      All texts are bound as statement arguments, so a quote in a pack text stays data.
  // True when both transactions committed. False (nothing changed, counted once) for a pack that is
  // missing or not a database, or whose Test table (or a Test_Delete table it has) cannot be read: a
  // missing table, a broken view. An empty Test table is a pack with no changes. In transaction 2 the first
  // failed statement, or a pack row whose AID is not a decimal id, rolls back every change of that
  // transaction and makes the step false; a failed update or a bad AID is counted, a failed insert is not. A
  // failed deletion rolls back, is not counted, and ends the step before transaction 2. A transaction that
  // cannot run (no working copy, the begin or the commit fails) makes the step false and is counted once.
  // Deletions committed before a failure of transaction 2 stay in the copy.
  // A pack whose Test lacks one of AID, GUID, Type, ID, BatchID, TestContent, or whose Test_Delete (when
  // it has one) lacks AID, is refused before anything is deleted (counted once): a missing column would
  // otherwise blank the questions it updates.
  bool upgradeDB(const std::string& packPath, const std::string& destinationPath);
  // Why the pack at `packPath` cannot be merged by this step: the text naming the table and the column
  // it lacks (dao::missingColumnText); nothing when its tables have every column the step reads.
  static std::optional<std::string> packRefusal(const std::string& packPath);

  // Deletes every question of the database file at `path` in one exclusive transaction. Nothing in
  // the application calls it.
  bool deleteTest(const std::string& path);

 private:
  // The decimal AIDs of the pack's Test_Delete joined by ","; "" without such a table; nothing when the
  // table is there but cannot be read.
  std::optional<std::string> getDeleteList(const std::string& packPath);
  bool deleteTest(const std::string& destinationPath, const std::string& deleteAIDs);
  // Transaction 2: reads the pack's Test rows in order and writes each as it is read.
  bool updateTestAlter(const std::string& packPath, const std::string& destinationPath);
  // Updates or inserts one pack row, its texts moved into the statement; false at a bad AID or a failed
  // statement (`uncountedFailure` set for a failed insert).
  bool writeTestAlter(SQLDatabase& db, TestAlter&& row, bool& uncountedFailure);

  std::string dbUpdateName_;
  std::int64_t pid_ = 0;
  bool operateSuccess_ = false;
};
