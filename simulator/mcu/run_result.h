#pragma once
// How a firmware run on the simulated board ended, the limits it was given, and how the board
// ends a run from inside a pin access when the firmware made no progress within the time it was
// given. The radio model ends it there too once the check has seen all it asked for
// (SimulationStop, beside the model).

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace kitbuilder::simulator {

/// What the receive buffer holds before the firmware writes it, standing for uncleared RAM.
constexpr uint8_t kUnwrittenRam = 0xEE;

struct RunResult {
  enum class End {
    kStopped,      ///< the radio saw the transfer it was told to stop at
    kStuck,        ///< the cycle budget ran out while the firmware kept accessing pins
    kSpinning,     ///< the firmware loops without touching a pin (as in its error state)
    kLostTrack,    ///< the run could not follow what the machine code did to the pins
    kFaultCaught,  ///< the run ended at the first fault the radio model caught
    kCancelled,    ///< whoever started the check called it off
    kCheckFailed,  ///< the check itself could not go on; the detail says where and why
  };
  End end = End::kStopped;
  std::string detail;
  /// The receive buffer at the start of each transcript record, and lastly where the run stopped.
  std::vector<std::vector<uint8_t>> rfBufAtRecord;
};

struct RunLimits {
  size_t stopAtRecord = SIZE_MAX;
  uint64_t cycles = UINT64_MAX;
  /// The wall-clock time the simulator may run without touching a port.
  double cpuSeconds = 20.0;
  /// Looked at on every stop; once true, the run ends as cancelled.
  const std::atomic<bool>* cancel = nullptr;
};

/// "stuck", "spinning in a loop that touches no pin", ...
std::string Describe(RunResult::End end);

/// The problem line for a failure of the check itself, `why`, at `what` ("transfer 91"): the
/// report goes as far as the check got, and the user learns whose fault it is.
std::string CouldNotJudge(const std::string& what, const std::string& why);

struct FirmwareStuck {
  std::string why;
};

}  // namespace kitbuilder::simulator
