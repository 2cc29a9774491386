#include "screens/notes/NoteUpdateContext.h"

#include <algorithm>

#include "app/Session.h"

namespace {

// The context and the session dictionary it belongs to.
struct Slot {
  core::Value session;
  std::shared_ptr<NoteUpdateContext> context;
};

Slot& slot() {
  static Slot s;
  return s;
}

core::Value runningSession() {
  Session* session = Session::current();
  return session ? session->userSession() : core::Value();
}

}  // namespace

std::shared_ptr<NoteUpdateContext> NoteUpdateContext::current() {
  const core::Value session = runningSession();
  Slot& s = slot();
  if (!session.isDictionary() || !s.context || !s.session.sameAs(session) || !session.contains(kSessionKey)) {
    return nullptr;
  }
  return s.context;
}

void NoteUpdateContext::store(std::shared_ptr<NoteUpdateContext> context) {
  core::Value session = runningSession();
  if (!session.isDictionary()) return;
  slot() = {session, context};
  if (context) {
    context->writeSessionEntry();
  } else {
    session.remove(kSessionKey);
  }
}

void NoteUpdateContext::writeSessionEntry() const {
  core::Value session = runningSession();
  if (!session.isDictionary()) return;
  core::Value entry = core::Value::dictionary();
  entry.set("NID", currentNote ? currentNote->NID : 0);
  entry.set("AID", currentNote ? currentNote->AID : 0);
  session.set(kSessionKey, entry);
}

void NoteUpdateContext::noteEdited(std::int32_t nid, const std::string& text) {
  if (!noteArray) return;
  for (const auto& note : *noteArray) {
    if (!note || note->NID != nid) continue;
    note->noteStr = text;
    currentNote = note;
    writeSessionEntry();
    return;
  }
}

void NoteUpdateContext::noteDeleted(std::int32_t nid) {
  if (!noteArray) return;
  std::erase_if(*noteArray, [nid](const std::shared_ptr<Note>& note) { return note && note->NID == nid; });
}
