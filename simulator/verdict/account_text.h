#pragma once
// The words and numbers every report of a check uses, whether the virtual board or a capture
// of a real board gave the account: times on the board's clock, the radio's settings as a
// person reads them, and the start-up's account as text and as JSON.

#include <array>
#include <cstdint>
#include <ostream>
#include <string>

#include "simulator/radio/mcu_clock.h"
#include "simulator/verdict/transcript_judgement.h"

namespace kitbuilder::simulator {

/// `value` through the printf `format`.
std::string Format(const char* format, double value);
/// "10.004 ms (10004 cycles)".
std::string Time(const McuClock& clock, uint64_t cycles);
/// "54,75,C3,A2".
std::string IdText(const std::array<uint8_t, 4>& id);
/// "0x64".
std::string Hex2(uint8_t value);
/// "0 dBm", or the unknown register value.
std::string TxPowerText(uint8_t value);
/// "2 Mbps", or the unknown register value.
std::string DataRateText(uint8_t value);
/// "channel 100 (2450.0 MHz)".
std::string ChannelText(int channel);
/// "a classic 8051 at 12 MHz, 12 clocks per machine cycle".
std::string ClockText(const McuClock& clock);
/// A number of the JSON report: three decimals.
std::string Number(double value);

/// The start-up's lines of the text report: reset, ID, table, calibrations, the radio's state.
void WriteStartupAccount(const StartupReport& startup, const McuClock& clock, std::ostream& out);

/// The report's "startup" member: the ID and the register file.
void WriteJsonStartup(const StartupReport& startup, std::ostream& out);

}  // namespace kitbuilder::simulator
