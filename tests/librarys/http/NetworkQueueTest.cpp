// NetworkQueue against the loopback server's packet files (HEAD and Range): aggregate progress with and
// without HEAD pre-requests, the delegate's selectors, cancel-all on failure, refusal of non-requests,
// reset and copy.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "librarys/http/HTTPRequest.h"
#include "librarys/http/NetworkQueue.h"
#include "librarys/json/JsonParser.h"
#include "platform/core/Paths.h"
#include "platform/runloop/Operation.h"
#include "platform/runloop/RunLoop.h"
#include "tests/support/RunUntil.h"
#include "tests/support/TempDir.h"
#include "tools/testserver/apiserver/ApiServer.h"

namespace networkqueue_test {
namespace {

namespace fs = std::filesystem;

using testsupport::runUntil;

// One home for the program: the network thread reads it and must never see it change.
const auto* const kHome = ::testing::AddGlobalTestEnvironment(new testsupport::HomeEnvironment("vd-queue-home"));

// One loopback API server for the program: it serves the update packets with HEAD and Range.
testserver::ApiServer& server() {
  static testserver::ApiServer s;
  return s;
}

std::string samplePath(const std::string& name) { return testserver::ApiServer::defaultSampleDir() + "/" + name; }

std::uintmax_t sizeOf(const std::string& path) {
  std::error_code ec;
  auto n = fs::file_size(path, ec);
  return ec ? 0 : n;
}

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

// The journal entries of the packet files, oldest first.
std::vector<core::Value> packetRequests() {
  std::vector<core::Value> out;
  auto text = server().journal();
  if (!text) return out;
  core::Value doc = JSONValue(*text);
  for (const core::Value& e : doc["requests"].array())
    if (e["base"].toString() == "packets") out.push_back(e);
  return out;
}

// Records every notice the queue passes on, in order.
struct QueueRecorder : HTTPRequestDelegate {
  std::vector<std::string> events;
  std::map<std::string, long long> failureCodes;
  int queueFinished = 0;
  int requestsCountAtQueueFinished = -1;

  static std::string name(const std::shared_ptr<HTTPRequest>& r) {
    return r->url() ? core::Paths::lastComponent(r->url()->path) : "?";
  }
  void requestStarted(const std::shared_ptr<HTTPRequest>& r) override {
    events.push_back("started " + name(r));
  }
  void requestDidReceiveResponseHeaders(const std::shared_ptr<HTTPRequest>& r, const core::Value&) override {
    events.push_back("headers " + name(r));
  }
  void requestFinished(const std::shared_ptr<HTTPRequest>& r) override {
    events.push_back("finished " + name(r));
  }
  void requestFailed(const std::shared_ptr<HTTPRequest>& r) override {
    events.push_back("failed " + name(r));
    failureCodes[name(r)] = r->error() ? r->error()->code : 0;
  }
  int count(const std::string& prefix) const {
    return static_cast<int>(std::count_if(events.begin(), events.end(),
                                          [&](const std::string& e) { return e.rfind(prefix, 0) == 0; }));
  }
};

struct ProgressRecorder : HTTPProgressDelegate {
  std::vector<float> values;
  void setProgress(float p) override { values.push_back(p); }
};

class NetworkQueueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (server().port() == 0) {
      ASSERT_TRUE(server().start()) << server().failure();
    }
    ASSERT_TRUE(server().reset());
    ASSERT_FALSE(scratch_.path().empty());
    downloads_ = scratch_ / "downloads";
    fs::create_directories(downloads_);
  }
  void TearDown() override {
    runUntil([] { return HTTPRequest::sharedQueue().operationCount() == 0; }, 10);
    rl::RunLoop::main().runUntilIdle();
  }

  std::shared_ptr<HTTPRequest> download(const std::string& file) {
    auto r = HTTPRequest::requestWithURL(core::URL::parse(server().origin() + "/packets/" + file));
    r->setDownloadDestinationPath(downloads_ + "/" + file);
    r->setTemporaryFileDownloadPath(downloads_ + "/" + file + ".temp");
    return r;
  }

  // Every selector wired to the recorder.
  void wireAll(NetworkQueue& q) {
    q.setDelegate(recorder_);
    q.setRequestDidStartSelector([](HTTPRequestDelegate& d, const auto& r) { d.requestStarted(r); });
    q.setRequestDidReceiveResponseHeadersSelector(
        [](HTTPRequestDelegate& d, const auto& r, const core::Value& h) {
          d.requestDidReceiveResponseHeaders(r, h);
        });
    q.setRequestDidFinishSelector([](HTTPRequestDelegate& d, const auto& r) { d.requestFinished(r); });
    q.setRequestDidFailSelector([](HTTPRequestDelegate& d, const auto& r) { d.requestFailed(r); });
    wireQueueFinished(q);
  }
  void wireQueueFinished(NetworkQueue& q) {
    q.setDelegate(recorder_);
    q.setQueueDidFinishSelector([](HTTPRequestDelegate& d, const std::shared_ptr<NetworkQueue>& queue) {
      auto& rec = static_cast<QueueRecorder&>(d);
      ++rec.queueFinished;
      rec.requestsCountAtQueueFinished = queue->requestsCount();
    });
  }

