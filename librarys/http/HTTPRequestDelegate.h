#pragma once
// HTTPRequestDelegate: what an HTTPRequest tells the object it reports to. Every method is optional: the
// defaults do nothing. A request calls its delegate on the main thread only, and reads its (weak) delegate
// at the moment of the call, so a delegate that went away or was cleared hears nothing more.

#include <memory>
#include <string>

#include "platform/core/URL.h"
#include "platform/core/Value.h"

class HTTPRequest;

struct HTTPRequestDelegate {
  virtual ~HTTPRequestDelegate() = default;

  virtual void requestStarted(const std::shared_ptr<HTTPRequest>& request) {}
  virtual void requestDidReceiveResponseHeaders(const std::shared_ptr<HTTPRequest>& request,
                                                const core::Value& headers) {}
  virtual void requestWillRedirectToURL(const std::shared_ptr<HTTPRequest>& request, const core::URL& url) {}
  virtual void requestFinished(const std::shared_ptr<HTTPRequest>& request) {}
  virtual void requestFailed(const std::shared_ptr<HTTPRequest>& request) {}
  virtual void requestDidReceiveData(const std::shared_ptr<HTTPRequest>& request, const std::string& data) {}
  virtual void requestRedirected(const std::shared_ptr<HTTPRequest>& request) {}
  virtual void authenticationNeededForRequest(const std::shared_ptr<HTTPRequest>& request) {}
  virtual void proxyAuthenticationNeededForRequest(const std::shared_ptr<HTTPRequest>& request) {}

  // Some optional methods change what the request does when they are present: a delegate that takes the
  // body over (requestDidReceiveData) gets it instead of the request keeping it, and one that confirms
  // redirects makes the request wait for its answer. A delegate that implements one of them says so here.
  virtual bool respondsToRequestDidReceiveData() const { return false; }
  virtual bool respondsToRequestWillRedirectToURL() const { return false; }
  virtual bool respondsToAuthenticationNeededForRequest() const { return false; }
  virtual bool respondsToProxyAuthenticationNeededForRequest() const { return false; }
};
