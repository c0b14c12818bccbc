// The radio model and the board on their own, driven by a small bit-banging program of the
// test's own through pins that write the board's latches and read its wires, one machine
// cycle an access.

#include "simulator/radio/radio_model.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>
#include <optional>

#include "simulator/mcu/board.h"
#include "simulator/radio/partner.h"
#include "simulator/radio/radio_registers.h"
#include "simulator/radio/shared_air.h"
#include "simulator/verdict/expected_behaviour.h"

namespace kitbuilder::simulator {
namespace {

Board* board = nullptr;
Instant now;

/// A pin of the test program, as `sbit` declares one in the firmware.
class TestPin {
 public:
  explicit TestPin(Pin pin) : pin_(pin) {}
  TestPin& operator=(int level) {
    ++now.cycles;
    board->WriteLatchAt(pin_, level != 0, now);
    return *this;
  }
  operator int() const {  // NOLINT: read like a pin in the firmware
    ++now.cycles;
    return board->Latch(pin_) && ((board->OutsideLevels(pin_.port, now) >> pin_.bit) & 1) != 0;
  }

 private:
  Pin pin_;
};

void _nop_() {
  ++now.cycles;
}

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

TestPin TestScs{{1, 1}};
TestPin TestSck{{3, 0}};
TestPin TestSdio{{3, 1}};
TestPin TestGio1{{3, 3}};
TestPin TestGio2{{3, 4}};
const Wiring kWiring = {{{1, 1}, {3, 0}, {3, 1}, {3, 3}, {3, 4}}};
const AirSettings kAir = {100, 0x1F, {0x54, 0x75, 0xC5, 0x2A}};

void SendByte(uint8_t byte) {
  for (int bit = 0; bit < 8; ++bit) {
    TestSdio = byte & 0x80;
    _nop_();
    TestSck = 1;
    _nop_();
    TestSck = 0;
    byte = static_cast<uint8_t>(byte << 1);
  }
}

uint8_t ReceiveByte(TestPin& line) {
  uint8_t value = 0;
  for (int bit = 0; bit < 8; ++bit) {
    value = static_cast<uint8_t>(value << 1 | (line ? 1 : 0));
    TestSck = 1;
    _nop_();
    TestSck = 0;
  }
  return value;
}

void Write(uint8_t address, std::vector<uint8_t> data) {
  TestScs = 0;
  SendByte(address);
  for (uint8_t byte : data) SendByte(byte);
  TestScs = 1;
}

void Write(uint8_t address, uint8_t value) {
  Write(address, std::vector<uint8_t>{value});
}

std::vector<uint8_t> Read(uint8_t address, size_t count, TestPin& line = TestSdio) {
  std::vector<uint8_t> data;
  TestScs = 0;
  SendByte(address | 0x40);
  line = 1;
  for (size_t i = 0; i < count; ++i) data.push_back(ReceiveByte(line));
  TestScs = 1;
  return data;
}

uint8_t Read(uint8_t address, TestPin& line = TestSdio) {
  return Read(address, 1, line)[0];
}

void Strobe(uint8_t command) {
  TestScs = 0;
  SendByte(command);
  TestScs = 1;
}

void AwaitCalibration() {
  while (Read(kCalibrationReg) != 0) {
  }
}

/// Everything the radio needs before it may send or receive, with WTR on GIO1.
void PrepareRadio() {
  Write(kGpio1Reg, kGioWtr);
  Write(kChGroup1, 0x3C);
  Write(kChGroup2, 0x78);
  Write(kCode1Reg, 0x0F);
  Write(kDataRateReg, kAir.dataRate);
  Write(kIdCodeReg, {kAir.id.begin(), kAir.id.end()});
  Strobe(kCmdPll);
  Write(kCalibrationReg, 0x03);
  AwaitCalibration();
  for (uint8_t channel : {30, 90, 150}) {
    Write(kPll1Reg, channel);
    Write(kCalibrationReg, 0x1C);
    AwaitCalibration();
  }
  Strobe(kCmdStby);
  Write(kPll1Reg, kAir.channel);
}

void AwaitWtrLow() {
  while (TestGio1) {
  }
}

/// A chip on the test's wiring, with a peer that plays `script`.
struct Bench {
  explicit Bench(std::vector<PartnerMove> script = {}, CalibrationFault fault = {})
      : peer(kAir, std::move(script)), chip(peer, McuClock(), fault), board(chip, kWiring) {
    now = {};
    simulator::board = &board;
    TestSck = 0;
  }
  ~Bench() { simulator::board = nullptr; }
  Bench(const Bench&) = delete;
  Bench& operator=(const Bench&) = delete;

