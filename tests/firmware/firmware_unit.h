#pragma once
// One generated firmware built into the test executable: the settings it was generated with,
// where its files are, and handles on its entry point and receive buffer.

#include <array>
#include <cstddef>
#include <cstdint>

#include "tests/firmware/firmware_shim.h"

namespace k3960 {

enum class Mode { kTx, kRx, kTxAck, kRxAck };
enum class Rest { kSleep, kStandby };

/// The generation settings of one configuration, as the tests need them.
struct FirmwareConfig {
  const char* name;
  Mode mode;
  int wires;   ///< 3 or 4
  int wtrGio;  ///< 1 or 2
  Rest rest;
  int txPowerDbm;    ///< 0, -4, -6, -8, -12
  int dataRateMbps;  ///< 2 or 1
  int channel;
  int length;  ///< TX or RX length
  int ackLength;
  int delayMs;
  int wait100us;
  std::array<uint8_t, 4> rfId;
  /// SCS, SCK, SDIO, GIO1, GIO2.
  std::array<mcu::PinAddress, 5> pins;
  /// Where main.c, define.h and K3960reg.h were generated in C51's dialect.
  const char* sourceDir;
  /// Where the same settings were generated in SDCC's dialect, with the Makefile.
  const char* sdccDir;
};

struct FirmwareUnit {
  FirmwareConfig config;
  void (*entry)();
  uint8_t* rfBuf;
  size_t rfBufSize;
};

const char* ModeName(Mode mode);

}  // namespace k3960
