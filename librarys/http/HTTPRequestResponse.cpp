// HTTPRequest: response headers, text encoding, cookies sent and received, redirect decisions,
// connection reuse from the response, and what happens to an authentication challenge.

#include <iconv.h>

#include <cerrno>
#include <cstdlib>

#include "librarys/http/HTTPCookieStorage.h"
#include "librarys/http/HTTPRequest.h"
#include "librarys/http/HTTPRequestClassState.h"
#include "platform/core/Date.h"
#include "platform/core/Text.h"
#include "platform/net/HTTPMessage.h"

namespace {

std::optional<std::uint64_t> parseContentLength(const std::string& text) {
  std::string t = core::trim(text);
  if (t.empty() || t.size() > 19) return std::nullopt;
  std::uint64_t v = 0;
  for (char c : t) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return v;
}

// Reads "timeout=N[, ]max=M" the way the header is written by servers: the timeout first.
void scanKeepAlive(const std::string& value, int& timeout, int& max) {
  std::size_t pos = 0;
  while (pos < value.size() && (value[pos] == ' ' || value[pos] == '\t')) ++pos;
  if (value.compare(pos, 8, "timeout=") == 0) {
    pos += 8;
    timeout = std::atoi(value.c_str() + pos);
  }
  std::size_t m = value.find("max=", pos);
  if (m != std::string::npos) max = std::atoi(value.c_str() + m + 4);
}

std::optional<std::string> convertWithIconv(const std::string& data, const std::string& encoding) {
  iconv_t cd = iconv_open("UTF-8", encoding.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out;
  out.resize(data.size() * 4 + 16);
  char* in = const_cast<char*>(data.data());
  std::size_t inLeft = data.size();
  char* outPtr = out.data();
  std::size_t outLeft = out.size();
  bool ok = true;
  while (inLeft > 0) {
    if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) {
        std::size_t used = static_cast<std::size_t>(outPtr - out.data());
        out.resize(out.size() * 2);
        outPtr = out.data() + used;
        outLeft = out.size() - used;
        continue;
      }
      ok = false;
      break;
    }
  }
  iconv_close(cd);
  if (!ok) return std::nullopt;
  out.resize(static_cast<std::size_t>(outPtr - out.data()));
  return out;
}

std::optional<std::string> decodeText(const std::string& data, const std::string& encoding) {
  std::string enc = core::toUpper(encoding);
  if (enc == "UTF-8" || enc == "UTF8") {
    if (!core::isValidUtf8(data)) return std::nullopt;
    return data;
  }
  if (enc == "ISO-8859-1" || enc == "LATIN1" || enc == "ISO_8859-1") {
    std::string out;
    out.reserve(data.size());
    for (unsigned char c : data) out += core::fromCodePoint(c);
    return out;
  }
  if (enc == "US-ASCII" || enc == "ASCII") {
    for (unsigned char c : data)
      if (c >= 0x80) return std::nullopt;
    return data;
  }
  return convertWithIconv(data, enc);
}

}  // namespace

std::optional<std::string> HTTPRequest::responseString() const {
  if (!responseMessage_ && rawResponseData_.empty()) return std::nullopt;
  if (!downloadDestinationPath_.empty() && rawResponseData_.empty()) return std::nullopt;
  return decodeText(responseData(), responseEncoding_);
}

void HTTPRequest::parseStringEncodingFromHeaders() {
  std::string contentType;
  if (responseMessage_) contentType = responseMessage_->headerFieldValue("Content-Type").value_or("");
  std::string mimeType;
  std::string encoding;
  parseMimeType(&mimeType, &encoding, contentType);
  responseEncoding_ = encoding.empty() ? defaultResponseEncoding_ : encoding;
}

