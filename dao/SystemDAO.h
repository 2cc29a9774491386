#pragma once
// SystemDAO: the version of the chosen subject's local bank.

#include "dao/BaseDAO.h"
#include "platform/core/Value.h"

class SystemDAO : public BaseDAO {
 public:
  using BaseDAO::BaseDAO;

  // The BatchID of the DBVersion row holding the largest BatchID, read as a number; when that is 0
  // (or there is no such row), the BatchID of the first row; 0 without rows or without a bank.
  // The argument is not used.
  float getDBVersion(const core::Value& unused = core::Value()) const;
};
