#pragma once
// UpdateCentreReply: the update centre's answer to a bank query (POST 1.0/json/query), read once into
// named fields.
//
// Accepts: a dictionary with "status" (an integral number), optional "message" (text), and
// "update_list": an array of packet dictionaries, or missing / null (no packets). A packet needs
// "packe_type" (an integral number) and "packege_url" (text); "id", "client_type", "max_batchid",
// "alow_min_batchid", "alow_min_appversion" are integral numbers and "app_ename", "publish_time",
// "update_content" text when present (missing: 0 / "").
// Refuses (parse gives nullopt): anything that is not such a dictionary, a field of the wrong type, a
// packet that is not a dictionary or lacks its type or address.
// Limits: at most kMaxPackets packets; texts of at most kMaxText bytes; numbers that do not fit 64 bits
// or are not whole are refused.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/Value.h"

struct UpdatePacket {
  std::int64_t id = 0;
  std::string appEname;
  std::int64_t clientType = 0;
  std::int64_t packeType = 0;  // PacketType
  std::string packegeUrl;      // the file name is the text after its last "/"
  std::int64_t maxBatchid = 0;
  std::int64_t alowMinBatchid = 0;
  std::int64_t alowMinAppversion = 0;
  std::string publishTime;
  std::string updateContent;

  // The packet as the update panel and the update run read it ("packe_type", "packege_url", ...).
  core::Value toValue() const;
};

struct UpdateCentreReply {
  static constexpr std::size_t kMaxPackets = 1000;
  static constexpr std::size_t kMaxText = 64 * 1024;

  std::int64_t status = 0;  // 0 ok, 4 a mandatory update
  std::string message;
  std::vector<UpdatePacket> updateList;

  static std::optional<UpdateCentreReply> parse(const core::Value& json);
  // The packets as "update_list" items (an array, possibly empty).
  core::Value updateListValue() const;
};
