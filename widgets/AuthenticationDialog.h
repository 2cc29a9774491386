#pragma once
// AuthenticationDialog: asks a person for the credentials a server (401) or proxy (407) wants, as a modal
// alert with a user-name and a password field (and, when the scheme asked for is NTLM, a domain field)
// and the buttons "Cancel" and "Login".
//
// One dialog shows at a time. Requests that need credentials meanwhile wait in a class-wide list (oldest
// first); one answer is given to every waiting request that needs the same credentials (server: the same
// host, port, scheme and realm; proxy: the same proxy host and port), each retried with it or, on
// "Cancel", failed with code 3. When a dialog has gone, the next waiting request gets its own.
//
// Everything runs on the main thread: requests hand themselves over from their own thread
// (HTTPRequest::showAuthenticationDialog). For NTLM the domain typed goes to every answered request's
// domain (proxy domain for a proxy); left empty, a user name typed as "DOMAIN\user" still gives it.
//
// The HTTP client holds no UI: install() hands this dialog to it through its presenter hook
// (HTTPRequest::setAuthenticationDialogPresenter); the application does so at start-up.

#include <memory>
#include <string>
#include <vector>

#include "librarys/http/HTTPRequest.h"
#include "ui/AlertView.h"

class AuthenticationDialog : public ui::AlertViewDelegate,
                             public std::enable_shared_from_this<AuthenticationDialog> {
 public:
  enum Type { ServerCredentials = 0, ProxyCredentials = 1 };

  // Makes this dialog the HTTP client's authentication dialog (any thread).
  static void install();
  // Shows a dialog for the request, or queues it behind the one on show. Main thread.
  static void presentAuthenticationDialogForRequest(const std::shared_ptr<HTTPRequest>& request);
  // False when there is no application window to show a dialog on.
  static bool canPresent();
  // The dialog on show (null when none) and the number of requests waiting for one.
  static std::shared_ptr<AuthenticationDialog> shownDialog();
  static std::size_t waitingRequestCount();
  // Dismisses the dialog on show.
  static void dismiss();
  // Shows a dialog for the oldest waiting request, if any and none is on show.
  static void presentNextDialog();

  AuthenticationDialog(std::shared_ptr<HTTPRequest> request, Type type);

  std::shared_ptr<HTTPRequest> request() const { return request_; }
  Type type() const { return type_; }
  std::shared_ptr<ui::AlertView> alertView() const { return alert_; }
  ui::TextField* usernameField() const;
  ui::TextField* passwordField() const;
  // The domain field; nullptr unless the dialog asks for a domain.
  ui::TextField* domainField() const;
  // True when the scheme asked for (the proxy's for proxy credentials, the server's otherwise) is NTLM.
  bool asksForDomain() const;
  // "Login to this secure proxy server." / "Login to this secure server."
  std::string prompt() const;
  // "Password will be sent in the clear." (Basic over anything but https) or "Password will be sent
  // securely.".
  std::string footer() const;

  void show();
  void loginWithCredentialsFromDialog();
  void cancelAuthenticationFromDialog();
  // The waiting requests needing these credentials, then the dialog's own request last.
  std::vector<std::shared_ptr<HTTPRequest>> requestsRequiringTheseCredentials() const;

  void clickedButtonAtIndex(ui::AlertView& alert, int index) override;
  void didDismissWithButtonIndex(ui::AlertView& alert, int index) override;

 private:
  std::shared_ptr<HTTPRequest> request_;
  Type type_;
  std::shared_ptr<ui::AlertView> alert_;
};
