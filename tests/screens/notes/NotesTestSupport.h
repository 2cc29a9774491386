#pragma once
// What the note list tests share: the texts a list shows, and pulling a list past its end.

#include <algorithm>
#include <string>
#include <vector>

#include "NotesFixture.h"
#include "screens/notes/AllNoteViewController.h"
#include "screens/notes/MainNoteViewController.h"
#include "ui/Label.h"
#include "ui/TableView.h"

namespace notes_test {

// The text of the first label inside `view` (depth first), "" when none.
inline std::string firstLabelText(const ui::View& view) {
  if (auto* label = dynamic_cast<const ui::Label*>(&view)) return label->text();
  for (const auto& sub : view.subviews()) {
    std::string text = firstLabelText(*sub);
    if (!text.empty()) return text;
  }
  return "";
}

// The note texts of the rows after row 0, in row order.
inline std::vector<std::string> rowTexts(const std::vector<std::shared_ptr<ui::View>>& rows) {
  std::vector<std::string> out;
  for (std::size_t i = 1; i < rows.size(); ++i) out.push_back(firstLabelText(*rows[i]));
  return out;
}

// Waits until the user's notes have their first page: it is shaped on a worker.
inline void waitForFirstPage(NotesFixture& f, MainNoteViewController& notes) {
  ASSERT_TRUE(runUntil([&] {
    f.h().settle();
    return !notes.isShapingFirstPage();
  }));
  f.h().settle();
}

// Drags the list with the finger to its end and on past it (a pull for more), then lets go.
inline void pullPastTheEnd(ui::test::Harness& h, ui::TableView& table) {
  const double toEnd =
      std::max(0.0, table.contentSize().height - table.frame().height() - table.contentOffset().y);
  // Past the end the content follows the finger only half as far.
  ASSERT_TRUE(h.drag(table, {0, -(toEnd + 2 * 130)}));
}

// Opens the notes of a question as the answering screen does: the question's id in the session, the
// first page of all notes and the user's own notes handed over (Nil for an empty half), then pushed.
inline std::shared_ptr<AllNoteViewController> openQuestionNotes(NotesFixture& f, int aid) {
  const std::string id = std::to_string(aid);
  f.app().userSession().set("ALLTESTID", id);
  const core::Value all =
      NotesFixture::serverGet("1.0/json/exam/GetAllNoteByAID/GKSample/" + id + "/1")["Body"];
  const core::Value mine = NotesFixture::serverGet("1.0/json/exam/GetMyNote/GKSample/" + id)["Body"];
  auto screen = f.make<AllNoteViewController>("allNote");
  EXPECT_TRUE(screen);
  screen->setJson(all.size() > 0 ? all : core::Value());
  screen->setMyNoteJson(mine.size() > 0 ? mine : core::Value());
  f.push(screen);
  return screen;
}

}  // namespace notes_test
