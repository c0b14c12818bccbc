#pragma once
// The firmware a check runs, written where SDCC builds it: the generated files for the
// settings, with the user's own main.c over the generated one if there is one, in a directory
// of the check's own that is gone afterwards; and its build, or the image of the same build
// from the build cache.

#include <optional>
#include <string>

#include "engine/generation_settings.h"
#include "engine/text_store.h"
#include "simulator/firmware/build_cache.h"
#include "simulator/firmware/check_tools.h"
#include "simulator/firmware/sdcc_build.h"

namespace kitbuilder::simulator {

/// A directory of the check's own under the system's temporary directory, removed with the
/// object; its path is empty when none could be made.
class TemporaryDirectory {
 public:
  TemporaryDirectory();
  ~TemporaryDirectory();
  TemporaryDirectory(const TemporaryDirectory&) = delete;
  TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
  const std::string& path() const { return path_; }
  /// What to tell the user when the path is empty: where it was to be made and the remedy.
  static std::string Refusal();

 private:
  std::string path_;
};

/// Writes the SDCC firmware for `settings` into `directory`, and `firmwareFile` (in either
/// compiler's dialect) over its main.c if given; "" or the reason it could not.
std::string WriteFirmware(const GenerationSettings& settings,
                          const std::optional<std::string>& firmwareFile, const TextStore& store,
                          const std::string& directory);

/// The firmware in `sources` built in `workDir` with its Makefile, or the image, map and memory
/// report of the same build copied there from `cache`. A new build that succeeds is kept in the
/// cache; `cacheProblem` says when it could not be, and the build stands all the same.
SdccBuild BuildFirmware(const CheckTools& tools, const std::string& sources,
                        const std::string& workDir, const BuildCache& cache);

}  // namespace kitbuilder::simulator
