#include <gtest/gtest.h>

#include "platform/security/DES.h"
#include "util/Base64.h"
#include "util/DESEncrypt.h"

namespace {

core::Bytes bytes(std::string_view s) { return core::Bytes(s.begin(), s.end()); }

const std::string kNistKey("\x01\x23\x45\x67\x89\xAB\xCD\xEF", 8);

}  // namespace

// --- DESEncrypt ----------------------------------------------------------------------------------

TEST(DESEncrypt, PublishedVectorThroughTheTextCodec) {
  EXPECT_EQ(DESEncrypt::decypte("P6QOiphNSBU=", kNistKey), "Now is t");
  EXPECT_EQ(DESEncrypt::encrypte("Now is t", kNistKey), "P6QOiphNSBU=");
  // Line breaks inside the stored Base64 do not matter.
  EXPECT_EQ(DESEncrypt::decypte("P6QO\r\niphN SBU=", kNistKey), "Now is t");
}

TEST(DESEncrypt, RoundTripKeepsNulPaddingAndChineseText) {
  const std::string plain("{\"Title\":\"题目\"}\0\0\0\0\0\0", 24);
  ASSERT_EQ(plain.size() % 8, 0u) << "fixture must be whole blocks";
  auto cipher = DESEncrypt::encrypte(plain, "batchkey");
  ASSERT_TRUE(cipher);
  EXPECT_EQ(DESEncrypt::decypte(*cipher, "batchkey"), plain);
}

TEST(DESEncrypt, KeyTextRules) {
  auto cipher = DESEncrypt::encrypte("12345678", "abcdefgh");
  ASSERT_TRUE(cipher);
  EXPECT_EQ(DESEncrypt::encrypte("12345678", "abcdefgh-and-more"), cipher) << "only 8 key bytes count";
  EXPECT_EQ(DESEncrypt::encrypte("12345678", std::string("abc\0\0\0\0\0", 8)),
            DESEncrypt::encrypte("12345678", "abc"))
      << "a short key is filled with zero bytes";
  EXPECT_NE(DESEncrypt::encrypte("12345678", "abc"), cipher);
  EXPECT_EQ(DESEncrypt::decypte(*cipher, "abcdefgh-and-more"), "12345678");
}

TEST(DESEncrypt, FailuresGiveNothing) {
  EXPECT_EQ(DESEncrypt::encrypte("1234567", "abcdefgh"), std::nullopt) << "not whole blocks";
  EXPECT_EQ(DESEncrypt::encrypte("", "abcdefgh"), std::nullopt) << "nothing to encode";
  EXPECT_EQ(DESEncrypt::decypte("QUJDREVGRw==", "abcdefgh"), std::nullopt) << "7 decoded bytes";
  EXPECT_EQ(DESEncrypt::decypte("P6QOiphNSB", kNistKey), std::nullopt) << "truncated Base64 drops a block";
  EXPECT_EQ(DESEncrypt::decypte("P6QOiphNSBU=中", kNistKey), "") << "not ASCII: no bytes, no blocks";
  // Plain bytes that are not UTF-8 text.
  auto key = sec::DES::keyFromText("abcdefgh");
  auto cipher = sec::DES::encrypt(key, core::Bytes{0xFF, 0xFE, 0x80, 0x81, 0x41, 0x42, 0x43, 0x44});
  ASSERT_TRUE(cipher);
  auto text = base64EncodedString(*cipher);
  ASSERT_TRUE(text);
  EXPECT_EQ(DESEncrypt::decypte(*text, "abcdefgh"), std::nullopt);
  EXPECT_EQ(DESEncrypt::decypte("", "abcdefgh"), "") << "no blocks decipher to the empty text";
}

// --- Base64 ----------------------------------------------------------------------------------------

