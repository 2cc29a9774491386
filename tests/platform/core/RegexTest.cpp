#include "platform/core/Regex.h"

#include <gtest/gtest.h>

#include <thread>

using core::Regex;

TEST(Regex, WholeTextMatches) {
  struct Case {
    const char* pattern;
    const char* text;
    bool matches;
  };
  const Case cases[] = {
      {"[0-9]{11}", "13800138000", true},
      {"[0-9]{11}", "138001380001", false},  // whole text, not a search
      {"[0-9]{11}", "x13800138000", false},
      {"[A-Za-z0-9._%+-]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,4}", "a.b@c.cn", true},
      {"[A-Za-z0-9._%+-]+@[A-Za-z0-9.-]+\\.[A-Za-z]{2,4}", "a.b@c", false},
      {"[\\u4e00-\\u9fa5]+", "中文", false},  // \u is not PCRE syntax
      {"[\\x{4e00}-\\x{9fa5}]+", "中文", true},
      {"[\\x{4e00}-\\x{9fa5}]+", "中a", false},
      {"..", "中文", true},  // characters, not bytes
      {"^[a-z]+$", "abc", true},
      {"a|ab", "ab", true},  // whole-text anchoring applies to every branch
      {"", "", true},
      {"(", "(", false},  // invalid pattern
  };
  for (const auto& c : cases) {
    EXPECT_EQ(core::matchesWholeText(c.pattern, c.text), c.matches) << c.pattern << " ~ " << c.text;
  }
  EXPECT_FALSE(core::matchesWholeText(".*", "\xFF")) << "invalid UTF-8 is never matched, and never crashes";
}

TEST(Regex, SearchFindAllReplace) {
  Regex images("\\[{1}(\\S)*?\\.(gif|jpg|jpeg|png|bmp)\\]{1}", Regex::CaseInsensitive);
  ASSERT_TRUE(images.valid());
  const std::string text = "见图[a1.PNG]和[图2.jpg]，不是[x.txt]";
  auto all = images.findAll(text);
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].groups[0], "[a1.PNG]");
  EXPECT_EQ(all[0].groups[2], "PNG");
  EXPECT_EQ(all[1].groups[0], "[图2.jpg]");
  EXPECT_EQ(text.substr(all[1].start, all[1].length), "[图2.jpg]");

  Regex opt("(a)|(b)");
  auto m = opt.search("xb");
  ASSERT_TRUE(m.has_value());
  EXPECT_EQ(m->start, 1u);
  EXPECT_FALSE(m->groups[1].has_value());
  EXPECT_EQ(m->groups[2], "b");
  EXPECT_FALSE(opt.search("xyz").has_value());

  EXPECT_EQ(Regex("(\\d+)").replaceAll("a1b22", "<$1>$$"), "a<1>$b<22>$");
  EXPECT_EQ(Regex("x*").replaceAll("中a", "-"), "-中-a-") << "empty matches step over whole characters";
  Regex broken("[");
  EXPECT_FALSE(broken.valid());
  EXPECT_FALSE(broken.error().empty());
  EXPECT_TRUE(broken.findAll("[").empty());
}

TEST(Regex, CachedPatternsAreSharedAcrossThreads) {
  auto a = Regex::cached("[0-9]+");
  EXPECT_EQ(a, Regex::cached("[0-9]+"));
  EXPECT_NE(a, Regex::cached("[0-9]+", Regex::CaseInsensitive));
  std::vector<std::thread> threads;
  std::atomic<int> hits{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 200; ++i) hits += core::matchesWholeText("[0-9]+", std::to_string(i)) ? 1 : 0;
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(hits.load(), 800);
}
