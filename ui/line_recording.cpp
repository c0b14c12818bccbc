#include "ui/line_recording.h"

#include <algorithm>

namespace kitbuilder::ui {

void LineRecording::LinesChanged(const simulator::LineLevels& levels, simulator::Instant at) {
  changes_.push_back({levels, at.cycles});
}

simulator::LineLevels LineRecording::LevelsAt(uint64_t cycle) const {
  const auto after = std::upper_bound(
      changes_.begin(), changes_.end(), cycle,
      [](uint64_t wanted, const LineChange& change) { return wanted < change.cycle; });
  if (after == changes_.begin()) {
    simulator::LineLevels released;
    released.fill(true);
    return released;
  }
  return std::prev(after)->levels;
}

void LineRecording::Replay(simulator::LineObserver& observer) const {
  for (const LineChange& change : changes_) observer.LinesChanged(change.levels, {change.cycle});
}

void LinkRecording::Side::LinesChanged(const simulator::LineLevels& levels, simulator::Instant at) {
  lines.LinesChanged(levels, at);
  link.fromPeer_.push_back(isPeer);
}

void LinkRecording::Replay(simulator::LineObserver& board, simulator::LineObserver& peer) const {
  size_t next[2] = {0, 0};
  for (const bool isPeer : fromPeer_) {
    const LineChange& change = (isPeer ? Peer() : Board()).Changes()[next[isPeer]++];
    (isPeer ? peer : board).LinesChanged(change.levels, {change.cycle});
  }
}

}  // namespace kitbuilder::ui
