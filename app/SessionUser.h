#pragma once
// SessionUser: the logged-in user, as the login stored it in the user session under "userInfo": the
// server's user record (the login reply's "Body") plus the password typed at the login under "Pwd".
// The record stays the backing store: these fields are read from it, and `record` keeps the whole
// dictionary for the keys no screen names here (avatar, details of the personal-data screen).
//
// Accepts a dictionary; refuses anything else (nobody is logged in). A field that is missing or of
// another kind reads as empty (0 for the login count).

#include <cstdint>
#include <optional>
#include <string>

#include "platform/core/Value.h"

struct SessionUser {
  static constexpr const char* kSessionKey = "userInfo";

  std::string id;               // "ID"
  std::string userName;         // "UserName", the login name
  std::string nickName;         // "NickName"
  std::string pwd;              // "Pwd", kept for the automatic re-login and the password change
  std::int64_t loginCount = 0;  // "LoginCount": 1 on the first login of the account
  core::Value record;           // the whole "userInfo" dictionary (shared, not copied)

  // The user of a "userInfo" value; nullopt when it is no dictionary.
  static std::optional<SessionUser> from(const core::Value& userInfo);
};
