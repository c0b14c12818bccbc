#include "engine/sdcc_dialect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <tuple>

#include "engine/build_sequence.h"
#include "engine/main_program_composer.h"
#include "tests/support/byte_diff.h"
#include "tests/support/memory_output_files.h"
#include "tests/support/recorded_settings.h"

namespace kitbuilder {
namespace {

using testing::kSettingsText;
using testing::MemoryOutputFiles;
using testing::SameBytes;

// The way back from SDCC's dialect, written apart from the product's mapping: if the two
// outputs ever differ in anything but the dialect, this does not give the C51 bytes again.
std::string BackToC51(std::string text) {
  for (const DialectRewrite& rewrite : kSdccMainProgramRewrites) {
    ReplaceAll(&text, rewrite.sdcc, rewrite.c51);
  }
  ReplaceAll(&text, kSdccTypeHeaderRewrite.sdcc, kSdccTypeHeaderRewrite.c51);
  // "__sbit __at (0xHH) NAME;<blanks>// Pp.b" back to "sbit NAME<blanks>= Pp^b;".
  std::string out;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size() - 1) + 1;
    std::string line = text.substr(start, end - start);
    start = end;
    constexpr std::string_view kPin = "__sbit __at (0x";
    if (line.rfind(kPin, 0) == 0) {
      const int address = std::stoi(line.substr(kPin.size(), 2), nullptr, 16);
      const std::size_t nameStart = kPin.size() + 4;
      const std::size_t semicolon = line.find(';', nameStart);
      const std::size_t comment = line.find("// P", semicolon);
      const std::size_t lineEnd = line.find_first_of("\r\n");
      const int port = line[comment + 4] - '0';
      const int bit = line[comment + 6] - '0';
      EXPECT_EQ(address, 0x80 + 16 * port + bit) << line;
      line = "sbit " + line.substr(nameStart, semicolon - nameStart) +
             line.substr(semicolon + 1, comment - semicolon - 1) + "= P" + std::to_string(port) +
             "^" + std::to_string(bit) + ";" + line.substr(lineEnd);
    }
    out += line;
  }
  return out;
}

using Combination = std::tuple<int32_t, int32_t, int32_t, int32_t>;

class SdccEquivalenceTest : public ::testing::TestWithParam<Combination> {};

TEST_P(SdccEquivalenceTest, MappingBackGivesTheC51FilesByteForByte) {
  const auto [mode, spiMode, wtrLine, rest] = GetParam();
  GenerationSettings settings = DefaultSettings(mode);
  settings.pins = {0, 0, 1, 7, 2, 5, 3, 7, 3, 4, wtrLine, spiMode};
  ModeValues values = DefaultModeValues(mode);
  values.restState = rest;
  PlaceModeValues(mode, values, &settings.rf);

  MemoryOutputFiles c51, sdcc;
  ASSERT_TRUE(RunBuildSequence(EmbeddedStore(), c51, "/out/", settings, kSettingsText).success);
  settings.compiler = TargetCompiler::kSdcc;
  ASSERT_TRUE(RunBuildSequence(EmbeddedStore(), sdcc, "/out/", settings, kSettingsText).success);

  const std::string& sdccMain = sdcc.files["/out/main.c"];
  EXPECT_EQ(sdccMain.find("sbit "), sdccMain.find("__sbit ") + 2) << "every pin line rewritten";
  EXPECT_EQ(sdccMain.find("reg52"), std::string::npos);
  EXPECT_TRUE(SameBytes(c51.files["/out/main.c"], BackToC51(sdccMain)));
  EXPECT_TRUE(SameBytes(c51.files["/out/define.h"], BackToC51(sdcc.files["/out/define.h"])));
  EXPECT_TRUE(SameBytes(c51.files["/out/K3960reg.h"], sdcc.files["/out/K3960reg.h"]));
  // Each file, its copy in the record and the recorded settings.
  EXPECT_EQ(c51.files.size(), 3u + 3u + 1u);
  EXPECT_EQ(sdcc.files.size(), 4u + 4u + 1u);
}

INSTANTIATE_TEST_SUITE_P(Matrix, SdccEquivalenceTest,
                         ::testing::Combine(::testing::Range(0, 4), ::testing::Values(0, 1),
                                            ::testing::Values(0, 1), ::testing::Values(0, 1)));

TEST(SdccDialectTest, PinLinesKeepTheirColumnsAndNameTheirPin) {
  const std::string c51 =
      "sbit SCS    = P0^0;\r\nsbit SDIO   = P3^7;\r\nsbit GIO2   = P2^5;\r\n#define RF_WTR  "
      "GIO1\r\n";
  EXPECT_EQ(MainProgramForSdcc(c51),
            "__sbit __at (0x80) SCS;    // P0.0\r\n"
            "__sbit __at (0xB7) SDIO;   // P3.7\r\n"
            "__sbit __at (0xA5) GIO2;   // P2.5\r\n"
            "#define RF_WTR  GIO1\r\n");
}

TEST(SdccDialectTest, TouchesNothingButTheDialect) {
  // Comments that merely contain the words stay as they are.
  const std::string text =
      "// RF ID code\r\n//send address, sbit idata code\r\nK3960_WriteID(); //write ID code\r\n";
  EXPECT_EQ(MainProgramForSdcc(text), text);
  EXPECT_EQ(TypeHeaderForSdcc("#include <intrins.h>\r\n"),
            "#define _nop_() __asm nop __endasm\r\n");
}

}  // namespace
}  // namespace kitbuilder
