#pragma once
// Reading what s51 answers on its console: where and why it stopped, with what the breakpoint's
// script printed before, its clock total, and internal RAM listings. A stop is read thousands of
// times per run, so plain searches do the work.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kitbuilder::simulator {

/// s51's number for a stop at a breakpoint.
constexpr int kS51StopBreakpoint = 104;

/// The breakpoint script that reports the latches of P0..P3 at a stop, as one word "fffdff7f".
/// The SFR memory behind the port SFRs holds the latches; reading the SFRs would give the pins.
/// One expression costs s51 far less than a memory dump per port, at thousands of stops a run.
constexpr char kS51LatchScript[] =
    "expression /x (sfr_chip[0x00]<<24)|(sfr_chip[0x10]<<16)|(sfr_chip[0x20]<<8)|sfr_chip[0x30]";

/// What s51 reported when it stopped, with the output of the breakpoint's script before it.
struct S51Stop {
  uint32_t pc = 0;
  int code = 0;  ///< why, as s51 numbers it
  std::string reason;
  uint64_t clocks = 0;  ///< simulated since the `run`, 0 when not reported
  /// The latches of P0..P3, where kS51LatchScript printed them.
  std::array<std::optional<uint8_t>, 4> latches;
  uint8_t dpl = 0;
};

/// The stop in the reply to `run`; nothing when the reply holds none.
std::optional<S51Stop> ParseStop(const std::string& reply);

/// The number s51 gave the breakpoint in its reply to `break`.
std::optional<int> ParseBreakpointNumber(const std::string& reply);

/// The total of the clock in the reply to `state`; nothing when there is none.
std::optional<uint64_t> ParseTotalClocks(const std::string& reply);

/// The first `count` bytes of a `di START END` listing: rows of an address and eight bytes, then
/// the bytes as characters ("0x09 31 32 7b a0 c5 ea 0f 34 12{....4"), which must not be taken
/// for bytes.
std::vector<uint8_t> ParseInternalRam(const std::string& reply, size_t count);

}  // namespace kitbuilder::simulator
