#include "simulator/capture/capture_judgement.h"

#include <algorithm>

#include "simulator/radio/radio_registers.h"
#include "simulator/verdict/account_text.h"

namespace kitbuilder::simulator {
namespace {

// Bit 5 of MODE_REG: the packet that arrived failed its CRC.
constexpr uint8_t kCrcErrorFlag = 0x20;

bool IsStrobe(const ExpectedTransfer& transfer, uint8_t command) {
  return transfer.kind == Transfer::Kind::kStrobe && transfer.target == command;
}

bool IsStrobe(const Transfer& transfer) {
  return transfer.kind == Transfer::Kind::kStrobe;
}

/// TFR and RFR only reset a FIFO pointer; every other strobe puts the chip in another state.
bool ChangesState(const Transfer& transfer) {
  const uint8_t strobe = transfer.target & 0xF0;
  return IsStrobe(transfer) && strobe != kCmdTfr && strobe != kCmdRfr;
}

std::string Name(const Transfer& transfer) {
  if (IsStrobe(transfer)) return "strobe " + StrobeName(transfer.target);
  return (transfer.kind == Transfer::Kind::kRead ? "read of " : "write of ") +
         RegisterName(transfer.target);
}

/// The transfers a pass begins with, up to the first that depends on the exchange.
std::vector<ExpectedTransfer> Opening(const FirmwareSettings& settings) {
  const PassOutcome outcome =
      settings.mode == Mode::kTx ? PassOutcome::kSent : PassOutcome::kGoodPacket;
  std::vector<ExpectedTransfer> pass = ExpectedPass(settings, outcome, {});
  const auto listen = std::find_if(pass.begin(), pass.end(),
                                   [](const ExpectedTransfer& t) { return IsStrobe(t, kCmdRx); });
  if (listen != pass.end()) pass.erase(listen + 1, pass.end());
  return pass;
}

/// Judges one capture: the whole passes found, their exchanges, then the transcript from the
/// start-up (or the first pass) on against what the settings call for in them.
class CaptureJudge {
 public:
  CaptureJudge(const FirmwareSettings& settings, const McuClock& clock, const CapturedBus& bus)
      : settings_(settings),
        clock_(clock),
        bus_(bus),
        all_(bus.transfers),
        opening_(Opening(settings)) {}

  CaptureJudgement Judge() {
    for (const Finding& finding : bus_.findings) {
      judgement_.problems.push_back("at " + Format("%.3f ms", Ms(finding.at.cycles)) +
                                    " on the bus: " + finding.what);
    }
    const bool startup = bus_.startupPresent;
    const size_t startupSize = startup ? ExpectedStartup(settings_).size() : 0;
    std::optional<size_t> first = startup ? std::optional<size_t>(0) : FirstPassStart();
    if (!startup) {
      judgement_.notInCapture.push_back(
          "the start-up: the capture begins after it, so the channel, data rate, TX power and ID "
          "the board set are not known");
    }
    if (!first) {
      judgement_.problems.push_back(
          "the capture holds no transfer that begins a pass of the loop as the settings call for "
          "it (`" +
          PassOpening() + "`): the passes could not be found");
      return std::move(judgement_);
    }
    if (startup && all_.size() < startupSize) {
      judgement_.notInCapture.push_back(
          "the end of the start-up and every pass: the capture ends " +
          std::to_string(all_.size()) + " transfers into the start-up");
    }
    std::vector<PassExchange> exchanges;
    std::vector<std::optional<uint64_t>> ackArrivals;
    size_t at = *first + std::min(startupSize, all_.size());
    std::vector<ExpectedTransfer> unfinishedPass;
    while (at < all_.size()) {
      std::optional<uint64_t> ackArrival;
      PassExchange exchange = ExchangeAt(at, &ackArrival);
      const size_t length = ExpectedPass(settings_, exchange.outcome, exchange.answer).size();
      if (at + length > all_.size()) {
        unfinishedPass = ExpectedPass(settings_, exchange.outcome, exchange.answer);
        judgement_.notInCapture.push_back("pass " + std::to_string(exchanges.size() + 1) +
                                          " as a whole: the capture ends inside it");
        break;
      }
      exchanges.push_back(std::move(exchange));
      ackArrivals.push_back(ackArrival);
      at += length;
    }
    if (startup && all_.size() >= startupSize) JudgeIdentity(startupSize);
    const TranscriptJudgement judgement(settings_, clock_, exchanges, startup, "board");
    if (!all_.empty() && all_.size() >= startupSize) {
      const ExpectedTransfer& next =
          unfinishedPass.empty() ? opening_.front() : unfinishedPass[all_.size() - at];
      if (std::optional<std::string> problem =
              QuietEndProblem(judgement, exchanges.size() + 1, next)) {
        judgement_.problems.push_back(std::move(*problem));
      }
    }
    const size_t end = std::min(all_.size(), *first + judgement.expected().size());
    transcript_.assign(all_.begin() + static_cast<long>(*first),
                       all_.begin() + static_cast<long>(end));
    if (std::optional<std::string> problem = WtrWaitProblem(judgement, *first)) {
      judgement_.problems.push_back(std::move(*problem));
    }
    const auto difference = FirstDifference(judgement.expected(), transcript_);
    if (difference && difference->index < transcript_.size()) {
      if (!NamedAlready(transcript_[difference->index])) {
        judgement_.problems.push_back(judgement.Explain(*difference, transcript_));
      }
    } else if (!difference) {
      for (std::string& problem : judgement.JudgeDelays(transcript_, ackArrivals)) {
        judgement_.problems.push_back(std::move(problem));
      }
    }
    if (exchanges.empty()) {
      judgement_.problems.push_back(
          "the capture holds no whole pass of the loop, so nothing of what the board does in it "
          "could be judged: capture for longer, at least two passes");
    }
    if (startup) judgement_.startup = judgement.AccountStartup(transcript_);
    for (size_t pass = 0; pass < exchanges.size(); ++pass) {
      judgement_.passes.push_back(AccountPass(judgement, pass));
    }
    return std::move(judgement_);
  }

