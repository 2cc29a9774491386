#include "app/Session.h"

#include "app/ApplicationState.h"
#include "platform/runloop/RunLoop.h"

std::optional<SessionUser> Session::user() const {
  return SessionUser::from(userSession()[SessionUser::kSessionKey]);
}

std::string Session::userName() const {
  const std::optional<SessionUser> u = user();
  return u ? u->userName : std::string();
}

void Session::setDownloadState(const DownloadState& state) {
  core::Value down = downSession();
  if (!down.isDictionary()) {
    down = core::Value::dictionary();
    setDownSession(down);
  }
  state.writeTo(down);
}

core::Value Session::entry(const std::string& key) const { return userSession()[key]; }

void Session::setEntry(const std::string& key, core::Value value) {
  core::Value session = userSession();
  if (session.isDictionary()) session.set(key, std::move(value));
}

Session* Session::current() { return ApplicationState::current(); }

std::optional<SessionUser> Session::currentUser() {
  const Session* session = current();
  return session ? session->user() : std::nullopt;
}

core::Value Session::copiedEntry(const std::string& key) {
  core::Value value;
  rl::performOnMainThread(
      [&] {
        if (Session* session = current()) value = session->userSession()[key].deepCopy();
      },
      true);
  return value;
}
