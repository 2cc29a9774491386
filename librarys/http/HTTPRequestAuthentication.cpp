// HTTPRequest: answering authentication challenges of servers (401) and proxies (407) with Basic, Digest
// or NTLM, from the session stores, the request's own credentials, the kept credentials (keychain), the
// delegate or the authentication dialog.

#include <mutex>

#include "librarys/http/HTTPRequest.h"
#include "librarys/http/HTTPRequestClassState.h"
#include "platform/core/Text.h"
#include "platform/net/HTTPAuthentication.h"
#include "platform/runloop/RunLoop.h"

namespace {

using Auth = net::HTTPAuthentication;

std::shared_ptr<Auth> authOf(const std::shared_ptr<void>& p) { return std::static_pointer_cast<Auth>(p); }

std::mutex& presenterLock() {
  static std::mutex m;
  return m;
}
struct DialogHook {
  HTTPRequest::AuthenticationDialogPresenter presenter;
  std::function<bool()> canPresent;
};

DialogHook& dialogHook() {
  static DialogHook hook;
  return hook;
}

net::AuthCredentials toAuthCredentials(const core::Value& c) {
  return {c["username"].toString(), c["password"].toString(), c["domain"].toString()};
}

core::Value makeCredentials(const std::string& user, const std::string& password, bool withDomain,
                            const std::string& domain) {
  core::Value v(core::Dictionary{{"username", user}, {"password", password}});
  if (withDomain) v.set("domain", domain);
  return v;
}

int defaultPort(const core::URL& url) {
  if (url.port >= 0) return url.port;
  return core::toLower(url.scheme) == "https" ? 443 : 80;
}

// A user name "DOMAIN\user" split in two; false when it does not split into exactly two parts.
bool splitDomainUser(const std::string& name, std::string& domain, std::string& user) {
  auto parts = core::split(name, "\\");
  if (parts.size() != 2) return false;
  domain = parts[0];
  user = parts[1];
  return true;
}

// What shows the authentication dialog: the installed presenter when it can show one now; empty
// otherwise.
HTTPRequest::AuthenticationDialogPresenter dialogPresenter() {
  DialogHook hook;
  {
    std::lock_guard lock(presenterLock());
    hook = dialogHook();
  }
  if (!hook.presenter || (hook.canPresent && !hook.canPresent())) return {};
  return hook.presenter;
}

}  // namespace

void HTTPRequest::setAuthenticationDialogPresenter(AuthenticationDialogPresenter p,
                                                   std::function<bool()> canPresent) {
  std::lock_guard lock(presenterLock());
  dialogHook() = {std::move(p), std::move(canPresent)};
}

// ---------------------------------------------------------------------------------------------------
// Finding credentials

core::Value HTTPRequest::findCredentials() {
  auto auth = authOf(requestAuthentication_);
  bool needsDomain = auth && auth->requiresAccountDomain();
  std::string user, pass;
  if (url_ && !url_->user.empty()) {
    auto colon = url_->user.find(':');
    if (colon != std::string::npos) {
      user = core::removingPercentEscapes(url_->user.substr(0, colon)).value_or("");
      pass = core::removingPercentEscapes(url_->user.substr(colon + 1)).value_or("");
    }
  }
  if (user.empty() || pass.empty()) {
    auto mainRequest = mainRequest_.lock();
    const HTTPRequest& from = mainRequest ? *mainRequest : *this;
    user = from.username_;
    pass = from.password_;
  }
  if ((user.empty() || pass.empty()) && useKeychainPersistence_ && url_) {
    core::Value saved = savedCredentialsForHost(url_->host, defaultPort(*url_), core::toLower(url_->scheme),
                                                authenticationRealm_);
    if (saved.isDictionary()) {
      user = saved["username"].toString();
      pass = saved["password"].toString();
    }
  }
  if (user.empty() || pass.empty()) return core::Value();
  std::string domain = domain_;
  if (needsDomain && domain.empty()) {
    std::string d, u;
    if (splitDomainUser(user, d, u)) {
      domain = d;
      user = u;
    }
  }
  return makeCredentials(user, pass, needsDomain, domain);
}

