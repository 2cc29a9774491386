#include "bank/UpdateCentreReply.h"

#include <cmath>
#include <limits>

namespace {

// A whole number that fits 64 bits, from an integer or a decimal/double without a fraction.
std::optional<std::int64_t> wholeNumber(const core::Value& v) {
  if (v.isInteger()) return v.toInt();
  if (!v.isNumber()) return std::nullopt;
  const double d = v.toDouble();
  if (!std::isfinite(d) || d != std::floor(d) || d < -9.2e18 || d > 9.2e18) return std::nullopt;
  return static_cast<std::int64_t>(d);
}

// An optional whole-number field: missing or null reads as 0; anything else but a number refuses.
bool readNumber(const core::Value& dict, const char* key, std::int64_t& out) {
  const core::Value v = dict[key];
  if (v.isNilOrNull()) return true;
  const auto n = wholeNumber(v);
  if (!n) return false;
  out = *n;
  return true;
}

bool readText(const core::Value& dict, const char* key, std::string& out) {
  const core::Value v = dict[key];
  if (v.isNilOrNull()) return true;
  if (!v.isString() || v.str().size() > UpdateCentreReply::kMaxText) return false;
  out = v.str();
  return true;
}

std::optional<UpdatePacket> parsePacket(const core::Value& item) {
  if (!item.isDictionary()) return std::nullopt;
  UpdatePacket p;
  const auto type = wholeNumber(item["packe_type"]);
  if (!type || !item["packege_url"].isString()) return std::nullopt;
  p.packeType = *type;
  if (!readText(item, "packege_url", p.packegeUrl) || !readNumber(item, "id", p.id) ||
      !readText(item, "app_ename", p.appEname) || !readNumber(item, "client_type", p.clientType) ||
      !readNumber(item, "max_batchid", p.maxBatchid) ||
      !readNumber(item, "alow_min_batchid", p.alowMinBatchid) ||
      !readNumber(item, "alow_min_appversion", p.alowMinAppversion) ||
      !readText(item, "publish_time", p.publishTime) || !readText(item, "update_content", p.updateContent))
    return std::nullopt;
  return p;
}

}  // namespace

core::Value UpdatePacket::toValue() const {
  return core::Dictionary{{"id", id},
                          {"app_ename", appEname},
                          {"client_type", clientType},
                          {"packe_type", packeType},
                          {"packege_url", packegeUrl},
                          {"max_batchid", maxBatchid},
                          {"alow_min_batchid", alowMinBatchid},
                          {"alow_min_appversion", alowMinAppversion},
                          {"publish_time", publishTime},
                          {"update_content", updateContent}};
}

std::optional<UpdateCentreReply> UpdateCentreReply::parse(const core::Value& json) {
  if (!json.isDictionary()) return std::nullopt;
  UpdateCentreReply reply;
  const auto status = wholeNumber(json["status"]);
  if (!status || !readText(json, "message", reply.message)) return std::nullopt;
  reply.status = *status;
  const core::Value list = json["update_list"];
  if (list.isNilOrNull()) return reply;
  if (!list.isArray() || list.size() > kMaxPackets) return std::nullopt;
  for (std::size_t i = 0; i < list.size(); ++i) {
    auto packet = parsePacket(list[i]);
    if (!packet) return std::nullopt;
    reply.updateList.push_back(std::move(*packet));
  }
  return reply;
}

core::Value UpdateCentreReply::updateListValue() const {
  core::Value list = core::Value::newArray();
  for (const UpdatePacket& p : updateList) list.push_back(p.toValue());
  return list;
}
