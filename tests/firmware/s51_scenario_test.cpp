// The SDCC output of each configuration, built with its own Makefile and run as machine code in
// the 8051 simulator s51 against the chip model: the same scenarios as the host run, the wiring
// faults and a read routine that does not release SDIO, a failed calibration that must end in the
// error state, and the machine cycles of the delay loops.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <numeric>

#include "firmware_units.h"
#include "tests/firmware/case_work_directory.h"
#include "tests/firmware/expected_behaviour.h"
#include "tests/firmware/s51_run.h"
#include "tests/firmware/scenario.h"
#include "tests/firmware/sdcc_build.h"

namespace k3960 {
namespace {

const S51Tools kTools = {KITBUILDER_S51, KITBUILDER_S51_CONSOLE_SHIM};

/// The simulator counts machine cycles of SDCC's code.
const TimeBase kSdccTime = {&Instant::cycles,          "machine cycles",
                            kSdccCyclesPerMillisecond, kSdccCyclesPerWaitUnit,
                            kSdccCyclesPerMillisecond, kSdccCyclesPerWaitUnit};

/// What keeps the simulator tests from running on this machine; empty when nothing does.
std::string MissingTools() {
  std::string missing;
  const std::pair<const char*, const char*> tools[] = {{"make", KITBUILDER_MAKE},
                                                       {"sdcc", KITBUILDER_SDCC},
                                                       {"packihx", KITBUILDER_PACKIHX},
                                                       {"s51", KITBUILDER_S51}};
  for (const auto& [name, path] : tools) {
    if (std::string(path).empty() || !std::filesystem::exists(path)) {
      missing += std::string(missing.empty() ? "" : ", ") + name;
    }
  }
  if (missing.empty()) return missing;
  return missing +
         " not found when the build was configured, so the SDCC firmware is not run in the 8051 "
         "simulator; install what is missing (Debian: apt install make sdcc sdcc-ucsim) and "
         "reconfigure";
}

SdccBuild BuildForSimulator(const FirmwareConfig& config) {
  return BuildWithMakefile(KITBUILDER_MAKE, config.sdccDir, CaseWorkDirectory(config.name));
}

std::string Lines(const std::vector<std::string>& texts) {
  return std::accumulate(
      texts.begin(), texts.end(), std::string(),
      [](std::string all, const std::string& text) { return std::move(all) + "\n  " + text; });
}

/// The first few problems, enough to see what caught a fault.
std::vector<std::string> FirstOf(const std::vector<std::string>& problems) {
  return {problems.begin(), problems.begin() + std::min<size_t>(3, problems.size())};
}

/// The unit's scenario run in s51; the statistics of the run go to `run`.
ScenarioOutcome ScenarioOnS51(const FirmwareUnit& unit, const SdccBuild& build, S51Run* run) {
  const FirmwareRunner inSimulator = [&](Board& board, ChipModel& chip, const RunLimits& limits) {
    RunLimits simulator = limits;
    simulator.cpuSeconds = 20.0;  // wall-clock time between two port accesses
    *run = RunOnS51(kTools, build, unit.rfBufSize, board, chip, simulator);
    return run->result;
  };
  return RunScenario(unit, inSimulator, kSdccTime);
}

/// Skips when a tool is missing; builds firmware and reports simulator runs.
class S51Test : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string missing = MissingTools();
    if (!missing.empty()) GTEST_SKIP() << missing;
  }

  /// Builds the unit's SDCC output; false (with a failure) when that fails.
  bool Build(const FirmwareUnit& unit) {
    build_ = BuildForSimulator(unit.config);
    EXPECT_EQ(build_.exitCode, 0) << build_.output;
    return build_.exitCode == 0;
  }

  void Report(const FirmwareUnit& unit, const S51Run& run) {
    std::cout << unit.config.name << " in s51: " << run.stops << " stops, " << run.cycles
              << " machine cycles, " << run.seconds << " s\n";
    RecordProperty("stops", static_cast<int>(run.stops));
    RecordProperty("machine_cycles", std::to_string(run.cycles));
    RecordProperty("seconds", std::to_string(run.seconds));
  }

