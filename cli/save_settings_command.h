#pragma once
// Carries out --save-settings: writes the settings of the command line to a settings file
// instead of building them.

#include <ostream>
#include <string>

#include "engine/generation_settings.h"
#include "engine/output_files.h"

namespace kitbuilder::cli {

/// Writes `settings` as the settings file at `path` and returns the exit status. The
/// confirmation goes to `out`, a failure to `err`, one line each.
int RunSaveSettingsCommand(const GenerationSettings& settings, const std::string& path,
                           OutputFiles& files, std::ostream& out, std::ostream& err);

}  // namespace kitbuilder::cli
