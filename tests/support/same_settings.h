#pragma once
// Field-by-field comparison of generation settings, naming the first field that differs.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/generation_settings.h"

namespace kitbuilder::testing {

inline int32_t Hertz(const std::optional<McuClock>& clock) {
  return static_cast<int32_t>(std::lround(clock.value_or(McuClock()).megahertz * 1e6));
}

inline ::testing::AssertionResult SameSettings(const GenerationSettings& expected,
                                               const GenerationSettings& actual) {
  const struct {
    const char* name;
    int32_t expected;
    int32_t actual;
  } fields[] = {
      {"scsPort", expected.pins.scsPort, actual.pins.scsPort},
      {"scsPin", expected.pins.scsPin, actual.pins.scsPin},
      {"sckPort", expected.pins.sckPort, actual.pins.sckPort},
      {"sckPin", expected.pins.sckPin, actual.pins.sckPin},
      {"sdioPort", expected.pins.sdioPort, actual.pins.sdioPort},
      {"sdioPin", expected.pins.sdioPin, actual.pins.sdioPin},
      {"gio1Port", expected.pins.gio1Port, actual.pins.gio1Port},
      {"gio1Pin", expected.pins.gio1Pin, actual.pins.gio1Pin},
      {"gio2Port", expected.pins.gio2Port, actual.pins.gio2Port},
      {"gio2Pin", expected.pins.gio2Pin, actual.pins.gio2Pin},
      {"wtrLine", expected.pins.wtrLine, actual.pins.wtrLine},
      {"spiMode", expected.pins.spiMode, actual.pins.spiMode},
      {"operatingMode", expected.operatingMode, actual.operatingMode},
      {"channel", expected.rf.channel, actual.rf.channel},
      {"txPowerIndex", expected.rf.txPowerIndex, actual.rf.txPowerIndex},
      {"dataRateIndex", expected.rf.dataRateIndex, actual.rf.dataRateIndex},
      {"crystalIndex", expected.rf.crystalIndex, actual.rf.crystalIndex},
      {"modeValue1", expected.rf.modeValue1, actual.rf.modeValue1},
      {"modeValue2", expected.rf.modeValue2, actual.rf.modeValue2},
      {"modeValue3", expected.rf.modeValue3, actual.rf.modeValue3},
      {"modeValue4", expected.rf.modeValue4, actual.rf.modeValue4},
      {"modeValue5", expected.rf.modeValue5, actual.rf.modeValue5},
      {"compiler", static_cast<int32_t>(expected.compiler), static_cast<int32_t>(actual.compiler)},
      {"mcuClock given", expected.mcuClock.has_value(), actual.mcuClock.has_value()},
      {"mcuClock Hz", Hertz(expected.mcuClock), Hertz(actual.mcuClock)},
      {"clocksPerCycle", expected.mcuClock.value_or(McuClock()).clocksPerCycle,
       actual.mcuClock.value_or(McuClock()).clocksPerCycle},
  };
  for (const auto& field : fields) {
    if (field.expected != field.actual) {
      return ::testing::AssertionFailure()
             << field.name << " is " << field.actual << ", expected " << field.expected;
    }
  }
  for (std::size_t i = 0; i < expected.rfId.size(); ++i) {
    if (expected.rfId[i] != actual.rfId[i]) {
      return ::testing::AssertionFailure() << "rfId[" << i << "] is \"" << actual.rfId[i]
                                           << "\", expected \"" << expected.rfId[i] << "\"";
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace kitbuilder::testing
