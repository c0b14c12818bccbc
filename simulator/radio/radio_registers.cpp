#include "simulator/radio/radio_registers.h"

#include <cstdio>

namespace kitbuilder::simulator {
namespace {

std::string Hex(uint8_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value);
  return text;
}

}  // namespace

std::string RegisterName(uint8_t address) {
  static const char* const kNames[kLastRegister + 1] = {
      "MODE_REG",        "MODECTRL_REG",   "CALIBRATION_REG", "FIFO1_REG",       "FIFO2_REG",
      "FIFO_REG",        "IDCODE_REG",     "RCOSC1_REG",      "RCOSC2_REG",      "RCOSC3_REG",
      "CKO_REG",         "GPIO1_REG",      "GPIO2_REG",       "DATARATE_REG",    "PLL1_REG",
      "PLL2_REG",        "PLL3_REG",       "PLL4_REG",        "PLL5_REG",        "CHGROUP1",
      "CHGROUP2",        "TX1_REG",        "TX2_REG",         "DELAY1_REG",      "DELAY2_REG",
      "RX_REG",          "RXGAIN1_REG",    "RXGAIN2_REG",     "RXGAIN3_REG",     "RXGAIN4_REG",
      "RSSI_REG",        "ADC_REG",        "CODE1_REG",       "CODE2_REG",       "CODE3_REG",
      "IFCAL1_REG",      "IFCAL2_REG",     "VCOCCAL_REG",     "VCOCAL1_REG",     "VCOCAL2_REG",
      "VCODEVCAL1_REG",  "VCODEVCAL2_REG", "VCODEVCAL3_REG",  "VCOMODDELAY_REG", "BATTERY_REG",
      "TXTEST_REG",      "RXDEM1_REG",     "RXDEM2_REG",      "CPC1_REG",        "CPC2_REG",
      "CRYSTALTEST_REG", "PLLTEST_REG",    "VCOTEST_REG",     "RFANALOG_REG",    "IFAT_REG",
      "CHSELECT_REG",    "VRB_REG"};
  if (address > kLastRegister) return "register " + Hex(address);
  return kNames[address];
}

std::string StrobeName(uint8_t command) {
  static const char* const kNames[8] = {"CMD_SLEEP", "CMD_IDLE", "CMD_STBY", "CMD_PLL",
                                        "CMD_RX",    "CMD_TX",   "CMD_TFR",  "CMD_RFR"};
  if (command < 0x80) return "strobe " + Hex(command);
  return kNames[(command >> 4) & 0x07];
}

uint8_t TxPowerValue(int dBm) {
  switch (dBm) {
    case 0:
      return 0x17;
    case -4:
      return 0x3C;
    case -6:
      return 0x2C;
    case -8:
      return 0x33;
    default:
      return 0x32;
  }
}

uint8_t DataRateValue(int mbps) {
  return mbps == 1 ? 0x5F : 0x1F;
}

}  // namespace kitbuilder::simulator
