#include "simulator/verdict/transcript_judgement.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/delay_routines.h"
#include "simulator/radio/radio_registers.h"

namespace kitbuilder::simulator {
namespace {

// The cycles of a delay routine's call and return, which the transfers around it may hide.
constexpr uint64_t kCallCycles = 16;

bool IsLengthWrite(const Transfer::Kind kind, uint8_t target, const std::vector<uint8_t>& data) {
  return kind == Transfer::Kind::kWrite && target == kFifo1Reg && data.size() == 1;
}

}  // namespace

TranscriptJudgement::TranscriptJudgement(const FirmwareSettings& settings, const McuClock& clock,
                                         std::vector<PassExchange> passes, bool withStartup,
                                         std::string subject)
    : settings_(settings), clock_(clock), passes_(std::move(passes)), subject_(std::move(subject)) {
  if (withStartup) expected_ = ExpectedStartup(settings_);
  for (const PassExchange& pass : passes_) {
    passStarts_.push_back(expected_.size());
    const auto transfers = ExpectedPass(settings_, pass.outcome, pass.answer);
    expected_.insert(expected_.end(), transfers.begin(), transfers.end());
  }
}

size_t TranscriptJudgement::PassOfRecord(size_t index) const {
  size_t pass = 0;
  while (pass < passStarts_.size() && passStarts_[pass] <= index) ++pass;
  return pass;
}

std::string TranscriptJudgement::PassName(size_t pass) {
  return pass == 0 ? "start-up" : "pass " + std::to_string(pass);
}

size_t TranscriptJudgement::PassEnd(size_t pass) const {
  return pass + 1 < passStarts_.size() ? passStarts_[pass + 1] : expected_.size();
}

std::string TranscriptJudgement::Explain(const TranscriptDifference& difference,
                                         const std::vector<Transfer>& transcript) const {
  const size_t index = difference.index;
  const std::string where = PassName(PassOfRecord(index));
  const Transfer& made = transcript[index];
  // A read that should not be there follows the last record of the pass it belongs to.
  const size_t readIn = PassOfRecord(index == 0 ? 0 : index - 1);
  const bool badCrcPass = readIn > 0 && passes_[readIn - 1].outcome == PassOutcome::kBadCrc;
  if (badCrcPass && made.kind == Transfer::Kind::kRead && made.target == kFifoReg) {
    return PassName(readIn) + ": the " + subject_ +
           " read the RX FIFO after a packet with a bad CRC; it must test the CRC flag (bit 5 of "
           "MODE_REG) and drop the packet";
  }
  if (index < expected_.size() && IsLengthWrite(made.kind, made.target, made.data) &&
      IsLengthWrite(expected_[index].kind, expected_[index].target, expected_[index].data)) {
    return where + ": the " + subject_ + " set a packet length of " +
           std::to_string(made.data[0] + 1) + " bytes; the settings say " +
           std::to_string(expected_[index].data[0] + 1);
  }
  return where + ": the " + subject_ + " made `" + difference.made +
         "` where the settings call for `" + difference.expected + "` (transfer " +
         std::to_string(index + 1) + ")";
}

std::string TranscriptJudgement::Milliseconds(uint64_t cycles) const {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f ms", BoardMilliseconds(clock_, cycles));
  return text;
}

std::optional<std::string> TranscriptJudgement::SpanProblem(const std::string& what,
                                                            const Instant& from, const Instant& to,
                                                            uint64_t low, uint64_t high) const {
  const uint64_t span = to.cycles - from.cycles;
  if (span >= low && span < high) return std::nullopt;
  return what + " lasted " + Milliseconds(span) + " (" + std::to_string(span) +
         " machine cycles); the settings call for " + Milliseconds(low) + " to " +
         Milliseconds(high - 1);
}

// Computed for the clock when the settings give one, else as SDCC makes the stored loops.
TranscriptJudgement::DelaySpan TranscriptJudgement::MillisecondsSpan(int n) const {
  if (settings_.delaysFor) {
    const auto cycles = static_cast<uint64_t>(MillisecondLoopFor(*settings_.delaysFor).Cycles(n));
    return {cycles - std::min<uint64_t>(cycles, kCallCycles),
            cycles + static_cast<uint64_t>(CyclesIn(*settings_.delaysFor, 1000.0))};
  }
  const uint64_t cycles = static_cast<uint64_t>(n) * kSdccCyclesPerMillisecond;
  return {cycles, cycles + kSdccCyclesPerMillisecond};
}

TranscriptJudgement::DelaySpan TranscriptJudgement::WaitSpan(int n) const {
  if (settings_.delaysFor) {
    const auto cycles = static_cast<uint64_t>(WaitLoopFor(*settings_.delaysFor).Cycles(n));
    return {cycles - std::min<uint64_t>(cycles, kCallCycles), cycles + WaitUnit()};
  }
  const uint64_t cycles = static_cast<uint64_t>(n) * kSdccCyclesPerWaitUnit;
  return {cycles, cycles + kSdccCyclesPerWaitUnit};
}

uint64_t TranscriptJudgement::WaitUnit() const {
  if (!settings_.delaysFor) return kSdccCyclesPerWaitUnit;
  return static_cast<uint64_t>(std::ceil(CyclesIn(*settings_.delaysFor, 100.0)));
}

std::vector<std::string> TranscriptJudgement::JudgeDelays(
    const std::vector<Transfer>& transcript,
    const std::vector<std::optional<uint64_t>>& ackArrivals) const {
  std::vector<std::string> problems;
  const auto add = [&problems](const std::optional<std::string>& problem) {
    if (problem) problems.push_back(*problem);
  };
  const DelaySpan delay = MillisecondsSpan(settings_.delayMs);
  const DelaySpan crystal = MillisecondsSpan(1);
  for (size_t pass = 0; pass < passes_.size(); ++pass) {
    const size_t first = passStarts_[pass];
    const std::string name = PassName(pass + 1);
    if (settings_.rest == Rest::kSleep) {
      add(SpanProblem(name + ": the sleep", transcript[first].end, transcript[first + 1].start,
                      delay.low, delay.high));
      add(SpanProblem(name + ": the crystal wait", transcript[first + 1].end,
                      transcript[first + 2].start, crystal.low, crystal.high));
    } else if (first > 0) {
      add(SpanProblem(name + ": the delay before it", transcript[first - 1].end,
                      transcript[first].start, delay.low, delay.high));
    }
    if (settings_.mode != Mode::kTxAck) continue;
    const std::optional<size_t> listen = ListenRecord(pass, transcript);
    if (!listen) continue;
    const Instant waitEnd = transcript[*listen + 1].start;
    if (passes_[pass].outcome == PassOutcome::kNoAnswer) {
      const DelaySpan wait = WaitSpan(settings_.wait100us);
      add(SpanProblem(name + ": the ACK wait", transcript[*listen].end, waitEnd, wait.low,
                      wait.high));
      continue;
    }
    if (pass >= ackArrivals.size() || !ackArrivals[pass]) continue;
    const uint64_t arrival = *ackArrivals[pass];
    const uint64_t reaction = waitEnd.cycles - arrival;
    if (waitEnd.cycles < arrival || reaction > WaitUnit()) {
      problems.push_back(name + ": the " + subject_ + " read MODE_REG " + Milliseconds(reaction) +
                         " after the ACK arrived; the wait should end within 0.1 ms");
    }
  }
  return problems;
}

std::optional<size_t> TranscriptJudgement::ListenRecord(
    size_t pass, const std::vector<Transfer>& transcript) const {
  const size_t end = std::min(PassEnd(pass), transcript.size());
  size_t listen = passStarts_[pass];
  while (listen < end && !(transcript[listen].kind == Transfer::Kind::kStrobe &&
                           transcript[listen].target == kCmdRx)) {
    ++listen;
  }
  if (listen + 1 < end) return listen;
  return std::nullopt;
}

StartupReport TranscriptJudgement::AccountStartup(const std::vector<Transfer>& transcript) const {
  StartupReport startup;
  const size_t end =
      std::min(passStarts_.empty() ? transcript.size() : passStarts_[0], transcript.size());
  uint8_t channel = 0;
  bool table = true;  // the register table ends where the first strobe starts calibrating
  for (size_t i = 0; i < end; ++i) {
    const Transfer& transfer = transcript[i];
    if (transfer.kind == Transfer::Kind::kStrobe) table = false;
    if (transfer.kind != Transfer::Kind::kWrite) continue;
    if (i == 0 && transfer.target == kModeReg) startup.reset = true;
    if (transfer.target == kIdCodeReg && transfer.data.size() == 4) {
      startup.id = std::array<uint8_t, 4>{transfer.data[0], transfer.data[1], transfer.data[2],
                                          transfer.data[3]};
    } else if (table && transfer.target != kModeReg) {
      ++startup.tableWrites;
    }
    if (transfer.target == kPll1Reg && !transfer.data.empty()) channel = transfer.data[0];
    const bool calibrationRead = i + 1 < end && transcript[i + 1].kind == Transfer::Kind::kRead &&
                                 transcript[i + 1].target == kCalibrationReg;
    if (transfer.target == kCalibrationReg && !transfer.data.empty() && calibrationRead) {
      CalibrationReport calibration;
      calibration.what = transfer.data[0] == 0x03 ? std::string("IF filter")
                                                  : "VCO on channel " + std::to_string(channel);
      calibration.polls = transcript[i + 1].polls;
      calibration.cycles = transcript[i + 1].end.cycles - transfer.end.cycles;
      startup.calibrations.push_back(calibration);
    }
  }
  if (end > 0) startup.endCycle = transcript[end - 1].end.cycles;
  return startup;
}

TranscriptJudgement::PassTiming TranscriptJudgement::AccountPass(
    size_t pass, const std::vector<Transfer>& transcript) const {
  PassTiming timing;
  const size_t first = passStarts_[pass];
  const size_t end = std::min(
      pass + 1 < passStarts_.size() ? passStarts_[pass + 1] : transcript.size(), transcript.size());
  timing.startCycle = transcript[first].start.cycles;
  timing.transfers.assign(transcript.begin() + static_cast<long>(first),
                          transcript.begin() + static_cast<long>(end));
  if (settings_.mode == Mode::kTxAck) {
    const std::optional<size_t> listen = ListenRecord(pass, transcript);
    if (listen && *listen + 1 < transcript.size()) {
      timing.ackWaitCycles = transcript[*listen + 1].start.cycles - transcript[*listen].end.cycles;
      timing.ackEndedWait = transcript[*listen + 1].kind == Transfer::Kind::kRead;
    }
  }
  if (settings_.rest == Rest::kSleep && first + 1 < transcript.size()) {
    timing.restCycles = transcript[first + 1].start.cycles - transcript[first].end.cycles;
  } else if (settings_.rest == Rest::kStandby && first > 0) {
    timing.restCycles = transcript[first].start.cycles - transcript[first - 1].end.cycles;
  }
  return timing;
}

}  // namespace kitbuilder::simulator
