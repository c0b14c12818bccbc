#pragma once
// Machine cycles as time on the board, for the microcontroller's clock that the settings give
// (a classic 8051 at 12 MHz, 12 clocks per machine cycle, when they give none). The clock is
// passed to whatever reports a time, never assumed.

#include <cmath>
#include <cstdint>

#include "engine/generation_settings.h"

namespace kitbuilder::simulator {

using kitbuilder::McuClock;

inline double BoardMilliseconds(const McuClock& clock, uint64_t cycles) {
  return static_cast<double>(cycles) * clock.clocksPerCycle / (clock.megahertz * 1000.0);
}

/// One machine cycle in nanoseconds, the resolution of a trace.
inline double CycleNanoseconds(const McuClock& clock) {
  return clock.clocksPerCycle * 1000.0 / clock.megahertz;
}

/// The machine cycle nearest to a time of a capture: the one clock that a capture's transfers
/// and its picture are both put on.
inline uint64_t NearestCycle(double nanoseconds, double cycleNanoseconds) {
  return static_cast<uint64_t>(std::llround(nanoseconds / cycleNanoseconds));
}

}  // namespace kitbuilder::simulator
