#pragma once
// The five radio lines over a check's run, kept as they changed, so that the result window can
// draw them and write them as a trace after the run has ended.

#include <cstdint>
#include <vector>

#include "simulator/mcu/board.h"

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

/// Both boards' lines of a link check, each in a recording of its own, and which board each
/// change came from in the order the run told them, so that a trace written after the run is
/// the one the run itself writes.
class LinkRecording {
 public:
  LinkRecording() : board_(*this, false), peer_(*this, true) {}
  LinkRecording(const LinkRecording&) = delete;
  LinkRecording& operator=(const LinkRecording&) = delete;

  simulator::LineObserver& BoardObserver() { return board_; }
  simulator::LineObserver& PeerObserver() { return peer_; }
  const LineRecording& Board() const { return board_.lines; }
  const LineRecording& Peer() const { return peer_.lines; }
  void Replay(simulator::LineObserver& board, simulator::LineObserver& peer) const;

 private:
  struct Side : simulator::LineObserver {
    Side(LinkRecording& link, bool isPeer) : link(link), isPeer(isPeer) {}
    void LinesChanged(const simulator::LineLevels& levels, simulator::Instant at) override;
    LinkRecording& link;
    bool isPeer;
    LineRecording lines;
  };

  Side board_;
  Side peer_;
  std::vector<bool> fromPeer_;
};

}  // namespace kitbuilder::ui
