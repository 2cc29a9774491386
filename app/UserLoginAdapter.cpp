#include "app/UserLoginAdapter.h"

#include <memory>

#include "librarys/json/JsonWriter.h"
#include "service/User.h"

void UserLoginAdapter::login(const core::Value& loginRequest) {
  const auto text = JSONRepresentation(loginRequest);
  if (!text) return;
  auto user = std::make_shared<User>();
  user->login(*text);
}
