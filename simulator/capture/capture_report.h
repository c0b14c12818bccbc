#pragma once
// The report of a capture held against its settings, in the layout of the virtual board's: the
// capture and its lines, the start-up, each pass with its transfers and WTR's edges, the delays
// as measured on the wires, what the capture does not show, and the verdict. And the same as
// JSON, in the layout of the check's JSON report with the capture's facts beside it.

#include <ostream>
#include <string>

#include "simulator/capture/capture_check.h"
#include "simulator/capture/capture_judgement.h"

namespace kitbuilder::simulator {

/// The verdict line of a board that passed.
inline constexpr const char* kBoardAsTheSettingsSayVerdict =
    "The board does what its settings say.";

struct CaptureReport {
  std::string file;
  const FirmwareSettings& settings;
  McuClock clock;
  const CaptureOutcome& capture;
  const CaptureJudgement& judgement;
};

/// Whether the board passed: decoded without wiring faults, judged, and nothing deviated.
bool BoardPasses(const CaptureReport& report);

void WriteCaptureTextReport(const CaptureReport& report, std::ostream& out);

void WriteCaptureJsonReport(const CaptureReport& report, std::ostream& out);

}  // namespace kitbuilder::simulator
