#pragma once
// Pieces the writers of the second JSON codec share (not a public interface).

#include <optional>
#include <string>
#include <string_view>

#include "platform/core/Value.h"

namespace altjson {

enum class SlashEscaping { Never, Always };

// The JSON text of a number or a boolean; nothing for other kinds and for doubles that are not
// finite (JSON has no text for them).
std::optional<std::string> numberText(const core::Value& number);
// The quoted JSON text of UTF-8 text: quotation mark, backslash and the control bytes escaped (the
// five with a short form as \b \t \n \f \r, the rest as \u00XX), the slash as the caller chooses.
// Nothing when the text is not valid UTF-8.
std::optional<std::string> quotedString(std::string_view utf8, SlashEscaping slash);
// The name of a value's kind, as a writer's error names it ("Date", "nil").
std::string kindName(const core::Value& value);
// The "%@" text of a value for an error message, kept short: a large or deeply nested container is
// summarised by its kind and size (a container may even hold itself).
std::string describeForError(const core::Value& value);
// `error`'s first cause in the form the writers keep under "NSUnderlyingError".
core::Value underlyingOf(const std::string& domain, std::int64_t code, const std::string& description,
                         const core::Value& causeUserInfo);

void append(core::Bytes& out, std::string_view text);
void append(core::Bytes& out, const core::Bytes& bytes);

}  // namespace altjson
