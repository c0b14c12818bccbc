#pragma once
// A behavioural model of the K3960 radio, a state machine fed with pin levels and a time: the
// serial protocol, the register file 0x00..0x38, the ID, the TX and RX FIFOs, the strobe states,
// self-clearing calibration with its result flags, WTR and SDO on the GIO lines, and the CRC
// error flag. It records every transfer and every breach of the chip's rules it notices.

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/delay_routines.h"
#include "simulator/radio/air.h"
#include "simulator/radio/chip_timing.h"
#include "simulator/radio/mcu_clock.h"
#include "simulator/radio/serial_link.h"
#include "simulator/radio/transcript.h"

namespace kitbuilder::simulator {

enum class ChipLine { kScs = 0, kSck, kSdio, kGio1, kGio2 };
constexpr int kChipLineCount = 5;
using LineLevels = std::array<bool, kChipLineCount>;

/// "SCS", "SCK", "SDIO", "GIO1", "GIO2".
inline const char* LineName(ChipLine line) {
  constexpr const char* kNames[kChipLineCount] = {"SCS", "SCK", "SDIO", "GIO1", "GIO2"};
  return kNames[static_cast<size_t>(line)];
}

/// Thrown from inside a pin access when the transcript is about to get the record the run was told
/// to stop at: the check has seen all it asked for.
struct SimulationStop {};

/// A calibration answer that the model spoils, to see what the firmware does about it.
struct CalibrationFault {
  enum class Flag { kNone, kVcoBank, kVcoCurrent, kIfFilter };
  Flag flag = Flag::kNone;
  int channelGroup = 0;  ///< for the two VCO flags: the group whose calibration fails, 0..2
};

/// GPIO register values that select a GIO line's function.
constexpr uint8_t kGioWtr = 0x01;
constexpr uint8_t kGioSdo = 0x19;

class RadioModel : private SerialLink::Client {
 public:
  /// `clock` turns the chip's times into the machine cycles it is fed. A packet from `air`
  /// reaches the chip only if it listens, on the packet's channel, data rate and ID, from the
  /// packet's first bit to its last.
  explicit RadioModel(Air& air, const McuClock& clock = {}, CalibrationFault fault = {});

  /// The levels on the chip's pins at `now`; input edges are acted on.
  void Sense(const LineLevels& levels, Instant now);
  /// Lets time pass up to `now`: transmissions end, packets arrive.
  void AdvanceTo(Instant now);
  /// Whether the chip pulls `line` low now; a line it does not pull low floats high.
  bool PullsLow(ChipLine line) const;

  /// The first cycle at which what the chip drives on its lines could change while its inputs
  /// stay as they are: its transmission ends, a packet arrives, or one the air cannot rule out
  /// yet does. Until then a read of its lines sees what it sees now; during a transfer the
  /// answer follows the clock, so the time is now.
  uint64_t OutputsSteadyUntil() const;
  /// The same for everything but the serial link's data output, which only the clock moves.
  uint64_t OutputsBesideTheLinkSteadyUntil() const;

  /// The line the chip answers a read on (SDIO, or the GIO line that is SDO) and the levels it
  /// takes after each of the coming rising edges of SCK, while nothing else moves; nothing when
  /// the chip is not answering.
  struct DataForecast {
    ChipLine line = ChipLine::kSdio;
    std::vector<bool> levels;
  };
  std::optional<DataForecast> ForecastData() const;

  /// What the model knows of WTR now and why it is at its level, for a firmware that stopped
  /// talking to the radio: "WTR (GIO1) is low: the chip never left standby, ...".
  std::string WtrAccount() const;
  /// The last time the chip was told of.
  Instant now() const { return now_; }

  /// The register address of the read the radio is answering on SDIO now, if it is.
  std::optional<uint8_t> AnsweringOnSdio() const;

  /// Keeps a copy of the register file as it is when record number `records` begins.
  void KeepRegistersAtRecord(size_t records) { keepRegistersAt_ = records; }
  /// The copy, once the run got there.
  const std::optional<std::array<uint8_t, 0x39>>& keptRegisters() const { return keptRegisters_; }

