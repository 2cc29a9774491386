#pragma once
// Reply: one reply threaded under a note.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/core/Value.h"

struct Reply {
  std::int32_t userID = 0;    // replier (server key "UID")
  std::string userName;       // replier's name; "我" for the logged-in user
  std::int32_t replyID = 0;   // id of the entry being replied to
  std::string replyName;      // name of the user being replied to
  std::string replyStr;       // reply text
  std::string replyTime;      // the server's time text
  std::int32_t RID = 0;       // reply id
  std::int32_t belongID = 0;  // NID of the note the reply belongs to
  std::int32_t indexPage = 0;

  // A reply with the fields one server reply entry gives directly. Its content reads
  // "ReplyID:<id>|<text>": the characters from the ninth on (counted in UTF-16 units) up to the first
  // "|" are the answered id (replyID and, until the thread's root is known, belongID), the rest is
  // the reply text (empty without "|"). "UID", "UserName" (as sent), "NoteTime" and "ID" fill
  // userID, userName, replyTime and RID.
  static std::shared_ptr<Reply> fromServerEntry(const core::Value& entry, std::int32_t indexPage);
};
