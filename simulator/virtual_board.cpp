#include "simulator/virtual_board.h"

#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/build_sequence.h"
#include "engine/delay_routines.h"
#include "engine/output_files.h"
#include "engine/sdcc_dialect.h"
#include "simulator/check_tools.h"
#include "simulator/s51_driver.h"
#include "simulator/sdcc_build.h"

namespace kitbuilder::simulator {
namespace {

namespace fs = std::filesystem;

/// A directory of the check's own, removed with the object.
class TemporaryDirectory {
 public:
  TemporaryDirectory() {
    std::string pattern = (fs::temp_directory_path() / "kitbuilder-check-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TemporaryDirectory() {
    std::error_code error;
    if (!path_.empty()) fs::remove_all(path_, error);
  }
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::optional<std::string> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

/// C51's text is recognised by its register header; SDCC's includes 8052.h instead.
bool InC51Dialect(const std::string& mainProgram) {
  return mainProgram.find("<reg52.h>") != std::string::npos;
}

/// Writes the generated files, and the user's main.c over the generated one; "" or the reason.
std::string WriteFirmware(const CheckRequest& request, const TextStore& store,
                          const std::string& directory) {
  GenerationSettings settings = request.settings;
  settings.compiler = TargetCompiler::kSdcc;
  DiskOutputFiles files;
  const BuildOutcome generated = RunBuildSequence(store, files, directory + "/", settings, "");
  if (!generated.success) return "the firmware could not be generated: " + generated.statusText;
  if (!request.firmwareFile) return "";
  const auto own = ReadFile(*request.firmwareFile);
  if (!own) return "cannot read " + *request.firmwareFile + "; name a main.c that exists";
  // C51's text goes through the mapping of an SDCC build, delay routines included; SDCC's is
  // the user's as it stands.
  std::string text = *own;
  if (InC51Dialect(text)) {
    text = MainProgramForSdcc(text);
    if (settings.mcuClock) text = WithDelaysFor(text, *settings.mcuClock);
  }
  const WriteOutcome written = files.Write(directory + "/main.c", text);
  if (written.status != WriteOutcome::Status::kWritten) {
    return "cannot write main.c into " + directory + ": " + written.systemError;
  }
  return "";
}

}  // namespace

CheckRun RunCheck(const CheckRequest& request, const TextStore& store) {
  const auto started = std::chrono::steady_clock::now();
  CheckRun check;
  std::string error;
  const auto firmware = FirmwareSettingsFrom(request.settings, &error);
  if (!firmware) {
    check.message = error;
    return check;
  }
  check.firmware = *firmware;
  std::string missing;
  const auto tools = FindCheckTools(&missing);
  if (!tools) {
    check.status = CheckRun::Status::kToolsMissing;
    check.message = missing;
    return check;
  }
  TemporaryDirectory work;
  if (work.path().empty()) {
    check.message = "no temporary directory could be made under " +
                    fs::temp_directory_path().string() + "; set TMPDIR to a writable one";
    return check;
  }
  const std::string sources = work.path() + "/firmware";
  std::error_code ignored;  // a directory that cannot be made fails the writes below
  fs::create_directories(sources, ignored);
  error = WriteFirmware(request, store, sources);
  if (!error.empty()) {
    check.message = error;
    return check;
  }
  const SdccBuild build = BuildWithMakefile(tools->make, sources, work.path() + "/build");
  if (build.exitCode != 0) {
    check.status = CheckRun::Status::kBuildFailed;
    check.message = build.output;
    return check;
  }
  const S51Tools s51 = {tools->s51, tools->consoleShim, request.options.clock};
  const std::vector<uint32_t> delayRoutines = DelayRoutineEntries(build.map);
  std::vector<CodeHit> hits;
  const FirmwareRunner inS51 = [&](Board& board, RadioModel& radio, const RunLimits& limits) {
    S51Run run = RunOnS51(s51, build, 64, board, radio, limits, delayRoutines);
    check.runSeconds = run.seconds;
    check.s51Stops = run.stops;
    hits = std::move(run.hits);
    return run.result;
  };
  check.outcome = CheckFirmware(*firmware, request.options, inS51);
  check.delays = DistinctCalls(DelayCallsIn(hits, build.map, check.outcome.passes));
  // Only routines computed for the clock are held to it; the stored ones are known to be slow.
  if (request.settings.mcuClock) {
    for (const DelayCall& call : check.delays) {
      const std::string problem = DelayProblem(call, request.options.clock);
      if (!problem.empty()) check.outcome.problems.push_back(problem);
    }
  }
  check.status = check.outcome.problems.empty() ? CheckRun::Status::kAsTheSettingsSay
                                                : CheckRun::Status::kDeviates;
  check.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  return check;
}

}  // namespace kitbuilder::simulator
