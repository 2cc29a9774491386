#pragma once
// Session: what the running application knows of the user's session, for the screens: the logged-in
// user, the chosen subject and the state of the question-bank check, as types, plus the user session's
// other entries ("Inform", "noteText", "ALLTESTID", ...) for the few screens that pass them on.
// The application state (ApplicationState) is the session; it keeps the two dictionaries as the
// backing store and this class reads and writes them. Main thread.

#include <optional>
#include <string>

#include "app/ChosenSubject.h"
#include "app/DownloadState.h"
#include "app/SessionUser.h"
#include "bank/UpdateCentreReply.h"
#include "platform/core/Value.h"

class Session {
 public:
  virtual ~Session() = default;

  // The dictionaries themselves (shared, not copied).
  virtual core::Value userSession() const = 0;
  virtual core::Value downSession() const = 0;
  virtual void setDownSession(core::Value session) = 0;
  // The update centre's last reply, read once into its fields; nullopt until one came.
  virtual const std::optional<UpdateCentreReply>& updateReply() const = 0;
  virtual void setUpdateReply(std::optional<UpdateCentreReply> reply) = 0;

  // The logged-in user; nullopt while nobody is logged in.
  std::optional<SessionUser> user() const;
  bool isLoggedIn() const { return user().has_value(); }
  // The login name of the logged-in user; "" while nobody is logged in.
  std::string userName() const;

  ChosenSubject subject() const { return ChosenSubject::current(); }

  // The flags of the bank check; setting them makes the download dictionary when there is none.
  DownloadState downloadState() const { return DownloadState::from(downSession()); }
  void setDownloadState(const DownloadState& state);

  // One entry of the user session (Nil when missing), and setting one.
  core::Value entry(const std::string& key) const;
  void setEntry(const std::string& key, core::Value value);

  // A copy of one entry of the running application's user session, Nil when there is no application or
  // no such entry. Callable from any thread: the copy is made on the main thread (a worker waits for
  // it). The request clients that read the session (MyNote) are made with it.
  static core::Value copiedEntry(const std::string& key);

  // The running application's session; nullptr when no application runs.
  static Session* current();
  // The running application's logged-in user; nullopt while nobody is or no application runs.
  static std::optional<SessionUser> currentUser();
};
