#pragma once
// Machine cycles as time on the board, for the microcontroller's clock that the settings give
// (a classic 8051 at 12 MHz, 12 clocks per machine cycle, when they give none). The clock is
// passed to whatever reports a time, never assumed.

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

}  // namespace kitbuilder::simulator