core::Value HTTPRequest::findProxyCredentials() {
  auto auth = authOf(proxyAuthentication_);
  bool needsDomain = auth && auth->requiresAccountDomain();
  auto mainRequest = mainRequest_.lock();
  const HTTPRequest& from = mainRequest ? *mainRequest : *this;
  std::string user = from.proxyUsername_, pass = from.proxyPassword_;
  if ((user.empty() || pass.empty()) && proxyAuthenticationScheme_ == "NTLM") {
    user = from.username_;
    pass = from.password_;
  }
  if ((user.empty() || pass.empty()) && url_) {
    core::Value saved = savedCredentialsForProxy(proxyHost_, proxyPort_, core::toLower(url_->scheme),
                                                 proxyAuthenticationRealm_);
    if (saved.isDictionary()) {
      user = saved["username"].toString();
      pass = saved["password"].toString();
    }
  }
  if (user.empty() || pass.empty()) return core::Value();
  std::string domain = proxyDomain_;
  if (needsDomain && domain.empty()) {
    std::string d, u;
    if (splitDomainUser(user, d, u)) {
      domain = d;
      user = u;
    } else {
      domain = domain_;
    }
  }
  return makeCredentials(user, pass, needsDomain, domain);
}

// ---------------------------------------------------------------------------------------------------
// Applying credentials

void HTTPRequest::saveCredentialsToKeychain(const core::Value& credentials) {
  if (!url_ || !credentials.isDictionary() || credentials["username"].toString().empty()) return;
  saveCredentials(credentials, url_->host, defaultPort(*url_), core::toLower(url_->scheme),
                  authenticationRealm_);
}

void HTTPRequest::saveProxyCredentialsToKeychain(const core::Value& credentials) {
  if (!credentials.isDictionary() || credentials["username"].toString().empty()) return;
  saveCredentialsForProxy(credentials, proxyHost_, proxyPort_, proxyAuthenticationRealm_);
}

bool HTTPRequest::applyCredentials(const core::Value& credentials) {
  ++authenticationRetryCount_;
  auto auth = authOf(requestAuthentication_);
  if (!credentials.isDictionary() || !auth || !request_) return false;
  if (!auth->apply(*request_, toAuthCredentials(credentials))) {
    removeAuthenticationCredentialsFromSessionStore(credentials);
    return false;
  }
  if (useKeychainPersistence_) saveCredentialsToKeychain(credentials);
  if (useSessionPersistence_) {
    SessionCredentials entry;
    entry.authentication = requestAuthentication_;
    entry.credentials = credentials;
    entry.url = url_;
    entry.authenticationScheme = authenticationScheme_;
    entry.authenticationRealm = authenticationRealm_;
    storeAuthenticationCredentialsInSessionStore(entry);
  }
  requestCredentials_ = credentials;
  return true;
}

namespace {

// Puts the proxy's "Proxy-Authorization" on `request`. An https request reaches its proxy only through the
// CONNECT that opens its tunnel, so the value is worked out for that CONNECT (Digest signs its method and
// authority); the read stream sends it there and never inside the tunnel. NTLM cannot go that way: its
// handshake is bound to one connection, and a refused tunnel's connection is closed.
bool applyProxyAuthorizationTo(net::HTTPMessage& request, Auth& auth, const net::AuthCredentials& c) {
  const core::URL& url = request.requestURL();
  if (core::toLower(url.scheme) != "https") return auth.apply(request, c);
  if (auth.requiresAccountDomain()) return false;
  core::URL authority = url;
  authority.path = url.hostAndPort();
  if (url.port < 0) authority.path += ":" + std::to_string(defaultPort(url));
  authority.query.reset();
  authority.fragment.reset();
  auto connect = net::HTTPMessage::createRequest("CONNECT", authority);
  if (!connect || !auth.apply(*connect, c)) return false;
  auto value = connect->headerFieldValue("Proxy-Authorization");
  return value && request.setHeaderFieldValue("Proxy-Authorization", *value);
}

}  // namespace

bool HTTPRequest::applyProxyCredentials(const core::Value& credentials) {
  ++proxyAuthenticationRetryCount_;
  auto auth = authOf(proxyAuthentication_);
  if (!credentials.isDictionary() || !auth || !request_) return false;
  if (!applyProxyAuthorizationTo(*request_, *auth, toAuthCredentials(credentials))) {
    removeProxyAuthenticationCredentialsFromSessionStore(credentials);
    return false;
  }
  if (useKeychainPersistence_) saveProxyCredentialsToKeychain(credentials);
  if (useSessionPersistence_) {
    SessionCredentials entry;
    entry.authentication = proxyAuthentication_;
    entry.credentials = credentials;
    entry.host = proxyHost_;
    entry.port = proxyPort_;
    entry.authenticationScheme = proxyAuthenticationScheme_;
    storeProxyAuthenticationCredentialsInSessionStore(entry);
  }
  proxyCredentials_ = credentials;
  return true;
}

