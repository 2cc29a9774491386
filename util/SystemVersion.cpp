#include "util/SystemVersion.h"

#include "platform/core/Text.h"
#include "platform/system/Device.h"

int majorVersionNumber(std::string_view text) { return core::intValue(text.substr(0, text.find('.'))); }

int systemMajorVersionNumber() {
  static const int major = majorVersionNumber(sys::Device::systemVersion());
  return major;
}
