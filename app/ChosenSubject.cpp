#include "app/ChosenSubject.h"

#include "app/SubjectChoice.h"

namespace {

ChosenSubject::Pair pair(const core::Value& choice) {
  if (!choice.isDictionary()) return {};
  auto text = [&](const char* key) {
    const core::Value v = choice[key];
    return v.isString() || v.isNumber() ? v.toString() : std::string();
  };
  return {text("Key"), text("Value")};
}

}  // namespace

ChosenSubject ChosenSubject::from(const core::Value& product, const core::Value& quote) {
  ChosenSubject subject;
  if (SubjectChoice::isUsableQuoteProduct(product)) subject.product = pair(product);
  subject.quote = pair(quote);
  return subject;
}

ChosenSubject ChosenSubject::current() { return from(SubjectChoice::appName(), SubjectChoice::quoteName()); }