  std::vector<std::string> Findings() const {
    std::vector<std::string> texts;
    for (const Finding& finding : chip.findings()) texts.push_back(finding.what);
    return texts;
  }

  Partner peer;
  RadioModel chip;
  Board board;
};

std::vector<std::string> Described(const std::vector<Transfer>& transcript) {
  std::vector<std::string> texts;
  for (const Transfer& transfer : transcript) texts.push_back(Describe(transfer));
  return texts;
}

TEST(RadioModel, KeepsWhatIsWrittenAndAnswersOnSdioInThreeWireWiring) {
  Bench bench;
  for (uint8_t value : {0x00, 0x01, 0x80, 0xA5, 0x5A, 0xFF}) {
    Write(kPll1Reg, value);
    EXPECT_EQ(Read(kPll1Reg), value);
  }
  Write(kTxTestReg, 0x3C);
  EXPECT_EQ(Read(kTxTestReg), 0x3C);
  EXPECT_THAT(bench.Findings(), IsEmpty());
  EXPECT_EQ(Describe(bench.chip.transcript().back()), "read TXTEST_REG -> 3C");
}

struct SdoCase {
  const char* name;
  uint8_t gpio1;
  uint8_t gpio2;
  TestPin* sdo;
  TestPin* silent;
};

class RadioModelSdo : public ::testing::TestWithParam<SdoCase> {};

TEST_P(RadioModelSdo, AnswersOnlyOnTheGioLineSetUpAsSdo) {
  Bench bench;
  Write(kGpio1Reg, GetParam().gpio1);
  Write(kGpio2Reg, GetParam().gpio2);
  Write(kPll1Reg, 0x36);
  EXPECT_EQ(Read(kPll1Reg, *GetParam().sdo), 0x36);
  // The lines the chip does not drive read as the microcontroller's own high latch.
  EXPECT_EQ(Read(kPll1Reg, TestSdio), 0xFF);
  EXPECT_EQ(Read(kPll1Reg, *GetParam().silent), 0x00) << "WTR idles low";
  EXPECT_THAT(bench.Findings(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(BothGioLines, RadioModelSdo,
                         ::testing::Values(SdoCase{"Gio1", kGioSdo, kGioWtr, &TestGio1, &TestGio2},
                                           SdoCase{"Gio2", kGioWtr, kGioSdo, &TestGio2, &TestGio1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RadioModel, NamesEveryStrobe) {
  Bench bench;
  for (uint8_t command : {kCmdSleep, kCmdIdle, kCmdStby, kCmdPll, kCmdTfr, kCmdRfr}) {
    Strobe(command);
  }
  EXPECT_THAT(Described(bench.chip.transcript()),
              ElementsAre("strobe CMD_SLEEP", "strobe CMD_IDLE", "strobe CMD_STBY",
                          "strobe CMD_PLL", "strobe CMD_TFR", "strobe CMD_RFR"));
}

TEST(RadioModel, WritingModeRegisterResetsTheChip) {
  Bench bench;
  Write(kPll1Reg, 0x42);
  Write(kGpio1Reg, kGioWtr);
  Write(kModeReg, 0x00);
  EXPECT_EQ(Read(kPll1Reg), 0x00);
  EXPECT_EQ(Read(kGpio1Reg), 0x00);
  EXPECT_EQ(TestGio1, 1) << "GIO1 no longer set up, so no longer driven";
}

TEST(RadioModel, TakesAndAnswersTheFourIdBytesInOneTransfer) {
  Bench bench;
  Write(kIdCodeReg, {0x54, 0x75, 0xC5, 0x2A});
  EXPECT_THAT(Read(kIdCodeReg, 4), ElementsAre(0x54, 0x75, 0xC5, 0x2A));
  EXPECT_THAT(bench.Findings(), IsEmpty());
}

TEST(RadioModel, CalibrationAnswersBusyForAFewReadsThenZero) {
  Bench bench;
  Strobe(kCmdPll);
  Write(kCalibrationReg, 0x03);
  std::vector<uint8_t> answers;
  for (int i = 0; i <= kCalibrationBusyReads; ++i) answers.push_back(Read(kCalibrationReg));
  EXPECT_THAT(answers, ElementsAre(0x03, 0x03, 0x03, 0x00));
  Write(kCalibrationReg, 0x1C);
  AwaitCalibration();
  Strobe(kCmdStby);
  EXPECT_THAT(bench.Findings(), IsEmpty());
  // A polling loop is one record, however often it asked.
  EXPECT_EQ(bench.chip.transcript()[2].polls, kCalibrationBusyReads + 1);
}

/// A misstep of a test program and the finding it must produce.
struct MisstepCase {
  const char* name;
  void (*misstep)();
  const char* finding;
};

class RadioModelMisstep : public ::testing::TestWithParam<MisstepCase> {};

TEST_P(RadioModelMisstep, IsCaught) {
  Bench bench;
  GetParam().misstep();
  EXPECT_THAT(bench.Findings(), ::testing::Contains(HasSubstr(GetParam().finding)));
}

const MisstepCase kMissteps[] = {
    {"CalibrationNotAwaited",
     [] {
       Strobe(kCmdPll);
       Write(kCalibrationReg, 0x03);
       Read(kCalibrationReg);
       Write(kPll1Reg, 30);
     },
     "before CALIBRATION_REG had read back 0"},
    {"CalibrationPolledWithSdioHeldLow",
     [] {
       // The control byte of a read of CALIBRATION_REG ends on a 0 bit; without raising SDIO
       // the poll reads 0 while the chip still answers busy.
       Strobe(kCmdPll);
       Write(kCalibrationReg, 0x03);
       TestScs = 0;
       SendByte(kCalibrationReg | 0x40);
       const uint8_t seen = ReceiveByte(TestSdio);
       TestScs = 1;
       EXPECT_EQ(seen, 0x00);
       Write(kPll1Reg, 30);
     },
     "before CALIBRATION_REG had read back 0"},
    {"CalibrationOutsidePllState", [] { Write(kCalibrationReg, 0x1C); },
     "calibration started outside PLL state"},
    {"SelectWithClockHigh",
     [] {
       TestSck = 1;
       TestScs = 0;
       TestSck = 0;
       TestScs = 1;
     },
     "SCS fell while SCK was high"},
    {"TransferEndsMidByte",
     [] {
       TestScs = 0;
       TestSck = 1;
       TestSck = 0;
       TestScs = 1;
     },
     "SCS rose after 1 bits"},
    {"TwoDataBytesForOneRegister",
     [] {
       Write(kPll1Reg, {0x01, 0x02});
     },
     "more than one data byte in the write of PLL1_REG"},
    {"WriteWithoutData", [] { Write(kPll1Reg, std::vector<uint8_t>{}); },
     "write of PLL1_REG carried no data byte"},
    {"ClockingPastARegisterAnswer", [] { Read(kPll1Reg, 2); },
     "SCK pulsed after the chip had nothing more to send"},
    {"ReadOnlyRegisterWritten", [] { Write(kIfCal2Reg, 0x00); }, "IFCAL2_REG, which is read-only"},
    {"ShortIdWrite",
     [] {
       Write(kIdCodeReg, {0x54, 0x75});
     },
     "ID write carried 2 of 4 bytes"},
    {"TransmitBeforeCalibration", [] { Strobe(kCmdTx); }, "CMD_TX before the IF calibration"},
    {"TransmitWhileAsleep",
     [] {
       PrepareRadio();
       Strobe(kCmdSleep);
       Strobe(kCmdTx);
     },
     "CMD_TX while the chip was asleep"},
    {"ReceiveBeforeTheCrystalSettled",
     [] {
       PrepareRadio();
       Strobe(kCmdSleep);
       Strobe(kCmdStby);
       Strobe(kCmdRx);
     },
     "the crystal needs"},
    {"SendingMoreThanWasWritten",
     [] {
       PrepareRadio();
       Write(kFifo1Reg, 3);
       Strobe(kCmdTfr);
       Write(kFifoReg, {1, 2});
       Strobe(kCmdTx);
     },
     "CMD_TX sends 4 bytes but only 2 were written"},
    {"RegisterAccessDuringTransmission",
     [] {
       PrepareRadio();
       Write(kFifo1Reg, 0);
       Strobe(kCmdTfr);
       Write(kFifoReg, {1});
       Strobe(kCmdTx);
       Read(kModeReg);
     },
     "read of MODE_REG began while the chip was still transmitting"},
    {"RegisterAccessWhileReceiving",
     [] {
       PrepareRadio();
       Strobe(kCmdRx);
       Read(kModeReg);
     },
     "read of MODE_REG began while the chip was receiving"},
    {"FifoReadPastThePacket",
     [] {
       PrepareRadio();
       Read(kFifoReg, 1);
     },
     "RX FIFO read beyond the 0 bytes received"},
};

INSTANTIATE_TEST_SUITE_P(Missteps, RadioModelMisstep, ::testing::ValuesIn(kMissteps),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RadioModel, SendsTheFifoWithWtrHighUntilTheLastByteIsOnTheAir) {
  Bench bench;
  PrepareRadio();
  Write(kTxTestReg, 0x33);
  Write(kFifo1Reg, 3);
  Strobe(kCmdTfr);
  Write(kFifoReg, {0x10, 0x20, 0x30, 0x40, 0x50});
  Strobe(kCmdTx);
  const uint64_t strobed = now.cycles;
  EXPECT_EQ(TestGio1, 1);
  AwaitWtrLow();
  // The transmitter settles, then the packet of 4 bytes is on the air for 56 us.
  EXPECT_NEAR(static_cast<double>(now.cycles - strobed), kTxSettleMicroseconds + 56, 3);
  ASSERT_EQ(bench.peer.log().size(), 1u);
  const AirEvent sent = bench.peer.log()[0];
  EXPECT_THAT(sent.packet.payload, ElementsAre(0x10, 0x20, 0x30, 0x40));
  EXPECT_TRUE(sent.received);
  EXPECT_EQ(sent.packet.txPower, 0x33);
  // The transmit buffer stays loaded: a second strobe sends the same bytes.
  Strobe(kCmdTx);
  AwaitWtrLow();
  ASSERT_EQ(bench.peer.log().size(), 2u);
  EXPECT_EQ(bench.peer.log()[1].packet.payload, sent.packet.payload);
  EXPECT_THAT(bench.Findings(), IsEmpty());
  // On another channel the peer does not hear it.
  Write(kPll1Reg, kAir.channel + 1);
  Strobe(kCmdTx);
  AwaitWtrLow();
  ASSERT_EQ(bench.peer.log().size(), 3u);
  EXPECT_FALSE(bench.peer.log()[2].received);
}

void Pause(uint64_t cycles) {
  for (uint64_t i = 0; i < cycles; ++i) _nop_();
}

/// What a firmware does after loading an 8-byte packet (settling 60 us, then 72 us on the air;
/// a strobe takes 42 cycles and acts at its 39th), and what the chip makes of it.
struct TimingCase {
  const char* name;
  void (*act)();
  const char* finding;  ///< nothing when empty
  bool wholeOnAir;
  const char* wtr;  ///< what the radio says of WTR afterwards
};

class RadioModelTiming : public ::testing::TestWithParam<TimingCase> {};

TEST_P(RadioModelTiming, JudgesWhatTheFirmwareDoesByWhatTheChipWouldDo) {
  Bench bench;
  PrepareRadio();
  Write(kFifo1Reg, 7);
  Strobe(kCmdTfr);
  Write(kFifoReg, std::vector<uint8_t>(8, 0x42));
  GetParam().act();
  const auto findings = bench.Findings();
  if (*GetParam().finding == '\0') {
    EXPECT_THAT(findings, IsEmpty());
  } else {
    EXPECT_THAT(findings, ElementsAre(HasSubstr(GetParam().finding)));
  }
  const auto& log = bench.peer.log();
  EXPECT_EQ(log.size() == 1 && !log[0].cut && log[0].received, GetParam().wholeOnAir);
  EXPECT_THAT(bench.chip.WtrAccount(), HasSubstr(GetParam().wtr));
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RadioModelTiming,
    ::testing::Values(
        TimingCase{"EndAwaited", [] { Strobe(kCmdTx), AwaitWtrLow(), Strobe(kCmdStby); }, "", true,
                   "is low: the chip is in standby (its packet left at"},
        TimingCase{"StrobeWhileSettling", [] { Strobe(kCmdTx), Strobe(kCmdSleep); },
                   "CMD_SLEEP strobed 0.04 ms after CMD_TX, while the transmitter was still "
                   "settling (the packet needs 0.13 ms from the strobe): the packet never went",
                   false, "is low: the chip is asleep"},
        TimingCase{"StrobeWhileOnTheAir", [] { Strobe(kCmdTx), Pause(60), Strobe(kCmdRx); },
                   "the packet was still on the air (it needs 0.13 ms): the packet was cut "
                   "after 10 of its 18 bytes",
                   false, "is high: the chip is in RX"},
        TimingCase{"StrobeActingAfterTheEnd", [] { Strobe(kCmdTx), Pause(100), Strobe(kCmdStby); },
                   "strobe CMD_STBY began while the chip was still transmitting (WTR high): the "
                   "firmware did not wait for the end of its packet",
                   true, "is low"},
        TimingCase{"WriteWhileSettling", [] { Strobe(kCmdTx), Write(kFifo1Reg, 7); },
                   "write of FIFO1_REG began while the chip was still transmitting (WTR high, "
                   "the transmitter still settling)",
                   true, "is high: the chip is transmitting until"},
        TimingCase{"CrystalNotAwaited",
                   [] { Strobe(kCmdSleep), Strobe(kCmdStby), Pause(100), Strobe(kCmdTx); },
                   "CMD_TX 0.14 ms after the chip woke from sleep; the crystal needs 0.80 ms, so "
                   "the chip did not leave standby",
                   false, "WTR (GIO1) is low: the chip is in standby (CMD_TX 0.14 ms after"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ReceptionCase {
  const char* name;
  bool crcGood;
  uint8_t code1;
  uint8_t modeAnswer;
  size_t bytes = 3;  ///< on the air; the radio is set for 3 and keeps the first 3 of more
};

class RadioModelReception : public ::testing::TestWithParam<ReceptionCase> {};

TEST_P(RadioModelReception, StoresThePacketAndFlagsABadCrcOnlyWithTheCheckEnabled) {
  const std::vector<uint8_t> payload = {0xDE, 0xAD, 0xBE};
  std::vector<uint8_t> sent = payload;
  sent.resize(GetParam().bytes, 0x5A);
  Bench bench({{sent, GetParam().crcGood, PartnerMove::When::kWhileListening, 300}});
  PrepareRadio();
  Write(kCode1Reg, GetParam().code1);
  Write(kModeCtrlReg, 0x62);
  Write(kFifo1Reg, 2);
  Strobe(kCmdRx);
  EXPECT_EQ(TestGio1, 1);
  AwaitWtrLow();
  EXPECT_EQ(Read(kModeReg), GetParam().modeAnswer);
  EXPECT_EQ(Read(kFifoReg, 3), payload);
  Strobe(kCmdRfr);
  EXPECT_EQ(Read(kFifoReg, 3), payload) << "the FIFO pointer reset reads the packet again";
  EXPECT_THAT(bench.Findings(), IsEmpty());
  ASSERT_EQ(bench.peer.log().size(), 1u);
  EXPECT_TRUE(bench.peer.log()[0].received);
}

INSTANTIATE_TEST_SUITE_P(CrcCases, RadioModelReception,
                         ::testing::Values(ReceptionCase{"GoodPacket", true, 0x0F, 0x02},
                                           ReceptionCase{"BadCrcChecked", false, 0x0F, 0x22},
                                           ReceptionCase{"BadCrcUnchecked", false, 0x07, 0x02},
                                           ReceptionCase{"LongerThanSetFailsItsCrc", true, 0x0F,
                                                         0x22, 4}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RadioModel, APacketSentAfterTheChipStoppedListeningIsLost) {
  Bench bench({{{0x01}, true, PartnerMove::When::kAfterListening, 1}});
  PrepareRadio();
  Write(kFifo1Reg, 0);
  Strobe(kCmdRx);
  Strobe(kCmdStby);
  EXPECT_EQ(TestGio1, 0);
  Strobe(kCmdRx);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(TestGio1, 1);
  ASSERT_EQ(bench.peer.log().size(), 1u);
  EXPECT_FALSE(bench.peer.log()[0].received);
}

TEST(RadioModel, SpoilsTheCalibrationFlagItIsToldTo) {
  Bench bench({}, {CalibrationFault::Flag::kVcoBank, 1});
  PrepareRadio();
  Write(kPll1Reg, 90);
  Strobe(kCmdPll);
  Write(kCalibrationReg, 0x1C);
  AwaitCalibration();
  EXPECT_EQ(Read(kVcoCal1Reg) & 0x08, 0x08);
  EXPECT_EQ(Read(kVcocCalReg) & 0x10, 0x00);
  Write(kPll1Reg, 150);
  Write(kCalibrationReg, 0x1C);
  AwaitCalibration();
  EXPECT_EQ(Read(kVcoCal1Reg) & 0x08, 0x00);
}

TEST(RadioModel, StopsTheRunWhenTheTranscriptReachesTheGivenLength) {
  Bench bench;
  bench.chip.StopAtRecord(2);
  Strobe(kCmdStby);
  Write(kPll1Reg, 1);
  EXPECT_THROW(Strobe(kCmdPll), SimulationStop);
  ASSERT_TRUE(bench.chip.stoppedAt().has_value());
  EXPECT_EQ(bench.chip.transcript().size(), 2u);
}

struct SteadyCase {
  const char* name;
  std::vector<PartnerMove> script;
  void (*act)();
  enum class Until { kNewLevel, kNever, kNow } until;
};

class BoardSteady : public ::testing::TestWithParam<SteadyCase> {};

TEST_P(BoardSteady, WtrKeepsItsLevelUntilTheTimeGivenAndChangesThen) {
  Bench bench(GetParam().script);
  PrepareRadio();
  Write(kFifo1Reg, 0);
  Strobe(kCmdTfr);
  Write(kFifoReg, {0x42});
  GetParam().act();
  const uint64_t until = bench.board.SteadyUntil();
  if (GetParam().until != SteadyCase::Until::kNewLevel) {
    EXPECT_EQ(until, GetParam().until == SteadyCase::Until::kNow ? now.cycles : UINT64_MAX);
    return;
  }
  const int level = TestGio1;
  ASSERT_GT(until, now.cycles);
  while (now.cycles + 1 < until) ASSERT_EQ(TestGio1, level) << now.cycles;
  EXPECT_NE(TestGio1, level) << "the first read at the time given sees the new level";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BoardSteady,
    ::testing::Values(
        SteadyCase{"Transmitting", {}, [] { Strobe(kCmdTx); }, SteadyCase::Until::kNewLevel},
        SteadyCase{"ReceivingTheScheduledPacket",
                   {{{0x01}, true, PartnerMove::When::kWhileListening, 500}},
                   [] { Strobe(kCmdRx); },
                   SteadyCase::Until::kNewLevel},
        SteadyCase{
            "ListeningWithNothingToCome", {}, [] { Strobe(kCmdRx); }, SteadyCase::Until::kNever},
        SteadyCase{"InATransfer",
                   {},
                   [] {
                     TestScs = 0;
                     SendByte(kGpio1Reg | 0x40);
                   },
                   SteadyCase::Until::kNow}),
    [](const auto& info) { return std::string(info.param.name); });

struct ForecastCase {
  const char* name;
  uint8_t gpio2;
  bool sdioHigh;           // the microcontroller lets go of SDIO before the answer
  bool answering;          // the transfer is a read
  std::optional<Pin> pin;  // where the forecast puts the answer, if it makes one
};

class BoardForecast : public ::testing::TestWithParam<ForecastCase> {};

// The virtual board lets s51 answer the rest of a byte by itself from this forecast, so it must
// be what the board then does edge by edge, and nothing where the wires would not carry it.
TEST_P(BoardForecast, IsTheLevelTheDataPinTakesAtEachComingRisingEdge) {
  Bench bench;
  Write(kGpio2Reg, GetParam().gpio2);
  Write(kPll1Reg, 0xA5);
  TestScs = 0;
  SendByte(kPll1Reg | (GetParam().answering ? 0x40 : 0x00));
  TestSdio = GetParam().sdioHigh;
  const auto forecast = bench.board.ForecastData();
  ASSERT_EQ(forecast.has_value(), GetParam().pin.has_value());
  if (!forecast) return;
  EXPECT_EQ(forecast->pin, *GetParam().pin);
  EXPECT_EQ(forecast->steadyUntil, UINT64_MAX) << "nothing else the chip drives will change";
  ASSERT_EQ(forecast->levels.size(), 7u) << "the first bit is out, the other seven to come";
  uint8_t seen = (bench.board.PinLevels(forecast->pin.port) >> forecast->pin.bit) & 1;
  for (bool level : forecast->levels) {
    TestSck = 1;
    const int pin = (bench.board.PinLevels(forecast->pin.port) >> forecast->pin.bit) & 1;
    EXPECT_EQ(pin, level ? 1 : 0);
    TestSck = 0;
    EXPECT_EQ((bench.board.PinLevels(forecast->pin.port) >> forecast->pin.bit) & 1, pin)
        << "a falling edge within the byte changes nothing";
    seen = static_cast<uint8_t>(seen << 1 | pin);
  }
  EXPECT_EQ(seen, 0xA5);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BoardForecast,
    ::testing::Values(ForecastCase{"ThreeWire", 0x00, true, true, Pin{3, 1}},
                      ForecastCase{"SdoOnGio2", kGioSdo, true, true, Pin{3, 4}},
                      ForecastCase{"SdioHeldLow", 0x00, false, true, std::nullopt},
                      ForecastCase{"AWrite", 0x00, true, false, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Board, TwoChipLinesOnOnePinSeeTheSameLevel) {
  // SCK wired to the SDIO pin: every change of a data bit is also a clock edge.
  Partner peer(kAir, {});
  RadioModel chip(peer);
  Board board(chip, {{{1, 1}, {3, 1}, {3, 1}, {3, 3}, {3, 4}}});
  simulator::board = &board;
  TestSck = 0;
  Write(kPll1Reg, 0x42);
  simulator::board = nullptr;
  EXPECT_THAT(chip.findings(), ::testing::Not(IsEmpty()));
}

/// Two chips on one shared air, both on the test's wiring and clock; the test's pins drive
/// whichever is selected.
struct AirBench {
  AirBench()
      : air(McuClock(), McuClock()),
        sender(air.Side(0)),
        receiver(air.Side(1)),
        senderBoard(sender, kWiring),
        receiverBoard(receiver, kWiring) {
    now = {};
    for (Board* chip : {&senderBoard, &receiverBoard}) {
      Select(*chip);
      TestSck = 0;
      PrepareRadio();
    }
  }
  ~AirBench() { simulator::board = nullptr; }
  AirBench(const AirBench&) = delete;
  AirBench& operator=(const AirBench&) = delete;
  void Select(Board& chip) { simulator::board = &chip; }

  SharedAir air;
  RadioModel sender;
  RadioModel receiver;
  Board senderBoard;
  Board receiverBoard;
};

struct SharedAirCase {
  const char* name;
  /// The receiver's CMD_RX comes before the sender's CMD_TX; else right after it, and its
  /// receiver settles after the packet's first bit.
  bool listensFirst;
  bool leavesEarly;  ///< the receiver goes to standby before the packet's last bit
  int receiverChannel;
  bool received;
  bool senderCuts = false;  ///< the sender goes to standby before the packet's last bit
};

class SharedAirDelivery : public ::testing::TestWithParam<SharedAirCase> {};

TEST_P(SharedAirDelivery, APacketReachesOnlyARadioThatListensOnItsChannelFromFirstBitToLast) {
  const SharedAirCase& param = GetParam();
  AirBench bench;
  bench.Select(bench.receiverBoard);
  Write(kPll1Reg, static_cast<uint8_t>(param.receiverChannel));
  Write(kFifo1Reg, 63);
  if (param.listensFirst) Strobe(kCmdRx);
  bench.Select(bench.senderBoard);
  Write(kFifo1Reg, 63);
  Strobe(kCmdTfr);
  Write(kFifoReg, std::vector<uint8_t>(64, 0x5A));
  Strobe(kCmdTx);
  if (param.senderCuts) Pause(100), Strobe(kCmdStby);
  bench.Select(bench.receiverBoard);
  // 64 bytes are on the air for some 300 cycles; each strobe takes a few dozen.
  if (!param.listensFirst) Strobe(kCmdRx);
  if (param.leavesEarly) Strobe(kCmdStby);
  for (int cycle = 0; cycle < 400; ++cycle) _nop_();
  // The read lets the receiver's time pass the packet's end.
  EXPECT_EQ(TestGio1 == 0, param.received || param.leavesEarly) << "WTR ends with the packet";
  ASSERT_EQ(bench.air.packets().size(), 1u);
  EXPECT_EQ(bench.air.packets()[0].received, param.received);
  EXPECT_EQ(bench.air.packets()[0].cut, param.senderCuts);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SharedAirDelivery,
    ::testing::Values(SharedAirCase{"ListensThroughout", true, false, kAir.channel, true},
                      SharedAirCase{"SettlesAfterTheFirstBit", false, false, kAir.channel, false},
                      SharedAirCase{"LeavesBeforeTheLastBit", true, true, kAir.channel, false},
                      SharedAirCase{"OnAnotherChannel", true, false, kAir.channel + 2, false},
                      SharedAirCase{"CutBeforeItsLastBit", true, false, kAir.channel, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

struct UnknownArrivalCase {
  const char* name;
  McuClock sender;
  McuClock receiver;
  uint64_t senderCycle;  ///< the sender's next stop
};

class SharedAirUnknownArrival : public ::testing::TestWithParam<UnknownArrivalCase> {};

TEST_P(SharedAirUnknownArrival, NoPacketTheSenderCanStartFromItsNextStopEndsSooner) {
  const UnknownArrivalCase& param = GetParam();
  SharedAir air(param.sender, param.receiver);
  const double actsFromUs =
      static_cast<double>(param.senderCycle) * CycleNanoseconds(param.sender) / 1000.0;
  air.ActsFrom(0, actsFromUs);
  const uint64_t earliest = air.Side(1).EarliestUnknownArrival();
  EXPECT_GT(static_cast<double>(earliest) * CycleNanoseconds(param.receiver) / 1000.0, actsFromUs)
      << "a poll may run on past the sender's next stop";
  // The shortest packet, from the write a cycle before the stop that shows it.
  const uint64_t start = param.senderCycle - 1;
  air.Side(0).Hear({{0x01}, true, kAir, 0}, start,
                   start + AirCycles(1, DataRateValue(2), param.sender));
  ASSERT_TRUE(air.Side(1).sending().has_value());
  EXPECT_LE(earliest, air.Side(1).sending()->endCycle);
  air.ActsFrom(0, std::numeric_limits<double>::infinity());
  EXPECT_EQ(air.Side(1).EarliestUnknownArrival(), UINT64_MAX);
}

INSTANTIATE_TEST_SUITE_P(
    Clocks, SharedAirUnknownArrival,
    ::testing::Values(UnknownArrivalCase{"OneClock", {12.0, 12}, {12.0, 12}, 1000},
                      UnknownArrivalCase{"SlowerSender", {11.0592, 12}, {33.0, 1}, 77777}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kitbuilder::simulator
