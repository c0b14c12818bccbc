#include "engine/sdcc_dialect.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <string>
#include <tuple>

#include "engine/build_sequence.h"
#include "engine/main_program_composer.h"
#include "tests/support/byte_diff.h"
#include "tests/support/fake_text_store.h"
#include "tests/support/memory_output_files.h"

namespace kitbuilder {
namespace {

using testing::MemoryOutputFiles;
using testing::SameBytes;

// The way back from SDCC's dialect, written apart from the product's mapping: if the two
// outputs ever differ in anything but the dialect, this does not give the C51 bytes again.
std::string BackToC51(std::string text) {
  for (const DialectRewrite& rewrite : kSdccMainProgramRewrites) {
    ReplaceAll(&text, rewrite.sdcc, rewrite.c51);
  }
  ReplaceAll(&text, kSdccTypeHeaderRewrite.sdcc, kSdccTypeHeaderRewrite.c51);
  const std::regex pin(R"(__sbit __at \(0x([0-9A-F]{2})\) (\w+);( +)// P([0-3])\.([0-7]))");
  std::string out;
  std::sregex_iterator it(text.begin(), text.end(), pin), end;
  std::size_t from = 0;
  for (; it != end; ++it) {
    const std::smatch& m = *it;
    const int port = std::stoi(m[4]);
    const int bit = std::stoi(m[5]);
    EXPECT_EQ(std::stoi(m[1], nullptr, 16), 0x80 + 16 * port + bit) << m[0];
    out.append(text, from, m.position(0) - from);
    out += "sbit " + m[2].str() + m[3].str() + "= P" + m[4].str() + "^" + m[5].str() + ";";
    from = m.position(0) + m.length(0);
  }
  out.append(text, from, std::string::npos);
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
  ASSERT_TRUE(RunBuildSequence(EmbeddedStore(), c51, "/out/", settings).success);
  settings.compiler = TargetCompiler::kSdcc;
  ASSERT_TRUE(RunBuildSequence(EmbeddedStore(), sdcc, "/out/", settings).success);

  const std::string& sdccMain = sdcc.files["/out/main.c"];
  EXPECT_EQ(sdccMain.find("sbit "), sdccMain.find("__sbit ") + 2) << "every pin line rewritten";
  EXPECT_EQ(sdccMain.find("reg52"), std::string::npos);
  EXPECT_TRUE(SameBytes(c51.files["/out/main.c"], BackToC51(sdccMain)));
  EXPECT_TRUE(SameBytes(c51.files["/out/define.h"], BackToC51(sdcc.files["/out/define.h"])));
  EXPECT_TRUE(SameBytes(c51.files["/out/K3960reg.h"], sdcc.files["/out/K3960reg.h"]));
  EXPECT_EQ(c51.files.size(), 3u);
  EXPECT_EQ(sdcc.files.size(), 4u);
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

TEST(SdccBuildTest, AMakefileThatCannotBeWrittenStopsTheBuildWithItsText) {
  GenerationSettings settings = DefaultSettings();
  settings.compiler = TargetCompiler::kSdcc;
  MemoryOutputFiles files;
  files.faults["/out/Makefile"] = {WriteOutcome::Status::kNotOpened, "denied"};
  EXPECT_EQ(RunBuildSequence(EmbeddedStore(), files, "/out/", settings).statusText,
            "Creat Makefile had some error!! ERROR CODE=-4");

  testing::FakeTextStore store = testing::CopyOfEmbeddedStore();
  store.Remove("TXT", 220);
  MemoryOutputFiles again;
  EXPECT_EQ(RunBuildSequence(store, again, "/out/", settings).statusText,
            "Creat Makefile had some error!! ERROR CODE=-1");
  EXPECT_EQ(again.files.size(), 3u);
}

}  // namespace
}  // namespace kitbuilder
