#pragma once
// Shared pieces of the data-access tests: a temporary bank location, the generated sample bank and its
// golden file, SQL on fixture files, and the flattening of a parsed question into golden fields.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "dao/BankLocation.h"
#include "librarys/sqldb/SQLDatabase.h"
#include "librarys/sqldb/SQLResultSet.h"
#include "platform/core/Value.h"
#include "tests/support/SampleFiles.h"
#include "tests/support/TempDir.h"
#include "util/DESEncrypt.h"

namespace daotest {

namespace fs = std::filesystem;

using testsupport::sampleDir;
inline std::string sampleFile(const std::string& name) { return sampleDir() + "/" + name; }

inline std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}
inline void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}
inline void copyFile(const std::string& from, const std::string& to) {
  fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

// A temporary folder holding "db/" (the live bank) and "update/" (packs and the working copy), set as
// the bank location of subject "GKSample" for the life of the object; failed update statements are
// counted in sqlErrors.
class BankHome {
 public:
  static constexpr const char* kValue = "GKSample";

  BankHome() : dir_("vd-dao-test"), root_(dir_.path()) {
    fs::create_directories(dbDir());
    fs::create_directories(updateDir());
    auto errors = errors_;
    BankLocation::set(BankLocation{[dir = dbDir()] { return dir; }, [] { return std::string(kValue); },
                                   [dir = updateDir()] { return dir; }, [errors] { ++*errors; }});
  }
  ~BankHome() {
    BankLocation::set(BankLocation{});
  }
  BankHome(const BankHome&) = delete;
  BankHome& operator=(const BankHome&) = delete;

  std::string root() const { return root_.string(); }
  std::string dbDir() const { return (root_ / "db").string(); }
  std::string updateDir() const { return (root_ / "update").string(); }
  std::string liveBank() const { return dbDir() + "/" + kValue + ".db"; }
  std::string workingCopy() const { return updateDir() + "/" + kValue + ".db"; }
  std::string updateFile(const std::string& name) const { return updateDir() + "/" + name; }

  int sqlErrors() const { return errors_->load(); }

  // The sample bank as the live bank / as the working copy of an update.
  void installSampleBank() const { copyFile(sampleFile("GKSample.db"), liveBank()); }
  void prepareWorkingCopy() const { copyFile(sampleFile("GKSample.db"), workingCopy()); }
  // Reads go to the working copy from now on (as they do after the update engine copies it back).
  void readFromUpdateFolder() const {
    auto location = BankLocation::current();
    location.dbSavePath = [dir = updateDir()] { return dir; };
    BankLocation::set(location);
  }

 private:
  testsupport::TempDir dir_;
  fs::path root_;
  std::shared_ptr<std::atomic<int>> errors_ = std::make_shared<std::atomic<int>>(0);
};

// Runs SQL statements on the file at `path` (created when missing); fails the test on an error.
inline void runSQL(const std::string& path, const std::vector<std::string>& statements) {
  auto db = SQLDatabase::databaseWithPath(path);
  ASSERT_TRUE(db->open());
  for (const auto& sql : statements)
    ASSERT_TRUE(db->executeUpdate(sql)) << sql << ": " << db->lastErrorMessage();
  db->close();
}

// Column 0 of every row of a query on the file at `path`, as text ("NULL" for NULL).
inline std::vector<std::string> column(const std::string& path, const std::string& sql) {
  std::vector<std::string> out;
  auto db = SQLDatabase::databaseWithPath(path);
  if (!db->open()) return out;
  auto rs = db->executeQuery(sql);
  while (rs && rs->next()) out.push_back(rs->stringForColumnIndex(0).value_or("NULL"));
  db->close();
  return out;
}
inline std::string scalar(const std::string& path, const std::string& sql) {
  auto values = column(path, sql);
  return values.empty() ? std::string("<no row>") : values.front();
}

// Base64 DES text of a JSON text under `key`, padded with NULs as the bank stores it.
inline std::string encipher(std::string plain, const std::string& key) {
  plain.resize((plain.size() + 7) / 8 * 8, '\0');
  return DESEncrypt::encrypte(plain, key).value_or("");
}

// ---- golden file -------------------------------------------------------------------------------

struct GoldenRecord {
  std::vector<std::pair<std::string, std::string>> fields;

  std::string get(const std::string& key) const {
    for (const auto& [k, v] : fields) {
      if (k == key) return v;
    }
    return "";
  }
  // The "$.path=value" fields in order.
  std::vector<std::pair<std::string, std::string>> leaves() const {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& field : fields) {
      if (field.first.rfind("$.", 0) == 0) out.push_back(field);
    }
    return out;
  }
};

inline std::string unescapeGolden(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      const char c = text[++i];
      out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    } else {
      out += text[i];
    }
  }
  return out;
}

// The records of one kind and set, in file order.
inline std::vector<GoldenRecord> golden(const std::string& kind, const std::string& set) {
  std::vector<GoldenRecord> out;
  std::ifstream in(sampleFile("GKSample.golden.txt"));
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    GoldenRecord record;
    std::size_t start = 0;
    while (start <= line.size()) {
      std::size_t tab = line.find('\t', start);
      if (tab == std::string::npos) tab = line.size();
      const std::string field = line.substr(start, tab - start);
      const std::size_t eq = field.find('=');
      if (eq != std::string::npos)
        record.fields.emplace_back(field.substr(0, eq), unescapeGolden(field.substr(eq + 1)));
      start = tab + 1;
    }
    if (record.get("kind") == kind && record.get("set") == set) out.push_back(std::move(record));
  }
  return out;
}

// Every leaf of a parsed JSON value as golden "$.path" fields: object keys joined with ".", array
// elements by index, numbers in decimal, strings as they are.
inline void flatten(const core::Value& value, const std::string& path,
                    std::vector<std::pair<std::string, std::string>>& out) {
  if (value.isDictionary()) {
    for (const auto& [key, child] : value.dict()) flatten(child, path + "." + key, out);
  } else if (value.isArray()) {
    std::size_t i = 0;
    for (const auto& child : value.array()) flatten(child, path + "." + std::to_string(i++), out);
  } else if (value.isNull()) {
    out.emplace_back(path, "null");
  } else {
    out.emplace_back(path, value.toString());
  }
}
inline std::vector<std::pair<std::string, std::string>> flatten(const core::Value& value) {
  std::vector<std::pair<std::string, std::string>> out;
  flatten(value, "$", out);
  return out;
}

}  // namespace daotest
