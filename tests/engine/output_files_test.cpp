#include "engine/output_files.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <set>
#include <string>

#include "tests/support/byte_diff.h"
#include "tests/support/scratch_directory.h"

namespace kitbuilder {
namespace {

using testing::ReadFileBytes;
using testing::ScratchDirectory;

void Put(const std::string& path, const std::string& bytes) {
  DiskOutputFiles disk;
  ASSERT_EQ(disk.Write(path, bytes).status, WriteOutcome::Status::kWritten) << path;
}

// Descriptor calls that fail the way a full disk or a failing device does.
class FailingCalls : public DescriptorCalls {
 public:
  FailingCalls(std::size_t acceptedBytes, bool failClose)
      : acceptedBytes_(acceptedBytes), failClose_(failClose) {}
  ssize_t Write(int fd, const void* data, size_t size) override {
    if (acceptedBytes_ == 0) {
      errno = ENOSPC;
      return -1;
    }
    const size_t part = std::min(size, acceptedBytes_);
    acceptedBytes_ -= part;
    return DescriptorCalls::Write(fd, data, part);
  }
  int Close(int fd) override {
    const int result = DescriptorCalls::Close(fd);
    if (!failClose_) return result;
    errno = EIO;
    return -1;
  }

 private:
  std::size_t acceptedBytes_;
  bool failClose_;
};

struct PartWayCase {
  const char* name;
  std::size_t acceptedBytes;
  bool failClose;
  const char* error;
};

class PartWayFailureTest : public ::testing::TestWithParam<PartWayCase> {};

TEST_P(PartWayFailureTest, LeavesThePreviousFileWholeAndNoTemporaryFile) {
  ScratchDirectory scratch;
  const std::string previous = "previous content\r\nthat must survive\r\n";
  Put(scratch / "main.c", previous);

  FailingCalls calls(GetParam().acceptedBytes, GetParam().failClose);
  DiskOutputFiles disk(&calls);
  const WriteOutcome outcome = disk.Write(scratch / "main.c", std::string(5000, 'x'));
  EXPECT_EQ(outcome.status, WriteOutcome::Status::kFailed);
  EXPECT_EQ(outcome.systemError, GetParam().error);
  EXPECT_TRUE(testing::SameBytes(previous, ReadFileBytes(scratch / "main.c")));
  EXPECT_EQ(scratch.Names(), std::set<std::string>{"main.c"});
}

INSTANTIATE_TEST_SUITE_P(
    Faults, PartWayFailureTest,
    ::testing::Values(PartWayCase{"NothingWritten", 0, false, "No space left on device"},
                      PartWayCase{"HalfWritten", 2500, false, "No space left on device"},
                      PartWayCase{"CloseFails", 100000, true, "Input/output error"}),
    [](const auto& info) { return std::string(info.param.name); });

// Counts the syncs of the files written.
class CountingCalls : public DescriptorCalls {
 public:
  int Sync(int fd) override {
    ++syncs;
    return DescriptorCalls::Sync(fd);
  }
  int syncs = 0;
};

// The user's files reach the disk before their names; a scratch copy's need not, and costs no
// sync. Either way the file is replaced whole.
TEST(DiskOutputFilesTest, SyncsEachFileUnlessItIsScratch) {
  const struct {
    DiskOutputFiles::Durability durability;
    int syncs;
  } cases[] = {{DiskOutputFiles::Durability::kSynced, 2},
               {DiskOutputFiles::Durability::kScratch, 0}};
  for (const auto& c : cases) {
    ScratchDirectory scratch;
    CountingCalls calls;
    DiskOutputFiles disk(&calls, c.durability);
    const std::string path = scratch / "main.c";
    ASSERT_EQ(disk.Write(path, "old").status, WriteOutcome::Status::kWritten);
    ASSERT_EQ(disk.Write(path, "new").status, WriteOutcome::Status::kWritten);
    EXPECT_EQ(calls.syncs, c.syncs);
    EXPECT_EQ(disk.ReadExisting(path), "new");
  }
}

TEST(DiskOutputFilesTest, ReplacesAFileAndKeepsItsPermissions) {
  ScratchDirectory scratch;
  Put(scratch / "define.h", "a much longer old content");
  ASSERT_EQ(chmod((scratch / "define.h").c_str(), 0640), 0);
  Put(scratch / "define.h", "new");
  EXPECT_EQ(ReadFileBytes(scratch / "define.h"), "new");
  struct stat info;
  ASSERT_EQ(stat((scratch / "define.h").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(scratch.Names(), std::set<std::string>{"define.h"});
}

TEST(DiskOutputFilesTest, NewFilesFollowTheUmask) {
  ScratchDirectory scratch;
  const mode_t saved = umask(027);
  Put(scratch / "main.c", "x");
  umask(saved);
  struct stat info;
  ASSERT_EQ(stat((scratch / "main.c").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(DiskOutputFilesTest, FollowsALinkAndLeavesItALink) {
  ScratchDirectory scratch;
  ASSERT_EQ(mkdir((scratch / "real").c_str(), 0755), 0);
  ASSERT_EQ(mkdir((scratch / "out").c_str(), 0755), 0);
  Put(scratch / "real/main.c", "old");
  ASSERT_EQ(symlink("../real/main.c", (scratch / "out/main.c").c_str()), 0);

  Put(scratch / "out/main.c", "new");
  struct stat info;
  ASSERT_EQ(lstat((scratch / "out/main.c").c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  EXPECT_EQ(ReadFileBytes(scratch / "real/main.c"), "new");
  EXPECT_EQ(ScratchDirectory::NamesIn(scratch / "real"), std::set<std::string>{"main.c"});
  EXPECT_EQ(ScratchDirectory::NamesIn(scratch / "out"), std::set<std::string>{"main.c"});
}

TEST(DiskOutputFilesTest, ADanglingLinkCreatesItsTarget) {
  ScratchDirectory scratch;
  ASSERT_EQ(symlink("target.c", (scratch / "main.c").c_str()), 0);
  Put(scratch / "main.c", "made");
  EXPECT_EQ(ReadFileBytes(scratch / "target.c"), "made");
}

TEST(DiskOutputFilesTest, ADeviceIsWrittenInPlaceWithNothingCreatedBesideIt) {
  ScratchDirectory scratch;
  ASSERT_EQ(symlink("/dev/full", (scratch / "main.c").c_str()), 0);
  ASSERT_EQ(symlink("/dev/null", (scratch / "define.h").c_str()), 0);
  const std::set<std::string> devices = ScratchDirectory::NamesIn("/dev");

  DiskOutputFiles disk;
  const WriteOutcome full = disk.Write(scratch / "main.c", "bytes");
  EXPECT_EQ(full.status, WriteOutcome::Status::kFailed);
  EXPECT_EQ(full.systemError, "No space left on device");
  EXPECT_EQ(disk.Write(scratch / "define.h", "bytes").status, WriteOutcome::Status::kWritten);
  EXPECT_EQ(ScratchDirectory::NamesIn("/dev"), devices);
}

TEST(DiskOutputFilesTest, RefusesWhatCannotBeOpened) {
  ScratchDirectory scratch;
  ASSERT_EQ(mkdir((scratch / "main.c").c_str(), 0755), 0);
  DiskOutputFiles disk;
  EXPECT_EQ(disk.Write(scratch / "main.c", "x").status, WriteOutcome::Status::kNotOpened);
  EXPECT_EQ(disk.Write(scratch / "absent/main.c", "x").status, WriteOutcome::Status::kNotOpened);
  EXPECT_EQ(disk.Write("/proc/main.c", "x").status, WriteOutcome::Status::kNotOpened);
}

TEST(DiskOutputFilesTest, ReadsOnlyExistingRegularFiles) {
  ScratchDirectory scratch;
  Put(scratch / "main.c", std::string("a\0b\r\n", 5));
  ASSERT_EQ(mkdir((scratch / "dir").c_str(), 0755), 0);
  DiskOutputFiles disk;
  EXPECT_EQ(disk.ReadExisting(scratch / "main.c"), std::string("a\0b\r\n", 5));
  EXPECT_EQ(disk.ReadExisting(scratch / "absent"), std::nullopt);
  EXPECT_EQ(disk.ReadExisting(scratch / "dir"), std::nullopt);
}

}  // namespace
}  // namespace kitbuilder
