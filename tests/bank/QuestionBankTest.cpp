// The question bank's life through the interface the screens call: install from an archive, merge,
// replace and clear, each answered on the caller's run loop and each dropping the key cache itself; a
// failed install or replacement leaves the old bank.

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "librarys/sqldb/SQLDatabase.h"
#include "platform/core/Paths.h"
#include "tests/bank/BankFixture.h"
#include "util/ZipWrapper.h"

namespace banktest {
namespace {

class QuestionBankTest : public BankFixture {
 protected:
  // A bank that differs from the sample one (so that a replacement shows).
  void installOldBank() const {
    installSampleBank();
    auto db = SQLDatabase::databaseWithPath(bankPath());
    ASSERT_TRUE(db->open());
    ASSERT_TRUE(db->executeUpdate("update DBVersion set Time = 'old bank' where ID = 1"));
    db->close();
  }
  // A zip at `path` holding the given files under the given names.
  static void makeZip(const std::string& path,
                      const std::vector<std::pair<std::string, std::string>>& entries) {
    fs::create_directories(fs::path(path).parent_path());
    ZipWrapper zip;
    ASSERT_TRUE(zip.CreateZipFile2(path));
    for (const auto& [file, name] : entries) ASSERT_TRUE(zip.addFileToZip(file, name));
    ASSERT_TRUE(zip.CloseZipFile2());
  }
  std::string archive() const { return home() + "/documents/GKSample.zip"; }
  std::string image(const std::string& name) const { return paths().imageDirectory + "/" + name; }

