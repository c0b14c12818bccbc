#include "simulator/firmware_check.h"

#include <algorithm>
#include <cstdio>

#include "simulator/radio/radio_registers.h"

namespace kitbuilder::simulator {
namespace {

// The partner's packet in the RX modes is complete this long after the radio starts listening,
// so that the firmware really has to wait on WTR for it.
constexpr uint64_t kPacketDelayCycles = 500;
// The ACK in TX with ACK arrives this long into the radio's listening: well within one unit of
// the firmware's wait.
constexpr uint64_t kAckDelayCycles = 100;
constexpr size_t kFindingsShown = 12;
constexpr size_t kRfBufSize = 64;

std::vector<uint8_t> Pattern(int length, uint8_t seed) {
  std::vector<uint8_t> bytes(static_cast<size_t>(std::clamp(length, 0, 64)));
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
      return "late ACK";
  }
  return "?";
}

std::string Hex(uint8_t value) {
  return "0x" + HexBytes({value});
}

std::string PinName(Pin pin) {
  return "P" + std::to_string(pin.port) + "." + std::to_string(pin.bit);
}

/// Generous room for the start-up and every pass, so that only a firmware that hangs runs out.
uint64_t CycleBudget(const FirmwareSettings& settings, size_t passes) {
  const uint64_t perPass =
      (static_cast<uint64_t>(settings.delayMs) + 2) * kSdccCyclesPerMillisecond +
      static_cast<uint64_t>(settings.wait100us) * kSdccCyclesPerWaitUnit + 50000;
  return 500000 + 2 * (passes + 1) * perPass;
}

class Check {
 public:
  Check(const FirmwareSettings& settings, const CheckOptions& options, const CheckPlan& plan,
        const FirmwareRunner& runner)
      : settings_(settings),
        options_(options),
        plan_(plan),
        runner_(runner),
        judgement_(settings, options.clock, plan.passes, true, "firmware"),
        expected_(judgement_.expected()),
        passStarts_(judgement_.passStarts()) {}

  CheckOutcome Run() {
    CheckWiring();
    Partner partner(AirOf(settings_), plan_.partnerScript, options_.clock);
    RadioModel radio(partner, options_.clock);
    radio.KeepRegistersAtRecord(passStarts_.empty() ? expected_.size() : passStarts_[0]);
    Board board(radio, settings_.pins);
    board.Observe(options_.lines);
    RunLimits limits;
    limits.stopAtRecord = expected_.size();
    limits.cycles = CycleBudget(settings_, plan_.passes.size());
    limits.cancel = options_.cancel;
    run_ = runner_(board, radio, limits);
    stoppedAt_ = radio.stoppedAt();
    // A run that used up its budget was quiet to its end, one that spins is quiet for good; the
    // radio has only heard of the stops so far.
    quietUntil_ = run_.end == RunResult::End::kStuck ? limits.cycles : radio.now().cycles;
    if (run_.end == RunResult::End::kStuck || run_.end == RunResult::End::kSpinning) {
      radio.AdvanceTo({run_.end == RunResult::End::kStuck ? limits.cycles : UINT64_MAX});
    }
    wtrAccount_ = radio.WtrAccount();
    transcript_ = &radio.transcript();
    air_ = &partner.log();

    if (board.sdioHeldLow()) Problem(board.sdioHeldLow()->what);
    CheckEnd();
    CheckPinSetUp(board.latchesAtFirstSelect());
    CheckFindings(radio.findings(), radio.findingCount());
    // Where the check itself failed, the transfers it did not get to are not the firmware's.
    const auto difference = run_.end == RunResult::End::kCheckFailed
                                ? std::nullopt
                                : FirstDifference(expected_, *transcript_, options_.ownPayload);
    if (difference) {
      Problem(Explain(*difference));
    } else if (run_.end == RunResult::End::kStopped) {
      // The remaining checks locate passes by the expected transfers, so they need them to match.
      CheckChipTransmissions();
      CheckPartnerTransmissions(partner);
      CheckReceiveBuffer();
      CheckTiming();
    }
    Account();
    outcome_.startup.registers = radio.keptRegisters();
    return std::move(outcome_);
  }

