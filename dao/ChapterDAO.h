#pragma once
// ChapterDAO: the chapter tree of the chosen subject's bank.

#include "dao/BaseDAO.h"
#include "platform/core/Value.h"

class ChapterDAO : public BaseDAO {
 public:
  using BaseDAO::BaseDAO;

  // The parsed JSON of the OtherContent row of Type "Chapter" and KeyWord "ChapterList" (a
  // reply-shaped object whose "Body" is the list of top nodes); Nil without the row, without a bank,
  // or when its Content is not JSON.
  core::Value getChapterList() const;
};