  testsupport::TempDir scratch_{"vd-queue"};
  std::string downloads_;
  std::shared_ptr<QueueRecorder> recorder_ = std::make_shared<QueueRecorder>();
};

TEST_F(NetworkQueueTest, AccurateProgressLearnsEverySizeFromAHEADRequestFirst) {
  const std::vector<std::string> files = {"GKSample.zip", "GKSample_up_2_3.db", "GKSample_img_3.zip"};
  auto q = NetworkQueue::queue();
  EXPECT_TRUE(q->isSuspended());
  EXPECT_EQ(q->maxConcurrentOperationCount(), 4);
  wireAll(*q);
  q->setShowAccurateProgress(true);
  auto progress = std::make_shared<ProgressRecorder>();
  q->setDownloadProgressDelegate(progress);
  std::uintmax_t expected = 0;
  for (const auto& f : files) {
    ASSERT_TRUE(q->addOperation(download(f)));
    expected += sizeOf(samplePath(f));
  }
  EXPECT_EQ(q->requestsCount(), 3);
  // Suspended: nothing has been asked yet.
  EXPECT_TRUE(packetRequests().empty());
  q->go();
  ASSERT_TRUE(runUntil([&] { return recorder_->queueFinished > 0; }));

  EXPECT_EQ(recorder_->queueFinished, 1);
  EXPECT_EQ(recorder_->requestsCountAtQueueFinished, 0);
  EXPECT_EQ(recorder_->count("finished"), 3);
  EXPECT_EQ(recorder_->count("failed"), 0);
  EXPECT_EQ(q->totalBytesToDownload(), expected);
  EXPECT_EQ(q->bytesDownloadedSoFar(), expected);
  ASSERT_FALSE(progress->values.empty());
  EXPECT_FLOAT_EQ(progress->values.back(), 1.0f);
  for (float v : progress->values) EXPECT_LE(v, 1.0f);

  // Each file: one HEAD, answered before its GET was sent; the GET brought the whole file.
  auto journal = packetRequests();
  for (const auto& f : files) {
    int head = -1, get = -1;
    for (std::size_t i = 0; i < journal.size(); ++i) {
      if (core::Paths::lastComponent(journal[i]["path"].toString()) != f) continue;
      if (journal[i]["method"].toString() == "HEAD") head = static_cast<int>(i);
      if (journal[i]["method"].toString() == "GET") get = static_cast<int>(i);
    }
    EXPECT_GE(head, 0) << f;
    EXPECT_GT(get, head) << f;
    EXPECT_EQ(readAll(downloads_ + "/" + f), readAll(samplePath(f))) << f;
  }
}

TEST_F(NetworkQueueTest, WithoutAccurateProgressEachRequestIsOneUnitAndUnsetSelectorsAreNotCalled) {
  auto q = NetworkQueue::queue();
  // Only the finish and queue-finished selectors are set.
  wireQueueFinished(*q);
  q->setRequestDidFinishSelector([](HTTPRequestDelegate& d, const auto& r) { d.requestFinished(r); });
  for (const auto& f : {"GKSample.zip", "GKSample_up_2_3.db", "GKSample_img_3.zip"})
    ASSERT_TRUE(q->addOperation(download(f)));
  EXPECT_EQ(q->totalBytesToDownload(), 3u);
  EXPECT_EQ(q->totalBytesToUpload(), 3u);
  q->go();
  ASSERT_TRUE(runUntil([&] { return recorder_->queueFinished > 0; }));

  EXPECT_EQ(q->bytesDownloadedSoFar(), 3u);
  EXPECT_EQ(recorder_->count("finished"), 3);
  EXPECT_EQ(recorder_->count("started"), 0);
  EXPECT_EQ(recorder_->count("headers"), 0);
  for (const auto& e : packetRequests()) EXPECT_EQ(e["method"].toString(), "GET");
}

TEST_F(NetworkQueueTest, ARequestAddedAfterGoGetsNoHEADRequest) {
  auto q = NetworkQueue::queue();
  wireAll(*q);
  q->setShowAccurateProgress(true);
  q->go();
  ASSERT_TRUE(q->addOperation(download("GKSample_img_3.zip")));
  ASSERT_TRUE(runUntil([&] { return recorder_->queueFinished > 0; }));
  auto journal = packetRequests();
  ASSERT_EQ(journal.size(), 1u);
  EXPECT_EQ(journal[0]["method"].toString(), "GET");
  EXPECT_EQ(recorder_->count("finished"), 1);
}

