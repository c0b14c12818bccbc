// Rebuilds over files that the user edited, on the real disk: what each file holds afterwards,
// its backup, the line that tells of it, and the record that the next build compares with.

#include "engine/generated_file_writer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/build_record.h"
#include "engine/build_sequence.h"
#include "engine/line_ends.h"
#include "tests/support/byte_diff.h"
#include "tests/support/memory_output_files.h"
#include "tests/support/recorded_settings.h"
#include "tests/support/scratch_directory.h"

namespace kitbuilder {
namespace {

using testing::kSettingsText;
using testing::MemoryOutputFiles;
using testing::ReadFileBytes;
using testing::SameBytes;
using testing::ScratchDirectory;

constexpr char kChannelLine[] = "    K3960_WriteReg( PLL1_REG, 100 );        // set radio channel";
constexpr char kUsersChannelLine[] = "    K3960_WriteReg( PLL1_REG, 7 );   // our test channel";

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// The user's edits, each applicable to any generation of its file.
std::string Unedited(std::string text) {
  return text;
}

std::string FunctionAfterMain(std::string text) {
  const std::string endOfMain = "\r\n    }\r\n}\r\n";
  return Replaced(text, endOfMain,
                  endOfMain + "\r\nvoid Application(void)\r\n{\r\n    P1 = 0x00;\r\n}\r\n");
}

std::string PayloadTable(std::string text) {
  return Replaced(text, "{   0xFF,0x83,0xDF,0x17,0x32,0x09,0x4E,0xD1,",
                  "{   0x01,0x02,0x03,0x04,0x05,0x06,0x07,0x08,");
}

std::string TypedefAtTheEnd(std::string text) {
  return text + "typedef unsigned char Flag;\r\n";
}

std::string MakefileTarget(std::string text) {
  return text + "\nflash: main.hex\n\tstcgal main.hex\n";
}

std::string ChannelLine(std::string text) {
  return Replaced(text, kChannelLine, kUsersChannelLine);
}

// `text` with the line `theirs` replaced by both sides between git's markers.
std::string Conflicting(std::string text, const std::string& yours, const std::string& theirs) {
  return Replaced(text, theirs + "\r\n",
                  "<<<<<<< your edits\r\n" + yours + "\r\n=======\r\n" + theirs +
                      "\r\n>>>>>>> new settings\r\n");
}

std::string RfIdAndChannelLines(std::string text) {
  return ChannelLine(Replaced(text, "    0x54, 0x75, 0xC5, 0x2A", "    0x11, 0x22, 0x33, 0x44"));
}

GenerationSettings Settings(int32_t channel, int32_t txPowerIndex = 0,
                            TargetCompiler compiler = TargetCompiler::kC51,
                            const char* firstRfIdByte = "0x54") {
  GenerationSettings settings = DefaultSettings();
  settings.rf.channel = channel;
  settings.rf.txPowerIndex = txPowerIndex;
  settings.compiler = compiler;
  settings.rfId[0] = firstRfIdByte;
  return settings;
}

// Builds `first`, lets `edit` change `file`, optionally deletes the record, and builds `second`.
struct Rebuild {
  Rebuild(const GenerationSettings& first, const char* file,
          const std::function<std::string(std::string)>& edit, const GenerationSettings& second,
          bool deleteRecord = false)
      : path(scratch / file) {
    EXPECT_TRUE(
        RunBuildSequence(EmbeddedStore(), disk, scratch.Output(), first, kSettingsText).success);
    edited = edit(ReadFileBytes(path));
    EXPECT_EQ(disk.Write(path, edited).status, WriteOutcome::Status::kWritten);
    if (deleteRecord) std::system(("rm -r '" + (scratch / kRecordFolder) + "'").c_str());
    // What the second build generates by itself, built in a directory of its own.
    ScratchDirectory alone;
    EXPECT_TRUE(
        RunBuildSequence(EmbeddedStore(), disk, alone.Output(), second, kSettingsText).success);
    generated = ReadFileBytes(alone / file);
    outcome = RunBuildSequence(EmbeddedStore(), disk, scratch.Output(), second, "second");
  }

