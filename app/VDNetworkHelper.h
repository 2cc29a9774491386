#pragma once
// VDNetworkHelper: the application-information request, the home screen's title and the toast.
// Class methods only; the only state is the account clients whose application-information reply is
// still awaited (each is kept until it answers).
//
// The account client (User) comes in through a small seam, VDAppInfoClient: the running application's
// AppServices::newAppInfoClient makes one per request. Without one, getAppInfo() sends nothing.

#include <functional>
#include <memory>
#include <string>

#include "platform/core/Value.h"

// The account client's application-information call as this helper uses it.
class VDAppInfoClient {
 public:
  using Reply = std::function<void(bool ok, const core::Value& json)>;
  virtual ~VDAppInfoClient() = default;
  // Sends the request for the subject; calls `reply` exactly once, on the main thread, with the
  // success flag and the whole reply (false and Nil when there is no reply).
  virtual void appInfo(const std::string& bankShortName, Reply reply) = 0;
};

class VDNetworkHelper {
 public:
  static constexpr int kToastTag = 10086;
  static constexpr double kToastMargin = 10;
  static constexpr double kToastYOffset = 150;
  static constexpr double kToastDuration = 1.0;
  static constexpr const char* kHomeBackTitle = "首页";

  // Asks for the application information of the subject when the network can be reached (the reply
  // goes to didAppInfo); otherwise shows the network alert.
  static void getAppInfo(const std::string& bankShortName);
  // Success with a record for "Body": keeps it as the session's "appInfo" and sets the home title.
  // Failure, or a "Body" of another shape: a plain alert titled "alertTitle" with
  // ReplyCheck::failureMessage (the reply's "Message", or "requestFaile" without a reply), "OK".
  static void didAppInfo(bool ok, const core::Value& json);
  // The home screen's title: "<name>v<version>" in a 240 x 44 label as the title view of the
  // application delegate's mainNavigationItem, with the back item "首页". The name is the session's
  // "appInfo" "Name" ("" without one); the version is the bundle's short version with every "." after
  // the first removed.
  static void setMinNavigationTitle();
  // "4.1.2" -> "4.12"; "5" -> "5".
  static std::string minVersion(const std::string& version);
  // Shows the text as a toast on the key window for 1 second; a newer toast replaces an older one.
  static void hudPrompt(const std::string& text);

  // Clients sent and not yet answered.
  static std::size_t pendingRequests();
};