 private:
  void Problem(const std::string& text) { outcome_.problems.push_back(text); }

  /// Two radio lines on one pin: the board is built as wired, and the run shows what it does.
  void CheckWiring() {
    for (int a = 0; a < kChipLineCount; ++a) {
      for (int b = a + 1; b < kChipLineCount; ++b) {
        if (settings_.pins[a] == settings_.pins[b]) {
          Problem(std::string(LineName(static_cast<ChipLine>(a))) + " and " +
                  LineName(static_cast<ChipLine>(b)) + " are both wired to pin " +
                  PinName(settings_.pins[a]) + ": the radio sees one line where there are two");
        }
      }
    }
  }

  size_t PassOfRecord(size_t index) const { return judgement_.PassOfRecord(index); }
  static std::string PassName(size_t pass) { return TranscriptJudgement::PassName(pass); }

  std::string Explain(const TranscriptDifference& difference) const {
    const size_t index = difference.index;
    // A run ended at a finding may end inside a transfer, whose record is then cut short.
    const bool cutShort =
        run_.end == RunResult::End::kFaultCaught && index + 1 == transcript_->size();
    if (index >= transcript_->size() || cutShort) return Stall(difference);
    return judgement_.Explain(difference, *transcript_);
  }

  /// The transcript ends before the settings' transfers do: for how long the firmware was quiet,
  /// after what, and what the radio model knows that it may have been waiting for.
  std::string Stall(const TranscriptDifference& difference) const {
    const size_t index = difference.index;
    const std::string next =
        "`" + difference.expected + "` (transfer " + std::to_string(index + 1) + ")";
    std::string text = PassName(PassOfRecord(index));
    if (run_.end == RunResult::End::kFaultCaught) {
      return text + ": the run ended at the radio's first finding (above), where the settings " +
             "call for " + next;
    }
    const std::string wants = ", where the settings call for " + next + " next; " + wtrAccount_;
    if (index == 0) return text + ": the firmware never talked to the radio" + wants;
    const uint64_t from = At(index - 1).end.cycles;
    text += ": the firmware stopped talking to the radio";
    if (run_.end == RunResult::End::kSpinning) {
      text += " for good";
    } else if (quietUntil_ > from) {
      text += " for " + Milliseconds(quietUntil_ - from);
    }
    return text + " after `" + Describe(At(index - 1)) + "`" + wants;
  }

  void CheckEnd() {
    if (run_.end == RunResult::End::kStopped) return;
    std::string text = "the run did not get through the check: it ended " + Describe(run_.end);
    if (!run_.detail.empty()) text += " (" + run_.detail + ")";
    if (!transcript_->empty()) text += "; the last transfer was " + Describe(transcript_->back());
    Problem(text);
  }

  /// Before its first transfer the firmware leaves SCK low and SDIO, GIO1 and GIO2 high, so
  /// that the radio can pull them low (SCS is the line that starts the transfer).
  void CheckPinSetUp(const std::optional<LineLevels>& latches) {
    if (!latches) return;
    const bool idle[kChipLineCount] = {false, false, true, true, true};
    for (int line = static_cast<int>(ChipLine::kSck); line < kChipLineCount; ++line) {
      if ((*latches)[line] != idle[line]) {
        Problem(std::string("start-up: the firmware began its first transfer with ") +
                LineName(static_cast<ChipLine>(line)) + " (" + PinName(settings_.pins[line]) +
                ") " + ((*latches)[line] ? "high" : "low") + "; it must be " +
                (idle[line] ? "high, so that the radio can pull it low" : "low"));
      }
    }
  }

  void CheckFindings(const std::vector<Finding>& findings, size_t count) {
    for (size_t i = 0; i < findings.size() && i < kFindingsShown; ++i) {
      Problem(PassName(PassAt(findings[i].at.cycles)) + ": the radio caught, " +
              Describe(findings[i]));
    }
    if (count > kFindingsShown) {
      Problem("... and " + std::to_string(count - kFindingsShown) + " more findings");
    }
  }

  /// The pass (1-based) in which `cycle` lies; 0 for the start-up.
  size_t PassAt(uint64_t cycle) const {
    size_t pass = 0;
    while (pass < passStarts_.size() && passStarts_[pass] < transcript_->size() &&
           At(passStarts_[pass]).start.cycles <= cycle) {
      ++pass;
    }
    return pass;
  }

