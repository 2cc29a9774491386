// The update centre's reply read into its fields: what is accepted, what a missing list means, and the
// shapes that are refused.

#include <gtest/gtest.h>

#include <string>

#include "bank/UpdateCentreReply.h"
#include "librarys/json/JsonParser.h"

namespace {

const char* kPacket =
    R"({"id":2,"app_ename":"GKSample","client_type":3,"packe_type":1,"packege_url":"http://h/packets/up.db",)"
    R"("max_batchid":3,"alow_min_batchid":2,"alow_min_appversion":1,"publish_time":"2013-7-10",)"
    R"("update_content":"新增题目"})";

std::string withList(const std::string& items) {
  return R"({"status":0,"message":"ok","update_list":[)" + items + "]}";
}

TEST(UpdateCentreReply, AReplyIsReadIntoItsFields) {
  const auto reply = UpdateCentreReply::parse(JSONValue(withList(kPacket)));
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->status, 0);
  EXPECT_EQ(reply->message, "ok");
  ASSERT_EQ(reply->updateList.size(), 1u);
  const UpdatePacket& p = reply->updateList[0];
  EXPECT_EQ(p.id, 2);
  EXPECT_EQ(p.appEname, "GKSample");
  EXPECT_EQ(p.clientType, 3);
  EXPECT_EQ(p.packeType, 1);
  EXPECT_EQ(p.packegeUrl, "http://h/packets/up.db");
  EXPECT_EQ(p.maxBatchid, 3);
  EXPECT_EQ(p.alowMinBatchid, 2);
  EXPECT_EQ(p.alowMinAppversion, 1);
  EXPECT_EQ(p.publishTime, "2013-7-10");
  EXPECT_EQ(p.updateContent, "新增题目");
  // The panel and the update run read the packets under the server's own names.
  const core::Value items = reply->updateListValue();
  EXPECT_EQ(items[0]["packe_type"].toInt(), 1);
  EXPECT_EQ(items[0]["packege_url"].str(), "http://h/packets/up.db");
  EXPECT_EQ(items[0]["update_content"].str(), "新增题目");
}

TEST(UpdateCentreReply, AcceptedShapes) {
  struct Case {
    const char* json;
    std::int64_t status;
    std::size_t packets;
  } cases[] = {
      {R"({"status":0,"update_list":[]})", 0, 0},
      {R"({"status":0})", 0, 0},                                                // no list: no packets
      {R"({"status":1,"message":"请求参数不正确","update_list":null})", 1, 0},  // null: no packets
      {R"({"status":4.0,"update_list":[{"packe_type":4,"packege_url":"http://h/a.ipa"}]})", 4, 1},
      {R"({"status":0,"update_list":[{"packe_type":6,"packege_url":"u","id":null,"update_content":null}]})",
       0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.json);
    const auto reply = UpdateCentreReply::parse(JSONValue(c.json));
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, c.status);
    EXPECT_EQ(reply->updateList.size(), c.packets);
  }
}

TEST(UpdateCentreReply, WrongShapesAreRefused) {
  std::string many;
  for (std::size_t i = 0; i <= UpdateCentreReply::kMaxPackets; ++i)
    many += (i ? "," : "") + std::string(kPacket);
  const std::string longText(UpdateCentreReply::kMaxText + 1, 'x');
  const std::string cases[] = {
      "null",
      "[]",
      R"("status")",
      "{}",                                  // no status
      R"({"status":"0","update_list":[]})",  // status as text
      R"({"status":0.5,"update_list":[]})",  // not a whole number
      R"({"status":true,"update_list":[]})",
      R"({"status":1e300,"update_list":[]})",
      R"({"status":0,"message":7})",
      R"({"status":0,"update_list":{}})",
      R"({"status":0,"update_list":"none"})",
      R"({"status":0,"update_list":[1]})",
      R"({"status":0,"update_list":[{"packege_url":"u"}]})",                   // no type
      R"({"status":0,"update_list":[{"packe_type":"1","packege_url":"u"}]})",  // type as text
      R"({"status":0,"update_list":[{"packe_type":1}]})",                      // no address
      R"({"status":0,"update_list":[{"packe_type":1,"packege_url":5}]})",
      R"({"status":0,"update_list":[{"packe_type":1,"packege_url":"u","update_content":3}]})",
      R"({"status":0,"update_list":[{"packe_type":1,"packege_url":"u","max_batchid":"3"}]})",
      R"({"status":0,"update_list":[{"packe_type":1,"packege_url":")" + longText + R"("}]})",
      withList(many),
  };
  for (const std::string& json : cases) {
    SCOPED_TRACE(json.substr(0, 120));
    EXPECT_FALSE(UpdateCentreReply::parse(JSONValue(json)));
  }
  EXPECT_TRUE(UpdateCentreReply::parse(JSONValue(withList(std::string(kPacket) + "," + kPacket))));
}

}  // namespace
