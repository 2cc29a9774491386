#pragma once
// ReplyCheck: what a screen makes of a server reply before it reads a list or a record out of it. The
// clients' success flags (service/ApiClientSupport.h) only say that a reply came and that its "Body"
// passes their rule; a screen asks here whether the "Body" has the shape it reads, and what to tell the
// user when it has not, so that no request ends in silence.
//
// Accepts: a reply as the clients deliver it (null when none came, else the parsed object or array).
// Refuses (shape checks false): a top level that is not an object, a "Body" of another type, a list
// with an entry that is not a record or with more entries than the caller's limit.
// Limits: a server's "Message" is shown up to kMaxMessageLength characters (cut at a character).

#include <cstddef>
#include <string>

#include "platform/core/Value.h"

class ReplyCheck {
 public:
  // The text for a reply of the wrong shape that no screen text covers.
  static constexpr const char* kMalformedMessage = "服务器数据有误，请稍后重试";
  static constexpr std::size_t kMaxMessageLength = 200;

  // `list` is an array of at most `limit` entries, each an object (an empty array passes).
  static bool isRecordList(const core::Value& list, std::size_t limit);
  // "Body" is an array of at most `limit` entries, each an object (an empty array passes).
  static bool bodyIsRecordList(const core::Value& reply, std::size_t limit);
  // "Body" is an object.
  static bool bodyIsRecord(const core::Value& reply);
  // The reply is an object whose "Body" is null, or an empty array or object (a missing "Body" is of
  // the wrong shape, not empty).
  static bool bodyIsEmpty(const core::Value& reply);

  // What to tell the user about a reply a screen cannot use: the localized "requestFaile" when none
  // came; the reply's own "Message" when it is a non-empty text; the localized "nodataMessage" when its
  // "Body" is null or empty; kMalformedMessage otherwise.
  static std::string failureMessage(const core::Value& reply);
  // `message` cut to kMaxMessageLength characters (UTF-8).
  static std::string shortened(const std::string& message);
};
