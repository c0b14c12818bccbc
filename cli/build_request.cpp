#include "cli/build_request.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "engine/output_directory.h"
#include "settings/settings_file.h"

namespace kitbuilder::cli {

using settings::InterpretSettings;
using settings::ReadSettingsFileTexts;
using settings::Refusal;
using settings::SettingTexts;

namespace {

std::variant<GenerationSettings, Refusal> ReadSettings(const OptionTexts& texts) {
  if (!texts.settingsFile) return InterpretSettings(texts.settings);
  std::variant<SettingTexts, Refusal> fromFile = ReadSettingsFileTexts(*texts.settingsFile);
  if (const Refusal* refusal = std::get_if<Refusal>(&fromFile)) return *refusal;
  SettingTexts& merged = std::get<SettingTexts>(fromFile);
  std::variant<GenerationSettings, Refusal> fileAlone = InterpretSettings(merged);
  if (std::holds_alternative<Refusal>(fileAlone)) return fileAlone;
  merged.OverrideWith(texts.settings);
  return InterpretSettings(merged);
}

/// A refusal for an output option that is empty or given where nothing is written to the output
/// directory.
std::optional<Refusal> UnusedOutputOption(const OptionTexts& texts) {
  if (texts.savedSettingsFile && texts.savedSettingsFile->empty()) {
    return Refusal{"--save-settings \"\" is not allowed; allowed: the path of a file"};
  }
  if (texts.savedSettingsFile && texts.output) {
    return Refusal{"--output \"" + *texts.output +
                   "\" is not used with --save-settings, which builds nothing"};
  }
  if (texts.savedSettingsFile && texts.toStdout) {
    return Refusal{"--stdout is not used with --save-settings, which builds nothing"};
  }
  if (texts.toStdout && texts.output) {
    return Refusal{"--output \"" + *texts.output +
                   "\" is not used with --stdout, which writes no file"};
  }
  return std::nullopt;
}

std::variant<std::string, Refusal> ReadOutputDirectory(const OptionTexts& texts) {
  if (!texts.output) {
    std::string current = CurrentOutputDirectory();
    if (current.empty()) {
      return Refusal{
          "the current directory cannot be read; name the output directory with --output"};
    }
    return current;
  }
  if (texts.output->empty()) {
    return Refusal{"--output \"\" is not allowed; allowed: the path of a directory"};
  }
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(*texts.output, error);
  if (error) {
    return Refusal{"--output \"" + *texts.output +
                   "\" cannot be made absolute: " + error.message()};
  }
  return NormalizeOutputDirectory(absolute.string());
}

}  // namespace

std::variant<BuildRequest, Refusal> InterpretOptions(const OptionTexts& texts) {
  std::variant<GenerationSettings, Refusal> settings = ReadSettings(texts);
  if (const Refusal* refusal = std::get_if<Refusal>(&settings)) return *refusal;
  if (std::optional<Refusal> refusal = UnusedOutputOption(texts)) return *refusal;
  BuildRequest request;
  request.settings = std::get<GenerationSettings>(std::move(settings));
  request.toStdout = texts.toStdout;
  request.savedSettingsFile = texts.savedSettingsFile;
  if (texts.toStdout || texts.savedSettingsFile) return request;
  std::variant<std::string, Refusal> directory = ReadOutputDirectory(texts);
  if (const Refusal* refusal = std::get_if<Refusal>(&directory)) return *refusal;
  request.outputDirectory = std::get<std::string>(std::move(directory));
  return request;
}

}  // namespace kitbuilder::cli
