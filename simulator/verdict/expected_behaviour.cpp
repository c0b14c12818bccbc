#include "simulator/verdict/expected_behaviour.h"

#include <algorithm>

#include "simulator/radio/radio_registers.h"

namespace kitbuilder::simulator {
namespace {

ExpectedTransfer StrobeOf(uint8_t command) {
  return {Transfer::Kind::kStrobe, command, {}, true};
}

ExpectedTransfer WriteOf(uint8_t address, std::vector<uint8_t> data) {
  return {Transfer::Kind::kWrite, address, std::move(data), true};
}

ExpectedTransfer WriteOf(uint8_t address, uint8_t value) {
  return WriteOf(address, std::vector<uint8_t>{value});
}

/// A read whose answer is the model's business.
ExpectedTransfer PollOf(uint8_t address) {
  return {Transfer::Kind::kRead, address, {}, false};
}

ExpectedTransfer ReadOf(uint8_t address, std::vector<uint8_t> data) {
  return {Transfer::Kind::kRead, address, std::move(data), true};
}

std::vector<uint8_t> Pn9Prefix(int length) {
  const std::vector<uint8_t> table = Pn9Table();
  return {table.begin(), table.begin() + std::clamp(length, 0, 64)};
}

void Append(std::vector<ExpectedTransfer>* to, std::vector<ExpectedTransfer> more) {
  to->insert(to->end(), more.begin(), more.end());
}

std::vector<ExpectedTransfer> WriteFifo(int length) {
  return {WriteOf(kFifo1Reg, static_cast<uint8_t>(length - 1)), StrobeOf(kCmdTfr),
          WriteOf(kFifoReg, Pn9Prefix(length))};
}

std::vector<ExpectedTransfer> ChannelGroupCalibration(uint8_t channel) {
  return {WriteOf(kPll1Reg, channel), WriteOf(kCalibrationReg, 0x1C), PollOf(kCalibrationReg),
          PollOf(kVcoCal1Reg), PollOf(kVcocCalReg)};
}

std::string Render(Transfer::Kind kind, uint8_t target, const std::vector<uint8_t>& data,
                   bool withData) {
  Transfer transfer;
  transfer.kind = kind;
  transfer.target = target;
  transfer.data = data;
  return Describe(transfer, withData);
}

}  // namespace

std::vector<uint8_t> Pn9Table() {
  std::vector<int> bits(63 * 8, 1);
  for (size_t n = 0; n + 9 < bits.size(); ++n) bits[n + 9] = bits[n] ^ bits[n + 4];
  std::vector<uint8_t> table;
  for (size_t byte = 0; byte < 63; ++byte) {
    uint8_t value = 0;
    for (size_t bit = 0; bit < 8; ++bit)
      value = static_cast<uint8_t>(value << 1 | bits[byte * 8 + bit]);
    table.push_back(value);
  }
  table.push_back(0xE0);
  return table;
}

std::array<uint8_t, 0x39> RegisterDefaults(int wires, int wtrGio) {
  std::array<uint8_t, 0x39> table = {
      0x00, 0x62, 0x00, 0x3F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x1F, 0x50,
      0x0E, 0x96, 0x00, 0x04, 0x3C, 0x78, 0xD7, 0x40, 0x10, 0x61, 0x62, 0xA0, 0x00, 0x00, 0xD2,
      0x00, 0xE2, 0x07, 0x56, 0x2A, 0x06, 0x00, 0x05, 0x44, 0x80, 0x30, 0x20, 0x80, 0x00, 0x7A,
      0x2F, 0x47, 0x80, 0xF1, 0x11, 0x04, 0x45, 0x18, 0x10, 0xFF, 0x37, 0xFF};
  if (wires == 4) {
    // The GIO line that does not carry WTR becomes the serial data output.
    table[wtrGio == 1 ? kGpio2Reg : kGpio1Reg] = 0x19;
  }
  return table;
}

std::vector<ExpectedTransfer> ExpectedStartup(const FirmwareSettings& config) {
  std::vector<ExpectedTransfer> transfers;
  transfers.push_back(WriteOf(kModeReg, 0x00));
  transfers.push_back(WriteOf(kIdCodeReg, {config.rfId.begin(), config.rfId.end()}));
  const auto defaults = RegisterDefaults(config.wires, config.wtrGio);
  for (uint8_t address = 0x01; address <= kLastRegister; ++address) {
    if (address == kFifoReg || address == kIdCodeReg || address == kIfCal2Reg) continue;
    transfers.push_back(WriteOf(address, defaults[address]));
  }
  Append(&transfers, {StrobeOf(kCmdPll), WriteOf(kCalibrationReg, 0x03), PollOf(kCalibrationReg)});
  for (uint8_t channel : {30, 90, 150}) Append(&transfers, ChannelGroupCalibration(channel));
  Append(&transfers,
         {StrobeOf(kCmdStby), PollOf(kIfCal1Reg), PollOf(kIfCal2Reg), PollOf(kVcoCal2Reg)});
  Append(&transfers,
         {StrobeOf(kCmdStby), WriteOf(kTxTestReg, TxPowerValue(config.txPowerDbm)),
          WriteOf(kDataRateReg, DataRateValue(config.dataRateMbps)), WriteOf(kModeCtrlReg, 0x62),
          WriteOf(kPll1Reg, static_cast<uint8_t>(config.channel)), WriteOf(kCode1Reg, 0x0F)});
  if (config.mode == Mode::kTx) Append(&transfers, WriteFifo(config.length));
  if (config.mode == Mode::kRx) {
    transfers.push_back(WriteOf(kFifo1Reg, static_cast<uint8_t>(config.length - 1)));
  }
  return transfers;
}

std::vector<ExpectedTransfer> ExpectedPass(const FirmwareSettings& config, PassOutcome outcome,
                                           const std::vector<uint8_t>& answer) {
  std::vector<ExpectedTransfer> transfers;
  if (config.rest == Rest::kSleep) transfers = {StrobeOf(kCmdSleep), StrobeOf(kCmdStby)};
  const bool good = outcome == PassOutcome::kGoodPacket;
  switch (config.mode) {
    case Mode::kTx:
      transfers.push_back(StrobeOf(kCmdTx));
      break;
    case Mode::kRx:
      Append(&transfers, {StrobeOf(kCmdRx), PollOf(kModeReg)});
      if (good) transfers.push_back(ReadOf(kFifoReg, answer));
      break;
    case Mode::kTxAck:
      Append(&transfers, WriteFifo(config.length));
      Append(&transfers,
             {StrobeOf(kCmdTx), WriteOf(kFifo1Reg, static_cast<uint8_t>(config.ackLength - 1)),
              StrobeOf(kCmdRfr), StrobeOf(kCmdRx)});
      if (outcome == PassOutcome::kNoAnswer) {
        transfers.push_back(StrobeOf(kCmdStby));
      } else {
        transfers.push_back(PollOf(kModeReg));
        if (good) transfers.push_back(ReadOf(kFifoReg, answer));
      }
      break;
    case Mode::kRxAck:
      Append(&transfers, {WriteOf(kFifo1Reg, static_cast<uint8_t>(config.length - 1)),
                          StrobeOf(kCmdRfr), StrobeOf(kCmdRx), PollOf(kModeReg)});
      if (good) {
        transfers.push_back(ReadOf(kFifoReg, answer));
        Append(&transfers, WriteFifo(config.ackLength));
        transfers.push_back(StrobeOf(kCmdTx));
      }
      break;
  }
  return transfers;
}

std::optional<TranscriptDifference> FirstDifference(const std::vector<ExpectedTransfer>& expected,
                                                    const std::vector<Transfer>& actual,
                                                    bool ownPayload) {
  auto text = [ownPayload](Transfer::Kind kind, uint8_t target, const std::vector<uint8_t>& data,
                           bool withData) {
    if (ownPayload && kind == Transfer::Kind::kWrite && target == kFifoReg) {
      return "write FIFO_REG (" + std::to_string(data.size()) + " bytes)";
    }
    return Render(kind, target, data, withData);
  };
  auto expectedText = [&](size_t i) {
    if (i >= expected.size()) return std::string("(no more)");
    return text(expected[i].kind, expected[i].target, expected[i].data, expected[i].compareData);
  };
  auto actualText = [&](size_t i) {
    if (i >= actual.size()) return std::string("(no more)");
    const bool withData = i >= expected.size() || expected[i].compareData;
    return text(actual[i].kind, actual[i].target, actual[i].data, withData);
  };
  const size_t common = std::min(expected.size(), actual.size());
  size_t index = 0;
  while (index < common && expectedText(index) == actualText(index)) ++index;
  if (index == expected.size() && index == actual.size()) return std::nullopt;
  return TranscriptDifference{index, expectedText(index), actualText(index)};
}

}  // namespace kitbuilder::simulator
