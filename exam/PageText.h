#pragma once
// Escaping of texts that go into a question page: into its markup, and into the scripts native code
// runs in it.

#include <string>
#include <string_view>

// The text as HTML character data or as a quoted attribute value (either quote): & < > " ' become
// entities.
std::string htmlEscaped(std::string_view text);

// The text as the inside of a JavaScript string literal in either quotes: backslash, both quotes, the
// line breaks (LF, CR, U+2028, U+2029), "<" and every other control character become escapes, so the
// literal ends where its quote does and a "</script>" in the text cannot end a script element.
std::string javaScriptEscaped(std::string_view text);
