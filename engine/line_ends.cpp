#include "engine/line_ends.h"

#include <optional>

namespace kitbuilder {
namespace {

// The line ends of `text` where all of its lines end alike; nothing where they are mixed or the
// text has none.
std::optional<LineEnds> UniformLineEnds(std::string_view text) {
  bool crLf = false;
  bool lf = false;
  for (std::size_t at = text.find('\n'); at != std::string_view::npos;
       at = text.find('\n', at + 1)) {
    (at > 0 && text[at - 1] == '\r' ? crLf : lf) = true;
  }
  if (crLf == lf) return std::nullopt;
  return crLf ? LineEnds::kCrLf : LineEnds::kLf;
}

}  // namespace

LineEnds WrittenLineEnds(std::string_view users, std::string_view generated) {
  if (const std::optional<LineEnds> ends = UniformLineEnds(users)) return *ends;
  return UniformLineEnds(generated).value_or(LineEnds::kCrLf);
}

std::string WithLfEnds(std::string_view text) {
  std::string lf;
  lf.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    lf += text[i];
  }
  return lf;
}

std::string WithLineEnds(std::string_view text, LineEnds ends) {
  std::string lf = WithLfEnds(text);
  if (ends == LineEnds::kLf) return lf;
  std::string crLf;
  crLf.reserve(lf.size() + lf.size() / 16);
  for (const char c : lf) {
    if (c == '\n') crLf += '\r';
    crLf += c;
  }
  return crLf;
}

bool SameLines(std::string_view a, std::string_view b) {
  return WithLfEnds(a) == WithLfEnds(b);
}

}  // namespace kitbuilder
