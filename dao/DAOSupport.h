#pragma once
// Helpers shared by the data-access objects of this folder (not used elsewhere).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "librarys/sqldb/SQLDatabaseQueue.h"
#include "platform/core/Value.h"

class SQLDatabase;
class SQLResultSet;

namespace dao {

// A question id as it may reach SQL text: 1 to 19 ASCII digits, nothing else.
bool isDecimalId(std::string_view text);
// The pieces of a comma-separated id list that are decimal ids (blanks around a piece are ignored),
// joined by ","; every other piece is left out. "" when none is left.
std::string decimalIdList(std::string_view text);

// The text without its first n characters (UTF-16 units, as the bank's texts are counted); nothing
// when the text is shorter than n.
std::optional<std::string> dropCharacters(std::string_view text, std::size_t n);

// Deciphers Base64 DES text with `key` and cuts the plain text at its first NUL; nothing when it
// does not decipher to UTF-8 text.
std::optional<std::string> decipherText(std::string_view cipherText, std::string_view key);

// The parsed JSON of the "Content" column of the first row of `rs` (closing the cursor); Nil without
// a row, for NULL, or when the text is not JSON.
core::Value contentOfFirstRow(const std::shared_ptr<SQLResultSet>& rs);

// An open connection on the SQLite file at `path`, only when a regular file is there and it reads as
// a database (its table list can be queried); otherwise nullptr. The file is never created.
std::shared_ptr<SQLDatabase> openExistingDatabase(const std::string& path);

// Runs `each` on every row `sql` reads from the pack database at `packPath`, then closes the pack.
// False when the pack is not an existing database (nothing is run then), and when the query fails: a
// missing table, a view that cannot be read, a damaged page part-way (the rows handed out before such a
// failure do not make a pack). An empty table reads as no rows and true.
bool forEachPackRow(const std::string& packPath, const std::string& sql,
                    const std::function<void(SQLResultSet& row)>& each);
// Whether the pack database at `packPath` has a table or view of that name (compared ignoring case).
bool packHasTable(const std::string& packPath, const std::string& name);
// The first of `columns` that the pack's table (or view) `table` lacks, compared ignoring case; nothing
// when it has them all, and when the pack or the table is not there or cannot be read (those are
// refused by the read itself). `table` is one of this folder's own table names, never outside text.
std::optional<std::string> missingPackColumn(const std::string& packPath, const std::string& table,
                                             std::initializer_list<const char*> columns);
// The text that refuses a pack whose table lacks a column the merge reads, naming both:
// "更新包的Test表缺少TestContent列".
std::string missingColumnText(const std::string& table, const std::string& column);

// A text column of a pack row as a statement argument: the text, or NULL.
core::Value textOrNull(const std::optional<std::string>& text);
core::Value textOrNull(std::optional<std::string>&& text);  // the text moved in
// An integer column of a pack row: its text's leading number, 0 for NULL.
std::int64_t integerOf(const std::optional<std::string>& text);

// How a transaction ended.
enum class TransactionResult {
  NotRun,      // no file at the path, the file did not open, or the transaction could not begin
  RolledBack,  // the block ran and asked for a rollback, or the commit failed and was rolled back
  Committed,
};

// Runs `block` in one exclusive transaction on the database file at `path`, through a database
// queue made for this call and closed right after. The file must exist: a missing working copy is
// never created. The connection caches its prepared statements, so a statement the block runs for
// every row is prepared once. The file is taken for the update's working copy, which the update syncs
// itself before using it: the commits do not wait for the disk (PRAGMA synchronous=OFF).
TransactionResult runExclusiveTransaction(const std::string& path,
                                          const SQLDatabaseQueue::TransactionBlock& block);

}  // namespace dao
