#pragma once
// The records screens under test: the review lists' fixture (temporary home, loopback API server over
// the sample bank's first state, every screen registered with a recording answering screen, GKSample
// chosen and installed, user01 logged in), with question sets written by hand, the history file of a
// user written as the answering screen writes it, and the usage events recorded.

#include <string>
#include <vector>

#include "app/VDAppStatistics.h"
#include "exam/sets/LearningRecordFile.h"
#include "platform/core/PropertyList.h"
#include "platform/runloop/BlockingCall.h"
#include "platform/runloop/DispatchQueue.h"
#include "statistics/UsageStats.h"
#include "statistics/UsageStatsInternal.h"
#include "tests/screens/review/ReviewFixture.h"

namespace records_test {

using review_test::kSubject;
using review_test::ReviewFixture;

// The sample bank's arithmetic chapter: single-choice questions 1301-1338 and true/false 1339-1342,
// one question per id; text questions of the science chapter: 1216 (JDTEST).
inline std::string idRange(int from, int to) {
  std::string ids;
  for (int id = from; id <= to; ++id) ids += (ids.empty() ? "" : ",") + std::to_string(id);
  return ids;
}

// A question set of sessions {type, ids}: {"ID", "Name", "Sessions": [{"Type", "<P>Testid"}]}.
struct Session {
  const char* type;  // "ATEST", "PDTEST", "JDTEST"
  std::string ids;
};
inline core::Value questionSet(const std::string& name, const std::vector<Session>& sessions) {
  core::Value list = core::Value::newArray();
  for (const auto& s : sessions) {
    std::string prefix = s.type;
    prefix = prefix.substr(0, prefix.size() - 4);  // "ATEST" -> "A"
    list.push_back(core::Dictionary{{"Type", s.type}, {prefix + "Testid", s.ids}});
  }
  return core::Dictionary{{"ID", 0}, {"Name", name}, {"Sessions", list}};
}
inline std::string replyText(const core::Value& body) {
  return JSONRepresentation(core::Dictionary{{"Body", body}, {"Message", ""}}).value_or("");
}

class RecordsFixture : public ReviewFixture {
 protected:
  void SetUp() override {
    ReviewFixture::SetUp();
    UsageStats::reset();
    UsageStats::sharedInternal()->setAppKey(VDAppStatistics::kAppKey);
  }

  // The events recorded, as "tag" or "tag|label".
  static std::vector<std::string> events() {
    std::vector<std::string> out;
    for (const auto& e : UsageStats::sharedInternal()->snapshot().events) {
      const std::string tag = e["tag"].toString();
      const std::string label = e["label"].toString();
      out.push_back(label.empty() || label == tag ? tag : tag + "|" + label);
    }
    return out;
  }

  // The history file of `user`, written whole.
  static std::string historyPath(const std::string& user) {
    return *LearningRecordFile::pathFor(VDHelper::learningRecordSavePath(), user);
  }
  static void writeHistory(const std::string& user, const core::Value& banks) {
    rl::ScopedAllowBlocking setUp;  // the test's own writes, not the application's
    ASSERT_TRUE(core::PropertyList::writeFile(historyPath(user), banks));
  }
  // A learning record as the answering screen stores one.
  static core::Value record(int mode, const std::string& chapter, const std::string& saveTime,
                            const core::Value& set, const std::vector<std::pair<std::string, std::string>>& replies,
                            const std::string& currentID) {
    core::Value tests = core::Value::newArray();
    for (const auto& [id, reply] : replies) tests.push_back(core::Dictionary{{"AllTestID", id}, {"Reply", reply}});
    return core::Dictionary{
        {"ReplyRecord", core::Dictionary{{"ExamingMode", mode},
                                         {"ChapterName", chapter},
                                         {"SaveTime", saveTime},
                                         {"TestsRecord", tests},
                                         {"CurrentID", currentID}}},
        {"TestsJSON", replyText(set)}};
  }
};

}  // namespace records_test