  SdccBuild build_;
};

class FirmwareOnS51 : public S51Test, public ::testing::WithParamInterface<const FirmwareUnit*> {};

TEST_P(FirmwareOnS51, PassesTheScenarioOfTheHostRun) {
  const FirmwareUnit& unit = *GetParam();
  if (!Build(unit)) return;
  S51Run run;
  const ScenarioOutcome outcome = ScenarioOnS51(unit, build_, &run);
  EXPECT_TRUE(outcome.problems.empty()) << Lines(outcome.problems);
  Report(unit, run);
}

INSTANTIATE_TEST_SUITE_P(Matrix, FirmwareOnS51, ::testing::ValuesIn(kMatrixUnits),
                         [](const auto& info) { return std::string(info.param->config.name); });

using FaultyFirmwareOnS51 = FirmwareOnS51;

TEST_P(FaultyFirmwareOnS51, FailsTheScenario) {
  const FirmwareUnit& unit = *GetParam();
  if (!Build(unit)) return;
  S51Run run;
  const ScenarioOutcome outcome = ScenarioOnS51(unit, build_, &run);
  // Failing because the simulator could not be driven would prove nothing about the board.
  EXPECT_NE(run.result.end, RunResult::End::kLostTrack) << run.result.detail;
  ASSERT_FALSE(outcome.problems.empty());
  std::cout << "caught with " << unit.config.name << ":" << Lines(FirstOf(outcome.problems))
            << "\n";
  Report(unit, run);
}

INSTANTIATE_TEST_SUITE_P(WiringFaults, FaultyFirmwareOnS51,
                         ::testing::Values(&kUnit_fault_sdio_on_sck, &kUnit_fault_wtr_on_scs),
                         [](const auto& info) { return std::string(info.param->config.name); });

using ReadWithoutSdioReleaseOnS51 = S51Test;

TEST_F(ReadWithoutSdioReleaseOnS51, IsCaughtByTheCalibrationWait) {
  const FirmwareUnit& unit = kUnit_fault_sdio_not_released;
  if (!Build(unit)) return;
  S51Run run;
  const ScenarioOutcome outcome = ScenarioOnS51(unit, build_, &run);
  EXPECT_TRUE(std::any_of(outcome.problems.begin(), outcome.problems.end(),
                          [](const std::string& problem) {
                            return problem.find("before CALIBRATION_REG had read back 0") !=
                                   std::string::npos;
                          }))
      << Lines(outcome.problems);
  std::cout << "caught:" << Lines(FirstOf(outcome.problems)) << "\n";
  Report(unit, run);
}

/// A spoilt calibration flag: the firmware must end in Err_State, which loops on itself.
class CalibrationFailureOnS51 : public S51Test,
                                public ::testing::WithParamInterface<CalibrationFault> {};

TEST_P(CalibrationFailureOnS51, EndsInTheErrorState) {
  const FirmwareUnit& unit = kUnit_tx_3w_gio1;
  if (!Build(unit)) return;
  AirPeer peer(AirOf(unit.config), {});
  ChipModel chip(peer, GetParam());
  Board board(chip, WiringOf(unit.config));
  RunLimits limits;
  limits.cycles = 2000000;
  const S51Run run = RunOnS51(kTools, build_, unit.rfBufSize, board, chip, limits);
  EXPECT_EQ(run.result.end, RunResult::End::kSpinning) << Describe(run.result.end);
  EXPECT_NE(run.result.detail.find("_Err_State"), std::string::npos) << run.result.detail;
  for (const Finding& finding : chip.findings()) ADD_FAILURE() << Describe(finding);
}

INSTANTIATE_TEST_SUITE_P(Flags, CalibrationFailureOnS51,
                         ::testing::Values(CalibrationFault{CalibrationFault::Flag::kIfFilter, 0},
                                           CalibrationFault{CalibrationFault::Flag::kVcoBank, 2}),
                         [](const auto& info) {
                           return info.param.flag == CalibrationFault::Flag::kIfFilter
                                      ? std::string("IfFilter")
                                      : std::string("VcoBankGroupIII");
                         });

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

