#include "dao/ChapterDAO.h"

#include "dao/DAOSupport.h"
#include "librarys/sqldb/SQLDatabase.h"
#include "librarys/sqldb/SQLResultSet.h"

core::Value ChapterDAO::getChapterList() const {
  auto db = getDataSource("");
  if (!db || !db->open()) return core::Value();
  core::Value tree = dao::contentOfFirstRow(
      db->executeQuery("select * from OtherContent where Type= ? and KeyWord= ?", "Chapter", "ChapterList"));
  db->close();
  return tree;
}
