#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "engine/build_sequence.h"
#include "engine/text_store.h"
#include "tests/support/memory_output_files.h"
#include "tests/support/same_settings.h"
#include "tests/support/scratch_directory.h"

namespace kitbuilder::settings {
namespace {

using kitbuilder::testing::MemoryOutputFiles;
using testing::SameSettings;
using testing::ScratchDirectory;

constexpr int32_t kEveryMode[] = {kModeTx, kModeRx, kModeTxAck, kModeRxAck};

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

/// Every value away from its default, so that a value lost on the way shows.
GenerationSettings Unusual(int32_t mode, int32_t spiMode, TargetCompiler compiler) {
  GenerationSettings settings = DefaultSettings(mode);
  settings.pins = {0, 7, 2, 5, 1, 0, 2, 2, 0, 3, 1, spiMode};
  settings.rfId = {"0x54", "0xA", "0x0B", "0xFF"};
  settings.rf.channel = 37;
  settings.rf.txPowerIndex = 3;
  settings.rf.dataRateIndex = 1;
  PlaceModeValues(mode, ModeValues{17, 5, 1, 200, 99}, &settings.rf);
  settings.compiler = compiler;
  return settings;
}

/// Every file that a build of `settings` writes, by path.
std::map<std::string, std::string> BuiltFiles(const GenerationSettings& settings) {
  MemoryOutputFiles files;
  EXPECT_TRUE(RunBuildSequence(EmbeddedStore(), files, "/out/", settings).success);
  return files.files;
}

std::string Describe(const GenerationSettings& settings) {
  return std::string(ModeOptionText(settings.operatingMode)) + ", wiring " +
         std::to_string(settings.pins.spiMode + 3) + ", " +
         SettingText(settings, Setting::kCompiler);
}

TEST(SettingsFileRoundTrip, EveryModeWiringAndCompilerReadsBackToTheSameFirmware) {
  ScratchDirectory directory;
  const std::string path = directory.Path() + "/board.toml";
  for (int32_t mode : kEveryMode) {
    for (int32_t spiMode : {0, 1}) {
      for (TargetCompiler compiler : {TargetCompiler::kC51, TargetCompiler::kSdcc}) {
        const GenerationSettings saved = Unusual(mode, spiMode, compiler);
        SCOPED_TRACE(Describe(saved));
        MemoryOutputFiles files;
        ASSERT_FALSE(WriteSettingsFile(files, path, saved));
        WriteText(path, files.files[path]);

        const std::variant<SettingsFile, Refusal> read = ReadSettingsFile(path);
        ASSERT_TRUE(std::holds_alternative<SettingsFile>(read)) << std::get<Refusal>(read).message;
        const SettingsFile& file = std::get<SettingsFile>(read);
        EXPECT_TRUE(SameSettings(saved, file.settings));
        EXPECT_EQ(BuiltFiles(file.settings), BuiltFiles(saved));
        EXPECT_TRUE(file.given.length && file.given.restState && file.given.delayMs);
        EXPECT_EQ(file.given.ackLength, mode == kModeTxAck || mode == kModeRxAck);
        EXPECT_EQ(file.given.wait100us, mode == kModeTxAck);
      }
    }
  }
}

TEST(SettingsFileText, HoldsEveryKeyTheModeUsesOnceInTheFormsOrderEachUnderItsComment) {
  for (int32_t mode : kEveryMode) {
    SCOPED_TRACE(ModeOptionText(mode));
    const std::string text = SettingsFileText(DefaultSettings(mode));
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
      if (!line.empty()) lines.push_back(line);
    }
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front().rfind("# ", 0), 0u) << lines.front();

    std::vector<Setting> expected;
    for (Setting setting : kAllSettings) {
      if (ModeUses(mode, setting)) expected.push_back(setting);
    }
    ASSERT_EQ(lines.size(), 1 + 2 * expected.size()) << text;
    for (std::size_t i = 0; i < expected.size(); ++i) {
      const std::string name(SettingName(expected[i]));
      EXPECT_EQ(lines[1 + 2 * i], "# " + std::string(SettingMeaning(expected[i])) +
                                      "; allowed: " + std::string(SettingAllowed(expected[i])));
      EXPECT_EQ(lines[2 + 2 * i].rfind(name + "=", 0), 0u) << name << " in " << lines[2 + 2 * i];
    }
  }
}

