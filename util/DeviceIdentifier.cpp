#include "util/DeviceIdentifier.h"

#include "platform/system/Device.h"
#include "util/MD5Digest.h"

std::optional<std::string> macaddress() { return sys::Device::hardwareAddress(); }

std::optional<std::string> uniqueDeviceIdentifier(std::string_view bundleIdentifier) {
  auto address = macaddress();
  if (!address) return std::nullopt;
  return stringFromMD5(*address + std::string(bundleIdentifier));
}

std::optional<std::string> uniqueGlobalDeviceIdentifier() {
  auto address = macaddress();
  if (!address) return std::nullopt;
  return stringFromMD5(*address);
}
