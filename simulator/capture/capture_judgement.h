#pragma once
// A real board's bus, as a capture shows it, held against its settings by the rules of the
// virtual board: the start-up if the capture holds it, then each whole pass, its exchange read
// from what the chip did (WTR falling in the ACK wait, the CRC flag in MODE_REG), the transfers
// the settings call for then, the waits for WTR the board owed (no transfer while the chip still
// transmits or listens), and the delays as measured on the wires. The chip's answers are
// its own: only what the settings determine of them (how many bytes the firmware reads) counts.

#include <optional>
#include <string>
#include <vector>

#include "simulator/capture/bus_decoder.h"
#include "simulator/verdict/transcript_judgement.h"

namespace kitbuilder::simulator {

struct CapturedPass {
  PassOutcome outcome = PassOutcome::kSent;
  TranscriptJudgement::PassTiming timing;
  std::vector<WtrEdge> wtr;  ///< WTR's edges from the pass's first transfer to the next pass's
  std::optional<uint64_t> crystalCycles;  ///< sleep: from CMD_STBY to the next transfer
};

struct CaptureJudgement {
  /// One line per deviation; empty only when something was judged and nothing deviated.
  std::vector<std::string> problems;
  /// What the capture does not show, and so was not judged ("the start-up: ...").
  std::vector<std::string> notInCapture;
  std::optional<StartupReport> startup;  ///< when the capture holds it
  std::vector<CapturedPass> passes;      ///< the whole passes, in order
};

CaptureJudgement JudgeCapture(const FirmwareSettings& settings, const McuClock& clock,
                              const CapturedBus& bus);

}  // namespace kitbuilder::simulator