 private:
  double Ms(uint64_t cycles) const { return BoardMilliseconds(clock_, cycles); }

  /// WTR's first edge at or after `cycle`: a long capture has as many edges as passes.
  std::vector<WtrEdge>::const_iterator EdgesFrom(uint64_t cycle) const {
    return std::lower_bound(bus_.wtrEdges.begin(), bus_.wtrEdges.end(), cycle,
                            [](const WtrEdge& edge, uint64_t at) { return edge.at.cycles < at; });
  }

  std::string PassOpening() const {
    std::string text;
    for (const ExpectedTransfer& transfer : opening_) {
      Transfer shown;
      shown.kind = transfer.kind;
      shown.target = transfer.target;
      shown.data = transfer.data;
      text += (text.empty() ? "" : ", ") + Describe(shown, false);
    }
    return text;
  }

  /// The first transfer from which the capture holds a pass's opening.
  std::optional<size_t> FirstPassStart() const {
    for (size_t i = 0; i + opening_.size() <= all_.size(); ++i) {
      const std::vector<Transfer> slice(all_.begin() + static_cast<long>(i),
                                        all_.begin() + static_cast<long>(i + opening_.size()));
      if (!FirstDifference(opening_, slice)) return i;
    }
    return std::nullopt;
  }

  int AnswerLength() const {
    return settings_.mode == Mode::kTxAck ? settings_.ackLength : settings_.length;
  }

  /// How the exchange of the pass at `at` went, as the chip showed it: in TX with ACK whether
  /// WTR fell in the wait (an ACK came), then the CRC flag of the MODE_REG read; the packet
  /// read is the chip's, only its length is the settings'.
  PassExchange ExchangeAt(size_t at, std::optional<uint64_t>* ackArrival) const {
    if (settings_.mode == Mode::kTx) return {PassOutcome::kSent, {}};
    const size_t listen = at + opening_.size() - 1;
    const size_t next = listen + 1;
    if (next >= all_.size()) return {PassOutcome::kGoodPacket, {}};
    if (settings_.mode == Mode::kTxAck) {
      for (auto edge = EdgesFrom(all_[listen].end.cycles + 1);
           edge != bus_.wtrEdges.end() && edge->at.cycles <= all_[next].start.cycles; ++edge) {
        if (!edge->high) *ackArrival = edge->at.cycles;
      }
      if (!*ackArrival) return {PassOutcome::kNoAnswer, {}};
    }
    const Transfer& status = all_[next];
    const bool statusRead = status.kind == Transfer::Kind::kRead && status.target == kModeReg;
    if (statusRead && !status.data.empty() && (status.data[0] & kCrcErrorFlag) != 0) {
      return {PassOutcome::kBadCrc, {}};
    }
    std::vector<uint8_t> answer;
    if (next + 1 < all_.size() && all_[next + 1].kind == Transfer::Kind::kRead &&
        all_[next + 1].target == kFifoReg) {
      answer = all_[next + 1].data;
    }
    answer.resize(static_cast<size_t>(AnswerLength()));
    return {PassOutcome::kGoodPacket, answer};
  }

