#include "tests/firmware/scenario.h"

#include <sstream>

#include "tests/firmware/k3960_registers.h"

namespace k3960 {
namespace {

// The peer's packet in the RX modes is complete this long after the chip starts listening, so
// that the firmware really has to wait on WTR for it.
constexpr uint64_t kPacketDelayCycles = 500;
// The ACK in TX with ACK arrives this long into the chip's listening: well within one unit of
// the firmware's wait (400 cycles on the host, more with SDCC's code).
constexpr uint64_t kAckDelayCycles = 100;
constexpr size_t kFindingsShown = 12;

std::vector<uint8_t> Pattern(int length, uint8_t seed) {
  std::vector<uint8_t> bytes(static_cast<size_t>(length));
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(seed + 37 * i);
  return bytes;
}

const char* OutcomeName(PassOutcome outcome) {
  switch (outcome) {
    case PassOutcome::kSent:
      return "send";
    case PassOutcome::kGoodPacket:
      return "good packet";
    case PassOutcome::kBadCrc:
      return "packet with a bad CRC";
    case PassOutcome::kNoAnswer:
      return "no answer in time";
  }
  return "?";
}

std::string Hex(uint8_t value) {
  return HexBytes({value});
}

/// Generous room for the start-up and every pass, so that only a firmware that hangs runs out.
uint64_t CycleBudget(const FirmwareConfig& config, size_t passes, const TimeBase& time) {
  const uint64_t perPass = (static_cast<uint64_t>(config.delayMs) + 2) * time.cyclesPerMillisecond +
                           static_cast<uint64_t>(config.wait100us) * time.cyclesPerWaitUnit + 50000;
  return 500000 + 2 * (passes + 1) * perPass;
}

class ScenarioCheck {
 public:
  ScenarioCheck(const FirmwareUnit& unit, const ScenarioPlan& plan, const FirmwareRunner& runner,
                const TimeBase& time)
      : unit_(unit), config_(unit.config), plan_(plan), runner_(runner), time_(time) {
    expected_ = ExpectedStartup(config_);
    for (const PlannedPass& pass : plan_.passes) {
      passStarts_.push_back(expected_.size());
      const auto transfers = ExpectedPass(config_, pass.outcome, pass.answer);
      expected_.insert(expected_.end(), transfers.begin(), transfers.end());
    }
  }

  ScenarioOutcome Run() {
    AirPeer peer(AirOf(config_), plan_.peerScript);
    ChipModel chip(peer);
    Board board(chip, WiringOf(config_));
    RunLimits limits;
    limits.stopAtRecord = expected_.size();
    limits.cycles = CycleBudget(config_, plan_.passes.size(), time_);
    run_ = runner_(board, chip, limits);
    stoppedAt_ = chip.stoppedAt();
    transcript_ = &chip.transcript();
    air_ = &peer.log();

    CheckEnd();
    CheckPinSetUp(board.firstLatchWrites());
    CheckFindings(chip.findings(), chip.findingCount());
    if (const auto difference = FirstDifference(expected_, *transcript_)) {
      Problem("the transfers differ from the expected ones: " + *difference);
    } else if (run_.end == RunResult::End::kStopped) {
      // The remaining checks locate passes by the expected transfers, so they need them to match.
      CheckChipTransmissions();
      CheckPeerTransmissions(peer);
      CheckReceiveBuffer();
      CheckTiming();
    }
    return {problems_, *transcript_, *air_};
  }

 private:
  void Problem(const std::string& text) { problems_.push_back(text); }

  void CheckEnd() {
    if (run_.end == RunResult::End::kStopped) return;
    std::string text =
        "the run did not get through the scenario: it ended " + k3960::Describe(run_.end);
    if (!run_.detail.empty()) text += " (" + run_.detail + ")";
    if (!transcript_->empty()) text += "; the last transfer was " + Describe(transcript_->back());
    Problem(text);
  }

