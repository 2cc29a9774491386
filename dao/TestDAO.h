#pragma once
// TestDAO: questions of the chosen subject's bank by id, deciphered and parsed.

#include <string>
#include <vector>

#include "dao/BaseDAO.h"
#include "platform/core/Value.h"

class TestDAO : public BaseDAO {
 public:
  using BaseDAO::BaseDAO;

  // The question records (parsed JSON dictionaries) of the rows whose AID is in `testIds`, a
  // comma-separated list of decimal ids. Pieces of the list that are not decimal ids are ignored.
  // Records come in the order the database returns the rows (not the order of the list); ids that
  // are not in the bank yield nothing. `type` is not used.
  //
  // Per row: the key is the content key of the batch named by PID (NULL reads as 0: the first
  // batch), kept for the bank between calls (BankKeyCache). With a PID the stored text starts with 5
  // characters that are not part of the cipher text; when the rest does not decipher, the whole text is
  // tried. The plain text is cut at its first NUL and parsed. A row without a key, or that does not decipher
  // or parse to a JSON object, is left out. Without a bank the result is empty.
  core::Array getTestListWithType(const std::string& type, const std::string& testIds) const;
  // The records of several id lists read through one connection (a question set reads all its
  // sessions at once): one array per list, in the lists' order, each as getTestListWithType gives it.
  std::vector<core::Array> getTestLists(const std::vector<std::string>& testIdLists) const;
};
