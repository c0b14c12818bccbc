#pragma once
// Reading a number from a text field the way a "%d" conversion does.

#include <cstdint>
#include <optional>
#include <string_view>

namespace kitbuilder {

/// Skips leading white space, takes an optional sign and the decimal digits that follow, and
/// stops at the first other character: "  -12ab" gives -12, "007" gives 7. Returns nothing when
/// no digit follows. Values beyond the 32-bit range saturate at its limits.
std::optional<int32_t> ReadDecimalNumber(std::string_view text);

}  // namespace kitbuilder
