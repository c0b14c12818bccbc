#pragma once
// The build: main.c, define.h and K3960reg.h (and a Makefile for SDCC) written in this order
// into the output directory, stopping at the first writer that fails, and the one line the front
// end shows for it.

#include <optional>
#include <string>

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
  /// Set when writing or closing an opened file failed.
  std::optional<WriteError> writeError;
  /// An edited main.c was kept as main.c.bak before it was replaced.
  bool keptBackup = false;
};

/// The line a front end adds under the status text when keptBackup is set.
inline constexpr const char* kKeptBackupNotice = "Previous main.c kept as main.c.bak.";

BuildOutcome RunBuildSequence(const TextStore& store, OutputFiles& files,
                              const std::string& outputDirectory,
                              const GenerationSettings& settings);

}  // namespace kitbuilder
