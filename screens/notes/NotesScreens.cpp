#include "screens/notes/NotesScreens.h"

#include "app/VDViewControllerFactory.h"
#include "screens/notes/AllNoteViewController.h"
#include "screens/notes/ErrorFeedbackViewController.h"
#include "screens/notes/FeedbackRecordViewController.h"
#include "screens/notes/MainNoteViewController.h"
#include "screens/notes/MyNoteViewController.h"
#include "screens/notes/UpdateNoteViewController.h"

namespace {

template <class Screen>
void registerOne() {
  VDViewControllerFactory::registerScreen(Screen::kIdentifier,
                                          [](const std::string&) { return std::make_shared<Screen>(); });
}

}  // namespace

void registerNotesScreens() {
  registerOne<UpdateNoteViewController>();
  registerOne<MyNoteViewController>();
  registerOne<AllNoteViewController>();
  registerOne<MainNoteViewController>();
  registerOne<ErrorFeedbackViewController>();
  registerOne<FeedbackRecordViewController>();
}
