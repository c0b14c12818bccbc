// Which 8051 instructions the simulator run stops at and what it takes from them, and the reading
// of s51's disassembly.

#include "simulator/mcu/port_instruction.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kitbuilder::simulator {
namespace {

using Effect = PortInstruction::Effect;
using ::testing::ElementsAre;

struct ClassifyCase {
  const char* name;
  std::vector<uint8_t> bytes;
  Effect effect;
  int port;
  int bit;
  uint8_t value;
};

class PortInstructionClass : public ::testing::TestWithParam<ClassifyCase> {};

TEST_P(PortInstructionClass, NamesEffectPortAndBit) {
  const PortInstruction instruction = ClassifyPortInstruction(GetParam().bytes);
  EXPECT_EQ(instruction.effect, GetParam().effect);
  if (GetParam().effect == Effect::kNone) return;
  EXPECT_EQ(instruction.port, GetParam().port);
  EXPECT_EQ(instruction.bit, GetParam().bit);
  EXPECT_EQ(instruction.value, GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Instructions, PortInstructionClass,
    ::testing::Values(
        // What SDCC makes of the generated firmware's pin accesses.
        ClassifyCase{"SetbP1_1", {0xD2, 0x91}, Effect::kSetsBit, 1, 1, 0},
        ClassifyCase{"ClrP3_0", {0xC2, 0xB0}, Effect::kClearsBit, 3, 0, 0},
        ClassifyCase{"JnbP3_1", {0x30, 0xB1, 0x0B}, Effect::kReadsPins, 3, 1, 0},
        ClassifyCase{"JbP0_7", {0x20, 0x87, 0xFD}, Effect::kReadsPins, 0, 7, 0},
        ClassifyCase{"MovP0Immediate", {0x75, 0x80, 0xFF}, Effect::kWritesByte, 0, -1, 0xFF},
        ClassifyCase{"MovP2Immediate", {0x75, 0xA0, 0x5A}, Effect::kWritesByte, 2, -1, 0x5A},
        // Reads the run supports without knowing more.
        ClassifyCase{"MovCFromP2_6", {0xA2, 0xA6}, Effect::kReadsPins, 2, 6, 0},
        ClassifyCase{"MovAFromP1", {0xE5, 0x90}, Effect::kReadsPins, 1, -1, 0},
        ClassifyCase{"MovR7FromP3", {0xAF, 0xB0}, Effect::kReadsPins, 3, -1, 0},
        ClassifyCase{"MovDirectFromP1ToRam", {0x85, 0x90, 0x30}, Effect::kReadsPins, 1, -1, 0},
        // Writes whose value the run does not see in the instruction.
        ClassifyCase{"MovP1_1FromCarry", {0x92, 0x91}, Effect::kUnfollowed, 1, 1, 0},
        ClassifyCase{"CplP3_4", {0xB2, 0xB4}, Effect::kUnfollowed, 3, 4, 0},
        ClassifyCase{"JbcP1_0", {0x10, 0x90, 0x02}, Effect::kUnfollowed, 1, 0, 0},
        ClassifyCase{"MovP2FromA", {0xF5, 0xA0}, Effect::kUnfollowed, 2, -1, 0},
        ClassifyCase{"MovP0FromR3", {0x8B, 0x80}, Effect::kUnfollowed, 0, -1, 0},
        ClassifyCase{"OrlP1Immediate", {0x43, 0x90, 0x01}, Effect::kUnfollowed, 1, -1, 0},
        ClassifyCase{"MovP3FromRam", {0x85, 0x30, 0xB0}, Effect::kUnfollowed, 3, -1, 0},
        // Look-alikes that touch no port: other SFRs and their bits, RAM, immediates.
        ClassifyCase{"SetbTcon0", {0xD2, 0x88}, Effect::kNone, -1, -1, 0},
        ClassifyCase{"SetbAccBit7", {0xD2, 0xE7}, Effect::kNone, -1, -1, 0},
        ClassifyCase{"SetbRamBit", {0xD2, 0x10}, Effect::kNone, -1, -1, 0},
        ClassifyCase{"JnbAccBit7", {0x30, 0xE7, 0x04}, Effect::kNone, -1, -1, 0},
        ClassifyCase{"MovSpImmediate", {0x75, 0x81, 0x49}, Effect::kNone, -1, -1, 0},
        ClassifyCase{"MovRamImmediateP1Value", {0x75, 0x30, 0x90}, Effect::kNone, -1, -1, 0},
        ClassifyCase{"MovAImmediateP1Value", {0x74, 0x90}, Effect::kNone, -1, -1, 0},
        ClassifyCase{"LcallToP1Address", {0x12, 0x00, 0x90}, Effect::kNone, -1, -1, 0},
        ClassifyCase{"Nop", {0x00}, Effect::kNone, -1, -1, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Disassembly, ReadsAddressBytesAndTextOfEachInstruction) {
  const std::vector<Instruction> code = ParseDisassembly(
      "dc 0x0 0xe4\n"
      "\n"
      "0x0000    <.reset>:\n"
      "0x0000      02 00 06 LJMP   0x0006 <.label$0>\x1b[0K\n"
      "0x00d1 F? c2 91    CLR    0x910x90 <P1>.1\x1b[0K\n"
      "0x00d5  ? ef       MOV    A,R7\x1b[0K\n"
      "0x00d6 F  30 e7 04 JNB    0xe70xe0 <ACC>.7,0x00dd\r\n"
      "0x00d9  ? d4       DA     A\x1b[0K\n");
  ASSERT_EQ(code.size(), 5u);
  EXPECT_EQ(code[0].address, 0x0000u);
  EXPECT_THAT(code[0].bytes, ElementsAre(0x02, 0x00, 0x06));
  EXPECT_EQ(code[1].address, 0x00D1u);
  EXPECT_THAT(code[1].bytes, ElementsAre(0xC2, 0x91));
  EXPECT_EQ(code[1].text, "CLR    0x910x90 <P1>.1");
  EXPECT_THAT(code[2].bytes, ElementsAre(0xEF));
  EXPECT_THAT(code[3].bytes, ElementsAre(0x30, 0xE7, 0x04));
  EXPECT_EQ(code[3].text, "JNB    0xe70xe0 <ACC>.7,0x00dd");
  // The mnemonic DA is upper case and so not taken for a byte.
  EXPECT_THAT(code[4].bytes, ElementsAre(0xD4));
  EXPECT_EQ(code[4].text, "DA     A");
}

struct LoopCase {
  const char* name;
  Instruction instruction;
  bool loops;
};

class JumpToItself : public ::testing::TestWithParam<LoopCase> {};

TEST_P(JumpToItself, IsTheUnconditionalJumpToItsOwnAddress) {
  EXPECT_EQ(IsJumpToItself(GetParam().instruction), GetParam().loops);
}

INSTANTIATE_TEST_SUITE_P(
    Jumps, JumpToItself,
    ::testing::Values(LoopCase{"ShortJump", {0x00CD, {0x80, 0xFE}, ""}, true},
                      LoopCase{"ShortJumpBack", {0x00CB, {0x80, 0xFB}, ""}, false},
                      LoopCase{"LongJump", {0x0123, {0x02, 0x01, 0x23}, ""}, true},
                      LoopCase{"LongJumpElsewhere", {0x0123, {0x02, 0x01, 0x24}, ""}, false},
                      // Waiting on a pin is a loop to itself too, but the pin ends it.
                      LoopCase{"PinPoll", {0x00B6, {0x20, 0x95, 0xFD}, ""}, false}),
    [](const auto& info) { return std::string(info.param.name); });

/// Instructions laid out from address 0x100 on, one after the other.
std::vector<Instruction> Code(const std::vector<std::vector<uint8_t>>& instructions) {
  std::vector<Instruction> code;
  uint32_t address = 0x100;
  for (const auto& bytes : instructions) {
    code.push_back({address, bytes, ""});
    address += static_cast<uint32_t>(bytes.size());
  }
  return code;
}

struct UnseenCase {
  const char* name;
  std::vector<std::vector<uint8_t>> code;
  std::vector<uint32_t> seenLater;
};

class WritesWithoutAStop : public ::testing::TestWithParam<UnseenCase> {};

TEST_P(WritesWithoutAStop, AreThoseTheNextStopReveals) {
  const std::set<uint32_t> seen = WritesSeenAtTheNextStop(Code(GetParam().code));
  EXPECT_EQ(std::vector<uint32_t>(seen.begin(), seen.end()), GetParam().seenLater);
}

// 0xD2 0xB1: SETB P3.1; 0xC2 0xB0: CLR P3.0; 0xD2 0xB0: SETB P3.0; 0x00: NOP;
// 0x30 0xB3 rel: JNB P3.3; 0x80 rel: SJMP; 0x75 0x90 0xFF: MOV P1,#0xFF; 0xE4: CLR A.
INSTANTIATE_TEST_SUITE_P(
    Code, WritesWithoutAStop,
    ::testing::Values(
        // The clock pulse of a bit: the rise is shown at the fall, which must stop itself.
        UnseenCase{"ClockPulse", {{0xD2, 0xB0}, {0x00}, {0xC2, 0xB0}, {0xE4}}, {0x100}},
        // Data, then the pulse: the data write would hide behind the unseen rise.
        UnseenCase{"DataThenPulse",
                   {{0xD2, 0xB1}, {0x00}, {0xD2, 0xB0}, {0x00}, {0xC2, 0xB0}, {0xE4}},
                   {0x103}},
        UnseenCase{"WriteBeforeAPinPoll", {{0xC2, 0xB0}, {0x30, 0xB3, 0xFD}}, {}},
        UnseenCase{"BranchBetween", {{0xD2, 0xB1}, {0x80, 0x00}, {0xC2, 0xB0}}, {}},
        UnseenCase{
            "ByteWritesAlwaysStop", {{0x75, 0x90, 0xFF}, {0xC2, 0xB0}, {0xD2, 0xB0}}, {0x103}},
        UnseenCase{"NothingFollows", {{0xD2, 0xB1}}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

struct DeferredCase {
  const char* name;
  std::vector<std::vector<uint8_t>> code;
  std::vector<std::pair<uint32_t, uint64_t>> deferred;  // address, cycles before 0x109
};

class DeferredWrites : public ::testing::TestWithParam<DeferredCase> {};

// A bit of a serial write, as SDCC compiles `if (b) SDIO = 1; else SDIO = 0; SCK = 1; SCK = 0;`
// at 0x100: either data write reaches the clock's fall at 0x109, whose latch shows which ran.
TEST_P(DeferredWrites, AreThoseALaterWriteRevealsWithTheirTime) {
  const std::vector<Instruction> code = Code(GetParam().code);
  const std::set<uint32_t> clock = {0x106, 0x109};
  std::vector<std::pair<uint32_t, uint64_t>> found;
  for (const DeferredWrite& write :
       WritesDeferredToALaterWrite(code, WritesSeenAtTheNextStop(code), clock)) {
    EXPECT_EQ(write.revealer, 0x109u);
    found.emplace_back(write.address, write.cycles);
  }
  EXPECT_EQ(found, GetParam().deferred);
}

// 0xD2 0xB1: SETB P3.1; 0xC2 0xB1: CLR P3.1; 0x80 0x02: SJMP over the next two bytes;
// 0xD2 0xB0 / 0xC2 0xB0: the clock; 0x00: NOP; 0xD2 0xAF: SETB EA; 0x30 0xB3 0x00: JNB P3.3.
INSTANTIATE_TEST_SUITE_P(
    Code, DeferredWrites,
    ::testing::Values(
        DeferredCase{"EitherDataWrite",
                     {{0xD2, 0xB1}, {0x80, 0x02}, {0xC2, 0xB1}, {0xD2, 0xB0}, {0x00}, {0xC2, 0xB0}},
                     {{0x100, 5}, {0x104, 3}}},
        DeferredCase{"InterruptsMayTakeTime",
                     {{0xD2, 0xB1},
                      {0x80, 0x02},
                      {0xC2, 0xB1},
                      {0xD2, 0xB0},
                      {0x00},
                      {0xC2, 0xB0},
                      {0xD2, 0xAF}},
                     {}},
        // Both set SDIO: the latch cannot tell which ran, so neither is deferred.
        DeferredCase{"TwoAlike",
                     {{0xD2, 0xB1}, {0x80, 0x02}, {0xD2, 0xB1}, {0xD2, 0xB0}, {0x00}, {0xC2, 0xB0}},
                     {}},
        // A read on the way must see the write: it stops a deferral.
        DeferredCase{"ReadOnTheWay",
                     {{0xD2, 0xB1}, {0x30, 0xB3, 0x00}, {0x00}, {0xD2, 0xB0}, {0x00}, {0xC2, 0xB0}},
                     {}},
        // P1's latch is not the one the fall of SCK on P3 reports.
        DeferredCase{"OtherPort",
                     {{0xD2, 0x91}, {0x80, 0x02}, {0xC2, 0x91}, {0xD2, 0xB0}, {0x00}, {0xC2, 0xB0}},
                     {}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kitbuilder::simulator
