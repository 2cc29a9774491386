// What the screens tell the user about replies they cannot use, and the shapes they read.

#include "app/ReplyCheck.h"

#include <gtest/gtest.h>

#include <string>

#include "librarys/json/JsonParser.h"

namespace {

const char* kFailed = "请求失败，请稍后重试";
const char* kNoData = "暂无相关数据";

TEST(ReplyCheck, FailureMessageByReply) {
  struct Case {
    const char* reply;  // JSON text; "" for no reply
    std::string message;
  };
  const Case cases[] = {
      {"", kFailed},
      {R"({"Body":null,"Message":"请先登录"})", "请先登录"},
      {R"({"Body":null,"Message":""})", kNoData},
      {R"({"Body":[],"Message":null})", kNoData},
      {R"({"Body":{}})", kNoData},
      {R"({"Body":"列表","Message":""})", ReplyCheck::kMalformedMessage},
      {R"({"Body":[1,2],"Message":7})", ReplyCheck::kMalformedMessage},
      {R"({"Message":""})", ReplyCheck::kMalformedMessage},
      {R"([{"Body":[],"Message":"包在外面"}])", ReplyCheck::kMalformedMessage},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    const core::Value reply = *c.reply ? JSONValue(c.reply) : core::Value();
    EXPECT_EQ(ReplyCheck::failureMessage(reply), c.message);
  }
}

TEST(ReplyCheck, ShapesOfTheBody) {
  struct Case {
    const char* reply;
    bool list;  // a record list of at most 2 entries
    bool record;
    bool empty;
  };
  const Case cases[] = {
      {R"({"Body":[{"a":1},{"b":2}]})", true, false, false},
      {R"({"Body":[]})", true, false, true},
      {R"({"Body":[{"a":1},{"b":2},{"c":3}]})", false, false, false},  // past the limit
      {R"({"Body":[{"a":1},3]})", false, false, false},
      {R"({"Body":{"a":1}})", false, true, false},
      {R"({"Body":null})", false, false, true},
      {R"({"Body":"x"})", false, false, false},
      {R"({"Other":[]})", false, false, false},
      {R"([{"Body":[]}])", false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    const core::Value reply = JSONValue(c.reply);
    EXPECT_EQ(ReplyCheck::bodyIsRecordList(reply, 2), c.list);
    EXPECT_EQ(ReplyCheck::bodyIsRecord(reply), c.record);
    EXPECT_EQ(ReplyCheck::bodyIsEmpty(reply), c.empty);
  }
  EXPECT_FALSE(ReplyCheck::bodyIsRecordList(core::Value(), 2));
}

TEST(ReplyCheck, LongServerMessagesAreCutAtACharacter) {
  const std::string longText(ReplyCheck::kMaxMessageLength + 50, 'a');
  std::string chinese;
  for (std::size_t i = 0; i < ReplyCheck::kMaxMessageLength + 1; ++i) chinese += "错";
  struct Case {
    std::string text;
    std::string shown;
  };
  const Case cases[] = {
      {"短", "短"},
      {longText, longText.substr(0, ReplyCheck::kMaxMessageLength)},
      {chinese, chinese.substr(0, 3 * ReplyCheck::kMaxMessageLength)},
  };
  for (const Case& c : cases) EXPECT_EQ(ReplyCheck::shortened(c.text), c.shown);
}

}  // namespace
