// The byte scanner under the second JSON codec, and the text scanner and character sets it brings
// along: scans that match consume, scans that do not leave the location alone, and comment scanning
// reports its failures as values.

#include <gtest/gtest.h>

#include <string>

#include "librarys/altjson/AltCharacterSet.h"
#include "librarys/altjson/AltDataScanner.h"
#include "librarys/altjson/NSCharacterSet_Extensions.h"
#include "librarys/altjson/NSScanner_Extensions.h"
#include "tests/librarys/altjson/AltJSONTestSupport.h"

using periphery::bytesOf;

namespace {

TEST(AltDataScanner, ScansConsumeOnlyWhatMatches) {
  AltDataScanner scanner(bytesOf("ab  12.5x"));
  EXPECT_EQ(scanner.currentCharacter(), 'a');
  EXPECT_FALSE(scanner.scanCharacter('b'));
  EXPECT_EQ(scanner.scanCharacter(), 'a');
  std::string text;
  EXPECT_FALSE(scanner.scanUTF8String("bc", &text));
  EXPECT_TRUE(scanner.scanUTF8String("b", &text));
  scanner.skipWhitespace();
  EXPECT_EQ(scanner.scanLocation(), 4u);
  core::Value number;
  EXPECT_TRUE(scanner.scanNumber(&number));
  EXPECT_TRUE(number.isDouble());
  EXPECT_EQ(number.toDouble(), 12.5);
  EXPECT_EQ(scanner.remainingString(), "x");
  EXPECT_EQ(scanner.bytesRemaining(), 1u);
  EXPECT_EQ(scanner.scanCharacter(), 'x');
  EXPECT_TRUE(scanner.isAtEnd());
  EXPECT_EQ(scanner.currentCharacter(), AltDataScanner::kNoCharacter);
  EXPECT_EQ(scanner.scanCharacter(), AltDataScanner::kNoCharacter);
  scanner.setScanLocation(1000);
  EXPECT_EQ(scanner.scanLocation(), scanner.length());
}

TEST(AltDataScanner, NumbersMustBeWellFormed) {
  struct Case {
    const char* text;
    bool scanned;
  };
  const Case cases[] = {{"7", true},   {"-0", true},  {"1e3", true}, {"0.5", true}, {"1-2", false},
                        {"01", false}, {"1.", false}, {"+1", false}, {"e5", false}, {"-", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    AltDataScanner scanner(bytesOf(c.text));
    core::Value number;
    EXPECT_EQ(scanner.scanNumber(&number), c.scanned);
    if (!c.scanned) {
      EXPECT_EQ(scanner.scanLocation(), 0u);
    }
  }
  AltDataScanner whole(bytesOf("9007199254740993,"));
  core::Value n;
  ASSERT_TRUE(whole.scanNumber(&n));
  EXPECT_EQ(n.integer(), 9007199254740993);  // exact, not through a double
  AltDataScanner exact(bytesOf("0.1]"));
  core::Decimal d;
  ASSERT_TRUE(exact.scanDecimalNumber(&d));
  EXPECT_EQ(d.toString(), "0.1");
  EXPECT_EQ(exact.currentCharacter(), ']');
}

TEST(AltDataScanner, SetsUpToAndDataOfLength) {
  AltDataScanner scanner(bytesOf("aab,c\xE2\x80\xA8rest"));
  std::string text;
  EXPECT_TRUE(
      scanner.scanCharactersFromSet(AltCharacterSet::characterSetWithCharactersInString("ab"), &text));
  EXPECT_EQ(text, "aab");
  EXPECT_FALSE(
      scanner.scanCharactersFromSet(AltCharacterSet::characterSetWithCharactersInString("ab"), &text));
  EXPECT_TRUE(scanner.scanUpToCharactersFromSet(NSCharacterSet_Extensions::linebreaksCharacterSet(), &text));
  EXPECT_EQ(text, ",c");
  // U+2028 is a line break of three bytes, matched whole.
  EXPECT_TRUE(scanner.scanCharactersFromSet(NSCharacterSet_Extensions::linebreaksCharacterSet(), &text));
  EXPECT_EQ(text, "\xE2\x80\xA8");
  EXPECT_TRUE(scanner.scanUpToString("st", &text));
  EXPECT_EQ(text, "re");
  core::Bytes two;
  EXPECT_FALSE(scanner.scanDataOfLength(3, &two));
  EXPECT_TRUE(scanner.scanDataOfLength(2, &two));
  EXPECT_EQ(two, bytesOf("st"));
  EXPECT_TRUE(scanner.remainingData().empty());
}

TEST(AltDataScanner, CommentsAndTheirFailures) {
  std::string comment;
  core::Error exception;
  AltDataScanner good(bytesOf("/* note */x"));
  EXPECT_TRUE(good.scanCStyleComment(&comment, &exception));
  EXPECT_EQ(comment, " note ");
  EXPECT_EQ(good.currentCharacter(), 'x');

  struct Case {
    const char* text;
    const char* exception;
  };
  const Case failures[] = {
      {"/* open", "Started to scan a C style comment but it wasn't terminated."},
      {"/* a /* b */", "C style comments should not be nested."},
  };
  for (const auto& c : failures) {
    SCOPED_TRACE(c.text);
    AltDataScanner scanner(bytesOf(c.text));
    EXPECT_FALSE(scanner.scanCStyleComment(&comment, &exception));
    EXPECT_EQ(exception.domain, AltDataScanner::kExceptionDomain);
    EXPECT_EQ(exception.description, c.exception);
    EXPECT_EQ(scanner.scanLocation(), 0u);
  }
  AltDataScanner none(bytesOf("x/**/"));
  exception = {};
  EXPECT_FALSE(none.scanCStyleComment(&comment, &exception));
  EXPECT_TRUE(exception.description.empty());

  AltDataScanner line(bytesOf("// to the end\r\n\nnext"));
  EXPECT_TRUE(line.scanCPlusPlusStyleComment(&comment));
  EXPECT_EQ(comment, " to the end");
  EXPECT_EQ(line.remainingString(), "next");
}

TEST(AltDataScanner, LocationInfoNeverCutsACharacter) {
  // 10 three-byte characters, a line break, then the location 8 bytes into the second line.
  const std::string text = std::string("一二三四五六七八九十") + "\n" + "abcdefgh" + "ijklmnopqrstuvwxyz0123";
  AltDataScanner scanner(bytesOf(text));
  scanner.setScanLocation(31 + 8);
  EXPECT_EQ(scanner.lineOfScanLocation(), 1u);
  const core::Value info = scanner.userInfoForScanLocation();
  EXPECT_EQ(info["line"].toInt(), 1);
  EXPECT_EQ(info["character"].toInt(), 8);
  EXPECT_EQ(info["location"].toInt(), 39);
  // 20 bytes back lands inside a character; the snippet starts at the next whole one.
  EXPECT_EQ(info["snippet"].str(), "八九十\nabcdefgh!HERE>!ijklmnopqrstuvwxyz01");
}

TEST(NSScanner_Extensions, CharactersBacktrackingAndComments) {
  NSScanner_Extensions scanner(
      "é/* c */z// end\xE2\x80\xA9"
      "after");
  EXPECT_EQ(scanner.currentCharacter(), U'é');
  EXPECT_EQ(scanner.scanCharacter(), U'é');
  std::string comment;
  EXPECT_TRUE(scanner.scanCStyleComment(&comment));
  EXPECT_EQ(comment, " c ");
  EXPECT_TRUE(scanner.scanCharacter(U'z'));
  EXPECT_TRUE(scanner.scanCPlusPlusStyleComment(&comment));
  EXPECT_EQ(comment, " end");
  EXPECT_EQ(scanner.remainingString(), "after");

  core::Error exception;
  const std::size_t at = scanner.scanLocation();
  EXPECT_FALSE(scanner.backtrack(at + 1, &exception));
  EXPECT_EQ(exception.description, "Backtracked too far.");
  EXPECT_EQ(scanner.scanLocation(), at);
  EXPECT_TRUE(scanner.backtrack(at));
  EXPECT_EQ(scanner.currentCharacter(), U'é');

  NSScanner_Extensions nested("/* /* */");
  EXPECT_FALSE(nested.scanCStyleComment(&comment, &exception));
  EXPECT_EQ(exception.description, "C style comments should not be nested.");
  NSScanner_Extensions open("/*");
  EXPECT_FALSE(open.scanCStyleComment(&comment, &exception));
  EXPECT_EQ(exception.description, "Started to scan a C style comment but it wasn't terminated.");
}

TEST(NSCharacterSet_Extensions, LineBreaks) {
  const AltCharacterSet& breaks = NSCharacterSet_Extensions::linebreaksCharacterSet();
  for (char32_t c : {U'\n', U'\f', U'\r', U'\u0085', U'\u2028', U'\u2029'})
    EXPECT_TRUE(breaks.characterIsMember(c));
  for (char32_t c : {U' ', U'\t', U'\v', U'a'}) EXPECT_FALSE(breaks.characterIsMember(c));
}

}  // namespace
