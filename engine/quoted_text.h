#pragma once
// A text as a double-quoted string with backslash escapes: a quote, a backslash and every
// control character escaped, everything else as it is. TOML's basic strings and JSON read it
// alike, so the settings files and the check's JSON report write their texts with it.

#include <string>
#include <string_view>

namespace kitbuilder {

/// "a\"b" for a"b; a control character as \uXXXX.
std::string QuotedText(std::string_view text);

}  // namespace kitbuilder
