#include "simulator/mcu/s51_reply.h"

#include <charconv>
#include <sstream>

#include "engine/unsigned_number.h"

namespace kitbuilder::simulator {
namespace {

/// The number in `base` that follows `marker` in `text` from `from` on.
std::optional<uint64_t> NumberAfter(const std::string& text, const std::string& marker, int base,
                                    size_t from = 0) {
  const size_t at = text.find(marker, from);
  if (at == std::string::npos) return std::nullopt;
  const char* begin = text.data() + at + marker.size();
  uint64_t value = 0;
  const auto [end, error] = std::from_chars(begin, text.data() + text.size(), value, base);
  if (error != std::errc() || end == begin) return std::nullopt;
  return value;
}

}  // namespace

std::optional<S51Stop> ParseStop(const std::string& reply) {
  // "Stop at 0x0000d1: (104) Breakpoint"
  const size_t stopLine = reply.find("Stop at 0x");
  const auto pc = NumberAfter(reply, "Stop at 0x", 16, stopLine);
  const auto code = NumberAfter(reply, ": (", 10, stopLine);
  if (!pc || !code) return std::nullopt;
  S51Stop stop;
  stop.pc = static_cast<uint32_t>(*pc);
  stop.code = static_cast<int>(*code);
  const size_t reason = reply.find(") ", stopLine);
  if (reason != std::string::npos) {
    stop.reason = reply.substr(reason + 2, reply.find('\n', reason) - reason - 2);
  }
  // "Simulated 13860 ticks (1.253e-03 sec)"
  stop.clocks = NumberAfter(reply, "Simulated ", 10, stopLine).value_or(0);
  // "fffdff7f" from kS51LatchScript, on a line of its own before the stop; s51 may print other
  // lines between the start and the stop.
  const size_t started = reply.find("Simulation started");
  for (size_t line = reply.find('\n', started); started != std::string::npos && line < stopLine;
       line = reply.find('\n', line + 1)) {
    const size_t next = reply.find('\n', line + 1);
    if (next == std::string::npos || next - line - 1 != 8) continue;
    const auto word = ReadUnsigned(std::string_view(reply).substr(line + 1, 8), 16);
    if (!word) continue;
    for (int port = 0; port < 4; ++port) {
      stop.latches[port] = static_cast<uint8_t>(*word >> (24 - 8 * port));
    }
    break;
  }
  // "DPTR= 0x0301"
  stop.dpl = static_cast<uint8_t>(NumberAfter(reply, "DPTR= 0x", 16).value_or(0) & 0xFF);
  return stop;
}

std::optional<int> ParseBreakpointNumber(const std::string& reply) {
  // "Breakpoint 1 at 0x0000d1: 0x00d1 F? c2 91    CLR    0x910x90 <P1>.1 (cond="")"
  const auto number = NumberAfter(reply, "Breakpoint ", 10);
  if (!number || reply.find(" at 0x", reply.find("Breakpoint ")) == std::string::npos) {
    return std::nullopt;
  }
  return static_cast<int>(*number);
}

std::optional<uint64_t> ParseTotalClocks(const std::string& reply) {
  // "Total time since last reset= 0.002148437500000 sec (23760 clks)"
  const size_t total = reply.find("Total time since last reset=");
  if (total == std::string::npos) return std::nullopt;
  return NumberAfter(reply, "(", 10, total);
}

std::vector<uint8_t> ParseInternalRam(const std::string& reply, size_t count) {
  constexpr size_t kBytesPerRow = 8;
  std::vector<uint8_t> bytes;
  std::istringstream lines(reply);
  std::string line;
  while (std::getline(lines, line) && bytes.size() < count) {
    if (line.rfind("0x", 0) != 0) continue;
    std::istringstream tokens(line);
    std::string token;
    tokens >> token;  // the address
    for (size_t i = 0; i < kBytesPerRow && bytes.size() < count && tokens >> token; ++i) {
      const auto byte = token.size() == 2 ? ReadUnsigned(token, 16) : std::nullopt;
      if (!byte) break;
      bytes.push_back(static_cast<uint8_t>(*byte));
    }
  }
  return bytes;
}

}  // namespace kitbuilder::simulator
