// UsageStats: the online configuration and the update check, two small form exchanges with the
// statistics service besides the log upload.

#include <optional>
#include <string>

#include "platform/core/Bundle.h"
#include "platform/core/DateFormatter.h"
#include "platform/core/URL.h"
#include "platform/core/UserDefaults.h"
#include "platform/net/HTTPMessage.h"
#include "platform/net/URLConnection.h"
#include "platform/runloop/RunLoop.h"
#include "statistics/StatsLog.h"
#include "statistics/StatsUtil.h"
#include "statistics/UsageStats.h"
#include "statistics/UsageStatsState.h"

namespace {

constexpr const char* kAlertTitleKey = "umUpdateTitle";
constexpr const char* kAlertCancelKey = "umUpdateCancel";
constexpr const char* kAlertOtherKey = "umUpdateOK";

// Posts "content=<URL-encoded JSON>" (not compressed) to the address and waits for the answer. The
// reply's bytes; nothing when no reply data came (`error` then says why).
std::optional<std::string> postForm(const std::string& address, const std::string& json, std::string& error) {
  const auto url = core::URL::parse(address);
  auto request = url ? net::HTTPMessage::createRequest("POST", *url) : nullptr;
  if (!request) {
    error = "cannot post to " + address;
    return std::nullopt;
  }
  request->setHeaderFieldValue("Content-Type", "application/x-www-form-urlencoded");
  request->setBody("content=" + StatsUtil::urlEncode(json));
  const net::URLResponse response = net::URLConnection::sendSynchronousRequest(request);
  if (response.error) {
    error = response.error->description;
    return std::nullopt;
  }
  if (response.data.empty()) {
    error = "no reply data from " + address;
    return std::nullopt;
  }
  return response.data;
}

// An integer a reply gives as a number or as the text of one; nothing for anything else.
std::optional<std::int64_t> integerIn(const core::Value& v) {
  if (v.isNumber()) return v.toInt();
  if (v.isString() && !v.str().empty()) return v.toInt();
  return std::nullopt;
}

core::Dictionary requestBase(const std::string& type) {
  auto internal = UsageStats::sharedInternal();
  return core::Dictionary{
      {"package", core::Bundle::main().objectForInfoDictionaryKey("CFBundleIdentifier").toString()},
      {"sdk_version", UsageStats::kAgentVersion},
      {"appkey", internal->appKey()},
      {"sdk_type", UsageStatsInternal::kSdkType},
      {"type", type},
      {"channel", internal->channelId()},
      {"time", core::DateFormatter("HH:mm:ss").format(StatsUtil::now())},
  };
}

}  // namespace

// ---- online configuration ----

void UsageStats::updateOnlineConfig() {
  sharedInternal()->creatQueue().async([] { updateOnlineConfigSync(); });
}

void UsageStats::updateOnlineConfigSync() {
  const StatsHosts hosts = sharedInternal()->hosts();
  if (!getOnlineConfigParams("http://" + hosts.configPrimary + kOnlineConfigPath))
    getOnlineConfigParams("http://" + hosts.configFallback + kOnlineConfigPath);
  rl::RunLoop::main().post([] { postOnlineConfigDidFinishedNotification(); });
}

bool UsageStats::getOnlineConfigParams(const std::string& address) {
  auto& defaults = core::UserDefaults::standard();
  core::Dictionary request = requestBase("online_config");
  for (const char* key : {kReportPolicyKey, kLastConfigTimeKey}) {
    const core::Value stored = defaults.objectForKey(key);
    if (!stored.isNil()) request.set(key, stored);
  }
  const std::string json = StatsUtil::JSONFragment(core::Value(request)).value_or("");
  StatsLog::log("(Request  OnlineConfig) content=" + json);
  std::string error;
  const std::optional<std::string> reply = postForm(address, json, error);
  if (!reply) {
    StatsLog::log("(Error   OnlineConfig) " + error);
    return false;
  }
  const core::Value doc = StatsUtil::JSONValue(*reply);
  StatsLog::log("(Response OnlineConfig) " + doc.describe());
  if (!doc.isDictionary()) return true;  // an unreadable reply changes nothing

  if (const auto policy = integerIn(doc["report_policy"])) {
    defaults.setObject(kReportPolicyKey, *policy);
    defaults.synchronize();
    setReportPolicy(static_cast<int>(*policy));
  }
  if (auto interval = integerIn(doc["report_interval"])) {
    if (*interval < kMinLogSendInterval || *interval > kMaxLogSendInterval)
      interval = static_cast<std::int64_t>(kMinLogSendInterval);
    defaults.setObject(kReportIntervalKey, *interval);
    defaults.synchronize();
    setLogSendInterval(static_cast<double>(*interval));
  }
  const core::Value update = doc["config_update"];
  if (update.isString() && update.str() == "Yes") {
    const core::Value time = doc[kLastConfigTimeKey];
    if (!time.isNilOrNull()) defaults.setObject(kLastConfigTimeKey, time);
    const core::Value params = doc[kOnlineParamsKey];
    if (params.isDictionary()) defaults.setObject(kOnlineParamsKey, params);
  }
  defaults.synchronize();
  return true;
}

