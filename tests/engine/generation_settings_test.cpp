#include "engine/generation_settings.h"

#include <gtest/gtest.h>

#include <array>

namespace kitbuilder {
namespace {

// Where each mode keeps its values in modeValue1..5; 0 marks a position the mode leaves unset.
struct LayoutCase {
  const char* name;
  int32_t mode;
  std::array<int32_t, 5>
      expected;  // values placed from {length 11, ack 22, rest 1, delay 44, wait 55}
};

class ModeValueLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(ModeValueLayoutTest, PlacesAndTakesBackInTheModesOrder) {
  ModeValues values;
  values.length = 11;
  values.ackLength = 22;
  values.restState = 1;
  values.delayMs = 44;
  values.wait100us = 55;
  RfParameters rf;
  PlaceModeValues(GetParam().mode, values, &rf);
  const std::array<int32_t, 5> placed = {rf.modeValue1, rf.modeValue2, rf.modeValue3, rf.modeValue4,
                                         rf.modeValue5};
  EXPECT_EQ(placed, GetParam().expected);

  const ModeValues back = TakeModeValues(GetParam().mode, rf);
  EXPECT_EQ(back.length, 11);
  EXPECT_EQ(back.restState, 1);
  EXPECT_EQ(back.delayMs, 44);
}

INSTANTIATE_TEST_SUITE_P(Modes, ModeValueLayoutTest,
                         ::testing::Values(LayoutCase{"Tx", kModeTx, {11, 1, 44, 0, 0}},
                                           LayoutCase{"Rx", kModeRx, {11, 1, 44, 0, 0}},
                                           LayoutCase{"TxAck", kModeTxAck, {11, 22, 1, 44, 55}},
                                           LayoutCase{"RxAck", kModeRxAck, {11, 22, 1, 44, 0}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DefaultSettingsTest, MatchTheFormsDefaultsForEachMode) {
  struct Expected {
    int32_t mode, length, ackLength, delay, wait;
  };
  for (const Expected& e :
       {Expected{kModeTx, 8, 8, 10, 40}, Expected{kModeRx, 8, 8, 8, 40},
        Expected{kModeTxAck, 9, 8, 10, 40}, Expected{kModeRxAck, 9, 8, 8, 40}}) {
    const GenerationSettings settings = DefaultSettings(e.mode);
    const ModeValues values = TakeModeValues(e.mode, settings.rf);
    EXPECT_EQ(values.length, e.length) << "mode " << e.mode;
    EXPECT_EQ(values.ackLength, e.ackLength) << "mode " << e.mode;
    EXPECT_EQ(values.delayMs, e.delay) << "mode " << e.mode;
    EXPECT_EQ(values.wait100us, e.wait) << "mode " << e.mode;
    EXPECT_EQ(values.restState, 0) << "mode " << e.mode;
    EXPECT_EQ(settings.rf.channel, 100);
  }
}

}  // namespace
}  // namespace kitbuilder
