#pragma once
// The scenario of a configuration's operating mode: what the peer does in each pass of the
// loop, the run on the simulated board, and every check of the start-up, the exchanges, the
// air, the receive buffer and the timing. Problems come back as text, so that a test can also
// require that a broken board produces some.

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

/// Runs the unit's scenario on a board wired as the unit's settings say.
ScenarioOutcome RunScenario(const FirmwareUnit& unit);

/// The chip's lines wired to the pins named in the settings.
Wiring WiringOf(const FirmwareConfig& config);

/// The peer's air settings for a configuration: its channel, data rate and ID.
AirSettings AirOf(const FirmwareConfig& config);

}  // namespace k3960
