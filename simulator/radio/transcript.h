#pragma once
// What the radio model saw on its serial interface, one record per transfer, and what it found
// wrong on the way. The check compares these records with the behaviour the firmware owes.

#include <cstdint>
#include <string>
#include <vector>

namespace kitbuilder::simulator {

/// A point of simulated time, in machine cycles of the microcontroller since reset.
struct Instant {
  uint64_t cycles = 0;
};

/// One serial transfer between SCS falling and rising, decoded.
struct Transfer {
  enum class Kind { kStrobe, kWrite, kRead };
  Kind kind = Kind::kStrobe;
  uint8_t target = 0;         ///< the strobe command, or the register address
  std::vector<uint8_t> data;  ///< bytes written, or bytes the chip answered
  int polls = 1;              ///< back-to-back reads of one register are kept as one record
  Instant start;
  Instant end;
};

/// Whether `next` is one more poll of the register `previous` read: back-to-back reads of one
/// register other than the FIFO and the ID are a polling loop, kept as one record so that a
/// transcript reads the same however long the chip made the firmware wait.
bool RepeatsPoll(const Transfer& previous, const Transfer& next);

/// "strobe CMD_TX", "write PLL1_REG 0x64", "read FIFO_REG -> 8 bytes 12 34 ...". Read data is
/// left out when `withReadData` is false, for comparisons where the answer is the model's own.
std::string Describe(const Transfer& transfer, bool withReadData = true);

/// Something the chip model caught the firmware doing that the chip does not allow.
struct Finding {
  Instant at;
  std::string what;
};

std::string Describe(const Finding& finding);

/// Bytes as "12 34 AB".
std::string HexBytes(const std::vector<uint8_t>& bytes);

}  // namespace kitbuilder::simulator
