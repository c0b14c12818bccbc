// The SDCC output of every mode, built with the Makefile written beside it
// for a plain 8052 (8 KB of code, 256 bytes of internal RAM) by plain `sdcc -mmcs51`, and the
// pieces that read what the build leaves behind.

#include "simulator/firmware/sdcc_build.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/simulator/generated_firmware.h"

namespace kitbuilder::simulator {
namespace {

using ::testing::ElementsAre;
using ::testing::Field;

constexpr int kCodeLimit = 8192;
// The deepest call chain (main, initRF, K3960_Cal, CHGroupCal, K3960_ReadReg) needs eight bytes
// of return addresses; SDCC keeps locals out of the stack.
constexpr int kStackNeeded = 16;

/// A warning SDCC gives for the generated firmware that points at no fault, and why.
struct AcceptedWarning {
  int number;
  const char* reason;
};

const AcceptedWarning kAcceptedWarnings[] = {
    {84,
     "'auto' variable 'tmp' may be used before initialization: the read routines shift eight "
     "line samples into tmp, which pushes every undefined starting bit out"},
    {158,
     "overflow in implicit constant conversion: SDCC turns the delay loop `for (i = 0; i < 235; "
     "i++)` on a Uint8 into a count-down from 0xEB and warns about its own constant; the "
     "listing shows `mov r5,#0xeb` and `djnz`, 235 passes as written"},
};

const AcceptedWarning* Accepted(const SdccDiagnostic& diagnostic) {
  if (diagnostic.kind != SdccDiagnostic::Kind::kWarning) return nullptr;
  for (const AcceptedWarning& accepted : kAcceptedWarnings) {
    if (accepted.number == diagnostic.number) return &accepted;
  }
  return nullptr;
}

/// A firmware to build: a mode with one of the wirings.
struct CompileCase {
  const char* name;
  int32_t mode;
  int wires;
};

class SdccCompile : public ::testing::TestWithParam<CompileCase> {};

TEST_P(SdccCompile, BuildsWithItsMakefileToAHexFileWithNoWarningThatPointsAtAFault) {
  std::string missing;
  const auto tools = FindCheckTools(&missing);
  if (!tools) GTEST_SKIP() << missing;
  const CompileCase& c = GetParam();
  const SdccBuild build =
      BuildGenerated(*tools, SettingsOf(c.mode, c.wires, DefaultModeValues(c.mode)), c.name);
  ASSERT_TRUE(build.ran) << build.output;
  EXPECT_EQ(build.exitCode, 0) << build.output;
  for (const SdccDiagnostic& diagnostic : build.diagnostics) {
    EXPECT_NE(Accepted(diagnostic), nullptr) << "SDCC said: " << diagnostic.line;
  }
  EXPECT_EQ(build.hexExitCode, 0) << build.hexOutput;
  EXPECT_TRUE(build.hexWritten) << "make left no Intel HEX main.hex in " << build.workDir;
  ASSERT_TRUE(build.memory.has_value()) << "no memory report; SDCC said:\n" << build.output;
  EXPECT_LE(build.memory->codeBytes, kCodeLimit);
  EXPECT_GE(build.memory->stackBytes, kStackNeeded);
  RecordProperty("code_bytes", build.memory->codeBytes);
  RecordProperty("internal_ram_bytes", build.memory->internalRamBytes);
}

INSTANTIATE_TEST_SUITE_P(EveryMode, SdccCompile,
                         ::testing::Values(CompileCase{"tx_3w", kModeTx, 3},
                                           CompileCase{"rx_4w", kModeRx, 4},
                                           CompileCase{"txack_4w", kModeTxAck, 4},
                                           CompileCase{"rxack_3w", kModeRxAck, 3}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SdccDiagnostics, SortsWarningsErrorsAndOtherLines) {
  const auto diagnostics = ParseDiagnostics(
      "main.c:3: warning 84: 'auto' variable 'tmp' may be used before initialization\n"
      "main.c:9: error 20: Undefined identifier 'buf'\n"
      "main.c:9: syntax error: token -> 'buf' ; column 23\n"
      "\n"
      "?ASlink-Error-Could not get 300 consecutive bytes in internal RAM\n"
      "some note\n");
  EXPECT_THAT(diagnostics,
              ElementsAre(Field(&SdccDiagnostic::number, 84), Field(&SdccDiagnostic::number, 20),
                          Field(&SdccDiagnostic::kind, SdccDiagnostic::Kind::kError),
                          Field(&SdccDiagnostic::kind, SdccDiagnostic::Kind::kError),
                          Field(&SdccDiagnostic::kind, SdccDiagnostic::Kind::kOther)));
  EXPECT_EQ(diagnostics[0].kind, SdccDiagnostic::Kind::kWarning);
  EXPECT_EQ(diagnostics[1].kind, SdccDiagnostic::Kind::kError);
}

TEST(SdccDiagnostics, TakesANumberTooLongForOneAsNone) {
  const auto diagnostics = ParseDiagnostics("main.c:3: warning 99999999999999999999: odd\n");
  ASSERT_EQ(diagnostics.size(), 1u);
  EXPECT_EQ(diagnostics[0].kind, SdccDiagnostic::Kind::kWarning);
  EXPECT_EQ(diagnostics[0].number, 0);
}

TEST(SdccMemoryReport, GivesCodeSizeAndInternalRamBelowTheStack) {
  const auto use = ParseMemoryReport(
      "Stack starts at: 0x48 (sp set to 0x47) with 184 bytes available.\n"
      "No spare internal RAM space left.\n\n"
      "Other memory:\n"
      "   Name             Start    End      Size     Max     \n"
      "   ---------------- -------- -------- -------- --------\n"
      "   PAGED EXT. RAM                         0      256   \n"
      "   EXTERNAL RAM                           0    65536   \n"
      "   ROM/EPROM/FLASH  0x0000   0x0a1f     2592     8192   \n");
  ASSERT_TRUE(use.has_value());
  EXPECT_EQ(use->codeBytes, 2592);
  EXPECT_EQ(use->stackBytes, 184);
  EXPECT_EQ(use->internalRamBytes, 72);
  EXPECT_FALSE(ParseMemoryReport("Internal RAM layout:\n").has_value());
  EXPECT_FALSE(ParseMemoryReport("Stack starts at: 0x48 (sp set to 0x47) with "
                                 "99999999999999999999 bytes available.\n"
                                 "   ROM/EPROM/FLASH  0x0000   0x0a1f     2592     8192   \n")
                   .has_value());
}

TEST(SdccLinkMap, GivesSymbolsCodeSymbolsAndAreas) {
  const LinkMap map = ParseLinkMap(
      "Area                                    Addr        Size        Decimal Bytes\n"
      "CSEG                                00000062    000002EB =         747. bytes "
      "(REL,CON,CODE)\n"
      "C:   00000062  _main                              main\n"
      "C:   000000CD  _Err_State                         main\n"
      "C:   000002D9  l_CSEG\n"
      "CONST                               0000034D    000000B6 =         182. bytes "
      "(REL,CON,CODE)\n"
      "C:   0000034D  _PN9_Tab                           main\n"
      "     00000009  _RfBuf                             main\n");
  EXPECT_EQ(map.symbols.at("_main"), 0x62u);
  EXPECT_EQ(map.symbols.at("_RfBuf"), 0x09u);
  EXPECT_EQ(map.areas.at("CONST"), 0x34Du);
  EXPECT_EQ(map.code.count(0x2D9), 0u) << "the linker's own l_ and s_ symbols are no code";
  EXPECT_EQ(map.code.count(0x09), 0u) << "data symbols are no code";
  EXPECT_EQ(map.CodeSymbolAt(0xCF), "_Err_State");
  EXPECT_EQ(map.CodeSymbolAt(0x62), "_main");
  EXPECT_EQ(map.CodeSymbolAt(0x10), "?");
  EXPECT_EQ(map.EndOfFunction(0x62), 0xCDu);
  EXPECT_EQ(map.EndOfFunction(0xCD), 0x34Du) << "the constants end the last function";
}

struct HexCase {
  const char* name;
  const char* text;
  bool valid;
};

class IntelHex : public ::testing::TestWithParam<HexCase> {};

TEST_P(IntelHex, IsRecognisedByItsRecordsAndChecksums) {
  EXPECT_EQ(IsIntelHex(GetParam().text), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(
    Files, IntelHex,
    ::testing::Values(HexCase{"DataAndEnd", ":03000000020006F5\n:00000001FF\n", true},
                      HexCase{"WindowsLineEnds", ":03000000020006F5\r\n:00000001FF\r\n", true},
                      HexCase{"BadChecksum", ":03000000020006F6\n:00000001FF\n", false},
                      HexCase{"LengthDisagrees", ":04000000020006F5\n:00000001FF\n", false},
                      HexCase{"NoEndRecord", ":03000000020006F5\n", false},
                      HexCase{"RecordAfterTheEnd", ":00000001FF\n:03000000020006F5\n", false},
                      HexCase{"NotHex", "main.ihx: no such file\n", false},
                      HexCase{"Empty", "", false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kitbuilder::simulator
