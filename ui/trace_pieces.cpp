#include "ui/trace_pieces.h"

#include <algorithm>

namespace kitbuilder::ui {
namespace {

// A few transfers show how the firmware drives the serial interface; the register table that
// follows looks the same.
constexpr size_t kStartupTransfers = 3;
// Longer than the pause between two bytes of a transfer at the slowest clock, far shorter than
// the calibration and delay waits.
constexpr uint64_t kRestCycles = 400;
constexpr uint64_t kMargin = 20;

struct Stretch {
  uint64_t from;
  uint64_t to;
  QString caption;
};

std::vector<Stretch> StretchesOf(const simulator::CheckOutcome& outcome,
                                 const LineRecording& lines) {
  std::vector<Stretch> stretches;
  const auto& transcript = outcome.transcript;
  if (!transcript.empty()) {
    const size_t shown = std::min(kStartupTransfers, transcript.size());
    stretches.push_back({transcript.front().start.cycles, transcript[shown - 1].end.cycles,
                         QStringLiteral("Start-up: the first %1 transfers").arg(shown)});
  }
  if (!outcome.passes.empty() && !outcome.passes.front().transfers.empty()) {
    const simulator::PassReport& pass = outcome.passes.front();
    // A packet's last bit may go over the air after the last transfer: WTR tells of it.
    uint64_t end = pass.transfers.back().end.cycles;
    for (const simulator::AirReport& air : pass.air) end = std::max(end, air.cycle);
    stretches.push_back({pass.transfers.front().start.cycles, end, QStringLiteral("Pass 1")});
  }
  if (stretches.empty() && !lines.Changes().empty()) {
    stretches.push_back({lines.Changes().front().cycle, lines.Changes().back().cycle,
                         QStringLiteral("The whole run")});
  }
  return stretches;
}

}  // namespace

std::vector<TracePiece> TracePiecesOf(const simulator::CheckOutcome& outcome,
                                      const LineRecording& lines) {
  std::vector<TracePiece> pieces;
  const std::vector<LineChange>& changes = lines.Changes();
  for (const Stretch& stretch : StretchesOf(outcome, lines)) {
    TracePiece piece{stretch.from > kMargin ? stretch.from - kMargin : 0, stretch.to + kMargin,
                     stretch.caption};
    uint64_t lastMove = stretch.from;
    auto change = std::upper_bound(
        changes.begin(), changes.end(), stretch.from,
        [](uint64_t cycle, const LineChange& candidate) { return cycle < candidate.cycle; });
    for (; change != changes.end() && change->cycle <= stretch.to; ++change) {
      if (change->cycle - lastMove > kRestCycles) {
        piece.to = lastMove + kMargin;
        pieces.push_back(piece);
        piece = {change->cycle - kMargin, stretch.to + kMargin, QString()};
      }
      lastMove = change->cycle;
    }
    piece.to = stretch.to + kMargin;
    pieces.push_back(piece);
  }
  return pieces;
}

}  // namespace kitbuilder::ui
