#include "cli/build_command.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "cli/exit_status.h"
#include "engine/main_program_composer.h"
#include "settings/settings_text.h"
#include "tests/cli/marker_store.h"
#include "tests/support/memory_output_files.h"

namespace kitbuilder::cli {
namespace {

/// A stream buffer that refuses every byte, like a standard output on a full disk.
class RefusingBuffer : public std::streambuf {
 protected:
  int_type overflow(int_type) override { return traits_type::eof(); }
};

using kitbuilder::testing::MemoryOutputFiles;

struct CommandRun {
  int exitStatus;
  std::string out;
  std::string err;
};

CommandRun RunRequest(const BuildRequest& request, const TextStore& store, OutputFiles& files) {
  std::ostringstream out;
  std::ostringstream err;
  const int exitStatus = RunBuildCommand(request, store, files, out, err);
  return {exitStatus, out.str(), err.str()};
}

BuildRequest ToDirectory(const std::string& directory) {
  BuildRequest request;
  request.settings = DefaultSettings();
  request.outputDirectory = directory;
  return request;
}

TEST(BuildCommand, SuccessWritesTheThreeFilesAndPrintsTheStatusOnStandardOutput) {
  MemoryOutputFiles files;
  const CommandRun run = RunRequest(ToDirectory("/out/"), testing::MarkerStore(), files);
  EXPECT_EQ(run.exitStatus, kExitSuccess);
  EXPECT_EQ(run.out, "All file creat success.\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(files.files["/out/.kitbuilder/settings.toml"],
            settings::SettingsFileText(DefaultSettings()));
  EXPECT_EQ(files.files["/out/define.h"], testing::kMarkerTypeHeader);
  EXPECT_NE(files.files["/out/main.c"].find("PLL1_REG, 100 )"), std::string::npos);
}

TEST(BuildCommand, FailedStepsExitWithTheStatusTextOnStandardError) {
  // Which step stops at which file is the build sequence's, tested there.
  MemoryOutputFiles notOpened;
  notOpened.faults["/out/define.h"] = {WriteOutcome::Status::kNotOpened, "Permission denied"};
  const CommandRun run = RunRequest(ToDirectory("/out/"), testing::MarkerStore(), notOpened);
  EXPECT_EQ(run.exitStatus, kExitBuildFailed);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "Creat define.h had some error!! ERROR CODE=-4\n");

  MemoryOutputFiles files;
  const CommandRun noSkeleton =
      RunRequest(ToDirectory("/out/"), testing::MarkerStore(false), files);
  EXPECT_EQ(noSkeleton.exitStatus, kExitBuildFailed);
  EXPECT_EQ(noSkeleton.err, "Creat main.c had some error!! ERROR CODE=-1\n");
  EXPECT_TRUE(files.writeOrder.empty());
}

TEST(BuildCommand, WriteErrorAfterOpeningNamesTheFileAndTheSystemError) {
  MemoryOutputFiles files;
  files.faults["/out/define.h"] = {WriteOutcome::Status::kFailed, "No space left on device"};
  const CommandRun run = RunRequest(ToDirectory("/out/"), testing::MarkerStore(), files);
  EXPECT_EQ(run.exitStatus, kExitBuildFailed);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "kitbuilder-cli: writing /out/define.h failed: No space left on device\n");
  EXPECT_EQ(files.writeOrder, (std::vector<std::string>{"/out/main.c", "/out/define.h"}));
}

TEST(BuildCommand, KeptBackupIsReportedOnStandardError) {
  MemoryOutputFiles files;
  files.files["/out/main.c"] = "main.c with the user's own application\r\n";
  const CommandRun run = RunRequest(ToDirectory("/out/"), testing::MarkerStore(), files);
  EXPECT_EQ(run.exitStatus, kExitSuccess);
  EXPECT_EQ(run.out, "All file creat success.\n");
  EXPECT_EQ(run.err, "Previous main.c kept as main.c.bak.\n");
  EXPECT_EQ(files.files["/out/main.c.bak"], "main.c with the user's own application\r\n");

  // Edited again, in a directory whose record is gone, so that the edit is kept as a backup.
  files.files.erase("/out/.kitbuilder/main.c");
  files.faults["/out/K3960reg.h"] = {WriteOutcome::Status::kNotOpened, "Permission denied"};
  files.files["/out/main.c"] = "edited again\r\n";
  const CommandRun failed = RunRequest(ToDirectory("/out/"), testing::MarkerStore(), files);
  EXPECT_EQ(failed.exitStatus, kExitBuildFailed);
  EXPECT_EQ(failed.out, "");
  EXPECT_EQ(failed.err,
            "Creat k3960reg.h had some error!! ERROR CODE=-4\n"
            "Previous main.c kept as main.c.bak.\n");
}

TEST(BuildCommand, ConflictsWithTheUsersEditsExitWithFailureAndSayWhere) {
  MemoryOutputFiles files;
  ASSERT_EQ(RunRequest(ToDirectory("/out/"), testing::MarkerStore(), files).exitStatus,
            kExitSuccess);
  std::string& mainProgram = files.files["/out/main.c"];
  const std::string channelLine = "PLL1_REG, 100 )";
  mainProgram.replace(mainProgram.find(channelLine), channelLine.size(), "PLL1_REG, 7 )");

  BuildRequest request = ToDirectory("/out/");
  request.settings.rf.channel = 12;
  const CommandRun run = RunRequest(request, testing::MarkerStore(), files);
  EXPECT_EQ(run.exitStatus, kExitBuildFailed);
  EXPECT_EQ(run.out, "All file creat success.\n");
  EXPECT_EQ(run.err,
            "main.c: 1 conflict between your edits and the new settings, at line 11; your "
            "version is in main.c.bak\n");

  const CommandRun again = RunRequest(request, testing::MarkerStore(), files);
  EXPECT_EQ(again.exitStatus, kExitBuildFailed);
  EXPECT_EQ(again.err,
            "main.c still holds the conflict from the last build at line 11: resolve it (keep one "
            "side, delete the marker lines) and build again\n");
}

TEST(BuildCommand, StdoutFailuresAreReportedNotPassedOffAsSuccess) {
  BuildRequest request = ToDirectory("");
  request.toStdout = true;
  MemoryOutputFiles files;

  const CommandRun noSkeleton = RunRequest(request, testing::MarkerStore(false), files);
  EXPECT_EQ(noSkeleton.exitStatus, kExitBuildFailed);
  EXPECT_EQ(noSkeleton.out, "");
  EXPECT_EQ(noSkeleton.err, "Creat main.c had some error!! ERROR CODE=-1\n");

  RefusingBuffer refusing;
  std::ostream out(&refusing);
  std::ostringstream err;
  EXPECT_EQ(RunBuildCommand(request, testing::MarkerStore(), files, out, err), kExitBuildFailed);
  EXPECT_NE(err.str().find("standard output"), std::string::npos) << err.str();
  EXPECT_TRUE(files.writeOrder.empty());
}

}  // namespace
}  // namespace kitbuilder::cli
