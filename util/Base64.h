#pragma once
// Base64 (RFC 4648 standard alphabet, "=" padding) for byte buffers and texts, and the
// percent-encoding of byte buffers.
//
// Two encoders exist side by side with slightly different rules, as the data layer has always had
// them: base64EncodedString / base64EncodedStringWithWrapWidth ("\r\n" line breaks, nullopt for
// empty input) and base64Encoding / base64EncodingWithLineLength ("\n" line breaks, "" for empty
// input). Texts are encoded as their UTF-8 bytes.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/core/Value.h"

// -- Decoding -------------------------------------------------------------------------------------

// The bytes of a Base64 text. Characters outside the alphabet are skipped (line breaks, spaces);
// decoding stops at the first "=", which completes a pending group of two or three characters; a
// final group of two or three characters without "=" is dropped. A text with non-ASCII characters
// gives an empty buffer. Never fails.
core::Bytes dataWithBase64EncodedString(std::string_view text);
// The same decoding, for a text.
core::Bytes base64DecodedData(std::string_view text);
// The decoded bytes as UTF-8 text; nullopt when they are not UTF-8.
std::optional<std::string> stringWithBase64EncodedString(std::string_view text);
std::optional<std::string> base64DecodedString(std::string_view text);

// -- Encoding -------------------------------------------------------------------------------------

// Base64 with "\r\n" after every line of `wrapWidth` characters (rounded down to a multiple of 4;
// 0 means one line). nullopt for an empty input.
std::optional<std::string> base64EncodedStringWithWrapWidth(const core::Bytes& data, std::size_t wrapWidth);
std::optional<std::string> base64EncodedStringWithWrapWidth(std::string_view text, std::size_t wrapWidth);
std::optional<std::string> base64EncodedString(const core::Bytes& data);
std::optional<std::string> base64EncodedString(std::string_view text);

// Base64 with "\n" once a line has reached `lineLength` characters (checked after every group of
// four; 0 means one line). "" for an empty input.
std::string base64EncodingWithLineLength(const core::Bytes& data, std::size_t lineLength);
std::string base64Encoding(const core::Bytes& data);

// Every byte that is an ASCII letter or digit as it is, every other byte as "%" and two upper-case
// hexadecimal digits.
std::string urlEncodedString(const core::Bytes& data);
