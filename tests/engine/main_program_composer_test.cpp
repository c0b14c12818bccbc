#include "engine/main_program_composer.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/fake_text_store.h"

namespace kitbuilder {
namespace {

using testing::FakeTextStore;

struct ReplaceCase {
  const char* name;
  const char* document;
  const char* key;
  const char* value;
  const char* expected;
};

class ReplaceAllTest : public ::testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceAllTest, ReplacesEveryNonOverlappingMatch) {
  std::string document = GetParam().document;
  ReplaceAll(&document, GetParam().key, GetParam().value);
  EXPECT_EQ(document, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceAllTest,
    ::testing::Values(
        ReplaceCase{"Single", "a [[K]] b", "[[K]]", "v", "a v b"},
        ReplaceCase{"EveryOccurrence", "[[K]]x[[K]]", "[[K]]", "12", "12x12"},
        ReplaceCase{"Absent", "nothing here", "[[K]]", "v", "nothing here"},
        ReplaceCase{"EmptyValueKeepsTheBlanks", "a [[K]] b\r\n", "[[K]]", "", "a  b\r\n"},
        ReplaceCase{"MatchesDoNotOverlap", "aaa", "aa", "b", "ba"},
        ReplaceCase{"ScanGoesOnBehindTheMatch", "aaaa", "aa", "b", "bb"},
        ReplaceCase{"InsertedTextIsNotSearchedAgain", "[[K]]", "[[K]]", "[[K]][[K]]", "[[K]][[K]]"},
        ReplaceCase{"CaseMatters", "[[k]] [[K]]", "[[K]]", "v", "[[k]] v"},
        ReplaceCase{"KeyInsideBrackets", "[[[K]]]", "[[K]]", "v", "[v]"}),
    [](const auto& info) { return std::string(info.param.name); });

// A store whose texts only name themselves, with the placeholders that the real fragments carry,
// so that the test sees which fragment each step chose and in which order the steps ran.
FakeTextStore TracingStore() {
  FakeTextStore store;
  store.Set("TXT", 161,
            "PIN{[[PIN_DEFINE]] }GPIO{[[GPIO_SETTING]]      }GLOBAL{[[GLOBAL_VARIABLE_DEFINE]]}"
            "ID{[[RF_ID_VALUE]]}POWER{[[CHANGE_TXPOWER]]}RATE{[[CHANGE_DATARATE]]}"
            "CH{[[SET_RADIO_CHANNEL]]}PRE{[[PRE_SET_BEFORE_LOOP]]}LOOP{[[RF_PROCESS]]}"
            "READ{[[RF_READ]]}DEFS{[[OTHERS_FUNCTION_DEFINE]]}FUNCS{[[OTHERS_FUNCTION]]}");
  for (uint16_t id : testing::kFragmentIds) store.Set("STR", id, "<" + std::to_string(id) + ">");
  store.Set("STR", 171, "<171 rx=[[RX_LENGTH]]>");
  store.Set("STR", 172, "<172[[RESERVED]]>");
  store.Set("STR", 173, "<173 tx=[[TX_LENGTH]]>");
  store.Set("STR", 175, "<175[[RESERVED]]>");
  store.Set("STR", 191, "<191[[RESERVED]]>");
  for (uint16_t id : {182, 183}) {
    store.Set("STR", id, "<" + std::to_string(id) + " d=[[DELAY_TIME]] rx=[[RX_LENGTH]]>");
  }
  for (uint16_t id : {186, 187}) {
    store.Set("STR", id,
              "<" + std::to_string(id) +
                  " d=[[DELAY_TIME]] rx=[[RX_LENGTH]] ack=[[ACK_LENGTH]] rx=[[RX_LENGTH]]>");
  }
  for (uint16_t id : {192, 193})
    store.Set("STR", id, "<" + std::to_string(id) + " d=[[DELAY_TIME]]>");
  for (uint16_t id : {195, 197}) {
    store.Set("STR", id,
              "<" + std::to_string(id) +
                  " d=[[DELAY_TIME]] tx=[[TX_LENGTH]] ack=[[ACK_LENGTH]] w=[[WAIT_TIME]] "
                  "ack=[[ACK_LENGTH]]>");
  }
  return store;
}

struct CompositionCase {
  const char* name;
  int32_t mode;
  int32_t spiMode;
  int32_t wtrLine;
  int32_t restState;
  int32_t txPower;
  int32_t dataRate;
  const char* expectedAfterId;  // the document from POWER{ on
  const char* expectedGpio;
  const char* expectedPinTail;  // the RF_WTR and SDO lines
};

class ComposeStepsTest : public ::testing::TestWithParam<CompositionCase> {};

TEST_P(ComposeStepsTest, ChoosesTheFragmentsOfTheSettings) {
  const CompositionCase& c = GetParam();
  GenerationSettings settings = DefaultSettings(c.mode);
  settings.pins.spiMode = c.spiMode;
  settings.pins.wtrLine = c.wtrLine;
  settings.rf.txPowerIndex = c.txPower;
  settings.rf.dataRateIndex = c.dataRate;
  settings.rf.channel = 7;
  ModeValues values = {11, 22, c.restState, 33, 44};
  PlaceModeValues(c.mode, values, &settings.rf);

  std::string document;
  ASSERT_EQ(ComposeMainDocument(TracingStore(), settings.pins, settings.rfId, c.mode, settings.rf,
                                &document),
            0);
  const std::string pins =
      "PIN{sbit SCS    = P1^1;\r\nsbit SCK    = P3^0;\r\nsbit SDIO   = P3^1;\r\n"
      "sbit GIO1   = P3^3;\r\nsbit GIO2   = P3^4;\r\n" +
      std::string(c.expectedPinTail) + " }";
  // The global variable step runs even though only this test skeleton carries its marker.
  const std::string globals[] = {"<191>", "<181>", "<194>", "<185>"};
  const std::string expected = pins + "GPIO{" + c.expectedGpio + "      }GLOBAL{" +
                               globals[c.mode] + "}ID{0x54, 0x75, 0xC5, 0x2A}" + c.expectedAfterId;
  EXPECT_EQ(document, expected);
}

constexpr const char* kWtr1 = "#define RF_WTR  GIO1\r\n";
constexpr const char* kWtr2Sdo1 = "#define RF_WTR  GIO2\r\n#define SDO     GIO1\r\n";
constexpr const char* kWtr1Sdo2 = "#define RF_WTR  GIO1\r\n#define SDO     GIO2\r\n";
constexpr const char* kWtr2 = "#define RF_WTR  GIO2\r\n";

INSTANTIATE_TEST_SUITE_P(
    Modes, ComposeStepsTest,
    ::testing::Values(
        CompositionCase{"TxThreeWireSleep", kModeTx, 0, 0, 0, 0, 0,
                        "POWER{<198>}RATE{<213>}"
                        "CH{    K3960_WriteReg( PLL1_REG, 7 );        // set radio channel}"
                        "PRE{<173 tx=11>}LOOP{<192 d=33>}READ{<179>}DEFS{<203><166>}"
                        "FUNCS{<204><167>}",
                        "<188>", kWtr1},
        CompositionCase{"TxStandbyAnyNonZeroRest", kModeTx, 0, 1, 5, 1, 1,
                        "POWER{<199>}RATE{<212>}"
                        "CH{    K3960_WriteReg( PLL1_REG, 7 );        // set radio channel}"
                        "PRE{<173 tx=11>}LOOP{<193 d=33>}READ{<179>}DEFS{<203><166>}"
                        "FUNCS{<204><167>}",
                        "<188>", kWtr2},
        CompositionCase{"RxFourWireWtrOnGio2", kModeRx, 1, 1, 1, 2, 0,
                        "POWER{<200>}RATE{<213>}"
                        "CH{    K3960_WriteReg( PLL1_REG, 7 );        // set radio channel}"
                        "PRE{<171 rx=11>}LOOP{<183 d=33 rx=11>}READ{<180>}DEFS{<178><166>}"
                        "FUNCS{<177><167>}",
                        "<190>", kWtr2Sdo1},
        CompositionCase{"TxAckFourWireWtrOnGio1", kModeTxAck, 1, 0, 0, 3, 1,
                        "POWER{<201>}RATE{<212>}"
                        "CH{    K3960_WriteReg( PLL1_REG, 7 );        // set radio channel}"
                        "PRE{<175>}LOOP{<195 d=33 tx=11 ack=22 w=44 ack=22>}READ{<180>}"
                        "DEFS{<203><178><166><168>}FUNCS{<204><177><167><169>}",
                        "<189>", kWtr1Sdo2},
        CompositionCase{"TxAckStandby", kModeTxAck, 0, 0, 1, 4, 0,
                        "POWER{<202>}RATE{<213>}"
                        "CH{    K3960_WriteReg( PLL1_REG, 7 );        // set radio channel}"
                        "PRE{<175>}LOOP{<197 d=33 tx=11 ack=22 w=44 ack=22>}READ{<179>}"
                        "DEFS{<203><178><166><168>}FUNCS{<204><176><167><169>}",
                        "<188>", kWtr1},
        CompositionCase{"RxAckSleep", kModeRxAck, 0, 1, 0, 0, 0,
                        "POWER{<198>}RATE{<213>}"
                        "CH{    K3960_WriteReg( PLL1_REG, 7 );        // set radio channel}"
                        "PRE{<172>}LOOP{<186 d=33 rx=11 ack=22 rx=11>}READ{<179>}"
                        "DEFS{<203><178><166>}FUNCS{<204><176><167>}",
                        "<188>", kWtr2},
        CompositionCase{"RxAckStandbyFourWire", kModeRxAck, 1, 0, 1, 0, 0,
                        "POWER{<198>}RATE{<213>}"
                        "CH{    K3960_WriteReg( PLL1_REG, 7 );        // set radio channel}"
                        "PRE{<172>}LOOP{<187 d=33 rx=11 ack=22 rx=11>}READ{<180>}"
                        "DEFS{<203><178><166>}FUNCS{<204><177><167>}",
                        "<189>", kWtr1Sdo2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ComposeMainDocumentTest, PrintsNumbersAndTextsAsHandedIn) {
  GenerationSettings settings = DefaultSettings(kModeTx);
  settings.rfId = {"0x54", "0x5", "0x", "0xFF"};
  settings.rf.channel = -3;
  // Each line on a port and bit of its own, so that a line written with another's shows.
  settings.pins = {0, 7, 1, 2, 2, 5, 3, 6, 1, 4, 0, 0};
  PlaceModeValues(kModeTx, {0, 8, 0, 255, 40}, &settings.rf);
  std::string document;
  ASSERT_EQ(ComposeMainDocument(TracingStore(), settings.pins, settings.rfId, kModeTx, settings.rf,
                                &document),
            0);
  EXPECT_NE(document.find("ID{0x54, 0x5, 0x, 0xFF}"), std::string::npos);
  EXPECT_NE(document.find("PLL1_REG, -3 );"), std::string::npos);
  EXPECT_NE(document.find("PIN{sbit SCS    = P0^7;\r\nsbit SCK    = P1^2;\r\nsbit SDIO   = "
                          "P2^5;\r\nsbit GIO1   = P3^6;\r\nsbit GIO2   = P1^4;\r\n"),
            std::string::npos);
  EXPECT_NE(document.find("<173 tx=0>"), std::string::npos);
  EXPECT_NE(document.find("<192 d=255>"), std::string::npos);
}

TEST(ComposeMainDocumentTest, AMissingFragmentLeavesItsFailureTextAndStillSucceeds) {
  FakeTextStore store = TracingStore();
  store.Remove("STR", 188);
  store.Fail("STR", 213, FetchStatus::kNoBytes);
  store.Fail("STR", 198, FetchStatus::kNotLoadable);
  GenerationSettings settings = DefaultSettings(kModeTx);
  std::string document;
  ASSERT_EQ(
      ComposeMainDocument(store, settings.pins, settings.rfId, kModeTx, settings.rf, &document), 0);
  EXPECT_NE(document.find("GPIO{LoadStr 188 :hRes Failed\r\n      }"), std::string::npos);
  EXPECT_NE(document.find("RATE{LoadStr 213 :lpBuffer Failed\r\n}"), std::string::npos);
  EXPECT_NE(document.find("POWER{LoadStr 198 :hResData Failed\r\n}"), std::string::npos);
}

}  // namespace
}  // namespace kitbuilder
