#pragma once
// The microcontroller's clock, which turns machine cycles into time on the board. It is passed
// to whatever reports a time, so that a board with another crystal or core is one value away.

#include <cstdint>

namespace kitbuilder::simulator {

struct McuClock {
  double mhz = 12.0;        ///< the oscillator
  int clocksPerCycle = 12;  ///< a classic 8051 takes 12 oscillator clocks per machine cycle

  double Milliseconds(uint64_t cycles) const {
    return static_cast<double>(cycles) * clocksPerCycle / (mhz * 1000.0);
  }
  /// One machine cycle in nanoseconds, the resolution of a trace.
  double CycleNanoseconds() const { return clocksPerCycle * 1000.0 / mhz; }
};

}  // namespace kitbuilder::simulator
