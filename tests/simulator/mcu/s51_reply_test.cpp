// Reading s51's replies, on replies as s51 0.6.4 gives them.

#include "simulator/mcu/s51_reply.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kitbuilder::simulator {
namespace {

using ::testing::ElementsAre;
using ::testing::Optional;

// The reply to `run` at a breakpoint whose script (kS51LatchScript) reports the four latches.
const char kBreakpointReply[] =
    "Simulation started, PC=0x000000\n"
    "ffff7ffe\n"
    "Loading from main.ihx\n"
    "1027 words read from main.ihx\n"
    "\n"
    "Stop at 0x0000d1: (104) Breakpoint\n"
    "     R0 R1 R2 R3 R4 R5 R6 R7\n"
    "     00 00 00 00 00 00 00 00\n"
    "@R0 00 .  ACC= 0x00   0 .  B= 0x00\n"
    "@R1 00 .  PSW= 0x00 CY=0 AC=0 OV=0 P=0\n"
    "SP 0x4d -> 02 e6 00 71 00 00 00 00\n"
    "   DPTR= 0x0301 @DPTR= 0x95 149 .\n"
    "0x00d1 F? c2 91    CLR    0x910x90 <P1>.1\x1b[0K\n"
    "F 0x0000d1\n"
    "Simulated 9888 ticks (8.240e-04 sec)\n"
    "Host usage: 0.000103 sec, rate=8.000247\n";

TEST(S51Reply, GivesWhereWhyAndWhenItStoppedWithTheLatchesAndDpl) {
  const auto stop = ParseStop(kBreakpointReply);
  ASSERT_TRUE(stop.has_value());
  EXPECT_EQ(stop->pc, 0xD1u);
  EXPECT_EQ(stop->code, kS51StopBreakpoint);
  EXPECT_EQ(stop->reason, "Breakpoint");
  EXPECT_EQ(stop->clocks, 9888u);
  EXPECT_THAT(stop->latches,
              ElementsAre(Optional(0xFF), Optional(0xFF), Optional(0x7F), Optional(0xFE)));
  EXPECT_EQ(stop->dpl, 0x01);
}

TEST(S51Reply, TakesNoOtherLineForTheLatches) {
  // A stop without the breakpoint script: neither the loader's count before the stop nor the
  // disassembly and clock lines after it are the latch word.
  const auto stop = ParseStop(
      "Simulation started, PC=0x000000\n"
      "1027 words read from main.ihx\n"
      "\nStop at 0x000010: (105) User stopped\n"
      "12345678\n"
      "0x0010    02 00 06 LJMP   0x0006\n"
      "F 0x000010\n"
      "Simulated 63550416 ticks (5.746e+00 sec)\n");
  ASSERT_TRUE(stop.has_value());
  EXPECT_EQ(stop->code, 105);
  EXPECT_EQ(stop->reason, "User stopped");
  EXPECT_EQ(stop->clocks, 63550416u);
  for (const auto& latch : stop->latches) EXPECT_FALSE(latch.has_value());
}

TEST(S51Reply, HasNoStopWhereNoneIsReported) {
  EXPECT_FALSE(ParseStop("Simulation started, PC=0x0000d3\n").has_value());
  EXPECT_FALSE(ParseStop("").has_value());
}

TEST(S51Reply, GivesTheNumberOfANewBreakpoint) {
  EXPECT_THAT(ParseBreakpointNumber("break 0x00d1\nBreakpoint 12 at 0x0000d1: 0x00d1 F? c2 91    "
                                    "CLR    0x910x90 <P1>.1 (cond=\"\")\n"),
              Optional(12));
  EXPECT_FALSE(ParseBreakpointNumber("Error: no such address\n").has_value());
}

TEST(S51Reply, GivesTheClockTotalOfState) {
  EXPECT_THAT(ParseTotalClocks("CPU state= OK PC= 0x0000d1 frequency= 12000000 HZ\n"
                               "Operation since last reset= (1134 vclks)\n"
                               "Inst= 549 Fetch= 851 Read= 9 Write= 274\n"
                               "Total time since last reset= 0.000824000000000 sec (9888 clks)\n"
                               "Time in isr = 0.000000000000000 sec (0 clks) 0.00%\n"),
              Optional(9888u));
  EXPECT_FALSE(ParseTotalClocks("Simulation: stopped\n").has_value());
}

TEST(S51Reply, ReadsInternalRamWithoutTakingTheCharacterColumnForBytes) {
  // The characters of 31 32 20 61 62 read "12 ab", which looks like two more bytes.
  const char listing[] =
      "0x09 31 32 20 61 62 31 31 31 12 ab111\n"
      "0x11 5b f3 8e 4c d7 2d 9b 09 [..L.-..\n";
  EXPECT_THAT(ParseInternalRam(listing, 16),
              ElementsAre(0x31, 0x32, 0x20, 0x61, 0x62, 0x31, 0x31, 0x31, 0x5B, 0xF3, 0x8E, 0x4C,
                          0xD7, 0x2D, 0x9B, 0x09));
  EXPECT_THAT(ParseInternalRam(listing, 3), ElementsAre(0x31, 0x32, 0x20));
  EXPECT_TRUE(ParseInternalRam("Undefined subcommand\n", 4).empty());
}

}  // namespace
}  // namespace kitbuilder::simulator
