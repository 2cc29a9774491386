#include "statistics/StatsDeviceFacts.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <atomic>
#include <cstdlib>
#include <ctime>

#include "platform/core/Text.h"
#include "platform/system/Device.h"

namespace {

std::atomic<int> gScreenWidth{320};
std::atomic<int> gScreenHeight{480};

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// The locale name that decides messages: LC_ALL, LC_MESSAGES, then LANG (the first one set).
std::string messagesLocale() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    std::string v = env(name);
    if (!v.empty()) return v;
  }
  return "";
}

// "zh_CN.UTF-8@euro" -> "zh_CN"
std::string stripCodeset(const std::string& locale) { return locale.substr(0, locale.find_first_of(".@")); }

}  // namespace

std::string StatsDeviceFacts::countryFromLocale(const std::string& locale) {
  const std::string name = stripCodeset(locale);
  const auto underscore = name.find('_');
  if (underscore == std::string::npos) return "";
  return name.substr(underscore + 1);
}

std::string StatsDeviceFacts::languageFromLocale(const std::string& language, const std::string& locale) {
  std::string first = core::split(language, ":").front();
  if (first.empty()) first = locale;
  first = stripCodeset(first);
  if (first.empty() || first == "C" || first == "POSIX") return "en";
  return core::replaceAll(first, "_", "-");
}

std::string StatsDeviceFacts::accessFromInterfaces() {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return "";
  bool found = false;
  for (ifaddrs* a = list; a && !found; a = a->ifa_next) {
    if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET) continue;
    if ((a->ifa_flags & IFF_LOOPBACK) || !(a->ifa_flags & IFF_UP)) continue;
    found = true;
  }
  ::freeifaddrs(list);
  return found ? "WiFi" : "";
}

StatsDeviceFacts StatsDeviceFacts::current() {
  StatsDeviceFacts f;
  f.systemVersion = sys::Device::systemVersion();
  f.model = sys::Device::machine();
  f.macAddress = sys::Device::hardwareAddress().value_or("");
  f.resolution = std::to_string(gScreenHeight.load()) + " x " + std::to_string(gScreenWidth.load());
  f.access = accessFromInterfaces();
  f.carrier = "";
  const std::string locale = messagesLocale();
  f.country = countryFromLocale(locale);
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  f.timezone = std::to_string(local.tm_gmtoff / 3600);
  f.language = languageFromLocale(env("LANGUAGE"), locale);
  return f;
}

void StatsDeviceFacts::setScreenSize(int widthPixels, int heightPixels) {
  gScreenWidth = widthPixels;
  gScreenHeight = heightPixels;
}
