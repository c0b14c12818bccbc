#include "cli/build_command.h"

#include <string>

#include "cli/exit_status.h"
#include "cli/shared_pins.h"
#include "engine/build_sequence.h"
#include "engine/main_program_composer.h"
#include "engine/sdcc_dialect.h"
#include "settings/settings_text.h"

namespace kitbuilder::cli {
namespace {

int PrintMainProgram(const GenerationSettings& settings, const TextStore& store, std::ostream& out,
                     std::ostream& err) {
  std::string document;
  const int32_t code = ComposeMainDocument(store, settings.pins, settings.rfId,
                                           settings.operatingMode, settings.rf, &document);
  if (code != 0) {
    err << "Creat main.c had some error!! ERROR CODE=" << code << '\n';
    return kExitBuildFailed;
  }
  if (settings.compiler == TargetCompiler::kSdcc) document = MainProgramForSdcc(document);
  out << document << std::flush;
  if (!out) {
    // A full disk or a closed pipe behind standard output must not pass for a complete main.c.
    err << "kitbuilder-cli: main.c could not be written to standard output\n";
    return kExitBuildFailed;
  }
  return kExitSuccess;
}

int WriteFiles(const BuildRequest& request, const TextStore& store, OutputFiles& files,
               std::ostream& out, std::ostream& err) {
  const BuildOutcome outcome =
      RunBuildSequence(store, files, request.outputDirectory, request.settings,
                       settings::SettingsFileText(request.settings));
  std::ostream& report = outcome.success ? out : err;
  if (outcome.writeError) {
    err << "kitbuilder-cli: writing " << outcome.writeError->path
        << " failed: " << outcome.writeError->systemError << '\n';
  } else {
    report << outcome.statusText << '\n';
  }
  // Standard error, so that scripts reading the status line see it unchanged.
  for (const std::string& notice : outcome.notices) err << notice << '\n';
  // Firmware with conflict markers does not compile, and firmware without the user's edits is
  // not the user's, so a script must not go on with either.
  return outcome.success && !outcome.editsPending ? kExitSuccess : kExitBuildFailed;
}

}  // namespace

int RunBuildCommand(const BuildRequest& request, const TextStore& store, OutputFiles& files,
                    std::ostream& out, std::ostream& err) {
  for (const std::string& warning : SharedPinWarnings(request.settings.pins)) {
    err << "kitbuilder-cli: warning: " << warning << '\n';
  }
  return request.toStdout ? PrintMainProgram(request.settings, store, out, err)
                          : WriteFiles(request, store, files, out, err);
}

}  // namespace kitbuilder::cli