// ---------------------------------------------------------------------------------------------------
// Asking someone

bool HTTPRequest::willAskDelegateForCredentials() {
  if (isSynchronous_) return false;
  auto delegate = lockedDelegate();
  std::shared_ptr<HTTPRequestDelegate> target = delegate;
  if (!target) target = lockedQueue();
  bool responds = target && target->respondsToAuthenticationNeededForRequest();
  bool block = false;
  {
    std::lock_guard lock(cancelledLock_);
    block = static_cast<bool>(blocks_->authenticationNeeded);
  }
  if (!responds && !block) return false;
  auto self = shared();
  rl::performOnMainThread([self] { self->askDelegateForCredentials(); }, false);
  return true;
}

bool HTTPRequest::willAskDelegateForProxyCredentials() {
  if (isSynchronous_) return false;
  std::shared_ptr<HTTPRequestDelegate> target = lockedDelegate();
  if (!target) target = lockedQueue();
  bool responds = target && target->respondsToProxyAuthenticationNeededForRequest();
  bool block = false;
  {
    std::lock_guard lock(cancelledLock_);
    block = static_cast<bool>(blocks_->proxyAuthenticationNeeded);
  }
  if (!responds && !block) return false;
  auto self = shared();
  rl::performOnMainThread([self] { self->askDelegateForProxyCredentials(); }, false);
  return true;
}

void HTTPRequest::askDelegateForCredentials() {
  std::shared_ptr<HTTPRequestDelegate> target = lockedDelegate();
  if (!target) target = lockedQueue();
  if (target && target->respondsToAuthenticationNeededForRequest()) {
    target->authenticationNeededForRequest(shared());
    return;
  }
  BasicBlock block;
  {
    std::lock_guard lock(cancelledLock_);
    block = blocks_->authenticationNeeded;
  }
  if (block) block();
}

void HTTPRequest::askDelegateForProxyCredentials() {
  std::shared_ptr<HTTPRequestDelegate> target = lockedDelegate();
  if (!target) target = lockedQueue();
  if (target && target->respondsToProxyAuthenticationNeededForRequest()) {
    target->proxyAuthenticationNeededForRequest(shared());
    return;
  }
  BasicBlock block;
  {
    std::lock_guard lock(cancelledLock_);
    block = blocks_->proxyAuthenticationNeeded;
  }
  if (block) block();
}

bool HTTPRequest::showAuthenticationDialog() {
  if (isSynchronous_ || !shouldPresentAuthenticationDialog_) return false;
  auto p = dialogPresenter();
  if (!p) return false;
  auto self = shared();
  rl::performOnMainThread([self, p] { p(self); }, false);
  return true;
}

bool HTTPRequest::showProxyAuthenticationDialog() {
  if (isSynchronous_ || !shouldPresentProxyAuthenticationDialog_) return false;
  auto p = dialogPresenter();
  if (!p) return false;
  auto self = shared();
  rl::performOnMainThread([self, p] { p(self); }, false);
  return true;
}

void HTTPRequest::retryUsingSuppliedCredentials() {
  auto self = shared();
  performOnRequestThread([self] {
    if (self->request_)
      self->attemptToApplyCredentialsAndResume();
    else
      self->main();
  });
}

void HTTPRequest::cancelAuthentication() {
  auto self = shared();
  performOnRequestThread([self] { self->failAuthentication(); });
}

void HTTPRequest::failAuthentication() {
  std::lock_guard lock(cancelledLock_);
  failWithError(makeError(AuthenticationErrorType, "Authentication needed"));
}

// ---------------------------------------------------------------------------------------------------
// Answering a challenge

