#pragma once
// The scenario of a configuration's operating mode: what the peer does in each pass of the
// loop, the run on the simulated board, and every check of the start-up, the exchanges, the
// air, the receive buffer and the timing. Problems come back as text, so that a test can also
// require that a broken board produces some.

#include <functional>
#include <string>
#include <vector>

#include "tests/firmware/air_peer.h"
#include "tests/firmware/board.h"
#include "tests/firmware/expected_behaviour.h"
#include "tests/firmware/firmware_run.h"
#include "tests/firmware/firmware_unit.h"

namespace k3960 {

/// One pass as the peer arranges it; `answer` is the packet it sends in that pass, if any.
struct PlannedPass {
  PassOutcome outcome;
  std::vector<uint8_t> answer;
};

struct ScenarioPlan {
  std::vector<PeerMove> peerScript;
  std::vector<PlannedPass> passes;
};

/// Three passes per mode: TX sends; RX and RX with ACK get a good packet, one with a bad CRC and
/// a good one; TX with ACK gets a good ACK, one with a bad CRC and one that comes too late.
ScenarioPlan PlanFor(const FirmwareConfig& config);

struct ScenarioOutcome {
  std::vector<std::string> problems;
  std::vector<Transfer> transcript;
  std::vector<AirEvent> air;
};

/// How a run tells time. The host run counts the firmware's delay loops in no-ops; the 8051
/// simulator counts machine cycles of the code SDCC made of them.
struct TimeBase {
  uint64_t Instant::*measure;  ///< what the delay spans are measured in
  const char* unit;
  uint64_t perMillisecond;  ///< one unit of Delay1ms, in the measure
  uint64_t perWaitUnit;     ///< one unit of Delay100us_WTR, in the measure
  uint64_t cyclesPerMillisecond;
  uint64_t cyclesPerWaitUnit;
};

/// The host run: every no-op and every pin access is one cycle, and one unit of the ACK wait is
/// 100 reads of WTR and 300 no-ops.
extern const TimeBase kHostTime;

/// Runs a firmware on the board and chip of a scenario within the limits it sets.
using FirmwareRunner = std::function<RunResult(Board&, ChipModel&, const RunLimits&)>;

/// Runs the unit's scenario, compiled for the host, on a board wired as the unit's settings say.
ScenarioOutcome RunScenario(const FirmwareUnit& unit);

/// The same scenario with the firmware run by `runner`, its timing judged in `time`.
ScenarioOutcome RunScenario(const FirmwareUnit& unit, const FirmwareRunner& runner,
                            const TimeBase& time);

/// The chip's lines wired to the pins named in the settings.
Wiring WiringOf(const FirmwareConfig& config);

/// The peer's air settings for a configuration: its channel, data rate and ID.
AirSettings AirOf(const FirmwareConfig& config);

}  // namespace k3960
