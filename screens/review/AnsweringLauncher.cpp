#include "screens/review/AnsweringLauncher.h"

#include <algorithm>

#include "app/VDViewControllerFactory.h"
#include "exam/sets/AnsweringScreen.h"
#include "model/TestPager.h"
#include "ui/NavigationController.h"

bool AnsweringLauncher::open(ui::ViewController& from, const QuestionsArray& page,
                             const std::shared_ptr<Questions>& current, FunctionModule module,
                             const std::string& chapterName, const std::optional<core::Value>& testsJSON) {
  if (page.empty() || !current || std::find(page.begin(), page.end(), current) == page.end()) return false;
  ui::NavigationController* nav = from.navigationController();
  if (!nav) return false;
  auto made = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("examming");
  auto* screen = dynamic_cast<AnsweringScreen*>(made.get());
  if (!screen) return false;
  auto pager = std::make_shared<TestPager>(page);
  pager->setCurrentTest(current);
  screen->setTestPager(pager);
  screen->setOriginalMode(AnsweringMode::Reading);
  screen->setRedoMode(AnsweringMode::Practice);
  screen->setFunctionState(module);
  screen->setChapterName(chapterName);
  if (testsJSON) screen->setTestsJSON(*testsJSON);
  screen->setIsAllow(false);
  return nav->pushViewController(made, true);
}
