#pragma once
// NoteUpdateContext: the note the user opened from the my-notes list ("mainNote"), shared with the notes
// panel of that note's question ("myNote"), so that an edit or a deletion made there shows in the list
// on return.
//
// It is the user session's "updateNote": the list stores a new context each time a note's text is
// tapped, before the question is requested, and nothing clears it. The session dictionary holds values
// only, so the session's entry is a plain record of the current note ({"NID", "AID"}) and the context
// itself lives beside it, bound to that session dictionary: a new session (a new application delegate)
// starts without one, and removing the entry removes the context.
//
// `noteArray` is the list's own array, not a copy: the panel changes what the list shows through it.
// Main thread only.

#include <cstdint>
#include <memory>
#include <string>

#include "app/VDHelper.h"
#include "model/Note.h"

class NoteUpdateContext {
 public:
  using NoteArray = VDHelper::NoteArray;

  static constexpr const char* kSessionKey = "updateNote";
  static constexpr const char* kNoteTextKey = "noteText";  // the text of the last successful edit

  std::shared_ptr<Note> currentNote;
  std::shared_ptr<NoteArray> noteArray;

  // The context of the running application's session; nullptr when none is stored.
  static std::shared_ptr<NoteUpdateContext> current();
  // Stores `context` as the session's context (replacing the one before).
  static void store(std::shared_ptr<NoteUpdateContext> context);

  // The user changed the text of note `nid` elsewhere: the array's note with that id takes the text
  // and becomes the current note. Notes of other ids are left alone.
  void noteEdited(std::int32_t nid, const std::string& text);
  // The user deleted note `nid` elsewhere: it leaves the array.
  void noteDeleted(std::int32_t nid);

 private:
  void writeSessionEntry() const;
};
