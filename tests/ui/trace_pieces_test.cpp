// Which stretches of a run the line picture draws and where it cuts them.

#include "ui/trace_pieces.h"

#include <QtTest>

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
};

QTEST_MAIN(TracePiecesTest)
#include "trace_pieces_test.moc"
