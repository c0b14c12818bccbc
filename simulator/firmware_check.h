#pragma once
// The check of a firmware against its settings: what the ideal partner does in each pass of the
// loop, the run on a board wired as the settings say, every comparison of the start-up, the
// exchanges, the air, the receive buffer and the timing with what the settings call for, and
// the account of what happened, from which the reports are written. Problems are plain
// sentences, one per deviation.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "simulator/mcu/board.h"
#include "simulator/mcu/run_result.h"
#include "simulator/radio/mcu_clock.h"
#include "simulator/radio/partner.h"
#include "simulator/verdict/expected_behaviour.h"
#include "simulator/verdict/firmware_settings.h"
#include "simulator/verdict/transcript_judgement.h"

namespace kitbuilder::simulator {

/// One pass as the partner arranges it; `answer` is the packet it sends in that pass, if any.
using PlannedPass = PassExchange;

struct CheckPlan {
  std::vector<PartnerMove> partnerScript;
  std::vector<PlannedPass> passes;
};

/// `passes` passes of the mode's exchange. TX sends; RX and RX with ACK get a good packet, then
/// one with a bad CRC, then good ones; TX with ACK gets a good ACK, one with a bad CRC, one that
/// comes too late, then good ones.
CheckPlan PlanFor(const FirmwareSettings& settings, int passes);

struct CheckOptions {
  int passes = 3;
  /// The firmware is the user's own: its payload bytes are its business, not the table's.
  bool ownPayload = false;
  McuClock clock;
  /// Told of every line change of the run, if set.
  LineObserver* lines = nullptr;
  /// Set from another thread to end the run early, if given; the outcome is then of no use.
  const std::atomic<bool>* cancel = nullptr;
};

/// Something that went over the air in a pass, from the firmware's point of view.
struct AirReport {
  enum class Kind { kSent, kCut, kReceived, kCrcError, kAckSent, kAckReceived, kNoAck, kMissed };
  Kind kind = Kind::kSent;
  uint64_t cycle = 0;  ///< when its last bit was on the air, or when it was cut
  AirPacket packet;
  bool taken = false;  ///< for packets that came in: the firmware read them from the FIFO
};

/// "sent", "crc-error", ...
const char* KindName(AirReport::Kind kind);

struct PassReport {
  uint64_t startCycle = 0;
  std::vector<AirReport> air;
  std::vector<Transfer> transfers;
  /// TX with ACK: from CMD_RX to the end of the wait, and whether an ACK ended it.
  std::optional<uint64_t> ackWaitCycles;
  bool ackEndedWait = false;
  /// The rest between passes: sleep (CMD_SLEEP to CMD_STBY) or the delay in standby.
  std::optional<uint64_t> restCycles;
};

struct CheckOutcome {
  std::vector<std::string> problems;
  StartupReport startup;
  std::vector<PassReport> passes;
  uint64_t cycles = 0;  ///< machine cycles run
  std::vector<Transfer> transcript;
};

/// Runs a firmware on a board and radio within the limits the check sets.
using FirmwareRunner = std::function<RunResult(Board&, RadioModel&, const RunLimits&)>;

CheckOutcome CheckFirmware(const FirmwareSettings& settings, const CheckOptions& options,
                           const FirmwareRunner& runner);

/// The partner's air settings: the channel, data rate and ID of the settings.
AirSettings AirOf(const FirmwareSettings& settings);

}  // namespace kitbuilder::simulator
