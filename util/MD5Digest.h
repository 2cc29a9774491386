#pragma once
// The MD5 text digest used for per-user file names.

#include <optional>
#include <string>
#include <string_view>

// The MD5 digest of the text's bytes up to its first NUL, as 32 lower-case hexadecimal characters;
// nullopt for an empty text.
std::optional<std::string> stringFromMD5(std::string_view text);
