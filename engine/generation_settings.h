#pragma once
// The inputs of one build: gathered afresh from a front end for every build and dropped after it.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace kitbuilder {

/// Which port and bit of the microcontroller drives each radio line, and how the lines are used.
/// Ports are 0..3 (P0..P3), pins 0..7.
struct PinAssignment {
  int32_t scsPort = 1;
  int32_t scsPin = 1;
  int32_t sckPort = 3;
  int32_t sckPin = 0;
  int32_t sdioPort = 3;
  int32_t sdioPin = 1;
  int32_t gio1Port = 3;
  int32_t gio1Pin = 3;
  int32_t gio2Port = 3;
  int32_t gio2Pin = 4;
  int32_t wtrLine = 0;  ///< 0: WTR on GIO1, 1: WTR on GIO2
  int32_t spiMode = 0;  ///< 0: 3-wires, 1: 4-wires (the GIO line that is not WTR becomes SDO)
};

/// Radio settings and the mode page's values. The meaning of modeValue1..5 depends on the
/// operating mode; see ModeValues for the layout of each mode.
struct RfParameters {
  int32_t channel = 100;
  int32_t txPowerIndex = 0;   ///< 0 dBm, -4, -6, -8, -12 dBm
  int32_t dataRateIndex = 0;  ///< 0: 2M bps, 1: 1M bps
  int32_t crystalIndex = 0;   ///< 0: 16MHz, the only crystal
  int32_t modeValue1 = 0;
  int32_t modeValue2 = 0;
  int32_t modeValue3 = 0;
  int32_t modeValue4 = 0;
  int32_t modeValue5 = 0;
};

/// The four RF ID texts, each "0x" followed by one RF ID box's text exactly as the box holds it.
using RfId = std::array<std::string, 4>;

enum OperatingMode : int32_t { kModeTx = 0, kModeRx = 1, kModeTxAck = 2, kModeRxAck = 3 };

/// The 8051 C dialect of the generated files: C51's (`sbit`, `idata`, `reg52.h`), or SDCC's,
/// which also builds on Linux and comes with a Makefile.
enum class TargetCompiler { kC51, kSdcc };

/// The clock of the microcontroller that runs the firmware.
struct McuClock {
  double megahertz = 12.0;
  int32_t clocksPerCycle = 12;  ///< 12 for a classic core, 6 in the double-speed "X2" mode
};

/// Everything a build needs: the composer's four inputs in the order it takes them, and the
/// dialect that the build writes them in.
struct GenerationSettings {
  PinAssignment pins;
  RfId rfId{"0x54", "0x75", "0xC5", "0x2A"};
  int32_t operatingMode = kModeTx;
  RfParameters rf;
  TargetCompiler compiler = TargetCompiler::kC51;
  /// Given, the SDCC output's delay routines are computed for it; without it they stay as
  /// stored.
  std::optional<McuClock> mcuClock;
};

/// The values of a mode page, named. ToRfParameters places them in modeValue1..5 in the layout
/// that the composer reads for the given mode.
struct ModeValues {
  int32_t length = 8;     ///< TX length (tx, tx-ack) or RX length (rx, rx-ack)
  int32_t ackLength = 8;  ///< tx-ack and rx-ack
  int32_t restState = 0;  ///< 0: Sleep, 1: Standby
  int32_t delayMs = 10;
  int32_t wait100us = 40;  ///< tx-ack
};

/// The mode page defaults that the window opens with, by operating mode.
ModeValues DefaultModeValues(int32_t operatingMode);

/// Places `values` into rf.modeValue1..5 in the order the given mode uses.
void PlaceModeValues(int32_t operatingMode, const ModeValues& values, RfParameters* rf);

/// The inverse of PlaceModeValues; fields the mode does not use keep their defaults.
ModeValues TakeModeValues(int32_t operatingMode, const RfParameters& rf);

/// The settings that the window shows right after start, for the given mode.
GenerationSettings DefaultSettings(int32_t operatingMode = kModeTx);

}  // namespace kitbuilder
