#include "platform/system/Device.h"

#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <sys/socket.h>
#include <sys/utsname.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace sys {

namespace {

std::optional<std::string> readText(const char* path) {
  std::ifstream in(path);
  if (!in) return std::nullopt;
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::string trimmed(std::string_view s) {
  auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
  return std::string(s);
}

utsname uname() {
  utsname u{};
  if (::uname(&u) != 0) u = utsname{};
  return u;
}

std::optional<std::string> osRelease(std::string_view key) {
  for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
    if (auto text = readText(path)) {
      auto value = Device::osReleaseValue(*text, key);
      if (value && !value->empty()) return value;
      return std::nullopt;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> Device::osReleaseValue(std::string_view text, std::string_view key) {
  std::optional<std::string> found;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string line = trimmed(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] == '#') continue;
    auto eq = line.find('=');
    if (eq == std::string::npos || std::string_view(line).substr(0, eq) != key) continue;
    std::string value = line.substr(eq + 1);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      std::string unquoted;
      for (std::size_t i = 1; i + 1 < value.size(); ++i) {
        if (value[i] == '\\' && i + 2 < value.size()) ++i;  // \" \\ \$ \` stand for the character
        unquoted.push_back(value[i]);
      }
      value = unquoted;
    }
    found = value;  // the last assignment wins, as in a shell
  }
  return found;
}

std::string Device::formatHardwareAddress(const std::array<std::uint8_t, 6>& b) {
  char text[18];
  std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", b[0], b[1], b[2], b[3], b[4], b[5]);
  return text;
}

std::string Device::model() {
  if (auto product = readText("/sys/class/dmi/id/product_name")) {
    std::string name = trimmed(*product);
    if (!name.empty()) return name;
  }
  return machine();
}

std::string Device::systemName() {
  if (auto v = osRelease("NAME")) return *v;
  return uname().sysname;
}

std::string Device::systemVersion() {
  if (auto v = osRelease("VERSION_ID")) return *v;
  return uname().release;
}

std::string Device::name() { return uname().nodename; }

std::string Device::machine() { return uname().machine; }

std::optional<std::string> Device::hardwareAddress() {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return std::nullopt;
  std::optional<std::string> result;
  for (ifaddrs* it = list; it && !result; it = it->ifa_next) {
    if (!it->ifa_addr || it->ifa_addr->sa_family != AF_PACKET) continue;
    if (it->ifa_flags & IFF_LOOPBACK) continue;
    const auto* ll = reinterpret_cast<const sockaddr_ll*>(it->ifa_addr);
    if (ll->sll_halen != 6) continue;
    std::array<std::uint8_t, 6> bytes{};
    bool allZero = true;
    for (std::size_t i = 0; i < 6; ++i) {
      bytes[i] = ll->sll_addr[i];
      allZero = allZero && bytes[i] == 0;
    }
    if (allZero) continue;
    result = formatHardwareAddress(bytes);
  }
  ::freeifaddrs(list);
  return result;
}

}  // namespace sys
