#include "widgets/AuthenticationDialog.h"

#include <algorithm>
#include <deque>

#include "platform/core/Text.h"
#include "platform/runloop/RunLoop.h"
#include "ui/Application.h"

namespace {

struct DialogState {
  std::shared_ptr<AuthenticationDialog> shown;
  std::deque<std::shared_ptr<HTTPRequest>> waiting;
};

// Main thread only.
DialogState& state() {
  static DialogState* s = new DialogState;
  return *s;
}

int portOf(const std::optional<core::URL>& url) { return url ? url->effectivePort() : -1; }

}  // namespace

bool AuthenticationDialog::canPresent() { return ui::Application::current() != nullptr; }

void AuthenticationDialog::install() {
  HTTPRequest::setAuthenticationDialogPresenter(&AuthenticationDialog::presentAuthenticationDialogForRequest,
                                                &AuthenticationDialog::canPresent);
}

std::shared_ptr<AuthenticationDialog> AuthenticationDialog::shownDialog() { return state().shown; }

std::size_t AuthenticationDialog::waitingRequestCount() { return state().waiting.size(); }

void AuthenticationDialog::presentAuthenticationDialogForRequest(
    const std::shared_ptr<HTTPRequest>& request) {
  if (!request) return;
  auto& s = state();
  if (s.shown || !canPresent()) {
    s.waiting.push_back(request);
    return;
  }
  Type type = request->authenticationNeeded() == HTTPAuthenticationState::ProxyAuthenticationNeeded
                  ? ProxyCredentials
                  : ServerCredentials;
  s.shown = std::make_shared<AuthenticationDialog>(request, type);
  s.shown->show();
}

void AuthenticationDialog::presentNextDialog() {
  auto& s = state();
  if (s.shown || s.waiting.empty() || !canPresent()) return;
  auto next = s.waiting.front();
  s.waiting.pop_front();
  presentAuthenticationDialogForRequest(next);
}

void AuthenticationDialog::dismiss() {
  auto shown = state().shown;
  if (shown && shown->alert_) shown->alert_->dismissWithClickedButtonIndex(0, true);
}

AuthenticationDialog::AuthenticationDialog(std::shared_ptr<HTTPRequest> request, Type type)
    : request_(std::move(request)), type_(type) {}

std::string AuthenticationDialog::prompt() const {
  return type_ == ProxyCredentials ? "Login to this secure proxy server." : "Login to this secure server.";
}

std::string AuthenticationDialog::footer() const {
  auto url = request_->url();
  bool https = url && core::toLower(url->scheme) == "https";
  if (request_->authenticationScheme() == "Basic" && !https) return "Password will be sent in the clear.";
  return "Password will be sent securely.";
}

ui::TextField* AuthenticationDialog::usernameField() const {
  return alert_ ? alert_->textFieldAtIndex(0) : nullptr;
}

ui::TextField* AuthenticationDialog::passwordField() const {
  return alert_ ? alert_->textFieldAtIndex(1) : nullptr;
}

ui::TextField* AuthenticationDialog::domainField() const {
  return alert_ && asksForDomain() ? alert_->textFieldAtIndex(2) : nullptr;
}

bool AuthenticationDialog::asksForDomain() const {
  const std::string scheme =
      type_ == ProxyCredentials ? request_->proxyAuthenticationScheme() : request_->authenticationScheme();
  return scheme == "NTLM";
}

void AuthenticationDialog::show() {
  std::string title;
  if (type_ == ProxyCredentials) {
    title = request_->proxyHost();
  } else if (auto url = request_->url()) {
    title = url->host;
  }
  std::string message = prompt();
  std::string realm =
      type_ == ProxyCredentials ? request_->proxyAuthenticationRealm() : request_->authenticationRealm();
  if (!realm.empty()) message += "\n" + realm;
  message += "\n" + footer();
  alert_ = std::make_shared<ui::AlertView>(title, message, weak_from_this(), std::string("Cancel"),
                                           std::vector<std::string>{"Login"});
  alert_->setAlertViewStyle(asksForDomain() ? ui::AlertView::Style::LoginPasswordAndDomainInput
                                             : ui::AlertView::Style::LoginAndPasswordInput);
  if (auto* f = usernameField()) f->setPlaceholder("User");
  if (auto* f = passwordField()) f->setPlaceholder("Password");
  if (auto* f = domainField()) f->setPlaceholder("Domain");
  alert_->show();
}

std::vector<std::shared_ptr<HTTPRequest>> AuthenticationDialog::requestsRequiringTheseCredentials() const {
  std::vector<std::shared_ptr<HTTPRequest>> out;
  auto mine = request_->url();
  for (const auto& r : state().waiting) {
    if (r->authenticationNeeded() != request_->authenticationNeeded()) continue;
    auto theirs = r->url();
    if (type_ == ProxyCredentials) {
      if (r->proxyHost() != request_->proxyHost() || r->proxyPort() != request_->proxyPort()) continue;
    } else {
      if (!mine || !theirs || theirs->host != mine->host || portOf(theirs) != portOf(mine) ||
          theirs->scheme != mine->scheme || r->authenticationRealm() != request_->authenticationRealm())
        continue;
    }
    out.push_back(r);
  }
  out.push_back(request_);
  return out;
}

void AuthenticationDialog::loginWithCredentialsFromDialog() {
  std::string user = usernameField() ? usernameField()->text() : "";
  std::string password = passwordField() ? passwordField()->text() : "";
  const bool withDomain = asksForDomain();
  std::string domain = domainField() ? domainField()->text() : "";
  auto& waiting = state().waiting;
  for (const auto& r : requestsRequiringTheseCredentials()) {
    if (type_ == ProxyCredentials) {
      r->setProxyUsername(user);
      r->setProxyPassword(password);
      if (withDomain) r->setProxyDomain(domain);
    } else {
      r->setUsername(user);
      r->setPassword(password);
      if (withDomain) r->setDomain(domain);
    }
    r->retryUsingSuppliedCredentials();
    waiting.erase(std::remove(waiting.begin(), waiting.end(), r), waiting.end());
  }
}

void AuthenticationDialog::cancelAuthenticationFromDialog() {
  auto& waiting = state().waiting;
  for (const auto& r : requestsRequiringTheseCredentials()) {
    r->cancelAuthentication();
    waiting.erase(std::remove(waiting.begin(), waiting.end(), r), waiting.end());
  }
}

void AuthenticationDialog::clickedButtonAtIndex(ui::AlertView& alert, int index) {
  if (index == alert.firstOtherButtonIndex())
    loginWithCredentialsFromDialog();
  else
    cancelAuthenticationFromDialog();
}

void AuthenticationDialog::didDismissWithButtonIndex(ui::AlertView&, int) {
  auto& s = state();
  if (s.shown.get() == this) s.shown.reset();
  rl::RunLoop::main().post([] { AuthenticationDialog::presentNextDialog(); });
}
