#include "tests/firmware/board.h"

#include <string>

#include "tests/firmware/run_control.h"

namespace k3960 {

Board::Board(ChipModel& chip, const Wiring& wiring) : chip_(chip), wiring_(wiring) {
  for (auto& port : latches_) port.fill(true);
}

Instant Board::Now() const {
  return {mcu::elapsed.Cycles(), mcu::elapsed.nops};
}

void Board::CountAccess() {
  ++mcu::elapsed.pinAccesses;
  if (cpuBudgetSpent) throw FirmwareStuck{"the CPU budget of the run was spent"};
  if (mcu::elapsed.Cycles() > cycleLimit_) {
    throw FirmwareStuck{"no end after " + std::to_string(cycleLimit_) + " cycles"};
  }
}

void Board::WriteLatch(mcu::PinAddress pin, bool level) {
  CountAccess();
  constexpr size_t kLatchWritesKept = 64;
  if (firstLatchWrites_.size() < kLatchWritesKept) firstLatchWrites_.push_back({pin, level});
  latches_[pin.port][pin.bit] = level;
  Settle();
}

bool Board::ReadPin(mcu::PinAddress pin) {
  CountAccess();
  chip_.AdvanceTo(Now());
  // The chip's outputs may have moved with time; a wiring fault can feed them back to its inputs.
  Settle();
  return WireLevel(pin);
}

bool Board::WireLevel(mcu::PinAddress pin) const {
  if (!latches_[pin.port][pin.bit]) return false;
  for (int line = 0; line < kChipLineCount; ++line) {
    if (wiring_[line] == pin && chip_.PullsLow(static_cast<ChipLine>(line))) return false;
  }
  return true;
}

LineLevels Board::ChipSideLevels() const {
  LineLevels levels;
  for (int line = 0; line < kChipLineCount; ++line) levels[line] = WireLevel(wiring_[line]);
  return levels;
}

void Board::Settle() {
  // The chip reacting to its inputs can change its outputs, which on a miswired board are its
  // inputs again; a handful of rounds settles any real circuit.
  LineLevels levels = ChipSideLevels();
  for (int round = 0; round < 8; ++round) {
    chip_.Sense(levels, Now());
    const LineLevels next = ChipSideLevels();
    if (next == levels) return;
    levels = next;
  }
  throw FirmwareStuck{"the chip's lines do not settle: an output drives one of its own inputs"};
}

}  // namespace k3960
