// Runs the built kitbuilder-cli and checks what a user or a script sees: exit status, the two
// output streams and the files in the directory.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "engine/generation_settings.h"
#include "engine/main_program_composer.h"
#include "engine/sdcc_dialect.h"
#include "engine/text_store.h"
#include "engine/version.h"
#include "tests/cli/cli_process.h"
#include "tests/support/byte_diff.h"

namespace kitbuilder::cli {
namespace {

using kitbuilder::testing::ReadFileBytes;
using kitbuilder::testing::SameBytes;
using testing::ProcessResult;
using testing::RunCli;
using testing::ScratchDirectory;

// The three files and the build's record.
const std::set<std::string> kThreeFiles{".kitbuilder", "K3960reg.h", "define.h", "main.c"};

std::string StoredTemplate(int32_t id) {
  TemplateView view;
  EXPECT_EQ(OpenTemplate(EmbeddedStore(), id, &view), 0) << "template " << id;
  return std::string(view.bytes);
}

std::string ComposedMainProgram(const GenerationSettings& settings) {
  std::string document;
  EXPECT_EQ(ComposeMainDocument(EmbeddedStore(), settings.pins, settings.rfId,
                                settings.operatingMode, settings.rf, &document),
            0);
  return document;
}

// Into the current directory, and the same main.c printed with --stdout, which writes no file.
TEST(CliExecutable, BuildsWriteTheFilesOfTheirDialectAndPrintTheSameMainProgram) {
  const std::string sdccMain = MainProgramForSdcc(ComposedMainProgram(DefaultSettings(kModeTxAck)));
  EXPECT_NE(sdccMain, ComposedMainProgram(DefaultSettings(kModeTxAck)));
  const struct {
    std::vector<std::string> arguments;
    std::set<std::string> names;
    std::string mainProgram;
    std::string typeHeader;
  } cases[] = {
      {{}, kThreeFiles, ComposedMainProgram(DefaultSettings()), StoredTemplate(160)},
      {{"--compiler", "SDCC", "-m", "tx-ack"},
       {".kitbuilder", "K3960reg.h", "Makefile", "define.h", "main.c"},
       sdccMain,
       TypeHeaderForSdcc(StoredTemplate(160))},
  };
  for (const auto& testCase : cases) {
    ScratchDirectory directory;
    const ProcessResult result = RunCli(testCase.arguments, directory.Path());
    EXPECT_EQ(result.exitStatus, 0) << result.standardError;
    EXPECT_EQ(result.standardOutput, "All file creat success.\n");
    EXPECT_EQ(result.standardError, "");
    ASSERT_EQ(directory.Names(), testCase.names);
    EXPECT_TRUE(SameBytes(testCase.mainProgram, ReadFileBytes(directory.Path() + "/main.c")));
    EXPECT_TRUE(SameBytes(testCase.typeHeader, ReadFileBytes(directory.Path() + "/define.h")));
    EXPECT_TRUE(SameBytes(StoredTemplate(211), ReadFileBytes(directory.Path() + "/K3960reg.h")));

    ScratchDirectory printed;
    std::vector<std::string> toStdout = testCase.arguments;
    toStdout.push_back("--stdout");
    const ProcessResult print = RunCli(toStdout, printed.Path());
    EXPECT_EQ(print.exitStatus, 0) << print.standardError;
    EXPECT_TRUE(SameBytes(testCase.mainProgram, print.standardOutput));
    EXPECT_TRUE(printed.Names().empty());
  }
}

TEST(CliExecutable, RefusalsExitTwoWithOneLineNamingTheOptionAndWriteNothing) {
  const struct {
    std::vector<std::string> arguments;
    const char* named;
  } cases[] = {
      {{"--channel", "167"}, "--channel \"167\""},
      {{"-m", "rx", "--wait", "40"}, "--wait \"40\""},
      {{"--bogus"}, "--bogus"},
  };
  for (const auto& testCase : cases) {
    ScratchDirectory directory;
    std::vector<std::string> arguments{"-o", directory.Path()};
    arguments.insert(arguments.end(), testCase.arguments.begin(), testCase.arguments.end());
    const ProcessResult result = RunCli(arguments, directory.Path());
    EXPECT_EQ(result.exitStatus, 2) << testCase.named;
    EXPECT_EQ(result.standardOutput, "");
    EXPECT_NE(result.standardError.find(testCase.named), std::string::npos) << result.standardError;
    EXPECT_EQ(result.standardError.find('\n'), result.standardError.size() - 1)
        << result.standardError;
    EXPECT_TRUE(directory.Names().empty()) << testCase.named;
  }
}

TEST(CliExecutable, MissingOutputDirectoryFailsTheFirstStep) {
  ScratchDirectory directory;
  const ProcessResult result = RunCli({"-o", directory.Path() + "/missing"}, directory.Path());
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.standardOutput, "");
  EXPECT_EQ(result.standardError, "Creat main.c had some error!! ERROR CODE=-4\n");
  EXPECT_TRUE(directory.Names().empty());
}

TEST(CliExecutable, TwoLinesOnOnePinWarnAndStillBuild) {
  ScratchDirectory directory;
  const ProcessResult result = RunCli({"--gio2", "P1.1"}, directory.Path());
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.standardError, "kitbuilder-cli: warning: SCS and GIO2 are both on P1.1\n");
  EXPECT_EQ(result.standardOutput, "All file creat success.\n");
  EXPECT_EQ(directory.Names(), kThreeFiles);
}

