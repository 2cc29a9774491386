#include "app/ReplyCheck.h"

#include "platform/core/Bundle.h"

bool ReplyCheck::isRecordList(const core::Value& list, std::size_t limit) {
  if (!list.isArray() || list.size() > limit) return false;
  for (const core::Value& entry : list.array())
    if (!entry.isDictionary()) return false;
  return true;
}

bool ReplyCheck::bodyIsRecordList(const core::Value& reply, std::size_t limit) {
  return reply.isDictionary() && isRecordList(reply["Body"], limit);
}

bool ReplyCheck::bodyIsRecord(const core::Value& reply) {
  return reply.isDictionary() && reply["Body"].isDictionary();
}

bool ReplyCheck::bodyIsEmpty(const core::Value& reply) {
  if (!reply.isDictionary()) return false;
  const core::Value body = reply["Body"];
  return body.isNull() || ((body.isArray() || body.isDictionary()) && body.size() == 0);
}

std::string ReplyCheck::failureMessage(const core::Value& reply) {
  if (reply.isNilOrNull()) return core::Bundle::main().localizedString("requestFaile");
  const core::Value message = reply.isDictionary() ? reply["Message"] : core::Value();
  if (message.isString() && !message.str().empty()) return shortened(message.str());
  if (bodyIsEmpty(reply)) return core::Bundle::main().localizedString("nodataMessage");
  return kMalformedMessage;
}

std::string ReplyCheck::shortened(const std::string& message) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < message.size(); ++i) {
    // A character starts at every byte that is not a continuation byte (10xxxxxx).
    if ((static_cast<unsigned char>(message[i]) & 0xC0) != 0x80 && chars++ == kMaxMessageLength)
      return message.substr(0, i);
  }
  return message;
}