  /// The board fell silent for longer than the settings let the bus rest, up to the capture's
  /// end, where `next` (in `pass`) was due: the firmware hangs. Unless it listens for a packet,
  /// which may take as long as the other side likes, or the capture ends inside a transfer.
  std::optional<std::string> QuietEndProblem(const TranscriptJudgement& judgement, size_t pass,
                                             const ExpectedTransfer& next) const {
    const Transfer& last = all_.back();
    if (bus_.endsInsideTransferAfterBits || bus_.end.cycles <= last.end.cycles) return std::nullopt;
    const bool receiving = settings_.mode == Mode::kRx || settings_.mode == Mode::kRxAck;
    const bool listening = IsStrobe(last) && (last.target & 0xF0) == kCmdRx && bus_.wtrHighAtEnd;
    if (receiving && listening) return std::nullopt;
    // The delay, the crystal's millisecond, the ACK wait and 2 ms for a packet on the air.
    const int restMs = settings_.delayMs + 1 + (settings_.wait100us + 9) / 10 + 2;
    const uint64_t longest = judgement.MillisecondsSpan(restMs).high;
    const uint64_t quiet = bus_.end.cycles - last.end.cycles;
    if (quiet <= longest) return std::nullopt;
    Transfer due;
    due.kind = next.kind;
    due.target = next.target;
    due.data = next.data;
    return TranscriptJudgement::PassName(pass) +
           ": the board stopped talking to the radio after `" + Describe(last, false) +
           "`, where the settings call for `" + Describe(due, false) +
           "` next: no transfer in the last " + Format("%.3f ms", Ms(quiet)) +
           " of the capture, where the settings let the bus rest " +
           Format("%.3f ms", Ms(longest)) + " at most; WTR (GIO" +
           std::to_string(settings_.wtrGio) + ") is " + (bus_.wtrHighAtEnd ? "high" : "low");
  }

  /// A bus put together without WTR's levels has WTR low throughout.
  bool WtrHighAtStart(size_t transfer) const {
    return transfer < bus_.wtrHighAtStart.size() && bus_.wtrHighAtStart[transfer];
  }

  /// The first transfer from `first` on that began while WTR was high where the board owed a
  /// wait for it to fall: after CMD_TX, until its packet was out; after CMD_RX, until a packet
  /// came, though a strobe may end the listening. The pass the capture ends in counts too, up to
  /// the transfer it ends inside, whose control byte says what the board began. The rules, in
  /// the radio model's words, as far as the wires show them: WTR is the chip's own word on when it
  /// is done, so no time the model assumes of the chip is needed.
  std::optional<std::string> WtrWaitProblem(const TranscriptJudgement& judgement,
                                            size_t first) const {
    std::optional<size_t> radio;  // the last CMD_TX or CMD_RX, while no other state followed
    const size_t end = all_.size() + (bus_.unfinished ? 1 : 0);
    for (size_t i = first; i < end; ++i) {
      const bool whole = i < all_.size();
      const Transfer& transfer = whole ? all_[i] : *bus_.unfinished;
      if (radio && (whole ? WtrHighAtStart(i) : bus_.unfinishedWtrHigh)) {
        const Transfer& strobe = all_[*radio];
        const size_t record = i - first;
        const size_t pass = record < judgement.expected().size() ? judgement.PassOfRecord(record)
                                                                 : judgement.passes().size() + 1;
        const std::string where = TranscriptJudgement::PassName(pass) + ": at " +
                                  Format("%.3f ms", Ms(transfer.start.cycles)) + ", ";
        const bool afterTx = (strobe.target & 0xF0) == kCmdTx;
        if (afterTx && ChangesState(transfer)) {
          return where + StrobeName(transfer.target) + " strobed " +
                 Format("%.3f ms", Ms(transfer.start.cycles - strobe.start.cycles)) +
                 " after CMD_TX, while the chip was still transmitting (WTR high): the board did "
                 "not wait for the end of its packet, which the strobe cut";
        }
        if (afterTx) {
          return where + Name(transfer) +
                 " began while the chip was still transmitting (WTR high): the board did not "
                 "wait for the end of its packet";
        }
        if (!IsStrobe(transfer)) {
          return where + Name(transfer) +
                 " began while the chip was receiving (WTR high): no packet had arrived yet";
        }
      }
      if (ChangesState(transfer)) {
        const uint8_t strobe = transfer.target & 0xF0;
        radio = strobe == kCmdTx || strobe == kCmdRx ? std::optional<size_t>(i) : std::nullopt;
      }
    }
    return std::nullopt;
  }

