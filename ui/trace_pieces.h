#pragma once
// Which stretches of a check's run, or of a capture, the line picture draws: the start-up's
// first transfers, then the first pass. A pass holds waits of many milliseconds between transfers
// of a few microseconds, so each stretch is cut where the lines rest long, and the picture draws
// only the pieces where they move, each to scale, with a break between them.

#include <QString>
#include <cstdint>
#include <vector>

#include "simulator/capture/capture_judgement.h"
#include "simulator/firmware_check.h"
#include "ui/line_recording.h"

namespace kitbuilder::ui {

struct TracePiece {
  uint64_t from = 0;  ///< machine cycles
  uint64_t to = 0;
  QString caption;  ///< for the first piece of a stretch: what the stretch is
};

/// Falls back to all the lines moved when the run left no transfer to go by.
std::vector<TracePiece> TracePiecesOf(const simulator::CheckOutcome& outcome,
                                      const LineRecording& lines);

/// Of a capture: the start-up's first transfers if it holds the start-up, else its first
/// transfers; then its first whole pass; all it kept of the lines when it has no transfer. The
/// pieces end where the kept lines end.
std::vector<TracePiece> TracePiecesOfCapture(const simulator::CapturedBus& bus,
                                             const simulator::CaptureJudgement& judgement,
                                             const LineRecording& lines);

}  // namespace kitbuilder::ui
