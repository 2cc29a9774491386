#include "dao/OtherContentDAO.h"

#include "dao/BankLocation.h"
#include "dao/DAOSupport.h"
#include "librarys/sqldb/SQLDatabase.h"
#include "librarys/sqldb/SQLResultSet.h"
#include "platform/core/Paths.h"
#include "platform/core/Text.h"

using dao::integerOf;
using dao::textOrNull;

std::string OtherContentDAO::workingCopyPath() const {
  return getDBPathUpdate(BankLocation::value() + ".db");
}

bool OtherContentDAO::upgradeDB(const std::string& packPath) {
  dbUpdateName_ = core::Paths::lastComponent(packPath);
  operateSuccess_ = false;

  // The pack is read first, so that an unreadable pack never leaves the copy without its content.
  bool opened = false;
  const std::vector<OtherContent> rows =
      packRefusal(packPath) ? std::vector<OtherContent>{} : getTestOtherContent(packPath, opened);
  if (!opened) {
    BankLocation::countSqlError();
    return false;
  }
  if (!deleteOtherContent()) return false;
  return insertOtherContent(rows);
}

std::optional<std::string> OtherContentDAO::packRefusal(const std::string& packPath) {
  if (auto column =
          dao::missingPackColumn(packPath, "OtherContent", {"ID", "Type", "TID", "KeyWord", "Content"}))
    return dao::missingColumnText("OtherContent", *column);
  return std::nullopt;
}

bool OtherContentDAO::deleteOtherContent() {
  const auto result = dao::runExclusiveTransaction(workingCopyPath(), [&](SQLDatabase& db, bool& rollback) {
    if (!db.executeUpdate("delete from OtherContent")) rollback = true;
  });
  operateSuccess_ = result == dao::TransactionResult::Committed;
  if (!operateSuccess_) BankLocation::countSqlError();
  return operateSuccess_;
}

std::vector<OtherContent> OtherContentDAO::getTestOtherContent(const std::string& packPath, bool& opened) {
  std::vector<OtherContent> rows;
  opened = dao::forEachPackRow(packPath, "select * from OtherContent", [&rows](SQLResultSet& rs) {
    rows.push_back(OtherContent{rs.stringForColumn("ID"), rs.stringForColumn("Type"),
                                rs.stringForColumn("TID"), rs.stringForColumn("KeyWord"),
                                rs.stringForColumn("Content")});
  });
  return rows;
}

bool OtherContentDAO::insertOtherContent(const std::vector<OtherContent>& rows) {
  operateSuccess_ = true;
  const auto result = dao::runExclusiveTransaction(workingCopyPath(), [&](SQLDatabase& db, bool& rollback) {
    for (const auto& row : rows) {
      if (!db.executeUpdate("INSERT INTO OtherContent(ID,Type,TID,KeyWord,Content) VALUES(?,?,?,?,?)",
                            integerOf(row.ID), textOrNull(row.Type), integerOf(row.TID),
                            textOrNull(row.KeyWord), textOrNull(row.Content))) {
        rollback = true;
        return;
      }
    }
  });
  if (result != dao::TransactionResult::Committed) {
    operateSuccess_ = false;
    BankLocation::countSqlError();
  }
  return operateSuccess_;
}
