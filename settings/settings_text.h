#pragma once
// The text of a settings file: a TOML 1.0 document with one key per setting at the top level,
// named like the command line's options; the numbers, tx-power and wiring among them, are
// integers and everything else is a string.
//
//   # radio channel, 2400 MHz + 0.5 MHz each; allowed: 0..166
//   channel=100
//   # operating mode; allowed: tx, rx, tx-ack, rx-ack
//   mode="tx-ack"
//
// A written file holds the keys of one mode: every common key, and of the mode page's values
// only those that its mode reads.

#include <string>
#include <string_view>
#include <variant>

#include "engine/generation_settings.h"
#include "settings/setting_texts.h"

namespace kitbuilder::settings {

/// The texts that `text`, the content of the file `fileName`, gives, each with the origin
/// "<fileName>: <key>"; an integer in any TOML notation (0x10, 1_0, +5) gives its decimal text.
/// The keys and the types of their values are checked, the values are not. Refuses, with
/// "<fileName>:<line>:<column>: " and the parser's reason, a text that is not TOML 1.0, such as
/// one that gives a key twice; then the first key in the file's order that is unknown, a section
/// or dotted key, or of the wrong type; and a text that holds no setting.
std::variant<SettingTexts, Refusal> ReadSettingsText(std::string_view text,
                                                     const std::string& fileName);

/// The content of a settings file for `settings`: a header line, then for each key the mode uses,
/// in the form's order, a comment line with its meaning and allowed values and the key with its
/// value, defaults included.
std::string SettingsFileText(const GenerationSettings& settings);

}  // namespace kitbuilder::settings