  /// All ports high, P0 to P3, then the radio lines at their idle levels: SCS high, SCK low, and
  /// SDIO, GIO1 and GIO2 high so that the chip can pull them low.
  void CheckPinSetUp(const std::vector<Board::LatchWrite>& writes) {
    std::vector<std::string> expected;
    for (int port = 0; port < 4; ++port) {
      for (int bit = 0; bit < 8; ++bit) expected.push_back(PinText({{port, bit}, true}));
    }
    const bool idle[kChipLineCount] = {true, false, true, true, true};
    for (int line = 0; line < kChipLineCount; ++line) {
      expected.push_back(PinText({config_.pins[line], idle[line]}));
    }
    for (size_t i = 0; i < expected.size(); ++i) {
      const std::string actual = i < writes.size() ? PinText(writes[i]) : "nothing";
      if (actual != expected[i]) {
        Problem("pin write " + std::to_string(i) + " set " + actual + "; expected " + expected[i]);
        return;
      }
    }
  }

  static std::string PinText(const Board::LatchWrite& write) {
    return "P" + std::to_string(write.pin.port) + "." + std::to_string(write.pin.bit) + "=" +
           (write.level ? "1" : "0");
  }

  void CheckFindings(const std::vector<Finding>& findings, size_t count) {
    for (size_t i = 0; i < findings.size() && i < kFindingsShown; ++i) {
      Problem("the chip caught: " + Describe(findings[i]));
    }
    if (count > kFindingsShown) {
      Problem("... and " + std::to_string(count - kFindingsShown) + " more findings");
    }
  }

  std::vector<std::vector<uint8_t>> ExpectedChipPayloads() const {
    std::vector<std::vector<uint8_t>> payloads;
    const std::vector<uint8_t> table = Pn9Table();
    for (const PlannedPass& pass : plan_.passes) {
      if (config_.mode == Mode::kTx || config_.mode == Mode::kTxAck) {
        payloads.emplace_back(table.begin(), table.begin() + config_.length);
      } else if (config_.mode == Mode::kRxAck && pass.outcome == PassOutcome::kGoodPacket) {
        payloads.emplace_back(table.begin(), table.begin() + config_.ackLength);
      }
    }
    return payloads;
  }

  void CheckChipTransmissions() {
    const auto expected = ExpectedChipPayloads();
    const AirSettings own = AirOf(config_);
    size_t index = 0;
    for (const AirEvent& event : *air_) {
      if (event.sender != AirEvent::Sender::kChip) continue;
      const std::string which = "the chip's packet " + std::to_string(index);
      if (index >= expected.size()) {
        Problem(which + " was not expected: " + HexBytes(event.packet.payload));
      } else if (event.packet.payload != expected[index]) {
        Problem(which + " carried " + HexBytes(event.packet.payload) + " instead of " +
                HexBytes(expected[index]));
      }
      if (!event.received) {
        Problem(which + " went out on channel " + std::to_string(event.packet.air.channel) +
                ", data rate " + Hex(event.packet.air.dataRate) + ", ID " +
                HexBytes({event.packet.air.id.begin(), event.packet.air.id.end()}) +
                "; the peer listens on channel " + std::to_string(own.channel) + ", data rate " +
                Hex(own.dataRate) + ", ID " + HexBytes({own.id.begin(), own.id.end()}));
      }
      if (event.packet.txPower != TxPowerValue(config_.txPowerDbm)) {
        Problem(which + " went out with TXTEST_REG " + Hex(event.packet.txPower) + " instead of " +
                Hex(TxPowerValue(config_.txPowerDbm)));
      }
      ++index;
    }
    if (index < expected.size()) {
      Problem("the chip sent " + std::to_string(index) + " packets, not " +
              std::to_string(expected.size()));
    }
  }

  void CheckPeerTransmissions(const AirPeer& peer) {
    size_t index = 0;
    for (const PlannedPass& pass : plan_.passes) {
      if (pass.answer.empty()) continue;
      const bool meantToArrive = pass.outcome != PassOutcome::kNoAnswer;
      const AirEvent* sent = PeerEvent(index++);
      if (sent == nullptr) {
        Problem("the peer never got to send its " + std::string(OutcomeName(pass.outcome)));
      } else if (sent->received != meantToArrive) {
        Problem(std::string("the peer's ") + OutcomeName(pass.outcome) +
                (meantToArrive ? " was not received" : " was received although it came late"));
      }
    }
    if (peer.unusedMoves() != 0) Problem("the peer's script was not played to the end");
  }

