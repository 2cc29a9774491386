#pragma once
// The end of a run under test: the answering screen's fixture (temporary home, loopback API server,
// application on the UI harness, subject GKSample) with the sample question bank installed, a user
// logged in locally (the session as a login leaves it) and the reply logs the server received.

#include <filesystem>
#include <string>
#include <vector>

#include "app/VDHelper.h"
#include "exam/sets/LastLearningRecordFile.h"
#include "exam/sets/LearningRecordFile.h"
#include "platform/core/PropertyList.h"
#include "platform/core/PropertyListWriter.h"
#include "platform/runloop/BlockingCall.h"
#include "tests/exam/answering/AnsweringFixture.h"

namespace runend_test {

class RunEnd : public answering_test::AnsweringFixture {
 protected:
  void SetUp() override {
    AnsweringFixture::SetUp();
    VDHelper::installBankLocation();
  }

  void installSampleBank() {
    const auto sample = std::filesystem::path(testserver::ApiServer::defaultSampleDir()) / "GKSample.db";
    std::filesystem::copy_file(sample, VDHelper::dbSavePath() + "/GKSample.db",
                               std::filesystem::copy_options::overwrite_existing);
  }
  void loginAs(const std::string& user) {
    app().userSession().set("userInfo", core::Dictionary{{"ID", 1}, {"UserName", user}, {"NickName", user}});
  }
  void logout() { app().userSession().remove("userInfo"); }

  // The bodies of the reply logs the server received, oldest first (after the worker and the HTTP
  // client have finished).
  std::vector<core::Value> replyLogs() {
    rl::DispatchQueue::global().waitIdle();
    settleRequests();
    std::vector<core::Value> out;
    for (const core::Value& r : requests("/replylog")) out.push_back(JSONValue(r["body"].toString()));
    return out;
  }

  static std::string historyPath(const std::string& user) {
    return *LearningRecordFile::pathFor(VDHelper::learningRecordSavePath(), user);
  }
  static std::string lastPath(const std::string& user) {
    return *LearningRecordFile::pathFor(VDHelper::lastLearningRecordSavePath(), user);
  }
  // The disk once the writes the application queued have landed (the test may wait; the screen never).
  static bool onDisk(const std::string& path) {
    rl::ScopedAllowBlocking test;
    core::PropertyListWriter::shared().flush();
    return std::filesystem::exists(path);
  }
};

}  // namespace runend_test
