#include "app/SubjectChoice.h"

#include "app/ApplicationState.h"
#include "bank/BankPaths.h"
#include "platform/core/UserDefaults.h"
#include "platform/runloop/RunLoop.h"

core::Value SubjectChoice::sessionEntry(const char* key) {
  if (!rl::RunLoop::isMainThread()) return {};
  ApplicationState* owner = ApplicationState::current();
  if (!owner) return {};
  return owner->userSession()[key];
}

bool SubjectChoice::isUsableSubjectName(std::string_view name) {
  return BankPaths::isUsableSubjectName(std::string(name));
}

bool SubjectChoice::isUsableQuoteProduct(const core::Value& choice) {
  if (!choice.isDictionary()) return false;
  const core::Value value = choice["Value"];
  return value.isString() && isUsableSubjectName(value.str());
}

core::Value SubjectChoice::appName() {
  const core::Value stored = core::UserDefaults::standard().objectForKey(kSaveAppName);
  if (isUsableQuoteProduct(stored)) return stored;
  const core::Value session = sessionEntry(kSaveAppName);
  if (isUsableQuoteProduct(session)) return session;
  return {};
}

core::Value SubjectChoice::quoteName() {
  const core::Value stored = core::UserDefaults::standard().objectForKey(kSaveQuoteName);
  if (!stored.isNilOrNull()) return stored;
  const core::Value session = sessionEntry(kSaveQuoteName);
  if (!session.isNilOrNull()) return session;
  return {};
}

std::string SubjectChoice::subjectEName() {
  const core::Value choice = appName();
  return choice.isNil() ? std::string() : choice["Value"].toString();
}

bool SubjectChoice::saveQuoteProduct(const core::Value& choice) {
  if (!isUsableQuoteProduct(choice)) return false;
  auto& defaults = core::UserDefaults::standard();
  defaults.setObject(kSaveAppName, choice);
  defaults.synchronize();
  return true;
}

bool SubjectChoice::saveQuoteName(const core::Value& choice) {
  if (choice.isNilOrNull()) return false;
  auto& defaults = core::UserDefaults::standard();
  defaults.setObject(kSaveQuoteName, choice);
  defaults.synchronize();
  return true;
}
