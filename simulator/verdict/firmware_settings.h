#pragma once
// The settings a firmware was generated from, in the terms the simulator needs: the operating
// mode, the link (channel, data rate, ID, lengths, timing) and the board's wiring. Taken from
// the generation settings, so that the check and the firmware can never disagree about them.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/generation_settings.h"

namespace kitbuilder::simulator {

/// A pin of the microcontroller: port 0..3 and bit 0..7.
struct Pin {
  int port = 0;
  int bit = 0;
  constexpr bool operator==(const Pin& other) const {
    return port == other.port && bit == other.bit;
  }
};

enum class Mode { kTx, kRx, kTxAck, kRxAck };
enum class Rest { kSleep, kStandby };

struct FirmwareSettings {
  Mode mode = Mode::kTx;
  int wires = 3;   ///< 3 or 4
  int wtrGio = 1;  ///< 1 or 2
  Rest rest = Rest::kSleep;
  int txPowerDbm = 0;    ///< 0, -4, -6, -8, -12
  int dataRateMbps = 2;  ///< 2 or 1
  int channel = 100;
  int length = 8;  ///< TX or RX length
  int ackLength = 0;
  int delayMs = 10;
  int wait100us = 0;
  std::array<uint8_t, 4> rfId{};
  /// SCS, SCK, SDIO, GIO1, GIO2.
  std::array<Pin, 5> pins{};
  /// The clock the SDCC output's delay routines were computed for; without it they are the
  /// stored ones.
  std::optional<McuClock> delaysFor;
};

/// The simulator's view of generation settings that were checked by a front end; nothing (and
/// `error` naming the field) when an RF ID text is not a hexadecimal byte.
std::optional<FirmwareSettings> FirmwareSettingsFrom(const GenerationSettings& settings,
                                                     std::string* error);

const char* ModeName(Mode mode);

/// The channel's frequency in MHz: 2400 MHz plus 0.5 MHz a channel.
double ChannelMhz(int channel);

}  // namespace kitbuilder::simulator
