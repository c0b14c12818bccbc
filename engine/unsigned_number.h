#pragma once
// Reading a number from text that another program wrote (a compiler's map, a simulator's
// listing), where a text that is not a number must be a failure the caller handles and never an
// exception.

#include <cstdint>
#include <optional>
#include <string_view>

namespace kitbuilder {

/// The whole of `text` as an unsigned number in `base` (10 or 16, digits of either case, no
/// prefix, sign or blanks): "00d1" in base 16 gives 209. Nothing when the text is empty, holds
/// anything else, or does not fit in 64 bits.
std::optional<uint64_t> ReadUnsigned(std::string_view text, int base);

}  // namespace kitbuilder
