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
  WriteLatchAt(pin, level, Now());
}

bool Board::ReadPin(mcu::PinAddress pin) {
  CountAccess();
  const Instant now = Now();
  chip_.AdvanceTo(now);
  // The chip's outputs may have moved with time; a wiring fault can feed them back to its inputs.
  Settle(now);
  return WireLevel(pin);
}

void Board::WriteLatchAt(mcu::PinAddress pin, bool level, Instant at) {
  constexpr size_t kLatchWritesKept = 64;
  if (firstLatchWrites_.size() < kLatchWritesKept) firstLatchWrites_.push_back({pin, level});
  latches_[pin.port][pin.bit] = level;
  Settle(at);
}

uint8_t Board::OutsideLevels(int port, Instant at) {
  chip_.AdvanceTo(at);
  Settle(at);
  uint8_t levels = 0;
  for (int bit = 0; bit < 8; ++bit) {
    if (!PulledLow({port, bit})) levels = static_cast<uint8_t>(levels | 1 << bit);
  }
  return levels;
}

uint8_t Board::PortLatch(int port) const {
  uint8_t value = 0;
  for (int bit = 0; bit < 8; ++bit) {
    if (latches_[port][bit]) value = static_cast<uint8_t>(value | 1 << bit);
  }
  return value;
}

bool Board::PulledLow(mcu::PinAddress pin) const {
  for (int line = 0; line < kChipLineCount; ++line) {
    if (wiring_[line] == pin && chip_.PullsLow(static_cast<ChipLine>(line))) return true;
  }
  return false;
}

bool Board::WireLevel(mcu::PinAddress pin) const {
  return latches_[pin.port][pin.bit] && !PulledLow(pin);
}

LineLevels Board::ChipSideLevels() const {
  LineLevels levels;
  for (int line = 0; line < kChipLineCount; ++line) levels[line] = WireLevel(wiring_[line]);
  return levels;
}

void Board::Settle(Instant at) {
  // The chip reacting to its inputs can change its outputs, which on a miswired board are its
  // inputs again; a handful of rounds settles any real circuit.
  LineLevels levels = ChipSideLevels();
  for (int round = 0; round < 8; ++round) {
    chip_.Sense(levels, at);
    const LineLevels next = ChipSideLevels();
    if (next == levels) return;
    levels = next;
  }
  throw FirmwareStuck{"the chip's lines do not settle: an output drives one of its own inputs"};
}

}  // namespace k3960
