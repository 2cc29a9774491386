#include "app/UserAppInfoClient.h"

#include <utility>

#include "platform/runloop/RunLoop.h"

void UserAppInfoClient::appInfo(const std::string& bankShortName, Reply reply) {
  reply_ = std::move(reply);
  self_ = shared_from_this();  // kept until the reply arrives
  user_ = std::make_shared<User>();
  user_->delegate = std::static_pointer_cast<UserDelegate>(shared_from_this());
  user_->appInfo(bankShortName);
}

void UserAppInfoClient::didAppInfo(bool ok, const core::Value& json) {
  if (auto reply = std::move(reply_)) reply(ok, json);
  reply_ = nullptr;
  // The client is still inside its own callback: let go of it on the next turn of the loop.
  rl::RunLoop::main().post([keep = std::move(self_)] {});
}
