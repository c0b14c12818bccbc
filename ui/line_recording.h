#pragma once
// The five radio lines over a check's run, kept as they changed, so that the result window can
// draw them and write them as a trace after the run has ended.

#include <cstdint>
#include <vector>

#include "simulator/board.h"

namespace kitbuilder::ui {

struct LineChange {
  simulator::LineLevels levels{};
  uint64_t cycle = 0;
};

class LineRecording : public simulator::LineObserver {
 public:
  void LinesChanged(const simulator::LineLevels& levels, simulator::Instant at) override;

  const std::vector<LineChange>& Changes() const { return changes_; }
  /// The levels at `cycle`: those of the last change at or before it, all high before the first.
  simulator::LineLevels LevelsAt(uint64_t cycle) const;
  /// Tells `observer` of every change, as the run told this recording.
  void Replay(simulator::LineObserver& observer) const;

 private:
  std::vector<LineChange> changes_;
};

}  // namespace kitbuilder::ui
