#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/main_program_composer.h"
#include "engine/output_directory.h"
#include "tests/cli/cli_process.h"
#include "tests/cli/marker_store.h"
#include "tests/support/byte_diff.h"
#include "tests/support/same_settings.h"

namespace kitbuilder::cli {
namespace {

using Action = CommandLineOutcome::Action;

CommandLineOutcome Read(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "kitbuilder-cli");
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  return ReadCommandLine(static_cast<int>(argv.size()), argv.data());
}

std::string Compose(const GenerationSettings& settings) {
  std::string document;
  EXPECT_EQ(ComposeMainDocument(testing::MarkerStore(), settings.pins, settings.rfId,
                                settings.operatingMode, settings.rf, &document),
            0);
  return document;
}

/// The composed text of the settings that `arguments` ask for, or the refusal as a failure.
std::string ComposeFor(const std::vector<std::string>& arguments) {
  const CommandLineOutcome outcome = Read(arguments);
  EXPECT_EQ(outcome.action, Action::kBuild) << outcome.text;
  return Compose(outcome.request.settings);
}

std::string Joined(const std::vector<std::string>& arguments) {
  std::string text;
  for (const std::string& argument : arguments) text += " " + argument;
  return text;
}

TEST(CommandLineDefaults, EveryModeBuildsTheWindowsDefaultsIntoTheCurrentDirectory) {
  const struct {
    const char* mode;
    int32_t operatingMode;
  } modes[] = {{"tx", kModeTx}, {"rx", kModeRx}, {"tx-ack", kModeTxAck}, {"rx-ack", kModeRxAck}};
  for (const auto& mode : modes) {
    SCOPED_TRACE(mode.mode);
    const CommandLineOutcome outcome = Read({"-m", mode.mode});
    ASSERT_EQ(outcome.action, Action::kBuild) << outcome.text;
    EXPECT_EQ(outcome.request.settings.operatingMode, mode.operatingMode);
    EXPECT_EQ(Compose(outcome.request.settings), Compose(DefaultSettings(mode.operatingMode)));
    EXPECT_EQ(outcome.request.outputDirectory, CurrentOutputDirectory());
    EXPECT_FALSE(outcome.request.toStdout);
  }
}

/// For each option with a range: the last value accepted at one edge, what it must put into the
/// composed text, and the first value refused beyond that edge.
struct RangeEdge {
  std::vector<std::string> modeArguments;
  std::string option;
  std::string lastAccepted;
  std::string composedText;
  std::string firstRefused;
};

void PrintTo(const RangeEdge& edge, std::ostream* out) {
  *out << Joined(edge.modeArguments) << " " << edge.option << " " << edge.lastAccepted << " / "
       << edge.firstRefused;
}

class RangeEdges : public ::testing::TestWithParam<RangeEdge> {};

TEST_P(RangeEdges, LastValueAcceptedFirstValueRefused) {
  const RangeEdge& edge = GetParam();
  std::vector<std::string> accepted = edge.modeArguments;
  accepted.insert(accepted.end(), {edge.option, edge.lastAccepted});
  const std::string composed = ComposeFor(accepted);
  EXPECT_NE(composed.find(edge.composedText), std::string::npos) << edge.composedText << "\nin:\n"
                                                                 << composed;

  std::vector<std::string> refused = edge.modeArguments;
  refused.insert(refused.end(), {edge.option, edge.firstRefused});
  const CommandLineOutcome outcome = Read(refused);
  ASSERT_EQ(outcome.action, Action::kRefuse) << Joined(refused);
  EXPECT_NE(outcome.text.find(edge.option), std::string::npos) << outcome.text;
  EXPECT_NE(outcome.text.find("\"" + edge.firstRefused + "\""), std::string::npos) << outcome.text;
  EXPECT_NE(outcome.text.find("allowed"), std::string::npos) << outcome.text;
  EXPECT_EQ(outcome.text.find('\n'), std::string::npos) << outcome.text;
}

const std::vector<std::string> kTx{"-m", "tx"};
const std::vector<std::string> kRx{"-m", "rx"};
const std::vector<std::string> kTxAck{"-m", "tx-ack"};
const std::vector<std::string> kRxAck{"-m", "rx-ack"};

// Length and ack-length share one range, delay and wait another; each mode still places the
// value in its own slot.
INSTANTIATE_TEST_SUITE_P(
    NumbersAndPins, RangeEdges,
    ::testing::Values(RangeEdge{{}, "--channel", "166", "WriteReg( PLL1_REG, 166 );", "167"},
                      RangeEdge{{}, "--channel", "0", "WriteReg( PLL1_REG, 0 );", "-1"},
                      RangeEdge{{}, "--channel", "007", "WriteReg( PLL1_REG, 7 );", "99999999999"},
                      RangeEdge{kTx, "--length", "64", "TX=64 ", "65"},
                      RangeEdge{kRx, "--length", "1", "RX=1 ", "0"},
                      RangeEdge{kTxAck, "--length", "1", "TX=1 ", "0"},
                      RangeEdge{kRxAck, "--length", "64", "RX=64 ", "65"},
                      RangeEdge{kTxAck, "--ack-length", "64", "ACK=64 ", "65"},
                      RangeEdge{kRxAck, "--ack-length", "1", "ACK=1 ", "0"},
                      RangeEdge{kTx, "--delay", "255", "DELAY=255 ", "256"},
                      RangeEdge{kRx, "--delay", "0", "DELAY=0 ", "-1"},
                      RangeEdge{kTxAck, "--delay", "255", "DELAY=255 ", "256"},
                      RangeEdge{kRxAck, "--delay", "0", "DELAY=0 ", "-1"},
                      RangeEdge{kTxAck, "--wait", "255", "WAIT=255\r\n", "256"},
                      RangeEdge{kTxAck, "--wait", "0", "WAIT=0\r\n", "-1"},
                      // P0.7 is on a port and a bit that no other line has by default, so
                      // that a line written with another line's port or bit shows.
                      RangeEdge{{}, "--scs", "P0.7", "sbit SCS    = P0^7;\r\n", "P4.7"},
                      RangeEdge{{}, "--sck", "P0.7", "sbit SCK    = P0^7;\r\n", "P0.8"},
                      RangeEdge{{}, "--sdio", "P0.7", "sbit SDIO   = P0^7;\r\n", "P4.0"},
                      RangeEdge{{}, "--gio1", "P0.7", "sbit GIO1   = P0^7;\r\n", "P3.8"},
                      RangeEdge{{}, "--gio2", "P3.0", "sbit GIO2   = P3^0;\r\n", "P4.0"}));

INSTANTIATE_TEST_SUITE_P(
    ListsAndRfId, RangeEdges,
    ::testing::Values(
        RangeEdge{{}, "--tx-power", "0", "POWER=LoadStr 198 ", "1"},
        RangeEdge{{}, "--tx-power", "-6", "POWER=LoadStr 200 ", "-7"},
        RangeEdge{{}, "--tx-power", "-12", "POWER=LoadStr 202 ", "-16"},
        RangeEdge{{}, "--tx-power", "-4", "POWER=LoadStr 199 ", "4"},
        RangeEdge{{}, "--data-rate", "1M", "RATE=LoadStr 212 ", "1"},
        RangeEdge{{}, "--wtr", "GIO2", "#define RF_WTR  GIO2\r\n", "GIO3"},
        RangeEdge{{}, "--wiring", "4", "#define SDO     GIO2\r\n", "2"},
        RangeEdge{{}, "--rest", "standby", "PROCESS=LoadStr 193 ", "idle"},
        RangeEdge{{}, "-m", "rx-ack", "PROCESS=LoadStr 186 ", "rx_ack"},
        RangeEdge{{}, "--rf-id", "54,F,ff,0", "ID=0x54, 0xF, 0xFF, 0x0\r\n", "54,F,ff,100"},
        RangeEdge{{}, "--rf-id", "54,75,C5,2A", "ID=0x54, 0x75, 0xC5, 0x2A\r\n", "55,75,C5,2A"},
        RangeEdge{{}, "--rf-id", "54, 1, 2, 3", "ID=0x54, 0x1, 0x2, 0x3\r\n", "54,1,2,3,4"},
        RangeEdge{{}, "--rf-id", "54,a,b,c", "ID=0x54, 0xA, 0xB, 0xC\r\n", "54,a,,c"},
        RangeEdge{{}, "--rf-id", "54,0A,0B,0C", "ID=0x54, 0x0A, 0x0B, 0x0C\r\n", "54,0G,0B,0C"}));

TEST(CommandLineRefusals, MalformedValuesAreRefusedNamingTheOption) {
  const std::vector<std::vector<std::string>> refused{
      {"--channel", "+5"},        {"--channel", "12ab"},     {"--channel", ""},
      {"--length", "8x"},         {"--delay", " 8"},         {"--scs", "P1^1"},
      {"--scs", "P1."},           {"--scs", "1.1"},          {"--gio2", "Q3.4"},
      {"--tx-power", "-4dBm"},    {"--data-rate", "2M bps"}, {"--rf-id", "54,75,C5"},
      {"--rf-id", "54;75;C5;2A"}, {"--rf-id", ""},           {"--mode", "ack"},
      {"--compiler", "keil"},     {"--compiler", "sdcc3"},   {"--compiler", ""},
      {"--crystal", "12MHz"},     {"--crystal", "16 MHz"}};
  for (const std::vector<std::string>& arguments : refused) {
    const CommandLineOutcome outcome = Read(arguments);
    ASSERT_EQ(outcome.action, Action::kRefuse) << Joined(arguments);
    EXPECT_EQ(outcome.text.rfind(arguments[0], 0), 0u) << outcome.text;
    EXPECT_NE(outcome.text.find("\"" + arguments[1] + "\""), std::string::npos) << outcome.text;
  }
}

TEST(CommandLineRefusals, OptionsTheModeDoesNotUseAreRefused) {
  const std::vector<std::vector<std::string>> refused{
      {"-m", "rx", "--wait", "40"},      {"-m", "tx", "--wait", "40"},
      {"-m", "rx-ack", "--wait", "40"},  {"-m", "tx", "--ack-length", "8"},
      {"-m", "rx", "--ack-length", "8"}, {"--wait", "40"}};
  for (const std::vector<std::string>& arguments : refused) {
    const CommandLineOutcome outcome = Read(arguments);
    ASSERT_EQ(outcome.action, Action::kRefuse) << Joined(arguments);
    const std::string& option = arguments[arguments.size() - 2];
    EXPECT_NE(outcome.text.find(option), std::string::npos) << outcome.text;
    EXPECT_NE(outcome.text.find("not used"), std::string::npos) << outcome.text;
  }
}

TEST(CommandLineRefusals, ParserErrorsAreRefusalsNotExceptions) {
  for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
           {"--bogus"}, {"--channel"}, {"stray"}, {"--channel", "1", "--channel", "2"}}) {
    const CommandLineOutcome outcome = Read(arguments);
    EXPECT_EQ(outcome.action, Action::kRefuse) << Joined(arguments);
    EXPECT_FALSE(outcome.text.empty());
    EXPECT_EQ(outcome.text.find('\n'), std::string::npos) << outcome.text;
  }
}

