// The build cache: what decides a build's key, the bound, and the firmware's build through it:
// taken the second time, built again after an edit, two at once, and built as before where the
// cache cannot be written.

#include "simulator/firmware/build_cache.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "simulator/firmware/firmware_build.h"
#include "simulator/firmware/sdcc_build.h"
#include "tests/simulator/generated_firmware.h"

namespace kitbuilder::simulator {
namespace {

namespace fs = std::filesystem;

const char* const kSources[] = {"main.c", "define.h", "K3960reg.h", "Makefile"};
const char* const kBuilt[] = {"main.ihx", "main.map", "main.mem"};

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void Write(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

/// A fresh directory of the running case's own.
std::string Fresh(const std::string& name) {
  const std::string dir = CaseWorkDirectory(name);
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

/// A build's outputs in `dir`, 100 bytes each.
void WriteBuilt(const std::string& dir) {
  for (const char* file : kBuilt) Write(fs::path(dir) / file, std::string(100, *file));
}

size_t Entries(const std::string& cache) {
  size_t entries = 0;
  for (const auto& item : fs::directory_iterator(cache)) entries += item.is_directory() ? 1 : 0;
  return entries;
}

TEST(BuildKey, ChangesWithEveryInputThatDecidesTheImage) {
  const std::string sources = Fresh("sources");
  for (const char* file : kSources) Write(fs::path(sources) / file, std::string("text of ") + file);
  const auto key = BuildKey(sources, "SDCC 4.2.0");
  ASSERT_TRUE(key.has_value());
  EXPECT_EQ(BuildKey(sources, "SDCC 4.2.0"), key);
  EXPECT_NE(BuildKey(sources, "SDCC 4.3.0"), key);
  EXPECT_EQ(BuildKey(sources, ""), std::nullopt);
  for (const char* file : kSources) {
    const fs::path path = fs::path(sources) / file;
    const std::string text = Read(path);
    Write(path, text + " ");
    EXPECT_NE(BuildKey(sources, "SDCC 4.2.0"), key) << file;
    fs::remove(path);
    EXPECT_EQ(BuildKey(sources, "SDCC 4.2.0"), std::nullopt) << "without " << file;
    Write(path, text);
  }
  // Moving bytes from one file into the next is another firmware, though all bytes in a row
  // (names included) are the same.
  Write(fs::path(sources) / "main.c", "text of main.cdefine.htext of ");
  Write(fs::path(sources) / "define.h", "");
  EXPECT_NE(BuildKey(sources, "SDCC 4.2.0"), key);
}

/// Another SDCC installed in the same place is another file there: a new size or time. The
/// same one reached through a link is the same SDCC.
TEST(SdccIdentity, NamesTheFileThatIsRunAsItIsNow) {
  const fs::path dir = Fresh("sdcc");
  const fs::path sdcc = dir / "sdcc";
  Write(sdcc, "SDCC 4.2.0");
  const fs::file_time_type installed = fs::last_write_time(sdcc);
  const std::string identity = SdccIdentity(sdcc.string());
  ASSERT_FALSE(identity.empty());
  fs::create_symlink(sdcc, dir / "link");
  EXPECT_EQ(SdccIdentity((dir / "link").string()), identity);
  const struct {
    const char* what;
    std::string text;
    fs::file_time_type time;
  } installs[] = {
      {"a longer file", "SDCC 4.2.0 ", installed},
      {"a file of the same size written later", "SDCC 4.3.0", installed + std::chrono::seconds(1)},
  };
  for (const auto& install : installs) {
    Write(sdcc, install.text);
    fs::last_write_time(sdcc, install.time);
    EXPECT_NE(SdccIdentity(sdcc.string()), identity) << install.what;
  }
  EXPECT_EQ(SdccIdentity((dir / "none").string()), "");
}

TEST(BuildCache, LetsTheLeastRecentlyUsedEntriesGoPastItsBound) {
  const std::string cache = Fresh("cache");
  // Three entries of 300 bytes fit; a fourth pushes one out.
  const BuildCache builds(cache, 1000);
  const std::string built = Fresh("built");
  const auto past = fs::file_time_type::clock::now() - std::chrono::hours(1);
  for (int k = 0; k < 3; ++k) {
    WriteBuilt(built);
    ASSERT_EQ(builds.Keep("k" + std::to_string(k), built), "");
    // Kept an hour ago, k0 first: the file times are too coarse to order entries kept at once.
    fs::last_write_time(fs::path(cache) / ("k" + std::to_string(k)),
                        past + std::chrono::minutes(k));
  }
  // Using the oldest makes it the newest.
  ASSERT_TRUE(builds.Restore("k0", Fresh("restored")));
  ASSERT_EQ(builds.Keep("k3", built), "");
  EXPECT_EQ(Entries(cache), 3u);
  EXPECT_FALSE(fs::exists(fs::path(cache) / "k1"));
  for (const char* kept : {"k0", "k2", "k3"}) EXPECT_TRUE(fs::exists(fs::path(cache) / kept));
}

/// The generated SDCC firmware of the TX defaults, written into the case's directory `name`.
std::string Firmware(const std::string& name) {
  const std::string sources = Fresh(name);
  const std::string error =
      WriteFirmware(DefaultSettings(kModeTx), std::nullopt, EmbeddedStore(), sources);
  EXPECT_EQ(error, "");
  return sources;
}

using FirmwareBuild = WithCheckTools;

TEST_F(FirmwareBuild, IsTakenFromTheCacheTheSecondTimeAndBuiltAgainAfterAnEdit) {
  const std::string sources = Firmware("sources");
  const BuildCache cache(Fresh("cache"));
  const SdccBuild first = BuildFirmware(tools_, sources, CaseWorkDirectory("first"), cache);
  ASSERT_EQ(first.exitCode, 0) << first.output;
  EXPECT_FALSE(first.cached);
  EXPECT_EQ(first.cacheProblem, "");
  const SdccBuild second = BuildFirmware(tools_, sources, CaseWorkDirectory("second"), cache);
  ASSERT_EQ(second.exitCode, 0);
  EXPECT_TRUE(second.cached);
  EXPECT_EQ(Read(second.Image()), Read(first.Image()));
  EXPECT_EQ(second.map.symbols, first.map.symbols);
  ASSERT_TRUE(second.memory.has_value());
  EXPECT_EQ(second.memory->codeBytes, first.memory->codeBytes);

  Write(fs::path(sources) / "main.c",
        Read(fs::path(sources) / "main.c") + "\nvoid Added(void) {}\n");
  const SdccBuild edited = BuildFirmware(tools_, sources, CaseWorkDirectory("edited"), cache);
  ASSERT_EQ(edited.exitCode, 0) << edited.output;
  EXPECT_FALSE(edited.cached);
  EXPECT_EQ(edited.map.symbols.count("_Added"), 1u);
}

TEST_F(FirmwareBuild, TwoAtOnceShareTheCache) {
  const std::string sources = Firmware("sources");
  const BuildCache cache(Fresh("cache"));
  SdccBuild builds[2];
  std::thread other(
      [&] { builds[1] = BuildFirmware(tools_, sources, CaseWorkDirectory("b"), cache); });
  builds[0] = BuildFirmware(tools_, sources, CaseWorkDirectory("a"), cache);
  other.join();
  for (const SdccBuild& build : builds) {
    ASSERT_EQ(build.exitCode, 0) << build.output;
    EXPECT_EQ(build.cacheProblem, "");
  }
  EXPECT_EQ(Read(builds[0].Image()), Read(builds[1].Image()));
  EXPECT_EQ(Entries(cache.directory()), 1u);
  EXPECT_TRUE(BuildFirmware(tools_, sources, CaseWorkDirectory("c"), cache).cached);
}

TEST_F(FirmwareBuild, BuildsAsBeforeWhereTheCacheCannotBeWritten) {
  const std::string dir = Fresh("dir");
  // A file where the cache's parent should be: refused to root too, unlike permission bits.
  Write(fs::path(dir) / "file", "");
  const std::string cache = dir + "/file/kitbuilder";
  const std::string sources = Firmware("sources");
  const SdccBuild build =
      BuildFirmware(tools_, sources, CaseWorkDirectory("work"), BuildCache(cache));
  EXPECT_EQ(build.exitCode, 0) << build.output;
  EXPECT_FALSE(build.cached);
  EXPECT_NE(build.cacheProblem.find("cannot write into " + cache), std::string::npos)
      << build.cacheProblem;
  EXPECT_NE(build.cacheProblem.find("set XDG_CACHE_HOME"), std::string::npos) << build.cacheProblem;
  EXPECT_TRUE(IsIntelHex(Read(build.Image())));
}

}  // namespace
}  // namespace kitbuilder::simulator
