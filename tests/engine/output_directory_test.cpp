#include "engine/output_directory.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace kitbuilder {
namespace {

struct DirectoryCase {
  const char* name;
  const char* path;
  const char* expected;
};

class NormalizeOutputDirectoryTest : public ::testing::TestWithParam<DirectoryCase> {};

TEST_P(NormalizeOutputDirectoryTest, EndsInOneSeparator) {
  EXPECT_EQ(NormalizeOutputDirectory(GetParam().path), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, NormalizeOutputDirectoryTest,
                         ::testing::Values(DirectoryCase{"Plain", "/home/user", "/home/user/"},
                                           DirectoryCase{"Root", "/", "/"},
                                           DirectoryCase{"AlreadyTerminated", "/tmp/", "/tmp/"},
                                           DirectoryCase{"DoubleInside", "/a//b", "/a/b/"},
                                           DirectoryCase{"ThreeBecomeTwo", "/a///b", "/a//b/"},
                                           DirectoryCase{"BlanksKept", "/my dir", "/my dir/"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CurrentOutputDirectoryTest, FollowsTheProcessDirectoryWithoutALengthLimit) {
  char saved[4096];
  ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
  char base[] = "/tmp/kitbuilder-cwd-XXXXXX";
  ASSERT_NE(mkdtemp(base), nullptr);
  ASSERT_EQ(chdir(base), 0);
  std::string deep = base;
  // Far beyond the 260 characters of the old program's buffer.
  for (int i = 0; i < 12; ++i) {
    const std::string part(40, static_cast<char>('a' + i));
    ASSERT_EQ(mkdir(part.c_str(), 0755), 0);
    ASSERT_EQ(chdir(part.c_str()), 0);
    deep += "/" + part;
  }
  EXPECT_EQ(CurrentOutputDirectory(), deep + "/");
  ASSERT_EQ(chdir(saved), 0);
  EXPECT_EQ(CurrentOutputDirectory(), NormalizeOutputDirectory(saved));
  std::system(("rm -rf " + std::string(base)).c_str());
}

}  // namespace
}  // namespace kitbuilder
