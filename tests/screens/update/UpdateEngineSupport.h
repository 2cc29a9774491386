#pragma once
// Shared pieces of the update-engine tests: one loopback API server for the test program (it serves the
// update packets with HEAD and Range), a temporary VARDO_HOME per test with the sample subject chosen,
// the UI harness (main thread, manual clock), a bounded driver of the main run loop, and helpers to open
// the update panel on the window and to look at the storage it works in.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/VDHelper.h"
#include "app/VDLogHelper.h"
#include "dao/BankLocation.h"
#include "dao/DBVersionDAO.h"
#include "librarys/http/HTTPRequest.h"
#include "librarys/json/JsonParser.h"
#include "librarys/sqldb/SQLDatabase.h"
#include "platform/core/Bundle.h"
#include "platform/core/Paths.h"
#include "platform/core/Text.h"
#include "platform/core/UserDefaults.h"
#include "platform/core/Value.h"
#include "platform/runloop/RunLoop.h"
#include "platform/system/Installer.h"
#include "screens/update/UpdateSoftwareViewController.h"
#include "tests/support/RunUntil.h"
#include "tests/support/ScopedOverride.h"
#include "tests/support/SampleFiles.h"
#include "tests/support/TempDir.h"
#include "tools/testserver/apiserver/ApiServer.h"
#include "ui/test/Harness.h"

namespace updengine_test {

namespace fs = std::filesystem;

using testsupport::runUntil;

inline testserver::ApiServer& server() {
  static testserver::ApiServer s;
  return s;
}

inline std::string sampleDir() { return testserver::ApiServer::defaultSampleDir(); }
inline std::string samplePath(const std::string& name) { return sampleDir() + "/" + name; }

inline std::uintmax_t sizeOf(const std::string& path) {
  std::error_code ec;
  auto n = fs::file_size(path, ec);
  return ec ? 0 : n;
}

using testsupport::exists;
using testsupport::readAll;

inline ino_t inodeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// What the panel's caller saw (the completion block runs on the update run's thread).
struct Outcome {
  std::atomic<int> completions{0};
  std::atomic<int> stops{0};
  std::atomic<bool> result{false};
};

struct Panel {
  std::shared_ptr<UpdateSoftwareViewController> vc;
  std::shared_ptr<Outcome> outcome;
  // The panel has ended: stopped, or its run has finished.
  bool ended() const { return vc->isStopped() || vc->isRunFinished(); }
  bool onWindow() const { return vc->viewIfLoaded() && vc->viewIfLoaded()->window() != nullptr; }
};

// The journal entries of the packet files, oldest first.
inline std::vector<core::Value> packetRequests() {
  std::vector<core::Value> out;
  auto text = server().journal();
  if (!text) return out;
  core::Value doc = JSONValue(*text);
  for (const core::Value& e : doc["requests"].array())
    if (e["base"].toString() == "packets") out.push_back(e);
  return out;
}

inline std::optional<std::string> requestHeader(const core::Value& entry, const std::string& name) {
  for (const core::Value& h : entry["headers"].array())
    if (core::equalsIgnoringCase(h[0].toString(), name)) return h[1].toString();
  return std::nullopt;
}

class UpdateFixture : public ::testing::Test {
 protected:
  static constexpr const char* kSubject = "GKSample";

  void SetUp() override {
    if (server().port() == 0) {
      ASSERT_TRUE(server().start()) << server().failure();
    }
    ASSERT_TRUE(server().reset());
    homeTemp_ = std::make_unique<testsupport::TempHome>("vd-update");
    home_ = homeTemp_->path();
    ASSERT_FALSE(home_.empty());
    core::Bundle::resetMain();
    VDLogHelper::resetSharedInstance();
    harness_ = std::make_unique<ui::test::Harness>();
    ASSERT_TRUE(
        VDHelper::saveQuoteProduct(core::Dictionary{{"Key", "常识综合（样例）"}, {"Value", kSubject}}));
    BankLocation location;
    location.dbSavePath = [] { return VDHelper::dbSavePath(); };
    location.appName = [] { return VDHelper::getSubjectEName(); };
    location.downloadCacheDirectoryUpdate = [] { return VDHelper::downloadCacheDirectoryUpdate(); };
    bank_.emplace(BankLocation::set, std::move(location), BankLocation::current());
  }

