#pragma once
// Note: one user note on a question as the note screens show it, with the replies threaded under it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/Reply.h"
#include "platform/core/Value.h"

using ReplyArray = std::vector<std::shared_ptr<Reply>>;

struct Note {
  std::int32_t AID = 0;     // the question the note is on (server key "AllTestID")
  std::int32_t userID = 0;  // author (server key "UID")
  std::string userName;     // author's name; "我" for the logged-in user
  std::string noteStr;      // note text (server key "UserNoteContent")
  std::string noteTime;     // the server's time text (server key "NoteTime")
  std::int32_t NID = 0;     // note id (server key "ID")
  std::int32_t dateInt = 0;
  std::shared_ptr<ReplyArray> replyArray;  // null until the note is filled; replies in display order
  std::int32_t indexPage = 0;              // the server page the note was loaded from
  std::string caption;                     // caption of the note's question or chapter ("Caption")

  // Ids past the range of an int32 stop at its ends (never wrap onto another note's id).
  // A note with the fields one server note entry gives directly: "UID", "UserName" (as the server
  // sends it), "UserNoteContent", "NoteTime", "ID", "AllTestID", "Caption", the page, and a new
  // empty reply list. Missing keys leave 0 and empty texts.
  static std::shared_ptr<Note> fromServerEntry(const core::Value& entry, std::int32_t indexPage);
};