  /// The pass whose strobe started `event`: for the chip's packets the last CMD_TX begun
  /// before its first bit (on a slow clock SCS may rise after it), for the partner's the pass
  /// its first bit falls in.
  size_t PassOf(const AirEvent& event) const {
    if (event.sender == AirEvent::Sender::kPartner) return PassAt(event.startCycle);
    size_t strobe = 0;
    for (size_t i = 0; i < transcript_->size() && At(i).start.cycles <= event.startCycle; ++i) {
      if (At(i).kind == Transfer::Kind::kStrobe && At(i).target == kCmdTx) strobe = i;
    }
    return PassAt(At(strobe).start.cycles);
  }

  /// Every pass that calls for a packet of the chip (an ACK in RX with ACK) puts exactly one
  /// whole one on the air, as the settings make it; no other pass puts any.
  void CheckChipTransmissions() {
    const std::vector<uint8_t> table = Pn9Table();
    const AirSettings own = AirOf(settings_);
    std::vector<int> whole(plan_.passes.size() + 1, 0);
    for (const AirEvent& event : *air_) {
      // A cut packet is the radio's finding, which says when and after how many bytes.
      if (event.sender != AirEvent::Sender::kChip || event.cut) continue;
      const size_t pass = PassOf(event);
      ++whole[pass];
      const std::string which = PassName(pass);
      const int length = settings_.mode == Mode::kRxAck ? settings_.ackLength : settings_.length;
      const std::vector<uint8_t> payload(table.begin(), table.begin() + length);
      const auto& bytes = event.packet.payload;
      if (static_cast<int>(bytes.size()) != length) {
        Problem(which + ": sent " + std::to_string(bytes.size()) + " bytes; the settings say " +
                std::to_string(length));
      } else if (!options_.ownPayload && bytes != payload) {
        Problem(which + ": sent " + HexBytes(bytes) + "; the payload table holds " +
                HexBytes(payload));
      }
      if (!event.received) {
        Problem(which + ": sent on channel " + std::to_string(event.packet.air.channel) +
                ", data rate " + Hex(event.packet.air.dataRate) + ", ID " +
                HexBytes({event.packet.air.id.begin(), event.packet.air.id.end()}) +
                "; the settings say channel " + std::to_string(own.channel) + ", data rate " +
                Hex(own.dataRate) + ", ID " + HexBytes({own.id.begin(), own.id.end()}));
      }
      if (event.packet.txPower != TxPowerValue(settings_.txPowerDbm)) {
        Problem(which + ": sent with TXTEST_REG " + Hex(event.packet.txPower) + "; " +
                std::to_string(settings_.txPowerDbm) + " dBm is " +
                Hex(TxPowerValue(settings_.txPowerDbm)));
      }
    }
    const bool ack = settings_.mode == Mode::kRxAck;
    const std::string packet = ack ? "ACK" : "packet";
    for (size_t pass = 0; pass < whole.size(); ++pass) {
      const bool calls =
          pass > 0 && (settings_.mode == Mode::kTx || settings_.mode == Mode::kTxAck ||
                       (ack && plan_.passes[pass - 1].outcome == PassOutcome::kGoodPacket));
      if (calls && whole[pass] == 0) {
        Problem(PassName(pass) + ": no whole " + packet +
                " went on the air; the settings call for one in this pass");
      } else if (whole[pass] > (calls ? 1 : 0)) {
        Problem(PassName(pass) + ": " + std::to_string(whole[pass]) + " " + packet +
                "s went on the air; the settings call for " + (calls ? "one" : "none"));
      }
    }
  }

  void CheckPartnerTransmissions(const Partner& partner) {
    size_t index = 0;
    for (size_t pass = 0; pass < plan_.passes.size(); ++pass) {
      const PlannedPass& planned = plan_.passes[pass];
      if (planned.answer.empty()) continue;
      const bool meantToArrive = planned.outcome != PassOutcome::kNoAnswer;
      const AirEvent* sent = PartnerEvent(index++);
      const std::string name =
          "pass " + std::to_string(pass + 1) + ": the partner's " + OutcomeName(planned.outcome);
      if (sent == nullptr) {
        Problem(name + " was never sent: the firmware did not listen for it");
      } else if (sent->received != meantToArrive) {
        Problem(name +
                (meantToArrive ? " was not received" : " was received although it came late"));
      }
    }
    if (partner.unusedMoves() != 0) Problem("the partner's packets were not all played");
  }

