#pragma once
// The settings of a build as texts: the keys that the command line and a settings file share,
// the reading of their texts into generation settings, and the text that stands for each value.
// Both front ends read through here, so the same texts give the same firmware everywhere.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "engine/generation_settings.h"

namespace kitbuilder::settings {

/// One setting, in the order of the form: the "Setting" group, the "RF IO setting" group, the
/// other settings, then the mode tab and its page's values.
enum class Setting : std::size_t {
  kChannel,
  kCrystal,
  kDataRate,
  kTxPower,
  kRfId,
  kScs,
  kSck,
  kSdio,
  kGio1,
  kGio2,
  kWtr,
  kWiring,
  kCompiler,
  kMcuClock,
  kClocksPerCycle,
  kMode,
  kLength,
  kAckLength,
  kRest,
  kDelay,
  kWait,
};

inline constexpr std::size_t kSettingCount = static_cast<std::size_t>(Setting::kWait) + 1;

/// Every setting in the form's order.
extern const std::array<Setting, kSettingCount> kAllSettings;

/// The key of a setting in a settings file, which is also its long option without "--":
/// "channel", "rf-id", "ack-length".
std::string_view SettingName(Setting setting);

/// What the setting means, one line without the allowed values: "radio channel, 2400 MHz +
/// 0.5 MHz each".
std::string_view SettingMeaning(Setting setting);

/// The values the setting allows, one line: "0..166", "tx, rx, tx-ack, rx-ack".
std::string_view SettingAllowed(Setting setting);

/// How a settings file gives the setting's value: as an integer, as in channel = 100 (the
/// numbers, tx-power and wiring among them), as any number, as in mcu-clock = 11.0592, or as a
/// string, as in mode = "tx".
enum class ValueType { kString, kInteger, kNumber };
ValueType TypeOf(Setting setting);

/// The setting whose key is `name`, matched exactly; nothing for an unknown key.
std::optional<Setting> SettingNamed(std::string_view name);

/// Whether a build in `operatingMode` reads the setting. Only the mode page's values depend on
/// the mode: ack-length is read in tx-ack and rx-ack, wait in tx-ack only.
bool ModeUses(int32_t operatingMode, Setting setting);

/// Whether a build from `settings` reads the setting: what ModeUses says, and the microcontroller's
/// clock only where it was given, which SDCC's output alone can use.
bool SettingApplies(const GenerationSettings& settings, Setting setting);

/// The text that --mode and the key "mode" take for an operating mode: "tx", "rx", "tx-ack" or
/// "rx-ack"; the number itself for any other value.
std::string ModeOptionText(int32_t operatingMode);

/// The text that stands for the setting's value in `settings`, in the form the reading accepts:
/// "100", "54,75,C5,2A", "P1.1", "tx-ack". A mode page value is taken from the layout of the
/// settings' own mode. A value outside what the setting allows is written as its number, so
/// that reading it back refuses it instead of building something else.
std::string SettingText(const GenerationSettings& settings, Setting setting);

/// The text given for a setting and where it was given, which a refusal names: "--channel" on
/// the command line, "board.toml: channel" in a settings file.
struct GivenText {
  std::string text;
  std::string origin;
};

/// The texts given for one build, each setting at most once. A setting without a text takes the
/// form's default; a mode page value without one takes the default of the chosen mode.
class SettingTexts {
 public:
  void Give(Setting setting, std::string text, std::string origin);
  const std::optional<GivenText>& operator[](Setting setting) const;
  /// Each text given in `overriding` replaces the one given here.
  void OverrideWith(const SettingTexts& overriding);

 private:
  std::array<std::optional<GivenText>, kSettingCount> texts_;
};

/// A one-line message that names where the refused text was given, the text and what is allowed.
struct Refusal {
  std::string message;
};

/// Checks every given text and turns the texts into settings. Values are matched without regard
/// to case. A value that is out of range or malformed, or a mode page value that the chosen mode
/// does not use, is refused; the mode is read first, then the rest in the form's order, and the
/// first refusal is returned.
std::variant<GenerationSettings, Refusal> InterpretSettings(const SettingTexts& texts);

}  // namespace kitbuilder::settings
