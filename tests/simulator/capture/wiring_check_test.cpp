// Wiring faults named from what the lines do: a used line that never moves, two lines that
// always move together; lines the board does not use may rest.

#include "simulator/capture/wiring_check.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/simulator/capture/line_script.h"

namespace kitbuilder::simulator {
namespace {

struct WiringCase {
  const char* name;
  std::function<void(LineScript&)> lines;
  std::vector<std::string> faults;
};

// SCS, SCK, SDIO and GIO1 (WTR) used, GIO2 not: a 3-wire board.
const LineSet kUsed = LineBit(ChipLine::kScs) | LineBit(ChipLine::kSck) | LineBit(ChipLine::kSdio) |
                      LineBit(ChipLine::kGio1);

void Strobe(LineScript& s) {
  s.Transfer({0xD0}).Set({{ChipLine::kGio1, false}});
}

const WiringCase kCases[] = {
    {"a_working_board_leaves_the_unused_gio2_at_rest",
     [](LineScript& s) {
       s.Begin();
       Strobe(s);
     },
     {}},
    {"sdio_stuck",
     [](LineScript& s) {
       s.Begin().Transfer({0xFF}).Set({{ChipLine::kGio1, false}});
     },
     {"SDIO never changes: is the probe on the right pin?"}},
    {"sdio_bridged_to_gio1",
     [](LineScript& s) {
       s.Begin().Set({{ChipLine::kSck, false}}).Set({{ChipLine::kScs, false}});
       for (int bit = 0; bit < 4; ++bit) {
         s.Set({{ChipLine::kSdio, bit % 2 != 0}, {ChipLine::kGio1, bit % 2 != 0}});
         s.Set({{ChipLine::kSck, true}}).Set({{ChipLine::kSck, false}});
       }
       s.Set({{ChipLine::kScs, true}});
     },
     {"SDIO and GIO1 always change together (4 times): a solder bridge between them, or both "
      "probes on one pin?"}},
    // Sampled coarsely, SCS may move in the sample of an SCK edge: every SCS change is an SCK
    // change, but SCK moves alone too.
    {"scs_moving_with_some_sck_edges",
     [](LineScript& s) {
       s.Begin().Set({{ChipLine::kScs, false}, {ChipLine::kSck, false}});
       s.Byte(0x90)
           .Set({{ChipLine::kSck, true}})
           .Set({{ChipLine::kScs, true}, {ChipLine::kSck, false}});
       s.Set({{ChipLine::kGio1, false}});
     },
     {}},
    // Both GIO lines set to WTR by a 3-wire firmware move as one; GIO2 is not in use.
    {"gio2_moving_with_gio1_unused",
     [](LineScript& s) {
       s.Begin();
       s.Transfer({0xD0}).Set({{ChipLine::kGio1, false}, {ChipLine::kGio2, false}});
     },
     {}},
};

void PrintTo(const WiringCase& c, std::ostream* out) {
  *out << c.name;
}

class WiringCheckTest : public ::testing::TestWithParam<WiringCase> {};

TEST_P(WiringCheckTest, NamesTheFaults) {
  WiringCheck check(kUsed);
  LineScript script({&check});
  GetParam().lines(script);
  script.End();
  EXPECT_EQ(check.Faults(), GetParam().faults);
}

INSTANTIATE_TEST_SUITE_P(Cases, WiringCheckTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kitbuilder::simulator
