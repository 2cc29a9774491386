#include "screens/AllScreens.h"

#include "app/VDViewControllerFactory.h"
#include "exam/ExamScreens.h"
#include "screens/account/AccountScreens.h"
#include "screens/notes/NotesScreens.h"
#include "screens/practice/PracticeScreens.h"
#include "screens/records/RecordsScreens.h"
#include "screens/review/ReviewScreens.h"
#include "screens/settings/FeedbackScreens.h"
#include "screens/settings/SettingsScreens.h"
#include "screens/subject/SubjectScreens.h"

void registerEveryScreen() {
  registerAllScreens();  // the shell's own screens
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
