#pragma once
// The build: main.c, define.h and K3960reg.h (and a Makefile for SDCC) written in this order
// into the output directory, stopping at the first writer that fails, then the build's record,
// and the lines the front end shows for it.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/generation_settings.h"
#include "engine/output_files.h"
#include "engine/text_store.h"
#include "engine/writer_result.h"

namespace kitbuilder {

/// Writes template 160 as outputDirectory + "define.h", byte for byte in C51's dialect.
WriterResult WriteTypeHeader(const TextStore& store, OutputFiles& files,
                             const std::string& outputDirectory,
                             TargetCompiler compiler = TargetCompiler::kC51);

/// Writes template 211 as outputDirectory + "K3960reg.h", byte for byte.
WriterResult WriteRegisterHeader(const TextStore& store, OutputFiles& files,
                                 const std::string& outputDirectory);

/// Writes template 220, the SDCC Makefile, as outputDirectory + "Makefile".
WriterResult WriteSdccMakefile(const TextStore& store, OutputFiles& files,
                               const std::string& outputDirectory);

/// What the front end shows after a build.
struct BuildOutcome {
  bool success = false;
  /// The status line's new text; empty when a write error stopped the build, since the status
  /// line then keeps what it showed.
  std::string statusText;
  /// Set when writing or closing an opened file failed, or the build's record could not be kept.
  std::optional<WriteError> writeError;
  /// The lines that a front end adds under the status text, one for each replaced file that held
  /// the user's edits: whether they were kept, merged or met the new settings in conflicts.
  std::vector<std::string> notices;
  /// A file holds conflict markers for the user to resolve, or the user's edits of a file could
  /// not be merged and are only in its backup: the build is not done, even though every file was
  /// written.
  bool editsPending = false;
};

/// Writes the files of `settings` into `outputDirectory` (ending in '/'), keeping the user's
/// edits as WriteGeneratedFile says, or nothing at all when one of them still holds the conflict
/// markers of the last build (the status text then says which file and line); and then, once every
/// file is in place, the build's record with `settingsFileText`, the settings file of `settings`,
/// as the board's project file.
BuildOutcome RunBuildSequence(const TextStore& store, OutputFiles& files,
                              const std::string& outputDirectory,
                              const GenerationSettings& settings,
                              std::string_view settingsFileText);

}  // namespace kitbuilder