  const AirEvent* PartnerEvent(size_t index) const {
    for (const AirEvent& event : *air_) {
      if (event.sender == AirEvent::Sender::kPartner && index-- == 0) return &event;
    }
    return nullptr;
  }

  void CheckReceiveBuffer() {
    std::vector<uint8_t> expected(kRfBufSize, kUnwrittenRam);
    for (size_t pass = 0; pass < plan_.passes.size(); ++pass) {
      const PlannedPass& planned = plan_.passes[pass];
      if (planned.outcome == PassOutcome::kGoodPacket) {
        std::copy(planned.answer.begin(), planned.answer.end(), expected.begin());
      }
      const size_t end = pass + 1 < passStarts_.size() ? passStarts_[pass + 1] : expected_.size();
      if (end >= run_.rfBufAtRecord.size()) return;
      const std::vector<uint8_t>& actual = run_.rfBufAtRecord[end];
      if (actual != expected) {
        Problem("after pass " + std::to_string(pass + 1) + " (" + OutcomeName(planned.outcome) +
                ") RfBuf holds " + HexBytes(actual) + "; expected " + HexBytes(expected));
      }
    }
  }

  const Transfer& At(size_t index) const { return (*transcript_)[index]; }

  std::string Milliseconds(uint64_t cycles) const { return judgement_.Milliseconds(cycles); }

  void CheckTiming() {
    std::vector<std::optional<uint64_t>> ackArrivals;
    for (size_t pass = 0; pass < plan_.passes.size(); ++pass) {
      const AirEvent* ack = settings_.mode == Mode::kTxAck ? PartnerEvent(pass) : nullptr;
      ackArrivals.push_back(ack ? std::optional<uint64_t>(ack->endCycle) : std::nullopt);
    }
    for (const std::string& problem : judgement_.JudgeDelays(*transcript_, ackArrivals)) {
      Problem(problem);
    }
    // The run stops at the first transfer of the pass after the last planned one; in the
    // standby variant the delay before it closes the last pass.
    if (settings_.rest == Rest::kStandby && stoppedAt_ && !transcript_->empty()) {
      const TranscriptJudgement::DelaySpan delay = judgement_.MillisecondsSpan(settings_.delayMs);
      const auto problem =
          judgement_.SpanProblem("the delay after the last pass", transcript_->back().end,
                                 *stoppedAt_, delay.low, delay.high);
      if (problem) Problem(*problem);
    }
  }

  /// The account of the run for the reports, from the transcript and the air log.
  void Account() {
    outcome_.transcript = *transcript_;
    outcome_.cycles = stoppedAt_ ? stoppedAt_->cycles
                                 : (transcript_->empty() ? 0 : transcript_->back().end.cycles);
    AccountStartup();
    const size_t made = std::min(passStarts_.size(), static_cast<size_t>(transcript_->size()));
    for (size_t pass = 0; pass < made && passStarts_[pass] < transcript_->size(); ++pass) {
      AccountPass(pass);
    }
  }

  void AccountStartup() { outcome_.startup = judgement_.AccountStartup(*transcript_); }

  void AccountPass(size_t pass) {
    TranscriptJudgement::PassTiming timing = judgement_.AccountPass(pass, *transcript_);
    PassReport report;
    const size_t first = passStarts_[pass];
    const size_t end = first + timing.transfers.size();
    report.startCycle = timing.startCycle;
    report.transfers = std::move(timing.transfers);
    for (const AirEvent& event : *air_) {
      if (PassOf(event) == pass + 1) report.air.push_back(ReportOf(event, first, end));
    }
    report.ackWaitCycles = timing.ackWaitCycles;
    report.ackEndedWait = timing.ackEndedWait;
    report.restCycles = timing.restCycles;
    outcome_.passes.push_back(std::move(report));
  }

