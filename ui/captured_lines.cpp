#include "ui/captured_lines.h"

#include "simulator/radio/mcu_clock.h"

namespace kitbuilder::ui {

CapturedLines::CapturedLines(const McuClock& clock, size_t mostChanges)
    : cycleNanoseconds_(simulator::CycleNanoseconds(clock)), mostChanges_(mostChanges) {}

void CapturedLines::CaptureBegins(const simulator::CaptureStart& start) {
  lines_.LinesChanged(start.levels, {0});
}

void CapturedLines::LinesChanged(const simulator::LineChange& change) {
  if (lines_.Changes().size() > mostChanges_) {
    cut_ = true;
    return;
  }
  // On the bus decoder's clock, so that a transfer's edges are where its times say.
  lines_.LinesChanged(
      change.levels,
      {simulator::NearestCycle(static_cast<double>(change.nanoseconds), cycleNanoseconds_)});
}

void CapturedLines::CaptureEnds(uint64_t) {}

}  // namespace kitbuilder::ui
