#include "cli/save_settings_command.h"

#include "cli/exit_status.h"
#include "settings/settings_file.h"

namespace kitbuilder::cli {

int RunSaveSettingsCommand(const GenerationSettings& settings, const std::string& path,
                           OutputFiles& files, std::ostream& out, std::ostream& err) {
  if (const std::optional<WriteError> error = settings::WriteSettingsFile(files, path, settings)) {
    err << "kitbuilder-cli: writing " << error->path << " failed: " << error->systemError << '\n';
    return kExitBuildFailed;
  }
  out << "Settings saved to " << path << ".\n";
  return kExitSuccess;
}

}  // namespace kitbuilder::cli
