#include "settings/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <set>
#include <sstream>
#include <system_error>
#include <utility>
#include <vector>

namespace kitbuilder::settings {
namespace {

/// A settings file holds a few hundred bytes; the limit keeps a device such as /dev/zero, given
/// by mistake, from being read without end.
constexpr std::size_t kLargestSettingsFile = 64 * 1024;

constexpr const char* kFileHeader =
    "Kitbuilder settings; build them with: kitbuilder-cli --settings FILE -o DIR";

class OpenFile {
 public:
  explicit OpenFile(const std::string& path) : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~OpenFile() {
    if (fd_ >= 0) close(fd_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

std::string SystemError(int error) {
  return std::generic_category().message(error);
}

std::variant<std::string, Refusal> ReadFileText(const std::string& path) {
  if (path.empty())
    return Refusal{"settings file \"\" is not allowed; allowed: the path of a file"};
  const OpenFile file(path);
  if (file.fd() < 0) return Refusal{path + ": cannot be read: " + SystemError(errno)};
  struct stat status {};
  if (fstat(file.fd(), &status) == 0 && S_ISDIR(status.st_mode)) {
    return Refusal{path + ": is a directory; allowed: a settings file"};
  }
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t got = read(file.fd(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return Refusal{path + ": cannot be read: " + SystemError(errno)};
    if (got == 0) return text;
    text.append(buffer, static_cast<std::size_t>(got));
    if (text.size() > kLargestSettingsFile) {
      return Refusal{path +
                     ": is larger than 64 KiB; allowed: a settings file of one line per "
                     "setting"};
    }
  }
}

std::string_view TrimSpace(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r\v\f");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\v\f") - first + 1);
}

/// The TOML reader skips every line shorter than three characters without a word; such a line
/// can only be a slip, which must not leave a setting at its default unnoticed.
std::optional<Refusal> TooShortLine(std::string_view text, const std::string& fileName) {
  std::size_t number = 0;
  for (std::size_t start = 0; start <= text.size(); ++number) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = TrimSpace(text.substr(start, end - start));
    start = end + 1;
    const bool comment = !line.empty() && (line.front() == '#' || line.front() == ';');
    if (!comment && !line.empty() && line.size() < 3) {
      return Refusal{fileName + ": line " + std::to_string(number + 1) + " \"" + std::string(line) +
                     "\" is not a setting; allowed: key = value"};
    }
  }
  return std::nullopt;
}

std::string AllowedKeys() {
  std::string keys;
  for (Setting setting : kAllSettings) {
    keys += (keys.empty() ? "" : ", ") + std::string(SettingName(setting));
  }
  return keys;
}

std::string Joined(const std::vector<std::string>& parts, const char* separator) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : separator) + part;
  return text;
}

/// Takes one item of the TOML reader into `texts`, or says why it cannot be taken.
std::optional<Refusal> TakeItem(const CLI::ConfigItem& item, const std::string& fileName,
                                std::set<Setting>* seen, SettingTexts* texts) {
  if (!item.parents.empty()) {
    return Refusal{fileName + ": section or dotted key \"" + Joined(item.parents, ".") +
                   "\" is not allowed; allowed: every key at the top level, as in channel = 100"};
  }
  const std::optional<Setting> setting = SettingNamed(item.name);
  if (!setting) {
    return Refusal{fileName + ": unknown key \"" + item.name +
                   "\"; allowed keys: " + AllowedKeys()};
  }
  const std::string origin = fileName + ": " + item.name;
  if (!seen->insert(*setting).second) {
    return Refusal{origin + " is given twice; allowed: once"};
  }
  if (item.inputs.size() != 1) {
    return Refusal{origin + " holds " + std::to_string(item.inputs.size()) +
                   " values; allowed: one value, a text with commas in quotes"};
  }
  texts->Give(*setting, item.inputs.front(), origin);
  return std::nullopt;
}

/// `text` as a TOML basic string. Only a value that no setting allows can hold a quote, a
/// backslash or a control character; escaped, it reads back as itself and is refused then.
std::string TomlString(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (byte < 0x20 || byte == 0x7f) {
      char escape[7];
      std::snprintf(escape, sizeof escape, "\\u%04X", byte);
      quoted += escape;
    } else {
      quoted += c;
    }
  }
  return quoted + '"';
}

GivenModeValues ModeValuesGiven(const SettingTexts& texts) {
  GivenModeValues given;
  given.length = texts[Setting::kLength].has_value();
  given.ackLength = texts[Setting::kAckLength].has_value();
  given.restState = texts[Setting::kRest].has_value();
  given.delayMs = texts[Setting::kDelay].has_value();
  given.wait100us = texts[Setting::kWait].has_value();
  return given;
}

}  // namespace

std::variant<SettingTexts, Refusal> ReadSettingsText(std::string_view text,
                                                     const std::string& fileName) {
  if (std::optional<Refusal> refusal = TooShortLine(text, fileName)) return *refusal;
  std::istringstream stream{std::string(text)};
  const std::vector<CLI::ConfigItem> items = CLI::ConfigTOML().from_config(stream);
  if (items.empty()) {
    return Refusal{fileName +
                   ": holds no settings; allowed: one line key = value per setting, "
                   "as in channel = 100"};
  }
  SettingTexts texts;
  std::set<Setting> seen;
  for (const CLI::ConfigItem& item : items) {
    if (std::optional<Refusal> refusal = TakeItem(item, fileName, &seen, &texts)) return *refusal;
  }
  return texts;
}

std::variant<SettingTexts, Refusal> ReadSettingsFileTexts(const std::string& path) {
  std::variant<std::string, Refusal> text = ReadFileText(path);
  if (const Refusal* refusal = std::get_if<Refusal>(&text)) return *refusal;
  return ReadSettingsText(std::get<std::string>(text), path);
}

std::variant<SettingsFile, Refusal> ReadSettingsFile(const std::string& path) {
  std::variant<SettingTexts, Refusal> texts = ReadSettingsFileTexts(path);
  if (const Refusal* refusal = std::get_if<Refusal>(&texts)) return *refusal;
  std::variant<GenerationSettings, Refusal> settings =
      InterpretSettings(std::get<SettingTexts>(texts));
  if (const Refusal* refusal = std::get_if<Refusal>(&settings)) return *refusal;
  return SettingsFile{std::get<GenerationSettings>(std::move(settings)),
                      ModeValuesGiven(std::get<SettingTexts>(texts))};
}

std::string SettingsFileText(const GenerationSettings& settings) {
  std::string text = std::string("# ") + kFileHeader + "\n";
  for (Setting setting : kAllSettings) {
    if (!ModeUses(settings.operatingMode, setting)) continue;
    const std::string value = SettingText(settings, setting);
    text += "\n# " + std::string(SettingMeaning(setting)) +
            "; allowed: " + std::string(SettingAllowed(setting)) + "\n" +
            std::string(SettingName(setting)) + "=" +
            (TakesInteger(setting) ? value : TomlString(value)) + "\n";
  }
  return text;
}

std::optional<WriteError> WriteSettingsFile(OutputFiles& files, const std::string& path,
                                            const GenerationSettings& settings) {
  const WriteOutcome outcome = files.Write(path, SettingsFileText(settings));
  if (outcome.status == WriteOutcome::Status::kWritten) return std::nullopt;
  return WriteError{path, outcome.systemError};
}

}  // namespace kitbuilder::settings
