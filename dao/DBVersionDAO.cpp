#include "dao/DBVersionDAO.h"

#include "dao/BankKeyCache.h"
#include "dao/BankLocation.h"
#include "dao/DAOSupport.h"
#include "librarys/sqldb/SQLDatabase.h"
#include "librarys/sqldb/SQLResultSet.h"
#include "platform/core/Paths.h"
#include "platform/core/Text.h"

namespace {

core::Value textOrNull(const std::optional<std::string>& text) {
  return text ? core::Value(*text) : core::Value::null();
}

}  // namespace

bool DBVersionDAO::upgradeDB(const std::string& packPath) {
  dbUpdateName_ = core::Paths::lastComponent(packPath);
  operateSuccess_ = false;

  bool opened = false;
  const std::vector<DBVersion> batches =
      packRefusal(packPath) ? std::vector<DBVersion>{} : getTestDBVersion(packPath, opened);
  if (!opened) {
    BankLocation::countSqlError();
    return false;
  }
  return insertDBVersion(batches);
}

std::optional<std::string> DBVersionDAO::packRefusal(const std::string& packPath) {
  if (auto column = dao::missingPackColumn(packPath, "DBVersion", {"Version", "Time", "BatchID"}))
    return dao::missingColumnText("DBVersion", *column);
  return std::nullopt;
}

std::vector<DBVersion> DBVersionDAO::getTestDBVersion(const std::string& packPath, bool& opened) {
  std::vector<DBVersion> batches;
  // A pack that is no database, or whose DBVersion cannot be read (no such table, a broken view), makes
  // no pack.
  opened = dao::forEachPackRow(packPath, "select * from DBVersion", [&batches](SQLResultSet& rs) {
    batches.push_back(DBVersion{rs.stringForColumn("ID"), rs.stringForColumn("Version"),
                                rs.stringForColumn("Time"), rs.stringForColumn("BatchID")});
  });
  if (!opened) batches.clear();
  return batches;
}

bool DBVersionDAO::insertDBVersion(const std::vector<DBVersion>& batches) {
  const auto result = dao::runExclusiveTransaction(
      getDBPathUpdate(BankLocation::value() + ".db"), [&](SQLDatabase& db, bool& rollback) {
        for (const auto& batch : batches) {
          const double version = batch.Version ? core::doubleValue(*batch.Version) : 0;
          if (!db.executeUpdate("INSERT INTO DBVersion(Version,Time,BatchID) VALUES(?,?,?)", version,
                                textOrNull(batch.Time), textOrNull(batch.BatchID))) {
            rollback = true;
            operateSuccess_ = false;
            return;
          }
          operateSuccess_ = true;
        }
      });
  // A failed insert is counted once; so is a transaction that could not run or commit.
  if (result != dao::TransactionResult::Committed) {
    operateSuccess_ = false;
    BankLocation::countSqlError();
  }
  return operateSuccess_;
}

std::int64_t DBVersionDAO::getMaxBatchID() {
  auto db = getDataSource("");
  if (!db || !db->open()) return 0;

  bool lacksBatchId = false;
  if (auto rs = db->executeQuery("select * from DBVersion")) {
    const int column = rs->columnIndexForName("BatchID");
    while (rs->next()) {
      if (column < 0 || rs->columnIndexIsNull(column)) {
        lacksBatchId = true;
        break;
      }
    }
    rs->close();  // the schema cannot change under an open cursor
  }
  if (lacksBatchId) {
    db->executeUpdate("alter table DBVersion add BatchID int default 1");
    BankKeyCache::invalidate();  // the batches now have ids that find their keys
  }

  const std::int64_t maxBatchId = db->longForQuery("SELECT MAX(BatchID) FROM DBVersion");
  db->close();
  return maxBatchId;
}

std::int64_t DBVersionDAO::getMaxBatchID(const std::string& path) {
  auto db = dao::openExistingDatabase(path);
  if (!db) return 0;
  const std::int64_t maxBatchId = db->longForQuery("SELECT MAX(BatchID) FROM DBVersion");
  db->close();
  return maxBatchId;
}

void DBVersionDAO::updateMaxBatchid(const core::Value& reply) {
  const core::Value item = reply["updateItem"];
  if (!item.isDictionary() || !item.contains("max_batchid")) return;
  const std::int64_t serverMax = item["max_batchid"].toInt();
  if (getMaxBatchID() < serverMax) updateDBVersion(serverMax);
}

bool DBVersionDAO::updateDBVersion(std::int64_t batchId) {
  operateSuccess_ = true;
  auto db = getDataSource("");
  if (!db || !db->open()) {
    operateSuccess_ = false;
    return operateSuccess_;
  }
  operateSuccess_ = db->executeUpdate(
                        "INSERT INTO DBVersion(Version,Time,BatchID) SELECT Version,Time,? FROM DBVersion "
                        "WHERE BatchID = (SELECT MAX(BatchID) FROM DBVersion) LIMIT 1",
                        batchId) &&
                    db->changes() == 1;
  db->close();
  BankKeyCache::invalidate();  // a batch id that had no key has one now
  return operateSuccess_;
}
