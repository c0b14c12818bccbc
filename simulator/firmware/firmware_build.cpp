#include "simulator/firmware/firmware_build.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/build_sequence.h"
#include "engine/delay_routines.h"
#include "engine/output_files.h"
#include "engine/sdcc_dialect.h"

namespace kitbuilder::simulator {

namespace fs = std::filesystem;

TemporaryDirectory::TemporaryDirectory() {
  std::string pattern = (fs::temp_directory_path() / "kitbuilder-check-XXXXXX").string();
  if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

std::string TemporaryDirectory::Refusal() {
  return "no temporary directory could be made under " + fs::temp_directory_path().string() +
         "; set TMPDIR to a writable one";
}

TemporaryDirectory::~TemporaryDirectory() {
  std::error_code error;
  if (!path_.empty()) fs::remove_all(path_, error);
}

namespace {

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

}  // namespace

std::string WriteFirmware(const GenerationSettings& generation,
                          const std::optional<std::string>& firmwareFile, const TextStore& store,
                          const std::string& directory) {
  GenerationSettings settings = generation;
  settings.compiler = TargetCompiler::kSdcc;
  // The check's own copy goes with its temporary directory: syncing each file to the disk cost
  // some 10 ms apiece.
  DiskOutputFiles files(nullptr, DiskOutputFiles::Durability::kScratch);
  const BuildOutcome generated = RunBuildSequence(store, files, directory + "/", settings, "");
  if (!generated.success) return "the firmware could not be generated: " + generated.statusText;
  if (!firmwareFile) return "";
  const auto own = ReadFile(*firmwareFile);
  if (!own) return "cannot read " + *firmwareFile + "; name a main.c that exists";
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

SdccBuild BuildFirmware(const CheckTools& tools, const std::string& sources,
                        const std::string& workDir, const BuildCache& cache) {
  const auto key =
      cache.directory().empty() ? std::nullopt : BuildKey(sources, SdccIdentity(tools.sdcc));
  if (key && cache.Restore(*key, workDir)) {
    SdccBuild earlier = EarlierBuild(workDir);
    earlier.cached = true;
    return earlier;
  }
  SdccBuild build = BuildWithMakefile(tools.make, sources, workDir);
  if (key && build.exitCode == 0) build.cacheProblem = cache.Keep(*key, workDir);
  return build;
}

}  // namespace kitbuilder::simulator
