#pragma once
// LoginDelegate: what the login screen ("login") tells the screen that set itself as its delegate: the
// home screen, which drives the automatic login, and the "more" menu, which presents the login screen.
// The method is optional: the default does nothing.

struct LoginDelegate {
  virtual ~LoginDelegate() = default;
  // A login has succeeded and the chosen subject's application information is in the session.
  virtual void didLoginSuccess() {}
};
