#pragma once
// The options of one run, as given on the command line, and their translation into the settings
// and output choice of a build.

#include <optional>
#include <string>
#include <variant>

#include "engine/generation_settings.h"
#include "settings/setting_texts.h"

namespace kitbuilder::cli {

/// What the command line gives: the settings it names, and where the settings come from and the
/// result goes.
struct OptionTexts {
  settings::SettingTexts settings;    ///< only the settings named on the command line
  std::optional<std::string> output;  ///< empty: the current directory
  bool toStdout = false;
  std::optional<std::string> settingsFile;       ///< --settings: the settings to start from
  std::optional<std::string> savedSettingsFile;  ///< --save-settings: where to write them
};

/// What one run does: build the settings, or save them to a settings file.
struct BuildRequest {
  GenerationSettings settings;
  /// Absolute, ending in one '/'; empty when main.c goes to standard output or nothing is built.
  std::string outputDirectory;
  bool toStdout = false;
  /// Set by --save-settings: the settings are written to this file and nothing is built.
  std::optional<std::string> savedSettingsFile;
};

/// Starts from the settings file, if one is named, lays the settings of the command line over
/// it and checks everything. The file must be valid by itself, since a window that opens it will
/// read it alone; a mode page value that it gives must suit the mode that the command line may
/// choose instead.
std::variant<BuildRequest, settings::Refusal> InterpretOptions(const OptionTexts& texts);

}  // namespace kitbuilder::cli
