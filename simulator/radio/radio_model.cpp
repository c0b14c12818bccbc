#include "simulator/radio/radio_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "simulator/radio/radio_registers.h"

namespace kitbuilder::simulator {
namespace {

constexpr uint8_t kReadFlag = 0x40;
constexpr uint8_t kStrobeFlag = 0x80;
constexpr uint8_t kCrcErrorFlag = 0x20;
constexpr uint8_t kCrcEnable = 0x08;  // in CODE1_REG
constexpr uint8_t kIfCalibrationBits = 0x03;
constexpr uint8_t kVcoCalibrationBits = 0x1C;
constexpr size_t kFifoSize = 64;

uint64_t CyclesOf(const McuClock& clock, double microseconds) {
  return static_cast<uint64_t>(std::ceil(CyclesIn(clock, microseconds)));
}

/// TFR and RFR only reset a FIFO pointer; every other strobe puts the chip in another state.
bool ChangesState(uint8_t command) {
  const uint8_t strobe = command & 0xF0;
  return strobe != kCmdTfr && strobe != kCmdRfr;
}

std::string Name(const Transfer& transfer) {
  if (transfer.kind == Transfer::Kind::kStrobe) return "strobe " + StrobeName(transfer.target);
  return (transfer.kind == Transfer::Kind::kRead ? "read of " : "write of ") +
         RegisterName(transfer.target);
}

}  // namespace

RadioModel::RadioModel(Air& air, const McuClock& clock, CalibrationFault fault)
    : air_(air),
      fault_(fault),
      clock_(clock),
      crystalSettleCycles_(CyclesOf(clock, kCrystalSettleMicroseconds)),
      txSettleCycles_(CyclesOf(clock, kTxSettleMicroseconds)),
      rxSettleCycles_(CyclesOf(clock, kRxSettleMicroseconds)),
      link_(*this) {}

void RadioModel::Sense(const LineLevels& levels, Instant now) {
  AdvanceTo(now);
  link_.Sense(levels[static_cast<int>(ChipLine::kScs)], levels[static_cast<int>(ChipLine::kSck)],
              levels[static_cast<int>(ChipLine::kSdio)]);
}

void RadioModel::AdvanceTo(Instant now) {
  now_ = now;
  for (;;) {
    const bool transmitting = state_ == State::kTx && txEndCycle_ <= now.cycles;
    const auto& sending = air_.sending();
    const bool arriving = sending && sending->endCycle <= now.cycles;
    if (transmitting && (!arriving || txEndCycle_ <= sending->endCycle)) {
      state_ = State::kStandby;
      stateReason_ = "its packet left at " + Ms(txEndCycle_);
    } else if (arriving) {
      ArrivalOfPeerPacket();
    } else {
      return;
    }
  }
}

bool RadioModel::PullsLow(ChipLine line) const {
  const std::optional<bool> data = link_.DataOut();
  const bool dataLow = data.has_value() && !*data;
  switch (line) {
    case ChipLine::kSdio:
      return !SdoWired() && dataLow;
    case ChipLine::kGio1:
    case ChipLine::kGio2: {
      const uint8_t function = registers_[line == ChipLine::kGio1 ? kGpio1Reg : kGpio2Reg];
      if (function == kGioWtr) return !Busy();
      if (function == kGioSdo) return dataLow;
      return false;
    }
    case ChipLine::kScs:
    case ChipLine::kSck:
      return false;
  }
  return false;
}

uint64_t RadioModel::OutputsSteadyUntil() const {
  if (!link_.Idle()) return now_.cycles;
  return OutputsBesideTheLinkSteadyUntil();
}

std::optional<RadioModel::DataForecast> RadioModel::ForecastData() const {
  DataForecast forecast;
  forecast.levels = link_.LevelsAtNextRisingEdges();
  if (forecast.levels.empty()) return std::nullopt;
  const bool sdo1 = registers_[kGpio1Reg] == kGioSdo;
  const bool sdo2 = registers_[kGpio2Reg] == kGioSdo;
  // Both GIO lines as SDO would carry the answer twice; no forecast keeps that case simple.
  if (sdo1 && sdo2) return std::nullopt;
  forecast.line = sdo1 ? ChipLine::kGio1 : sdo2 ? ChipLine::kGio2 : ChipLine::kSdio;
  return forecast;
}

uint64_t RadioModel::OutputsBesideTheLinkSteadyUntil() const {
  uint64_t until = air_.EarliestUnknownArrival();
  if (state_ == State::kTx) until = std::min(until, txEndCycle_);
  if (const auto& sending = air_.sending()) until = std::min(until, sending->endCycle);
  return until;
}

std::string RadioModel::Ms(uint64_t cycles) const {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f ms", BoardMilliseconds(clock_, cycles));
  return text;
}

std::string RadioModel::WtrAccount() const {
  const char* line = registers_[kGpio1Reg] == kGioWtr   ? "GIO1"
                     : registers_[kGpio2Reg] == kGioWtr ? "GIO2"
                                                        : nullptr;
  if (line == nullptr) {
    return "WTR is on neither GIO line (GPIO1_REG 0x" + HexBytes({registers_[kGpio1Reg]}) +
           ", GPIO2_REG 0x" + HexBytes({registers_[kGpio2Reg]}) + "), so it never changes";
  }
  const std::string wtr = std::string("WTR (") + line + ") ";
  const std::string since = stateReason_.empty() ? "" : " (" + stateReason_ + ")";
  switch (state_) {
    case State::kTx:
      return wtr + "is high: the chip is transmitting until " + Ms(txEndCycle_) + since;
    case State::kRx:
      return wtr + "is high: the chip is in RX" + since + " and no packet for it came";
    case State::kSleep:
      return wtr + "is low: the chip is asleep" + since;
    case State::kIdle:
      return wtr + "is low: the chip is idle" + since;
    case State::kStandby:
    case State::kPll:
      break;
  }
  return wtr + "is low: the chip is in standby" + since;
}

std::optional<uint8_t> RadioModel::AnsweringOnSdio() const {
  if (SdoWired() || !link_.DataOut().has_value() || transcript_.empty()) return std::nullopt;
  return transcript_.back().target;
}

bool RadioModel::SdoWired() const {
  return registers_[kGpio1Reg] == kGioSdo || registers_[kGpio2Reg] == kGioSdo;
}

AirSettings RadioModel::OwnAir() const {
  return {registers_[kPll1Reg], registers_[kDataRateReg], id_};
}

int RadioModel::ChannelGroup(uint8_t channel) const {
  if (channel < registers_[kChGroup1]) return 0;
  if (channel < registers_[kChGroup2]) return 1;
  return 2;
}

void RadioModel::TransferStarted() {
  transferStart_ = now_;
  stateAtSelect_ = state_;
  haveControl_ = false;
  dataBytes_ = 0;
  resetRequested_ = false;
}

bool RadioModel::ByteIn(uint8_t byte) {
  if (!haveControl_) {
    haveControl_ = true;
    return BeginTransfer(byte);
  }
  if (transcript_.back().kind == Transfer::Kind::kStrobe) {
    Violation("a further byte followed " + Name(transcript_.back()));
    return false;
  }
  WriteData(byte);
  return false;
}

bool RadioModel::BeginTransfer(uint8_t control) {
  if ((control & kStrobeFlag) != 0) {
    OpenRecord(Transfer::Kind::kStrobe, control);
    Strobe(control);
    return false;
  }
  const uint8_t address = control & 0x3F;
  if (address > kLastRegister) Violation("control byte for register beyond 0x38");
  if ((control & kReadFlag) == 0) {
    OpenRecord(Transfer::Kind::kWrite, address);
    return false;
  }
  // Back-to-back reads of one status register are a polling loop; one record keeps the
  // transcript comparable however long the chip made the firmware wait.
  if (!transcript_.empty() && address != kFifoReg && address != kIdCodeReg) {
    Transfer& previous = transcript_.back();
    if (previous.kind == Transfer::Kind::kRead && previous.target == address) {
      CheckTransferAllowed(previous);
      ++previous.polls;
      previous.data.clear();
      return true;
    }
  }
  OpenRecord(Transfer::Kind::kRead, address);
  return true;
}

void RadioModel::OpenRecord(Transfer::Kind kind, uint8_t target) {
  if (transcript_.size() == keepRegistersAt_) keptRegisters_ = registers_;
  if (transcript_.size() == stopAtRecord_) {
    stoppedAt_ = transferStart_;
    if (onRecord_) onRecord_(transcript_.size());
    throw SimulationStop{};
  }
  Transfer transfer;
  transfer.kind = kind;
  transfer.target = target;
  transfer.start = transferStart_;
  transfer.end = transferStart_;
  CheckTransferAllowed(transfer);
  transcript_.push_back(transfer);
  if (onRecord_) onRecord_(transcript_.size() - 1);
}

void RadioModel::CheckTransferAllowed(const Transfer& transfer) {
  // A transfer counts from SCS falling: one begun while WTR is high did not wait for it, even
  // when the chip gets its command only after the packet. A strobe to another state that
  // arrives during TX cuts the packet, which Strobe() reports.
  const bool cuts = transfer.kind == Transfer::Kind::kStrobe && ChangesState(transfer.target) &&
                    state_ == State::kTx;
  if (stateAtSelect_ == State::kTx && !cuts) {
    Violation(Name(transfer) + " began while the chip was still transmitting (WTR high" +
              (transferStart_.cycles < txFirstBitCycle_ ? ", the transmitter still settling" : "") +
              "): the firmware did not wait for the end of its packet");
  } else if (stateAtSelect_ == State::kRx && transfer.kind != Transfer::Kind::kStrobe) {
    Violation(Name(transfer) + " began while the chip was receiving (WTR high): no packet had " +
              "arrived yet");
  }
  const bool calibrationPoll =
      transfer.kind == Transfer::Kind::kRead && transfer.target == kCalibrationReg;
  if (awaitingCalibration_ && !calibrationPoll) {
    Violation(Name(transfer) + " before CALIBRATION_REG had read back 0 (calibration running)");
    awaitingCalibration_ = false;
  }
}

void RadioModel::Strobe(uint8_t command) {
  const State before = state_;
  if (before == State::kTx && ChangesState(command)) CutTransmission(command);
  switch (command & 0xF0) {
    case kCmdSleep:
      state_ = State::kSleep;
      break;
    case kCmdIdle:
      state_ = State::kIdle;
      break;
    case kCmdStby:
      state_ = State::kStandby;
      break;
    case kCmdPll:
      state_ = State::kPll;
      break;
    case kCmdRx:
      if (!CheckRadioReady("CMD_RX")) break;
      if (state_ != State::kRx) rxSinceCycle_ = now_.cycles + rxSettleCycles_;
      state_ = State::kRx;
      crcError_ = false;
      air_.ChipListens(rxSinceCycle_);
      break;
    case kCmdTx:
      if (CheckRadioReady("CMD_TX")) StartTransmission();
      break;
    case kCmdTfr:
      txBytes_ = 0;
      break;
    case kCmdRfr:
      rxRead_ = 0;
      break;
  }
  if (before == State::kSleep && state_ != State::kSleep) {
    wokeCycle_ = now_.cycles;
    crystalReadyCycle_ = now_.cycles + crystalSettleCycles_;
  }
  if (state_ != before) stateReason_ = StrobeName(command) + " at " + Ms(now_.cycles);
  if (before == State::kRx && state_ != State::kRx) air_.ChipStopsListening(now_.cycles);
}

bool RadioModel::CheckRadioReady(const char* strobe) {
  const std::string name = strobe;
  std::string refused;
  if (state_ == State::kSleep || state_ == State::kIdle) {
    refused = name + " while the chip was asleep or idle; CMD_STBY wakes it";
  } else if (now_.cycles < crystalReadyCycle_) {
    refused = name + " " + Ms(now_.cycles - wokeCycle_) +
              " after the chip woke from sleep; the crystal needs " + Ms(crystalSettleCycles_);
  }
  if (!refused.empty()) {
    // Without a running crystal the chip cannot carry the strobe out; it stays where it is.
    stateReason_ = refused + ", so the chip did not leave " +
                   (state_ == State::kStandby ? "standby"
                    : state_ == State::kIdle  ? "idle"
                                              : "sleep");
    Violation(stateReason_);
    return false;
  }
  if (!ifCalibrated_) Violation(name + " before the IF calibration");
  const uint8_t channel = registers_[kPll1Reg];
  if (!calibratedGroups_[ChannelGroup(channel)]) {
    Violation(name + " on channel " + std::to_string(channel) + ", whose channel group " +
              std::to_string(ChannelGroup(channel)) + " was never calibrated");
  }
  return true;
}

void RadioModel::StartTransmission() {
  size_t length = registers_[kFifo1Reg] + 1u;
  if (length > kFifoSize) {
    Violation("FIFO1_REG asks for " + std::to_string(length) + " bytes; the FIFO holds 64");
    length = kFifoSize;
  }
  if (static_cast<size_t>(txBytes_) < length) {
    Violation("CMD_TX sends " + std::to_string(length) + " bytes but only " +
              std::to_string(txBytes_) + " were written since the TX FIFO was reset");
  }
  AirPacket packet;
  packet.payload.assign(txFifo_.begin(), txFifo_.begin() + length);
  packet.air = OwnAir();
  packet.txPower = registers_[kTxTestReg];
  txStrobeCycle_ = now_.cycles;
  txFirstBitCycle_ = now_.cycles + txSettleCycles_;
  txEndCycle_ = txFirstBitCycle_ + AirCycles(length, registers_[kDataRateReg], clock_);
  txAirBytes_ = kPreambleBytes + kIdBytes + length + kCrcBytes;
  state_ = State::kTx;
  // The air learns of the packet at the strobe: another radio may be served before this one
  // gets to its end.
  air_.Hear(packet, txFirstBitCycle_, txEndCycle_);
}

void RadioModel::CutTransmission(uint8_t command) {
  std::string what = StrobeName(command) + " strobed " + Ms(now_.cycles - txStrobeCycle_) +
                     " after CMD_TX, while ";
  const std::string needs = "needs " + Ms(txEndCycle_ - txStrobeCycle_);
  if (now_.cycles < txFirstBitCycle_) {
    what += "the transmitter was still settling (the packet " + needs +
            " from the strobe): the packet never went on the air";
  } else {
    const double share = static_cast<double>(now_.cycles - txFirstBitCycle_) /
                         static_cast<double>(txEndCycle_ - txFirstBitCycle_);
    const auto bytes = static_cast<size_t>(share * static_cast<double>(txAirBytes_));
    what += "the packet was still on the air (it " + needs + "): the packet was cut after " +
            std::to_string(bytes) + " of its " + std::to_string(txAirBytes_) + " bytes";
  }
  Violation(what);
  air_.Cut(now_.cycles);
}

void RadioModel::ArrivalOfPeerPacket() {
  const AirPacket& packet = air_.sending()->packet;
  const bool received =
      state_ == State::kRx && rxSinceCycle_ <= air_.sending()->startCycle && packet.air == OwnAir();
  if (received) {
    const size_t length = registers_[kFifo1Reg] + 1u;
    const bool intact = packet.crcGood && packet.payload.size() == length;
    rxFifo_ = packet.payload;
    rxFifo_.resize(std::min(length, kFifoSize));
    rxRead_ = 0;
    crcError_ = !intact && (registers_[kCode1Reg] & kCrcEnable) != 0;
    state_ = State::kStandby;
    stateReason_ = "a packet arrived at " + Ms(air_.sending()->endCycle);
  }
  air_.SendingDone(received);
}

void RadioModel::WriteData(uint8_t byte) {
  Transfer& transfer = transcript_.back();
  transfer.data.push_back(byte);
  ++dataBytes_;
  switch (transfer.target) {
    case kFifoReg:
      if (static_cast<size_t>(txBytes_) >= kFifoSize) {
        Violation("TX FIFO written beyond its 64 bytes");
      } else {
        txFifo_[txBytes_++] = byte;
      }
      return;
    case kIdCodeReg:
      if (dataBytes_ > 4) {
        Violation("more than four ID bytes in one transfer");
      } else {
        id_[dataBytes_ - 1] = byte;
      }
      return;
    case kIfCal2Reg:
      Violation("write of IFCAL2_REG, which is read-only");
      return;
    default:
      break;
  }
  if (dataBytes_ > 1) {
    Violation("more than one data byte in the " + Name(transfer));
    return;
  }
  if (transfer.target > kLastRegister) return;
  if (transfer.target == kModeReg) resetRequested_ = true;
  registers_[transfer.target] = byte;
  if (transfer.target == kCalibrationReg) StartCalibration(byte);
}

void RadioModel::StartCalibration(uint8_t bits) {
  bits &= kIfCalibrationBits | kVcoCalibrationBits;
  if (bits == 0) return;
  if (state_ != State::kPll) Violation("calibration started outside PLL state");
  calibrationBusyBits_ = bits;
  calibrationBusyReads_ = kCalibrationBusyReads;
  awaitingCalibration_ = true;
  if ((bits & kIfCalibrationBits) == kIfCalibrationBits) ifCalibrated_ = true;
  if ((bits & kVcoCalibrationBits) == kVcoCalibrationBits) {
    lastVcoGroup_ = ChannelGroup(registers_[kPll1Reg]);
    calibratedGroups_.set(lastVcoGroup_);
  }
}

uint8_t RadioModel::RegisterAnswer(uint8_t address) const {
  const bool vcoFault = lastVcoGroup_ == fault_.channelGroup;
  switch (address) {
    case kModeReg:
      // Bit 1 reports FIFO mode; a firmware that tests the whole byte instead of the CRC flag
      // is caught by it.
      return (crcError_ ? kCrcErrorFlag : 0) | (registers_[kModeCtrlReg] & 0x02);
    case kCalibrationReg:
      return calibrationBusyReads_ > 0 ? calibrationBusyBits_ : 0;
    case kVcoCal1Reg:
      return 0x03 | (fault_.flag == CalibrationFault::Flag::kVcoBank && vcoFault ? 0x08 : 0);
    case kVcocCalReg:
      return 0x0A | (fault_.flag == CalibrationFault::Flag::kVcoCurrent && vcoFault ? 0x10 : 0);
    case kIfCal1Reg:
      return 0x07 | (fault_.flag == CalibrationFault::Flag::kIfFilter ? 0x10 : 0);
    case kIfCal2Reg:
      return 0x0C;
    case kVcoCal2Reg:
      return 0x91;
    default:
      return address <= kLastRegister ? registers_[address] : 0xFF;
  }
}

std::optional<uint8_t> RadioModel::PeekByteOut() {
  const Transfer& transfer = transcript_.back();
  const size_t index = transfer.data.size();
  switch (transfer.target) {
    case kFifoReg:
      // Past the packet the line shows ones; taking such a byte is reported when it happens.
      return rxRead_ < rxFifo_.size() ? rxFifo_[rxRead_] : 0xFF;
    case kIdCodeReg:
      if (index < id_.size()) return id_[index];
      return std::nullopt;
    default:
      if (index == 0) return RegisterAnswer(transfer.target);
      return std::nullopt;
  }
}

void RadioModel::ByteOutTaken(uint8_t byte) {
  Transfer& transfer = transcript_.back();
  transfer.data.push_back(byte);
  if (transfer.target == kFifoReg) {
    if (rxRead_ >= rxFifo_.size()) {
      Violation("RX FIFO read beyond the " + std::to_string(rxFifo_.size()) + " bytes received");
    } else {
      ++rxRead_;
    }
  } else if (transfer.target == kCalibrationReg) {
    if (calibrationBusyReads_ > 0) {
      --calibrationBusyReads_;
    } else if (byte == 0) {
      awaitingCalibration_ = false;
    }
  }
}

void RadioModel::TransferEnded() {
  if (!haveControl_) return;
  Transfer& transfer = transcript_.back();
  transfer.end = now_;
  if (transfer.kind == Transfer::Kind::kWrite && dataBytes_ == 0) {
    Violation(Name(transfer) + " carried no data byte");
  }
  if (transfer.kind == Transfer::Kind::kWrite && transfer.target == kIdCodeReg &&
      transfer.data.size() < id_.size()) {
    Violation("ID write carried " + std::to_string(transfer.data.size()) + " of 4 bytes");
  }
  if (transfer.kind == Transfer::Kind::kRead && transfer.data.empty()) {
    Violation(Name(transfer) + " ended before a data byte was clocked");
  }
  if (resetRequested_) Reset();
}

void RadioModel::Violation(const std::string& what) {
  constexpr size_t kFindingsKept = 100;
  if (++findingCount_ <= kFindingsKept) findings_.push_back({now_, what});
}

void RadioModel::Reset() {
  if (state_ == State::kRx) air_.ChipStopsListening(now_.cycles);
  if (state_ == State::kTx) air_.Cut(now_.cycles);
  stateReason_ = "the write of MODE_REG reset it at " + Ms(now_.cycles);
  registers_.fill(0);
  id_.fill(0);
  txBytes_ = 0;
  rxFifo_.clear();
  rxRead_ = 0;
  state_ = State::kStandby;
  crystalReadyCycle_ = 0;
  crcError_ = false;
  calibrationBusyBits_ = 0;
  calibrationBusyReads_ = 0;
  awaitingCalibration_ = false;
  ifCalibrated_ = false;
  calibratedGroups_.reset();
  lastVcoGroup_ = -1;
}

}  // namespace kitbuilder::simulator