void UsageStats::postOnlineConfigDidFinishedNotification() {
  // The notification's object is the component itself (never owned through it).
  std::shared_ptr<void> self(std::shared_ptr<void>(), &sharedInstance());
  core::NotificationCenter::defaultCenter().post(kOnlineConfigDidFinishedNotification, self,
                                                 getConfigParams());
}

core::Value UsageStats::getConfigParams() {
  const core::Value params = core::UserDefaults::standard().objectForKey(kOnlineParamsKey);
  StatsLog::log("(online_params) " + params.describe());
  return params.isDictionary() ? params : core::Value();
}

std::optional<std::string> UsageStats::getConfigParams(const std::string& key) {
  const core::Value params = getConfigParams();
  if (!params.isDictionary() || !params.contains(key)) return std::nullopt;
  return params[key].describe();
}

// ---- update check ----

void UsageStats::checkUpdate() {
  std::optional<std::string> title, cancel, other;
  {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    title = s.alertTitle;
    cancel = s.alertCancel;
    other = s.alertOther;
  }
  const core::Bundle& bundle = core::Bundle::main();
  checkUpdate(title.value_or(bundle.localizedString(kAlertTitleKey, "有可用的新版本")),
              cancel.value_or(bundle.localizedString(kAlertCancelKey, "忽略此版本")),
              other.value_or(bundle.localizedString(kAlertOtherKey, "访问 Store")));
}

void UsageStats::checkUpdate(const std::string& title, const std::string& cancelButtonTitle,
                             const std::string& otherButtonTitle) {
  {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.alertTitle = title;
    s.alertCancel = cancelButtonTitle;
    s.alertOther = otherButtonTitle;
  }
  sharedInternal()->creatQueue().async([] { checkAppUpdateResult(); });
}

void UsageStats::checkUpdateWithDelegate(std::weak_ptr<UsageStatsDelegate> delegate,
                                         std::function<void(const core::Value& reply)> callback) {
  setDelegate(std::move(delegate));
  {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.updateCallback = std::move(callback);
  }
  checkUpdate();
}

void UsageStats::checkAppUpdateResult() {
  const StatsHosts hosts = sharedInternal()->hosts();
  if (!checkAppUpdate("http://" + hosts.updatePrimary + kUpdateCheckPath))
    checkAppUpdate("http://" + hosts.updateFallback + kUpdateCheckPath);
}

bool UsageStats::checkAppUpdate(const std::string& address) {
  core::Dictionary request = requestBase("update");
  request.set("current_version", appVersion());
  const std::string json = StatsUtil::JSONFragment(core::Value(request)).value_or("");
  StatsLog::log("(Request  checkAppUpdate) content=" + json);
  std::string error;
  const std::optional<std::string> reply = postForm(address, json, error);
  if (!reply) {
    StatsLog::log("(Error    checkAppUpdate) " + error);
    return false;
  }
  StatsLog::log("(Response checkAppUpdate) " + *reply);
  core::Value doc = StatsUtil::JSONValue(*reply);
  if (!doc.isDictionary()) return true;  // an unreadable reply changes nothing
  doc.set("current_version", appVersion());

  if (auto delegate = sharedInternal()->delegate().lock()) {
    if (delegate->appUpdate(doc)) return true;
  }
  std::function<void(const core::Value&)> callback;
  {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    callback = s.updateCallback;
  }
  if (callback) {
    rl::RunLoop::main().post([callback, doc] { callback(doc); });
  } else if (doc["update"].isString() && doc["update"].str() == "YES") {
    rl::RunLoop::main().post([doc] { appUpdateWithAlert(doc); });
  }
  return true;
}

void UsageStats::appUpdateWithAlert(const core::Value& reply) {
  UpdateAlert alert;
  UpdateAlertPresenter presenter;
  {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    const core::Value path = reply["path"];
    s.updatePath = path.isString() ? std::optional<std::string>(path.str()) : std::nullopt;
    const core::Value version = reply["version"];
    alert.title = s.alertTitle.value_or("") + (version.isNilOrNull() ? "" : version.describe());
    alert.cancelButtonTitle = s.alertCancel.value_or("");
    alert.otherButtonTitle = s.alertOther.value_or("");
    presenter = s.presenter;
  }
  const core::Value log = reply["update_log"];
  alert.message = log.isNilOrNull() ? "" : log.describe();
  if (!presenter) {
    StatsLog::log("(checkAppUpdate) no alert presenter for: " + alert.title);
    return;
  }
  presenter(alert, [](int buttonIndex) { alertViewClickedButtonAtIndex(buttonIndex); });
}

void UsageStats::alertViewClickedButtonAtIndex(int buttonIndex) {
  if (buttonIndex != 1) return;
  std::optional<std::string> path;
  std::function<bool(const std::string&)> opener;
  {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    path = s.updatePath;
    opener = s.urlOpener;
  }
  // Only a web address is handed to the desktop's opener: the reply comes from the network.
  const auto url = path ? core::URL::parse(*path) : std::nullopt;
  const bool web = url && (url->scheme == "http" || url->scheme == "https");
  if (!web) {
    StatsLog::log("(checkAppUpdate) not a web address: " + path.value_or("(null)"));
    return;
  }
  if (opener) opener(*path);
}

void UsageStats::setUpdateAlertPresenter(UpdateAlertPresenter presenter) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.presenter = std::move(presenter);
}

void UsageStats::setURLOpener(std::function<bool(const std::string& url)> opener) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.urlOpener = std::move(opener);
}
