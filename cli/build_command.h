#pragma once
// Carries out a build request: writes the files and the build's record, or prints main.c, and
// reports the outcome the way the window's status line would.

#include <ostream>

#include "cli/build_request.h"
#include "engine/output_files.h"
#include "engine/text_store.h"

namespace kitbuilder::cli {

/// Runs `request` and returns the exit status, which is a failure also when a file holds conflict
/// markers. Success text and main.c go to `out`; failures, warnings and what became of the
/// user's edits go to `err`, one line each.
int RunBuildCommand(const BuildRequest& request, const TextStore& store, OutputFiles& files,
                    std::ostream& out, std::ostream& err);

}  // namespace kitbuilder::cli
