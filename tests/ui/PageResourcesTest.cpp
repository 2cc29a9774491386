// What a page may read through the "vdbundle" scheme: the bundle's page resources and the image cache,
// nothing else, whatever the URL tries.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/core/Bundle.h"
#include "tests/support/TempDir.h"
#include "ui/PageResources.h"

using ui::PageResources;
namespace fs = std::filesystem;

namespace {

void write(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

class PageResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = ::getenv("VARDO_BUNDLE");
    if (old) oldBundle_ = old;
    root_ = fs::path(dir_.path());
    write(root_ / "bundle/main.css", "body{}");
    write(root_ / "bundle/jquery.js", "var $;");
    write(root_ / "bundle/About Soft.html", "<p>关于</p>");
    write(root_ / "bundle/Info.plist", "<plist/>");
    write(root_ / "bundle/sub/right.png", "png");
    write(root_ / "images/map1.png", "png");
    write(root_ / "images/长城.JPG", "jpg");
    write(root_ / "images/x.js", "alert(1)");
    write(root_ / "secret/password.png", "secret");
    fs::create_symlink(root_ / "secret/password.png", root_ / "images/link.png");
    fs::create_directories(root_ / "images/dir.png");
    ::setenv("VARDO_BUNDLE", (root_ / "bundle").c_str(), 1);
    core::Bundle::resetMain();
    PageResources::setImageDirectory((root_ / "images").string());
  }
  void TearDown() override {
    if (oldBundle_.empty()) {
      ::unsetenv("VARDO_BUNDLE");
    } else {
      ::setenv("VARDO_BUNDLE", oldBundle_.c_str(), 1);
    }
    core::Bundle::resetMain();
    PageResources::setImageDirectory("");
  }

  testsupport::TempDir dir_{"vd-page-resources"};
  fs::path root_;
  std::string oldBundle_;
};

}  // namespace

TEST_F(PageResourcesTest, ServesTheBundleAndTheImageCacheOnly) {
  struct Case {
    std::string url;
    const char* file;  // relative to the test's root; nullptr: refused
    const char* mimeType;
  };
  const Case cases[] = {
      {"vdbundle://bundle/main.css", "bundle/main.css", "text/css"},
      {"VDBundle://Bundle/jquery.js?v=1#top", "bundle/jquery.js", "text/javascript"},
      {"vdbundle://bundle/About%20Soft.html", "bundle/About Soft.html", "text/html"},
      {"vdbundle://bundle/sub/right.png", "bundle/sub/right.png", "image/png"},
      {PageResources::imageURL("map1.png"), "images/map1.png", "image/png"},
      {PageResources::imageURL("长城.JPG"), "images/长城.JPG", "image/jpeg"},
      // Other kinds of file, other places, other schemes.
      {"vdbundle://bundle/Info.plist", nullptr, nullptr},
      {"vdbundle://images/x.js", nullptr, nullptr},
      {"vdbundle://bundle/missing.png", nullptr, nullptr},
      {"vdbundle://images/dir.png", nullptr, nullptr},
      {"vdbundle://other/main.css", nullptr, nullptr},
      {"vdbundle://bundle:80/main.css", nullptr, nullptr},
      {"vdbundle://user@bundle/main.css", nullptr, nullptr},
      {"file://" + (root_ / "bundle/main.css").string(), nullptr, nullptr},
      {"vdbundle:bundle/main.css", nullptr, nullptr},
      {"vdbundle://bundle/", nullptr, nullptr},
      {"vdbundle://bundle", nullptr, nullptr},
      // Ways out of a root.
      {"vdbundle://bundle/../secret/password.png", nullptr, nullptr},
      {"vdbundle://bundle/%2e%2e/secret/password.png", nullptr, nullptr},
      {"vdbundle://images/..%2Fsecret%2Fpassword.png", nullptr, nullptr},
      {"vdbundle://images/..%5Csecret%5Cpassword.png", nullptr, nullptr},
      {"vdbundle://bundle/sub/./right.png", nullptr, nullptr},
      {"vdbundle://bundle/sub//right.png", nullptr, nullptr},
      {"vdbundle://images/map1.png%00.js", nullptr, nullptr},
      {"vdbundle://images/link.png", nullptr, nullptr},
      {"vdbundle://images/%ZZ.png", nullptr, nullptr},
      {"vdbundle://bundle/" + std::string(5000, 'a') + ".css", nullptr, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    const auto resource = PageResources::resolve(c.url);
    if (!c.file) {
      EXPECT_FALSE(resource.has_value()) << resource->path;
      EXPECT_FALSE(PageResources::read(c.url).has_value());
      continue;
    }
    ASSERT_TRUE(resource.has_value());
    EXPECT_EQ(fs::path(resource->path), fs::canonical(root_ / c.file));
    EXPECT_EQ(resource->mimeType, c.mimeType);
    const auto contents = PageResources::read(c.url);
    ASSERT_TRUE(contents.has_value());
    EXPECT_EQ(contents->mimeType, c.mimeType);
  }
}

TEST_F(PageResourcesTest, WithoutAnImageCacheNoImageIsServed) {
  PageResources::setImageDirectory("");
  EXPECT_FALSE(PageResources::resolve(PageResources::imageURL("map1.png")).has_value());
  EXPECT_TRUE(PageResources::resolve("vdbundle://bundle/main.css").has_value());
}

TEST_F(PageResourcesTest, ReadsAFileWholeAndRefusesOneOverTheLimit) {
  write(root_ / "images/big.png", std::string(PageResources::kMaxFileBytes + 1, 'x'));
  write(root_ / "images/full.png", std::string(PageResources::kMaxFileBytes, 'y'));
  EXPECT_FALSE(PageResources::read(PageResources::imageURL("big.png")).has_value());
  const auto full = PageResources::read(PageResources::imageURL("full.png"));
  ASSERT_TRUE(full.has_value());
  EXPECT_EQ(full->bytes, std::string(PageResources::kMaxFileBytes, 'y'));
}
