// Feeds arbitrary bytes, read as JSON, to the update centre's reply reader. Whatever it accepts stays
// within its limits, and reads back the same from its own packet items.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "bank/UpdateCentreReply.h"
#include "librarys/json/JsonParser.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

bool samePacket(const UpdatePacket& a, const UpdatePacket& b) {
  return a.id == b.id && a.appEname == b.appEname && a.clientType == b.clientType &&
         a.packeType == b.packeType && a.packegeUrl == b.packegeUrl && a.maxBatchid == b.maxBatchid &&
         a.alowMinBatchid == b.alowMinBatchid && a.alowMinAppversion == b.alowMinAppversion &&
         a.publishTime == b.publishTime && a.updateContent == b.updateContent;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const core::Value json = JSONValue(std::string_view(reinterpret_cast<const char*>(data), size));
  const auto reply = UpdateCentreReply::parse(json);
  if (!reply) return 0;
  check(reply->updateList.size() <= UpdateCentreReply::kMaxPackets);
  check(reply->message.size() <= UpdateCentreReply::kMaxText);
  for (const UpdatePacket& p : reply->updateList)
    check(p.packegeUrl.size() <= UpdateCentreReply::kMaxText &&
          p.updateContent.size() <= UpdateCentreReply::kMaxText);

  core::Value again = core::Value::newDictionary();
  again.set("status", reply->status);
  again.set("message", reply->message);
  again.set("update_list", reply->updateListValue());
  const auto reread = UpdateCentreReply::parse(again);
  check(reread && reread->status == reply->status && reread->updateList.size() == reply->updateList.size());
  for (std::size_t i = 0; i < reply->updateList.size(); ++i)
    check(samePacket(reread->updateList[i], reply->updateList[i]));
  return 0;
}
