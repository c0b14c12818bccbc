#pragma once
// Settings files, read and written for the command line and the window alike. Their text is
// described in settings/settings_text.h. Reading applies the checks of the command line to the
// values, so a value out of range or a mode page value that the file's mode does not read is
// refused as it is on the command line, and the same file builds the same firmware everywhere.

#include <optional>
#include <string>
#include <variant>

#include "engine/generation_settings.h"
#include "engine/output_files.h"
#include "engine/writer_result.h"
#include "settings/setting_texts.h"
#include "settings/settings_text.h"

namespace kitbuilder::settings {

/// Reads and checks the file at `path`: the settings it gives, and the defaults of its mode for
/// the keys it leaves out. Every refusal is one line that starts with `path`: a
/// missing or unreadable file, a directory, a file that holds no setting, and everything that
/// ReadSettingsText refuses.
std::variant<GenerationSettings, Refusal> ReadSettingsFile(const std::string& path);

/// The texts that the file at `path` gives, as ReadSettingsText reads them, with the keys and
/// their types checked but not the values: for the command line, which lays its own options
/// over them.
std::variant<SettingTexts, Refusal> ReadSettingsFileTexts(const std::string& path);

/// Writes SettingsFileText(settings) as the file at `path`, never leaving it half-written.
/// Returns the path and the system's error when the file cannot be written.
std::optional<WriteError> WriteSettingsFile(OutputFiles& files, const std::string& path,
                                            const GenerationSettings& settings);

}  // namespace kitbuilder::settings
