#pragma once
// Identifiers of this machine derived from its hardware address.

#include <optional>
#include <string>
#include <string_view>

// The hardware address of the machine's first network interface ("%02X:%02X:..."), nullopt when
// it has none.
std::optional<std::string> macaddress();
// MD5 text of the hardware address followed directly by the application's bundle identifier;
// nullopt when there is no hardware address (an identifier made without it would be the same on
// every such machine).
std::optional<std::string> uniqueDeviceIdentifier(std::string_view bundleIdentifier);
// MD5 text of the hardware address alone; nullopt when there is none.
std::optional<std::string> uniqueGlobalDeviceIdentifier();
