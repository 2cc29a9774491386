#include "model/Note.h"

#include "platform/core/Saturating.h"

std::shared_ptr<Note> Note::fromServerEntry(const core::Value& entry, std::int32_t indexPage) {
  auto note = std::make_shared<Note>();
  note->userID = core::satInt(entry["UID"].toInt());
  note->userName = entry["UserName"].toString();
  note->noteStr = entry["UserNoteContent"].toString();
  note->noteTime = entry["NoteTime"].toString();
  note->NID = core::satInt(entry["ID"].toInt());
  note->AID = core::satInt(entry["AllTestID"].toInt());
  note->caption = entry["Caption"].toString();
  note->indexPage = indexPage;
  note->replyArray = std::make_shared<ReplyArray>();
  return note;
}
