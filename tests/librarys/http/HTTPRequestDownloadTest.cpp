// Downloads to a file: the ".temp" file, resume by "Range", a fresh start when the server ignores it, a
// body cut short, gzip bodies inflated into place, the data callback, and replacing the destination.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/librarys/http/HTTPTestSupport.h"

namespace {

using namespace httptest;

std::string readAll(const std::string& path) {
  auto bytes = core::Paths::readFile(path);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

class Downloads : public LoopbackSuite {
 protected:
  void SetUp() override {
    dir = freshDir("download");
    destination = core::Paths::join(dir, "bank.zip");
    temporary = destination + ".temp";
  }
  std::shared_ptr<HTTPRequest> download(const std::string& path, bool resume = true) {
    auto r = makeRequest(path);
    r->setDownloadDestinationPath(destination);
    r->setTemporaryFileDownloadPath(temporary);
    r->setAllowResumeForFileDownloads(resume);
    return r;
  }
  std::string dir, destination, temporary;
};

TEST_F(Downloads, TheBodyGoesThroughTheTempFileIntoPlace) {
  auto r = download("/bytes?n=1000000");
  auto record = runAsync(r);
  ASSERT_FALSE(r->error()) << r->error()->description;
  EXPECT_TRUE(readAll(destination) == pattern(1000000));
  EXPECT_FALSE(core::Paths::fileExists(temporary));
  EXPECT_TRUE(r->rawResponseData().empty());  // nothing kept in memory
  EXPECT_EQ(record->bytesReceived, 1000000u);
}

TEST_F(Downloads, AResumeAsksForTheRestAndAppendsIt) {
  ASSERT_TRUE(core::Paths::atomicWrite(temporary, std::string_view(pattern(3000))));
  std::int64_t sizeIncrements = 0;
  auto r = download("/range?n=10000");
  r->setDownloadSizeIncrementedBlock([&](std::int64_t n) { sizeIncrements += n; });
  runAsync(r);
  ASSERT_FALSE(r->error()) << r->error()->description;
  EXPECT_EQ(r->partialDownloadSize(), 3000u);
  EXPECT_EQ(r->responseStatusCode(), 206);
  EXPECT_EQ(r->totalBytesRead(), 7000u);
  EXPECT_TRUE(readAll(destination) == pattern(10000));
  EXPECT_EQ(sizeIncrements, 10000);  // the remaining 7000 plus the 3000 on disk
}

TEST_F(Downloads, AServerThatIgnoresRangeStartsTheFileAfresh) {
  ASSERT_TRUE(core::Paths::atomicWrite(temporary, std::string_view(std::string(3000, 'x'))));
  std::int64_t sizeIncrements = 0;
  auto r = download("/range?n=10000&ignore=1");
  r->setDownloadSizeIncrementedBlock([&](std::int64_t n) { sizeIncrements += n; });
  runAsync(r);
  ASSERT_FALSE(r->error());
  EXPECT_EQ(r->responseStatusCode(), 200);
  EXPECT_EQ(r->partialDownloadSize(), 0u);
  EXPECT_TRUE(readAll(destination) == pattern(10000));  // not the 3000 old bytes in front
  EXPECT_EQ(sizeIncrements, 10000);                     // 13000 announced, 3000 taken back
}

TEST_F(Downloads, ABodyShorterThanItsLengthFailsAndKeepsTheTempForResume) {
  ASSERT_TRUE(core::Paths::atomicWrite(destination, std::string_view("old bank")));
  ASSERT_TRUE(core::Paths::atomicWrite(temporary, std::string_view(pattern(1000))));
  auto r = download("/drop?n=5000&at=2000");
  auto record = runAsync(r);
  ASSERT_TRUE(r->error());
  EXPECT_EQ(r->error()->code, ConnectionFailureErrorType);
  EXPECT_EQ(record->failed, 1);
  EXPECT_EQ(record->finished, 0);
  // What arrived waits in the temp file for the next resume; the destination is untouched.
  ASSERT_TRUE(core::Paths::fileExists(temporary));
  std::string kept = readAll(temporary);
  EXPECT_GT(kept.size(), 0u);
  EXPECT_LT(kept.size(), 5000u);
  EXPECT_TRUE(kept == pattern(kept.size()));
  EXPECT_EQ(readAll(destination), "old bank");

  // Without resume the partial file is removed.
  auto plain = download("/drop?n=5000&at=2000", false);
  runAsync(plain);
  ASSERT_TRUE(plain->error());
  EXPECT_FALSE(core::Paths::fileExists(temporary));
  EXPECT_EQ(readAll(destination), "old bank");
}

TEST_F(Downloads, ABodyCutShortWithoutAConnectionErrorIsNoSuccess) {
  // The head announces 100 bytes, 40 come, then the server closes: the end of the stream is not the end
  // of the body.
  std::string raw = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n" + pattern(40);
  auto r = makeRequest("/raw?b64=" + core::escapeComponent(HTTPRequest::base64forData(raw)));
  auto record = runAsync(r);
  ASSERT_TRUE(r->error());
  EXPECT_EQ(r->error()->code, ConnectionFailureErrorType);
  EXPECT_EQ(record->finished, 0);
}

TEST_F(Downloads, TheFinishedFileReplacesTheDestination) {
  ASSERT_TRUE(core::Paths::atomicWrite(destination, std::string_view("old bank")));
  struct stat before {};
  ASSERT_EQ(::stat(destination.c_str(), &before), 0);
  auto r = download("/bytes?n=5000");
  runAsync(r);
  ASSERT_FALSE(r->error());
  EXPECT_TRUE(readAll(destination) == pattern(5000));
  EXPECT_FALSE(core::Paths::fileExists(temporary));

  // A destination that cannot be replaced (a directory) fails with code 8 and leaves both files.
  std::string blocked = core::Paths::join(dir, "blocked");
  ASSERT_TRUE(core::Paths::createDirectories(core::Paths::join(blocked, "inside")));
  auto r2 = makeRequest("/bytes?n=10");
  r2->setDownloadDestinationPath(blocked);
  r2->setTemporaryFileDownloadPath(blocked + ".temp");
  runAsync(r2);
  ASSERT_TRUE(r2->error());
  EXPECT_EQ(r2->error()->code, FileManagementError);
  EXPECT_EQ(r2->error()->description, "Failed to move file from '" + blocked + ".temp' to '" + blocked + "'");
  EXPECT_TRUE(core::Paths::isDirectory(core::Paths::join(blocked, "inside")));
  EXPECT_TRUE(core::Paths::fileExists(blocked + ".temp"));
}

TEST_F(Downloads, AGzipBodyIsInflatedIntoTheDestination) {
  for (bool wait : {true, false}) {
    SCOPED_TRACE(wait);
    auto r = download("/bytes?n=300000&gzip=1", false);
    r->setShouldWaitToInflateCompressedResponses(wait);
    runAsync(r);
    ASSERT_FALSE(r->error()) << r->error()->description;
    EXPECT_TRUE(readAll(destination) == pattern(300000));
    EXPECT_FALSE(core::Paths::fileExists(temporary));
    EXPECT_TRUE(r->temporaryUncompressedDataDownloadPath().empty());
  }
}

TEST_F(Downloads, ADataCallbackTakesTheBodyOver) {
  std::string received;
  auto r = makeRequest("/bytes?n=100000&chunked=1");
  r->setDownloadDestinationPath(destination);
  r->setDataReceivedBlock([&](const std::string& data) { received += data; });
  runAsync(r);
  ASSERT_FALSE(r->error());
  EXPECT_TRUE(received == pattern(100000));
  EXPECT_FALSE(core::Paths::fileExists(destination));
  EXPECT_TRUE(r->rawResponseData().empty());
  // Unknown length: the length is what was read.
  EXPECT_EQ(r->contentLength(), 100000u);
}

TEST_F(Downloads, WithoutALengthProgressIsOneUnitAtTheEnd) {
  struct Progress : HTTPProgressDelegate {
    std::vector<float> values;
    std::vector<std::int64_t> received;
    void setProgress(float p) override { values.push_back(p); }
    void requestDidReceiveBytes(const std::shared_ptr<HTTPRequest>&, std::int64_t n) override {
      received.push_back(n);
    }
  };
  auto progress = std::make_shared<Progress>();
  auto r = makeRequest("/bytes?n=50000&chunked=1");
  r->setDownloadProgressDelegate(progress);
  runAsync(r);
  ASSERT_FALSE(r->error());
  ASSERT_FALSE(progress->values.empty());
  EXPECT_EQ(progress->values.front(), 0.0f);  // 0 of 1 at the start
  EXPECT_EQ(progress->received, (std::vector<std::int64_t>{1}));
  EXPECT_FALSE(r->showAccurateProgress());
}

}  // namespace
