#pragma once
// What s51 logged on its way to a stop: the hits of breakpoints whose script prints a value or
// two and lets the simulation go on, which costs no round trip through the console. After each
// such hit s51 says "Simulation started, PC=..." again, so the reply to one `run` reads:
//
//   Simulation started, PC=0x000000     <- the run
//   0x3a07                              <- a write to internal RAM: address 0x3a, value 0x07
//   2574                                   and s51's clock count
//   Simulation started, PC=0x000071     <- on it goes
//   2580                                <- a port write at 0x0064: s51's clock count
//   Simulation started, PC=0x000064
//   fffdff7f                            <- a port write that reports the latches first
//   26a0
//   Simulation started, PC=0x000068
//   ...                                 <- the stop itself, as ParseStop reads it
//   Stop at 0x000075: (104) Breakpoint

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kitbuilder::simulator {

/// The script of a breakpoint on a write to internal RAM at `address`: prints "0x", the address
/// and the value, then the clock count, and goes on.
std::string S51RamWriteScript(uint32_t address);

/// The script of a breakpoint on a port write that needs no answer: prints the clock count
/// (after the latch of `latchPort`, unless -1), evaluates the `assignments` to s51's variables
/// and pins (which say what the write may change in what the radio drives) and goes on. s51
/// parses the script at every hit, so it is kept short.
std::string S51PortWriteScript(int latchPort, const std::vector<std::string>& assignments);

/// One logged hit, in the order s51 ran into them.
struct S51LoggedHit {
  enum class Kind { kPortWrite, kRamWrite };
  Kind kind = Kind::kPortWrite;
  uint32_t pc = 0;                  ///< kPortWrite: the breakpoint's address, where s51 went on
  uint32_t clocks = 0;              ///< the low 32 bits of s51's clock count at the hit
  std::optional<uint32_t> latches;  ///< kPortWrite: P0..P3, when the script printed them
  uint8_t address = 0;              ///< kRamWrite
  uint8_t value = 0;                ///< kRamWrite
};

struct S51Log {
  std::vector<S51LoggedHit> hits;
  std::string stop;   ///< the reply from the last "Simulation started" on: the stop
  std::string error;  ///< a hit whose lines the run cannot read, or ""
};

/// Splits the reply to `run` into the logged hits and the stop.
S51Log ReadS51Log(const std::string& reply);

}  // namespace kitbuilder::simulator
