// Merging an update pack into the bank: a pack that cannot be read whole is refused with the bank
// untouched, a journal left by a killed merge is never played back, and a merge killed at any moment
// leaves the old bank or the new one.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "bank/BankFiles.h"
#include "librarys/sqldb/SQLDatabase.h"
#include "librarys/sqldb/SQLResultSet.h"
#include "platform/core/Text.h"
#include "tests/bank/BankFixture.h"

namespace banktest {

using QuestionBankMergeTest = BankFixture;

// A pack is read whole or not at all: a table it lacks or cannot read (a view over nothing) fails the merge
// and the working copy is thrown away; an empty table is a pack with nothing in it. Test_Delete may be
// left out of a pack that deletes nothing.
TEST_F(QuestionBankMergeTest, APackWhoseTablesCannotBeReadIsRefused) {
  struct Case {
    const char* what;
    const char* damage;
    bool merges;
  } cases[] = {
      {"no Test table", "drop table Test", false},
      {"Test a broken view", "drop table Test; create view Test as select * from Gone", false},
      {"no DBVersion table", "drop table DBVersion", false},
      {"no OtherContent table", "drop table OtherContent", false},
      {"Test_Delete a broken view", "drop table Test_Delete; create view Test_Delete as select AID from Gone",
       false},
      {"an empty Test table", "delete from Test", true},
      {"no Test_Delete table", "drop table Test_Delete", true},
  };
  const std::string working = updateDir() + "/GKSample.db";
  const std::string pack = updateDir() + "/GKSample_up_2_3.db";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    installSampleBank();
    const std::string original = readAll(bankPath());
    placeFile(updateDir(), "GKSample_up_2_3.db", samplePath("GKSample_up_2_3.db"));
    {
      auto db = SQLDatabase::databaseWithPath(pack);
      ASSERT_TRUE(db->open());
      for (const std::string& statement : core::split(c.damage, ";"))
        ASSERT_TRUE(db->executeUpdate(statement)) << db->lastErrorMessage();
      db->close();
    }
    EXPECT_EQ(QuestionBank::mergePack(pack, bankPath(), working), c.merges);
    EXPECT_FALSE(exists(working));
    if (c.merges) {
      EXPECT_EQ(bankBatch(), 3);
    } else {
      EXPECT_EQ(readAll(bankPath()), original);
    }
  }
}

namespace {

// The bank's questions, auxiliary content and key batches as one text; "" when it does not open as a
// database that passes SQLite's integrity check.
std::string soundBankContents(const std::string& path) {
  if (!BankFiles::isSQLiteFile(path)) return "";
  auto db = SQLDatabase::databaseWithPath(path);
  if (!db->open()) return "";
  std::string out;
  if (db->stringForQuery("PRAGMA integrity_check").value_or("") == "ok") {
    for (const char* sql :
         {"select AID, GUID, Type, ID, PID, TestContent from Test order by AID",
          "select * from OtherContent order by ID, Type, TID", "select * from DBVersion order by ID"}) {
      auto rs = db->executeQuery(sql);
      if (!rs) {
        out.clear();
        break;
      }
      while (rs->next()) {
        for (int i = 0; i < rs->columnCount(); ++i)
          out += rs->stringForColumnIndex(i).value_or("<null>") + "|";
        out += "\n";
      }
      out += "--\n";
    }
  }
  db->close();
  return out;
}

}  // namespace

// A merge killed inside a transaction leaves the working copy's rollback journal behind. The next merge
// makes a fresh working copy of a bank that may have changed since; that journal must not be played back
// onto it (it would put the old pages into the new copy).
TEST_F(QuestionBankMergeTest, AJournalLeftByAKilledMergeIsNotAppliedToTheNextWorkingCopy) {
  const std::string pack = updateDir() + "/GKSample_up_2_3.db";
  const std::string working = updateDir() + "/GKSample.db";
  installSampleBank();
  fs::create_directories(updateDir());
  fs::copy_file(bankPath(), working);
  // A process killed in the middle of a transaction on the working copy.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    auto db = SQLDatabase::databaseWithPath(working);
    // A small page cache makes the transaction write pages into the file before its end, as a commit
    // does: from then on the journal is hot.
    if (!db->open() || !db->executeUpdate("PRAGMA cache_size = 2") || !db->beginTransaction() ||
        !db->executeUpdate("delete from DBVersion"))
      ::_exit(3);
    for (int i = 0; i < 200; ++i)
      if (!db->executeUpdate("insert into Test(AID, TestContent) values(?, ?)", 900000 + i,
                             std::string(4000, 'x')))
        ::_exit(3);
    ::raise(SIGKILL);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  ASSERT_TRUE(exists(working + "-journal"));

  // Meanwhile the bank changed (a full bank replaced it, say).
  {
    auto db = SQLDatabase::databaseWithPath(bankPath());
    ASSERT_TRUE(db->open());
    ASSERT_TRUE(db->executeUpdate("update DBVersion set Time = 'changed' where ID = 1"));
    db->close();
  }
  placeFile(updateDir(), "GKSample_up_2_3.db", samplePath("GKSample_up_2_3.db"));
  ASSERT_TRUE(QuestionBank::mergePack(pack, bankPath(), working));
  EXPECT_EQ(bankBatch(), 3);
  auto db = SQLDatabase::databaseWithPath(bankPath());
  ASSERT_TRUE(db->open());
  EXPECT_EQ(db->stringForQuery("select Time from DBVersion where ID = 1").value_or(""), "changed");
  EXPECT_EQ(db->stringForQuery("PRAGMA integrity_check").value_or(""), "ok");
  db->close();
  EXPECT_FALSE(exists(working + "-journal"));
}

