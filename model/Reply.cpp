#include "model/Reply.h"

#include "platform/core/Saturating.h"
#include "platform/core/Text.h"

std::shared_ptr<Reply> Reply::fromServerEntry(const core::Value& entry, std::int32_t indexPage) {
  auto reply = std::make_shared<Reply>();
  reply->userID = core::satInt(entry["UID"].toInt());
  reply->userName = entry["UserName"].toString();
  reply->indexPage = indexPage;
  std::string rest = core::utf16Substring(entry["UserNoteContent"].toString(), 8);  // after "ReplyID:"
  auto bar = rest.find('|');
  reply->replyStr = bar == std::string::npos ? std::string() : rest.substr(bar + 1);
  reply->replyID = core::intValue(rest.substr(0, bar));
  reply->belongID = reply->replyID;
  reply->replyTime = entry["NoteTime"].toString();
  reply->RID = core::satInt(entry["ID"].toInt());
  return reply;
}
