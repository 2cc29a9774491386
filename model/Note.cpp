#include "model/Note.h"

std::shared_ptr<Note> Note::fromServerEntry(const core::Value& entry, std::int32_t indexPage) {
  auto note = std::make_shared<Note>();
  note->userID = static_cast<std::int32_t>(entry["UID"].toInt());
  note->userName = entry["UserName"].toString();
  note->noteStr = entry["UserNoteContent"].toString();
  note->noteTime = entry["NoteTime"].toString();
  note->NID = static_cast<std::int32_t>(entry["ID"].toInt());
  note->AID = static_cast<std::int32_t>(entry["AllTestID"].toInt());
  note->caption = entry["Caption"].toString();
  note->indexPage = indexPage;
  note->replyArray = std::make_shared<ReplyArray>();
  return note;
}
