#include <exception>
#include <iostream>

#include "cli/build_command.h"
#include "cli/command_line.h"
#include "cli/exit_status.h"
#include "engine/output_files.h"
#include "engine/text_store.h"

int main(int argc, char** argv) {
  using kitbuilder::cli::CommandLineOutcome;
  try {
    const CommandLineOutcome outcome = kitbuilder::cli::ReadCommandLine(argc, argv);
    switch (outcome.action) {
      case CommandLineOutcome::Action::kShowHelp:
        std::cout << outcome.text;
        return kitbuilder::cli::kExitSuccess;
      case CommandLineOutcome::Action::kRefuse:
        std::cerr << "kitbuilder-cli: " << outcome.text << '\n';
        return kitbuilder::cli::kExitUsage;
      case CommandLineOutcome::Action::kBuild:
        break;
    }
    kitbuilder::DiskOutputFiles files;
    return kitbuilder::cli::RunBuildCommand(outcome.request, kitbuilder::EmbeddedStore(), files,
                                            std::cout, std::cerr);
  } catch (const std::exception& error) {
    std::cerr << "kitbuilder-cli: " << error.what() << '\n';
    return kitbuilder::cli::kExitBuildFailed;
  }
}