  /// Throws SimulationStop when the transcript is about to get record number `records`.
  void StopAtRecord(size_t records) { stopAtRecord_ = records; }
  /// Called with the index of every new transcript record, before it is acted on.
  void OnRecord(std::function<void(size_t)> observer) { onRecord_ = std::move(observer); }

  const std::vector<Transfer>& transcript() const { return transcript_; }
  /// The first findings; a fault that repeats on every transfer would otherwise pile up.
  const std::vector<Finding>& findings() const { return findings_; }
  size_t findingCount() const { return findingCount_; }
  /// Where the transfer that stopped the run began.
  const std::optional<Instant>& stoppedAt() const { return stoppedAt_; }

 private:
  enum class State { kSleep, kIdle, kStandby, kPll, kRx, kTx };

  // SerialLink::Client
  void TransferStarted() override;
  bool ByteIn(uint8_t byte) override;
  std::optional<uint8_t> PeekByteOut() override;
  void ByteOutTaken(uint8_t byte) override;
  void TransferEnded() override;
  void Violation(const std::string& what) override;

  bool BeginTransfer(uint8_t control);
  void OpenRecord(Transfer::Kind kind, uint8_t target);
  void CheckTransferAllowed(const Transfer& transfer);
  void Strobe(uint8_t command);
  void WriteData(uint8_t byte);
  void StartCalibration(uint8_t bits);
  uint8_t RegisterAnswer(uint8_t address) const;
  bool CheckRadioReady(const char* strobe);
  void StartTransmission();
  void CutTransmission(uint8_t command);
  std::string Ms(uint64_t cycles) const;
  void ArrivalOfPeerPacket();
  void Reset();
  int ChannelGroup(uint8_t channel) const;
  bool Busy() const { return state_ == State::kRx || state_ == State::kTx; }
  bool SdoWired() const;
  AirSettings OwnAir() const;

  Air& air_;
  CalibrationFault fault_;
  McuClock clock_;
  uint64_t crystalSettleCycles_;
  uint64_t txSettleCycles_;  ///< from the TX strobe to the first bit
  uint64_t rxSettleCycles_;  ///< from the RX strobe to listening
  SerialLink link_;
  Instant now_;

  std::array<uint8_t, 0x39> registers_{};
  std::array<uint8_t, 4> id_{};
  int idBytes_ = 0;
  std::array<uint8_t, 64> txFifo_{};
  int txBytes_ = 0;
  std::vector<uint8_t> rxFifo_;
  size_t rxRead_ = 0;

  State state_ = State::kStandby;
  uint64_t txStrobeCycle_ = 0;
  uint64_t txFirstBitCycle_ = 0;
  uint64_t txEndCycle_ = 0;
  size_t txAirBytes_ = 0;  ///< preamble, ID, payload and CRC of the packet being sent
  uint64_t rxSinceCycle_ = 0;
  uint64_t crystalReadyCycle_ = 0;
  uint64_t wokeCycle_ = 0;
  /// Why the chip is where it is when a TX or RX strobe was not carried out, or a packet ended.
  std::string stateReason_;
  bool crcError_ = false;

  uint8_t calibrationBusyBits_ = 0;
  int calibrationBusyReads_ = 0;
  bool awaitingCalibration_ = false;
  bool ifCalibrated_ = false;
  std::bitset<3> calibratedGroups_;
  int lastVcoGroup_ = -1;

  // The transfer in progress.
  Instant transferStart_;
  State stateAtSelect_ = State::kStandby;
  bool haveControl_ = false;
  int dataBytes_ = 0;
  bool resetRequested_ = false;

  std::vector<Transfer> transcript_;
  std::vector<Finding> findings_;
  size_t findingCount_ = 0;
  size_t stopAtRecord_ = SIZE_MAX;
  std::optional<Instant> stoppedAt_;
  std::function<void(size_t)> onRecord_;
  size_t keepRegistersAt_ = SIZE_MAX;
  std::optional<std::array<uint8_t, 0x39>> keptRegisters_;
};

}  // namespace kitbuilder::simulator