/// Runs a unit's scenario in s51 and measures the calls of `function`.
std::map<uint8_t, uint64_t> MeasureCalls(const FirmwareUnit& unit, const SdccBuild& build,
                                         const char* function) {
  const auto entry = build.map.symbols.find(function);
  if (entry == build.map.symbols.end()) {
    ADD_FAILURE() << "no " << function << " in the map of " << unit.config.name;
    return {};
  }
  std::vector<CodeHit> hits;
  const FirmwareRunner inSimulator = [&](Board& board, ChipModel& chip, const RunLimits& limits) {
    const S51Run run =
        RunOnS51(kTools, build, unit.rfBufSize, board, chip, limits, {entry->second});
    hits = run.hits;
    return run.result;
  };
  RunScenario(unit, inSimulator, kSdccTime);
  return CallDurations(hits, entry->second);
}

std::string Milliseconds(uint64_t cycles) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f ms", static_cast<double>(cycles) / 1000.0);
  return text;
}

using SdccDelayLoops = S51Test;

TEST_F(SdccDelayLoops, TakeTheMachineCyclesTheScenariosAssume) {
  // Delay1ms(10) and Delay1ms(1) in one run; Delay100us_WTR(255) and (1) in two runs whose ACK
  // never comes in time (the third pass).
  const FirmwareUnit& delays = kUnit_txack_3w_gio1;
  const FirmwareUnit& longWait = kUnit_txack_4w_gio1;
  const FirmwareUnit& shortWait = kUnit_txack_3w_gio2;
  ASSERT_EQ(delays.config.delayMs, 10);
  ASSERT_EQ(longWait.config.wait100us, 255);
  ASSERT_EQ(shortWait.config.wait100us, 1);

  if (!Build(delays)) return;
  const auto delay = MeasureCalls(delays, build_, "_Delay1ms");
  ASSERT_TRUE(delay.count(1) && delay.count(10)) << "Delay1ms(1) and (10) were not both called";
  const uint64_t perMillisecond = (delay.at(10) - delay.at(1)) / 9;
  EXPECT_EQ((delay.at(10) - delay.at(1)) % 9, 0u) << "Delay1ms is not linear in its argument";

  if (!Build(longWait)) return;
  const auto waitLong = MeasureCalls(longWait, build_, "_Delay100us_WTR");
  if (!Build(shortWait)) return;
  const auto waitShort = MeasureCalls(shortWait, build_, "_Delay100us_WTR");
  ASSERT_TRUE(waitLong.count(255) && waitShort.count(1)) << "the ACK waits were not both run out";
  const uint64_t perWaitUnit = (waitLong.at(255) - waitShort.at(1)) / 254;
  EXPECT_EQ((waitLong.at(255) - waitShort.at(1)) % 254, 0u)
      << "Delay100us_WTR is not linear in its argument";

  EXPECT_EQ(perMillisecond, kSdccCyclesPerMillisecond);
  EXPECT_EQ(perWaitUnit, kSdccCyclesPerWaitUnit);
  std::cout << "Delay1ms(1): " << delay.at(1) << " machine cycles (" << Milliseconds(delay.at(1))
            << " on a 12-clock 8051 at 12 MHz); each further unit " << perMillisecond << " ("
            << Milliseconds(perMillisecond) << ")\n"
            << "Delay100us_WTR(1) run out: " << waitShort.at(1) << " machine cycles ("
            << Milliseconds(waitShort.at(1)) << "); each further unit " << perWaitUnit << " ("
            << Milliseconds(perWaitUnit) << ")\n";
  RecordProperty("delay1ms_1_cycles", std::to_string(delay.at(1)));
  RecordProperty("delay1ms_unit_cycles", std::to_string(perMillisecond));
  RecordProperty("delay100us_wtr_1_cycles", std::to_string(waitShort.at(1)));
  RecordProperty("delay100us_wtr_unit_cycles", std::to_string(perWaitUnit));
}

}  // namespace
}  // namespace k3960