TEST(CommandLineOutput, RelativeDirectoriesAreMadeAbsoluteWithOneTrailingSlash) {
  const std::string current = std::filesystem::current_path().string();
  const struct {
    const char* given;
    std::string expected;
  } cases[] = {
      {"out", NormalizeOutputDirectory(current + "/out")},
      {"/tmp/kit", "/tmp/kit/"},
      {"/tmp/kit/", "/tmp/kit/"},
      {"/", "/"},
  };
  for (const auto& testCase : cases) {
    const CommandLineOutcome outcome = Read({"--output", testCase.given});
    ASSERT_EQ(outcome.action, Action::kBuild) << outcome.text;
    EXPECT_EQ(outcome.request.outputDirectory, testCase.expected) << testCase.given;
  }
  EXPECT_EQ(Read({"-o", "out"}).request.outputDirectory, cases[0].expected);
}

TEST(CommandLineOutput, StdoutWritesNoFileAndTakesNoDirectory) {
  const CommandLineOutcome toStdout = Read({"--stdout"});
  ASSERT_EQ(toStdout.action, Action::kBuild) << toStdout.text;
  EXPECT_TRUE(toStdout.request.toStdout);
  EXPECT_EQ(toStdout.request.outputDirectory, "");

  const CommandLineOutcome both = Read({"--stdout", "-o", "/tmp"});
  ASSERT_EQ(both.action, Action::kRefuse);
  EXPECT_NE(both.text.find("--output"), std::string::npos) << both.text;

  const CommandLineOutcome empty = Read({"-o", ""});
  ASSERT_EQ(empty.action, Action::kRefuse);
  EXPECT_NE(empty.text.find("--output"), std::string::npos) << empty.text;
}

