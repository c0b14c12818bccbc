#include "simulator/radio/air.h"

#include <cmath>

#include "engine/delay_routines.h"
#include "simulator/radio/radio_registers.h"

namespace kitbuilder::simulator {

double AirMicroseconds(size_t payloadBytes, uint8_t dataRate) {
  const double bits =
      8.0 * static_cast<double>(kPreambleBytes + kIdBytes + kCrcBytes + payloadBytes);
  const double megabitsPerSecond = dataRate == DataRateValue(1) ? 1.0 : 2.0;
  return bits / megabitsPerSecond;
}

uint64_t AirCycles(size_t payloadBytes, uint8_t dataRate, const McuClock& clock) {
  return static_cast<uint64_t>(std::ceil(CyclesIn(clock, AirMicroseconds(payloadBytes, dataRate))));
}

}  // namespace kitbuilder::simulator
