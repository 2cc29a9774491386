// The update run: packets applied by type (database pack, image pack, full bank, database-and-images
// packet, application package), the bank replaced in one step, and the failure table. The merge itself
// (packs that cannot be read, killed merges) is the bank's: tests/bank/QuestionBankMergeTest.cpp.

#include <gtest/gtest.h>

#include "bank/QuestionBank.h"
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "dao/BaseDAO.h"
#include "dao/TestDAO.h"
#include "librarys/json/JsonWriter.h"
#include "librarys/sqldb/SQLResultSet.h"
#include "screens/update/PacketType.h"
#include "tests/screens/update/UpdateEngineSupport.h"
#include "util/Base64.h"
#include "util/DESEncrypt.h"
#include "util/ZipWrapper.h"

namespace updengine_test {
namespace {

class UpdateRunTest : public UpdateFixture {
 protected:
  std::vector<std::string> alertMessages() {
    std::vector<std::string> out;
    for (auto* a : h().alerts()) out.push_back(a->title() + "/" + a->message());
    return out;
  }
};

// Lists applied from packets already on disk or fetched, each with what the bank and the images must be
// afterwards.
TEST_F(UpdateRunTest, PacketsAreAppliedByTheirType) {
  struct Case {
    const char* name;
    std::function<void()> prepare;
    std::vector<std::pair<int, std::string>> packets;
    std::int64_t batch;  // of the bank afterwards
    std::vector<std::string> images;
    std::vector<std::string> noImages;
  };
  const std::vector<Case> cases = {
      {"database pack", [] { installSampleBank(); }, {{1, "GKSample_up_2_3.db"}}, 3, {}, {"gk_volcano.png"}},
      {"image pack", [] { installSampleBank(); }, {{3, "GKSample_img_3.zip"}}, 2, {"gk_volcano.png"}, {}},
      {"new bank over an old one",
       [] { installSampleBank(); },
       {{6, "GKSample.zip"}},
       2,
       {"gk_map500.png", "gk_compass.PNG"},
       {}},
      {"database and images",
       [] { installSampleBank(); },
       {{8, "GKSample_dbimg_3.zip"}},
       3,
       {"gk_volcano.png"},
       {}},
      {"new bank without an image pack",
       [] {
         ZipWrapper zip;
         ASSERT_TRUE(zip.CreateZipFile2(updateDir() + "/GKSample_dbonly.zip"));
         ASSERT_TRUE(zip.addFileToZip(samplePath("GKSample.db"), "GKSample.db"));
         ASSERT_TRUE(zip.CloseZipFile2());
       },
       {{6, "GKSample_dbonly.zip"}},
       2,
       {},
       {"gk_map500.png"}},
      {"database-and-images packet with images only",
       [] {
         installSampleBank();
         ZipWrapper zip;
         ASSERT_TRUE(zip.CreateZipFile2(updateDir() + "/GKSample_imgonly.zip"));
         ASSERT_TRUE(zip.addFileToZip(samplePath("GKSample_img_3.zip"), "GKSample_img_3.zip"));
         ASSERT_TRUE(zip.CloseZipFile2());
       },
       {{8, "GKSample_imgonly.zip"}},
       2,
       {"gk_volcano.png"},
       {}},
      {"database-and-images packet with a database pack only",
       [] {
         installSampleBank();
         ZipWrapper zip;
         ASSERT_TRUE(zip.CreateZipFile2(updateDir() + "/GKSample_dbpack.zip"));
         ASSERT_TRUE(zip.addFileToZip(samplePath("GKSample_up_2_3.db"), "GKSample_up_2_3.db"));
         ASSERT_TRUE(zip.CloseZipFile2());
       },
       {{8, "GKSample_dbpack.zip"}},
       3,
       {},
       {"gk_volcano.png"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::error_code ec;
    fs::remove_all(home_ + "/cache", ec);
    fs::create_directories(updateDir());
    c.prepare();
    const ino_t before = inodeOf(bankPath());
    core::Value l = core::Value::newArray();
    for (const auto& [type, file] : c.packets) l.push_back(packet(type, file));
    auto p = open(l);
    await(p);
    EXPECT_EQ(p.outcome->completions.load(), 1);
    EXPECT_TRUE(p.outcome->result.load());
    EXPECT_TRUE(alertMessages().empty());
    EXPECT_EQ(bankBatch(), c.batch);
    // A bank that changed is a new file put in place, never the old one rewritten.
    if (before != 0 && c.batch == 3) {
      EXPECT_NE(inodeOf(bankPath()), before);
    }
    for (const auto& i : c.images) EXPECT_TRUE(exists(imageDir() + "/" + i)) << i;
    for (const auto& i : c.noImages) EXPECT_FALSE(exists(imageDir() + "/" + i)) << i;
    EXPECT_FALSE(exists(updateDir()));
    EXPECT_FALSE(exists(cacheDir()));
    // Nothing is left beside the bank.
    std::vector<std::string> inDb;
    for (const auto& e : fs::directory_iterator(fs::path(bankPath()).parent_path()))
      inDb.push_back(e.path().filename().string());
    EXPECT_EQ(inDb, std::vector<std::string>{"GKSample.db"});
  }
}

TEST_F(UpdateRunTest, ApplicationPackageGoesLastAndWithoutAnInstallerIsRemoved) {
  installSampleBank();
  std::vector<int> order;
  placeFile(updateDir(), "GKSample_img_3.zip", samplePath("GKSample_img_3.zip"));
  auto p = open(list({packet(4, "Vardo_iphone_1.1.ipa"), packet(3, "GKSample_img_3.zip")}));
  // While the package is fetched, the image pack waits on disk: the last packet needed no download, and
  // the run still finds it.
  await(p);
  EXPECT_TRUE(p.outcome->result.load());
  EXPECT_TRUE(exists(imageDir() + "/gk_volcano.png"));
  EXPECT_FALSE(p.vc->installer().isServiceAvailable());
  EXPECT_FALSE(exists(softwareDir() + "/Vardo_iphone_1.1.ipa"));
  EXPECT_TRUE(alertMessages().empty());

  const core::Value reordered = UpdateSoftwareViewController::arraySequence(
      list({packet(4, "a.ipa"), packet(1, "x.db"), packet(3, "y.zip")}));
  for (const auto& item : reordered.array()) order.push_back(static_cast<int>(item["packe_type"].toInt()));
  EXPECT_EQ(order, (std::vector<int>{1, 3, 4}));
}

TEST_F(UpdateRunTest, AFailedInstallationSaysSoAndKeepsThePackage) {
  std::vector<std::string> seen;
  installer_ = sys::Installer(
      [&seen](const std::string& path, const core::Value& options, const std::string& context) {
        seen = {path, options["ApplicationType"].toString(), context};
        return sys::Installer::kInstallFailed;
      });
  placeFile(softwareDir(), "Vardo_iphone_1.1.ipa", samplePath("GKSample_img_3.zip"));
  auto p = open(list({packet(4, "Vardo_iphone_1.1.ipa")}));
  await(p);
  EXPECT_EQ(p.outcome->completions.load(), 1);
  EXPECT_FALSE(p.outcome->result.load());
  ASSERT_TRUE(runUntil([&] { return !alertMessages().empty(); }, 5));
  EXPECT_EQ(alertMessages(), std::vector<std::string>{"提示/安装失败"});
  ASSERT_TRUE(h().press("确定"));
  EXPECT_TRUE(exists(softwareDir() + "/Vardo_iphone_1.1.ipa"));
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], core::Paths::temporary() + "/Install_Vardo_iphone_1.1.ipa");
  EXPECT_EQ(seen[1], "User");
  EXPECT_EQ(seen[2], softwareDir() + "/Vardo_iphone_1.1.ipa");
  EXPECT_FALSE(exists(seen[0]));
}

TEST(Installer, ReportsTheMissingLibraryAndCopiesThePackageForAService) {
  EXPECT_FALSE(sys::Installer().isServiceAvailable());
  EXPECT_EQ(sys::Installer().install(samplePath("GKSample_img_3.zip")), sys::Installer::kLibraryMissing);
  EXPECT_EQ(sys::Installer(nullptr).install(samplePath("GKSample_img_3.zip")),
            sys::Installer::kLibraryMissing);
  int calls = 0;
  const sys::Installer installer([&calls](const std::string&, const core::Value&, const std::string&) {
    ++calls;
    return 7;
  });
  EXPECT_TRUE(installer.isServiceAvailable());
  EXPECT_EQ(installer.install("/nonexistent/package.ipa"), sys::Installer::kCopyFailed);
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(installer.install(samplePath("GKSample_img_3.zip")), 7);
  EXPECT_EQ(calls, 1);
}

// An archive served as a bank or an update that would unpack past its limits (a zip bomb) or is no zip
// at all: the alert says why after the usual text, nothing of it is written, the old bank stays.
TEST_F(UpdateRunTest, ARefusedArchiveIsNamedInTheAlertAndWritesNothing) {
  // About 1000:1: 4 MiB of zeros in a few KiB.
  placeText(home_ + "/bomb", "zeros.bin", std::string(4 << 20, '\0'));
  {
    ZipWrapper zip;
    ASSERT_TRUE(zip.CreateZipFile2(home_ + "/bomb/bomb.zip"));
    ASSERT_TRUE(zip.addFileToZip(home_ + "/bomb/zeros.bin", "zeros.bin"));
    ASSERT_TRUE(zip.CloseZipFile2());
  }
  const std::string bomb = readAll(home_ + "/bomb/bomb.zip");
  struct Case {
    int type;
    const char* file;
    std::string served;
    const char* alert;
  };
  const Case cases[] = {
      {6, "GKSample.zip", bomb, "提示/题库解压失败：解压后超过压缩包大小的100倍"},
      {3, "GKSample_img_3.zip", bomb, "提示/更新失败：解压后超过压缩包大小的100倍"},
      {8, "GKSample_dbimg_3.zip", bomb, "提示/更新失败：解压后超过压缩包大小的100倍"},
      {6, "GKSample.zip", "<html>维护中</html>", "提示/题库解压失败：文件不是有效的压缩包"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.alert + std::string(" ") + c.file);
    ASSERT_TRUE(server().reset());
    installSampleBank();
    const std::string original = readAll(bankPath());
    // The packet's HEAD and GET both get the served bytes.
    core::Value faults = core::Value::newArray();
    for (const char* method : {"HEAD", "GET"}) {
      faults.push_back(core::Dictionary{{"path", std::string("/packets/") + c.file},
                                        {"method", method},
                                        {"body_base64", base64Encoding(core::Bytes(c.served.begin(), c.served.end()))},
                                        {"content_type", "application/zip"}});
    }
    ASSERT_TRUE(server().fault(JSONRepresentation(faults).value_or("")));
    auto p = open(list({packet(c.type, c.file)}));
    await(p);
    EXPECT_FALSE(p.outcome->result.load());
    EXPECT_FALSE(p.onWindow());
    ASSERT_TRUE(runUntil([&] { return !alertMessages().empty(); }, 5));
    EXPECT_EQ(alertMessages(), std::vector<std::string>{c.alert});
    EXPECT_EQ(readAll(bankPath()), original);
    EXPECT_FALSE(exists(imageDir() + "/zeros.bin"));
    EXPECT_FALSE(exists(updateDir()));
    ASSERT_TRUE(h().press("确定"));
    h().settle();
  }
}

TEST_F(UpdateRunTest, AFailingPackKeepsTheBankAndTheRunGoesOnButReportsNo) {
  installSampleBank();
  const std::string original = readAll(bankPath());
  const ino_t inode = inodeOf(bankPath());
  placeText(updateDir(), "GKSample_up_2_3.db", "this is not a database");
  auto p = open(list({packet(1, "GKSample_up_2_3.db"), packet(3, "GKSample_img_3.zip")}));
  await(p);
  EXPECT_EQ(p.outcome->completions.load(), 1);
  EXPECT_FALSE(p.outcome->result.load());
  EXPECT_FALSE(p.onWindow());
  ASSERT_TRUE(runUntil([&] { return !alertMessages().empty(); }, 5));
  EXPECT_EQ(alertMessages(), std::vector<std::string>{"提示/更新失败"});
  // The live bank is the one it was; the later packet was still applied; the directories are gone.
  EXPECT_EQ(readAll(bankPath()), original);
  EXPECT_EQ(inodeOf(bankPath()), inode);
  EXPECT_TRUE(exists(imageDir() + "/gk_volcano.png"));
  EXPECT_FALSE(exists(updateDir()));
}

TEST_F(UpdateRunTest, EveryMergeStartsFromAFreshWorkingCopy) {
  installSampleBank();
  // A working copy left by an earlier, killed run, and a second database pack in the same list.
  placeText(updateDir(), "GKSample.db", "stale working copy");
  placeFile(updateDir(), "GKSample_up_later.db", samplePath("edge/GKSample_up_noothercontent.db"));
  ASSERT_GT(bankCount("select count(*) from OtherContent"), 0);
  auto p = open(list({packet(1, "GKSample_up_2_3.db"), packet(1, "GKSample_up_later.db")}));
  await(p);
  EXPECT_TRUE(p.outcome->result.load());
  EXPECT_TRUE(alertMessages().empty());
  // Both packs are in: the first brought batch 3, the second emptied OtherContent.
  EXPECT_EQ(bankBatch(), 3);
  EXPECT_EQ(bankCount("select count(*) from Test where AID = 1021"), 1);
  EXPECT_EQ(bankCount("select count(*) from OtherContent"), 0);
}

// The run works on a worker that never waits for the main thread: with the main loop not running at all,
// it applies the pack, removes the download directories and calls the completion block; only closing
// the panel waits for the main thread.
TEST_F(UpdateRunTest, TheRunEndsWithoutTheMainThread) {
  installSampleBank();
  placeFile(updateDir(), "GKSample_up_2_3.db", samplePath("GKSample_up_2_3.db"));
  auto p = open(list({packet(1, "GKSample_up_2_3.db")}));
  ASSERT_TRUE(p.vc->isRunStarted());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (p.outcome->completions.load() == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::yield();
  EXPECT_EQ(p.outcome->completions.load(), 1);
  EXPECT_TRUE(p.outcome->result.load());
  EXPECT_EQ(bankBatch(), 3);
  EXPECT_FALSE(exists(updateDir()));
  EXPECT_FALSE(p.vc->isRunFinished());  // the panel closes on the main thread
  await(p);
  EXPECT_FALSE(p.onWindow());
}

// Batch keys are kept between question sets: a bank put in place by an update, whose batch 1 has
// another key, is read with its own key at once.
TEST_F(UpdateRunTest, AReplacedBankIsReadWithItsNewKeys) {
  installSampleBank();
  const auto before = TestDAO("").getTestListWithType("ATEST", "1003");  // a question of batch 1
  ASSERT_EQ(before.size(), 1u);
  ASSERT_NE(before[0]["Title"].str(), "换了钥匙的题目");

  // The same bank with another key for batch 1 (stored under the Version 3 key after 5 characters),
  // and question 1003 enciphered with it.
  auto encipher = [](std::string plain, const std::string& key) {
    plain.resize((plain.size() + 7) / 8 * 8, '\0');
    return DESEncrypt::encrypte(plain, key).value_or("");
  };
  const std::string newKey = "NewKey01";
  const std::string rekeyed = home_ + "/GKSample.db";
  fs::copy_file(samplePath("GKSample.db"), rekeyed);
  auto db = SQLDatabase::databaseWithPath(rekeyed);
  ASSERT_TRUE(db->open());
  ASSERT_TRUE(db->executeUpdate("UPDATE DBVersion SET Time = ? WHERE BatchID = 1",
                                "ABCDE" + encipher(newKey, BaseDAO::kVersion3Key)));
  ASSERT_TRUE(
      db->executeUpdate("UPDATE Test SET TestContent = ? WHERE AID = 1003",
                        "pfx01" + encipher(R"({"AllTestID":1003,"Title":"换了钥匙的题目"})", newKey)));
  db->close();
  fs::create_directories(updateDir());
  ZipWrapper zip;
  ASSERT_TRUE(zip.CreateZipFile2(updateDir() + "/GKSample_rekeyed.zip"));
  ASSERT_TRUE(zip.addFileToZip(rekeyed, "GKSample.db"));
  ASSERT_TRUE(zip.CloseZipFile2());

  auto p = open(list({packet(6, "GKSample_rekeyed.zip")}));
  await(p);
  ASSERT_TRUE(p.outcome->result.load());
  const auto after = TestDAO("").getTestListWithType("ATEST", "1003");
  ASSERT_EQ(after.size(), 1u);
  EXPECT_EQ(after[0]["Title"].str(), "换了钥匙的题目");
}

TEST_F(UpdateRunTest, AnEmptyListFinishesAtOnceWithNo) {
  installSampleBank();
  placeText(updateDir(), "left-over.temp", "partial");
  auto p = open(core::Value::newArray());
  EXPECT_TRUE(p.vc->isRunStarted());
  await(p);
  EXPECT_EQ(p.outcome->completions.load(), 1);
  EXPECT_FALSE(p.outcome->result.load());
  EXPECT_FALSE(p.onWindow());
  EXPECT_FALSE(exists(updateDir()));
  EXPECT_EQ(bankBatch(), 2);
}

TEST_F(UpdateRunTest, SeveralApplicationPackagesAndUnusableNamesDoNotCrashTheRun) {
  installSampleBank();
  placeFile(softwareDir(), "Vardo_a.ipa", samplePath("GKSample_img_3.zip"));
  placeFile(softwareDir(), "Vardo_b.ipa", samplePath("GKSample_img_3.zip"));
  placeFile(updateDir(), "GKSample_img_3.zip", samplePath("GKSample_img_3.zip"));
  core::Value bad(core::Dictionary{{"packe_type", 3}, {"packege_url", server().origin() + "/packets/.."}});
  auto p =
      open(list({packet(4, "Vardo_a.ipa"), packet(3, "GKSample_img_3.zip"), packet(4, "Vardo_b.ipa"), bad}));
  await(p);
  EXPECT_EQ(p.outcome->completions.load(), 1);
  // The packet that names no file could not be applied.
  EXPECT_FALSE(p.outcome->result.load());
  EXPECT_TRUE(exists(imageDir() + "/gk_volcano.png"));
  // One package per run: the last one was handled, the first left alone.
  EXPECT_FALSE(exists(softwareDir() + "/Vardo_b.ipa"));
  EXPECT_TRUE(exists(softwareDir() + "/Vardo_a.ipa"));
}

// A pack whose tables lack a column the merge reads is refused whole, naming the table and the column:
// merged, it would blank the questions and content it updates. The bank stays byte for byte.
TEST_F(UpdateRunTest, APackLackingAColumnIsRefusedNamingTableAndColumn) {
  struct Case {
    const char* table;
    const char* column;
  };
  const Case cases[] = {
      {"Test", "AID"},
      {"Test", "GUID"},
      {"Test", "Type"},
      {"Test", "ID"},
      {"Test", "BatchID"},
      {"Test", "TestContent"},
      {"Test_Delete", "AID"},
      {"DBVersion", "Version"},
      {"DBVersion", "Time"},
      {"DBVersion", "BatchID"},
      {"OtherContent", "ID"},
      {"OtherContent", "Type"},
      {"OtherContent", "TID"},
      {"OtherContent", "KeyWord"},
      {"OtherContent", "Content"},
  };
  const std::string working = updateDir() + "/GKSample.db";
  const std::string pack = updateDir() + "/GKSample_up_2_3.db";
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.table) + "." + c.column);
    installSampleBank();
    const std::string original = readAll(bankPath());
    placeFile(updateDir(), "GKSample_up_2_3.db", samplePath("GKSample_up_2_3.db"));
    {
      auto db = SQLDatabase::databaseWithPath(pack);
      ASSERT_TRUE(db->open());
      ASSERT_TRUE(db->executeUpdate(std::string("alter table ") + c.table + " rename column " + c.column +
                                    " to Renamed" + c.column))
          << db->lastErrorMessage();
      db->close();
    }
    std::string refusal;
    EXPECT_FALSE(QuestionBank::mergePack(pack, bankPath(), working, &refusal));
    EXPECT_EQ(refusal, std::string("更新包的") + c.table + "表缺少" + c.column + "列");
    EXPECT_FALSE(exists(working));
    EXPECT_EQ(readAll(bankPath()), original);
  }

  // Through the run, the alert says so.
  installSampleBank();
  placeFile(updateDir(), "GKSample_up_2_3.db", samplePath("GKSample_up_2_3.db"));
  {
    auto db = SQLDatabase::databaseWithPath(pack);
    ASSERT_TRUE(db->open());
    ASSERT_TRUE(db->executeUpdate("alter table Test rename column TestContent to Content2"));
    db->close();
  }
  auto p = open(list({packet(1, "GKSample_up_2_3.db")}));
  await(p);
  EXPECT_FALSE(p.outcome->result.load());
  ASSERT_TRUE(runUntil([&] { return !alertMessages().empty(); }, 5));
  EXPECT_EQ(alertMessages(), std::vector<std::string>{"提示/更新失败：更新包的Test表缺少TestContent列"});
}

}  // namespace
}  // namespace updengine_test
