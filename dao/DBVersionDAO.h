#pragma once
// DBVersionDAO: the key batches of an update: the first merge step (new DBVersion rows into the
// working copy) and the largest batch id of the local bank or of a pack.
//
// The working copy is "<Value>.db" in the update folder (BankLocation); the update engine copies the
// live bank there before the merge and back after all three steps succeeded. Failed statements of
// this step are counted through BankLocation::countSqlError().

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dao/BaseDAO.h"
#include "model/DBVersion.h"
#include "platform/core/Value.h"

class DBVersionDAO : public BaseDAO {
 public:
  using BaseDAO::BaseDAO;

  // The pack's file name (the last component of its path) and the result of the last step.
  const std::string& dbUpdateName() const { return dbUpdateName_; }
  bool operateSuccess() const { return operateSuccess_; }

  // Adds every DBVersion row of the pack at `packPath`, in row order, to the working copy in one
  // exclusive transaction (Version as a number, Time and BatchID as texts; the working copy assigns
  // the IDs). True when at least one row was added and all were committed. False, with the working
  // copy unchanged, for a pack without DBVersion rows, a pack that is missing or not a database or
  // whose DBVersion cannot be read (no such table, a broken view; counted once), a missing working copy or a
  // transaction that cannot begin or commit (counted once), and at the first failed insert (counted once; the
  // rows before it are rolled back too).
  // A pack whose DBVersion lacks one of the columns written (Version, Time, BatchID) is refused the same
  // way, before anything is read.
  bool upgradeDB(const std::string& packPath);
  // Why the pack at `packPath` cannot be merged by this step: the text naming the table and the column
  // it lacks (dao::missingColumnText); nothing when its DBVersion has every column the step reads.
  static std::optional<std::string> packRefusal(const std::string& packPath);

  // The largest BatchID of the chosen subject's live bank; 0 without a bank or without rows. A bank
  // whose DBVersion rows lack a BatchID (no such column, or NULL) first gets the column, with 1 in
  // every existing row ("alter table DBVersion add BatchID int default 1"); with a NULL in an existing
  // column that statement fails and changes nothing.
  std::int64_t getMaxBatchID();
  // The largest BatchID of the database file at `path`; 0 when no database file is there (none is
  // created) or the maximum is NULL.
  std::int64_t getMaxBatchID(const std::string& path);

  // When `reply` holds "updateItem" with a "max_batchid" larger than getMaxBatchID(), records that
  // batch id with updateDBVersion(). Nothing in the application calls it.
  void updateMaxBatchid(const core::Value& reply);
  // Makes `batchId` the largest BatchID of the live bank without renumbering existing batches: it adds
  // a DBVersion row that repeats the Version and Time of the current largest batch under the new id,
  // so every question keeps finding its key. Rewriting the BatchID of existing rows would leave the
  // questions of the other batches without a key. True when the row was added.
  bool updateDBVersion(std::int64_t batchId);

 private:
  std::vector<DBVersion> getTestDBVersion(const std::string& packPath, bool& opened);
  bool insertDBVersion(const std::vector<DBVersion>& batches);

  std::string dbUpdateName_;
  bool operateSuccess_ = false;
};