void HTTPRequest::attemptToApplyCredentialsAndResume() {
  if (error_ || isCancelled()) return;
  // One routine answers both challenges; the fields and helpers of the side being challenged are
  // picked once here.
  const bool proxy = authenticationNeeded_ == HTTPAuthenticationState::ProxyAuthenticationNeeded;
  std::shared_ptr<void>& authentication = proxy ? proxyAuthentication_ : requestAuthentication_;
  std::string& scheme = proxy ? proxyAuthenticationScheme_ : authenticationScheme_;
  std::string& realm = proxy ? proxyAuthenticationRealm_ : authenticationRealm_;
  core::Value& suppliedCredentials = proxy ? proxyCredentials_ : requestCredentials_;
  const int& retryCount = proxy ? proxyAuthenticationRetryCount_ : authenticationRetryCount_;
  const char* applyFailure =
      proxy ? "Failed to apply proxy credentials to request" : "Failed to apply credentials to request";
  auto apply = [this, proxy](const core::Value& c) {
    return proxy ? applyProxyCredentials(c) : applyCredentials(c);
  };
  auto findSession = [this, proxy] {
    return proxy ? findSessionProxyAuthenticationCredentials() : findSessionAuthenticationCredentials();
  };
  // The delegate or the dialog answers later through retryUsingSuppliedCredentials.
  auto askSomebody = [this, proxy] {
    return proxy ? (willAskDelegateForProxyCredentials() || showProxyAuthenticationDialog())
                 : (willAskDelegateForCredentials() || showAuthenticationDialog());
  };

  auto& cs = classState();
  auto auth = authOf(authentication);
  bool fresh = false;
  if (!auth) {
    auth = responseMessage_ ? Auth::fromResponse(*responseMessage_) : nullptr;
    if (!auth) {
      cancelLoad();
      failWithError(makeError(InternalErrorWhileApplyingCredentialsType,
                              "Failed to get authentication object from response headers"));
      return;
    }
    authentication = auth;
    scheme = auth->scheme();
    fresh = true;
  }
  realm = auth->requiresAccountDomain() ? std::string() : auth->realm();

  Auth::Validity validity = fresh ? Auth::Validity::Valid : auth->validity(*responseMessage_);
  if (validity != Auth::Validity::Valid) {
    authentication.reset();
    cancelLoad();
    if (validity != Auth::Validity::BadCredentials) {
      failWithError(makeError(AuthenticationErrorType, "Authentication needed"));
      return;
    }
    std::lock_guard authLock(cs.delegateAuthenticationLock);
    if (proxy)
      removeProxyAuthenticationCredentialsFromSessionStore(suppliedCredentials);
    else
      removeAuthenticationCredentialsFromSessionStore(suppliedCredentials);
    suppliedCredentials = core::Value();
    if (error_ || isCancelled()) return;
    // A fresh object for whatever answers next.
    authentication = Auth::fromResponse(*responseMessage_);
    if (useSessionPersistence_) {
      if (auto entry = findSession(); entry && apply(entry->credentials)) {
        startRequest();
        return;
      }
    }
    lastActivityTime_.reset();
    if (askSomebody()) return;
    failWithError(makeError(AuthenticationErrorType, "Authentication needed"));
    return;
  }

  cancelLoad();
  if (suppliedCredentials.isDictionary()) {
    if ((scheme == "NTLM" && retryCount > 1) || !apply(suppliedCredentials)) {
      if (scheme == "NTLM" && retryCount == 2)
        failWithError(makeError(AuthenticationErrorType, "Authentication needed"));
      else
        failWithError(makeError(InternalErrorWhileApplyingCredentialsType, applyFailure));
      return;
    }
    startRequest();
    return;
  }

  if (!auth->requiresUsernameAndPassword()) {
    // Nothing this request could send would answer the challenge: end it rather than leave it waiting.
    failWithError(makeError(AuthenticationErrorType, "Authentication needed"));
    return;
  }
  std::lock_guard authLock(cs.delegateAuthenticationLock);
  if (error_ || isCancelled()) return;
  if (useSessionPersistence_) {
    if (auto entry = findSession(); entry && apply(entry->credentials)) {
      startRequest();
      return;
    }
  }
  core::Value credentials = proxy ? findProxyCredentials() : findCredentials();
  if (!credentials.isDictionary()) {
    lastActivityTime_.reset();
    if (askSomebody()) return;
    failWithError(makeError(AuthenticationErrorType, "Authentication needed"));
    return;
  }
  if (!apply(credentials)) {
    failWithError(makeError(InternalErrorWhileApplyingCredentialsType, applyFailure));
    return;
  }
  startRequest();
}
