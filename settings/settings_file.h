#pragma once
// Settings files: plain TOML text with one key per setting, named like the command line's
// options, read and written for the command line and the window alike.
//
//   # radio channel, 2400 MHz + 0.5 MHz each; allowed: 0..166
//   channel=100
//   # operating mode; allowed: tx, rx, tx-ack, rx-ack
//   mode="tx-ack"
//
// A file holds the keys of one mode: every common key, and of the mode page's values only those
// that its mode reads. Reading applies exactly the checks of the command line, so an unknown
// key, a key given twice, a list, a value out of range or a mode page value that the file's
// mode does not read is refused, and the same file builds the same firmware everywhere.

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "engine/generation_settings.h"
#include "engine/output_files.h"
#include "engine/writer_result.h"
#include "settings/setting_texts.h"

namespace kitbuilder::settings {

/// Which of the mode page's values a file gave. The others hold the mode's defaults, so that a
/// window may keep what its page shows instead.
struct GivenModeValues {
  bool length = false;
  bool ackLength = false;
  bool restState = false;
  bool delayMs = false;
  bool wait100us = false;
};

/// A settings file as read.
struct SettingsFile {
  GenerationSettings settings;
  GivenModeValues given;
};

/// Reads and checks the file at `path`. Every refusal is one line that starts with `path`: a
/// missing or unreadable file, a directory, a file that holds no setting, and everything that
/// ReadSettingsText refuses.
std::variant<SettingsFile, Refusal> ReadSettingsFile(const std::string& path);

/// The texts that the file at `path` gives, each with the origin "<path>: <key>", with the keys
/// checked but not the values: for the command line, which lays its own options over them.
std::variant<SettingTexts, Refusal> ReadSettingsFileTexts(const std::string& path);

/// The texts that `text`, the content of the file `fileName`, gives. Refuses a text that holds
/// no setting, an unknown key, a key given twice, a key under a section or with a dot, a key
/// with no value or with more than one, and a line too short to be a setting.
std::variant<SettingTexts, Refusal> ReadSettingsText(std::string_view text,
                                                     const std::string& fileName);

/// The content of a settings file for `settings`: a header line, then for each key the mode uses,
/// in the form's order, a comment line with its meaning and allowed values and the key with its
/// value, defaults included.
std::string SettingsFileText(const GenerationSettings& settings);

/// Writes SettingsFileText(settings) as the file at `path`, never leaving it half-written.
/// Returns the path and the system's error when the file cannot be written.
std::optional<WriteError> WriteSettingsFile(OutputFiles& files, const std::string& path,
                                            const GenerationSettings& settings);

}  // namespace kitbuilder::settings
