#pragma once
// The question bank under test: a temporary home (VARDO_HOME) whose caches hold the subject GKSample's
// bank paths, the
// data-access objects pointed at them, the generated sample bank and packs (VD_SAMPLE_DIR), and the
// one way to see whether a step dropped the key cache.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "bank/BankPaths.h"
#include "bank/QuestionBank.h"
#include "dao/BankKeyCache.h"
#include "dao/BankLocation.h"
#include "dao/DBVersionDAO.h"
#include "platform/core/Paths.h"
#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/RunLoop.h"
#include "tests/support/SampleFiles.h"
#include "tests/support/TempDir.h"

namespace banktest {

namespace fs = std::filesystem;

using testsupport::exists;
using testsupport::readAll;
using testsupport::sampleDir;
using testsupport::samplePath;
using testsupport::writeFile;

class BankFixture : public ::testing::Test {
 protected:
  static constexpr const char* kSubject = "GKSample";

  void SetUp() override {
    ASSERT_FALSE(root_.path().empty());
    paths_ = BankPaths::forSubject(kSubject, core::Paths::caches());
    BankLocation::set(BankLocation{[dir = paths_.dbDirectory] { return dir; },
                                   [] { return std::string(kSubject); },
                                   [dir = paths_.updateDirectory] { return dir; }, [] {}});
  }
  void TearDown() override { BankLocation::set(BankLocation{}); }

  const BankPaths& paths() const { return paths_; }
  std::string bankPath() const { return paths_.bankFile(); }
  std::string updateDir() const { return paths_.updateDirectory; }
  std::string home() const { return root_.path(); }

  void installSampleBank() const {
    placeFile(paths_.dbDirectory, std::string(kSubject) + ".db", samplePath("GKSample.db"));
  }
  static void placeFile(const std::string& directory, const std::string& name, const std::string& from) {
    fs::create_directories(directory);
    fs::copy_file(from, directory + "/" + name, fs::copy_options::overwrite_existing);
  }
  std::int64_t bankBatch() const { return DBVersionDAO().getMaxBatchID(bankPath()); }

  // Runs the bank's workers and then the replies on this thread to their end.
  static void settle() {
    QuestionBank::queue().waitIdle();
    rl::DispatchQueue::global().waitIdle();
    rl::RunLoop::current().runUntilIdle();
  }

  // Whether `change` dropped the key cache: a key kept for a file the change does not touch is derived
  // anew afterwards only when it did.
  bool dropsKeyCache(const std::function<void()>& change) {
    const std::string untouched = home() + "/untouched.db";
    if (!exists(untouched)) writeFile(untouched, "keys");
    int derived = 0;
    auto derive = [&derived]() -> std::optional<std::string> {
      ++derived;
      return std::string("key");
    };
    BankKeyCache::invalidate();  // what an earlier change kept goes: the key is derived once, then kept
    BankKeyCache::snapshot(untouched).keyFor(1, derive);
    BankKeyCache::snapshot(untouched).keyFor(1, derive);
    EXPECT_EQ(derived, 1) << "the key was not kept before the change";
    change();
    BankKeyCache::snapshot(untouched).keyFor(1, derive);
    return derived == 2;
  }

 private:
  testsupport::TempHome root_{"vd-bank"};
  BankPaths paths_;
};

}  // namespace banktest