  const AirEvent* PeerEvent(size_t index) const {
    for (const AirEvent& event : *air_) {
      if (event.sender == AirEvent::Sender::kPeer && index-- == 0) return &event;
    }
    return nullptr;
  }

  void CheckReceiveBuffer() {
    std::vector<uint8_t> expected(unit_.rfBufSize, kUnwrittenRam);
    for (size_t pass = 0; pass < plan_.passes.size(); ++pass) {
      const PlannedPass& planned = plan_.passes[pass];
      if (planned.outcome == PassOutcome::kGoodPacket) {
        std::copy(planned.answer.begin(), planned.answer.end(), expected.begin());
      }
      const size_t end = pass + 1 < passStarts_.size() ? passStarts_[pass + 1] : expected_.size();
      if (end >= run_.rfBufAtRecord.size()) return;
      const std::vector<uint8_t>& actual = run_.rfBufAtRecord[end];
      if (actual != expected) {
        Problem("after pass " + std::to_string(pass) + " (" + OutcomeName(planned.outcome) +
                ") RfBuf holds " + HexBytes(actual) + "; expected " + HexBytes(expected));
      }
    }
  }

  const Transfer& At(size_t index) const { return (*transcript_)[index]; }

  /// Requires the time between two points, in the run's measure, to lie in [low, high).
  void CheckSpan(const std::string& what, const Instant& from, const Instant& to, uint64_t low,
                 uint64_t high) {
    const uint64_t span = to.*time_.measure - from.*time_.measure;
    if (span < low || span >= high) {
      Problem(what + " lasted " + std::to_string(span) + " " + time_.unit + "; expected " +
              std::to_string(low) + " to " + std::to_string(high - 1));
    }
  }

  void CheckTiming() {
    const uint64_t millisecond = time_.perMillisecond;
    const uint64_t delay = static_cast<uint64_t>(config_.delayMs) * millisecond;
    size_t answers = 0;
    for (size_t pass = 0; pass < plan_.passes.size(); ++pass) {
      const size_t first = passStarts_[pass];
      const std::string name = "pass " + std::to_string(pass);
      if (config_.rest == Rest::kSleep) {
        CheckSpan("the sleep of " + name, At(first).end, At(first + 1).start, delay,
                  delay + millisecond);
        CheckSpan("the crystal wait of " + name, At(first + 1).end, At(first + 2).start,
                  millisecond, 2 * millisecond);
      } else {
        CheckSpan("the delay before " + name, At(first - 1).end, At(first).start, delay,
                  delay + millisecond);
      }
      if (config_.mode == Mode::kTxAck) CheckAckWait(pass, name, &answers);
    }
    // The run stops at the first transfer of the pass after the last planned one; in the
    // standby variant the delay before it closes the last pass.
    if (config_.rest == Rest::kStandby && stoppedAt_ && !transcript_->empty()) {
      CheckSpan("the delay after the last pass", transcript_->back().end, *stoppedAt_, delay,
                delay + millisecond);
    }
  }