  /// A write of a register whose value JudgeIdentity named: the board's other settings.
  bool NamedAlready(const Transfer& transfer) const {
    return transfer.kind == Transfer::Kind::kWrite &&
           std::find(named_.begin(), named_.end(), transfer.target) != named_.end();
  }

  /// What the board set of the channel, data rate, TX power and ID, as the last write of each
  /// in the start-up shows it, against the settings: a board built with other settings.
  void JudgeIdentity(size_t startupSize) {
    std::optional<Transfer> last[4];
    const uint8_t registers[4] = {kPll1Reg, kDataRateReg, kTxTestReg, kIdCodeReg};
    for (size_t i = 0; i < startupSize; ++i) {
      for (size_t r = 0; r < 4; ++r) {
        const bool write = all_[i].kind == Transfer::Kind::kWrite && all_[i].target == registers[r];
        if (write && !all_[i].data.empty()) last[r] = all_[i];
      }
    }
    if (last[0] && last[0]->data[0] != settings_.channel) {
      named_.push_back(kPll1Reg);
      const int channel = last[0]->data[0];
      judgement_.problems.push_back("the board's channel is " + std::to_string(channel) + " (" +
                                    Format("%.1f MHz", ChannelMhz(channel)) +
                                    "); the settings say " + std::to_string(settings_.channel));
    }
    if (last[1] && last[1]->data[0] != DataRateValue(settings_.dataRateMbps)) {
      named_.push_back(kDataRateReg);
      judgement_.problems.push_back("the board's data rate is " + DataRateText(last[1]->data[0]) +
                                    "; the settings say " + std::to_string(settings_.dataRateMbps) +
                                    " Mbps");
    }
    if (last[2] && last[2]->data[0] != TxPowerValue(settings_.txPowerDbm)) {
      named_.push_back(kTxTestReg);
      judgement_.problems.push_back("the board's TX power is " + TxPowerText(last[2]->data[0]) +
                                    "; the settings say " + std::to_string(settings_.txPowerDbm) +
                                    " dBm");
    }
    const std::vector<uint8_t> id(settings_.rfId.begin(), settings_.rfId.end());
    if (last[3] && last[3]->data != id) {
      named_.push_back(kIdCodeReg);
      judgement_.problems.push_back("the board's ID is " + HexBytes(last[3]->data) +
                                    "; the settings say " + HexBytes(id));
    }
  }

  CapturedPass AccountPass(const TranscriptJudgement& judgement, size_t pass) const {
    CapturedPass captured;
    captured.outcome = judgement.passes()[pass].outcome;
    captured.timing = judgement.AccountPass(pass, transcript_);
    const size_t first = judgement.passStarts()[pass];
    const uint64_t from = transcript_[first].start.cycles;
    const size_t next = pass + 1 < judgement.passStarts().size() ? judgement.passStarts()[pass + 1]
                                                                 : transcript_.size();
    const uint64_t to = next < transcript_.size() ? transcript_[next].start.cycles : UINT64_MAX;
    for (auto edge = EdgesFrom(from); edge != bus_.wtrEdges.end() && edge->at.cycles < to; ++edge) {
      captured.wtr.push_back(*edge);
    }
    if (settings_.rest == Rest::kSleep && first + 2 < transcript_.size()) {
      captured.crystalCycles =
          transcript_[first + 2].start.cycles - transcript_[first + 1].end.cycles;
    }
    return captured;
  }

  const FirmwareSettings& settings_;
  McuClock clock_;
  const CapturedBus& bus_;
  const std::vector<Transfer>& all_;
  const std::vector<ExpectedTransfer> opening_;
  std::vector<Transfer> transcript_;  ///< from the start-up or the first pass on, as judged
  std::vector<uint8_t> named_;        ///< registers whose other value JudgeIdentity named
  CaptureJudgement judgement_;
};

}  // namespace

CaptureJudgement JudgeCapture(const FirmwareSettings& settings, const McuClock& clock,
                              const CapturedBus& bus) {
  return CaptureJudge(settings, clock, bus).Judge();
}

}  // namespace kitbuilder::simulator
