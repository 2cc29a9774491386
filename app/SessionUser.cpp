#include "app/SessionUser.h"

std::optional<SessionUser> SessionUser::from(const core::Value& userInfo) {
  if (!userInfo.isDictionary()) return std::nullopt;
  auto text = [&](const char* key) {
    const core::Value v = userInfo[key];
    return v.isString() || v.isNumber() ? v.toString() : std::string();
  };
  SessionUser user;
  user.id = text("ID");
  user.userName = text("UserName");
  user.nickName = text("NickName");
  user.pwd = text("Pwd");
  user.loginCount = userInfo["LoginCount"].toInt();
  user.record = userInfo;
  return user;
}
