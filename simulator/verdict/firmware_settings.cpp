#include "simulator/verdict/firmware_settings.h"

#include <cstdlib>

namespace kitbuilder::simulator {
namespace {

constexpr int kTxPowerDbm[] = {0, -4, -6, -8, -12};

Pin PinOf(int32_t port, int32_t bit) {
  return {static_cast<int>(port), static_cast<int>(bit)};
}

Mode ModeOf(int32_t operatingMode) {
  switch (operatingMode) {
    case kModeRx:
      return Mode::kRx;
    case kModeTxAck:
      return Mode::kTxAck;
    case kModeRxAck:
      return Mode::kRxAck;
    default:
      return Mode::kTx;
  }
}

}  // namespace

std::optional<FirmwareSettings> FirmwareSettingsFrom(const GenerationSettings& settings,
                                                     std::string* error) {
  FirmwareSettings firmware;
  const PinAssignment& pins = settings.pins;
  firmware.mode = ModeOf(settings.operatingMode);
  firmware.wires = pins.spiMode == 1 ? 4 : 3;
  firmware.wtrGio = pins.wtrLine == 1 ? 2 : 1;
  const ModeValues values = TakeModeValues(settings.operatingMode, settings.rf);
  firmware.rest = values.restState == 1 ? Rest::kStandby : Rest::kSleep;
  const int32_t power = settings.rf.txPowerIndex;
  firmware.txPowerDbm = power >= 0 && power < 5 ? kTxPowerDbm[power] : kTxPowerDbm[4];
  firmware.dataRateMbps = settings.rf.dataRateIndex == 1 ? 1 : 2;
  firmware.channel = settings.rf.channel;
  firmware.length = values.length;
  const bool withAck = firmware.mode == Mode::kTxAck || firmware.mode == Mode::kRxAck;
  firmware.ackLength = withAck ? values.ackLength : 0;
  firmware.delayMs = values.delayMs;
  firmware.wait100us = firmware.mode == Mode::kTxAck ? values.wait100us : 0;
  for (size_t i = 0; i < firmware.rfId.size(); ++i) {
    const std::string& text = settings.rfId[i];
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 16);
    if (text.empty() || *end != '\0' || value > 0xFF) {
      *error = "RF ID byte " + std::to_string(i + 1) + " \"" + text +
               "\" is not a hexadecimal byte; give it as in \"54,75,C5,2A\"";
      return std::nullopt;
    }
    firmware.rfId[i] = static_cast<uint8_t>(value);
  }
  firmware.pins = {PinOf(pins.scsPort, pins.scsPin), PinOf(pins.sckPort, pins.sckPin),
                   PinOf(pins.sdioPort, pins.sdioPin), PinOf(pins.gio1Port, pins.gio1Pin),
                   PinOf(pins.gio2Port, pins.gio2Pin)};
  firmware.delaysFor = settings.mcuClock;
  return firmware;
}

const char* ModeName(Mode mode) {
  switch (mode) {
    case Mode::kTx:
      return "TX";
    case Mode::kRx:
      return "RX";
    case Mode::kTxAck:
      return "TX with ACK";
    case Mode::kRxAck:
      return "RX with ACK";
  }
  return "?";
}

double ChannelMhz(int channel) {
  return 2400.0 + 0.5 * channel;
}

}  // namespace kitbuilder::simulator