void HTTPRequest::readResponseHeaders() {
  authenticationNeeded_ = HTTPAuthenticationState::NoAuthenticationNeeded;
  auto message = readStream_ ? readStream_->copyResponseHeader() : nullptr;
  if (!message || !message->isHeaderComplete()) return;

  responseMessage_ = message;
  responseHeaders_ = message->copyAllHeaderFields();
  responseStatusCode_ = message->statusCode();
  responseStatusMessage_ = message->statusLine();
  connectionCanBeReused_ = false;

  if (downloadCache_ && downloadCache_->canUseCachedDataForRequest(*this)) {
    downloadCache_->updateExpiryForRequest(*this, secondsToCache_);
    useDataFromCache();
    return;
  }

  if (responseStatusCode_ == 401) authenticationNeeded_ = HTTPAuthenticationState::HTTPAuthenticationNeeded;
  if (responseStatusCode_ == 407) authenticationNeeded_ = HTTPAuthenticationState::ProxyAuthenticationNeeded;

  if (authenticationNeeded_ == HTTPAuthenticationState::NoAuthenticationNeeded && !requestAuthentication_ &&
      authenticationScheme_ == "Basic" && !username_.empty() && !password_.empty() &&
      useSessionPersistence_) {
    SessionCredentials entry;
    entry.credentials = core::Value(core::Dictionary{{"username", username_}, {"password", password_}});
    entry.url = url_;
    entry.authenticationScheme = "Basic";
    storeAuthenticationCredentialsInSessionStore(entry);
  }

  parseStringEncodingFromHeaders();

  responseCookies_ = HTTPCookie::cookiesWithResponseHeaderLines(message->headerLines(), *url_,
                                                                core::Date::now().secondsSince1970);
  if (useCookiePersistence_ && !responseCookies_.empty()) {
    HTTPCookieStorage::sharedHTTPCookieStorage().setCookies(responseCookies_, *url_);
    for (const HTTPCookie& cookie : responseCookies_) addSessionCookie(cookie);
  }

  if (!willRedirect()) {
    auto mainRequest = mainRequest_.lock();
    HTTPRequest& target = mainRequest ? *mainRequest : *this;
    std::optional<std::uint64_t> length;
    if (auto cl = message->headerFieldValue("Content-Length")) length = parseContentLength(*cl);
    if (length) {
      // The flags read are this request's own: a HEAD pre-request carries those its main request had
      // when the queue took it, before the queue cleared the main request's reset flag.
      if (mainRequest && allowCompressedResponse_ && *length == 20 && showAccurateProgress_ &&
          shouldResetDownloadProgress_) {
        // A compressed empty answer to a HEAD request: the size of the download is not known.
        target.showAccurateProgress_ = false;
        target.incrementDownloadSizeBy(1);
      } else {
        target.contentLength_ = *length;
        if (showAccurateProgress_ && shouldResetDownloadProgress_)
          target.incrementDownloadSizeBy(
              static_cast<std::int64_t>(target.contentLength_ + target.partialDownloadSize_));
      }
    } else if (showAccurateProgress_ && shouldResetDownloadProgress_) {
      target.showAccurateProgress_ = false;
      target.incrementDownloadSizeBy(1);
    }
  }

  if (shouldAttemptPersistentConnection_) {
    std::string connection = core::toLower(message->headerFieldValue("Connection").value_or(""));
    if ((message->version() != "HTTP/1.0" || connection == "keep-alive") && connection != "close") {
      if (auto keepAlive = message->headerFieldValue("Keep-Alive")) {
        int timeout = 0;
        int max = 0;
        scanKeepAlive(*keepAlive, timeout, max);
        if (max > 5) {
          connectionCanBeReused_ = true;
          persistentConnectionTimeoutSeconds_ = timeout;
        }
      } else {
        connectionCanBeReused_ = true;
      }
    }
  }

  requestReceivedResponseHeaders(responseHeaders_);
}

bool HTTPRequest::willRedirect() {
  if (!shouldRedirect_ || !responseMessage_) return false;
  auto location = responseMessage_->headerFieldValue("Location");
  if (!location) return false;
  int code = responseStatusCode_;
  if (code != 301 && code != 302 && code != 303 && code != 307) return false;
  std::optional<core::URL> target = url_ ? url_->resolve(core::trim(*location)) : std::nullopt;
  if (!target) return false;  // a "Location" that is no URL is not followed

  requestRedirected();

  if (code == 307 || (shouldUseRFC2616RedirectBehaviour_ && code != 303)) {
    // Method and body are kept; the cookies for the new address are applied when it is asked.
  } else {
    requestMethod_ = "GET";
    postBody_.clear();
    compressedPostBody_.clear();
    postLength_ = 0;
    shouldStreamPostDataFromDisk_ = false;
    core::Value kept = core::Value::newDictionary();
    for (const auto& [name, value] : requestHeaders_.dict()) {
      if (core::equalsIgnoringCase(name, "User-Agent") || core::equalsIgnoringCase(name, "Accept"))
        kept.set(name, value);
    }
    requestHeaders_ = kept;
    haveBuiltRequestHeaders_ = false;
  }
  redirectURL_ = target;
  needsRedirect_ = true;
  requestCookies_.clear();
  return true;
}

void HTTPRequest::applyCookieHeader() {
  if (useCookiePersistence_ && url_) {
    for (const HTTPCookie& cookie : HTTPCookieStorage::sharedHTTPCookieStorage().cookiesForURL(*url_)) {
      bool present = false;
      for (const HTTPCookie& c : requestCookies_)
        if (c.sameIdentity(cookie)) present = true;
      if (!present) requestCookies_.push_back(cookie);
    }
  }
  auto mainRequest = mainRequest_.lock();
  const std::vector<HTTPCookie>& cookies = mainRequest ? mainRequest->requestCookies_ : requestCookies_;
  if (cookies.empty()) return;
  std::string header;
  for (const HTTPCookie& c : cookies) {
    if (!header.empty()) header += "; ";
    header += c.name + "=" + c.value;
  }
  addRequestHeader("Cookie", header);
}
