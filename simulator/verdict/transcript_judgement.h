#pragma once
// What the radio saw held against what the settings call for, whoever saw it: the virtual
// board's radio model or a logic analyzer on a real board. From the settings and how each pass's
// exchange went it knows the transfers owed, names the first departure in the check's words,
// judges the delays between transfers and gives the account of the start-up and the passes.
// Knows nothing of s51, the board or the air.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "simulator/radio/mcu_clock.h"
#include "simulator/radio/transcript.h"
#include "simulator/verdict/expected_behaviour.h"
#include "simulator/verdict/firmware_settings.h"

namespace kitbuilder::simulator {

/// How the exchange of one pass went; `answer` is the packet that came in, if one was read.
struct PassExchange {
  PassOutcome outcome = PassOutcome::kSent;
  std::vector<uint8_t> answer;
};

struct CalibrationReport {
  std::string what;  ///< "IF filter", "VCO on channel 30"
  int polls = 0;
  uint64_t cycles = 0;  ///< from the start of the calibration to the read that said done
};

struct StartupReport {
  bool reset = false;  ///< the first transfer was the write of MODE_REG
  std::optional<std::array<uint8_t, 4>> id;
  int tableWrites = 0;
  std::vector<CalibrationReport> calibrations;
  /// The register file when the loop began.
  std::optional<std::array<uint8_t, 0x39>> registers;
  uint64_t endCycle = 0;
};

class TranscriptJudgement {
 public:
  /// `subject` names who made the transfers in the sentences: "firmware" or "board". Without
  /// `withStartup` the transcript is judged from the first transfer of its first pass.
  TranscriptJudgement(const FirmwareSettings& settings, const McuClock& clock,
                      std::vector<PassExchange> passes, bool withStartup, std::string subject);

  const std::vector<ExpectedTransfer>& expected() const { return expected_; }
  /// The index in expected() of each pass's first transfer.
  const std::vector<size_t>& passStarts() const { return passStarts_; }
  const std::vector<PassExchange>& passes() const { return passes_; }

  /// The pass (1-based) the expected record at `index` belongs to; 0 for the start-up.
  size_t PassOfRecord(size_t index) const;
  static std::string PassName(size_t pass);

  /// The sentence for `difference`, where `transcript` holds the record at its index.
  std::string Explain(const TranscriptDifference& difference,
                      const std::vector<Transfer>& transcript) const;

  /// The delays of every pass in `transcript`, which matches expected(): the sleep and the
  /// crystal wait, or the delay in standby before the pass; in TX with ACK the wait, ended in
  /// time after `ackArrivals[pass]` (the end of the ACK on the air) or run to its length.
  std::vector<std::string> JudgeDelays(
      const std::vector<Transfer>& transcript,
      const std::vector<std::optional<uint64_t>>& ackArrivals) const;

  /// The time between two points, unless it lies in the settings' [low, high).
  std::optional<std::string> SpanProblem(const std::string& what, const Instant& from,
                                         const Instant& to, uint64_t low, uint64_t high) const;
  struct DelaySpan {
    uint64_t low;
    uint64_t high;
  };
  /// Machine cycles of Delay1ms(n) with the slack of the code around the call.
  DelaySpan MillisecondsSpan(int n) const;

  /// The start-up as the transcript's records before the first pass show it.
  StartupReport AccountStartup(const std::vector<Transfer>& transcript) const;

  /// The pass's start, its transfers, the ACK wait and the rest (no air), when the transcript
  /// reaches its first transfer.
  struct PassTiming {
    uint64_t startCycle = 0;
    std::vector<Transfer> transfers;
    std::optional<uint64_t> ackWaitCycles;
    bool ackEndedWait = false;
    std::optional<uint64_t> restCycles;
  };
  PassTiming AccountPass(size_t pass, const std::vector<Transfer>& transcript) const;

  /// The record of the CMD_RX strobe in `pass`, if the pass holds one with a record after it.
  std::optional<size_t> ListenRecord(size_t pass, const std::vector<Transfer>& transcript) const;

  std::string Milliseconds(uint64_t cycles) const;

 private:
  DelaySpan WaitSpan(int n) const;
  uint64_t WaitUnit() const;
  size_t PassEnd(size_t pass) const;

  const FirmwareSettings& settings_;
  McuClock clock_;
  std::vector<PassExchange> passes_;
  std::string subject_;
  std::vector<ExpectedTransfer> expected_;
  std::vector<size_t> passStarts_;
};

}  // namespace kitbuilder::simulator
