#include "screens/records/RecordsScreens.h"

#include "app/VDViewControllerFactory.h"
#include "screens/records/ExamGuideContentViewController.h"
#include "screens/records/ExamGuideViewController.h"
#include "screens/records/ExamInterfaceViewController.h"
#include "screens/records/LearningRecordViewController.h"
#include "screens/records/StatisticsViewController.h"
#include "screens/records/TestsRankViewController.h"

namespace {

template <class Screen>
void registerOne() {
  VDViewControllerFactory::registerScreen(Screen::kIdentifier,
                                          [](const std::string&) { return std::make_shared<Screen>(); });
}

}  // namespace

void registerRecordsScreens() {
  registerOne<LearningRecordViewController>();
  registerOne<TestsRankViewController>();
  registerOne<StatisticsViewController>();
  registerOne<ExamGuideViewController>();
  registerOne<ExamGuideContentViewController>();
  registerOne<ExamInterfaceViewController>();
}
