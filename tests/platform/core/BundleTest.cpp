#include "platform/core/Bundle.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "platform/core/Paths.h"
#include "tests/support/ScopedBundle.h"

using core::Bundle;

namespace {

std::string fixtureBundle() {
  const char* src = getenv("VD_SOURCE_DIR");
  return std::string(src ? src : "/work/main") + "/tests/platform/core/fixtures/bundle";
}

}  // namespace

TEST(Bundle, InfoDictionary) {
  Bundle b(fixtureBundle());
  EXPECT_EQ(b.bundleName(), "vardo");
  EXPECT_EQ(b.shortVersion(), "4.1.2");
  EXPECT_EQ(b.version(), "4.1.2.7");
  EXPECT_EQ(b.objectForInfoDictionaryKey("CFBundleDisplayName").str(), "考试宝典");
  EXPECT_EQ(b.objectForInfoDictionaryKey("CFBundleIdentifier").str(), "org.example.vardo");
  EXPECT_EQ(b.objectForInfoDictionaryKey("UIRequiresFullScreen"), core::Value(true));
  EXPECT_TRUE(b.objectForInfoDictionaryKey("Missing").isNil());
  // The returned dictionary is a copy.
  b.infoDictionary().set("CFBundleName", "changed");
  EXPECT_EQ(b.bundleName(), "vardo");
  EXPECT_TRUE(Bundle("/nonexistent").infoDictionary().empty());
}

TEST(Bundle, LocalizedStrings) {
  Bundle b(fixtureBundle());
  const std::pair<const char*, const char*> cases[] = {
      {"确定", "确定"},
      {"cancel", "取消"},
      {"network.error", "网络不给力，请检查网络连接"},
      {"quoted", "他说：\"你好\""},
      {"lines", "第一行\n第二行"},
      {"backslash", "a\\b"},
      {"unicode", "中文"},
      {"http://not/a/comment", "url key"},
      {"spaced", "value with // inside"},
      {"same", "same"},
      {"decoy", "decoy"},  // inside a comment: not an entry, so the key itself
      {"missing key", "missing key"},
  };
  for (const auto& [key, value] : cases) EXPECT_EQ(b.localizedString(key), value) << key;
  EXPECT_EQ(b.localizedString("missing", "fallback"), "fallback");
  EXPECT_EQ(b.localizedString("cancel", "", "NoSuchTable"), "cancel");
}

TEST(Bundle, StringsParserRejectsMalformedText) {
  const char* bad[] = {"\"a\" = \"b\"", "\"a\" \"b\";", "\"a\" = \"b",
                       "/* open",       "a = \"b\";",   "\"a\" = \"\\u12\";"};
  for (const char* text : bad) {
    std::string error;
    EXPECT_FALSE(Bundle::parseStrings(text, &error).has_value()) << text;
    EXPECT_FALSE(error.empty());
  }
  EXPECT_TRUE(Bundle::parseStrings("// nothing\n").value().empty());
}

TEST(Bundle, PathForResource) {
  Bundle b(fixtureBundle());
  EXPECT_EQ(b.pathForResource("page", "html"), fixtureBundle() + "/page.html");
  EXPECT_EQ(b.pathForResource("page.html", ""), fixtureBundle() + "/page.html");
  EXPECT_EQ(b.pathForResource("only", "txt"), fixtureBundle() + "/zh-Hans.lproj/only.txt");
  EXPECT_FALSE(b.pathForResource("absent", "png").has_value());
  EXPECT_FALSE(b.pathForResource("zh-Hans.lproj", "").has_value()) << "directories are not resources";
  EXPECT_FALSE(b.pathForResource("../secret", "txt").has_value());
  EXPECT_FALSE(b.pathForResource("secret", "txt", "..").has_value());
  EXPECT_FALSE(b.pathForResource("/etc/passwd", "").has_value());
}

TEST(Bundle, MainFollowsVardoBundle) {
  {
    const testsupport::ScopedBundle bundle(fixtureBundle());
    EXPECT_EQ(Bundle::main().resourcePath(), fixtureBundle());
    EXPECT_EQ(Bundle::main().localizedString("cancel"), "取消");
  }
  EXPECT_NE(Bundle::main().resourcePath(), fixtureBundle());
}
