#include "cli/command_line.h"

#include <CLI/CLI.hpp>
#include <string>
#include <variant>

#include "engine/generation_settings.h"
#include "engine/version.h"
#include "settings/setting_texts.h"

namespace kitbuilder::cli {

using settings::kAllSettings;
using settings::ModeOptionText;
using settings::ModeUses;
using settings::Refusal;
using settings::Setting;
using settings::SettingAllowed;
using settings::SettingMeaning;
using settings::SettingName;
using settings::SettingText;

namespace {

constexpr int32_t kEveryMode[] = {kModeTx, kModeRx, kModeTxAck, kModeRxAck};

/// "100", or for a mode page value whose default differs by mode, "8 in tx, 8 in rx, 9 in
/// tx-ack, 9 in rx-ack", from the window's defaults.
std::string DefaultText(Setting setting) {
  // The mode's own text differs by mode by definition; its default is the window's first tab.
  if (setting == Setting::kMode) return ModeOptionText(DefaultSettings().operatingMode);
  std::string byMode;
  bool sameInEveryMode = true;
  const std::string first = SettingText(DefaultSettings(kModeTx), setting);
  for (int32_t mode : kEveryMode) {
    if (!ModeUses(mode, setting)) {
      sameInEveryMode = false;
      continue;
    }
    const std::string text = SettingText(DefaultSettings(mode), setting);
    sameInEveryMode = sameInEveryMode && text == first;
    byMode += (byMode.empty() ? "" : ", ") + text + " in " + ModeOptionText(mode);
  }
  return sameInEveryMode ? first : byMode;
}

void AddSetting(CLI::App* app, Setting setting, OptionTexts* texts) {
  const std::string option = "--" + std::string(SettingName(setting));
  const std::string names = setting == Setting::kMode ? "-m," + option : option;
  app->add_option_function<std::string>(
         names,
         [texts, setting, option](const std::string& given) {
           texts->settings.Give(setting, given, option);
         },
         std::string(SettingMeaning(setting)) + "; allowed: " +
             std::string(SettingAllowed(setting)) + "; default " + DefaultText(setting))
      ->type_name("VALUE");
}

}  // namespace

void DefineOptions(CLI::App* app, OptionTexts* texts) {
  app->add_option_function<std::string>(
         "-o,--output", [texts](const std::string& given) { texts->output = given; },
         "directory for main.c, define.h and K3960reg.h; default the current directory")
      ->type_name("DIR");
  app->add_flag("--stdout", texts->toStdout,
                "print the composed main.c to standard output and write no file; default off");
  app->add_option_function<std::string>(
         "--settings", [texts](const std::string& given) { texts->settingsFile = given; },
         "read the settings from FILE, a settings file; options given here override it")
      ->type_name("FILE");
  app->add_option_function<std::string>(
         "--save-settings", [texts](const std::string& given) { texts->savedSettingsFile = given; },
         "write the settings to FILE, every key the mode uses with a comment, and build nothing")
      ->type_name("FILE");
  for (Setting setting : kAllSettings) AddSetting(app, setting, texts);
}

CommandLineOutcome ReadCommandLine(int argc, const char* const* argv) {
  CLI::App app(
      "Writes the K3960 sample firmware main.c, define.h and K3960reg.h for one set of "
      "settings. Values are matched without regard to case.",
      "kitbuilder-cli");
  app.get_formatter()->column_width(26);
  app.set_version_flag("--version", std::string("kitbuilder-cli ") + kVersion,
                       "print the version and exit");
  OptionTexts texts;
  DefineOptions(&app, &texts);
  CommandLineOutcome outcome;
  DefineCheckOptions(&app, &outcome.check);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    outcome.action = CommandLineOutcome::Action::kShowHelp;
    outcome.text = app.help();
    return outcome;
  } catch (const CLI::CallForVersion& version) {
    outcome.action = CommandLineOutcome::Action::kShowVersion;
    outcome.text = std::string(version.what()) + "\n";
    return outcome;
  } catch (const CLI::Error& error) {
    outcome.text = std::string(error.what()) + " (see --help)";
    return outcome;
  }
  std::variant<BuildRequest, Refusal> interpreted = InterpretOptions(texts);
  if (const Refusal* refusal = std::get_if<Refusal>(&interpreted)) {
    outcome.text = refusal->message;
    return outcome;
  }
  outcome.request = std::get<BuildRequest>(std::move(interpreted));
  outcome.text = CheckOptionsRefusal(outcome.check);
  if (!outcome.text.empty()) return outcome;
  if (outcome.check.peerFile) {
    OptionTexts peer;
    peer.settingsFile = outcome.check.peerFile;
    peer.toStdout = true;  // the peer's settings build nothing
    std::variant<BuildRequest, Refusal> read = InterpretOptions(peer);
    if (const Refusal* refusal = std::get_if<Refusal>(&read)) {
      outcome.text = "--peer: " + refusal->message;
      return outcome;
    }
    outcome.peer = std::get<BuildRequest>(std::move(read)).settings;
  }
  outcome.action = outcome.request.savedSettingsFile ? CommandLineOutcome::Action::kSaveSettings
                   : outcome.check.check             ? CommandLineOutcome::Action::kCheck
                   : outcome.check.captureFile       ? CommandLineOutcome::Action::kCheckCapture
                                                     : CommandLineOutcome::Action::kBuild;
  return outcome;
}

}  // namespace kitbuilder::cli
