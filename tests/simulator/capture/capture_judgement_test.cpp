// The capture check's judgement over buses written here, transfer by transfer as the settings
// call for them, then edited: what a board that does what its settings say passes, and each
// departure a capture can show is named, or said to be outside the capture.

#include "simulator/capture/capture_judgement.h"

#include <gtest/gtest.h>

#include <functional>

#include "simulator/radio/radio_registers.h"

namespace kitbuilder::simulator {
namespace {

// A TX board resting in standby for 1 ms between passes, on the stored loops' timing.
FirmwareSettings Settings() {
  FirmwareSettings settings;
  settings.mode = Mode::kTx;
  settings.rest = Rest::kStandby;
  settings.delayMs = 1;
  settings.channel = 100;
  settings.rfId = {0x54, 0x75, 0xC5, 0x2A};
  return settings;
}

/// The start-up and `passes` passes as the settings call for them, 10 cycles apart and the
/// delay before each pass.
CapturedBus BusOf(const FirmwareSettings& settings, int passes) {
  std::vector<ExpectedTransfer> expected = ExpectedStartup(settings);
  std::vector<size_t> passStarts;
  for (int pass = 0; pass < passes; ++pass) {
    passStarts.push_back(expected.size());
    for (ExpectedTransfer& transfer : ExpectedPass(settings, PassOutcome::kSent, {})) {
      expected.push_back(std::move(transfer));
    }
  }
  CapturedBus bus;
  bus.startupPresent = true;
  uint64_t cycle = 100;
  for (size_t i = 0; i < expected.size(); ++i) {
    const bool passStart = std::find(passStarts.begin(), passStarts.end(), i) != passStarts.end();
    cycle += passStart ? kSdccCyclesPerMillisecond + 100 : 10;
    Transfer transfer;
    transfer.kind = expected[i].kind;
    transfer.target = expected[i].target;
    transfer.data = expected[i].data;
    if (transfer.kind == Transfer::Kind::kRead && transfer.data.empty()) transfer.data = {0x00};
    transfer.start = {cycle};
    cycle += 20;
    transfer.end = {cycle};
    bus.transfers.push_back(transfer);
  }
  return bus;
}

/// The `nth` write of `target`, counting from 0: PLL1_REG's are the table's, the three
/// calibrations' and the channel's.
Transfer& WriteOf(CapturedBus& bus, uint8_t target, int nth = 0) {
  for (Transfer& transfer : bus.transfers) {
    if (transfer.kind == Transfer::Kind::kWrite && transfer.target == target && nth-- == 0) {
      return transfer;
    }
  }
  throw std::logic_error("no such write");
}

struct JudgementCase {
  const char* name;
  std::function<void(CapturedBus&)> edit;
  std::vector<std::string> problems;
  size_t passes;
  std::vector<std::string> notInCapture = {};
};

const JudgementCase kCases[] = {
    {"as_the_settings_say", [](CapturedBus&) {}, {}, 3},
    {"built_for_another_channel",
     [](CapturedBus& bus) { WriteOf(bus, kPll1Reg, 4).data = {12}; },
     {"the board's channel is 12 (2406.0 MHz); the settings say 100"},
     3},
    // The channel is right in the end, but a calibration was made on the wrong one.
    {"calibrated_on_another_channel",
     [](CapturedBus& bus) { WriteOf(bus, kPll1Reg, 1).data = {31}; },
     {"start-up: the board made `write PLL1_REG 1F` where the settings call for `write PLL1_REG "
      "1E` (transfer 59)"},
     3},
    {"rests_too_short",
     [](CapturedBus& bus) {
       bus.transfers.back().start.cycles -= 4000;
       bus.transfers.back().end.cycles -= 4000;
     },
     {"pass 3: the delay before it lasted 4.605 ms (4605 machine cycles); the settings call for "
      "8.505 ms to 17.009 ms"},
     3},
    {"begins_after_the_start_up",
     [](CapturedBus& bus) {
       bus.startupPresent = false;
       bus.transfers.erase(bus.transfers.begin(), bus.transfers.end() - 3);
     },
     {},
     3,
     {"the start-up: the capture begins after it, so the channel, data rate, TX power and ID "
      "the board set are not known"}},
    {"ends_inside_the_start_up",
     [](CapturedBus& bus) { bus.transfers.resize(10); },
     {"the capture holds no whole pass of the loop, so nothing of what the board does in it "
      "could be judged: capture for longer, at least two passes"},
     0,
     {"the end of the start-up and every pass: the capture ends 10 transfers into the "
      "start-up"}},
    // The board falls silent after its third packet; a capture that ends soon after is not.
    {"goes_quiet",
     [](CapturedBus& bus) { bus.end.cycles = bus.transfers.back().end.cycles + 200'000; },
     {"pass 4: the board stopped talking to the radio after `strobe CMD_TX`, where the settings "
      "call for `strobe CMD_TX` next: no transfer in the last 200.000 ms of the capture, where "
      "the settings let the bus rest 42.525 ms at most; WTR (GIO1) is low"},
     3},
    {"capture_ends_within_the_rest",
     [](CapturedBus& bus) { bus.end.cycles = bus.transfers.back().end.cycles + 8'000; },
     {},
     3},
    // The last pass begins while WTR is still high from the CMD_TX before it.
    {"does_not_wait_for_the_end_of_the_packet",
     [](CapturedBus& bus) {
       bus.wtrHighAtStart.assign(bus.transfers.size(), false);
       bus.wtrHighAtStart.back() = true;
     },
     {"pass 3: at 28.535 ms, CMD_TX strobed 8.625 ms after CMD_TX, while the chip was still "
      "transmitting (WTR high): the board did not wait for the end of its packet, which the "
      "strobe cut"},
     3},
};

class CaptureJudgementTest : public ::testing::TestWithParam<JudgementCase> {};

TEST_P(CaptureJudgementTest, NamesEachDeparture) {
  const FirmwareSettings settings = Settings();
  CapturedBus bus = BusOf(settings, 3);
  GetParam().edit(bus);
  const CaptureJudgement judgement = JudgeCapture(settings, McuClock{}, bus);
  EXPECT_EQ(judgement.problems, GetParam().problems);
  EXPECT_EQ(judgement.passes.size(), GetParam().passes);
  EXPECT_EQ(judgement.notInCapture, GetParam().notInCapture);
}

INSTANTIATE_TEST_SUITE_P(Buses, CaptureJudgementTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kitbuilder::simulator
