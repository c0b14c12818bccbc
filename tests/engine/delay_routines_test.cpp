#include "engine/delay_routines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/build_sequence.h"
#include "engine/text_store.h"
#include "tests/support/memory_output_files.h"

namespace kitbuilder {
namespace {

struct ClockCase {
  const char* name;
  McuClock clock;
};

const ClockCase kClocks[] = {
    {"Mhz11_0592x12", {11.0592, 12}},
    {"Mhz11_0592x6", {11.0592, 6}},
    {"Mhz12x12", {12, 12}},
    {"Mhz12x6", {12, 6}},
    {"Mhz22_1184x12", {22.1184, 12}},
    {"Mhz22_1184x6", {22.1184, 6}},
    {"Mhz24x12", {24, 12}},
    {"Mhz24x6", {24, 6}},
    {"Mhz33x12", {33, 12}},
    {"Mhz33x6", {33, 6}},
    {"Mhz50x6", {50, 6}},
};

class DelayLoops : public ::testing::TestWithParam<ClockCase> {};

// The loop counts must come within 2% of the nominal time for every argument the firmware can
// pass; the cycle formulas themselves are held against s51 by the simulator's tests.
TEST_P(DelayLoops, ComeWithinTwoPercentForEveryArgument) {
  const McuClock& clock = GetParam().clock;
  const MillisecondLoop milliseconds = MillisecondLoopFor(clock);
  const WaitLoop wait = WaitLoopFor(clock);
  for (int32_t n = 1; n <= 255; ++n) {
    const double ms = CyclesIn(clock, 1000.0 * n);
    EXPECT_NEAR(milliseconds.Cycles(n), ms, 0.02 * ms) << "Delay1ms(" << n << ")";
    const double wtr = CyclesIn(clock, 100.0 * n);
    EXPECT_NEAR(wait.Cycles(n), wtr, 0.02 * wtr) << "Delay100us_WTR(" << n << ")";
  }
  for (const int32_t count : {milliseconds.outer, milliseconds.inner, wait.first, wait.inner}) {
    EXPECT_GE(count, 1);
    EXPECT_LE(count, 255);
  }
  EXPECT_GE(milliseconds.outer, 2) << "a one-pass loop lets SDCC drop its counter";
  EXPECT_GE(milliseconds.inner, 2) << "a one-pass loop lets SDCC drop its counter";
}

INSTANTIATE_TEST_SUITE_P(Clocks, DelayLoops, ::testing::ValuesIn(kClocks),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DelayRoutines, ReplaceOnlyTheStoredRoutinesAndNameTheClock) {
  GenerationSettings settings = DefaultSettings(kModeTxAck);
  settings.compiler = TargetCompiler::kSdcc;
  testing::MemoryOutputFiles files;
  ASSERT_TRUE(RunBuildSequence(EmbeddedStore(), files, "/out/", settings, "").success);
  const std::string stored = files.files.at("/out/main.c");
  const McuClock clock{11.0592, 6};
  const std::string timed = WithDelaysFor(stored, clock);

  const std::string ms = Delay1msRoutine(clock);
  const std::string wtr = Delay100usWtrRoutine(clock);
  ASSERT_NE(timed.find(ms), std::string::npos);
  ASSERT_NE(timed.find(wtr), std::string::npos);
  EXPECT_NE(ms.find("//      FOR AN 8051 AT 11.0592 MHZ, 6 CLOCKS PER MACHINE CYCLE      //\r\n"),
            std::string::npos)
      << ms;
  EXPECT_EQ(timed.find("USER NEED CHANGE THIS FUNCTION"), std::string::npos);

  // Everything around the two routines stays byte for byte: the stored text before the first
  // banner, between the routines and after the second.
  const std::size_t banner = stored.find(
      "//!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!//\r\n//                "
      "        DELAY 1MS");
  ASSERT_NE(banner, std::string::npos);
  EXPECT_EQ(timed.substr(0, banner), stored.substr(0, banner));
  const std::string tail =
      stored.substr(stored.find("\r\n}\r\n", stored.find("void Delay100us_WTR(Uint8 n)\r\n{")) + 5);
  EXPECT_EQ(timed.substr(timed.size() - tail.size()), tail);
  EXPECT_EQ(timed.find("\n\n"), std::string::npos) << "a line lost its CR";

  // A program without the routines is left as it is.
  EXPECT_EQ(WithDelaysFor("void main(void)\r\n{\r\n}\r\n", clock), "void main(void)\r\n{\r\n}\r\n");
}

}  // namespace
}  // namespace kitbuilder
