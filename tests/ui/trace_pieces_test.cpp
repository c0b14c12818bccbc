// Which stretches of a run or of a capture the line picture draws and where it cuts them, and
// the capture's lines it draws them from: on the board's clock, and bounded.

#include "ui/trace_pieces.h"

#include <QtTest>

#include "ui/captured_lines.h"

using namespace kitbuilder;
using namespace kitbuilder::ui;

namespace {

simulator::Transfer TransferAt(uint64_t start, uint64_t end) {
  simulator::Transfer transfer;
  transfer.start = {start};
  transfer.end = {end};
  return transfer;
}

LineRecording ChangesAt(const std::vector<uint64_t>& cycles) {
  LineRecording lines;
  bool level = false;
  for (uint64_t cycle : cycles) {
    simulator::LineLevels levels{};
    levels[0] = level = !level;
    lines.LinesChanged(levels, {cycle});
  }
  return lines;
}

QString Text(const std::vector<TracePiece>& pieces) {
  QStringList texts;
  for (const TracePiece& piece : pieces) {
    texts << QStringLiteral("%1-%2 %3").arg(piece.from).arg(piece.to).arg(piece.caption);
  }
  return texts.join(QLatin1Char('|'));
}

/// A capture's lines as CapturedLines keeps them, one change every `step` ns from `step` on, SCS
/// toggling, on a 12 MHz board: a machine cycle is 1000 ns.
CapturedLines CaptureChanges(const std::vector<uint64_t>& nanoseconds, size_t most) {
  CapturedLines lines(McuClock{}, most);
  simulator::CaptureStart start;
  start.samplerate = 4000000;
  start.levels.fill(true);
  lines.CaptureBegins(start);
  bool level = true;
  for (uint64_t at : nanoseconds) {
    simulator::LineChange change;
    change.nanoseconds = at;
    change.sample = at / 250;
    change.levels.fill(true);
    change.levels[0] = level = !level;
    change.changed.set(0);
    lines.LinesChanged(change);
  }
  lines.CaptureEnds(nanoseconds.empty() ? 1 : nanoseconds.back() / 250 + 1);
  return lines;
}

}  // namespace

class TracePiecesTest : public QObject {
  Q_OBJECT

 private slots:
  void StretchesAreCutWhereTheLinesRest() {
    simulator::CheckOutcome outcome;
    // Four start-up transfers, of which the picture shows three, the third after a long rest.
    outcome.transcript = {TransferAt(100, 200), TransferAt(210, 300), TransferAt(5000, 5100),
                          TransferAt(6000, 6100)};
    simulator::PassReport pass;
    pass.transfers = {TransferAt(10000, 10100)};
    // The packet's last bit is on the air long after the pass's last transfer.
    simulator::AirReport sent;
    sent.cycle = 12000;
    pass.air = {sent};
    outcome.passes = {pass};
    const LineRecording lines =
        ChangesAt({100, 150, 200, 210, 300, 5000, 5100, 6000, 6100, 10000, 10100, 12000});
    QCOMPARE(Text(TracePiecesOf(outcome, lines)),
             "80-320 Start-up: the first 3 transfers|4980-5120 |9980-10120 Pass 1|11980-12020 ");
  }

  void RunWithoutTransfersShowsAllTheLinesMoved() {
    const LineRecording lines = ChangesAt({50, 90, 2000});
    QCOMPARE(Text(TracePiecesOf(simulator::CheckOutcome{}, lines)),
             "30-110 The whole run|1980-2020 ");
    QVERIFY(TracePiecesOf(simulator::CheckOutcome{}, LineRecording{}).empty());
  }

  // A capture's changes land on the board's machine cycles, rounded as the bus decoder rounds
  // them, after the levels of its first sample; past the bound none is kept.
  void CaptureLinesAreKeptOnTheBoardsClockUpToTheirBound() {
    const CapturedLines lines = CaptureChanges({1400, 1600, 250000, 251000}, 3);
    QVERIFY(lines.Cut());
    QStringList kept;
    for (const LineChange& change : lines.Lines().Changes()) {
      kept << QStringLiteral("%1:%2").arg(change.cycle).arg(change.levels[0]);
    }
    QCOMPARE(kept.join(' '), QString("0:1 1:0 2:1 250:0"));
    QVERIFY(!CaptureChanges({1400, 1600}, 3).Cut());
  }

  void CaptureStretchesFollowWhatTheCaptureHolds() {
    simulator::CapturedBus bus;
    bus.transfers = {TransferAt(100, 200), TransferAt(210, 300), TransferAt(5000, 5100),
                     TransferAt(6000, 6100), TransferAt(10000, 10100)};
    simulator::CaptureJudgement judgement;
    simulator::CapturedPass pass;
    pass.timing.transfers = {TransferAt(10000, 10100)};
    // WTR falls when the packet's last bit is out, after the pass's last transfer.
    pass.wtr = {{true, {10100}}, {false, {12000}}};
    judgement.passes = {pass};
    const std::vector<uint64_t> all = {100,  150,  200,  210,   300,   5000,
                                       5100, 6000, 6100, 10000, 10100, 12000};
    const struct {
      const char* what;
      bool startup;
      bool withPass;
      size_t kept;  ///< changes the lines kept
      const char* pieces;
    } cases[] = {
        {"start-up and pass", true, true, 100,
         "80-320 Start-up: the first 3 transfers|4980-5120 |9980-10120 Pass 1|11980-12020 "},
        {"begun after the start-up", false, true, 100, "9980-10120 Pass 1|11980-12020 "},
        {"begun after the start-up, no whole pass", false, false, 100,
         "80-320 The capture's first 3 transfers|4980-5120 "},
        {"lines kept into the pass", true, true, 11,
         "80-320 Start-up: the first 3 transfers|4980-5120 |9980-10120 Pass 1"},
        {"lines kept within the start-up", true, true, 4, "80-230 Start-up: the first 3 transfers"},
    };
    for (const auto& c : cases) {
      std::vector<uint64_t> nanoseconds;
      for (uint64_t cycle : all) nanoseconds.push_back(cycle * 1000);
      bus.startupPresent = c.startup;
      simulator::CaptureJudgement judged;
      if (c.withPass) judged = judgement;
      const CapturedLines lines = CaptureChanges(nanoseconds, c.kept);
      QVERIFY2(
          Text(TracePiecesOfCapture(bus, judged, lines.Lines())) == c.pieces,
          qPrintable(c.what + (": " + Text(TracePiecesOfCapture(bus, judged, lines.Lines())))));
    }
    simulator::CapturedBus silent;
    QCOMPARE(Text(TracePiecesOfCapture(silent, {}, CaptureChanges({50000, 90000}, 10).Lines())),
             "0-110 The whole capture");
  }
};

QTEST_MAIN(TracePiecesTest)
#include "trace_pieces_test.moc"