  ScratchDirectory scratch;
  DiskOutputFiles disk;
  std::string path;
  std::string edited;
  std::string generated;
  BuildOutcome outcome;
};

struct MergeCase {
  const char* name;
  const char* file;
  std::string (*edit)(std::string);
  GenerationSettings first;
  GenerationSettings second;
  bool deleteRecord;
  /// What the file must hold: the edit applied to the new generation, the new generation alone,
  /// or the edited file as it was.
  enum { kEditOfNew, kNew, kEdited } holds;
  const char* notice;  // "" for none, and then no backup either
};

void PrintTo(const MergeCase& c, std::ostream* os) {
  *os << c.name;
}

class RebuildMergeTest : public ::testing::TestWithParam<MergeCase> {};

TEST_P(RebuildMergeTest, TheFileHoldsWhatTheRuleSaysAndTheBackupTheEditedFile) {
  const MergeCase& c = GetParam();
  const Rebuild rebuild(c.first, c.file, c.edit, c.second, c.deleteRecord);
  ASSERT_NE(rebuild.generated, "");
  EXPECT_TRUE(rebuild.outcome.success);
  EXPECT_FALSE(rebuild.outcome.editsPending);
  const std::string expected = c.holds == MergeCase::kEditOfNew ? c.edit(rebuild.generated)
                               : c.holds == MergeCase::kNew     ? rebuild.generated
                                                                : rebuild.edited;
  EXPECT_TRUE(SameBytes(expected, ReadFileBytes(rebuild.path)));
  if (*c.notice) {
    EXPECT_EQ(rebuild.outcome.notices, std::vector<std::string>{c.notice});
    EXPECT_TRUE(SameBytes(rebuild.edited, ReadFileBytes(rebuild.path + ".bak")));
  } else {
    EXPECT_TRUE(rebuild.outcome.notices.empty());
    EXPECT_FALSE(rebuild.scratch.Exists(std::string(c.file) + ".bak"));
  }
  // The record holds what this build generated, not what it merged.
  const std::string record = rebuild.scratch.Output() + kRecordFolder + "/";
  EXPECT_TRUE(SameBytes(rebuild.generated, ReadFileBytes(record + c.file)));
  EXPECT_EQ(ReadFileBytes(record + kRecordedSettingsName), "second");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RebuildMergeTest,
    ::testing::Values(
        MergeCase{"ChangedPayloadTableIsKept", "main.c", PayloadTable, Settings(100),
                  Settings(100, 4), false, MergeCase::kEditOfNew, "main.c: your edits were kept."},
        MergeCase{"EditedTypeHeaderKeepsItsTypedefInTheOtherDialect", "define.h", TypedefAtTheEnd,
                  Settings(100), Settings(100, 0, TargetCompiler::kSdcc), false,
                  MergeCase::kEditOfNew, "define.h: your edits were kept."},
        MergeCase{"EditsStayWithoutBackupWhenTheSettingsChangeNothingInTheFile", "main.c",
                  FunctionAfterMain, Settings(100), Settings(100), false, MergeCase::kEdited, ""},
        MergeCase{"EditedMakefileStaysWhenTheChannelChanges", "Makefile", MakefileTarget,
                  Settings(100, 0, TargetCompiler::kSdcc), Settings(12, 0, TargetCompiler::kSdcc),
                  false, MergeCase::kEdited, ""},
        MergeCase{"WithoutARecordAnEditedFileIsKeptAsBackupAndReplaced", "main.c",
                  FunctionAfterMain, Settings(100), Settings(12), true, MergeCase::kNew,
                  "Previous main.c kept as main.c.bak."},
        MergeCase{"WithoutARecordTheSameContentIsReplacedSilently", "main.c", Unedited,
                  Settings(100), Settings(100), true, MergeCase::kNew, ""}),
    [](const auto& info) { return std::string(info.param.name); });

const std::pair<std::string, std::string> kChannelSides = {
    kUsersChannelLine, "    K3960_WriteReg( PLL1_REG, 12 );        // set radio channel"};

TEST(RebuildTest, ConflictsHoldGitsMarkersAndTheBuildSaysWhereTheFirstIs) {
  const Rebuild rebuild(Settings(100), "main.c", RfIdAndChannelLines,
                        Settings(12, 0, TargetCompiler::kC51, "0x99"));
  EXPECT_TRUE(rebuild.outcome.editsPending);
  EXPECT_EQ(rebuild.outcome.notices,
            std::vector<std::string>{"main.c: 2 conflicts between your edits and the new settings, "
                                     "from line 53; your version is in main.c.bak"});
  EXPECT_TRUE(SameBytes(rebuild.edited, ReadFileBytes(rebuild.path + ".bak")));
  const std::string expected = Conflicting(
      Conflicting(rebuild.generated, "    0x11, 0x22, 0x33, 0x44", "    0x99, 0x75, 0xC5, 0x2A"),
      kChannelSides.first, kChannelSides.second);
  const std::string written = ReadFileBytes(rebuild.path);
  EXPECT_TRUE(SameBytes(expected, written));
  std::size_t at = 0;
  for (int line = 1; line < 53; ++line) at = written.find('\n', at) + 1;
  EXPECT_EQ(written.compare(at, 20, "<<<<<<< your edits\r\n"), 0);
}

// The line ends that an editor or git leaves in the user's file, and those a rebuild writes.
struct LineEndStyle {
  const char* name;
  std::string (*apply)(std::string);
  LineEnds written;
};

std::string LfEnds(std::string text) {
  return WithLineEnds(text, LineEnds::kLf);
}

// An edit of the user's, what the rebuilt file holds (made of the new generation) and the notice.
struct UsersEdit {
  const char* name;
  std::string (*apply)(std::string);
  std::string (*result)(std::string);
  const char* notice;  // "" for none, and then no backup either
};

void PrintTo(const LineEndStyle& ends, std::ostream* os) {
  *os << ends.name;
}

void PrintTo(const UsersEdit& edit, std::ostream* os) {
  *os << edit.name;
}

class RebuildLineEndsTest : public ::testing::TestWithParam<std::tuple<LineEndStyle, UsersEdit>> {};

TEST_P(RebuildLineEndsTest, LinesAreMergedAndWrittenInTheUsersLineEnds) {
  const auto& [ends, edit] = GetParam();
  const Rebuild rebuild(
      Settings(100), "main.c", [&](std::string text) { return ends.apply(edit.apply(text)); },
      Settings(12));
  EXPECT_TRUE(SameBytes(WithLineEnds(edit.result(rebuild.generated), ends.written),
                        ReadFileBytes(rebuild.path)));
  // The notices that leave the edits for the user to finish name the backup.
  EXPECT_EQ(rebuild.outcome.editsPending,
            std::string(edit.notice).find("main.c.bak") != std::string::npos);
  EXPECT_EQ(rebuild.outcome.notices,
            *edit.notice ? std::vector<std::string>{edit.notice} : std::vector<std::string>{});
  EXPECT_EQ(ReadFileBytes(rebuild.path + ".bak"), *edit.notice ? rebuild.edited : "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RebuildLineEndsTest,
    ::testing::Combine(
        ::testing::Values(
            LineEndStyle{"CrLf", Unedited, LineEnds::kCrLf},
            LineEndStyle{"Lf", LfEnds, LineEnds::kLf},
            // LF in the first lines only, as an editor leaves lines pasted in from elsewhere.
            LineEndStyle{"Mixed",
                         [](std::string text) {
                           for (int line = 0; line < 10; ++line) text.erase(text.find("\r\n"), 1);
                           return text;
                         },
                         LineEnds::kCrLf}),
        ::testing::Values(
            UsersEdit{"Unedited", Unedited, Unedited, ""},
            UsersEdit{"FunctionAdded", FunctionAfterMain, FunctionAfterMain,
                      "main.c: your edits were kept."},
            UsersEdit{"ChannelLineEdited", ChannelLine,
                      [](std::string text) {
                        return Conflicting(text, kUsersChannelLine, kChannelSides.second);
                      },
                      "main.c: 1 conflict between your edits and the new settings, at line 157; "
                      "your version is in main.c.bak"},
            UsersEdit{"NulByteThatLibgit2DoesNotMerge",
                      [](std::string text) { return FunctionAfterMain(text).insert(2, 1, '\0'); },
                      Unedited,
                      "main.c: your edits could not be merged (libgit2 takes a text with a NUL "
                      "byte for binary and does not merge it); main.c holds the new settings "
                      "alone, your version is in main.c.bak"})),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) + std::get<1>(info.param).name;
    });

TEST(RebuildTest, UnresolvedMarkersRefuseEveryBuildUntilTheUserResolvesThem) {
  MemoryOutputFiles files;
  ASSERT_TRUE(RunBuildSequence(EmbeddedStore(), files, "/out/", Settings(100), "first").success);
  std::string& main = files.files["/out/main.c"];
  main = FunctionAfterMain(ChannelLine(main));
  ASSERT_TRUE(
      RunBuildSequence(EmbeddedStore(), files, "/out/", Settings(12), "second").editsPending);
  const std::string merged = main;
  // Resolved: the user's side kept, the marker lines deleted.
  const std::string resolved = Replaced(
      merged, Conflicting(kChannelSides.second + "\r\n", kUsersChannelLine, kChannelSides.second),
      std::string(kUsersChannelLine) + "\r\n");

  // With LF ends too, as an editor may save the file, and in the file written last.
  const std::string inMain =
      "main.c still holds the conflict from the last build at line 157: resolve it (keep one "
      "side, delete the marker lines) and build again";
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"main.c", merged, inMain},
      {"main.c", LfEnds(merged), inMain},
      {"K3960reg.h", files.files["/out/K3960reg.h"] + ">>>>>>> new settings\n",
       "K3960reg.h still holds the conflict from the last build at line 81: resolve it (keep one "
       "side, delete the marker lines) and build again"}};
  for (const auto& [name, text, message] : cases) {
    MemoryOutputFiles refusing = files;
    refusing.files["/out/main.c"] = resolved;
    refusing.files["/out/" + name] = text;
    const std::map<std::string, std::string> before = refusing.files;
    EXPECT_EQ(
        RunBuildSequence(EmbeddedStore(), refusing, "/out/", Settings(20), "third").statusText,
        message);
    EXPECT_EQ(refusing.files, before);
  }

  main = resolved;
  const BuildOutcome rebuilt =
      RunBuildSequence(EmbeddedStore(), files, "/out/", Settings(12, 4), "fourth");
  EXPECT_EQ(rebuilt.notices, std::vector<std::string>{"main.c: your edits were kept."});
  EXPECT_EQ(files.files["/out/main.c.bak"], resolved);
}

