#pragma once
// The command line of kitbuilder-cli: the options, their help, and the reading of argv into a
// build request.

#include <optional>
#include <string>

#include "cli/build_request.h"
#include "cli/check_options.h"

namespace CLI {
class App;
}

namespace kitbuilder::cli {

/// Adds every option to `app`, bound to its field of `texts`, with its allowed values and its
/// default in the help. The settings' options are named like the keys of a settings file.
void DefineOptions(CLI::App* app, OptionTexts* texts);

/// What a command line asks for.
struct CommandLineOutcome {
  enum class Action {
    kBuild,
    kSaveSettings,
    kCheck,
    kCheckCapture,
    kShowHelp,
    kShowVersion,
    kRefuse
  };
  Action action = Action::kRefuse;
  BuildRequest request;  ///< for kBuild, kSaveSettings, kCheck and kCheckCapture
  CheckOptions check;    ///< for kCheck and kCheckCapture
  /// For kCheck with --peer: the other board's settings, read from its file.
  std::optional<GenerationSettings> peer;
  std::string text;  ///< the help or the version line to print; the one-line reason for kRefuse
};

/// Reads argv (argv[0] is the program) and the settings file it names. Never throws a parser
/// error: refusals are returned.
CommandLineOutcome ReadCommandLine(int argc, const char* const* argv);

}  // namespace kitbuilder::cli
