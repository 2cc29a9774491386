#include "dao/SystemDAO.h"

#include "librarys/sqldb/SQLDatabase.h"
#include "librarys/sqldb/SQLResultSet.h"
#include "platform/core/Text.h"

namespace {

// The first row's "BatchID" read as a number; 0 without a row or for NULL.
float batchIdOfFirstRow(const std::shared_ptr<SQLResultSet>& rs) {
  if (!rs || !rs->next()) return 0;
  const std::optional<std::string> text = rs->stringForColumn("BatchID");
  rs->close();
  return text ? static_cast<float>(core::doubleValue(*text)) : 0;
}

}  // namespace

float SystemDAO::getDBVersion(const core::Value&) const {
  auto db = getDataSource("");
  if (!db || !db->open()) return 0;
  float version = batchIdOfFirstRow(
      db->executeQuery("select * from DBVersion where BatchID = (select MAX(BatchID) from DBVersion)"));
  if (version == 0) version = batchIdOfFirstRow(db->executeQuery("select * from DBVersion"));
  db->close();
  return version;
}
