// The image step of the question page: image sizes from file headers, markers over the local cache,
// fetches from the loopback server into the cache, and what a page does with them.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <optional>

#include "QuestionPageSupport.h"
#include "app/VDLogHelper.h"
#include "exam/ImageBrowserViewController.h"
#include "exam/QuestionImageStep.h"
#include "librarys/json/JsonParser.h"
#include "librarys/json/JsonWriter.h"
#include "tests/support/TempDir.h"
#include "tools/testserver/apiserver/ApiServer.h"
#include "ui/PageResources.h"
#include "util/ImageHeader.h"

namespace qpage {
namespace {

using ::testing::HasSubstr;

std::string bytes(std::initializer_list<int> list) {
  std::string out;
  for (int b : list) out += static_cast<char>(b);
  return out;
}

std::string pngHeader(std::uint32_t w, std::uint32_t h) {
  return std::string("\x89PNG\r\n\x1a\n", 8) + bytes({0, 0, 0, 13}) + "IHDR" +
         bytes({int(w >> 24), int(w >> 16 & 255), int(w >> 8 & 255), int(w & 255), int(h >> 24),
                int(h >> 16 & 255), int(h >> 8 & 255), int(h & 255), 8, 6, 0, 0, 0});
}

TEST(ImageHeader, ReadsTheSizeOfEachFormatAndRefusesTheRest) {
  struct Case {
    const char* what;
    std::string data;
    std::optional<ImageHeader::PixelSize> size;
  };
  const std::string jfif = bytes({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10}) + std::string(14, 'j');
  const Case cases[] = {
      {"png", pngHeader(500, 200), ImageHeader::PixelSize{500, 200}},
      {"png cut short", pngHeader(500, 200).substr(0, 20), std::nullopt},
      {"png of width 0", pngHeader(0, 200), std::nullopt},
      {"png too wide", pngHeader(ImageHeader::kMaxSide + 1, 2), std::nullopt},
      {"gif", "GIF89a" + bytes({0x40, 0x01, 0x10, 0x00}), ImageHeader::PixelSize{320, 16}},
      {"bmp info header, top-down",
       "BM" + std::string(12, '\0') + bytes({40, 0, 0, 0, 0x41, 0x01, 0, 0, 0xF6, 0xFF, 0xFF, 0xFF}),
       ImageHeader::PixelSize{321, 10}},
      {"bmp core header", "BM" + std::string(12, '\0') + bytes({12, 0, 0, 0, 0x64, 0, 0x3C, 0}),
       ImageHeader::PixelSize{100, 60}},
      {"jpeg baseline after APP0", jfif + bytes({0xFF, 0xC0, 0x00, 0x11, 0x08, 0x00, 0xC8, 0x01, 0xF4, 0x03}),
       ImageHeader::PixelSize{500, 200}},
      {"jpeg progressive after fill bytes",
       jfif + bytes({0xFF, 0xFF, 0xFF, 0xC2, 0x00, 0x11, 0x08, 0x00, 0x10, 0x00, 0x20, 0x03}),
       ImageHeader::PixelSize{32, 16}},
      {"jpeg scan before any frame", jfif + bytes({0xFF, 0xDA, 0x00, 0x08}), std::nullopt},
      {"jpeg segment running off the end", jfif + bytes({0xFF, 0xE1, 0x7F, 0xFF, 0x00}), std::nullopt},
      {"text", "<html>not found</html>", std::nullopt},
      {"empty", "", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto size = ImageHeader::sizeOfData(c.data);
    ASSERT_EQ(size.has_value(), c.size.has_value());
    if (size) {
      EXPECT_EQ(*size, *c.size);
    }
  }
}

// An image cache folder with a wide and a narrow image (the sample bank's), a folder with a space in
// its name.
class ImageCache : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = temp_.path();
    ASSERT_FALSE(root_.empty());
    dir_ = root_ + "/img cache";
    fs::create_directories(dir_);
    const fs::path samples =
        fs::path(testserver::ApiServer::defaultSampleDir()) / "tk_img" / "imgdir_GKSample";
    fs::copy_file(samples / "gk_map500.png", fs::path(dir_) / "x1.PNG");
    fs::copy_file(samples / "gk_icon100.png", fs::path(dir_) / "small.png");
    fs::copy_file(samples / "gk_map500.png", fs::path(dir_) / "长城.png");
    std::ofstream(fs::path(dir_) / "notes.png") << "not an image";
  }

  // A step over the cache whose fetches are counted and always fail.
  QuestionImageStep offlineStep() {
    return QuestionImageStep(
        dir_, "http://127.0.0.1:9/img/",
        [this](const std::string& url, const std::string&, std::int64_t&, std::int64_t&) {
          fetched_.push_back(url);
          return false;
        });
  }

