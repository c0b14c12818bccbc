// The SDCC output run as machine code in s51 against the radio model, for what the product's
// check does not show by itself: a failed calibration must end in the error state, and the
// delay loops take the machine cycles the check's timing assumes.

#include "simulator/firmware_check.h"

#include <gtest/gtest.h>

#include <iostream>
#include <map>

#include "simulator/mcu/s51_driver.h"
#include "tests/simulator/generated_firmware.h"

namespace kitbuilder::simulator {
namespace {

/// Skips when a tool is missing.
class S51Test : public WithCheckTools {
 protected:
  void SetUp() override {
    WithCheckTools::SetUp();
    s51_ = {tools_.s51, tools_.consoleShim, McuClock{}};
  }

  /// Builds the firmware of `settings`; false (with a failure) when that fails.
  bool Build(const GenerationSettings& settings, const std::string& name) {
    build_ = BuildGenerated(tools_, settings, name);
    EXPECT_EQ(build_.exitCode, 0) << build_.output;
    return build_.exitCode == 0;
  }

  S51Tools s51_;
  SdccBuild build_;
};

/// A spoilt calibration flag: the firmware must end in Err_State, which loops on itself.
class CalibrationFailureOnS51 : public S51Test,
                                public ::testing::WithParamInterface<CalibrationFault> {};

TEST_P(CalibrationFailureOnS51, EndsInTheErrorState) {
  const GenerationSettings settings = SettingsOf(kModeTx, 3, DefaultModeValues(kModeTx));
  if (!Build(settings, "tx")) return;
  std::string error;
  const FirmwareSettings firmware = *FirmwareSettingsFrom(settings, &error);
  Partner partner(AirOf(firmware), {});
  RadioModel radio(partner, McuClock(), GetParam());
  Board board(radio, firmware.pins);
  RunLimits limits;
  limits.cycles = 2000000;
  const S51Run run = RunOnS51(s51_, build_, 64, board, radio, limits);
  EXPECT_EQ(run.result.end, RunResult::End::kSpinning) << Describe(run.result.end);
  EXPECT_NE(run.result.detail.find("_Err_State"), std::string::npos) << run.result.detail;
  for (const Finding& finding : radio.findings()) ADD_FAILURE() << Describe(finding);
}

// Called off before it starts, a run ends at its first stop, however long it would have run.
TEST_F(S51Test, CancelledRunEndsAtItsFirstStop) {
  const GenerationSettings settings = SettingsOf(kModeTx, 3, DefaultModeValues(kModeTx));
  if (!Build(settings, "tx-cancelled")) return;
  std::string error;
  const FirmwareSettings firmware = *FirmwareSettingsFrom(settings, &error);
  Partner partner(AirOf(firmware), {});
  RadioModel radio(partner);
  Board board(radio, firmware.pins);
  const std::atomic<bool> cancelled{true};
  RunLimits limits;
  limits.cycles = 2000000;
  limits.cancel = &cancelled;
  const S51Run run = RunOnS51(s51_, build_, 64, board, radio, limits);
  EXPECT_EQ(run.result.end, RunResult::End::kCancelled) << Describe(run.result.end);
  EXPECT_EQ(run.stops, 1u);
}

std::string FaultName(const ::testing::TestParamInfo<CalibrationFault>& info) {
  const char* const names[] = {"None", "VcoBank", "VcoCurrent", "IfFilter"};
  return std::string(names[static_cast<int>(info.param.flag)]) + "Group" +
         std::to_string(info.param.channelGroup + 1);
}

INSTANTIATE_TEST_SUITE_P(Flags, CalibrationFailureOnS51,
                         ::testing::Values(CalibrationFault{CalibrationFault::Flag::kIfFilter, 0},
                                           CalibrationFault{CalibrationFault::Flag::kVcoBank, 0},
                                           CalibrationFault{CalibrationFault::Flag::kVcoCurrent, 1},
                                           CalibrationFault{CalibrationFault::Flag::kVcoBank, 2}),
                         FaultName);

/// Entry-to-return machine cycles of each call of a watched function, by its argument.
std::map<uint8_t, uint64_t> CallDurations(const std::vector<CodeHit>& hits, uint32_t function) {
  std::map<uint8_t, uint64_t> durations;
  const CodeHit* entry = nullptr;
  for (const CodeHit& hit : hits) {
    if (hit.function != function) continue;
    if (!hit.leaving) {
      entry = &hit;
    } else if (entry != nullptr) {
      // The RET itself takes two cycles.
      durations[entry->dpl] = hit.cycle + 2 - entry->cycle;
      entry = nullptr;
    }
  }
  return durations;
}

using SdccDelayLoops = S51Test;

TEST_F(SdccDelayLoops, TakeTheMachineCyclesTheCheckAssumes) {
  // Delay1ms(10) and Delay1ms(1) in one run; Delay100us_WTR(255) and (1) in two runs whose ACK
  // never comes in time (the third pass).
  struct Case {
    const char* name;
    const char* function;
    ModeValues values;
  };
  const Case cases[] = {{"delays", "_Delay1ms", {9, 8, 0, 10, 40}},
                        {"long_wait", "_Delay100us_WTR", {2, 64, 1, 4, 255}},
                        {"short_wait", "_Delay100us_WTR", {64, 1, 1, 1, 1}}};
  std::map<std::string, std::map<uint8_t, uint64_t>> measured;
  for (const Case& c : cases) {
    const GenerationSettings settings = SettingsOf(kModeTxAck, 3, c.values);
    if (!Build(settings, c.name)) return;
    const uint32_t entry = build_.map.symbols.at(c.function);
    std::vector<CodeHit> hits;
    const FirmwareRunner runner = [&](Board& board, RadioModel& radio, const RunLimits& limits) {
      const S51Run run = RunOnS51(s51_, build_, 64, board, radio, limits, {entry});
      hits = run.hits;
      return run.result;
    };
    std::string error;
    CheckFirmware(*FirmwareSettingsFrom(settings, &error), CheckOptions{}, runner);
    measured[c.name] = CallDurations(hits, entry);
  }
  const auto& delay = measured["delays"];
  ASSERT_TRUE(delay.count(1) && delay.count(10)) << "Delay1ms(1) and (10) were not both called";
  EXPECT_EQ((delay.at(10) - delay.at(1)) % 9, 0u) << "Delay1ms is not linear in its argument";
  EXPECT_EQ((delay.at(10) - delay.at(1)) / 9, kSdccCyclesPerMillisecond);
  const auto& waitLong = measured["long_wait"];
  const auto& waitShort = measured["short_wait"];
  ASSERT_TRUE(waitLong.count(255) && waitShort.count(1)) << "the ACK waits were not both run out";
  EXPECT_EQ((waitLong.at(255) - waitShort.at(1)) % 254, 0u)
      << "Delay100us_WTR is not linear in its argument";
  EXPECT_EQ((waitLong.at(255) - waitShort.at(1)) / 254, kSdccCyclesPerWaitUnit);
}

}  // namespace
}  // namespace kitbuilder::simulator
