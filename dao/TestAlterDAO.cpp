#include "dao/TestAlterDAO.h"

#include <array>

#include "dao/BankLocation.h"
#include "dao/DAOSupport.h"
#include "dao/DBVersionDAO.h"
#include "librarys/sqldb/SQLDatabase.h"
#include "librarys/sqldb/SQLResultSet.h"
#include "platform/core/Paths.h"
#include "platform/core/Text.h"

using dao::integerOf;
using dao::textOrNull;

bool TestAlterDAO::upgradeDB(const std::string& packPath, const std::string& destinationPath) {
  dbUpdateName_ = core::Paths::lastComponent(packPath);
  operateSuccess_ = false;

  // A pack that is not there is a failed step; nothing may be created in its place. Nor may a pack whose
  // tables lack a column read below: its rows would blank what they update.
  if (auto pack = dao::openExistingDatabase(packPath); pack && !packRefusal(packPath)) {
    pack->close();
  } else {
    if (pack) pack->close();
    BankLocation::countSqlError();
    return false;
  }

  pid_ = DBVersionDAO().getMaxBatchID(packPath);
  const std::optional<std::string> deletions = getDeleteList(packPath);
  if (!deletions) {
    BankLocation::countSqlError();
    return false;
  }
  if (!deleteTest(destinationPath, *deletions)) return false;

  operateSuccess_ = false;
  return updateTestAlter(packPath, destinationPath);
}

std::optional<std::string> TestAlterDAO::packRefusal(const std::string& packPath) {
  if (auto column =
          dao::missingPackColumn(packPath, "Test", {"AID", "GUID", "Type", "ID", "BatchID", "TestContent"}))
    return dao::missingColumnText("Test", *column);
  if (auto column = dao::missingPackColumn(packPath, "Test_Delete", {"AID"}))
    return dao::missingColumnText("Test_Delete", *column);
  return std::nullopt;
}

std::optional<std::string> TestAlterDAO::getDeleteList(const std::string& packPath) {
  std::vector<std::string> ids;
  const bool read = dao::forEachPackRow(packPath, "select * from Test_Delete", [&ids](SQLResultSet& rs) {
    const std::optional<std::string> aid = rs.stringForColumn("AID");
    if (aid && dao::isDecimalId(*aid)) ids.push_back(*aid);
  });
  // A pack without a Test_Delete table deletes nothing; one whose Test_Delete cannot be read is damaged.
  if (!read && dao::packHasTable(packPath, "Test_Delete")) return std::nullopt;
  return core::join(ids, ",");
}

bool TestAlterDAO::deleteTest(const std::string& destinationPath, const std::string& deleteAIDs) {
  operateSuccess_ = true;
  bool statementFailed = false;
  const std::string ids = dao::decimalIdList(deleteAIDs);
  const auto result = dao::runExclusiveTransaction(destinationPath, [&](SQLDatabase& db, bool& rollback) {
    if (!db.executeUpdate("delete from Test where AID in (" + ids + ")")) {
      statementFailed = true;
      rollback = true;
    }
  });
  if (result != dao::TransactionResult::Committed) {
    operateSuccess_ = false;
    if (!statementFailed) BankLocation::countSqlError();
  }
  return operateSuccess_;
}

bool TestAlterDAO::updateTestAlter(const std::string& packPath, const std::string& destinationPath) {
  operateSuccess_ = true;
  bool uncountedFailure = false;  // a failed insert is not counted
  const auto result = dao::runExclusiveTransaction(destinationPath, [&](SQLDatabase& db, bool& rollback) {
    // The pack's rows are read one at a time as they are written, on the transaction's own thread: a
    // pack of thousands of questions is never held whole in memory. A pack that cannot be read rolls
    // the transaction back, so the copy is left as if nothing had been read.
    auto pack = dao::openExistingDatabase(packPath);
    auto rs = pack ? pack->executeQuery("select * from Test") : nullptr;
    if (!rs) {
      if (pack) pack->close();
      rollback = true;
      return;
    }
    // The columns are found by name once, on the first row.
    std::optional<std::array<int, 6>> columns;
    bool stopped = false;
    while (rs->next()) {
      if (!columns) {
        columns = {rs->columnIndexForName("AID"),     rs->columnIndexForName("GUID"),
                   rs->columnIndexForName("Type"),    rs->columnIndexForName("ID"),
                   rs->columnIndexForName("BatchID"), rs->columnIndexForName("TestContent")};
      }
      const std::array<int, 6>& c = *columns;
      TestAlter row{rs->stringForColumnIndex(c[0]), rs->stringForColumnIndex(c[1]),
                    rs->stringForColumnIndex(c[2]), rs->stringForColumnIndex(c[3]),
                    rs->stringForColumnIndex(c[4]), rs->stringForColumnIndex(c[5])};
      if (!writeTestAlter(db, std::move(row), uncountedFailure)) {
        stopped = true;
        break;
      }
    }
    // The walk ends at the last row or at a failure (a damaged page, a view whose table is gone).
    const bool readFailed = !stopped && pack->hadError();
    rs->close();
    pack->close();
    if (stopped || readFailed) rollback = true;
  });
  if (result != dao::TransactionResult::Committed) {
    operateSuccess_ = false;
    if (!uncountedFailure) BankLocation::countSqlError();
  }
  return operateSuccess_;
}

bool TestAlterDAO::writeTestAlter(SQLDatabase& db, TestAlter&& row, bool& uncountedFailure) {
  if (!row.AID || !dao::isDecimalId(*row.AID)) return false;
  const std::int64_t aid = core::integerValue(*row.AID);
  bool exists = false;
  if (auto rs = db.executeQuery("select * from Test where AID = ?", aid)) {
    exists = rs->next();
    rs->close();
  }
  // The texts are moved into the statements' arguments: each is bound where it is, not copied.
  if (exists) {
    return db.executeUpdate("update Test set GUID=?,Type=?,ID=?, PID=?, TestContent=? WHERE AID=?",
                            textOrNull(std::move(row.GUID)), textOrNull(std::move(row.Type)),
                            integerOf(row.ID), pid_, textOrNull(std::move(row.TestContent)), aid);
  }
  if (db.executeUpdate("insert into Test(AID, GUID, Type, ID, PID, TestContent) values(?, ?, ?, ?, ?, ?)",
                       aid, textOrNull(std::move(row.GUID)), textOrNull(std::move(row.Type)),
                       integerOf(row.ID), integerOf(row.BatchID), textOrNull(std::move(row.TestContent)))) {
    return true;
  }
  uncountedFailure = true;
  return false;
}

bool TestAlterDAO::deleteTest(const std::string& path) {
  operateSuccess_ = true;
  const auto result = dao::runExclusiveTransaction(path, [&](SQLDatabase& db, bool& rollback) {
    if (!db.executeUpdate("delete from Test")) rollback = true;
  });
  if (result != dao::TransactionResult::Committed) operateSuccess_ = false;
  return operateSuccess_;
}
