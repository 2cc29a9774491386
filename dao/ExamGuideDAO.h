#pragma once
// ExamGuideDAO: the exam guide of the chosen subject's bank: its index and its articles.

#include <string>

#include "dao/BaseDAO.h"
#include "platform/core/Value.h"

class ExamGuideDAO : public BaseDAO {
 public:
  using BaseDAO::BaseDAO;

  // The parsed JSON of the OtherContent row of Type "TestInfo" and KeyWord "TestInfoList"; Nil
  // without the row, without a bank, or when its Content is not JSON.
  core::Value getExamGuideList() const;
  // The parsed JSON of the first OtherContent row whose KeyWord is `keyword` (the article of a guide
  // item, found by its title); Nil as above.
  core::Value getExamGuideContent(const std::string& keyword) const;
};
