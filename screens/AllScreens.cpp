#include "screens/AllScreens.h"

#include "app/VDViewControllerFactory.h"
#include "exam/ExamScreens.h"
#include "screens/account/AccountScreens.h"
#include "screens/home/HomeScreens.h"
#include "screens/notes/NotesScreens.h"
#include "screens/practice/PracticeScreens.h"
#include "screens/records/RecordsScreens.h"
#include "screens/review/ReviewScreens.h"
#include "screens/settings/FeedbackScreens.h"
#include "screens/settings/SettingsScreens.h"
#include "screens/subject/SubjectScreens.h"
#include "screens/update/UpdateScreens.h"

void registerAllScreens() {
  // A clean slate: what was registered before (another area's screens, a test's stand-in) goes.
  for (const std::string& id : allScreenIdentifiers()) VDViewControllerFactory::unregisterScreen(id);
  registerHomeScreens();
  registerUpdateScreens();
}

void registerEveryScreen() {
  registerAllScreens();  // the root screens
  // Each area's; one line per area.
  registerAccountScreens();
  registerSubjectScreens();
  registerExamScreens();
  registerNotesScreens();
  registerReviewScreens();
  registerPracticeScreens();
  registerRecordsScreens();
  registerFeedbackScreens();
  registerSettingsScreens();
}
