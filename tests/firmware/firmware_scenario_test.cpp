// The generated firmware of every configuration of the matrix, run against the chip model: the
// start-up and three passes of its mode's exchange with a scripted peer. Wiring faults and
// failed calibrations must show.

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <numeric>

#include "firmware_units.h"
#include "tests/firmware/expected_behaviour.h"
#include "tests/firmware/k3960_registers.h"
#include "tests/firmware/scenario.h"

namespace k3960 {
namespace {

std::string Lines(const std::vector<std::string>& texts) {
  return std::accumulate(
      texts.begin(), texts.end(), std::string(),
      [](std::string all, const std::string& text) { return std::move(all) + "\n  " + text; });
}

class FirmwareScenario : public ::testing::TestWithParam<const FirmwareUnit*> {};

TEST_P(FirmwareScenario, StartsUpAndRunsItsExchangeAsTheSettingsSay) {
  const ScenarioOutcome outcome = RunScenario(*GetParam());
  EXPECT_TRUE(outcome.problems.empty()) << Lines(outcome.problems);
}

INSTANTIATE_TEST_SUITE_P(Matrix, FirmwareScenario, ::testing::ValuesIn(kMatrixUnits),
                         [](const auto& info) { return std::string(info.param->config.name); });

class FirmwareWiringFault : public ::testing::TestWithParam<const FirmwareUnit*> {};

TEST_P(FirmwareWiringFault, FailsTheScenario) {
  const ScenarioOutcome outcome = RunScenario(*GetParam());
  EXPECT_FALSE(outcome.problems.empty());
  const std::vector<std::string> first(
      outcome.problems.begin(),
      outcome.problems.begin() + std::min<size_t>(3, outcome.problems.size()));
  std::cout << "caught with " << GetParam()->config.name << ":" << Lines(first) << "\n";
}

INSTANTIATE_TEST_SUITE_P(TwoLinesOnOnePin, FirmwareWiringFault,
                         ::testing::Values(&kUnit_fault_sdio_on_sck, &kUnit_fault_wtr_on_scs),
                         [](const auto& info) { return std::string(info.param->config.name); });

TEST(FirmwareReadWithoutSdioRelease, IsCaughtByTheCalibrationWait) {
  // The latch left low by the control byte holds SDIO low: every calibration poll reads 0 while
  // the chip still answers busy, and the firmware moves on too early.
  const ScenarioOutcome outcome = RunScenario(kUnit_fault_sdio_not_released);
  EXPECT_TRUE(std::any_of(outcome.problems.begin(), outcome.problems.end(),
                          [](const std::string& problem) {
                            return problem.find("before CALIBRATION_REG had read back 0") !=
                                   std::string::npos;
                          }))
      << Lines(outcome.problems);
  std::cout << "caught:"
            << Lines({outcome.problems.begin(),
                      outcome.problems.begin() + std::min<size_t>(3, outcome.problems.size())})
            << "\n";
}

/// A spoilt calibration flag and the read after which the firmware must stop.
struct CalibrationFailureCase {
  const char* name;
  CalibrationFault fault;
  uint8_t lastRead;
  int occurrence;  ///< which read of that register, counting from 1
};

class FirmwareCalibrationFailure : public ::testing::TestWithParam<CalibrationFailureCase> {};

/// The start-up transfers up to and including the given read.
std::vector<ExpectedTransfer> StartupThrough(const FirmwareConfig& config, uint8_t target,
                                             int occurrence) {
  std::vector<ExpectedTransfer> transfers = ExpectedStartup(config);
  for (size_t i = 0; i < transfers.size(); ++i) {
    if (transfers[i].kind == Transfer::Kind::kRead && transfers[i].target == target &&
        --occurrence == 0) {
      transfers.resize(i + 1);
      return transfers;
    }
  }
  return {};
}

TEST_P(FirmwareCalibrationFailure, StopsInTheErrorStateAfterReadingTheFlag) {
  const FirmwareUnit& unit = kUnit_tx_3w_gio1;
  AirPeer peer(AirOf(unit.config), {});
  ChipModel chip(peer, GetParam().fault);
  Board board(chip, WiringOf(unit.config));
  RunLimits limits;
  limits.cycles = 2000000;
  limits.cpuSeconds = 0.2;
  const RunResult run = RunFirmware(unit, board, chip, limits);

  EXPECT_EQ(run.end, RunResult::End::kSpinning) << Describe(run.end) << " " << run.detail;
  const auto expected = StartupThrough(unit.config, GetParam().lastRead, GetParam().occurrence);
  ASSERT_FALSE(expected.empty());
  const auto difference = FirstDifference(expected, chip.transcript());
  EXPECT_FALSE(difference.has_value()) << *difference;
}

INSTANTIATE_TEST_SUITE_P(
    Flags, FirmwareCalibrationFailure,
    ::testing::Values(
        CalibrationFailureCase{
            "VcoBankGroupI", {CalibrationFault::Flag::kVcoBank, 0}, kVcocCalReg, 1},
        CalibrationFailureCase{
            "VcoCurrentGroupII", {CalibrationFault::Flag::kVcoCurrent, 1}, kVcocCalReg, 2},
        CalibrationFailureCase{
            "VcoBankGroupIII", {CalibrationFault::Flag::kVcoBank, 2}, kVcocCalReg, 3},
        CalibrationFailureCase{"IfFilter", {CalibrationFault::Flag::kIfFilter, 0}, kVcoCal2Reg, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Pn9Table, MatchesTheTableTheFirmwareCarries) {
  const std::vector<uint8_t> table = Pn9Table();
  ASSERT_EQ(table.size(), 64u);
  EXPECT_EQ(HexBytes({table.begin(), table.begin() + 8}), "FF 83 DF 17 32 09 4E D1");
  EXPECT_EQ(HexBytes({table.begin() + 56, table.end()}), "EA 24 33 85 ED 9A 1D E0");
}

}  // namespace
}  // namespace k3960
