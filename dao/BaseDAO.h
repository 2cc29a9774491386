#pragma once
// BaseDAO: the common ground of the question-bank data-access objects: where the subject's database
// and the update files are, a fresh connection object per call, and the content key of a key batch.
//
// The question bank of the chosen subject is the SQLite file "<Value>.db" in the db folder (see
// BankLocation). It holds the questions (table "Test"), the key batches ("DBVersion") and the
// auxiliary content ("OtherContent"). Question content is Base64 of DES-enciphered JSON; the DES key
// of a row is the content key of its batch, which is itself stored enciphered in the batch's
// DBVersion row under one of two fixed keys.
//
// Every read is self-contained: it opens a connection, queries, and closes it before returning.
// No connection or result is kept between calls; the content keys a question set needs are kept per
// bank file (BankKeyCache), and every path that replaces or rewrites a bank drops them (the question
// bank's own steps in bank/QuestionBank, and the objects here that rewrite a bank in place). The objects
// hold no locks and may be used from any thread, one object per thread.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class SQLDatabase;

class BaseDAO {
 public:
  // The fixed key of a DBVersion row whose Version reads as the integer 3 (its Time then carries a
  // 5-character prefix), and the fixed key of every other row.
  static constexpr const char* kVersion3Key = "19970325";
  static constexpr const char* kDefaultKey = "58203691";

  BaseDAO();
  // Sets dbPath() to getDBPath(name); for a non-empty name also reads dbTime() (the content key of
  // the first key batch of the chosen subject's file, whatever the name).
  explicit BaseDAO(const std::string& name);
  virtual ~BaseDAO();

  // The path resolved at construction and the key read then. Every operation resolves its path anew;
  // these are kept for inspection only.
  const std::string& dbPath() const { return dbPath_; }
  void setDbPath(std::string path) { dbPath_ = std::move(path); }
  const std::optional<std::string>& dbTime() const { return dbTime_; }

  // "<db folder>/<n>.db", n being the subject's Value for "" and `name` otherwise.
  std::string getDBPath(const std::string& name) const;
  // "<update folder>/<n>", n being the subject's Value for "" (no extension added) and `name`
  // otherwise.
  std::string getDBPathUpdate(const std::string& name) const;
  // "<documents folder>/<name>.db".
  std::string getDBPathabsolute(const std::string& name) const;

  // A new, unopened connection object on getDBPath(name), only when a regular file is there;
  // otherwise nullptr (a missing bank is never created). Also nullptr for "" while no subject is
  // chosen.
  std::shared_ptr<SQLDatabase> getDataSource(const std::string& name) const;
  // The same for "<update folder>/<name>" (an absolute name is taken as it is).
  std::shared_ptr<SQLDatabase> getDataSourceUpdate(const std::string& name) const;

  // The content key of key batch `batchId` of the chosen subject's file: the DBVersion row with that
  // BatchID, or the first row for 0. Its Time is deciphered with kVersion3Key after dropping 5
  // characters when the row's Version reads as the integer 3, with kDefaultKey otherwise, and cut at
  // its first NUL. Nothing when there is no file, no such row, or Time does not decipher to a
  // non-empty key.
  std::optional<std::string> getDBTime(std::int64_t batchId) const;
  // The same key read through a connection already open on the bank.
  static std::optional<std::string> contentKey(SQLDatabase& db, std::int64_t batchId);

 private:
  std::string dbPath_;
  std::optional<std::string> dbTime_;
};
