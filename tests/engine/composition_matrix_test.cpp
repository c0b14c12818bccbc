// Every combination of the settings that choose fragments, composed with the stored texts.

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "engine/main_program_composer.h"
#include "engine/text_store.h"

namespace kitbuilder {
namespace {

using Combination = std::tuple<int32_t /*mode*/, int32_t /*spiMode*/, int32_t /*wtrLine*/,
                               int32_t /*txPower*/, int32_t /*dataRate*/, int32_t /*rest*/>;

class CompositionMatrixTest : public ::testing::TestWithParam<Combination> {
 protected:
  void SetUp() override {
    std::tie(mode_, spiMode_, wtrLine_, txPower_, dataRate_, rest_) = GetParam();
    settings_ = DefaultSettings(mode_);
    settings_.pins.spiMode = spiMode_;
    settings_.pins.wtrLine = wtrLine_;
    settings_.rf.txPowerIndex = txPower_;
    settings_.rf.dataRateIndex = dataRate_;
    ModeValues values = DefaultModeValues(mode_);
    values.restState = rest_;
    PlaceModeValues(mode_, values, &settings_.rf);
    ASSERT_EQ(ComposeMainDocument(EmbeddedStore(), settings_.pins, settings_.rfId, mode_,
                                  settings_.rf, &document_),
              0);
  }

  // Whether the fragment stands in the document, with its placeholders filled as the settings say.
  bool Contains(int32_t fragmentId) const {
    std::string fragment = LoadFragment(EmbeddedStore(), fragmentId);
    const ModeValues values = TakeModeValues(mode_, settings_.rf);
    const bool rxFirst = mode_ == kModeRx || mode_ == kModeRxAck;
    ReplaceAll(&fragment, "[[TX_LENGTH]]", std::to_string(values.length));
    ReplaceAll(&fragment, "[[RX_LENGTH]]", std::to_string(rxFirst ? values.length : 0));
    ReplaceAll(&fragment, "[[ACK_LENGTH]]", std::to_string(values.ackLength));
    ReplaceAll(&fragment, "[[DELAY_TIME]]", std::to_string(values.delayMs));
    ReplaceAll(&fragment, "[[WAIT_TIME]]", std::to_string(values.wait100us));
    ReplaceAll(&fragment, "[[RESERVED]]", "");
    return document_.find(fragment) != std::string::npos;
  }

  int32_t mode_, spiMode_, wtrLine_, txPower_, dataRate_, rest_;
  GenerationSettings settings_;
  std::string document_;
};

TEST_P(CompositionMatrixTest, UsesTheFragmentsOfItsSettingsAndLeavesNoMarker) {
  EXPECT_EQ(document_.find("[["), std::string::npos);
  EXPECT_EQ(document_.find("LoadStr"), std::string::npos);
  const int32_t gpio = spiMode_ == 0 ? 188 : (wtrLine_ == 0 ? 189 : 190);
  for (int32_t id : {188, 189, 190}) EXPECT_EQ(Contains(id), id == gpio) << id;
  EXPECT_TRUE(Contains(spiMode_ == 0 ? 179 : 180));
  EXPECT_FALSE(Contains(spiMode_ == 0 ? 180 : 179));
  for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(Contains(198 + i), i == txPower_) << 198 + i;
  EXPECT_EQ(Contains(213), dataRate_ == 0);
  EXPECT_EQ(Contains(212), dataRate_ == 1);

  const bool reads = mode_ != kModeTx;
  EXPECT_EQ(Contains(178), reads);
  EXPECT_EQ(Contains(176), reads && spiMode_ == 0);
  EXPECT_EQ(Contains(177), reads && spiMode_ == 1);
  EXPECT_EQ(Contains(204), mode_ != kModeRx);
  EXPECT_EQ(Contains(169), mode_ == kModeTxAck);
  EXPECT_TRUE(Contains(167));

  const int32_t loops[4][2] = {{192, 193}, {182, 183}, {195, 197}, {186, 187}};
  EXPECT_TRUE(Contains(loops[mode_][rest_ == 0 ? 0 : 1]));
  EXPECT_FALSE(Contains(loops[mode_][rest_ == 0 ? 1 : 0]));

  // The pin block: six lines in three-wire wiring, the SDO line naming the other GIO in four.
  const std::string wtr = wtrLine_ == 0 ? "GIO1" : "GIO2";
  EXPECT_NE(document_.find("#define RF_WTR  " + wtr + "\r\n"), std::string::npos);
  const bool hasSdo = document_.find("#define SDO     ") != std::string::npos;
  EXPECT_EQ(hasSdo, spiMode_ == 1);
  if (spiMode_ == 1) {
    EXPECT_NE(
        document_.find("#define SDO     " + std::string(wtrLine_ == 0 ? "GIO2" : "GIO1") + "\r\n"),
        std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Everything, CompositionMatrixTest,
    ::testing::Combine(::testing::Values(kModeTx, kModeRx, kModeTxAck, kModeRxAck),
                       ::testing::Values(0, 1), ::testing::Values(0, 1), ::testing::Range(0, 5),
                       ::testing::Values(0, 1), ::testing::Values(0, 1)));

}  // namespace
}  // namespace kitbuilder
