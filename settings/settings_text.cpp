#include "settings/settings_text.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <utility>
#include <vector>

#include "engine/quoted_text.h"
#include "settings/toml.h"

namespace kitbuilder::settings {
namespace {

constexpr const char* kFileHeader =
    "Kitbuilder settings; build them with: kitbuilder-cli --settings FILE -o DIR";

/// The text of a setting's value as a file holds it: a number bare, anything else quoted.
std::string TomlValue(Setting setting, const std::string& text) {
  return TypeOf(setting) == ValueType::kString ? QuotedText(text) : text;
}

const char* TypeName(ValueType type) {
  switch (type) {
    case ValueType::kInteger:
      return "an integer";
    case ValueType::kNumber:
      return "a number";
    case ValueType::kString:
      break;
  }
  return "a string";
}

/// A TOML float as the reading takes a number's text: "11.0592", "12".
std::string FloatText(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.10g", value);
  return text;
}

/// "a string", "an array": what a value of the wrong type is, for its refusal.
const char* KindOf(const toml::node& value) {
  switch (value.type()) {
    case toml::node_type::table:
      return "a table";
    case toml::node_type::array:
      return "an array";
    case toml::node_type::string:
      return "a string";
    case toml::node_type::integer:
      return "an integer";
    case toml::node_type::floating_point:
      return "a float";
    case toml::node_type::boolean:
      return "a boolean";
    case toml::node_type::date:
      return "a date";
    case toml::node_type::time:
      return "a time";
    case toml::node_type::date_time:
      return "a date-time";
    case toml::node_type::none:
      break;
  }
  return "no value";
}

std::string AllowedKeys() {
  std::string keys;
  for (Setting setting : kAllSettings) {
    keys += (keys.empty() ? "" : ", ") + std::string(SettingName(setting));
  }
  return keys;
}

/// The text of the setting's value, or the refusal of its type, with an example of the type
/// written as a file writes it.
std::variant<std::string, Refusal> ValueText(Setting setting, const toml::node& value,
                                             const std::string& origin) {
  const ValueType type = TypeOf(setting);
  if (type == ValueType::kString) {
    if (const toml::value<std::string>* string = value.as_string()) return string->get();
  } else if (const toml::value<int64_t>* integer = value.as_integer()) {
    return std::to_string(integer->get());
  } else if (const toml::value<double>* number = value.as_floating_point();
             number && type == ValueType::kNumber) {
    return FloatText(number->get());
  }
  const std::string example = TomlValue(setting, SettingText(DefaultSettings(kModeTxAck), setting));
  return Refusal{origin + " takes " + TypeName(type) + " such as " + example + ", not " +
                 KindOf(value)};
}

/// Takes one top-level key of the document into `texts`, or says why it cannot be taken.
std::optional<Refusal> TakeKey(const std::string& name, const toml::node& value,
                               const std::string& fileName, SettingTexts* texts) {
  const toml::table* table = value.as_table();
  if (table && !table->is_inline()) {
    return Refusal{fileName + ": section or dotted key \"" + name +
                   "\" is not allowed; allowed: every key at the top level, as in channel = 100"};
  }
  const std::optional<Setting> setting = SettingNamed(name);
  if (!setting) {
    return Refusal{fileName + ": unknown key \"" + name + "\"; allowed keys: " + AllowedKeys()};
  }
  const std::string origin = fileName + ": " + name;
  std::variant<std::string, Refusal> text = ValueText(*setting, value, origin);
  if (const Refusal* refusal = std::get_if<Refusal>(&text)) return *refusal;
  texts->Give(*setting, std::get<std::string>(std::move(text)), origin);
  return std::nullopt;
}

}  // namespace

std::variant<SettingTexts, Refusal> ReadSettingsText(std::string_view text,
                                                     const std::string& fileName) {
  const toml::parse_result document = toml::parse(text);
  if (!document) {
    const toml::source_position& where = document.error().source().begin;
    return Refusal{fileName + ":" + std::to_string(where.line) + ":" +
                   std::to_string(where.column) + ": " +
                   std::string(document.error().description())};
  }
  // toml++ keeps the keys sorted; a refusal is of the first key that the file gives.
  std::vector<std::pair<const toml::key*, const toml::node*>> keys;
  for (const auto& [key, value] : document.table()) keys.emplace_back(&key, &value);
  if (keys.empty()) {
    return Refusal{fileName +
                   ": holds no settings; allowed: one line key = value per setting, "
                   "as in channel = 100"};
  }
  std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
    return a.first->source().begin < b.first->source().begin;
  });
  SettingTexts texts;
  for (const auto& [key, value] : keys) {
    if (std::optional<Refusal> refusal =
            TakeKey(std::string(key->str()), *value, fileName, &texts)) {
      return *refusal;
    }
  }
  return texts;
}

std::string SettingsFileText(const GenerationSettings& settings) {
  std::string text = std::string("# ") + kFileHeader + "\n";
  for (Setting setting : kAllSettings) {
    if (!SettingApplies(settings, setting)) continue;
    text += "\n# " + std::string(SettingMeaning(setting)) +
            "; allowed: " + std::string(SettingAllowed(setting)) + "\n" +
            std::string(SettingName(setting)) + "=" +
            TomlValue(setting, SettingText(settings, setting)) + "\n";
  }
  return text;
}

}  // namespace kitbuilder::settings
