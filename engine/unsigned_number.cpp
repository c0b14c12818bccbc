#include "engine/unsigned_number.h"

#include <charconv>

namespace kitbuilder {

std::optional<uint64_t> ReadUnsigned(std::string_view text, int base) {
  // from_chars takes a minus sign for signed types only, and no blanks or prefix.
  uint64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value, base);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

}  // namespace kitbuilder