  AirReport ReportOf(const AirEvent& event, size_t first, size_t end) const {
    AirReport report;
    report.cycle = event.endCycle;
    report.packet = event.packet;
    const bool fromChip = event.sender == AirEvent::Sender::kChip;
    if (fromChip) {
      report.kind = event.cut                        ? AirReport::Kind::kCut
                    : settings_.mode == Mode::kRxAck ? AirReport::Kind::kAckSent
                                                     : AirReport::Kind::kSent;
      return report;
    }
    const bool ackMode = settings_.mode == Mode::kTxAck;
    if (!event.received) {
      report.kind = ackMode ? AirReport::Kind::kNoAck : AirReport::Kind::kMissed;
    } else if (!event.packet.crcGood) {
      report.kind = AirReport::Kind::kCrcError;
    } else {
      report.kind = ackMode ? AirReport::Kind::kAckReceived : AirReport::Kind::kReceived;
    }
    for (size_t i = first; i < end; ++i) {
      if (At(i).kind == Transfer::Kind::kRead && At(i).target == kFifoReg &&
          At(i).start.cycles >= event.endCycle) {
        report.taken = true;
      }
    }
    return report;
  }

  const FirmwareSettings& settings_;
  const CheckOptions& options_;
  const CheckPlan& plan_;
  const FirmwareRunner& runner_;
  TranscriptJudgement judgement_;
  const std::vector<ExpectedTransfer>& expected_;
  const std::vector<size_t>& passStarts_;
  RunResult run_;
  const std::vector<Transfer>* transcript_ = nullptr;
  const std::vector<AirEvent>* air_ = nullptr;
  std::optional<Instant> stoppedAt_;
  std::string wtrAccount_;
  uint64_t quietUntil_ = 0;
  CheckOutcome outcome_;
};

}  // namespace

const char* KindName(AirReport::Kind kind) {
  switch (kind) {
    case AirReport::Kind::kSent:
      return "sent";
    case AirReport::Kind::kCut:
      return "cut";
    case AirReport::Kind::kReceived:
      return "received";
    case AirReport::Kind::kCrcError:
      return "crc-error";
    case AirReport::Kind::kAckSent:
      return "ack-sent";
    case AirReport::Kind::kAckReceived:
      return "ack-received";
    case AirReport::Kind::kNoAck:
      return "no-ack";
    case AirReport::Kind::kMissed:
      return "missed";
  }
  return "?";
}

AirSettings AirOf(const FirmwareSettings& settings) {
  return {static_cast<uint8_t>(settings.channel), DataRateValue(settings.dataRateMbps),
          settings.rfId};
}

CheckPlan PlanFor(const FirmwareSettings& settings, int passes) {
  CheckPlan plan;
  const size_t count = static_cast<size_t>(std::max(passes, 1));
  if (settings.mode == Mode::kTx) {
    plan.passes.assign(count, {PassOutcome::kSent, {}});
    return plan;
  }
  const bool ack = settings.mode == Mode::kTxAck;
  const int length = ack ? settings.ackLength : settings.length;
  const uint64_t delay = ack ? kAckDelayCycles : kPacketDelayCycles;
  for (size_t pass = 0; pass < count; ++pass) {
    PlannedPass planned{PassOutcome::kGoodPacket,
                        Pattern(length, static_cast<uint8_t>(0x31 + 0x21 * pass))};
    PartnerMove move{planned.answer, true, PartnerMove::When::kWhileListening, delay};
    if (pass == 1) {
      planned.outcome = PassOutcome::kBadCrc;
      move.crcGood = false;
    } else if (pass == 2 && ack) {
      planned.outcome = PassOutcome::kNoAnswer;
      move.when = PartnerMove::When::kAfterListening;
      move.delayCycles = 1;
    }
    plan.partnerScript.push_back(move);
    plan.passes.push_back(planned);
  }
  return plan;
}

CheckOutcome CheckFirmware(const FirmwareSettings& settings, const CheckOptions& options,
                           const FirmwareRunner& runner) {
  const CheckPlan plan = PlanFor(settings, options.passes);
  return Check(settings, options, plan, runner).Run();
}

}  // namespace kitbuilder::simulator
