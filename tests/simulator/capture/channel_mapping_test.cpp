// The capture's channels mapped to the radio's lines: by name in any case, or as --channels
// says; every refusal names the capture's channels or the option's fault.

#include "simulator/capture/channel_mapping.h"

#include <gtest/gtest.h>

namespace kitbuilder::simulator {
namespace {

struct MappingCase {
  const char* name;
  std::vector<std::string> channels;
  std::optional<std::string> given;
  /// The channel of SCS, SCK, SDIO, GIO1 and GIO2, "-" for none; or the refusal.
  std::vector<std::string> mapped;
  const char* refusal = nullptr;
};

const std::vector<std::string> kAnalyzer = {"D0", "D1", "D2", "D3", "D4", "D5", "D6", "D7"};
const LineSet k3WireGio1 = LineBit(ChipLine::kScs) | LineBit(ChipLine::kSck) |
                           LineBit(ChipLine::kSdio) | LineBit(ChipLine::kGio1);

const MappingCase kCases[] = {
    {"named_like_the_lines_in_any_case_with_an_extra_channel",
     {"trigger", "gio2", "Sdio", "SCK", "scs", "gio1"},
     std::nullopt,
     {"scs", "SCK", "Sdio", "gio1", "gio2"}},
    {"unused_gio2_may_be_missing",
     {"SCS", "SCK", "SDIO", "GIO1"},
     std::nullopt,
     {"SCS", "SCK", "SDIO", "GIO1", "-"}},
    {"given_in_another_order_any_case",
     kAnalyzer,
     "gio1=D0,SDIO=d1,SCK=D2,SCS=D7",
     {"D7", "D2", "D1", "D0", "-"}},
    {"unnamed_channels_refused_with_the_option_to_give",
     kAnalyzer,
     std::nullopt,
     {},
     "no channel is named SCS, SCK, SDIO or GIO1; the capture's channels are D0, D1, D2, D3, D4, "
     "D5, D6, D7: say which carries which line with --channels SCS=D0,SCK=D1,SDIO=D2,GIO1=D3"},
    {"two_channels_named_alike",
     {"Scs", "scs", "SCK", "SDIO", "GIO1"},
     std::nullopt,
     {},
     "channels Scs and scs are both named like SCS: say which carries it with --channels "
     "SCS=Scs"},
    {"the_one_spelt_exactly_before_one_alike",
     {"scs", "SCS", "SCK", "SDIO", "GIO1"},
     std::nullopt,
     {"SCS", "SCK", "SDIO", "GIO1", "-"}},
    {"no_such_channel",
     kAnalyzer,
     "SCS=D0,SCK=D1,SDIO=D9,GIO1=D3",
     {},
     "--channels: the capture has no channel D9; the capture's channels are D0, D1, D2, D3, D4, "
     "D5, D6, D7"},
    {"not_a_line",
     kAnalyzer,
     "CS=D0",
     {},
     "--channels: CS is not a radio line; the lines are SCS, SCK, SDIO, GIO1 and GIO2"},
    {"a_channel_for_two_lines",
     kAnalyzer,
     "SCS=D0,SCK=D0",
     {},
     "--channels: D0 is given for both SCS and SCK"},
    {"a_used_line_left_out",
     kAnalyzer,
     "SCS=D0,SCK=D1",
     {},
     "--channels gives no channel for SDIO and GIO1, which the board uses; the capture's channels "
     "are D0, D1, D2, D3, D4, D5, D6, D7"},
};

void PrintTo(const MappingCase& c, std::ostream* out) {
  *out << c.name;
}

class ChannelMappingTest : public ::testing::TestWithParam<MappingCase> {};

TEST_P(ChannelMappingTest, MapsOrRefuses) {
  const MappingCase& c = GetParam();
  const auto mapped = MapChannels(c.channels, c.given, k3WireGio1);
  if (c.refusal) {
    ASSERT_TRUE(std::holds_alternative<MappingRefusal>(mapped));
    EXPECT_EQ(std::get<MappingRefusal>(mapped).message, c.refusal);
    return;
  }
  ASSERT_TRUE(std::holds_alternative<ChannelMapping>(mapped))
      << std::get<MappingRefusal>(mapped).message;
  std::vector<std::string> names;
  for (const std::optional<size_t>& channel : std::get<ChannelMapping>(mapped)) {
    names.push_back(channel ? c.channels[*channel] : "-");
  }
  EXPECT_EQ(names, c.mapped);
}

INSTANTIATE_TEST_SUITE_P(Cases, ChannelMappingTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kitbuilder::simulator
