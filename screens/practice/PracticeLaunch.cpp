#include "screens/practice/PracticeLaunch.h"

#include <algorithm>

#include "app/ReplyCheck.h"
#include "app/Session.h"
#include "app/VDHelper.h"
#include "app/VDViewControllerFactory.h"
#include "model/TestPager.h"
#include "platform/core/Bundle.h"
#include "ui/NavigationController.h"

namespace {

// The answering screen, made and typed; nullptr when the factory has none.
std::shared_ptr<ui::ViewController> makeAnswering(AnsweringScreen*& screen) {
  auto made = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("examming");
  screen = dynamic_cast<AnsweringScreen*>(made.get());
  return screen ? made : nullptr;
}

}  // namespace

bool PracticeLaunch::open(ui::ViewController& from, const QuestionsArray& tests, std::shared_ptr<Questions> current,
                          const Configure& configure) {
  if (tests.empty()) return false;
  if (!current) current = tests.front();
  if (std::find(tests.begin(), tests.end(), current) == tests.end()) return false;
  ui::NavigationController* nav = from.navigationController();
  AnsweringScreen* screen = nullptr;
  auto made = makeAnswering(screen);
  if (!nav || !made) return false;
  auto pager = std::make_shared<TestPager>(tests);
  pager->setCurrentTest(current);
  screen->setTestPager(pager);
  if (configure) configure(*screen);
  return nav->pushViewController(made, true);
}

bool PracticeLaunch::resume(ui::ViewController& from, const RestoredRun& run, const Configure& configure) {
  ui::NavigationController* nav = from.navigationController();
  AnsweringScreen* screen = nullptr;
  auto made = makeAnswering(screen);
  if (!nav || !made || !run.applyTo(*screen)) return false;
  if (configure) configure(*screen);
  return nav->pushViewController(made, true);
}

std::string PracticeLaunch::localized(const char* key) { return core::Bundle::main().localizedString(key); }

core::Value PracticeLaunch::session() {
  Session* session = Session::current();
  return session ? session->userSession() : core::Value();
}

bool PracticeLaunch::isLoggedIn() { return Session::currentUser().has_value(); }

std::string PracticeLaunch::failureText(const core::Value& reply, const char* noReplyKey, const char* emptyKey) {
  if (reply.isNilOrNull()) return localized(noReplyKey);
  const core::Value message = reply.isDictionary() ? reply["Message"] : core::Value();
  if (message.isString() && !message.str().empty()) return ReplyCheck::shortened(message.str());
  // A set that gave no question, or none at all; anything else is not a set.
  if (ReplyCheck::bodyIsEmpty(reply) || ReplyCheck::bodyIsRecord(reply)) return localized(emptyKey);
  return ReplyCheck::kMalformedMessage;
}