// The name of a way to set git's line-end conversion, and the commands that set it.
class FirmwareUnderGitTest : public ::testing::TestWithParam<std::pair<const char*, const char*>> {
};

TEST_P(FirmwareUnderGitTest, AnEditOfACheckedOutMainProgramIsKeptWithoutConflict) {
  if (std::system("git --version >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "SKIP: git is not installed";
  ScratchDirectory scratch;
  DiskOutputFiles disk;
  // Out of reach of the user's and the system's git settings.
  const auto git = [&scratch](const std::string& commands) {
    return std::system(("export GIT_CONFIG_GLOBAL=/dev/null GIT_CONFIG_NOSYSTEM=1; cd '" +
                        scratch.Path() + "/repo' && { " + commands + "; } >/dev/null 2>&1")
                           .c_str());
  };
  const std::string firmware = scratch / "repo/firmware/";
  ASSERT_EQ(std::system(("mkdir -p '" + firmware + "'").c_str()), 0);
  ASSERT_EQ(git(std::string("git init -q && ") + GetParam().second), 0);
  ASSERT_TRUE(RunBuildSequence(EmbeddedStore(), disk, firmware, Settings(100), "first").success);
  ASSERT_EQ(git("git add -A && git -c user.name=K -c user.email=k@localhost commit -qm first && "
                "rm -r firmware && git checkout -- firmware"),
            0);
  const std::string checkedOut = ReadFileBytes(firmware + "main.c");
  ASSERT_EQ(checkedOut.find('\r'), std::string::npos) << "git kept the CR LF line ends";
  disk.Write(firmware + "main.c",
             LfEnds(FunctionAfterMain(WithLineEnds(checkedOut, LineEnds::kCrLf))));

  const BuildOutcome rebuilt =
      RunBuildSequence(EmbeddedStore(), disk, firmware, Settings(12), "second");
  EXPECT_EQ(rebuilt.notices, std::vector<std::string>{"main.c: your edits were kept."});
  // The function and the channel line are all that git sees changed in the files.
  ASSERT_EQ(git("git diff --numstat > ../numstat"), 0);
  EXPECT_EQ(ReadFileBytes(scratch / "numstat"),
            "1\t1\tfirmware/.kitbuilder/main.c\n"
            "1\t1\tfirmware/.kitbuilder/settings.toml\n"
            "6\t1\tfirmware/main.c\n");
}

INSTANTIATE_TEST_SUITE_P(
    LineEndRules, FirmwareUnderGitTest,
    ::testing::Values(std::pair{"AutocrlfInput", "git config core.autocrlf input"},
                      std::pair{"TextAuto", "echo '* text=auto' > .gitattributes"}),
    [](const auto& info) { return std::string(info.param.first); });

TEST(RebuildTest, AWriteThatFailsMidwayRecordsNothingAndLosesNothing) {
  MemoryOutputFiles files;
  GenerationSettings settings = DefaultSettings();
  ASSERT_TRUE(RunBuildSequence(EmbeddedStore(), files, "/out/", settings, "first").success);
  const std::string firstRegisters = files.files["/out/.kitbuilder/K3960reg.h"];
  const std::string edited = FunctionAfterMain(files.files["/out/main.c"]);
  files.files["/out/main.c"] = edited;

  files.faults["/out/define.h"] = {WriteOutcome::Status::kFailed, "No space left on device"};
  settings.rf.channel = 12;
  settings.compiler = TargetCompiler::kSdcc;
  const BuildOutcome outcome =
      RunBuildSequence(EmbeddedStore(), files, "/out/", settings, "second");
  ASSERT_TRUE(outcome.writeError);
  EXPECT_EQ(outcome.writeError->path, "/out/define.h");
  EXPECT_EQ(outcome.writeError->systemError, "No space left on device");
  EXPECT_EQ(outcome.statusText, "") << "the status line keeps its text";
  EXPECT_EQ(files.writeOrder.back(), "/out/define.h") << "nothing is written after the failure";
  EXPECT_EQ(outcome.notices, std::vector<std::string>{"main.c: your edits were kept."});
  EXPECT_EQ(files.files["/out/main.c.bak"], edited);
  EXPECT_NE(files.files["/out/main.c"].find("void Application(void)"), std::string::npos);
  EXPECT_NE(files.files["/out/main.c"].find("PLL1_REG, 12 )"), std::string::npos);
  // The copies of the files that this build set out to replace and the settings are gone, the
  // copy of the K3960reg.h that still stands is the first build's: nothing of the second build is
  // recorded, and nothing recorded no longer describes its file.
  for (const char* name : {"main.c", "define.h", "settings.toml"}) {
    EXPECT_EQ(files.files.count(std::string("/out/.kitbuilder/") + name), 0u) << name;
  }
  EXPECT_EQ(files.files["/out/.kitbuilder/K3960reg.h"], firstRegisters);
}

TEST(RebuildTest, ARecordThatCannotBeWrittenFailsTheBuildAfterTheFiles) {
  const struct {
    const char* failingPath;
    WriteOutcome fault;
  } cases[] = {
      {"/out/.kitbuilder", {WriteOutcome::Status::kNotOpened, "Not a directory"}},
      {"/out/.kitbuilder/define.h", {WriteOutcome::Status::kFailed, "No space left on device"}},
      {"/out/.kitbuilder/settings.toml", {WriteOutcome::Status::kNotOpened, "Permission denied"}},
  };
  for (const auto& c : cases) {
    MemoryOutputFiles files;
    files.faults[c.failingPath] = c.fault;
    const BuildOutcome outcome =
        RunBuildSequence(EmbeddedStore(), files, "/out/", DefaultSettings(), kSettingsText);
    EXPECT_FALSE(outcome.success) << c.failingPath;
    ASSERT_TRUE(outcome.writeError) << c.failingPath;
    EXPECT_EQ(outcome.writeError->path.rfind(c.failingPath, 0), 0u) << outcome.writeError->path;
    EXPECT_EQ(outcome.writeError->systemError, c.fault.systemError);
    EXPECT_EQ(files.files.count("/out/K3960reg.h"), 1u) << c.failingPath;
  }
}

TEST(RebuildTest, ACopyThatCannotBeForgottenLeavesItsFileAlone) {
  MemoryOutputFiles files;
  ASSERT_TRUE(
      RunBuildSequence(EmbeddedStore(), files, "/out/", DefaultSettings(), kSettingsText).success);
  const std::string first = files.files["/out/main.c"];
  files.removalFaults["/out/.kitbuilder/main.c"] = {WriteOutcome::Status::kFailed,
                                                    "Permission denied"};
  const WriterResult result = WriteGeneratedFile(files, "/out/", "main.c", "new main.c");
  ASSERT_TRUE(result.writeError);
  EXPECT_EQ(result.writeError->path, "/out/.kitbuilder/main.c");
  EXPECT_EQ(files.files["/out/main.c"], first);
}

}  // namespace
}  // namespace kitbuilder
