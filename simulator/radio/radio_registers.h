#pragma once
// The K3960's register addresses and strobe codes that the tests refer to, and printable names
// for all of them, so that transcripts read like the firmware source.

#include <cstdint>
#include <string>

namespace kitbuilder::simulator {

enum Register : uint8_t {
  kModeReg = 0x00,
  kModeCtrlReg = 0x01,
  kCalibrationReg = 0x02,
  kFifo1Reg = 0x03,
  kFifoReg = 0x05,
  kIdCodeReg = 0x06,
  kGpio1Reg = 0x0B,
  kGpio2Reg = 0x0C,
  kDataRateReg = 0x0D,
  kPll1Reg = 0x0E,
  kChGroup1 = 0x13,
  kChGroup2 = 0x14,
  kCode1Reg = 0x20,
  kIfCal1Reg = 0x23,
  kIfCal2Reg = 0x24,
  kVcocCalReg = 0x25,
  kVcoCal1Reg = 0x26,
  kVcoCal2Reg = 0x27,
  kTxTestReg = 0x2D,
  kLastRegister = 0x38,
};

enum Strobe : uint8_t {
  kCmdSleep = 0x80,
  kCmdIdle = 0x90,
  kCmdStby = 0xA0,
  kCmdPll = 0xB0,
  kCmdRx = 0xC0,
  kCmdTx = 0xD0,
  kCmdTfr = 0xE0,
  kCmdRfr = 0xF0,
};

/// The control byte that opens every transfer: a strobe has the top bit set; otherwise bit 6
/// asks for a read and the low six bits are the register address.
constexpr uint8_t kControlStrobe = 0x80;
constexpr uint8_t kControlRead = 0x40;
constexpr uint8_t kControlAddress = 0x3F;

/// The header name of a register address, such as "PLL1_REG"; "0x3F" style for unknown ones.
std::string RegisterName(uint8_t address);

/// The header name of a strobe, such as "CMD_TX", judged by the upper nibble.
std::string StrobeName(uint8_t command);

/// TXTEST_REG for a TX power in dBm (0, -4, -6, -8; -12 otherwise) and DATARATE_REG for 1 or
/// 2 Mbit/s: the values the settings put in the chip and the air reads back.
uint8_t TxPowerValue(int dBm);
uint8_t DataRateValue(int mbps);

}  // namespace kitbuilder::simulator
