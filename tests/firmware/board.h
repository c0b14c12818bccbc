#pragma once
// The simulated board: the microcontroller's 32 port latches, the wires from its pins to the
// chip's five lines, and the clock. Every pin write lets the chip see the new wire levels; every
// pin read first lets time pass on the chip and then reads the wire. The firmware compiled for
// the host goes through the pin bus and the host's simulated clock; the 8051 simulator keeps its
// own clock and tells the time with each access.

#include <array>
#include <cstdint>
#include <vector>

#include "tests/firmware/chip_model.h"
#include "tests/firmware/firmware_shim.h"

namespace k3960 {

/// Which microcontroller pin each chip line (in ChipLine order) is wired to. Two lines on one
/// pin is a wiring fault that the board reproduces faithfully.
using Wiring = std::array<mcu::PinAddress, kChipLineCount>;

class Board : public mcu::PinBus {
 public:
  Board(ChipModel& chip, const Wiring& wiring);

  void WriteLatch(mcu::PinAddress pin, bool level) override;
  bool ReadPin(mcu::PinAddress pin) override;

  void WriteLatchAt(mcu::PinAddress pin, bool level, Instant at);
  /// What the outside drives on the eight pins of `port` at `at`: 0 where a chip line wired to
  /// the pin pulls it low, 1 where nothing does.
  uint8_t OutsideLevels(int port, Instant at);

  /// Beyond this many cycles the next pin access throws FirmwareStuck.
  void LimitCycles(uint64_t cycles) { cycleLimit_ = cycles; }

  bool Latch(mcu::PinAddress pin) const { return latches_[pin.port][pin.bit]; }
  uint8_t PortLatch(int port) const;

  struct LatchWrite {
    mcu::PinAddress pin;
    bool level;
  };
  /// The first latch writes of the run, enough to see how the firmware sets its pins up.
  const std::vector<LatchWrite>& firstLatchWrites() const { return firstLatchWrites_; }

 private:
  Instant Now() const;
  void CountAccess();
  bool PulledLow(mcu::PinAddress pin) const;
  bool WireLevel(mcu::PinAddress pin) const;
  LineLevels ChipSideLevels() const;
  void Settle(Instant at);

  ChipModel& chip_;
  Wiring wiring_;
  // An 8051 leaves reset with every latch at 1.
  std::array<std::array<bool, 8>, 4> latches_;
  uint64_t cycleLimit_ = UINT64_MAX;
  std::vector<LatchWrite> firstLatchWrites_;
};

}  // namespace k3960
