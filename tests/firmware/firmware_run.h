#pragma once
// Runs a generated firmware on the simulated board until the chip model has seen enough, the
// firmware stops making progress, or it spins without touching a pin (as in its error state).

#include <cstdint>
#include <string>
#include <vector>

#include "tests/firmware/board.h"
#include "tests/firmware/chip_model.h"
#include "tests/firmware/firmware_unit.h"

namespace k3960 {

/// What the receive buffer holds before the firmware writes it, standing for uncleared RAM.
constexpr uint8_t kUnwrittenRam = 0xEE;

struct RunResult {
  enum class End {
    kStopped,      ///< the chip saw the transfer it was told to stop at
    kStuck,        ///< the cycle budget ran out while the firmware kept accessing pins
    kSpinning,     ///< the CPU budget ran out with no pin access: an endless loop of its own
    kReturned,     ///< main returned, which firmware for a bare microcontroller must never do
    kLostTrack,    ///< the simulator run could not follow what the machine code did to the pins
    kFaultCaught,  ///< the simulator run ended at the first fault the chip model caught
  };
  End end = End::kStopped;
  std::string detail;
  /// The receive buffer at the start of each transcript record, and lastly where the run stopped.
  std::vector<std::vector<uint8_t>> rfBufAtRecord;
};

struct RunLimits {
  size_t stopAtRecord = SIZE_MAX;
  uint64_t cycles = UINT64_MAX;
  /// On the host, the CPU time of the whole run; in the simulator, the wall-clock time it may
  /// run without touching a port.
  double cpuSeconds = 5.0;
};

RunResult RunFirmware(const FirmwareUnit& unit, Board& board, ChipModel& chip,
                      const RunLimits& limits);

std::string Describe(RunResult::End end);

}  // namespace k3960
