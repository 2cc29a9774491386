#pragma once
// MyNotePanelOwner: what the user's note panel (MyNoteViewController) tells the notes screen that holds
// it as its first row (AllNoteViewController): the panel changed its size, a page of notes is to be
// reloaded, a note was deleted. The notes screen implements it and hands itself to the panel, which
// holds it weakly. Main thread only.

#include <cstdint>

class MyNotePanelOwner {
 public:
  virtual ~MyNotePanelOwner() = default;
  // The panel changed its size: row 0 is laid out again.
  virtual void panelDidChange() = 0;
  // Reloads one page of notes (not a further page) through the notes client.
  virtual void reloadNotePage(int page) = 0;
  virtual void setIsDelete(bool isDelete) = 0;
  // The user deleted note `nid`: it leaves the list.
  virtual void noteDeleted(std::int32_t nid) = 0;
};