// Kill safety: a real child process runs the merge and the replacement of the bank and is killed with
// SIGKILL at a random moment of it, again and again, each time over what the killed one before left in the
// update directory. Each time the bank must open, pass SQLite's integrity check and hold either the old
// questions or the new ones. The old bank is one of two that differ (so that what one run leaves cannot
// pass for the next run's work). The moments and banks come from a seeded sequence: VD_KILL_SEED replays
// another.
TEST_F(QuestionBankMergeTest, AMergeKilledAtRandomMomentsLeavesTheOldBankOrTheNewOne) {
  const std::string pack = updateDir() + "/GKSample_up_2_3.db";
  const std::string working = updateDir() + "/GKSample.db";
  const std::string otherBank = home() + "/other.db";
  fs::copy_file(samplePath("GKSample.db"), otherBank);
  {
    auto db = SQLDatabase::databaseWithPath(otherBank);
    ASSERT_TRUE(db->open());
    ASSERT_TRUE(db->executeUpdate("update DBVersion set Time = Time || 'B' where ID = 1"));
    db->close();
  }
  auto install = [&](int bank) {
    if (bank == 0) {
      installSampleBank();
    } else {
      fs::copy_file(otherBank, bankPath(), fs::copy_options::overwrite_existing);
    }
  };

  // Runs the merge in a child; `delay` (seconds after the child reports that it starts the merge) is when
  // it is killed, none to let it finish. Returns the merge's wall time and whether the kill landed.
  struct Run {
    double seconds = 0;
    bool killed = false;
  };
  auto runChild = [&](std::optional<double> delay) -> Run {
    placeFile(updateDir(), "GKSample_up_2_3.db", samplePath("GKSample_up_2_3.db"));
    int ready[2];
    if (::pipe(ready) != 0) return {};
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(ready[0]);
      ::alarm(30);
      const char go = 1;
      if (::write(ready[1], &go, 1) != 1) ::_exit(4);
      const bool merged = QuestionBank::mergePack(pack, bankPath(), working);
      ::_exit(merged ? 0 : 3);
    }
    ::close(ready[1]);
    char go = 0;
    const bool started = ::read(ready[0], &go, 1) == 1;
    ::close(ready[0]);
    const auto t0 = std::chrono::steady_clock::now();
    if (started && delay) {
      timespec ts{static_cast<time_t>(*delay), static_cast<long>((*delay - std::floor(*delay)) * 1e9)};
      ::nanosleep(&ts, nullptr);
      ::kill(child, SIGKILL);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    Run r;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    r.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    if (!r.killed) {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    }
    return r;
  };

  // Each old bank and the new one it becomes, and how long a whole merge takes here (the middle one of
  // three).
  std::string before[2], after[2];
  std::vector<double> times;
  for (int bank : {0, 1, 0}) {
    install(bank);
    before[bank] = soundBankContents(bankPath());
    times.push_back(runChild(std::nullopt).seconds);
    after[bank] = soundBankContents(bankPath());
    ASSERT_FALSE(after[bank].empty());
  }
  std::sort(times.begin(), times.end());
  const double window = times[1];
  ASSERT_NE(before[0], before[1]);
  ASSERT_NE(after[0], after[1]);

  const char* seedText = std::getenv("VD_KILL_SEED");
  const std::uint32_t seed =
      seedText ? static_cast<std::uint32_t>(std::strtoul(seedText, nullptr, 10)) : 1405u;
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> moment(0, window * 1.2);
  int killed = 0, old = 0, fresh = 0;
  const int runs = 24;
  for (int i = 0; i < runs; ++i) {
    const int bank = static_cast<int>(random() % 2);
    const double delay = moment(random);
    SCOPED_TRACE("seed " + std::to_string(seed) + ", run " + std::to_string(i) + ", bank " +
                 std::to_string(bank) + ", killed after " + std::to_string(delay * 1000) + " ms");
    install(bank);
    killed += runChild(delay).killed;
    const std::string now = soundBankContents(bankPath());
    ASSERT_TRUE(now == before[bank] || now == after[bank])
        << "the bank is neither the old one nor the new one";
    (now == before[bank] ? old : fresh) += 1;
  }
  // Whatever the last kill left, a whole merge still makes the new bank.
  install(1);
  ASSERT_FALSE(runChild(std::nullopt).killed);
  EXPECT_EQ(soundBankContents(bankPath()), after[1]);
  std::cout << "kill safety: seed " << seed << ", " << runs << " runs in a " << window * 1000
            << " ms merge: " << killed << " killed part-way, " << old << " left the old bank, " << fresh
            << " the new one\n";
  EXPECT_GE(killed, runs / 4) << "the kills did not land inside the merge";
}

}  // namespace banktest
