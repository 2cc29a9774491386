#pragma once
// OtherContentDAO: the auxiliary-content step of an update: the working copy's OtherContent table
// (chapter tree, exam-guide index and articles) replaced by the pack's.

#include <optional>
#include <string>
#include <vector>

#include "dao/BaseDAO.h"
#include "model/OtherContent.h"

class OtherContentDAO : public BaseDAO {
 public:
  using BaseDAO::BaseDAO;

  // The pack's file name and the result of the last step.
  const std::string& dbUpdateName() const { return dbUpdateName_; }
  bool operateSuccess() const { return operateSuccess_; }

  // Empties the working copy's OtherContent table in one exclusive transaction, then inserts every
  // OtherContent row of the pack at `packPath`, in row order, in a second one (ID and TID as
  // integers, the texts bound as statement arguments). A pack without OtherContent rows leaves the
  // table empty and gives true. False when a transaction fails: the first failed statement rolls its
  // transaction back and is counted once, as is a transaction that cannot run (no working copy, the
  // begin or the commit fails). A pack that is missing or not a database, or whose OtherContent cannot
  // be read (no such table, a broken view), is counted once and gives false before anything is deleted.
  // A pack whose OtherContent lacks one of ID, Type, TID, KeyWord, Content is refused the same way.
  bool upgradeDB(const std::string& packPath);
  // Why the pack at `packPath` cannot be merged by this step: the text naming the table and the column
  // it lacks (dao::missingColumnText); nothing when its OtherContent has every column the step reads.
  static std::optional<std::string> packRefusal(const std::string& packPath);

 private:
  bool deleteOtherContent();
  std::vector<OtherContent> getTestOtherContent(const std::string& packPath, bool& opened);
  bool insertOtherContent(const std::vector<OtherContent>& rows);

  std::string workingCopyPath() const;

  std::string dbUpdateName_;
  bool operateSuccess_ = false;
};
