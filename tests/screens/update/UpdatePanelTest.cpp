// The update panel on the window: parallel downloads with aggregate progress, speed, remaining time and
// traffic; stop and resume from ".temp"; the labels of its kinds of lists; a list with nothing to fetch;
// an error page that fails the download.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <map>
#include <string>

#include "librarys/http/NetworkQueue.h"
#include "tests/screens/update/UpdateEngineSupport.h"

namespace updengine_test {
namespace {

class UpdatePanelTest : public UpdateFixture {};

TEST_F(UpdatePanelTest, FourPacketsDownloadInParallelWithProgressAndAreApplied) {
  // No application watches the network here: the traffic counts as off Wi-Fi.
  bandwidth_ = [] { return 2ul * 1024 * 1024; };
  const std::vector<std::pair<int, std::string>> packets = {
      {6, "GKSample.zip"}, {1, "GKSample_up_2_3.db"}, {3, "GKSample_img_3.zip"}, {4, "Vardo_iphone_1.1.ipa"}};
  core::Value l = core::Value::newArray();
  for (const auto& [type, file] : packets) l.push_back(packet(type, file));
  auto p = open(l);

  ASSERT_TRUE(p.vc->networkQueue());
  EXPECT_EQ(p.vc->networkQueue()->maxConcurrentOperationCount(), 4);
  EXPECT_EQ(p.vc->downloadRequestArr().size(), 4u);
  EXPECT_EQ(p.vc->packeTypeArr(), (std::vector<std::string>{"6", "1", "3", "4"}));
  EXPECT_TRUE(p.onWindow());
  ASSERT_TRUE(runUntil([&] { return p.vc->isRunStarted() || p.ended(); }));
  // The queue is done: its title says that an application package is being installed.
  EXPECT_EQ(p.vc->titleLabel()->text(), "正在安装，即将退出...");
  EXPECT_FLOAT_EQ(p.vc->processView()->progress(), 1.0f);
  EXPECT_EQ(p.vc->lblCurrentBytes()->text(), "已下载  100.00%");
  EXPECT_EQ(p.vc->lblDownloadSpeed()->text(), "速度  2MB/S");
  EXPECT_EQ(p.vc->lblRemainingTime()->text(), "剩余  0秒");
  // The sizes the responses announced: every packet, byte for byte.
  std::uintmax_t total = 7936;  // the application package the server makes
  for (std::size_t i = 0; i + 1 < packets.size(); ++i) total += sizeOf(samplePath(packets[i].second));
  EXPECT_EQ(p.vc->totalSize(), static_cast<double>(total));
  EXPECT_EQ(p.vc->lblTotalBytes()->text(), "总共  0.06 MB");  // 61.5 KiB of sample packets
  EXPECT_EQ(VDLogHelper::sharedInstance()->getDayBytes(VDLogHelper::dayKey(core::Date::now())),
            static_cast<std::int64_t>(total));

  // Every size was learnt by a HEAD request before the download of that packet.
  auto journal = packetRequests();
  EXPECT_EQ(journal.size(), 8u);
  for (const auto& [type, file] : packets) {
    int head = -1, get = -1;
    for (std::size_t i = 0; i < journal.size(); ++i) {
      if (core::Paths::lastComponent(journal[i]["path"].toString()) != file) continue;
      (journal[i]["method"].toString() == "HEAD" ? head : get) = static_cast<int>(i);
    }
    EXPECT_GE(head, 0) << file;
    EXPECT_GT(get, head) << file;
  }

  await(p);
  EXPECT_EQ(p.outcome->completions.load(), 1);
  EXPECT_TRUE(p.outcome->result.load());
  EXPECT_EQ(p.outcome->stops.load(), 0);
  EXPECT_FALSE(p.onWindow());
  EXPECT_EQ(h().alert(), nullptr);
  // The new bank came in and the update pack was merged into it; both image packs are unpacked.
  EXPECT_EQ(bankBatch(), 3);
  EXPECT_TRUE(exists(imageDir() + "/gk_map500.png"));
  EXPECT_TRUE(exists(imageDir() + "/gk_volcano.png"));
  // The download directories are gone; the package could not be installed here and is not kept.
  EXPECT_FALSE(exists(updateDir()));
  EXPECT_FALSE(exists(cacheDir()));
  EXPECT_FALSE(exists(softwareDir() + "/Vardo_iphone_1.1.ipa"));
}

TEST_F(UpdatePanelTest, AStoppedDownloadResumesFromItsTempFilesInTheNextPanel) {
  installSampleBank();
  // Slow answers, so that the stop button comes in the middle of both downloads.
  ASSERT_TRUE(server().fault(R"([{"path":"/packets/GKSample.zip","method":"GET","throttle":4000},
      {"path":"/packets/GKSample_up_2_3.db","method":"GET","throttle":4000}])"));
  const core::Value packets = list({packet(6, "GKSample.zip"), packet(1, "GKSample_up_2_3.db")});
  auto first = open(packets);
  ASSERT_TRUE(runUntil([&] { return first.vc->currentSize() > 2000; }));
  EXPECT_GT(first.vc->processView()->progress(), 0.0f);
  ASSERT_TRUE(h().tap(*first.vc->down_btn()));
  EXPECT_TRUE(first.vc->isStopped());
  EXPECT_EQ(first.outcome->stops.load(), 1);
  EXPECT_FALSE(first.onWindow());
  ASSERT_TRUE(runUntil([&] {
    for (const auto& r : first.vc->downloadRequestArr())
      if (!r->complete()) return false;
    return true;
  }));
  EXPECT_EQ(first.outcome->completions.load(), 0);

  // What arrived stays in the ".temp" files.
  const std::string zipTemp = updateDir() + "/GKSample.zip.temp";
  const std::string packTemp = updateDir() + "/GKSample_up_2_3.db.temp";
  const auto zipPart = sizeOf(zipTemp), packPart = sizeOf(packTemp);
  EXPECT_GT(zipPart, 0u);
  EXPECT_LT(zipPart, sizeOf(samplePath("GKSample.zip")));
  EXPECT_GT(packPart, 0u);
  EXPECT_LT(packPart, sizeOf(samplePath("GKSample_up_2_3.db")));
  EXPECT_FALSE(exists(updateDir() + "/GKSample.zip"));

  ASSERT_TRUE(server().clearJournal());
  const auto today = VDLogHelper::dayKey(core::Date::now());
  const std::int64_t trafficBefore = VDLogHelper::sharedInstance()->getDayBytes(today);
  auto second = open(packets);
  await(second);
  EXPECT_TRUE(second.outcome->result.load());
  // Each download went on where the first one stopped, and the full sizes came from "Content-Range".
  std::map<std::string, std::string> ranges;
  for (const auto& e : packetRequests())
    if (e["method"].toString() == "GET")
      ranges[core::Paths::lastComponent(e["path"].toString())] = requestHeader(e, "Range").value_or("");
  EXPECT_EQ(ranges["GKSample.zip"], "bytes=" + std::to_string(zipPart) + "-");
  EXPECT_EQ(ranges["GKSample_up_2_3.db"], "bytes=" + std::to_string(packPart) + "-");
  EXPECT_EQ(second.vc->totalSize(), static_cast<double>(sizeOf(samplePath("GKSample.zip")) +
                                                        sizeOf(samplePath("GKSample_up_2_3.db"))));
  EXPECT_FLOAT_EQ(second.vc->processView()->progress(), 1.0f);
  // Only what this run fetched is new traffic.
  EXPECT_EQ(
      VDLogHelper::sharedInstance()->getDayBytes(today) - trafficBefore,
      static_cast<std::int64_t>(second.vc->totalSize()) - static_cast<std::int64_t>(zipPart + packPart));
  // The resumed files are whole: the bank they made is the updated one.
  EXPECT_EQ(bankBatch(), 3);
  EXPECT_FALSE(exists(updateDir()));
}

TEST_F(UpdatePanelTest, OneApplicationPackageShowsTheInstallTextsAndCanBeStopped) {
  // The answers wait, so the panel is still downloading while it is looked at.
  ASSERT_TRUE(server().fault(R"({"path":"/packets/Vardo_iphone_1.1.ipa","delay":3})"));
  auto p = open(list({packet(4, "Vardo_iphone_1.1.ipa")}));
  EXPECT_FALSE(p.vc->isHaveUpdateLibraryVersion());
  EXPECT_EQ(p.vc->titleLabel()->text(), "正在安装，请稍等");
  EXPECT_EQ(p.vc->lblTotalBytes()->text(), "已完成：  ");
  EXPECT_EQ(h().label("已完成：  "), p.vc->lblTotalBytes());
  EXPECT_TRUE(p.vc->lblCurrentBytes()->isHidden());
  EXPECT_TRUE(p.vc->lblDownloadSpeed()->isHidden());
  EXPECT_TRUE(p.vc->lblRemainingTime()->isHidden());
  ui::Button* stop = h().button("停止安装");
  ASSERT_EQ(stop, p.vc->down_btn());
  ASSERT_TRUE(h().tap(*stop));
  EXPECT_TRUE(p.vc->isStopped());
  EXPECT_EQ(p.outcome->stops.load(), 1);
  EXPECT_FALSE(p.onWindow());
}

TEST_F(UpdatePanelTest, AMandatoryNewBankDownloadCannotBeStopped) {
  ASSERT_TRUE(server().fault(R"({"path":"/packets/GKSample.zip","method":"HEAD","delay":1})"));
  auto p = open(list({packet(6, "GKSample.zip")}), UpdateSoftwareViewController::kMandatoryUpdateStatus);
  EXPECT_EQ(p.vc->titleLabel()->text(), "题库下载");
  EXPECT_FALSE(p.vc->down_btn()->isEnabled());
  EXPECT_FALSE(h().tap(*p.vc->down_btn()));
  EXPECT_FALSE(p.vc->isStopped());
  await(p);
  EXPECT_EQ(p.outcome->stops.load(), 0);
  EXPECT_TRUE(p.outcome->result.load());
  EXPECT_EQ(bankBatch(), 2);
  EXPECT_TRUE(exists(imageDir() + "/gk_compass.PNG"));
}

TEST_F(UpdatePanelTest, ListWhoseFilesAreAllPresentStartsTheRunAtOnce) {
  placeFile(updateDir(), "GKSample_img_3.zip", samplePath("GKSample_img_3.zip"));
  auto p = open(list({packet(3, "GKSample_img_3.zip")}));
  // Before the main loop has run once.
  EXPECT_TRUE(p.vc->isRunStarted());
  EXPECT_TRUE(p.vc->downloadRequestArr().empty());
  EXPECT_EQ(p.vc->titleLabel()->text(), "下载完毕");
  EXPECT_EQ(p.vc->lblTotalBytes()->text(), "已完成：100%");
  EXPECT_FLOAT_EQ(p.vc->processView()->progress(), 1.0f);
  EXPECT_FALSE(p.vc->down_btn()->isUserInteractionEnabled());
  await(p);
  EXPECT_TRUE(p.outcome->result.load());
  EXPECT_TRUE(exists(imageDir() + "/gk_volcano.png"));
  EXPECT_TRUE(packetRequests().empty());
  EXPECT_FALSE(exists(updateDir()));
}

TEST_F(UpdatePanelTest, AnErrorPageFailsTheDownloadAndIsNotKept) {
  installSampleBank();
  ASSERT_TRUE(server().fault(
      R"({"path":"/packets/GKSample_img_3.zip","method":"GET","status":404,"body":"<html>not found</html>","content_type":"text/html"})"));
  auto p = open(list({packet(3, "GKSample_img_3.zip")}));
  await(p);
  EXPECT_TRUE(p.vc->isStopped());
  EXPECT_EQ(p.outcome->stops.load(), 1);
  EXPECT_EQ(p.outcome->completions.load(), 0);
  EXPECT_FALSE(p.onWindow());
  ASSERT_TRUE(runUntil([&] { return p.vc->downloadRequestArr().front()->complete(); }));
  rl::RunLoop::main().runUntilIdle();
  // Neither the packet nor a ".temp" to resume holds the error page.
  EXPECT_FALSE(exists(updateDir() + "/GKSample_img_3.zip"));
  EXPECT_FALSE(exists(updateDir() + "/GKSample_img_3.zip.temp"));
  EXPECT_FALSE(exists(imageDir() + "/gk_volcano.png"));
}

TEST_F(UpdatePanelTest, WithoutAMeasuredBandwidthTheChunksStillCountAsTraffic) {
  bandwidth_ = [] { return 0ul; };
  auto p = open(list({packet(2, "GKSample_img_3.zip")}));  // a type the run does not apply
  await(p);
  EXPECT_TRUE(p.outcome->result.load());
  EXPECT_EQ(p.vc->lblDownloadSpeed()->text(), "");
  EXPECT_EQ(p.vc->lblRemainingTime()->text(), "");
  EXPECT_EQ(p.vc->lblCurrentBytes()->text(), "已下载  100.00%");
  EXPECT_EQ(VDLogHelper::sharedInstance()->getDayBytes(VDLogHelper::dayKey(core::Date::now())),
            static_cast<std::int64_t>(sizeOf(samplePath("GKSample_img_3.zip"))));
  // Downloaded, not applied, removed with the directories.
  EXPECT_FALSE(exists(imageDir() + "/gk_volcano.png"));
  EXPECT_FALSE(exists(updateDir()));
}

TEST(UpdatePanelTexts, SpeedAndRemainingTime) {
  struct Case {
    double bytesPerSecond, total, current;
    const char* speed;
    const char* remaining;
  };
  const Case cases[] = {
      {1023.0 * 1024, 1023.0 * 1024 * 59, 0, "速度  1023KB/S", "剩余  59秒"},
      {1024.0 * 1024, 1024.0 * 1024 * 60, 0, "速度  1MB/S", "剩余  1分钟"},
      {3.0 * 1024 * 1024, 3.0 * 1024 * 1024 * 300, 3.0 * 1024 * 1024 * 60, "速度  3MB/S", "剩余  4分钟"},
      {512, 1000, 2000, "速度  0KB/S", "剩余  0秒"},  // more than announced arrived: nothing remains
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UpdateSoftwareViewController::speedText(c.bytesPerSecond), c.speed);
    EXPECT_EQ(UpdateSoftwareViewController::remainingTimeText(c.total, c.current, c.bytesPerSecond),
              c.remaining);
  }
}

// The sizes a download's head announces are the server's text: any number, negative, or past the range.
TEST(UpdatePanelTexts, AnnouncedSizesAreReadSaturatingAndNeverBelowZero) {
  const double kMax = static_cast<double>(std::numeric_limits<std::int64_t>::max());
  struct Case {
    const char* length;  // "Content-Length"; nullptr for none
    const char* range;   // "Content-Range"; nullptr for none
    double total;
    std::uint64_t resumedFrom;
  };
  const Case cases[] = {
      {"1000", nullptr, 1000, 0},
      {"400", "bytes 600-999/1000", 1000, 600},
      {"-1", nullptr, 0, 0},
      {"-9223372036854775808", "bytes -5-10/-9223372036854775808", 0, 0},
      {"9223372036854775807", nullptr, kMax, 0},
      {"99999999999999999999999999", "bytes 99999999999999999999-1/99999999999999999999", kMax,
       static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())},
      {"0", "bytes x-y/z", 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.length ? c.length : "") + " " + (c.range ? c.range : ""));
    core::Value headers = core::Value::newDictionary();
    if (c.length) headers.set("Content-Length", c.length);
    if (c.range) headers.set("content-range", c.range);
    const auto size = UpdateSoftwareViewController::announcedSize(headers);
    EXPECT_EQ(size.total, c.total);
    EXPECT_EQ(size.resumedFrom, c.resumedFrom);
  }
}

}  // namespace
}  // namespace updengine_test
