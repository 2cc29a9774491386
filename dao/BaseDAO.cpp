#include "dao/BaseDAO.h"

#include "dao/BankLocation.h"
#include "dao/DAOSupport.h"
#include "librarys/sqldb/SQLDatabase.h"
#include "librarys/sqldb/SQLResultSet.h"
#include "platform/core/Paths.h"

BaseDAO::BaseDAO() = default;

BaseDAO::BaseDAO(const std::string& name) : dbPath_(getDBPath(name)) {
  if (!name.empty()) dbTime_ = getDBTime(0);
}

BaseDAO::~BaseDAO() = default;

std::string BaseDAO::getDBPath(const std::string& name) const {
  const std::string n = name.empty() ? BankLocation::value() : name;
  return core::Paths::join(BankLocation::dbDirectory(), n + ".db");
}

std::string BaseDAO::getDBPathUpdate(const std::string& name) const {
  const std::string n = name.empty() ? BankLocation::value() : name;
  return core::Paths::join(BankLocation::updateDirectory(), n);
}

std::string BaseDAO::getDBPathabsolute(const std::string& name) const {
  return core::Paths::join(core::Paths::documents(), name + ".db");
}

std::shared_ptr<SQLDatabase> BaseDAO::getDataSource(const std::string& name) const {
  if (name.empty() && BankLocation::value().empty()) return nullptr;  // no subject chosen
  const std::string path = getDBPath(name);
  if (!core::Paths::isRegularFile(path)) return nullptr;
  return SQLDatabase::databaseWithPath(path);
}

std::shared_ptr<SQLDatabase> BaseDAO::getDataSourceUpdate(const std::string& name) const {
  const std::string path = core::Paths::join(BankLocation::updateDirectory(), name);
  if (name.empty() || !core::Paths::isRegularFile(path)) return nullptr;
  return SQLDatabase::databaseWithPath(path);
}

std::optional<std::string> BaseDAO::getDBTime(std::int64_t batchId) const {
  auto db = getDataSource("");
  if (!db || !db->open()) return std::nullopt;
  std::optional<std::string> key = contentKey(*db, batchId);
  db->close();
  return key;
}

std::optional<std::string> BaseDAO::contentKey(SQLDatabase& db, std::int64_t batchId) {
  auto rs = batchId != 0 ? db.executeQuery("select * from DBVersion where BatchID = ?", batchId)
                         : db.executeQuery("select * from DBVersion limit 1");
  std::optional<std::string> key;
  if (rs && rs->next()) {
    const std::optional<std::string> time = rs->stringForColumn("Time");
    const bool version3 = rs->intForColumn("version") == 3;
    if (time) {
      const std::optional<std::string> cipher = version3 ? dao::dropCharacters(*time, 5) : time;
      if (cipher) key = dao::decipherText(*cipher, version3 ? kVersion3Key : kDefaultKey);
    }
    if (key && key->empty()) key.reset();  // an empty key deciphers nothing
  }
  if (rs) rs->close();
  return key;
}
