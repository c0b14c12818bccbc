#include "engine/build_sequence.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <set>
#include <string>

#include "tests/support/byte_diff.h"
#include "tests/support/fake_text_store.h"
#include "tests/support/memory_output_files.h"
#include "tests/support/recorded_settings.h"
#include "tests/support/scratch_directory.h"

namespace kitbuilder {
namespace {

using testing::CopyOfEmbeddedStore;
using testing::FakeTextStore;
using testing::kSettingsText;
using testing::MemoryOutputFiles;
using testing::ReadFileBytes;
using testing::SameBytes;
using testing::ScratchDirectory;

std::string StoredTemplate(uint16_t id) {
  return std::string(EmbeddedStore().Fetch("TXT", id).bytes);
}

TEST(BuildSequenceTest, WritesTheThreeFilesInOrderAndReportsSuccess) {
  MemoryOutputFiles files;
  const BuildOutcome outcome =
      RunBuildSequence(EmbeddedStore(), files, "/out/", DefaultSettings(kModeRx), kSettingsText);
  EXPECT_TRUE(outcome.success);
  EXPECT_EQ(outcome.statusText, "All file creat success.");
  EXPECT_EQ(
      files.writeOrder,
      (std::vector<std::string>{"/out/main.c", "/out/define.h", "/out/K3960reg.h",
                                "/out/.kitbuilder/main.c", "/out/.kitbuilder/define.h",
                                "/out/.kitbuilder/K3960reg.h", "/out/.kitbuilder/settings.toml"}));
  EXPECT_TRUE(SameBytes(StoredTemplate(160), files.files["/out/define.h"]));
  EXPECT_TRUE(SameBytes(StoredTemplate(211), files.files["/out/K3960reg.h"]));
  EXPECT_EQ(files.directories, std::set<std::string>{"/out/.kitbuilder"});
  for (const char* name : {"main.c", "define.h", "K3960reg.h"}) {
    EXPECT_TRUE(SameBytes(files.files["/out/" + std::string(name)],
                          files.files["/out/.kitbuilder/" + std::string(name)]))
        << name;
  }
  EXPECT_EQ(files.files["/out/.kitbuilder/settings.toml"], kSettingsText);
}

struct StopCase {
  const char* name;
  uint16_t missingTemplate;  // 0: none
  FetchStatus stage;
  const char* failingPath;  // a file whose open fails, or ""
  const char* statusText;
  std::size_t filesWritten;
};

class BuildStopsTest : public ::testing::TestWithParam<StopCase> {};

TEST_P(BuildStopsTest, TheFirstFailingStepStopsTheSequenceWithItsText) {
  const StopCase& c = GetParam();
  FakeTextStore store = CopyOfEmbeddedStore();
  if (c.missingTemplate != 0) store.Fail("TXT", c.missingTemplate, c.stage);
  MemoryOutputFiles files;
  if (*c.failingPath) files.faults[c.failingPath] = {WriteOutcome::Status::kNotOpened, "denied"};

  // SDCC's build has the most steps: the Makefile comes last.
  GenerationSettings settings = DefaultSettings();
  settings.compiler = TargetCompiler::kSdcc;
  const BuildOutcome outcome = RunBuildSequence(store, files, "/out/", settings, kSettingsText);
  EXPECT_FALSE(outcome.success);
  EXPECT_EQ(outcome.statusText, c.statusText);
  EXPECT_EQ(files.files.size(), c.filesWritten);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, BuildStopsTest,
    ::testing::Values(StopCase{"SkeletonMissing", 161, FetchStatus::kNotFound, "",
                               "Creat main.c had some error!! ERROR CODE=-1", 0},
                      StopCase{"SkeletonNotLoadable", 161, FetchStatus::kNotLoadable, "",
                               "Creat main.c had some error!! ERROR CODE=-2", 0},
                      StopCase{"TypeHeaderMissing", 160, FetchStatus::kNotFound, "",
                               "Creat define.h had some error!! ERROR CODE=-1", 1},
                      StopCase{"TypeHeaderNoBytes", 160, FetchStatus::kNoBytes, "",
                               "Creat define.h had some error!! ERROR CODE=-3", 1},
                      StopCase{"RegisterHeaderNotLoadable", 211, FetchStatus::kNotLoadable, "",
                               "Creat k3960reg.h had some error!! ERROR CODE=-2", 2},
                      StopCase{"MainNotCreatable", 0, FetchStatus::kFound, "/out/main.c",
                               "Creat main.c had some error!! ERROR CODE=-4", 0},
                      StopCase{"TypeHeaderHeldOpen", 0, FetchStatus::kFound, "/out/define.h",
                               "Creat define.h had some error!! ERROR CODE=-4", 1},
                      StopCase{"RegisterHeaderNotCreatable", 0, FetchStatus::kFound,
                               "/out/K3960reg.h", "Creat k3960reg.h had some error!! ERROR CODE=-4",
                               2},
                      StopCase{"MakefileMissing", 220, FetchStatus::kNotFound, "",
                               "Creat Makefile had some error!! ERROR CODE=-1", 3},
                      StopCase{"MakefileNotCreatable", 0, FetchStatus::kFound, "/out/Makefile",
                               "Creat Makefile had some error!! ERROR CODE=-4", 3}),
    [](const auto& info) { return std::string(info.param.name); });

// The real disk: the faults a user meets. A directory that is missing or refuses new files
// stops the first step and creates nothing; a directory standing where define.h belongs stops at
// that file.
TEST(BuildOnDiskTest, AnOpenThatFailsGivesMinusFourAtThatFile) {
  ScratchDirectory scratch;
  ASSERT_EQ(mkdir((scratch / "taken").c_str(), 0755), 0);
  ASSERT_EQ(mkdir((scratch / "taken/define.h").c_str(), 0755), 0);
  const struct {
    std::string directory;
    const char* statusText;
    std::set<std::string> names;
  } cases[] = {
      {scratch / "absent/", "Creat main.c had some error!! ERROR CODE=-4", {}},
      // /proc refuses new files even to root, which a chmod'ed scratch directory would not.
      {"/proc/", "Creat main.c had some error!! ERROR CODE=-4", {}},
      {scratch / "taken/", "Creat define.h had some error!! ERROR CODE=-4", {"define.h", "main.c"}},
  };
  DiskOutputFiles disk;
  for (const auto& c : cases) {
    const BuildOutcome outcome =
        RunBuildSequence(EmbeddedStore(), disk, c.directory, DefaultSettings(), kSettingsText);
    EXPECT_EQ(outcome.statusText, c.statusText) << c.directory;
    if (c.directory != "/proc/") {
      EXPECT_EQ(ScratchDirectory::NamesIn(c.directory), c.names);
    }
  }
  EXPECT_FALSE(scratch.Exists("absent"));
}

TEST(BuildOnDiskTest, AFullDiskIsReportedWithTheSystemsError) {
  ScratchDirectory scratch;
  ASSERT_EQ(symlink("/dev/full", (scratch.Output() + "main.c").c_str()), 0);
  DiskOutputFiles disk;
  const BuildOutcome outcome =
      RunBuildSequence(EmbeddedStore(), disk, scratch.Output(), DefaultSettings(), kSettingsText);
  EXPECT_FALSE(outcome.success);
  ASSERT_TRUE(outcome.writeError);
  EXPECT_EQ(outcome.writeError->path, scratch.Output() + "main.c");
  EXPECT_EQ(outcome.writeError->systemError, "No space left on device");
  EXPECT_FALSE(scratch.Exists("define.h"));
}

TEST(BuildOnDiskTest, ADeepOutputDirectoryWorks) {
  ScratchDirectory scratch;
  std::string deep = scratch.Output();
  for (int i = 0; i < 8; ++i) {
    deep += std::string(60, static_cast<char>('a' + i)) + "/";
    ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
  }
  ASSERT_GT(deep.size(), 260u);
  DiskOutputFiles disk;
  EXPECT_TRUE(
      RunBuildSequence(EmbeddedStore(), disk, deep, DefaultSettings(), kSettingsText).success);
  EXPECT_FALSE(ReadFileBytes(deep + "K3960reg.h").empty());
}

TEST(MainProgramBackupTest, ABackupThatCannotBeWrittenLeavesMainCAlone) {
  MemoryOutputFiles files;
  files.files["/out/main.c"] = "edited by the user";
  files.faults["/out/main.c.bak"] = {WriteOutcome::Status::kNotOpened, "denied"};
  BuildOutcome outcome =
      RunBuildSequence(EmbeddedStore(), files, "/out/", DefaultSettings(), kSettingsText);
  EXPECT_EQ(outcome.statusText, "Creat main.c had some error!! ERROR CODE=-4");
  EXPECT_EQ(files.files["/out/main.c"], "edited by the user");

  files.faults["/out/main.c.bak"] = {WriteOutcome::Status::kFailed, "No space left on device"};
  outcome = RunBuildSequence(EmbeddedStore(), files, "/out/", DefaultSettings(), kSettingsText);
  ASSERT_TRUE(outcome.writeError);
  EXPECT_EQ(outcome.writeError->path, "/out/main.c.bak");
  EXPECT_EQ(files.files["/out/main.c"], "edited by the user");
  EXPECT_TRUE(outcome.notices.empty());
}

}  // namespace
}  // namespace kitbuilder
