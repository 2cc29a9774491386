#include <gtest/gtest.h>

#include <string>

#include "util/VDValidateHelper.h"

TEST(VDValidateHelper, MobileNumberTable) {
  struct Case {
    const char* text;
    bool valid;
  };
  const Case cases[] = {
      {"13800138000", true},
      {"15912345678", true},
      {"14712345678", true},
      {"18012345678", true},
      {"18512345678", true},
      {"13412345678", true},
      {"18812345678", true},
      {"13312345678", true},
      {"14512345678", false},   // 145 is no mobile prefix
      {"18412345678", false},   // nor is 184
      {"1381234567", false},    // 10 digits
      {"138123456789", false},  // 12 digits
      {"+8613800138000", false},
      {"+13800138000", false},
      {"23800138000", false},
      {"", false},
      {"13800138000\n", false},  // nothing may follow, not even a line break
      {" 13800138000", false},
      {"138 0013 8000", false},
      {"1380013800０", false},  // a full-width digit is not a digit of a phone number
      {"１３８００１３８０００", false},
      {"电话13800138000", false},
      {"13800138000号", false},
      {"138001380a0", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(isMobileNumber(c.text), c.valid);
  }
  EXPECT_FALSE(isMobileNumber(std::string_view("13800138000\0", 12)));
  EXPECT_FALSE(isMobileNumber("1380013800\xFF")) << "not UTF-8";
}

TEST(VDValidateHelper, EmailTable) {
  struct Case {
    const char* text;
    bool valid;
  };
  const Case cases[] = {
      {"user@example.com", true},
      {"first.last+tag%x@mail.qq.cn", true},
      {"a_b-c@sub-domain.example.info", true},
      {"USER@EXAMPLE.ORG", true},
      {"user@example.museum", false},  // five letters in the top-level part
      {"user@example.c", false},       // one letter
      {"user@example", false},
      {"@example.com", false},
      {"user@@example.com", false},
      {"user example@example.com", false},
      {"张三@example.com", false},  // only ASCII in the local part
      {"user@例子.com", false},
      {"user@example.中国", false},
      {"user@example.com ", false},
      {"user@example.com\n", false},
      {"", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(isValidateEmail(c.text), c.valid);
  }
}

TEST(VDValidateHelper, PasswordAndNickNameCharacters) {
  struct Case {
    std::string text;
    bool valid;
  };
  const std::string twenty(20, 'a');
  std::string twentyChinese;
  for (int i = 0; i < 20; ++i) twentyChinese += "题";
  const Case cases[] = {
      {"ab", true},
      {"a", false},
      {"", false},
      {twenty, true},
      {twenty + "b", false},
      {"Abc123", true},
      {"张三", true},          // two characters, six bytes
      {twentyChinese, true},   // twenty characters, sixty bytes
      {twentyChinese + "a", false},
      {"一龥", true},          // both ends of the range
      {"\xE4\xB7\xBF" "a", false},  // U+4DFF, just below it
      {"a\xE9\xBE\xA6", false},     // U+9FA6, just above it
      {"ab c", false},
      {"ab_c", false},
      {"abc!", false},
      {"ａｂ", false},          // full-width letters
      {"１２", false},          // full-width digits
      {"a\xF0\x9F\x98\x80", false},  // outside the basic plane
      {"ab\xFF", false},        // not UTF-8
      {std::string("ab\0c", 4), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(isValidateChar(c.text), c.valid);
  }
}