TEST_F(NetworkQueueTest, TheFirstFailureCancelsTheRestAndTheQueueFinishesOnce) {
  // One packet's connection is dropped; the others come slowly, so they are still running then.
  ASSERT_TRUE(server().fault(R"([{"path":"/packets/GKSample_img_3.zip","method":"GET","drop":true,"count":3},
      {"path":"/packets/GKSample.zip","method":"GET","throttle":2000},
      {"path":"/packets/GKSample_up_2_3.db","method":"GET","throttle":2000}])"));
  auto q = NetworkQueue::queue();
  EXPECT_TRUE(q->shouldCancelAllRequestsOnFailure());
  wireAll(*q);
  for (const auto& f : {"GKSample.zip", "GKSample_up_2_3.db", "GKSample_img_3.zip"})
    ASSERT_TRUE(q->addOperation(download(f)));
  q->go();
  ASSERT_TRUE(runUntil([&] { return recorder_->count("failed") == 3; }));
  ASSERT_TRUE(runUntil([&] { return recorder_->queueFinished > 0; }, 5));

  EXPECT_EQ(recorder_->queueFinished, 1);
  EXPECT_EQ(recorder_->count("finished"), 0);
  EXPECT_EQ(recorder_->failureCodes["GKSample_img_3.zip"], ConnectionFailureErrorType);
  EXPECT_EQ(recorder_->failureCodes["GKSample.zip"], RequestCancelledErrorType);
  EXPECT_EQ(recorder_->failureCodes["GKSample_up_2_3.db"], RequestCancelledErrorType);
  EXPECT_EQ(q->requestsCount(), 0);
  EXPECT_FALSE(exists(downloads_ + "/GKSample.zip"));
}

TEST_F(NetworkQueueTest, AnythingButARequestIsRefused) {
  auto q = NetworkQueue::queue();
  EXPECT_FALSE(q->addOperation(rl::BlockOperation::make([] {})));
  ASSERT_TRUE(q->lastError().has_value());
  EXPECT_EQ(q->lastError()->domain, "AttemptToAddInvalidRequest");
  EXPECT_EQ(q->lastError()->description,
            "Attempted to add an object that was not an HTTPRequest to an NetworkQueue");
  EXPECT_FALSE(q->addOperation(nullptr));
  EXPECT_EQ(q->requestsCount(), 0);
  EXPECT_EQ(q->operationCount(), 0u);
}

TEST_F(NetworkQueueTest, ResetForgetsTheDelegateAndSuspendsWhileCopyKeepsTheSettings) {
  auto q = NetworkQueue::queue();
  wireAll(*q);
  q->setRequestWillRedirectSelector([](HTTPRequestDelegate&, const auto&, const core::URL&) {});
  auto progress = std::make_shared<ProgressRecorder>();
  q->setDownloadProgressDelegate(progress);
  q->setUploadProgressDelegate(progress);
  q->setShowAccurateProgress(true);
  q->setShouldCancelAllRequestsOnFailure(false);
  q->setUserInfo(core::Value(core::Dictionary{{"k", "v"}}));

  auto c = q->copy();
  EXPECT_EQ(c->delegate().lock(), recorder_);
  EXPECT_TRUE(c->hasRequestDidStartSelector() && c->hasRequestDidFailSelector() &&
              c->hasQueueDidFinishSelector() && c->hasRequestWillRedirectSelector());
  EXPECT_EQ(c->downloadProgressDelegate().lock(), progress);
  EXPECT_TRUE(c->showAccurateProgress());
  EXPECT_FALSE(c->shouldCancelAllRequestsOnFailure());
  EXPECT_EQ(c->userInfo()["k"].toString(), "v");
  EXPECT_FALSE(c->userInfo().sameAs(q->userInfo()));
  EXPECT_TRUE(c->respondsToRequestWillRedirectToURL());

  ASSERT_TRUE(q->addOperation(download("GKSample_img_3.zip")));
  q->go();
  q->reset();
  EXPECT_TRUE(q->isSuspended());
  EXPECT_TRUE(q->delegate().expired());
  EXPECT_TRUE(q->downloadProgressDelegate().expired());
  EXPECT_TRUE(q->uploadProgressDelegate().expired());
  EXPECT_FALSE(q->hasRequestDidStartSelector() || q->hasRequestDidReceiveResponseHeadersSelector() ||
               q->hasRequestDidFinishSelector() || q->hasRequestDidFailSelector() ||
               q->hasQueueDidFinishSelector());
  EXPECT_EQ(q->totalBytesToDownload(), 0u);
  // The cancelled request tells nobody.
  ASSERT_TRUE(runUntil([&] { return q->requestsCount() == 0; }, 10));
  EXPECT_EQ(recorder_->queueFinished, 0);
  EXPECT_TRUE(recorder_->events.empty());
}

}  // namespace
}  // namespace networkqueue_test
