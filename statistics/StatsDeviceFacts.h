#pragma once
// StatsDeviceFacts: what the statistics uploads tell about the machine, read afresh for each upload.
//
// On Linux each fact comes from:
//   systemVersion  sys::Device::systemVersion() (os-release VERSION_ID, else the kernel release)
//   model          sys::Device::machine(), the hardware machine text ("x86_64", "aarch64")
//   macAddress     sys::Device::hardwareAddress(): the first interface that is not a loopback and has a
//                  six-byte address, "%02X:%02X:%02X:%02X:%02X:%02X"; empty when there is none
//   resolution     "%d x %d", height then width in pixels, of the app's phone-sized screen (480 x 320
//                  unless the app sets another with setScreenSize)
//   access         "WiFi" when an interface other than a loopback has an IPv4 address (a wired or a
//                  wireless link counts as Wi-Fi, as in the reachability monitor); empty when none has
//   carrier        always empty: a desktop has no telephony service and so no carrier name
//   country        the region of the locale (LC_ALL, LC_MESSAGES, LANG): "zh_CN.UTF-8" gives "CN"; empty
//                  for "C" / "POSIX" or no region
//   timezone       "%d" of the local zone's offset from GMT in seconds divided by 3600 (integer division)
//   language       the first of LANGUAGE, else the locale's language, in the "zh-CN" form; "en" for
//                  "C" / "POSIX" or nothing set
//   idfa, idfv     nothing: there is neither an advertising identifier nor a vendor identifier, and
//                  the upload leaves both keys out, as it does where they are unavailable
// Tests make facts of their own (every member is plain data) and hand them to UsageStatsInternal.

#include <optional>
#include <string>

class StatsDeviceFacts {
 public:
  std::string systemVersion;
  std::string model;
  std::string macAddress;
  std::string resolution;
  std::string access;
  std::string carrier;
  std::string country;
  std::string timezone;
  std::string language;
  std::optional<std::string> idfa;
  std::optional<std::string> idfv;

  // The facts of this machine now.
  static StatsDeviceFacts current();
  // The screen the resolution is reported for, in pixels (default 320 wide, 480 high). Thread-safe.
  static void setScreenSize(int widthPixels, int heightPixels);

  // The readers of the environment texts, split out so their rules can be checked with fixed input.
  static std::string countryFromLocale(const std::string& locale);
  static std::string languageFromLocale(const std::string& language, const std::string& locale);
  static std::string accessFromInterfaces();
};
