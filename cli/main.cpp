#include <exception>
#include <iostream>

#include "cli/build_command.h"
#include "cli/capture_command.h"
#include "cli/check_command.h"
#include "cli/command_line.h"
#include "cli/exit_status.h"
#include "cli/link_command.h"
#include "cli/save_settings_command.h"
#include "engine/output_files.h"
#include "engine/text_store.h"

int main(int argc, char** argv) {
  using kitbuilder::cli::CommandLineOutcome;
  try {
    const CommandLineOutcome outcome = kitbuilder::cli::ReadCommandLine(argc, argv);
    kitbuilder::DiskOutputFiles files;
    switch (outcome.action) {
      case CommandLineOutcome::Action::kShowHelp:
      case CommandLineOutcome::Action::kShowVersion:
        std::cout << outcome.text;
        return kitbuilder::cli::kExitSuccess;
      case CommandLineOutcome::Action::kRefuse:
        std::cerr << "kitbuilder-cli: " << outcome.text << '\n';
        return kitbuilder::cli::kExitUsage;
      case CommandLineOutcome::Action::kSaveSettings:
        return kitbuilder::cli::RunSaveSettingsCommand(outcome.request.settings,
                                                       *outcome.request.savedSettingsFile, files,
                                                       std::cout, std::cerr);
      case CommandLineOutcome::Action::kCheck:
        if (outcome.peer) {
          return kitbuilder::cli::RunLinkCommand(outcome.request, *outcome.peer, outcome.check,
                                                 kitbuilder::EmbeddedStore(), std::cout, std::cerr);
        }
        return kitbuilder::cli::RunCheckCommand(outcome.request, outcome.check,
                                                kitbuilder::EmbeddedStore(), std::cout, std::cerr);
      case CommandLineOutcome::Action::kCheckCapture:
        return kitbuilder::cli::RunCaptureCommand(outcome.request, outcome.check, std::cout,
                                                  std::cerr);
      case CommandLineOutcome::Action::kBuild:
        break;
    }
    return kitbuilder::cli::RunBuildCommand(outcome.request, kitbuilder::EmbeddedStore(), files,
                                            std::cout, std::cerr);
  } catch (const std::exception& error) {
    // Every command reports its own failures; reaching here is a fault of the program.
    std::cerr << "kitbuilder-cli: the command failed inside kitbuilder-cli (" << error.what()
              << "); this is a fault of the program: please report it with the command line\n";
    return kitbuilder::cli::kExitBuildFailed;
  }
}
