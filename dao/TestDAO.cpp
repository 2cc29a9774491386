#include "dao/TestDAO.h"

#include "dao/BankKeyCache.h"
#include "dao/DAOSupport.h"
#include "librarys/json/JsonParser.h"
#include "librarys/sqldb/SQLDatabase.h"
#include "librarys/sqldb/SQLResultSet.h"
#include "platform/core/Text.h"

namespace {

// The record of one row, or Nil when the row does not yield one. The key of its batch comes from the
// bank's kept keys, or is read through the connection that reads the rows.
core::Value recordOfRow(SQLDatabase& db, const BankKeyCache::Snapshot& keys,
                        const std::optional<std::string>& pid, const std::optional<std::string>& content) {
  const std::int64_t batch = pid ? core::integerValue(*pid) : 0;
  const std::optional<std::string> key = keys.keyFor(batch, [&] { return BaseDAO::contentKey(db, batch); });
  if (!key || !content) return core::Value();

  std::optional<std::string> plain;
  if (pid) {
    if (auto cipher = dao::dropCharacters(*content, 5)) plain = dao::decipherText(*cipher, *key);
  }
  if (!plain) plain = dao::decipherText(*content, *key);
  if (!plain) return core::Value();

  core::Value record = JSONValue(*plain);
  return record.isDictionary() ? record : core::Value();
}

}  // namespace

core::Array TestDAO::getTestListWithType(const std::string& type, const std::string& testIds) const {
  return std::move(getTestLists({testIds}).front());
}

std::vector<core::Array> TestDAO::getTestLists(const std::vector<std::string>& testIdLists) const {
  std::vector<core::Array> lists(testIdLists.size());
  auto db = getDataSource("");
  if (!db) return lists;
  // The file's identity is taken before it is opened, so that keys read from a file replaced in
  // between are never kept for the new one.
  const BankKeyCache::Snapshot keys = BankKeyCache::snapshot(*db->databasePath());
  if (!db->open()) return lists;
  for (std::size_t i = 0; i < testIdLists.size(); ++i) {
    auto rs =
        db->executeQuery("select * from Test where AID in (" + dao::decimalIdList(testIdLists[i]) + ")");
    while (rs && rs->next()) {
      core::Value record =
          recordOfRow(*db, keys, rs->stringForColumn("PID"), rs->stringForColumn("TestContent"));
      if (!record.isNil()) lists[i].push_back(std::move(record));
    }
  }
  db->close();
  return lists;
}
