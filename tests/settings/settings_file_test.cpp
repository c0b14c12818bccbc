#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>

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
  if (compiler == TargetCompiler::kSdcc && spiMode == 1) settings.mcuClock = McuClock{22.1184, 6};
  return settings;
}

/// Every file that a build of `settings` writes, by path.
std::map<std::string, std::string> BuiltFiles(const GenerationSettings& settings) {
  MemoryOutputFiles files;
  EXPECT_TRUE(
      RunBuildSequence(EmbeddedStore(), files, "/out/", settings, SettingsFileText(settings))
          .success);
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

        const std::variant<GenerationSettings, Refusal> read = ReadSettingsFile(path);
        ASSERT_TRUE(std::holds_alternative<GenerationSettings>(read))
            << std::get<Refusal>(read).message;
        EXPECT_TRUE(SameSettings(saved, std::get<GenerationSettings>(read)));
        EXPECT_EQ(BuiltFiles(std::get<GenerationSettings>(read)), BuiltFiles(saved));
      }
    }
  }
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
    const std::variant<GenerationSettings, Refusal> read = ReadSettingsFile(testCase.path);
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