  // Runs one asynchronous call to its answer; nullopt when no answer came.
  std::optional<bool> answer(const std::function<void(QuestionBank&, QuestionBank::Done)>& call) {
    auto bank = QuestionBank::make(paths());
    std::optional<bool> result;
    call(*bank, [&result](bool ok) { result = ok; });
    settle();
    return result;
  }
};

TEST_F(QuestionBankTest, EveryChangeDropsTheKeyCache) {
  struct Case {
    const char* name;
    std::function<void()> prepare;
    std::function<void(QuestionBank&, QuestionBank::Done)> call;
    bool ok;
  };
  const std::vector<Case> cases = {
      {"install",
       [this] {
         installOldBank();
         placeFile(home() + "/documents", "GKSample.zip", samplePath("GKSample.zip"));
       },
       [this](QuestionBank& b, QuestionBank::Done d) { b.install(archive(), std::move(d)); }, true},
      {"merge",
       [this] {
         installSampleBank();
         placeFile(updateDir(), "GKSample_up_2_3.db", samplePath("GKSample_up_2_3.db"));
       },
       [this](QuestionBank& b, QuestionBank::Done d) {
         b.merge(updateDir() + "/GKSample_up_2_3.db", std::move(d));
       },
       true},
      {"replace",
       [this] {
         installOldBank();
         placeFile(home(), "new.db", samplePath("GKSample.db"));
       },
       [this](QuestionBank& b, QuestionBank::Done d) { b.replace(home() + "/new.db", std::move(d)); }, true},
      {"clear", [this] { installSampleBank(); },
       [](QuestionBank& b, QuestionBank::Done d) { b.clear(std::move(d)); }, true},
      {"clear that cannot remove the bank", [this] { installSampleBank(); },
       [](QuestionBank& b, QuestionBank::Done d) {
         b.clear(std::move(d), [](const std::string&) { return false; });
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.prepare();
    std::optional<bool> result;
    EXPECT_TRUE(dropsKeyCache([&] { result = answer(c.call); }));
    EXPECT_EQ(result, std::optional<bool>(c.ok));
  }
}

TEST_F(QuestionBankTest, InstallPutsTheArchivesBankAndImagesInPlace) {
  installOldBank();
  placeFile(home() + "/documents", "GKSample.zip", samplePath("GKSample.zip"));
  EXPECT_EQ(answer([this](QuestionBank& b, QuestionBank::Done d) { b.install(archive(), std::move(d)); }),
            true);
  EXPECT_EQ(readAll(bankPath()), readAll(samplePath("GKSample.db")));
  EXPECT_TRUE(exists(image("gk_map500.png")));
  EXPECT_FALSE(exists(archive()));
  EXPECT_FALSE(exists(paths().cacheDirectory));
}

TEST_F(QuestionBankTest, AFailedInstallLeavesTheOldBank) {
  const std::string notADatabase = home() + "/GKSample.db";
  writeFile(notADatabase, std::string(4096, 'x'));
  struct Case {
    const char* name;
    std::function<void()> makeArchive;
  };
  const std::vector<Case> cases = {
      {"no archive", [] {}},
      {"not a zip", [this] { writeFile(archive(), "PK but no zip"); }},
      {"an archive without the bank",
       [this] {
         makeZip(archive(), {{samplePath("ImgDir_GKSample.zip"), "ImgDir_GKSample.zip"}});
       }},
      {"a bank that is no database",
       [&] {
         makeZip(archive(),
                 {{notADatabase, "GKSample.db"}, {samplePath("ImgDir_GKSample.zip"), "ImgDir_GKSample.zip"}});
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    installOldBank();
    const std::string before = readAll(bankPath());
    fs::remove(archive());
    fs::remove_all(paths().cacheDirectory);
    c.makeArchive();
    EXPECT_EQ(answer([this](QuestionBank& b, QuestionBank::Done d) { b.install(archive(), std::move(d)); }),
              false);
    EXPECT_EQ(readAll(bankPath()), before);
  }
}

TEST_F(QuestionBankTest, ReplaceTakesOnlyACompleteDatabase) {
  struct Case {
    const char* name;
    std::function<std::string()> file;
    bool replaces;
  };
  const std::vector<Case> cases = {
      {"a database",
       [this] {
         placeFile(home(), "new.db", samplePath("GKSample.db"));
         return home() + "/new.db";
       },
       true},
      {"text",
       [this] {
         writeFile(home() + "/new.db", "SQLite format 3 but not quite");
         return home() + "/new.db";
       },
       false},
      {"a cut database",
       [this] {
         writeFile(home() + "/new.db", readAll(samplePath("GKSample.db")).substr(0, 10));
         return home() + "/new.db";
       },
       false},
      {"nothing", [this] { return home() + "/missing.db"; }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    installOldBank();
    const std::string before = readAll(bankPath());
    const std::string file = c.file();
    EXPECT_EQ(answer([&](QuestionBank& b, QuestionBank::Done d) { b.replace(file, std::move(d)); }),
              c.replaces);
    EXPECT_EQ(readAll(bankPath()) == before, !c.replaces);
  }
}

TEST_F(QuestionBankTest, ClearRemovesTheBankAndThenItsImages) {
  struct Case {
    const char* name;
    bool bank;
    bool bankRemovalFails;
    bool ok, imagesAfter;
  };
  const Case cases[] = {
      {"bank and images", true, false, true, false},
      {"no bank: nothing to do, images stay", false, false, true, true},
      {"bank removal fails: images stay", true, true, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    installSampleBank();
    if (!c.bank) fs::remove(bankPath());
    writeFile(image("a.png"), "a");
    writeFile(paths().dbDirectory + "/Other.db", "another subject");
    const std::string bank = bankPath();
    const bool fails = c.bankRemovalFails;
    EXPECT_EQ(answer([&](QuestionBank& b, QuestionBank::Done d) {
                b.clear(std::move(d), [bank, fails](const std::string& path) {
                  return fails && path == bank ? false : core::Paths::removeAll(path);
                });
              }),
              c.ok);
    EXPECT_EQ(exists(bankPath()), c.bankRemovalFails);
    EXPECT_EQ(exists(image("a.png")), c.imagesAfter);
    EXPECT_TRUE(exists(paths().dbDirectory + "/Other.db"));
  }
}

TEST_F(QuestionBankTest, AnAnswerForABankThatIsGoneIsDroppedButTheWorkIsDone) {
  installSampleBank();
  bool answered = false;
  QuestionBank::make(paths())->clear([&answered](bool) { answered = true; });
  settle();
  EXPECT_FALSE(answered);
  EXPECT_FALSE(exists(bankPath()));
}

TEST_F(QuestionBankTest, WithoutAUsableSubjectNothingIsTouched) {
  installSampleBank();
  placeFile(home(), "new.db", samplePath("GKSample.db"));
  for (const char* subject : {"", "..", "a/b", "..\\x"}) {
    SCOPED_TRACE(subject);
    const BankPaths none = BankPaths::forSubject(subject, home() + "/caches");
    EXPECT_EQ(none.bankFile(), "");
    EXPECT_FALSE(QuestionBank::replaceBank(none, home() + "/new.db"));
    EXPECT_FALSE(QuestionBank::mergePack(none, samplePath("GKSample_up_2_3.db")));
    EXPECT_FALSE(QuestionBank::installArchive(none, samplePath("GKSample.zip"), home() + "/work", true));
    EXPECT_FALSE(QuestionBank::removeBankFile(none));
    EXPECT_EQ(QuestionBank::localMaxBatchId(none), -1);
  }
  EXPECT_TRUE(exists(bankPath()));
  EXPECT_TRUE(exists(home() + "/new.db"));
  EXPECT_FALSE(exists(home() + "/work"));
}

}  // namespace
}  // namespace banktest