// The whole text up to the check's options, so that a changed range, default or wording of any
// option of a build shows.
TEST(CommandLineHelp, IsTheReviewedText) {
  const CommandLineOutcome outcome = Read({"--help"});
  ASSERT_EQ(outcome.action, Action::kShowHelp);
  EXPECT_TRUE(kitbuilder::testing::SameBytes(
      kitbuilder::testing::ReadFileBytes(KITBUILDER_GOLDEN_DIR "/kitbuilder-cli-help.txt"),
      outcome.text.substr(0, outcome.text.find("\n  --check ") + 1)));
}

/// A settings file in a scratch directory, removed with it.
class BoardFile {
 public:
  explicit BoardFile(const std::string& content) : path_(directory_.Path() + "/board.toml") {
    std::ofstream(path_, std::ios::binary) << content;
  }
  const std::string& Path() const { return path_; }

 private:
  testing::ScratchDirectory directory_;
  std::string path_;
};

TEST(CommandLineSettingsFile, OptionsOverrideTheFileAndTheRestComesFromIt) {
  const BoardFile file("mode = \"tx-ack\"\nchannel = 12\nlength = 20\nwait = 99\nwtr = \"GIO2\"\n");
  GenerationSettings fromFile = DefaultSettings(kModeTxAck);
  fromFile.rf.channel = 12;
  fromFile.pins.wtrLine = 1;
  PlaceModeValues(kModeTxAck, ModeValues{20, 8, 0, 10, 99}, &fromFile.rf);

  const CommandLineOutcome alone = Read({"--settings", file.Path()});
  ASSERT_EQ(alone.action, Action::kBuild) << alone.text;
  EXPECT_TRUE(kitbuilder::testing::SameSettings(fromFile, alone.request.settings));

  const CommandLineOutcome overridden =
      Read({"--channel", "30", "--settings", file.Path(), "--wait", "5", "--compiler", "sdcc"});
  ASSERT_EQ(overridden.action, Action::kBuild) << overridden.text;
  GenerationSettings expected = fromFile;
  expected.rf.channel = 30;
  expected.rf.modeValue5 = 5;
  expected.compiler = TargetCompiler::kSdcc;
  EXPECT_TRUE(kitbuilder::testing::SameSettings(expected, overridden.request.settings));
}