  std::string url(const std::string& name) { return QuestionImageStep::imageURL(name); }

  const testsupport::TempDir temp_{"vd-qpage-images"};
  std::string root_, dir_;
  std::vector<std::string> fetched_;
};

TEST_F(ImageCache, MarkersBecomeImagesByTheirWidth) {
  auto step = offlineStep();
  struct Case {
    std::string text;
    std::string expected;
  };
  const std::string wide =
      "<img name='x1.PNG' src='" + url("x1.PNG") + "' width='280'  onclick='imageclick(this)'/>";
  const Case cases[] = {
      {"甲[x1.PNG]乙", "甲" + wide + "乙"},
      {"[small.png]", "<img src='" + url("small.png") + "'></img>"},
      {"[notes.png]", "<img src='" + url("notes.png") + "'></img>"},  // does not read as an image
      {"[x1.txt] [x1.PNG.doc]", "[x1.txt] [x1.PNG.doc]"},
      {"[x1.PNG] and [X1.png]", wide + " and " + wide},  // the first appearance decides for every case
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(step.imageTextHtml(c.text), c.expected);
  }
  EXPECT_EQ(step.imgDic().size(), 1u);
  EXPECT_EQ(step.imgDic().at("x1.PNG"), url("x1.PNG"));
  EXPECT_TRUE(fetched_.empty());
}

TEST_F(ImageCache, ImageURLsArePageURLsThatEscapeNonAsciiNames) {
  auto step = offlineStep();
  const std::string html = step.imageTextHtml("[长城.png]");
  EXPECT_THAT(html, HasSubstr("<img name='长城.png' src='vdbundle://images/%E9%95%BF%E5%9F%8E.png'"));
  EXPECT_EQ(step.imgDic().count("%E9%95%BF%E5%9F%8E.png"), 1u);  // keyed by the escaped name
}

TEST_F(ImageCache, NamesThatWouldLeaveTheCacheStayMarkersAndAreNeverFetched) {
  auto step = offlineStep();
  for (const std::string text : {"[../x1.png]", "[a/x1.png]", "[..\\x1.png]", "[a\\b.png]", "[..png]"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(step.imageTextHtml(text), text);
  }
  EXPECT_TRUE(fetched_.empty());
  EXPECT_TRUE(step.imgDic().empty());
}

TEST_F(ImageCache, AFailedFetchKeepsTheMarkerAndLeavesNothingInTheCache) {
  QuestionImageStep step(
      dir_, "http://127.0.0.1:9/img/",
      [](const std::string&, const std::string& destination, std::int64_t&, std::int64_t&) {
        std::ofstream(destination) << "half a pict";  // a partial download
        return false;
      });
  EXPECT_EQ(step.imageTextHtml("见[gone.png]图"), "见[gone.png]图");
  EXPECT_FALSE(fs::exists(fs::path(dir_) / "gone.png"));
  EXPECT_FALSE(fs::exists(fs::path(dir_) / "gone.png.temp"));
}

// Fetches from the loopback server's image folder (one server for the suite).
class ImageServer : public ImageCache {
 protected:
  static testserver::ApiServer& server() {
    static testserver::ApiServer s;
    return s;
  }
  void SetUp() override {
    ImageCache::SetUp();
    if (server().port() == 0) {
      ASSERT_TRUE(server().start()) << server().failure();
    }
    ASSERT_TRUE(server().reset());
  }
  std::string base() { return server().origin() + "/tk_img/imgdir_GKSample/"; }
  int imageRequests() {
    int n = 0;
    for (const core::Value& e : JSONValue(server().journal().value_or("{}"))["requests"].array())
      if (core::hasPrefix(e["decoded_path"].toString(), "/tk_img/")) ++n;
    return n;
  }
};

TEST_F(ImageServer, AMissingImageIsFetchedOnceIntoTheCache) {
  std::vector<std::int64_t> traffic;
  {
    QuestionImageStep step(dir_, base());
    step.setTrafficCounter([&](std::int64_t n) { traffic.push_back(n); });
    const std::string html = step.imageTextHtml("[gk_server_only.png]");
    EXPECT_EQ(html, "<img name='gk_server_only.png' src='" + url("gk_server_only.png") +
                        "' width='280'  onclick='imageclick(this)'/>");  // 360 wide
  }
  EXPECT_TRUE(fs::is_regular_file(fs::path(dir_) / "gk_server_only.png"));
  EXPECT_FALSE(fs::exists(fs::path(dir_) / "gk_server_only.png.temp"));
  ASSERT_EQ(traffic.size(), 2u);  // bytes sent (no body: 0), then bytes read
  EXPECT_GT(traffic[1], 1000);

  QuestionImageStep again(dir_, base());
  EXPECT_THAT(again.imageTextHtml("[gk_server_only.png]"), HasSubstr("width='280'"));
  EXPECT_EQ(imageRequests(), 1);
}

TEST_F(ImageServer, ErrorPagesAndAnswersThatAreNoImageNeverEnterTheCache) {
  core::Value fault =
      core::Dictionary{{"path", "/tk_img/imgdir_GKSample/gk_volcano.png"}, {"body", "<html>busy</html>"}};
  ASSERT_TRUE(server().fault(JSONRepresentation(fault).value_or("")));
  QuestionImageStep step(dir_, base());
  EXPECT_EQ(step.imageTextHtml("[missing.png][gk_volcano.png]"), "[missing.png][gk_volcano.png]");
  for (const char* name : {"missing.png", "missing.png.temp", "gk_volcano.png", "gk_volcano.png.temp"})
    EXPECT_FALSE(fs::exists(fs::path(dir_) / name)) << name;
  // Once the server answers, the image comes.
  EXPECT_THAT(step.imageTextHtml("[gk_volcano.png]"), HasSubstr("width='280'"));  // 330 wide
}

// A page whose question shows a served image: the image is fetched during the build, the traffic
// counted, and a tap on the image opens the viewer over the cached file.
class PageImages : public PageSuite {
 protected:
  static testserver::ApiServer& server() {
    static testserver::ApiServer s;
    return s;
  }
  void SetUp() override {
    PageSuite::SetUp();
    if (server().port() == 0) {
      ASSERT_TRUE(server().start()) << server().failure();
    }
    ASSERT_TRUE(server().reset());
    resourceRoot_.emplace(ServerConfig::kResourceRootEnv, server().origin());
    ServerConfig::reload();
    VDLogHelper::resetSharedInstance();
    // No application watches the network here: the traffic counts as off Wi-Fi.
  }
  void TearDown() override {
    VDLogHelper::resetSharedInstance();
    resourceRoot_.reset();
    ServerConfig::reload();
    PageSuite::TearDown();
  }

  std::optional<testsupport::ScopedEnv> resourceRoot_;
};

TEST_F(PageImages, TheBuildFetchesImagesCountsTheTrafficAndATapOpensTheViewer) {
  auto q = makeQuestion("ATEST", "A", "看图[gk_server_only.png]作答");
  q->ChoiceItems[1].set("Text", "小图[gk_icon100.png]");
  auto page = show(q);
  const std::string cached = VDHelper::imageSavePath() + "/gk_server_only.png";
  ASSERT_TRUE(fs::is_regular_file(cached));
  const std::string fileURL = QuestionImageStep::imageURL("gk_server_only.png");
  EXPECT_THAT(web().html(),
              HasSubstr("看图<img name='gk_server_only.png' src='" + fileURL + "' width='280'"));
  EXPECT_THAT(web().html(),
              HasSubstr("B.小图<img src='" +
                        QuestionImageStep::imageURL("gk_icon100.png") +
                        "'></img> </label>"));
  EXPECT_EQ(page->imgDic().at("gk_server_only.png"), fileURL);
  // The page's image URLs name the subject's image cache.
  const auto served = ui::PageResources::resolve(fileURL);
  ASSERT_TRUE(served.has_value());
  EXPECT_EQ(fs::path(served->path), fs::canonical(cached));
  EXPECT_GT(VDLogHelper::sharedInstance()->getDayBytes(VDLogHelper::dayKey(core::Date::now())), 1000);

  EXPECT_FALSE(web().navigate("vdprotocol://imageclick/gk_server_only.png"));
  h().settle();
  ASSERT_EQ(owner->calls, std::vector<std::string>{"presentImageBrowser"});
  auto* browser = dynamic_cast<ImageBrowserViewController*>(owner->presentedViewController());
  ASSERT_NE(browser, nullptr);
  EXPECT_EQ(browser->webhtml(), "<img src='" + fileURL + "' />");

  // A name the page has no image for opens nothing.
  browser->dismissViewController(false);
  h().settle();
  owner->calls.clear();
  EXPECT_FALSE(web().navigate("vdprotocol://imageclick/gk_icon100.png"));
  EXPECT_FALSE(web().navigate("vdprotocol://imageclick/nothing.png"));
  EXPECT_TRUE(owner->calls.empty());
}

}  // namespace
}  // namespace qpage
