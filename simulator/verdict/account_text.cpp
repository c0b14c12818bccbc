#include "simulator/verdict/account_text.h"

#include <cstdio>

#include "engine/quoted_text.h"
#include "simulator/radio/radio_registers.h"
#include "simulator/verdict/expected_behaviour.h"

namespace kitbuilder::simulator {

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string Time(const McuClock& clock, uint64_t cycles) {
  return Format("%.3f ms", BoardMilliseconds(clock, cycles)) + " (" + std::to_string(cycles) +
         " cycles)";
}

std::string IdText(const std::array<uint8_t, 4>& id) {
  std::string text;
  for (uint8_t byte : id) text += (text.empty() ? "" : ",") + HexBytes({byte});
  return text;
}

std::string Hex2(uint8_t value) {
  return "0x" + HexBytes({value});
}

std::string TxPowerText(uint8_t value) {
  for (int dBm : {0, -4, -6, -8, -12}) {
    if (TxPowerValue(dBm) == value) return std::to_string(dBm) + " dBm";
  }
  return "an unknown TX power (TXTEST_REG " + Hex2(value) + ")";
}

std::string DataRateText(uint8_t value) {
  if (value == DataRateValue(2)) return "2 Mbps";
  if (value == DataRateValue(1)) return "1 Mbps";
  return "an unknown data rate (DATARATE_REG " + Hex2(value) + ")";
}

std::string ChannelText(int channel) {
  return "channel " + std::to_string(channel) + " (" + Format("%.1f MHz", ChannelMhz(channel)) +
         ")";
}

void WriteRadioState(const std::array<uint8_t, 0x39>& registers, std::ostream& out) {
  out << "  the radio holds: TX power " << TxPowerText(registers[kTxTestReg]) << ", data rate "
      << DataRateText(registers[kDataRateReg]) << ", " << ChannelText(registers[kPll1Reg])
      << ", FIFO mode " << ((registers[kModeCtrlReg] & 0x02) != 0 ? "on" : "off") << ", CRC "
      << ((registers[kCode1Reg] & 0x08) != 0 ? "on" : "off") << "\n";
}

void WriteStartupAccount(const StartupReport& startup, const McuClock& clock, std::ostream& out) {
  out << "Start-up, up to " << Time(clock, startup.endCycle) << ":\n";
  out << "  reset: " << (startup.reset ? "MODE_REG written first" : "NOT made first") << "\n";
  out << "  ID: " << (startup.id ? IdText(*startup.id) + " written" : std::string("not written"))
      << "\n";
  out << "  register table: " << startup.tableWrites << " registers written\n";
  for (const CalibrationReport& calibration : startup.calibrations) {
    out << "  calibration of the " << calibration.what << ": done after " << calibration.polls
        << (calibration.polls == 1 ? " read, " : " reads, ") << Time(clock, calibration.cycles)
        << "\n";
  }
  if (startup.registers) WriteRadioState(*startup.registers, out);
}

std::string Number(double value) {
  return Format("%.3f", value);
}

void WriteJsonStartup(const StartupReport& startup, std::ostream& out) {
  out << "  \"startup\": {\n    \"id\": "
      << (startup.id ? QuotedText(IdText(*startup.id)) : std::string("null"))
      << ",\n    \"registers\": ";
  if (!startup.registers) {
    out << "null\n  },\n";
    return;
  }
  out << "{";
  for (size_t address = 0; address < startup.registers->size(); ++address) {
    out << (address == 0 ? "" : ", ") << QuotedText(Hex2(static_cast<uint8_t>(address))) << ": "
        << QuotedText(Hex2((*startup.registers)[address]));
  }
  out << "}\n  },\n";
}

std::string ClockText(const McuClock& clock) {
  return std::string(clock.clocksPerCycle == 12 ? "a classic 8051" : "an 8051") + " at " +
         Format("%g", clock.megahertz) + " MHz, " + std::to_string(clock.clocksPerCycle) +
         " clocks per machine cycle";
}

}  // namespace kitbuilder::simulator
