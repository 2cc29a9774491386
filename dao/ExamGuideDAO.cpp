#include "dao/ExamGuideDAO.h"

#include "dao/DAOSupport.h"
#include "librarys/sqldb/SQLDatabase.h"
#include "librarys/sqldb/SQLResultSet.h"

core::Value ExamGuideDAO::getExamGuideList() const {
  auto db = getDataSource("");
  if (!db || !db->open()) return core::Value();
  core::Value list = dao::contentOfFirstRow(db->executeQuery(
      "select * from othercontent where Type= ? and KeyWord= ?", "TestInfo", "TestInfoList"));
  db->close();
  return list;
}

core::Value ExamGuideDAO::getExamGuideContent(const std::string& keyword) const {
  auto db = getDataSource("");
  if (!db || !db->open()) return core::Value();
  core::Value article =
      dao::contentOfFirstRow(db->executeQuery("select * from othercontent where KeyWord = ?", keyword));
  db->close();
  return article;
}