TEST(CliExecutable, HelpAndVersionExitZeroAndBuildNothingEvenWithSettingsGiven) {
  for (const char* option : {"--help", "--version"}) {
    SCOPED_TRACE(option);
    ScratchDirectory directory;
    const ProcessResult result = RunCli({"--channel", "7", option}, directory.Path());
    EXPECT_EQ(result.exitStatus, 0);
    if (std::string(option) == "--version") {
      EXPECT_EQ(result.standardOutput, std::string("kitbuilder-cli ") + kVersion + "\n");
    } else {
      EXPECT_EQ(result.standardOutput.rfind("Writes the K3960", 0), 0u) << result.standardOutput;
    }
    EXPECT_EQ(result.standardError, "");
    EXPECT_TRUE(directory.Names().empty());
  }
}

TEST(CliExecutableSettingsFile, SavingOverTheFileThatWasReadChangesOnlyWhatTheOptionsSay) {
  // That the saved file builds what the options build, the window's settings file tests show
  // with every control changed.
  ScratchDirectory directory;
  const ProcessResult saved =
      RunCli({"-m", "rx", "--delay", "77", "--save-settings", "board.toml"}, directory.Path());
  ASSERT_EQ(saved.exitStatus, 0) << saved.standardError;
  EXPECT_EQ(saved.standardOutput, "Settings saved to board.toml.\n");
  EXPECT_EQ(saved.standardError, "");
  const ProcessResult resaved =
      RunCli({"--settings", "board.toml", "--channel", "12", "--save-settings", "board.toml"},
             directory.Path());
  EXPECT_EQ(resaved.exitStatus, 0) << resaved.standardError;
  const ProcessResult printed = RunCli({"--settings", "board.toml", "--stdout"}, directory.Path());
  ASSERT_EQ(printed.exitStatus, 0) << printed.standardError;
  GenerationSettings expected = DefaultSettings(kModeRx);
  expected.rf.channel = 12;
  PlaceModeValues(kModeRx, ModeValues{8, 8, 0, 77, 40}, &expected.rf);
  EXPECT_TRUE(SameBytes(ComposedMainProgram(expected), printed.standardOutput));
  EXPECT_EQ(directory.Names(), std::set<std::string>{"board.toml"});
}

TEST(CliExecutableSettingsFile, RefusedFilesExitTwoWithOneLineNamingThemAndWriteNothing) {
  const struct {
    const char* content;  ///< nullptr: board.toml does not exist
    const char* named;
  } cases[] = {
      // The reading rules are the settings reader's; here, that a refusal stops both commands.
      {"channel = 167\n", "board.toml: channel \"167\" is not allowed; allowed: 0..166"},
      {nullptr, "board.toml: cannot be read: No such file or directory"},
  };
  for (const auto& testCase : cases) {
    for (const char* action : {"-o", "--save-settings"}) {
      ScratchDirectory directory;
      if (testCase.content) std::ofstream(directory.Path() + "/board.toml") << testCase.content;
      std::filesystem::create_directory(directory.Path() + "/out");
      const std::string target = std::string(action) == "-o" ? "out" : "out/saved.toml";
      const ProcessResult result =
          RunCli({"--settings", "board.toml", action, target}, directory.Path());
      EXPECT_EQ(result.exitStatus, 2) << testCase.named;
      EXPECT_EQ(result.standardOutput, "");
      EXPECT_EQ(result.standardError.rfind("kitbuilder-cli: " + std::string(testCase.named), 0), 0u)
          << result.standardError;
      EXPECT_EQ(result.standardError.find('\n'), result.standardError.size() - 1)
          << result.standardError;
      EXPECT_TRUE(std::filesystem::is_empty(directory.Path() + "/out")) << testCase.named;
    }
  }
}

TEST(CliExecutableSettingsFile, SaveThatCannotBeWrittenExitsOneNamingTheFile) {
  ScratchDirectory directory;
  const ProcessResult result = RunCli({"--save-settings", "missing/board.toml"}, directory.Path());
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.standardOutput, "");
  EXPECT_EQ(result.standardError.rfind("kitbuilder-cli: writing missing/board.toml failed: ", 0),
            0u)
      << result.standardError;
  EXPECT_TRUE(directory.Names().empty());
}

}  // namespace
}  // namespace kitbuilder::cli
