// The complete generated files for configurations that together use every fragment, compared
// byte for byte with the reviewed copies under tests/golden/.

#include <gtest/gtest.h>

#include <string>

#include "engine/build_sequence.h"
#include "engine/main_program_composer.h"
#include "tests/support/byte_diff.h"
#include "tests/support/memory_output_files.h"
#include "tests/support/recorded_settings.h"

namespace kitbuilder {
namespace {

using testing::kSettingsText;
using testing::MemoryOutputFiles;
using testing::ReadFileBytes;
using testing::SameBytes;
using testing::TestDataPath;

struct GoldenCase {
  const char* name;  // also the folder under tests/golden/
  int32_t mode;
  int32_t spiMode;
  int32_t wtrLine;
  int32_t restState;
  int32_t txPower;
  int32_t dataRate;
};

GenerationSettings SettingsOf(const GoldenCase& c) {
  GenerationSettings settings = DefaultSettings(c.mode);
  settings.pins.spiMode = c.spiMode;
  settings.pins.wtrLine = c.wtrLine;
  settings.rf.txPowerIndex = c.txPower;
  settings.rf.dataRateIndex = c.dataRate;
  ModeValues values = DefaultModeValues(c.mode);
  values.restState = c.restState;
  PlaceModeValues(c.mode, values, &settings.rf);
  return settings;
}

class GoldenMainProgramTest : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenMainProgramTest, MatchesTheReviewedFile) {
  const std::string expected =
      ReadFileBytes(TestDataPath("golden/" + std::string(GetParam().name) + "/main.c"));
  ASSERT_FALSE(expected.empty()) << "no golden main.c for " << GetParam().name;
  MemoryOutputFiles files;
  ASSERT_TRUE(
      RunBuildSequence(EmbeddedStore(), files, "/out/", SettingsOf(GetParam()), kSettingsText)
          .success);
  EXPECT_TRUE(SameBytes(expected, files.files["/out/main.c"]));
  EXPECT_TRUE(
      SameBytes(ReadFileBytes(TestDataPath("golden/define.h")), files.files["/out/define.h"]));
  EXPECT_TRUE(
      SameBytes(ReadFileBytes(TestDataPath("golden/K3960reg.h")), files.files["/out/K3960reg.h"]));
}

// Mode, wiring (0: 3-wires), WTR line, rest state (0: sleep), TX power index, data rate index.
INSTANTIATE_TEST_SUITE_P(
    Configurations, GoldenMainProgramTest,
    ::testing::Values(GoldenCase{"tx_3wire_gio1_sleep_0dbm_2m", kModeTx, 0, 0, 0, 0, 0},
                      GoldenCase{"tx_4wire_gio2_standby_m4dbm_1m", kModeTx, 1, 1, 1, 1, 1},
                      GoldenCase{"rx_3wire_gio2_sleep_m6dbm_2m", kModeRx, 0, 1, 0, 2, 0},
                      GoldenCase{"rx_4wire_gio1_standby_m8dbm_1m", kModeRx, 1, 0, 1, 3, 1},
                      GoldenCase{"txack_4wire_gio1_sleep_m12dbm_2m", kModeTxAck, 1, 0, 0, 4, 0},
                      GoldenCase{"txack_3wire_gio1_standby_0dbm_1m", kModeTxAck, 0, 0, 1, 0, 1},
                      GoldenCase{"rxack_3wire_gio1_sleep_0dbm_2m", kModeRxAck, 0, 0, 0, 0, 0},
                      GoldenCase{"rxack_4wire_gio2_standby_m4dbm_2m", kModeRxAck, 1, 1, 1, 1, 0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kitbuilder
