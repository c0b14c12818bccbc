// The bus read back from hand-written captures: each case moves the lines as a firmware would
// and lists the records the decoder must make of them.

#include "simulator/capture/bus_decoder.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/simulator/capture/line_script.h"

namespace kitbuilder::simulator {
namespace {

struct DecoderCase {
  const char* name;
  BusWiring wiring;
  std::function<void(LineScript&)> lines;
  std::vector<std::string> records;  ///< Describe() of each, " xN" for N polls
  bool beginsInside = false;
  bool startup = false;
  std::optional<int> endsAfterBits = std::nullopt;
  std::vector<std::string> findings = {};
  std::vector<bool> wtrEdges = {};  ///< high or low, in order
};

constexpr BusWiring k3Wire{ChipLine::kSdio, ChipLine::kGio1};
constexpr BusWiring k4Wire{ChipLine::kGio2, ChipLine::kGio1};

const DecoderCase kCases[] = {
    {"reset_write_strobe_and_a_3_wire_read",
     k3Wire,
     [](LineScript& s) {
       s.Begin().Transfer({0x00, 0x00}).Transfer({0x06, 0x54, 0x75, 0xC5, 0x2A});
       s.Transfer({0xD0}).Transfer({0x40 | 0x0E}, {0x64}).End();
     },
     {"write MODE_REG 00", "write IDCODE_REG 54 75 C5 2A", "strobe CMD_TX", "read PLL1_REG -> 64"},
     false,
     true},
    // The microcontroller holds SDIO at 0 while the chip answers on GIO2.
    {"4_wire_read_answers_on_the_gio_line_that_is_not_wtr",
     k4Wire,
     [](LineScript& s) {
       s.Begin().Transfer({0x40 | 0x05}, {0xA5, 0x3C}, ChipLine::kGio2).End();
     },
     {"read FIFO_REG -> A5 3C"}},
    {"polls_of_one_register_are_one_record_fifo_reads_are_not",
     k3Wire,
     [](LineScript& s) {
       s.Begin().Transfer({0x42}, {0x02}).Transfer({0x42}, {0x02}).Transfer({0x42}, {0x00});
       s.Transfer({0x45}, {0x11}).Transfer({0x45}, {0x22}).End();
     },
     {"read CALIBRATION_REG -> 00 x3", "read FIFO_REG -> 11", "read FIFO_REG -> 22"}},
    {"a_capture_begun_inside_a_transfer_drops_it_and_has_no_startup",
     k3Wire,
     [](LineScript& s) {
       s.Begin({{ChipLine::kScs, false}, {ChipLine::kSck, false}});
       s.Byte(0x00).Byte(0x00).Set({{ChipLine::kScs, true}});
       s.Transfer({0xA0}).Transfer({0x00, 0x00}).End();
     },
     {"strobe CMD_STBY", "write MODE_REG 00"},
     true,
     false},
    {"a_capture_ended_inside_a_transfer_drops_it_and_counts_its_bits",
     k3Wire,
     [](LineScript& s) {
       s.Begin().Transfer({0xA0}).Set({{ChipLine::kSck, false}});
       s.Set({{ChipLine::kScs, false}}).Byte(0x0E).Byte(0x64);
       s.Set({{ChipLine::kSck, true}}).Set({{ChipLine::kSck, false}}).End();
     },
     {"strobe CMD_STBY"},
     false,
     false,
     17},
    {"scs_rising_inside_a_byte_is_a_finding",
     k3Wire,
     [](LineScript& s) {
       s.Begin().Set({{ChipLine::kSck, false}}).Set({{ChipLine::kScs, false}}).Byte(0x90);
       s.Set({{ChipLine::kSck, true}}).Set({{ChipLine::kSck, false}});
       s.Set({{ChipLine::kScs, true}}).End();
     },
     {"strobe CMD_IDLE"},
     false,
     false,
     std::nullopt,
     {"SCS rose after 1 bits of a byte"}},
    {"wtr_edges_on_the_wtr_line_only",
     k4Wire,
     [](LineScript& s) {
       s.Begin({{ChipLine::kGio1, false}}).Transfer({0xD0}).Set({{ChipLine::kGio1, true}});
       s.Set({{ChipLine::kGio2, false}}).Set({{ChipLine::kGio1, false}}).End();
     },
     {"strobe CMD_TX"},
     false,
     false,
     std::nullopt,
     {},
     {true, false}},
};

void PrintTo(const DecoderCase& c, std::ostream* out) {
  *out << c.name;
}

class BusDecoderTest : public ::testing::TestWithParam<DecoderCase> {};

TEST_P(BusDecoderTest, MakesTheRecordsOfTheLines) {
  const DecoderCase& c = GetParam();
  BusDecoder decoder(c.wiring, McuClock{});
  LineScript script({&decoder});
  c.lines(script);
  const CapturedBus& bus = decoder.bus();
  std::vector<std::string> records;
  for (const Transfer& transfer : bus.transfers) {
    records.push_back(Describe(transfer) +
                      (transfer.polls > 1 ? " x" + std::to_string(transfer.polls) : ""));
  }
  EXPECT_EQ(records, c.records);
  EXPECT_EQ(bus.beginsInsideTransfer, c.beginsInside);
  EXPECT_EQ(bus.startupPresent, c.startup);
  EXPECT_EQ(bus.endsInsideTransferAfterBits, c.endsAfterBits);
  std::vector<std::string> findings;
  for (const Finding& finding : bus.findings) findings.push_back(finding.what);
  EXPECT_EQ(findings, c.findings);
  std::vector<bool> edges;
  for (const WtrEdge& edge : bus.wtrEdges) edges.push_back(edge.high);
  EXPECT_EQ(edges, c.wtrEdges);
}

INSTANTIATE_TEST_SUITE_P(Cases, BusDecoderTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// 24 samples a step at 24 MHz is a microsecond, a machine cycle of the default 12 MHz 8051.
TEST(BusDecoderTimes, AreMachineCyclesOfTheBoardsClockFromTheFirstSample) {
  BusDecoder decoder(k3Wire, McuClock{});
  LineScript script({&decoder});
  script.Begin().Transfer({0xD0}).End();
  ASSERT_EQ(decoder.bus().transfers.size(), 1u);
  EXPECT_EQ(decoder.bus().transfers[0].start.cycles, 2u);
  EXPECT_EQ(decoder.bus().transfers[0].end.cycles, 2u + 24 + 1);
  BusDecoder doubled(k3Wire, McuClock{24.0, 12});
  LineScript again({&doubled});
  again.Begin().Transfer({0xD0}).End();
  EXPECT_EQ(doubled.bus().transfers[0].start.cycles, 4u);
}

}  // namespace
}  // namespace kitbuilder::simulator