TEST(Base64, DecoderTable) {
  struct Case {
    const char* text;
    core::Bytes expected;
  };
  const Case cases[] = {
      {"", {}},
      {"QUJD", bytes("ABC")},
      {"Zm9vYmFy", bytes("foobar")},
      {"QU JD\r\nRA==", bytes("ABCD")},  // spaces and line breaks are skipped
      {"Q!U@J#D", bytes("ABC")},         // so is everything outside the alphabet
      {"QUI=", bytes("AB")},
      {"QQ==", bytes("A")},
      {"QUI=QUJD", bytes("AB")},  // nothing after the first "=" is read
      {"=QUJD", {}},
      {"Q=", core::Bytes{0x40}},  // one pending sextet still gives a byte
      {"QUJDRA", bytes("ABC")},   // a final group of two without "=" is dropped
      {"QUJDREU", bytes("ABC")},  // ... and of three
      {"QUJD中文", {}},           // non-ASCII text decodes to nothing
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(dataWithBase64EncodedString(c.text), c.expected);
    EXPECT_EQ(base64DecodedData(c.text), c.expected);
  }
}

TEST(Base64, TextDecodingRequiresUTF8) {
  auto encoded = base64EncodedString("张三 note");
  ASSERT_TRUE(encoded);
  EXPECT_EQ(base64DecodedString(*encoded), "张三 note");
  EXPECT_EQ(stringWithBase64EncodedString(*encoded), "张三 note");
  EXPECT_EQ(base64DecodedString("/w=="), std::nullopt);  // the byte 0xFF
  EXPECT_EQ(base64DecodedString("5byg"), "张");
  EXPECT_EQ(base64DecodedString("5bw="), std::nullopt) << "a cut multi-byte character";
}

TEST(Base64, WrapWidthEncoderTable) {
  struct Case {
    const char* data;
    std::size_t width;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"", 0, std::nullopt},
      {"A", 0, "QQ=="},
      {"AB", 0, "QUI="},
      {"ABC", 0, "QUJD"},
      {"foobar", 0, "Zm9vYmFy"},
      {"ABCDEFGHI", 8, "QUJDREVG\r\nR0hJ"},
      {"ABCDEFGHI", 10, "QUJDREVG\r\nR0hJ"},  // rounded down to 8
      {"ABCDEF", 8, "QUJDREVG\r\n"},          // a full last line ends with the break too
      {"ABCDEFGHIJ", 4, "QUJD\r\nREVG\r\nR0hJ\r\nSg=="},
      {"ABCDEFGHI", 3, "QUJDREVGR0hJ"},  // rounded down to 0: one line
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.data) + " / " + std::to_string(c.width));
    EXPECT_EQ(base64EncodedStringWithWrapWidth(bytes(c.data), c.width), c.expected);
    EXPECT_EQ(base64EncodedStringWithWrapWidth(std::string_view(c.data), c.width), c.expected);
  }
  EXPECT_EQ(base64EncodedString(bytes("foob")), "Zm9vYg==");
}

TEST(Base64, LineLengthEncoderTable) {
  struct Case {
    const char* data;
    std::size_t length;
    const char* expected;
  };
  const Case cases[] = {
      {"", 0, ""},
      {"", 4, ""},
      {"ABCDE", 0, "QUJDREU="},
      {"A", 0, "QQ=="},
      {"ABCDEF", 4, "QUJD\nREVG\n"},
      {"ABCDEFGHI", 6, "QUJDREVG\nR0hJ"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.data) + " / " + std::to_string(c.length));
    EXPECT_EQ(base64EncodingWithLineLength(bytes(c.data), c.length), c.expected);
  }
  EXPECT_EQ(base64Encoding(bytes("foobar")), "Zm9vYmFy");
}

TEST(Base64, UrlEncoding) {
  EXPECT_EQ(urlEncodedString(bytes("a b")), "a%20b");
  EXPECT_EQ(urlEncodedString(bytes("Az09")), "Az09");
  EXPECT_EQ(urlEncodedString(bytes("-_.~/")), "%2D%5F%2E%7E%2F");
  EXPECT_EQ(urlEncodedString(bytes("中")), "%E4%B8%AD");
  EXPECT_EQ(urlEncodedString(core::Bytes{0x00, 0xFF}), "%00%FF");
  EXPECT_EQ(urlEncodedString({}), "");
}