  void CheckAckWait(size_t pass, const std::string& name, size_t* answers) {
    const size_t end = pass + 1 < passStarts_.size() ? passStarts_[pass + 1] : expected_.size();
    size_t listen = passStarts_[pass];
    while (listen < end &&
           !(At(listen).kind == Transfer::Kind::kStrobe && At(listen).target == kCmdRx)) {
      ++listen;
    }
    if (listen + 1 >= end) return;
    const PlannedPass& planned = plan_.passes[pass];
    if (planned.outcome == PassOutcome::kNoAnswer) {
      const uint64_t wait = static_cast<uint64_t>(config_.wait100us) * time_.perWaitUnit;
      CheckSpan("the ACK wait of " + name, At(listen).end, At(listen + 1).start, wait,
                wait + time_.perWaitUnit);
      ++*answers;
      return;
    }
    const AirEvent* ack = PeerEvent((*answers)++);
    if (ack == nullptr) return;
    const uint64_t reaction = At(listen + 1).start.cycles - ack->endCycle;
    if (At(listen + 1).start.cycles < ack->endCycle || reaction > time_.cyclesPerWaitUnit) {
      Problem("in " + name + " the firmware read MODE_REG " + std::to_string(reaction) +
              " cycles after the ACK arrived; the wait should end within one unit (" +
              std::to_string(time_.cyclesPerWaitUnit) + " cycles)");
    }
  }

  const FirmwareUnit& unit_;
  const FirmwareConfig& config_;
  const ScenarioPlan& plan_;
  const FirmwareRunner& runner_;
  const TimeBase& time_;
  std::vector<ExpectedTransfer> expected_;
  std::vector<size_t> passStarts_;
  RunResult run_;
  const std::vector<Transfer>* transcript_ = nullptr;
  const std::vector<AirEvent>* air_ = nullptr;
  std::optional<Instant> stoppedAt_;
  std::vector<std::string> problems_;
};

}  // namespace

Wiring WiringOf(const FirmwareConfig& config) {
  return config.pins;
}

AirSettings AirOf(const FirmwareConfig& config) {
  return {static_cast<uint8_t>(config.channel), DataRateValue(config.dataRateMbps), config.rfId};
}

ScenarioPlan PlanFor(const FirmwareConfig& config) {
  ScenarioPlan plan;
  switch (config.mode) {
    case Mode::kTx:
      plan.passes.assign(3, {PassOutcome::kSent, {}});
      break;
    case Mode::kRx:
    case Mode::kRxAck: {
      const auto first = Pattern(config.length, 0x31);
      const auto spoilt = Pattern(config.length, 0x52);
      const auto third = Pattern(config.length, 0x73);
      plan.peerScript = {{first, true, PeerMove::When::kWhileListening, kPacketDelayCycles},
                         {spoilt, false, PeerMove::When::kWhileListening, kPacketDelayCycles},
                         {third, true, PeerMove::When::kWhileListening, kPacketDelayCycles}};
      plan.passes = {{PassOutcome::kGoodPacket, first},
                     {PassOutcome::kBadCrc, spoilt},
                     {PassOutcome::kGoodPacket, third}};
      break;
    }
    case Mode::kTxAck: {
      const auto ack = Pattern(config.ackLength, 0x31);
      const auto spoilt = Pattern(config.ackLength, 0x52);
      const auto late = Pattern(config.ackLength, 0x73);
      plan.peerScript = {{ack, true, PeerMove::When::kWhileListening, kAckDelayCycles},
                         {spoilt, false, PeerMove::When::kWhileListening, kAckDelayCycles},
                         {late, true, PeerMove::When::kAfterListening, 1}};
      plan.passes = {{PassOutcome::kGoodPacket, ack},
                     {PassOutcome::kBadCrc, spoilt},
                     {PassOutcome::kNoAnswer, late}};
      break;
    }
  }
  return plan;
}

const TimeBase kHostTime = {&Instant::nops,      "no-ops",
                            kNopsPerMillisecond, kNopsPerWaitUnit,
                            kNopsPerMillisecond, kNopsPerWaitUnit + 100};

ScenarioOutcome RunScenario(const FirmwareUnit& unit) {
  const FirmwareRunner onHost = [&unit](Board& board, ChipModel& chip, const RunLimits& limits) {
    return RunFirmware(unit, board, chip, limits);
  };
  return RunScenario(unit, onHost, kHostTime);
}

ScenarioOutcome RunScenario(const FirmwareUnit& unit, const FirmwareRunner& runner,
                            const TimeBase& time) {
  const ScenarioPlan plan = PlanFor(unit.config);
  return ScenarioCheck(unit, plan, runner, time).Run();
}

}  // namespace k3960
