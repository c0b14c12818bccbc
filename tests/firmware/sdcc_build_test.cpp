// The generated firmware of every configuration of the matrix, compiled with SDCC for a plain
// 8052 (8 KB of code, 256 bytes of internal RAM), and the pieces that get it there.

#include "tests/firmware/sdcc_build.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>

#include "firmware_units.h"

namespace k3960 {
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

class SdccCompile : public ::testing::TestWithParam<const FirmwareUnit*> {};

TEST_P(SdccCompile, FitsAPlain8052WithNoErrorAndNoWarningThatPointsAtAFault) {
  const std::string sdcc = KITBUILDER_SDCC;
  if (sdcc.empty() || !std::filesystem::exists(sdcc)) {
    GTEST_SKIP() << "sdcc was not found when the build was configured, so the firmware is not "
                    "compiled for the 8052; install SDCC (Debian: apt install sdcc) and "
                    "reconfigure to run this check";
  }
  const FirmwareConfig& config = GetParam()->config;
  const SdccBuild build = BuildWithSdcc(sdcc, config.sourceDir, KITBUILDER_SDCC_INCLUDE,
                                        std::string(KITBUILDER_SDCC_WORK) + "/" + config.name);
  ASSERT_TRUE(build.ran) << build.output;
  EXPECT_EQ(build.exitCode, 0) << build.output;
  for (const SdccDiagnostic& diagnostic : build.diagnostics) {
    EXPECT_NE(Accepted(diagnostic), nullptr) << "SDCC said: " << diagnostic.line;
  }
  ASSERT_TRUE(build.memory.has_value()) << "no memory report; SDCC said:\n" << build.output;
  EXPECT_LE(build.memory->codeBytes, kCodeLimit);
  EXPECT_GE(build.memory->stackBytes, kStackNeeded);
  std::cout << config.name << " (" << ModeName(config.mode) << "): code " << build.memory->codeBytes
            << " bytes, internal RAM " << build.memory->internalRamBytes << " bytes, "
            << build.memory->stackBytes << " left for the stack\n";
  RecordProperty("code_bytes", build.memory->codeBytes);
  RecordProperty("internal_ram_bytes", build.memory->internalRamBytes);
}

INSTANTIATE_TEST_SUITE_P(Matrix, SdccCompile, ::testing::ValuesIn(kMatrixUnits),
                         [](const auto& info) { return std::string(info.param->config.name); });

struct SbitCase {
  const char* name;
  const char* c51;
  const char* sdcc;
};

class SbitTranslation : public ::testing::TestWithParam<SbitCase> {};

TEST_P(SbitTranslation, GivesTheBitAddressOfThePortPin) {
  EXPECT_EQ(TranslateSbitLines(GetParam().c51), GetParam().sdcc);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SbitTranslation,
    ::testing::Values(
        SbitCase{"GeneratedLine", "sbit SCS    = P1^1;\r", "__sbit __at (0x91) SCS;\r"},
        SbitCase{"LowestPin", "sbit GIO2   = P0^0;", "__sbit __at (0x80) GIO2;"},
        SbitCase{"HighestPin", "sbit SDIO=P3^7;  // data", "__sbit __at (0xB7) SDIO;  // data"},
        SbitCase{"AmongOtherLines", "sbit X = P2^5;\nint y;\n", "__sbit __at (0xA5) X;\nint y;\n"},
        SbitCase{"IndentedIsNotADeclaration", "  sbit SCS = P1^1;", "  sbit SCS = P1^1;"},
        SbitCase{"NoSuchPort", "sbit SCS = P4^1;", "sbit SCS = P4^1;"},
        SbitCase{"OtherLine", "#define RF_WTR  GIO1", "#define RF_WTR  GIO1"}),
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
}

}  // namespace
}  // namespace k3960