  void TearDown() override {
    // Panels still working are stopped or waited for; requests still cancelling end before the harness.
    for (auto& p : panels_) {
      if (!p.vc->isRunStarted() && !p.vc->isStopped()) p.vc->cancelClick();
      runUntil([&] { return p.ended(); }, 30);
      runUntil(
          [&] {
            for (const auto& r : p.vc->downloadRequestArr())
              if (!r->complete() && !r->isCancelled()) return false;
            return true;
          },
          10);
    }
    rl::RunLoop::main().runUntilIdle();
    panels_.clear();
    bank_.reset();
    harness_.reset();
    homeTemp_.reset();
    VDLogHelper::resetSharedInstance();
  }

  ui::test::Harness& h() { return *harness_; }

  // A packet of the update list served by the test server.
  static core::Value packet(int type, const std::string& file) {
    return core::Value(core::Dictionary{{"packe_type", type},
                                        {"packege_url", server().origin() + "/packets/" + file},
                                        {"update_content", "test"}});
  }
  static core::Value list(std::initializer_list<core::Value> items) {
    core::Value l = core::Value::newArray();
    for (const auto& i : items) l.push_back(i);
    return l;
  }

  // Storage of the chosen subject (paths built without creating anything).
  static std::string bankPath() { return VDHelper::getDirectory("/db/GKSample.db"); }
  static std::string updateDir() { return VDHelper::getDirectory("/downloadCache/Update_GKSample"); }
  static std::string cacheDir() { return VDHelper::getDirectory("/downloadCache/GKSample"); }
  static std::string softwareDir() { return VDHelper::getDirectory("/downloadCache/iphone"); }
  static std::string imageDir() { return VDHelper::getDirectory("/imgcache/GKSample"); }

  // The sample bank (batches 1 and 2) as the live bank.
  static void installSampleBank() {
    fs::create_directories(fs::path(bankPath()).parent_path());
    fs::copy_file(samplePath("GKSample.db"), bankPath(), fs::copy_options::overwrite_existing);
  }
  // A file put where a download would have left it.
  static void placeFile(const std::string& directory, const std::string& name, const std::string& from) {
    fs::create_directories(directory);
    fs::copy_file(from, directory + "/" + name, fs::copy_options::overwrite_existing);
  }
  static void placeText(const std::string& directory, const std::string& name, const std::string& text) {
    fs::create_directories(directory);
    std::ofstream(directory + "/" + name, std::ios::binary) << text;
  }

  static std::int64_t bankBatch() { return DBVersionDAO().getMaxBatchID(bankPath()); }
  static int bankCount(const std::string& sql) {
    auto db = SQLDatabase::databaseWithPath(bankPath());
    if (!db || !db->open()) return -1;
    int n = db->intForQuery(sql);
    db->close();
    return n;
  }

  // Opens the panel on the window as the question-bank check does; loading it starts the download.
  Panel open(core::Value packets, int status = 0) {
    Panel p{std::make_shared<UpdateSoftwareViewController>(), std::make_shared<Outcome>()};
    p.vc->setUpdateUrlArray(std::move(packets));
    p.vc->setStatus(status);
    p.vc->setBandwidthSource(bandwidth_);
    p.vc->setInstaller(installer_);
    auto outcome = p.outcome;
    p.vc->setCompleteBlock([outcome](bool ok) {
      outcome->result = ok;
      ++outcome->completions;
    });
    p.vc->setStopBlock([outcome] { ++outcome->stops; });
    h().window().addOverlay(p.vc);
    panels_.push_back(p);
    return p;
  }

  // Drives the main loop until the panel has ended.
  static void await(const Panel& p, double seconds = 40) {
    ASSERT_TRUE(runUntil([&] { return p.ended(); }, seconds)) << "the panel did not end in time";
  }

  // The bandwidth the panels opened from now on read (empty: the HTTP client's measurement).
  std::function<unsigned long()> bandwidth_;
  // The installer the panels opened from now on hand application packages to (default: the platform's).
  sys::Installer installer_;
  std::unique_ptr<testsupport::TempHome> homeTemp_;
  std::string home_;
  std::unique_ptr<ui::test::Harness> harness_;
  std::vector<Panel> panels_;
  std::optional<testsupport::ScopedOverride<BankLocation>> bank_;
};

}  // namespace updengine_test
