#pragma once
// The options of `kitbuilder-cli --check`: run the firmware for the settings on the virtual
// board instead of writing it, or with the other board of the link beside it, and where its
// trace and JSON report go; and of `--check-capture`, which reads a capture of the real board.

#include <optional>
#include <string>

namespace CLI {
class App;
}

namespace kitbuilder::cli {

struct CheckOptions {
  bool check = false;
  int passes = 3;
  std::optional<std::string> firmwareFile;      ///< --firmware: the user's own main.c
  std::optional<std::string> traceFile;         ///< --trace: a VCD of the five lines
  std::optional<std::string> reportFile;        ///< --report: the report as JSON
  std::optional<std::string> peerFile;          ///< --peer: the other board's settings file
  std::optional<std::string> peerFirmwareFile;  ///< --peer-firmware: the other board's main.c
  std::optional<std::string> captureFile;       ///< --check-capture: a logic analyzer's capture
  std::optional<std::string> channels;          ///< --channels: its channels for the lines
};

/// Adds --check, --passes, --firmware, --trace, --report, --peer, --peer-firmware,
/// --check-capture and --channels to `app`.
void DefineCheckOptions(CLI::App* app, CheckOptions* options);

/// The one-line reason when the check options do not fit together, or "".
std::string CheckOptionsRefusal(const CheckOptions& options);

}  // namespace kitbuilder::cli
