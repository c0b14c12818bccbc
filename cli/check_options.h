#pragma once
// The options of `kitbuilder-cli --check`: run the firmware for the settings on the virtual
// board instead of writing it, and where its trace and JSON report go.

#include <optional>
#include <string>

namespace CLI {
class App;
}

namespace kitbuilder::cli {

struct CheckOptions {
  bool check = false;
  int passes = 3;
  std::optional<std::string> firmwareFile;  ///< --firmware: the user's own main.c
  std::optional<std::string> traceFile;     ///< --trace: a VCD of the five lines
  std::optional<std::string> reportFile;    ///< --report: the report as JSON
};

/// Adds --check, --passes, --firmware, --trace and --report to `app`.
void DefineCheckOptions(CLI::App* app, CheckOptions* options);

/// The one-line reason when the check options do not fit together, or "".
std::string CheckOptionsRefusal(const CheckOptions& options);

}  // namespace kitbuilder::cli
