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

/// The first few of `transfers`, or nothing when there are none.
std::vector<Stretch> FirstTransfers(const std::vector<simulator::Transfer>& transfers,
                                    const char* caption) {
  if (transfers.empty()) return {};
  const size_t shown = std::min(kStartupTransfers, transfers.size());
  return {{transfers.front().start.cycles, transfers[shown - 1].end.cycles,
           QString::fromLatin1(caption).arg(shown)}};
}

std::vector<Stretch> StretchesOf(const simulator::CheckOutcome& outcome,
                                 const LineRecording& lines) {
  std::vector<Stretch> stretches =
      FirstTransfers(outcome.transcript, "Start-up: the first %1 transfers");
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

std::vector<Stretch> CaptureStretchesOf(const simulator::CapturedBus& bus,
                                        const simulator::CaptureJudgement& judgement,
                                        const LineRecording& lines) {
  std::vector<Stretch> stretches;
  if (bus.startupPresent) {
    stretches = FirstTransfers(bus.transfers, "Start-up: the first %1 transfers");
  }
  if (!judgement.passes.empty() && !judgement.passes.front().timing.transfers.empty()) {
    const simulator::CapturedPass& pass = judgement.passes.front();
    // WTR's last edge in the pass marks the packet's end on the air.
    uint64_t end = pass.timing.transfers.back().end.cycles;
    for (const simulator::WtrEdge& edge : pass.wtr) end = std::max(end, edge.at.cycles);
    stretches.push_back(
        {pass.timing.transfers.front().start.cycles, end, QStringLiteral("Pass 1")});
  } else if (!bus.startupPresent) {
    // A capture begun after the start-up, with no whole pass: what it has of the bus.
    stretches = FirstTransfers(bus.transfers, "The capture's first %1 transfers");
  }
  if (stretches.empty() && !lines.Changes().empty()) {
    stretches.push_back({lines.Changes().front().cycle, lines.Changes().back().cycle,
                         QStringLiteral("The whole capture")});
  }
  // Past the changes kept the picture would draw lines that did not move.
  std::vector<Stretch> kept;
  for (Stretch stretch : stretches) {
    if (lines.Changes().empty() || stretch.from > lines.Changes().back().cycle) continue;
    stretch.to = std::min(stretch.to, lines.Changes().back().cycle);
    kept.push_back(stretch);
  }
  return kept;
}

std::vector<TracePiece> PiecesOf(const std::vector<Stretch>& stretches,
                                 const LineRecording& lines) {
  std::vector<TracePiece> pieces;
  const std::vector<LineChange>& changes = lines.Changes();
  for (const Stretch& stretch : stretches) {
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

}  // namespace

std::vector<TracePiece> TracePiecesOf(const simulator::CheckOutcome& outcome,
                                      const LineRecording& lines) {
  return PiecesOf(StretchesOf(outcome, lines), lines);
}

std::vector<TracePiece> TracePiecesOfCapture(const simulator::CapturedBus& bus,
                                             const simulator::CaptureJudgement& judgement,
                                             const LineRecording& lines) {
  return PiecesOf(CaptureStretchesOf(bus, judgement, lines), lines);
}

}  // namespace kitbuilder::ui
