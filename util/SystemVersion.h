#pragma once
// The operating system's major version number.

#include <string_view>

// The integer before the first "." of a version text ("7.0.4" -> 7, "12" -> 12); 0 when the text
// does not start with a number.
int majorVersionNumber(std::string_view versionText);

// The major version of the running system (sys::Device::systemVersion), read once per process.
int systemMajorVersionNumber();