TEST(CommandLineSettingsFile, ModeChosenOnTheCommandLineKeepsTheFilesValuesAndItsOwnDefaults) {
  const BoardFile file("mode = \"tx-ack\"\nlength = 20\n");
  const CommandLineOutcome outcome = Read({"--settings", file.Path(), "-m", "rx"});
  ASSERT_EQ(outcome.action, Action::kBuild) << outcome.text;
  GenerationSettings expected = DefaultSettings(kModeRx);
  PlaceModeValues(kModeRx, ModeValues{20, 8, 0, 8, 40}, &expected.rf);
  EXPECT_TRUE(kitbuilder::testing::SameSettings(expected, outcome.request.settings));
}

TEST(CommandLineSettingsFile, RefusalsNameTheFileEvenWhereTheCommandLineWouldOverride) {
  const struct {
    const char* content;
    std::vector<std::string> options;
    const char* refusal;
  } cases[] = {
      // The window opens the file alone, so it must be valid alone.
      {"channel = 999\n", {"--channel", "12"}, ": channel \"999\" is not allowed"},
      {"chanel = 12\n", {}, ": unknown key \"chanel\""},
      {"mode = \"tx-ack\"\nwait = 40\n",
       {"-m", "rx"},
       ": wait \"40\" is not used in mode rx; it applies to tx-ack only"},
      {"", {}, ": holds no settings"},
  };
  for (const auto& testCase : cases) {
    const BoardFile file(testCase.content);
    std::vector<std::string> arguments{"--settings", file.Path()};
    arguments.insert(arguments.end(), testCase.options.begin(), testCase.options.end());
    const CommandLineOutcome outcome = Read(arguments);
    ASSERT_EQ(outcome.action, Action::kRefuse) << testCase.content;
    EXPECT_EQ(outcome.text.rfind(file.Path() + testCase.refusal, 0), 0u) << outcome.text;
  }
}

TEST(CommandLineSaveSettings, SavesTheEffectiveSettingsAndTakesNoOutputOption) {
  const BoardFile file("mode = \"rx\"\ndelay = 50\n");
  const CommandLineOutcome outcome =
      Read({"--settings", file.Path(), "--channel", "3", "--save-settings", "new.toml"});
  ASSERT_EQ(outcome.action, Action::kSaveSettings) << outcome.text;
  EXPECT_EQ(outcome.request.savedSettingsFile, "new.toml");
  GenerationSettings expected = DefaultSettings(kModeRx);
  expected.rf.channel = 3;
  PlaceModeValues(kModeRx, ModeValues{8, 8, 0, 50, 40}, &expected.rf);
  EXPECT_TRUE(kitbuilder::testing::SameSettings(expected, outcome.request.settings));

  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{"--save-settings", "new.toml", "-o", "out"},
                                             {"--save-settings", "new.toml", "--stdout"},
                                             {"--save-settings", "new.toml", "--channel", "200"}}) {
    const CommandLineOutcome refused = Read(arguments);
    EXPECT_EQ(refused.action, Action::kRefuse) << Joined(arguments);
    EXPECT_NE(refused.text.find(arguments[2]), std::string::npos) << refused.text;
  }
  EXPECT_EQ(Read({"--save-settings", ""}).text,
            "--save-settings \"\" is not allowed; allowed: the path of a file");
  EXPECT_EQ(Read({"--settings", ""}).text,
            "settings file \"\" is not allowed; allowed: the path of a file");
}

}  // namespace
}  // namespace kitbuilder::cli
