// Reading what s51 logged at breakpoints that go on by themselves, on replies as s51 0.6.4
// gives them.

#include "simulator/mcu/s51_log.h"

#include <gtest/gtest.h>

namespace kitbuilder::simulator {
namespace {

// The last part of a reply: s51 going on from the last hit and stopping.
const char kStop[] =
    "Simulation started, PC=0x000068\n"
    "ffff7ffe\n"
    "Stop at 0x0000d1: (104) Breakpoint\n"
    "Simulated 108 ticks (9.766e-06 sec)\n";

TEST(S51Log, ReadsEachHitInOrderAndLeavesTheStop) {
  // The loader's lines come late, among the hits: they are not a script's.
  const S51Log log = ReadS51Log(std::string("Simulation started, PC=0x000000\n"
                                            "0x3a07\n"
                                            "2574\n"
                                            "Simulation started, PC=0x000071\n"
                                            "Loading from main.ihx\n"
                                            "1027 words read from main.ihx\n"
                                            "2580\n"
                                            "Simulation started, PC=0x000064\n"
                                            "fffdff7f\n"
                                            "1000026a0\n") +
                                kStop);
  EXPECT_EQ(log.error, "");
  ASSERT_EQ(log.hits.size(), 3u);
  EXPECT_EQ(log.hits[0].kind, S51LoggedHit::Kind::kRamWrite);
  EXPECT_EQ(log.hits[0].address, 0x3A);
  EXPECT_EQ(log.hits[0].value, 0x07);
  EXPECT_EQ(log.hits[0].clocks, 0x2574u);
  EXPECT_EQ(log.hits[1].kind, S51LoggedHit::Kind::kPortWrite);
  EXPECT_EQ(log.hits[1].pc, 0x64u);
  EXPECT_EQ(log.hits[1].clocks, 0x2580u);
  EXPECT_FALSE(log.hits[1].latches.has_value());
  EXPECT_EQ(log.hits[2].pc, 0x68u);
  EXPECT_EQ(log.hits[2].clocks, 0x26A0u);  // the low 32 bits
  EXPECT_EQ(log.hits[2].latches, 0xFFFDFF7Fu);
  EXPECT_EQ(log.stop, kStop);
}

TEST(S51Log, ReadsAReplyWithoutHitsAsTheStop) {
  const S51Log log = ReadS51Log(kStop);
  EXPECT_TRUE(log.hits.empty());
  EXPECT_EQ(log.error, "");
  EXPECT_EQ(log.stop, kStop);
}

TEST(S51Log, RefusesAHitItCannotRead) {
  const struct {
    const char* name;
    const char* output;
  } cases[] = {
      {"nothing printed", ""},
      {"an error instead of the count", "Parser error: syntax error\n"},
      {"three numbers", "fffdff7f\n2580\n2590\n"},
      {"a RAM write without the count", "0x3a07\n"},
      {"two RAM writes", "0x3a07\n0x3b07\n2580\n"},
      {"a RAM word beyond an address and a byte", "0x13a07\n2580\n"},
  };
  for (const auto& c : cases) {
    const S51Log log = ReadS51Log(std::string("Simulation started, PC=0x000000\n") + c.output +
                                  "Simulation started, PC=0x000064\n2590\n" + kStop);
    EXPECT_TRUE(log.hits.empty()) << c.name;
    EXPECT_NE(log.error.find("at Simulation started, PC=0x000064"), std::string::npos)
        << c.name << ": " << log.error;
  }
}

}  // namespace
}  // namespace kitbuilder::simulator
