#include "screens/practice/PracticeScreens.h"

#include "app/VDViewControllerFactory.h"
#include "screens/practice/ChaptListViewController.h"
#include "screens/practice/ExamSetting1ViewController.h"
#include "screens/practice/ExamSetting2ViewController.h"
#include "screens/practice/FastLearnDetailViewController.h"
#include "screens/practice/FastLearnViewController.h"
#include "screens/practice/SimulateExamsViewController.h"

namespace {

template <class Screen>
void registerOne() {
  VDViewControllerFactory::registerScreen(Screen::kIdentifier,
                                          [](const std::string&) { return std::make_shared<Screen>(); });
}

}  // namespace

void registerPracticeScreens() {
  registerOne<SimulateExamsViewController>();
  registerOne<ChaptListViewController>();
  registerOne<ExamSetting1ViewController>();
  registerOne<ExamSetting2ViewController>();
  registerOne<FastLearnViewController>();
  registerOne<FastLearnDetailViewController>();
}
