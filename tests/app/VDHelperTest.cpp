#include <gmock/gmock.h>

#include "app/VDHelper.h"
#include "tests/app/StartupFixture.h"

using namespace startup_test;

namespace {

const core::Value kZyys = core::Dictionary{{"Key", "中医执业医师"}, {"Value", "zyys"}};

}  // namespace

using Paths = StartupFixture;

TEST_F(Paths, TableWithASubjectChosen) {
  ASSERT_TRUE(VDHelper::saveQuoteProduct(kZyys));
  const std::string caches = core::Paths::caches();
  const std::string documents = core::Paths::documents();
  ASSERT_EQ(caches, home_.path() + "/cache");
  ASSERT_EQ(documents, home_.path() + "/data");

  struct Case {
    const char* name;
    std::string (*path)();
    std::string expected;
  };
  const Case cases[] = {
      {"downloadCacheDirectoryUpdate", VDHelper::downloadCacheDirectoryUpdate,
       caches + "/downloadCache/Update_zyys"},
      {"downloadUpdateDBImagePacket", VDHelper::downloadUpdateDBImagePacket,
       caches + "/downloadCache/Update_zyys/DBImagePacket"},
      {"downloadSoftware", VDHelper::downloadSoftware, caches + "/downloadCache/iphone"},
      {"downloadCacheDirectory", VDHelper::downloadCacheDirectory, caches + "/downloadCache/zyys"},
      {"dbSavePath", VDHelper::dbSavePath, caches + "/db"},
      {"imageSavePath", VDHelper::imageSavePath, caches + "/imgcache/zyys"},
      {"learningRecordSavePath", VDHelper::learningRecordSavePath, documents + "/lr"},
      {"lastLearningRecordSavePath", VDHelper::lastLearningRecordSavePath, documents + "/la"},
      {"recordSavePath", VDHelper::recordSavePath, documents + "/yizuo"},
      {"feedbackSavePath", VDHelper::feedbackSavePath, documents + "/fb"},
      {"headPortraitSavePath", VDHelper::headPortraitSavePath, documents + "/head"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(core::Paths::isDirectory(c.expected));
    EXPECT_EQ(c.path(), c.expected);
    EXPECT_TRUE(core::Paths::isDirectory(c.expected));  // made on demand
  }

  // getDirectory joins without a separator and makes nothing.
  EXPECT_EQ(VDHelper::getDirectory("/downloadCache/x"), caches + "/downloadCache/x");
  EXPECT_FALSE(core::Paths::fileExists(caches + "/downloadCache/x"));

  // Bundle resources.
  const std::string bundle = core::Bundle::main().resourcePath();
  EXPECT_EQ(VDHelper::configPath(), core::Paths::join(bundle, "vardo-config.plist"));
  EXPECT_EQ(VDHelper::logPath(), core::Paths::join(bundle, "vardo-log.plist"));
}

TEST_F(Paths, StudyNotesAreFiledUnderTheDigestOfTheUserName) {
  AppDelegate& app = launch();
  const std::string sn = core::Paths::caches() + "/sn/";
  // MD5 of "游客" (guest) and of "user01".
  EXPECT_EQ(VDHelper::studyNotesSavePath(), sn + "21b0ef596c450d171a90a70a45b625da");
  EXPECT_TRUE(core::Paths::isDirectory(core::Paths::caches() + "/sn"));
  app.userSession().set("userInfo", core::Dictionary{{"UserName", "user01"}});
  EXPECT_EQ(VDHelper::studyNotesSavePath(), sn + "b75705d7e35e7014521a46b532236ec3");
}

TEST_F(Paths, ANewSubjectMovesEverySubjectPath) {
  ASSERT_TRUE(VDHelper::saveQuoteProduct(kZyys));
  const std::string before = VDHelper::imageSavePath();
  ASSERT_TRUE(VDHelper::saveQuoteProduct(core::Dictionary{{"Key", "药师"}, {"Value", "yaoshi"}}));
  EXPECT_NE(VDHelper::imageSavePath(), before);
  EXPECT_EQ(VDHelper::imageSavePath(), core::Paths::caches() + "/imgcache/yaoshi");
  EXPECT_EQ(VDHelper::downloadCacheDirectory(), core::Paths::caches() + "/downloadCache/yaoshi");
  EXPECT_EQ(VDHelper::getSubjectEName(), "yaoshi");
}

TEST_F(Paths, DatabaseFileCheck) {
  ASSERT_TRUE(VDHelper::saveQuoteProduct(kZyys));
  const std::string db = core::Paths::caches() + "/db";
  EXPECT_FALSE(core::Paths::fileExists(db));
  EXPECT_FALSE(VDHelper::isHavefileName());
  EXPECT_TRUE(core::Paths::isDirectory(db));  // building the path made the directory
  ASSERT_TRUE(core::Paths::atomicWrite(db + "/zyys.db", std::string_view("SQLite")));
  EXPECT_TRUE(VDHelper::isHavefileName());
  EXPECT_TRUE(VDHelper::isHavefile(db + "/zyys.db"));
  EXPECT_FALSE(VDHelper::isHavefile(db + "/other.db"));
}

using SubjectChoice = StartupFixture;

TEST_F(SubjectChoice, StoredChoiceIsPreferredOverTheSessionOne) {
  AppDelegate& app = launch();
  EXPECT_TRUE(VDHelper::getVDAppName().isNil());
  EXPECT_EQ(VDHelper::getSubjectEName(), "");

  const core::Value sessionChoice = core::Dictionary{{"Key", "药师"}, {"Value", "yaoshi"}};
  app.userSession().set("saveAppName", sessionChoice);
  EXPECT_EQ(VDHelper::getVDAppName(), sessionChoice);

  ASSERT_TRUE(VDHelper::saveQuoteProduct(kZyys));
  EXPECT_EQ(VDHelper::getVDAppName(), kZyys);
  EXPECT_EQ(VDHelper::getSubjectEName(), "zyys");

  // Stored and synchronized: a fresh read of the defaults file has it.
  core::UserDefaults reread(core::UserDefaults::standard().path());
  EXPECT_EQ(reread.objectForKey("saveAppName"), kZyys);
}

TEST_F(SubjectChoice, SeriesChoiceLikewise) {
  AppDelegate& app = launch();
  EXPECT_TRUE(VDHelper::getVDQuoteName().isNil());
  const core::Value session = core::Dictionary{{"Key", "医学"}, {"Value", "yixue"}};
  app.userSession().set("saveQuoteName", session);
  EXPECT_EQ(VDHelper::getVDQuoteName(), session);
  const core::Value stored = core::Dictionary{{"Key", "药学"}, {"Value", "yaoxue"}};
  ASSERT_TRUE(VDHelper::saveQuoteName(stored));
  EXPECT_EQ(VDHelper::getVDQuoteName(), stored);
}

TEST_F(SubjectChoice, NamesThatWouldLeaveTheStorageAreRefused) {
  struct Case {
    core::Value value;
    bool usable;
  };
  const Case cases[] = {
      {"zyys", true}, {"zy.ys", true},          {"中医", true},         {"../zyys", false}, {"..", false},
      {"a/b", false}, {"/etc", false},          {"a\\b", false},        {"..\\x", false},   {"x/../y", false},
      {"", false},    {core::Value(12), false}, {core::Value(), false},
  };
  AppDelegate& app = launch();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value.describe());
    core::UserDefaults::standard().removeObject("saveAppName");
    app.userSession().remove("saveAppName");
    const core::Value choice = core::Dictionary{{"Key", "x"}, {"Value", c.value}};

    EXPECT_EQ(VDHelper::isUsableQuoteProduct(choice), c.usable);
    EXPECT_EQ(VDHelper::saveQuoteProduct(choice), c.usable);
    EXPECT_EQ(core::UserDefaults::standard().objectForKey("saveAppName").isNil(), !c.usable);

    // A value that reached the defaults or the session some other way is not read either.
    core::UserDefaults::standard().setObject("saveAppName", choice);
    app.userSession().set("saveAppName", choice);
    EXPECT_EQ(VDHelper::getVDAppName().isNil(), !c.usable);
    if (!c.usable) {
      EXPECT_EQ(VDHelper::getSubjectEName(), "");
      EXPECT_EQ(VDHelper::imageSavePath(), core::Paths::caches() + "/imgcache/(null)");
    }
  }
  EXPECT_FALSE(core::Paths::fileExists(core::Paths::caches() + "/zyys"));
}

TEST_F(SubjectChoice, AChoiceThatIsNotADictionaryIsRefused) {
  EXPECT_FALSE(VDHelper::saveQuoteProduct(core::Value("zyys")));
  EXPECT_FALSE(VDHelper::saveQuoteProduct(core::Dictionary{{"Key", "x"}}));
  EXPECT_TRUE(core::UserDefaults::standard().objectForKey("saveAppName").isNil());
}