TEST(SettingsFileText, QuotesTextsAndLeavesNumbersBare) {
  GenerationSettings settings = DefaultSettings(kModeTxAck);
  settings.rf.txPowerIndex = 4;
  const std::string text = SettingsFileText(settings);
  for (const char* line :
       {"\nchannel=100\n", "\ntx-power=-12\n", "\nrf-id=\"54,75,C5,2A\"\n", "\nscs=\"P1.1\"\n",
        "\nmode=\"tx-ack\"\n", "\nwait=40\n", "\ncompiler=\"c51\"\n", "\nwiring=3\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line << "in\n" << text;
  }
}

/// Reads `text` as the file "board.toml", a relative path as a user gives it.
std::variant<SettingsFile, Refusal> ReadText(const std::string& text) {
  ScratchDirectory directory;
  WriteText(directory.Path() + "/board.toml", text);
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(directory.Path());
  std::variant<SettingsFile, Refusal> read = ReadSettingsFile("board.toml");
  std::filesystem::current_path(previous);
  return read;
}

TEST(SettingsFileRead, RefusesWhatTheCommandLineWouldAndWhatIsNoSettingNamingFileAndKey) {
  const struct {
    const char* content;
    const char* message;
  } cases[] = {
      {"chanel = 12\n",
       "board.toml: unknown key \"chanel\"; allowed keys: channel, crystal, data-rate, tx-power, "
       "rf-id, scs, sck, sdio, gio1, gio2, wtr, wiring, compiler, mode, length, ack-length, rest, "
       "delay, wait"},
      {"mode = \"tx\"\nChannel = 12\n", "board.toml: unknown key \"Channel\";"},
      {"mode = \"ack\"\n",
       "board.toml: mode \"ack\" is not allowed; allowed: tx, rx, tx-ack, rx-ack"},
      {"channel = 167\n", "board.toml: channel \"167\" is not allowed; allowed: 0..166"},
      {"channel = \"abc\"\n", "board.toml: channel \"abc\" is not allowed; allowed: 0..166"},
      {"channel = 1.5\n", "board.toml: channel \"1.5\" is not allowed; allowed: 0..166"},
      {"channel = true\n", "board.toml: channel \"true\" is not allowed"},
      {"channel\n", "board.toml: channel \"true\" is not allowed"},
      {"channel =\n", "board.toml: channel \"\" is not allowed"},
      {"channel = [1,2]\n", "board.toml: channel holds 2 values; allowed: one value"},
      {"channel = []\n", "board.toml: channel holds 0 values; allowed: one value"},
      {"rf-id = 54,75,C5,2A\n",
       "board.toml: rf-id holds 4 values; allowed: one value, a text with commas in quotes"},
      {"channel = 12\nmode = \"rx\"\nchannel = 14\n",
       "board.toml: channel is given twice; allowed: once"},
      {"mode = \"rx\"\nwait = 40\n",
       "board.toml: wait \"40\" is not used in mode rx; it applies to tx-ack only"},
      {"ack-length = 8\n", "board.toml: ack-length \"8\" is not used in mode tx;"},
      {"[board]\nchannel = 12\n", "board.toml: section or dotted key \"board\" is not allowed;"},
      {"radio.channel = 12\n", "board.toml: section or dotted key \"radio\" is not allowed;"},
      {"channel = 12\nx\n", "board.toml: line 2 \"x\" is not a setting; allowed: key = value"},
      {"", "board.toml: holds no settings;"},
      {"# only a comment\n\n   \n", "board.toml: holds no settings;"},
  };
  for (const auto& testCase : cases) {
    const std::variant<SettingsFile, Refusal> read = ReadText(testCase.content);
    ASSERT_TRUE(std::holds_alternative<Refusal>(read)) << testCase.content;
    const std::string& message = std::get<Refusal>(read).message;
    EXPECT_EQ(message.rfind(testCase.message, 0), 0u) << testCase.content << "gave: " << message;
    EXPECT_EQ(message.find('\n'), std::string::npos) << message;
  }
}

TEST(SettingsFileRead, AcceptsTheUsualWaysOfWritingTomlByHand) {
  const std::string text =
      "# board 7\r\n"
      "mode = 'TX-ACK'\r\n"
      "\tchannel\t=  \"12\"   # the quiet one\r\n"
      "rf-id = \"54, a, 0b, ff\"\r\n"
      "scs = \"p2.5\"\r\n"
      "wait = 0\r\n";
  const std::variant<SettingsFile, Refusal> read = ReadText(text);
  ASSERT_TRUE(std::holds_alternative<SettingsFile>(read)) << std::get<Refusal>(read).message;
  const SettingsFile& file = std::get<SettingsFile>(read);
  GenerationSettings expected = DefaultSettings(kModeTxAck);
  expected.rf.channel = 12;
  expected.rfId = {"0x54", "0xA", "0x0B", "0xFF"};
  expected.pins.scsPort = 2;
  expected.pins.scsPin = 5;
  PlaceModeValues(kModeTxAck, ModeValues{9, 8, 0, 10, 0}, &expected.rf);
  EXPECT_TRUE(SameSettings(expected, file.settings));
  EXPECT_TRUE(file.given.wait100us);
  EXPECT_FALSE(file.given.length || file.given.ackLength || file.given.restState ||
               file.given.delayMs);
}

TEST(SettingsFileRead, FilesThatCannotBeReadAreRefusedNamingThePath) {
  ScratchDirectory directory;
  const std::string tooLarge = directory.Path() + "/large.toml";
  WriteText(tooLarge, "channel = 12\n" + std::string(64 * 1024, '#') + "\n");
  const struct {
    std::string path;
    const char* reason;
  } cases[] = {
      {directory.Path() + "/missing.toml", ": cannot be read: No such file or directory"},
      {directory.Path(), ": is a directory; allowed: a settings file"},
      {tooLarge, ": is larger than 64 KiB"},
  };
  for (const auto& testCase : cases) {
    const std::variant<SettingsFile, Refusal> read = ReadSettingsFile(testCase.path);
    ASSERT_TRUE(std::holds_alternative<Refusal>(read)) << testCase.path;
    EXPECT_EQ(std::get<Refusal>(read).message.rfind(testCase.path + testCase.reason, 0), 0u)
        << std::get<Refusal>(read).message;
  }
}

TEST(SettingsFileWrite, WritesTheTextOrReportsTheFileAndTheSystemError) {
  const GenerationSettings settings = Unusual(kModeRx, 1, TargetCompiler::kSdcc);
  MemoryOutputFiles files;
  EXPECT_FALSE(WriteSettingsFile(files, "/boards/a.toml", settings));
  EXPECT_EQ(files.files["/boards/a.toml"], SettingsFileText(settings));

  files.faults["/boards/b.toml"] = {WriteOutcome::Status::kNotOpened, "Permission denied"};
  const std::optional<WriteError> error = WriteSettingsFile(files, "/boards/b.toml", settings);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->path, "/boards/b.toml");
  EXPECT_EQ(error->systemError, "Permission denied");
  EXPECT_EQ(files.files.count("/boards/b.toml"), 0u);
}

}  // namespace
}  // namespace kitbuilder::settings
