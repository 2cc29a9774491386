#pragma once
// sys::Device: facts about the machine the application runs on, the stand-in for the phone's
// device object. Each call reads the system afresh; the readers of texts are split out so that
// their rules can be checked with fixed input.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sys {

class Device {
 public:
  // The hardware model: the product name the firmware reports (/sys/class/dmi/id/product_name),
  // else the processor architecture of uname ("x86_64").
  static std::string model();
  // The operating system's name and version: NAME and VERSION_ID of os-release
  // ("Debian GNU/Linux", "12"), else uname's system name and release ("Linux", "6.1.0-13-amd64").
  static std::string systemName();
  static std::string systemVersion();
  // The machine's network name (uname nodename), the counterpart of the phone's device name.
  static std::string name();
  // The processor architecture (uname machine, "x86_64"), the counterpart of the phone's hardware
  // machine text.
  static std::string machine();
  // The hardware address of the first interface that is not a loopback and has a six-byte address,
  // as "%02X:%02X:%02X:%02X:%02X:%02X"; nullopt when there is none.
  static std::optional<std::string> hardwareAddress();

  // One value of an os-release text (KEY=value lines, values optionally quoted); nullopt when the
  // key is missing.
  static std::optional<std::string> osReleaseValue(std::string_view osRelease, std::string_view key);
  static std::string formatHardwareAddress(const std::array<std::uint8_t, 6>& bytes);
};

}  // namespace sys
