#pragma once
// The option texts of one run, as given on the command line, and their translation into the
// settings and output choice of a build.

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "engine/generation_settings.h"

namespace kitbuilder::cli {

/// The text of every option. Options the user leaves out keep the text of the window's default;
/// the mode page values default by mode, so an empty optional means "the mode's default".
struct OptionTexts {
  std::optional<std::string> output;  ///< empty: the current directory
  bool toStdout = false;
  std::string mode = "tx";
  std::string channel = "100";
  std::string dataRate = "2M";
  std::string txPower = "0";
  std::string crystal = "16MHz";
  std::string rfId = "54,75,C5,2A";
  std::string scs = "P1.1";
  std::string sck = "P3.0";
  std::string sdio = "P3.1";
  std::string gio1 = "P3.3";
  std::string gio2 = "P3.4";
  std::string wtr = "GIO1";
  std::string wiring = "3";
  std::optional<std::string> length;
  std::optional<std::string> ackLength;
  std::optional<std::string> delay;
  std::optional<std::string> wait;
  std::string rest = "sleep";
};

/// What one run builds and where the result goes.
struct BuildRequest {
  GenerationSettings settings;
  /// Absolute, ending in one '/'; empty when main.c goes to standard output.
  std::string outputDirectory;
  bool toStdout = false;
};

/// A one-line message that names the option, the text given and what is allowed.
struct Refusal {
  std::string message;
};

/// The text that --mode takes for an operating mode: "tx", "rx", "tx-ack" or "rx-ack".
std::string_view ModeOptionText(int32_t operatingMode);

/// Checks every text and turns them into a build request. Values are matched without regard to
/// case. A value that is out of range or malformed, or an option that the chosen mode does not
/// use, is refused.
std::variant<BuildRequest, Refusal> InterpretOptions(const OptionTexts& texts);

}  // namespace kitbuilder::cli
